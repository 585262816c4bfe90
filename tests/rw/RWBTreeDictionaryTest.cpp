// The B-tree dictionary: a randomized run against std::map, ownership of associations, keys and
// values, equality and selection.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "rw/RWBTreeDictionary.h"
#include "rw/RWCollectableAssociation.h"
#include "tests/support/RwCountedInt.h"

namespace {

using vel::test::CountedInt;
using vel::test::ValueOf;

using Pairs = std::vector<std::pair<int, int>>;

Pairs PairsOf(const RWBTreeDictionary& dictionary) {
  Pairs pairs;
  dictionary.ApplyToKeyAndValue(
      [](RWCollectable* key, RWCollectable* value, void* client_data) {
        static_cast<Pairs*>(client_data)->emplace_back(ValueOf(key), ValueOf(value));
      },
      &pairs);
  return pairs;
}

bool NodesWithinOrder(const RWBTree& tree) {
  bool within = true;
  tree.VisitNodes(
      [](std::uint32_t depth, std::uint32_t members, bool, void* client_data) {
        const std::uint32_t low = depth == 0 ? 1 : RWBTree::kOrder;
        if (members < low || members > RWBTree::kMaxMembers) {
          *static_cast<bool*>(client_data) = false;
        }
      },
      &within);
  return within;
}

TEST(RWBTreeDictionaryTest, RandomizedAgainstStdMap) {
  constexpr int kKeys = 12000;
  constexpr int kSteps = 30000;
  std::vector<std::unique_ptr<CountedInt>> keys;
  std::vector<std::unique_ptr<CountedInt>> values;
  for (int i = 0; i < kKeys; ++i) {
    keys.push_back(std::make_unique<CountedInt>(i));
    values.push_back(std::make_unique<CountedInt>(100000 + i));
  }
  RWBTreeDictionary dictionary;
  std::map<int, int> oracle;
  std::mt19937 random(77);
  std::uniform_int_distribution<int> key_of(0, kKeys - 1);
  std::uniform_int_distribution<int> percent(0, 99);

  for (int step = 0; step < kSteps; ++step) {
    const int insert_share = step < kSteps / 2 ? 65 : 20;
    const int roll = percent(random);
    const int key = key_of(random);
    const int value = key_of(random);
    CountedInt probe(key);
    auto held = oracle.find(key);
    const bool present = held != oracle.end();
    if (roll < insert_share) {
      // A duplicate key is refused and the old value kept.
      RWCollectable* result = dictionary.InsertKeyAndValue(keys[key].get(), values[value].get());
      ASSERT_EQ(result, present ? nullptr : keys[key].get()) << "step " << step;
      if (!present) {
        oracle.emplace(key, value);
      }
    } else if (roll < insert_share + 15) {
      RWCollectable* removed_value = nullptr;
      RWCollectable* removed = dictionary.RemoveKeyAndValue(&probe, removed_value);
      ASSERT_EQ(removed, present ? keys[key].get() : nullptr) << "step " << step;
      ASSERT_EQ(removed_value, present ? values[held->second].get() : nullptr);
      if (present) {
        oracle.erase(held);
      }
    } else if (roll < insert_share + 20) {
      RWCollectable* old = dictionary.FindValue(&probe, values[value].get());
      ASSERT_EQ(old, present ? values[held->second].get() : nullptr) << "step " << step;
      if (present) {
        held->second = value;
      }
    } else {
      RWCollectable* found_value = nullptr;
      RWCollectable* found = dictionary.FindKeyAndValue(&probe, found_value);
      ASSERT_EQ(found, present ? keys[key].get() : nullptr) << "step " << step;
      ASSERT_EQ(found_value, present ? values[held->second].get() : nullptr);
      ASSERT_EQ(dictionary.FindValue(&probe), found_value);
    }
    ASSERT_EQ(dictionary.Entries(), oracle.size()) << "step " << step;
    ASSERT_TRUE(NodesWithinOrder(dictionary)) << "step " << step;
    if (step % 500 == 0) {
      Pairs expected;
      for (const auto& [k, v] : oracle) {
        expected.emplace_back(k, 100000 + v);
      }
      ASSERT_EQ(PairsOf(dictionary), expected) << "step " << step;
    }
  }
  EXPECT_GE(dictionary.Height(), 2u);
}

TEST(RWBTreeDictionaryTest, DuplicateKeyKeepsTheOldValue) {
  CountedInt key(1);
  CountedInt equal_key(1);
  CountedInt first(10);
  CountedInt second(20);
  RWBTreeDictionary dictionary;
  EXPECT_EQ(dictionary.InsertKeyAndValue(&key, &first), &key);
  EXPECT_EQ(dictionary.InsertKeyAndValue(&equal_key, &second), nullptr);
  EXPECT_EQ(dictionary.FindValue(&equal_key), &first);
  EXPECT_EQ(dictionary.Find(&equal_key), &key);
  EXPECT_EQ(dictionary.FindValue(&equal_key, &second), &first);
  EXPECT_EQ(dictionary.FindValue(&key), &second);
  EXPECT_EQ(dictionary.InsertKeyAndValue(nullptr, &first), nullptr);
  EXPECT_EQ(dictionary.Remove(&equal_key), &key);
  EXPECT_EQ(dictionary.Remove(&equal_key), nullptr);
  EXPECT_EQ(dictionary.FindValue(&equal_key, &first), nullptr);
}

TEST(RWBTreeDictionaryTest, DestroyingDeletesEachKeyAndValueOnce) {
  {
    RWBTreeDictionary dictionary;
    auto* shared = new CountedInt(1);
    dictionary.InsertKeyAndValue(shared, shared);             // key is its own value
    dictionary.InsertKeyAndValue(new CountedInt(2), shared);  // shared as a value again
    dictionary.InsertKeyAndValue(new CountedInt(3), nullptr);
    dictionary.InsertKeyAndValue(new CountedInt(4), new CountedInt(40));
    ASSERT_EQ(CountedInt::Live(), 5);

    CountedInt absent(9);
    CountedInt four(4);
    const int before = CountedInt::Live();
    EXPECT_FALSE(dictionary.RemoveAndDestroy(&absent));
    EXPECT_EQ(CountedInt::Live(), before);
    EXPECT_TRUE(dictionary.RemoveAndDestroy(&four));
    EXPECT_EQ(CountedInt::Live(), before - 2);  // key 4 and value 40
    EXPECT_EQ(dictionary.Entries(), 3u);

    dictionary.ClearAndDestroy();
    EXPECT_TRUE(dictionary.IsEmpty());
  }
  EXPECT_EQ(CountedInt::Live(), 0);

  RWBTreeDictionary same;
  auto* both = new CountedInt(5);
  same.InsertKeyAndValue(both, both);
  EXPECT_TRUE(same.RemoveAndDestroy(both));
  EXPECT_EQ(CountedInt::Live(), 0);
}

TEST(RWBTreeDictionaryTest, CopiesHaveTheirOwnAssociations) {
  CountedInt k1(1);
  CountedInt k2(2);
  CountedInt v1(10);
  auto original = std::make_unique<RWBTreeDictionary>();
  original->InsertKeyAndValue(&k1, &v1);
  original->InsertKeyAndValue(&k2, nullptr);
  RWBTreeDictionary copy(*original);
  RWBTreeDictionary assigned;
  assigned.InsertKeyAndValue(&v1, &v1);
  assigned = copy;
  std::unique_ptr<RWCollectable> clone(copy.Clone());
  original.reset();  // must not take the copies' associations with it
  EXPECT_EQ(PairsOf(copy), (Pairs{{1, 10}, {2, -1}}));
  EXPECT_EQ(PairsOf(assigned), PairsOf(copy));
  EXPECT_TRUE(clone->IsEqual(&copy));
  copy.FindValue(&k1, &k2);
  EXPECT_EQ(assigned.FindValue(&k1), &v1);
}

TEST(RWBTreeDictionaryTest, EqualityComparesKeysAndValues) {
  CountedInt k1(1);
  CountedInt k2(2);
  CountedInt v1(10);
  CountedInt v1_again(10);
  CountedInt v2(20);
  const struct {
    const char* name;
    RWCollectable* their_first_value;
    RWCollectable* their_second_value;
    bool equal;
  } cases[] = {
      {"same values", &v1, nullptr, true},
      {"equal values", &v1_again, nullptr, true},
      {"different value", &v2, nullptr, false},
      {"null against non-null", &v1, &v2, false},
      {"non-null against null", nullptr, nullptr, false},
  };
  RWBTreeDictionary mine;
  mine.InsertKeyAndValue(&k1, &v1);
  mine.InsertKeyAndValue(&k2, nullptr);
  for (const auto& c : cases) {
    RWBTreeDictionary theirs;
    theirs.InsertKeyAndValue(&k1, c.their_first_value);
    theirs.InsertKeyAndValue(&k2, c.their_second_value);
    EXPECT_EQ(mine.IsEqual(&theirs), c.equal) << c.name;
  }
  RWBTree tree;
  mine.CopyInto(tree);
  EXPECT_FALSE(mine.IsEqual(&tree));
  EXPECT_FALSE(tree.IsEqual(&mine));
}

TEST(RWBTreeDictionaryTest, SelectionAndGenericInsert) {
  std::vector<std::unique_ptr<CountedInt>> objects;
  RWBTreeDictionary dictionary;
  for (int i = 0; i < 6; ++i) {
    objects.push_back(std::make_unique<CountedInt>(i));
    objects.push_back(std::make_unique<CountedInt>(10 * i));
    dictionary.InsertKeyAndValue(objects[objects.size() - 2].get(), objects.back().get());
  }
  std::unique_ptr<RWBTreeDictionary> even(dictionary.SelectByKey(
      [](const RWCollectable* key, const void*) { return ValueOf(key) % 2 == 0 ? 1 : 0; },
      nullptr));
  EXPECT_EQ(PairsOf(*even), (Pairs{{0, 0}, {2, 20}, {4, 40}}));
  const int limit = 30;
  std::unique_ptr<RWBTreeDictionary> large(dictionary.SelectByKeyAndValue(
      [](const RWCollectable*, const RWCollectable* value, const void* client_data) {
        return ValueOf(value) > *static_cast<const int*>(client_data) ? 1 : 0;
      },
      &limit));
  EXPECT_EQ(PairsOf(*large), (Pairs{{4, 40}, {5, 50}}));

  // The generic Insert takes over associations and refuses anything else.
  CountedInt loose(99);
  EXPECT_EQ(dictionary.Insert(&loose), nullptr);
  auto* association = new RWCollectableAssociation(&loose, nullptr);
  EXPECT_EQ(dictionary.Insert(association), association);
  EXPECT_EQ(dictionary.Find(&loose), &loose);
  EXPECT_EQ(dictionary.Entries(), 7u);
  EXPECT_EQ(dictionary.IsA(), 0x8004);
}

// Select, AddAll and CopyInto between dictionaries used to hand the same associations to a second
// dictionary, and each deleted them: a double free. The receiver now holds copies of its own.
TEST(RWBTreeDictionaryTest, DictionaryFedFromAnotherDictionaryOwnsItsOwnAssociations) {
  CountedInt k1(1);
  CountedInt k2(2);
  CountedInt v1(10);
  auto dictionary = std::make_unique<RWBTreeDictionary>();
  dictionary->InsertKeyAndValue(&k1, &v1);
  dictionary->InsertKeyAndValue(&k2, nullptr);

  std::unique_ptr<RWCollectionBase> selected(dictionary->Select(
      [](const RWCollectable* association, const void*) {
        return ValueOf(static_cast<const RWCollectableAssociation*>(association)->Key()) == 1 ? 1
                                                                                              : 0;
      },
      nullptr));
  auto* selection = dynamic_cast<RWBTreeDictionary*>(selected.get());
  ASSERT_NE(selection, nullptr);
  RWBTreeDictionary added;
  added.AddAll(*dictionary);
  RWBTreeDictionary copied;
  dictionary->CopyInto(copied);
  dictionary.reset();  // its associations go with it

  EXPECT_EQ(PairsOf(*selection), (Pairs{{1, 10}}));
  EXPECT_EQ(PairsOf(added), (Pairs{{1, 10}, {2, -1}}));
  EXPECT_EQ(PairsOf(copied), (Pairs{{1, 10}, {2, -1}}));
  EXPECT_EQ(CountedInt::Live(), 3);
}

}  // namespace
