// The operations shared by every collection, run over each collection class: destroying members,
// bulk insertion and removal, deep copies and selection.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rw/RWBTree.h"
#include "rw/RWBTreeDictionary.h"
#include "rw/RWCollectableAssociation.h"
#include "rw/RWCollectionBase.h"
#include "rw/RWHashTable.h"
#include "rw/RWIdentitySet.h"
#include "rw/RWSet.h"
#include "rw/RWSlistCollectables.h"
#include "tests/support/RwCountedInt.h"

namespace {

using vel::test::CountedInt;
using vel::test::ValueOf;

struct Maker {
  const char* name;
  std::function<RWCollectionBase*()> make;
  // Whether the collection holds the same object more than once.
  bool repeats;
  // Whether it refuses an object equal by value to a member.
  bool unique_by_value;
};

const Maker kMakers[] = {
    {"RWSlistCollectables", [] { return new RWSlistCollectables; }, true, false},
    {"RWHashTable", [] { return new RWHashTable; }, true, false},
    {"RWSet", [] { return new RWSet; }, false, true},
    {"RWIdentitySet", [] { return new RWIdentitySet; }, false, false},
    {"RWBTree", [] { return new RWBTree; }, false, true},
};

class RWCollectionBaseTest : public ::testing::TestWithParam<Maker> {
 protected:
  std::unique_ptr<RWCollectionBase> Make() {
    return std::unique_ptr<RWCollectionBase>(GetParam().make());
  }
};

TEST_P(RWCollectionBaseTest, ClearAndDestroyDeletesEachObjectOnce) {
  ASSERT_EQ(CountedInt::Live(), 0);
  auto collection = Make();
  auto* thrice = new CountedInt(1);
  for (int i = 0; i < 3; ++i) {
    collection->Insert(thrice);
  }
  for (int i = 2; i < 40; ++i) {
    collection->Insert(new CountedInt(i));
  }
  EXPECT_EQ(collection->Entries(), GetParam().repeats ? 41u : 39u);
  EXPECT_EQ(CountedInt::Live(), 39);
  collection->ClearAndDestroy();
  EXPECT_EQ(CountedInt::Live(), 0);
  EXPECT_TRUE(collection->IsEmpty());
  EXPECT_EQ(collection->Entries(), 0u);
}

// Equal collections hash alike, so that a hashed collection finds a collection member by value.
TEST_P(RWCollectionBaseTest, EqualCollectionsHashAlike) {
  CountedInt one(1);
  CountedInt two(2);
  CountedInt one_again(1);
  CountedInt two_again(2);
  auto mine = Make();
  auto theirs = Make();
  mine->Insert(&one);
  mine->Insert(&two);
  // The identity set matches by address: only the same objects make an equal one.
  const bool by_address = dynamic_cast<RWIdentitySet*>(mine.get()) != nullptr;
  theirs->Insert(by_address ? &one : &one_again);
  theirs->Insert(by_address ? &two : &two_again);
  ASSERT_TRUE(mine->IsEqual(theirs.get()));
  EXPECT_EQ(mine->Hash(), theirs->Hash());
}

TEST_P(RWCollectionBaseTest, RemoveAndDestroy) {
  auto collection = Make();
  auto* held = new CountedInt(1);
  collection->Insert(held);
  CountedInt absent(2);
  EXPECT_FALSE(collection->RemoveAndDestroy(&absent));
  EXPECT_EQ(CountedInt::Live(), 2);
  EXPECT_EQ(collection->Entries(), 1u);
  EXPECT_TRUE(collection->RemoveAndDestroy(held));
  EXPECT_EQ(CountedInt::Live(), 1);
  EXPECT_TRUE(collection->IsEmpty());
}

TEST_P(RWCollectionBaseTest, BulkOperations) {
  std::vector<std::unique_ptr<CountedInt>> objects;
  RWSlistCollectables source;
  for (int i = 0; i < 6; ++i) {
    objects.push_back(std::make_unique<CountedInt>(i));
    source.Append(objects.back().get());
  }
  auto collection = Make();
  collection->AddAll(source);
  EXPECT_EQ(collection->Entries(), 6u);
  EXPECT_TRUE(collection->Contains(objects[3].get()));

  // A collection fed with its own members ends (a list does not chase its new tail).
  collection->AddAll(*collection);
  EXPECT_EQ(collection->Entries(), GetParam().repeats ? 12u : 6u);
  collection->RemoveAll(*collection);
  EXPECT_TRUE(collection->IsEmpty());

  source.CopyInto(*collection);
  RWSlistCollectables some;
  some.Append(objects[0].get());
  some.Append(objects[5].get());
  collection->RemoveAll(some);
  EXPECT_EQ(collection->Entries(), 4u);
  EXPECT_FALSE(collection->Contains(objects[5].get()));

  std::unique_ptr<RWCollectionBase> odd(collection->Select(
      [](const RWCollectable* item, const void*) { return ValueOf(item) % 2; }, nullptr));
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(odd->IsA(), collection->IsA());
  EXPECT_EQ(odd->Entries(), 2u);
  EXPECT_TRUE(odd->Contains(objects[1].get()));
  EXPECT_TRUE(odd->Contains(objects[3].get()));

  std::unique_ptr<RWSet> set(collection->AsSet());
  EXPECT_EQ(set->Entries(), 4u);
}

TEST_P(RWCollectionBaseTest, CopyDeepIntoDeletesRefusedCopies) {
  auto* one = new CountedInt(1);
  auto* two = new CountedInt(2);
  {
    auto collection = Make();
    collection->Insert(one);
    collection->Insert(two);
    RWSet target;
    CountedInt held_one(1);
    target.Insert(&held_one);
    collection->CopyDeepInto(target);  // the copy of `one` is refused by the set
    EXPECT_EQ(target.Entries(), 2u);
    EXPECT_EQ(target.Find(one), &held_one);
    EXPECT_EQ(CountedInt::Live(), 4);
    target.Remove(&held_one);
    target.ClearAndDestroy();
    EXPECT_EQ(CountedInt::Live(), 3);

    // Deep copies into itself: the clones are new objects, equal by value to the members.
    collection->CopyDeepInto(*collection);
    EXPECT_EQ(collection->Entries(), GetParam().unique_by_value ? 2u : 4u);
    collection->ClearAndDestroy();
    EXPECT_EQ(CountedInt::Live(), 1);  // held_one
  }
  EXPECT_EQ(CountedInt::Live(), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryCollection,
                         RWCollectionBaseTest,
                         ::testing::ValuesIn(kMakers),
                         [](const ::testing::TestParamInfo<Maker>& info) {
                           return std::string(info.param.name);
                         });

// The classes that the class factory will know: class-name string, class id and create function,
// whose object answers the same class id.
TEST(RWCollectionClassesTest, NamesIdsAndCreateFunctions) {
  const struct {
    const char* name;
    RWClassID id;
    const char* expected_name;
    RWClassID expected_id;
    RWCollectable* (*create)();
  } classes[] = {
      {RWHashTable::ClassName(), RWHashTable::ClassId(), "RWHashTable", 0x805E,
       RWHashTable::Create},
      {RWSet::ClassName(), RWSet::ClassId(), "RWSet", 0x802B, RWSet::Create},
      {RWIdentitySet::ClassName(), RWIdentitySet::ClassId(), "RWIdentitySet", 0x8025,
       RWIdentitySet::Create},
      {RWBTree::ClassName(), RWBTree::ClassId(), "RWBTree", 0x8003, RWBTree::Create},
      {RWBTreeDictionary::ClassName(), RWBTreeDictionary::ClassId(), "RWBTreeDictionary", 0x8004,
       RWBTreeDictionary::Create},
      {RWCollectableAssociation::ClassName(), RWCollectableAssociation::ClassId(),
       "RWCollectableAssociation", 0x8008, RWCollectableAssociation::Create},
      {RWCollectableIDAssociation::ClassName(), RWCollectableIDAssociation::ClassId(),
       "RWCollectableIDAssociation", 0x805F, RWCollectableIDAssociation::Create},
      {RWSlistCollectables::ClassName(), RWSlistCollectables::ClassId(), "RWSlistCollectables",
       0x8033, RWSlistCollectables::Create},
  };
  for (const auto& c : classes) {
    EXPECT_STREQ(c.name, c.expected_name);
    EXPECT_EQ(c.id, c.expected_id) << c.expected_name;
    std::unique_ptr<RWCollectable> made(c.create());
    ASSERT_NE(made, nullptr) << c.expected_name;
    EXPECT_EQ(made->IsA(), c.expected_id) << c.expected_name;
    std::unique_ptr<RWCollectable> clone(made->Clone());
    std::unique_ptr<RWCollectable> fresh(made->CreateInstance());
    EXPECT_EQ(clone->IsA(), c.expected_id) << c.expected_name;
    EXPECT_EQ(fresh->IsA(), c.expected_id) << c.expected_name;
  }
  // The abstract base answers its own id and is never created.
  RWSlistCollectables list;
  EXPECT_EQ(list.RWCollectionBase::IsA(), 0x801D);
  EXPECT_EQ(RWCollectionBase::ClassId(), 0x801D);
}

}  // namespace
