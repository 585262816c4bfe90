// Saving and restoring every collection class and the associations, on every carrier.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "rw/RWBTree.h"
#include "rw/RWBTreeDictionary.h"
#include "rw/RWCollectableAssociation.h"
#include "rw/RWHashTable.h"
#include "rw/RWIdentitySet.h"
#include "rw/RWSet.h"
#include "rw/RWSlistCollectables.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/RwPersistTestClasses.h"
#include "tests/support/RwRecordingErrorHook.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::Carrier;
using vel::test::CarrierName;
using vel::test::DeleteGraph;
using vel::test::Describe;
using vel::test::HexBytes;
using vel::test::Item;
using vel::test::kAllCarriers;
using vel::test::RecordingErrorHook;
using vel::test::RestoreContentsOf;
using vel::test::Restored;
using vel::test::RestoreGraph;
using vel::test::RestoreInto;
using vel::test::SaveContentsOf;
using vel::test::SaveGraph;
using vel::test::WriteItems;
using namespace vel::test::record;  // NOLINT(google-build-using-namespace): the record items

class RWCollectionPersistenceTest : public ::testing::TestWithParam<Carrier> {};

INSTANTIATE_TEST_SUITE_P(Carriers,
                         RWCollectionPersistenceTest,
                         ::testing::ValuesIn(kAllCarriers),
                         [](const ::testing::TestParamInfo<Carrier>& info) {
                           std::string name = CarrierName(info.param);
                           std::erase(name, '-');
                           return name;
                         });

struct Sample {
  const char* name;
  std::function<RWCollectable*()> make;
};

std::vector<Sample> Samples() {
  return {
      {"list keeps order, duplicates and nulls",
       [] {
         auto* list = new RWSlistCollectables;
         RWCollectable* shared = new TestValue(3);
         for (RWCollectable* item : std::initializer_list<RWCollectable*>{
                  shared, new TestValue(1), nullptr, shared, new TestLeaf}) {
           list->Insert(item);
         }
         return list;
       }},
      {"hash table keeps equal members",
       [] {
         auto* table = new RWHashTable(4);
         auto* same = new TestValue(7);
         table->Insert(same);
         table->Insert(same);
         table->Insert(new TestValue(7));
         table->Insert(new TestValue(8));
         return table;
       }},
      {"set",
       [] {
         auto* set = new RWSet;
         for (int i = 0; i < 100; ++i) {
           set->Insert(new TestValue(i * 7));
         }
         return set;
       }},
      {"identity set keeps equal objects apart",
       [] {
         auto* set = new RWIdentitySet;
         set->Insert(new TestValue(4));
         set->Insert(new TestValue(4));
         set->Insert(new TestNamed(4));
         return set;
       }},
      {"B-tree of several levels",
       [] {
         auto* tree = new RWBTree;
         for (int i = 0; i < 250; ++i) {
           tree->Insert(new TestValue((i * 37) % 250));
         }
         return tree;
       }},
      {"dictionary with null and shared values",
       [] {
         auto* dictionary = new RWBTreeDictionary;
         RWCollectable* shared = new TestLeaf;
         for (int i = 0; i < 150; ++i) {
           RWCollectable* value = i % 3 == 0 ? nullptr : (i % 3 == 1 ? shared : new TestValue(-i));
           dictionary->InsertKeyAndValue(new TestValue(i), value);
         }
         return dictionary;
       }},
      {"association",
       [] { return new RWCollectableAssociation(new TestValue(1), new TestNamed(2)); }},
      {"identity association with the key as value",
       [] {
         auto* key = new TestLeaf;
         return new RWCollectableIDAssociation(key, key);
       }},
      {"collections inside collections",
       [] {
         auto* outer = new RWSlistCollectables;
         auto* inner = new RWBTreeDictionary;
         auto* list = new RWSlistCollectables;
         list->Insert(outer);  // a cycle back to the outer list
         inner->InsertKeyAndValue(new TestValue(1), list);
         outer->Insert(inner);
         outer->Insert(list);
         return outer;
       }},
  };
}

TEST_P(RWCollectionPersistenceTest, EveryClassRoundTrips) {
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    RWCollectable* original = sample.make();
    Restored restored = RestoreGraph(GetParam(), SaveGraph(GetParam(), original));
    ASSERT_FALSE(restored.failed);
    ASSERT_NE(restored.object, nullptr);
    EXPECT_EQ(restored.object->IsA(), original->IsA());
    EXPECT_EQ(Describe(restored.object), Describe(original));
    EXPECT_EQ(original->TotalStoredSize(), SaveGraph(Carrier::kFile, original).size());
    DeleteGraph(restored.object);
    DeleteGraph(original);
  }
  EXPECT_EQ(TestObjectsAlive(), 0);
}

// An empty collection stores its count and nothing else.
TEST_P(RWCollectionPersistenceTest, EmptyCollectionStoresOnlyItsCount) {
  RWSlistCollectables list;
  RWHashTable table;
  RWSet set;
  RWIdentitySet identity;
  RWBTree tree;
  RWBTreeDictionary dictionary;
  for (RWCollectable* empty :
       std::initializer_list<RWCollectable*>{&list, &table, &set, &identity, &tree, &dictionary}) {
    const unsigned id = empty->IsA();
    const std::string id_text = std::to_string(id);
    Bytes expected;
    switch (GetParam()) {
      case Carrier::kPortable:
        expected = vel::test::AsBytes(":" + id_text + "\n\\[0\n\\]");
        break;
      case Carrier::kByteOrder:
        expected = HexBytes("65 73 01 00 02 04 04 02 04");
        [[fallthrough]];
      case Carrier::kBinary: {
        const Bytes body = {
            ':', static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8), '{', 0, 0, 0, 0,
            '}'};
        expected.insert(expected.end(), body.begin(), body.end());
        break;
      }
      case Carrier::kFile:
        expected = {
            0x88, 0x88, 0, 0, static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
            0,    0,    0, 0};
        break;
    }
    EXPECT_TRUE(BytesEqual(expected, SaveGraph(GetParam(), empty))) << id;
    EXPECT_EQ(empty->TotalStoredSize(), 10u);
  }
}

// A restore replaces what a collection held (forgotten, not deleted).
TEST_P(RWCollectionPersistenceTest, RestoreIntoACollectionClearsItFirst) {
  TestValue old_member(1);
  RWSet stored;
  stored.Insert(new TestValue(2));
  const Bytes bytes = SaveGraph(GetParam(), &stored);
  stored.ClearAndDestroy();

  RWSet set;
  set.Insert(&old_member);
  Restored restored = RestoreInto(GetParam(), bytes, set);
  ASSERT_FALSE(restored.failed);
  EXPECT_EQ(restored.object, &set);
  ASSERT_EQ(set.Entries(), 1u);
  TestValue two(2);
  EXPECT_TRUE(set.Contains(&two));
  EXPECT_EQ(old_member.Value(), 1);
  set.ClearAndDestroy();
}

// Hashed and sorted collections skip a stored null member; sequences keep it.
TEST_P(RWCollectionPersistenceTest, NullMembersAreSkippedWhereTheyCannotBeHeld) {
  const struct {
    RWClassID id;
    std::uint32_t entries;
  } cases[] = {{0x8033, 3}, {0x805E, 2}, {0x802B, 2}, {0x8025, 2}, {0x8003, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const Bytes bytes = WriteItems(GetParam(), {New(c.id), Open(), Int(3),          // three members
                                                New(902), Open(), Int(1), Close(),  //
                                                Ref(0),                             // null
                                                New(902), Open(), Int(2), Close(), Close()});
    Restored restored = RestoreGraph(GetParam(), bytes);
    ASSERT_FALSE(restored.failed);
    auto* collection = dynamic_cast<RWCollectionBase*>(restored.object);
    ASSERT_NE(collection, nullptr);
    EXPECT_EQ(collection->Entries(), c.entries);
    DeleteGraph(collection);
  }
  EXPECT_EQ(TestObjectsAlive(), 0);
}

// A member the collection refuses stays alive for a later reference to it, and is freed with the
// restore when none comes.
TEST_P(RWCollectionPersistenceTest, RefusedDuplicateLivesForALaterReference) {
  // nil 0, node 1, set 2, value 3, value 4 (a duplicate of 3)
  const std::vector<Item> set_of_duplicates = {New(0x802B), Open(), Int(2),  New(902),
                                               Open(),      Int(1), Close(), New(902),
                                               Open(),      Int(1), Close(), Close()};
  std::vector<Item> named_later = {New(900), Open(), Int(0)};
  named_later.insert(named_later.end(), set_of_duplicates.begin(), set_of_duplicates.end());
  named_later.insert(named_later.end(), {Ref(4), Ref(0), Close()});

  Restored restored = RestoreGraph(GetParam(), WriteItems(GetParam(), named_later));
  ASSERT_FALSE(restored.failed);
  auto* node = dynamic_cast<TestNode*>(restored.object);
  ASSERT_NE(node, nullptr);
  auto* set = dynamic_cast<RWSet*>(node->Child(0));
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->Entries(), 1u);
  auto* duplicate = dynamic_cast<TestValue*>(node->Child(1));
  ASSERT_NE(duplicate, nullptr);
  EXPECT_EQ(duplicate->Value(), 1);
  EXPECT_NE(set->Find(duplicate), duplicate);
  EXPECT_EQ(TestObjectsAlive(), 3);
  DeleteGraph(node);

  restored = RestoreGraph(GetParam(), WriteItems(GetParam(), set_of_duplicates));
  ASSERT_FALSE(restored.failed);
  EXPECT_EQ(TestObjectsAlive(), 1);  // the refused duplicate went with the restore
  DeleteGraph(restored.object);
}

// Found by fuzzing: a refused duplicate that an association names later, in a restore that then
// fails, goes with the restore.
TEST_P(RWCollectionPersistenceTest, RefusedDuplicateNamedLaterIsFreedWhenTheRestoreFails) {
  // nil 0, list 1, set 2, value 3, value 4 (refused), association 5 (key 6, value: the refused one)
  const Bytes bytes = WriteItems(
      GetParam(), {New(0x8033), Open(), Int(3),                                                  //
                   New(0x802B), Open(), Int(2),   New(902), Open(),  Int(6),  Close(),           //
                   New(902),    Open(), Int(6),   Close(),  Close(),                             //
                   New(0x8008), Open(), New(902), Open(),   Int(1),  Close(), Ref(4),  Close(),  //
                   New(4242),   Open(), Close(),  Close()});
  RecordingErrorHook hook;
  Restored restored = RestoreGraph(GetParam(), bytes);
  EXPECT_TRUE(restored.failed);
  EXPECT_EQ(restored.object, nullptr);
  EXPECT_EQ(hook.Tags(), std::vector<std::string>{"[NOCREATE]"});
  EXPECT_EQ(TestObjectsAlive(), 0);
}

// Found by fuzzing: a restored set that holds itself, and lists that hold each other, compare
// without end unless equality stops at a depth.
TEST_P(RWCollectionPersistenceTest, CollectionsThatHoldThemselvesCompareWithoutExhaustingTheStack) {
  Restored restored = RestoreGraph(
      GetParam(), WriteItems(GetParam(), {New(0x802B), Open(), Int(2), Ref(1), Ref(1), Close()}));
  ASSERT_FALSE(restored.failed);
  auto* set = dynamic_cast<RWSet*>(restored.object);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->Entries(), 1u);
  EXPECT_TRUE(set->Contains(set));
  DeleteGraph(set);

  // nil 0, list 1 [list 2 [list 1]]
  restored = RestoreGraph(
      GetParam(), WriteItems(GetParam(), {New(0x8033), Open(), Int(1),  //
                                          New(0x8033), Open(), Int(1), Ref(1), Close(), Close()}));
  ASSERT_FALSE(restored.failed);
  auto* outer = dynamic_cast<RWSlistCollectables*>(restored.object);
  ASSERT_NE(outer, nullptr);
  auto* inner = outer->First();
  EXPECT_TRUE(outer->IsEqual(outer));
  EXPECT_FALSE(outer->IsEqual(inner));
  DeleteGraph(outer);
}

// A dictionary owns its associations: one that is held elsewhere too comes in as a copy.
TEST_P(RWCollectionPersistenceTest, DictionaryCopiesAnAssociationHeldElsewhere) {
  // nil 0, list 1, association 2, key 3, dictionary 4
  const Bytes bytes = WriteItems(
      GetParam(), {New(0x8033), Open(), Int(2),                                              //
                   New(0x8008), Open(), New(902), Open(), Int(9), Close(), Ref(0), Close(),  //
                   New(0x8004), Open(), Int(1), Ref(2), Close(), Close()});
  Restored restored = RestoreGraph(GetParam(), bytes);
  ASSERT_FALSE(restored.failed);
  auto* list = dynamic_cast<RWSlistCollectables*>(restored.object);
  ASSERT_NE(list, nullptr);
  auto* association = dynamic_cast<RWCollectableAssociation*>(list->At(0));
  auto* dictionary = dynamic_cast<RWBTreeDictionary*>(list->At(1));
  ASSERT_NE(association, nullptr);
  ASSERT_NE(dictionary, nullptr);
  ASSERT_EQ(dictionary->Entries(), 1u);
  EXPECT_EQ(dictionary->Find(association->Key()), association->Key());
  EXPECT_FALSE(dictionary->Contains(association) && dictionary->Find(association) == association);
  DeleteGraph(list);  // each association deleted once
}

// An association that would be its own key, directly or through another association's key, could
// never be ordered or matched: its restore fails.
TEST_P(RWCollectionPersistenceTest, AssociationCannotBeItsOwnKey) {
  const std::vector<std::vector<Item>> cases = {
      {New(0x8008), Open(), Ref(1), Ref(0), Close()},
      {New(0x8008), Open(), New(0x8008), Open(), Ref(1), Ref(0), Close(), Ref(0), Close()},
  };
  for (const auto& items : cases) {
    Restored restored = RestoreGraph(GetParam(), WriteItems(GetParam(), items));
    EXPECT_TRUE(restored.failed);
    EXPECT_EQ(restored.object, nullptr);
  }
}

// A collection that refuses a member it cannot hold (a dictionary given something else than an
// association) fails, and what it made goes with it.
TEST_P(RWCollectionPersistenceTest, DictionaryOfSomethingElseFails) {
  const Bytes bytes = WriteItems(
      GetParam(), {New(0x8004), Open(), Int(2),                                              //
                   New(0x8008), Open(), New(902), Open(), Int(1), Close(), Ref(0), Close(),  //
                   New(902), Open(), Int(5), Close(), Close()});
  Restored restored = RestoreGraph(GetParam(), bytes);
  EXPECT_TRUE(restored.failed);
  EXPECT_EQ(restored.object, nullptr);
  EXPECT_EQ(TestObjectsAlive(), 0);
}

// Contents saved and restored on their own, outside any record: the restore reads every member
// into one table, so the save must number every member in one table too. Saved member by member,
// each in a table of its own, a reference inside the second member named an object of the first.
TEST_P(RWCollectionPersistenceTest, ContentsSavedOnTheirOwnNumberTheirMembersInOneTable) {
  auto* shared = new TestValue(5);
  auto* leaf = new TestLeaf;
  auto* list = new RWSlistCollectables;
  list->Append(new TestNode(1, shared, shared, nullptr));
  list->Append(new TestNode(2, leaf, leaf, shared));
  auto* shared_value = new TestValue(6);
  auto* association =
      new RWCollectableAssociation(new TestNode(3, shared_value, nullptr, nullptr),
                                   new TestNode(4, new TestLeaf, shared_value, nullptr));
  for (RWCollectable* original : std::initializer_list<RWCollectable*>{list, association}) {
    SCOPED_TRACE(Describe(original));
    const Bytes bytes = SaveContentsOf(GetParam(), *original);
    if (GetParam() == Carrier::kFile) {
      EXPECT_EQ(original->StoredByteCount(), bytes.size());
    }
    RWCollectable* copy = original->CreateInstance();
    Restored restored = RestoreContentsOf(GetParam(), bytes, *copy);
    EXPECT_FALSE(restored.failed);
    EXPECT_EQ(Describe(copy), Describe(original));
    DeleteGraph(copy);
  }
  DeleteGraph(association);
  DeleteGraph(list);
  EXPECT_EQ(TestObjectsAlive(), 0);
}

// An association without a key is not equal to itself, so a set restored with a second reference
// to it held it twice, and ClearAndDestroy deleted it twice.
TEST_P(RWCollectionPersistenceTest, RestoredSetHoldsAnObjectOnceThoughItIsNotEqualToItself) {
  // nil 0, set 1, association 2 (null key and value), then a reference to it
  Restored restored = RestoreGraph(
      GetParam(), WriteItems(GetParam(), {New(0x802B), Open(), Int(2),                   //
                                          New(0x8008), Open(), Ref(0), Ref(0), Close(),  //
                                          Ref(2), Close()}));
  ASSERT_FALSE(restored.failed);
  auto* set = dynamic_cast<RWSet*>(restored.object);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->Entries(), 1u);
  set->ClearAndDestroy();
  delete set;
}

}  // namespace
