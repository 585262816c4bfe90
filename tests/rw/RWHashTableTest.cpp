// Hashed collections: bucket counts and resizing, bag / set / identity-set semantics side by side,
// hashed equality, the iterator, copies and refused allocations.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "rw/RWHashTable.h"
#include "rw/RWIdentitySet.h"
#include "rw/RWSet.h"
#include "rw/RWSlistCollectables.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/RwCountedInt.h"
#include "tests/support/RwRecordingErrorHook.h"

namespace {

using vel::test::CountedInt;
using vel::test::ValueOf;

enum class Kind { kBag, kSet, kIdentitySet };

std::unique_ptr<RWHashTable> Make(Kind kind, std::uint32_t buckets = 64) {
  switch (kind) {
    case Kind::kBag:
      return std::make_unique<RWHashTable>(buckets);
    case Kind::kSet:
      return std::make_unique<RWSet>(buckets);
    case Kind::kIdentitySet:
      return std::make_unique<RWIdentitySet>(buckets);
  }
  return nullptr;
}

std::uint32_t BucketsOf(const RWCollectable* made) {
  return static_cast<const RWHashTable*>(made)->Buckets();
}

TEST(RWHashTableTest, BucketCounts) {
  RWSet ten_members;
  std::vector<std::unique_ptr<CountedInt>> objects;
  for (int i = 0; i < 10; ++i) {
    objects.push_back(std::make_unique<CountedInt>(i));
    ten_members.Insert(objects.back().get());
  }
  std::unique_ptr<RWCollectable> created_table(RWHashTable::Create());
  std::unique_ptr<RWCollectable> created_set(RWSet::Create());
  std::unique_ptr<RWCollectable> created_identity(RWIdentitySet::Create());
  std::unique_ptr<RWCollectable> instance(RWIdentitySet(3).CreateInstance());
  std::unique_ptr<RWCollectionBase> selected(
      RWSet(5).Select([](const RWCollectable*, const void*) { return 1; }, nullptr));
  std::unique_ptr<RWSet> as_set(ten_members.AsSet());
  const RWHashTable seven(7);

  const struct {
    const char* what;
    std::uint32_t buckets;
    std::uint32_t expected;
  } cases[] = {
      {"RWHashTable(0)", RWHashTable(0).Buckets(), 2},
      {"RWSet(0)", RWSet(0).Buckets(), 2},
      {"RWIdentitySet(0)", RWIdentitySet(0).Buckets(), 2},
      {"RWHashTable(7)", seven.Buckets(), 7},
      {"default RWHashTable", RWHashTable().Buckets(), 64},
      {"default RWSet", RWSet().Buckets(), 64},
      {"default RWIdentitySet", RWIdentitySet().Buckets(), 64},
      {"RWHashTable::Create", BucketsOf(created_table.get()), 64},
      {"RWSet::Create", BucketsOf(created_set.get()), 64},
      {"RWIdentitySet::Create", BucketsOf(created_identity.get()), 64},
      {"CreateInstance of RWIdentitySet(3)", BucketsOf(instance.get()), 64},
      {"Select on RWSet(5)", BucketsOf(selected.get()), 64},
      {"AsSet of 10 members", as_set->Buckets(), 5},
      {"copy of RWHashTable(7)", RWHashTable(seven).Buckets(), 7},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.buckets, c.expected) << c.what;
  }
  EXPECT_EQ(selected->IsA(), RWSet::ClassId());
  EXPECT_EQ(as_set->Entries(), 10u);
}

TEST(RWHashTableTest, ResizeRehashesEveryMember) {
  const struct {
    Kind kind;
    int members;
    std::uint32_t request;
    std::uint32_t expected;
  } cases[] = {
      {Kind::kBag, 11, 0, 16},         {Kind::kBag, 20, 0, 30}, {Kind::kBag, 0, 0, 16},
      {Kind::kSet, 12, 0, 18},         {Kind::kSet, 40, 3, 3},  {Kind::kIdentitySet, 11, 0, 16},
      {Kind::kIdentitySet, 20, 0, 30},
  };
  for (const auto& c : cases) {
    std::vector<std::unique_ptr<CountedInt>> objects;
    auto table = Make(c.kind, 2);
    for (int i = 0; i < c.members; ++i) {
      objects.push_back(std::make_unique<CountedInt>(i * 37));
      table->Insert(objects.back().get());
    }
    table->Resize(c.request);
    EXPECT_EQ(table->Buckets(), c.expected) << c.members;
    EXPECT_EQ(table->Entries(), static_cast<std::uint32_t>(c.members));
    for (const auto& object : objects) {
      EXPECT_EQ(table->Find(object.get()), object.get());
    }
  }

  // Members equal by value stay apart in an identity set and collapse in nothing else.
  CountedInt a(1);
  CountedInt a_equal(1);
  RWIdentitySet identity(1);
  identity.Insert(&a);
  identity.Insert(&a_equal);
  identity.Resize(5);
  EXPECT_EQ(identity.Entries(), 2u);
  EXPECT_EQ(identity.Find(&a_equal), &a_equal);
}

// One scenario per row, run on a bag (RWHashTable), a set (RWSet) and an identity set.
TEST(RWHashTableTest, BagSetAndIdentitySetSideBySide) {
  struct Objects {
    CountedInt a{1};
    CountedInt a_equal{1};  // equal to a by value, another object
    CountedInt b{2};
    CountedInt probe{1};  // equal to a, never inserted
    std::string Name(const RWCollectable* item) const {
      return item == &a         ? "a"
             : item == &a_equal ? "a'"
             : item == &b       ? "b"
             : item == &probe   ? "probe"
             : item == nullptr  ? "null"
                                : "?";
    }
  };
  using Scenario = std::function<std::string(RWHashTable&, Objects&)>;
  auto after = [](RWHashTable& table, const std::string& result) {
    return result + ", " + std::to_string(table.Entries()) + " held";
  };
  const struct {
    const char* scenario;
    Scenario run;
    const char* bag;
    const char* set;
    const char* identity;
  } rows[] = {
      {"insert a, then a again",
       [&](RWHashTable& t, Objects& o) {
         t.Insert(&o.a);
         return after(t, o.Name(t.Insert(&o.a)));
       },
       "a, 2 held", "a, 1 held", "a, 1 held"},
      {"insert a, then a'",
       [&](RWHashTable& t, Objects& o) {
         t.Insert(&o.a);
         return after(t, o.Name(t.Insert(&o.a_equal)));
       },
       "a', 2 held", "a, 1 held", "a', 2 held"},
      {"occurrences of a probe after a, a, a'",
       [&](RWHashTable& t, Objects& o) {
         t.Insert(&o.a);
         t.Insert(&o.a);
         t.Insert(&o.a_equal);
         return std::to_string(t.OccurrencesOf(&o.probe)) + "/" +
                std::to_string(t.OccurrencesOf(&o.a));
       },
       "3/3", "1/1", "0/1"},
      {"find a probe after a', a",
       [&](RWHashTable& t, Objects& o) {
         t.Insert(&o.a_equal);
         t.Insert(&o.a);
         return o.Name(t.Find(&o.probe)) + "/" + o.Name(t.Find(&o.a));
       },
       "a'/a'", "a'/a'", "null/a"},
      {"remove a probe after a, a', b",
       [&](RWHashTable& t, Objects& o) {
         t.Insert(&o.a);
         t.Insert(&o.a_equal);
         t.Insert(&o.b);
         return after(t, o.Name(t.Remove(&o.probe)));
       },
       "a, 2 held", "a, 1 held", "null, 3 held"},
      {"remove a after a', a",
       [&](RWHashTable& t, Objects& o) {
         t.Insert(&o.a_equal);
         t.Insert(&o.a);
         return after(t, o.Name(t.Remove(&o.a)));
       },
       "a', 1 held", "a', 0 held", "a, 1 held"},
      {"insert null",
       [&](RWHashTable& t, Objects& o) { return after(t, o.Name(t.Insert(nullptr))); },
       "null, 0 held", "null, 0 held", "null, 0 held"},
  };
  for (const auto& row : rows) {
    std::string got[3];
    for (Kind kind : {Kind::kBag, Kind::kSet, Kind::kIdentitySet}) {
      Objects objects;
      auto table = Make(kind);
      got[static_cast<int>(kind)] = row.run(*table, objects);
    }
    EXPECT_EQ(got[0], row.bag) << row.scenario << " (RWHashTable)";
    EXPECT_EQ(got[1], row.set) << row.scenario << " (RWSet)";
    EXPECT_EQ(got[2], row.identity) << row.scenario << " (RWIdentitySet)";
  }
}

TEST(RWHashTableTest, HashedEquality) {
  CountedInt a(1);
  CountedInt a_equal(1);
  CountedInt b(2);
  CountedInt b_equal(2);
  using Members = std::vector<RWCollectable*>;
  const struct {
    const char* what;
    Kind mine_kind;
    Members mine;
    Kind their_kind;
    Members theirs;
    bool equal;
  } cases[] = {
      {"bags, members equal by value",
       Kind::kBag,
       {&a, &b},
       Kind::kBag,
       {&b_equal, &a_equal},
       true},
      {"bags, different multiplicities", Kind::kBag, {&a, &a, &b}, Kind::kBag, {&a, &b, &b}, false},
      {"bags of different sizes", Kind::kBag, {&a}, Kind::kBag, {&a, &a}, false},
      {"sets, members equal by value",
       Kind::kSet,
       {&a, &b},
       Kind::kSet,
       {&a_equal, &b_equal},
       true},
      {"identity sets, same objects",
       Kind::kIdentitySet,
       {&a, &a_equal},
       Kind::kIdentitySet,
       {&a_equal, &a},
       true},
      {"identity sets, equal but distinct objects",
       Kind::kIdentitySet,
       {&a},
       Kind::kIdentitySet,
       {&a_equal},
       false},
      // Distinct members count apart: merging a and a' by value would call these equal.
      {"identity sets {a, a'} and {a, b}",
       Kind::kIdentitySet,
       {&a, &a_equal},
       Kind::kIdentitySet,
       {&a, &b},
       false},
      {"table and set, same members", Kind::kBag, {&a, &b}, Kind::kSet, {&a, &b}, false},
      {"set and identity set, same members",
       Kind::kSet,
       {&a, &b},
       Kind::kIdentitySet,
       {&a, &b},
       false},
  };
  for (const auto& c : cases) {
    auto mine = Make(c.mine_kind);
    auto theirs = Make(c.their_kind, 3);
    for (RWCollectable* item : c.mine) {
      mine->Insert(item);
    }
    for (RWCollectable* item : c.theirs) {
      theirs->Insert(item);
    }
    EXPECT_EQ(mine->IsEqual(theirs.get()), c.equal) << c.what;
    EXPECT_EQ(theirs->IsEqual(mine.get()), c.equal) << c.what << " (turned round)";
    EXPECT_EQ(*mine == *theirs, c.equal) << c.what;
    EXPECT_EQ(*mine != *theirs, !c.equal) << c.what;
  }
}

// Collections compare by value, so a set holds two equal lists once and finds either by value.
TEST(RWHashTableTest, CollectionMembersAreHashedByValue) {
  CountedInt a(1);
  CountedInt b(2);
  RWSlistCollectables first;
  RWSlistCollectables second;
  RWSlistCollectables third;
  for (RWSlistCollectables* list : {&first, &second, &third}) {
    list->Insert(&a);
    list->Insert(&b);
  }
  RWSet set;
  EXPECT_EQ(set.Insert(&first), &first);
  EXPECT_EQ(set.Insert(&second), &first);
  EXPECT_EQ(set.Entries(), 1u);
  EXPECT_TRUE(set.Contains(&third));

  RWHashTable mine;
  RWHashTable theirs;
  mine.Insert(&first);
  mine.Insert(&second);
  theirs.Insert(&third);
  theirs.Insert(&third);
  EXPECT_TRUE(mine.IsEqual(&theirs));
}

// Two bags in one bucket, each of 800 separate empty lists: every list matches every other, so
// the comparison makes 2 x 800 x 800 nested list comparisons and must still answer by value.
TEST(RWHashTableTest, LargeBagsOfEqualCollectionsCompareEqual) {
  std::vector<std::unique_ptr<RWSlistCollectables>> lists;
  RWHashTable mine(1);
  RWHashTable theirs(1);
  for (int i = 0; i < 1600; ++i) {
    lists.push_back(std::make_unique<RWSlistCollectables>());
    (i % 2 == 0 ? mine : theirs).Insert(lists.back().get());
  }
  EXPECT_TRUE(mine.IsEqual(&theirs));
  CountedInt extra(1);
  lists.back()->Insert(&extra);
  EXPECT_FALSE(mine.IsEqual(&theirs));
}

std::multiset<int> Walk(RWHashTableIterator& it) {
  std::multiset<int> seen;
  while (RWCollectable* item = it.Next()) {
    seen.insert(ValueOf(item));
  }
  return seen;
}

TEST(RWHashTableTest, IteratorWalksEveryBucket) {
  RWHashTable empty(8);
  RWHashTableIterator none(empty);
  EXPECT_EQ(none.Key(), nullptr);
  EXPECT_EQ(none.Next(), nullptr);
  EXPECT_EQ(none.Next(), nullptr);

  std::vector<std::unique_ptr<CountedInt>> objects;
  RWHashTable table(7);
  std::multiset<int> expected;
  for (int i = 0; i < 30; ++i) {
    objects.push_back(std::make_unique<CountedInt>(i % 10));
    table.Insert(objects.back().get());
    expected.insert(i % 10);
  }
  RWHashTableIterator it(table);
  EXPECT_EQ(it.Key(), nullptr);
  EXPECT_EQ(Walk(it), expected);
  EXPECT_EQ(it.Key(), nullptr);
  EXPECT_EQ(it.Next(), nullptr);

  // FindNext crosses buckets; a copy carries on from the same place.
  it.Reset();
  CountedInt four(4);
  int found = 0;
  while (it.FindNext(&four) != nullptr) {
    EXPECT_EQ(ValueOf(it.Key()), 4);
    ++found;
  }
  EXPECT_EQ(found, 3);
  it.Reset();
  it.Next();
  RWHashTableIterator copy(it);
  EXPECT_EQ(copy.Key(), it.Key());
  EXPECT_EQ(copy.Next(), it.Next());

  // Removing through the iterator lowers Entries.
  it.Reset();
  ASSERT_NE(it.Next(), nullptr);
  RWCollectable* current = it.Key();
  EXPECT_EQ(it.RemoveCurrent(), current);
  EXPECT_EQ(table.Entries(), 29u);
  const int wanted = 7;
  auto is_wanted = [](const RWCollectable* item, const void* client_data) {
    return ValueOf(item) == *static_cast<const int*>(client_data) ? 1 : 0;
  };
  int removed = 0;
  while (RWCollectable* item = it.RemoveNext(is_wanted, &wanted)) {
    EXPECT_EQ(ValueOf(item), 7);
    ++removed;
  }
  EXPECT_EQ(removed, ValueOf(current) == 7 ? 2 : 3);
  EXPECT_EQ(table.Entries(), 29u - removed);
  CountedInt seven(7);
  EXPECT_EQ(table.OccurrencesOf(&seven), 0u);
}

TEST(RWHashTableTest, CopiesAndAssignment) {
  CountedInt a(1);
  CountedInt b(2);
  CountedInt c(3);
  RWHashTable table(5);
  table.Insert(&a);
  table.Insert(&b);
  table.Insert(&a);
  RWHashTable copy(table);
  EXPECT_EQ(copy.Buckets(), 5u);
  EXPECT_TRUE(copy == table);
  copy.Remove(&a);
  EXPECT_EQ(table.OccurrencesOf(&a), 2u);

  RWHashTable assigned(40);
  assigned.Insert(&c);
  assigned = table;
  EXPECT_EQ(assigned.Buckets(), 5u);
  EXPECT_TRUE(assigned == table);
  EXPECT_FALSE(assigned.Contains(&c));
  const RWHashTable& self = assigned;
  assigned = self;
  EXPECT_EQ(assigned.Entries(), 3u);

  std::unique_ptr<RWCollectable> clone(table.Clone());
  EXPECT_TRUE(clone->IsEqual(&table));
  EXPECT_EQ(BucketsOf(clone.get()), 5u);

  vel::test::RecordingErrorHook hook;
  EXPECT_EQ(table.InsertInBucket(5, &c), nullptr);
  EXPECT_EQ(hook.Count(), 1u);
  EXPECT_EQ(table.InsertInBucket(4, &c), &c);
  EXPECT_EQ(table.Entries(), 4u);
}

TEST(RWHashTableTest, RefusedAllocationsLeaveTablesWhole) {
  std::vector<std::unique_ptr<CountedInt>> objects;
  RWSet set(4);
  for (int i = 0; i < 40; ++i) {
    objects.push_back(std::make_unique<CountedInt>(i));
    set.Insert(objects.back().get());
  }
  for (int skip : {0, 1, 5, 30}) {
    vel::test::FailingAllocation fail(skip);
    set.Resize(64);
    EXPECT_EQ(fail.Refused(), 1);
    EXPECT_EQ(set.Buckets(), 4u) << skip;
    EXPECT_EQ(set.Entries(), 40u);
  }
  for (const auto& object : objects) {
    EXPECT_EQ(set.Find(object.get()), object.get());
  }

  CountedInt extra(99);
  {
    vel::test::FailingAllocation fail(0);
    EXPECT_EQ(set.Insert(&extra), nullptr);
  }
  EXPECT_EQ(set.Entries(), 40u);
  EXPECT_EQ(set.Find(&extra), nullptr);

  vel::test::FailingAllocation fail(0);
  RWHashTable no_buckets(16);
  EXPECT_EQ(no_buckets.Buckets(), 0u);
  EXPECT_EQ(no_buckets.Insert(&extra), nullptr);
  EXPECT_EQ(no_buckets.Find(&extra), nullptr);
  EXPECT_EQ(no_buckets.Remove(&extra), nullptr);
  no_buckets.Resize(0);
  EXPECT_TRUE(no_buckets.IsEmpty());
}

}  // namespace
