// The singly linked collection: positions, matching by equality, index errors and its iterator.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "rw/RWDefs.h"
#include "rw/RWHashTable.h"
#include "rw/RWSlistCollectables.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/RwCountedInt.h"
#include "tests/support/RwRecordingErrorHook.h"

namespace {

using vel::test::CountedInt;
using vel::test::RecordingErrorHook;
using vel::test::ValueOf;

std::vector<int> Values(const RWCollectionBase& collection) {
  std::vector<int> values;
  collection.Apply(
      [](RWCollectable* item, void* client_data) {
        static_cast<std::vector<int>*>(client_data)->push_back(ValueOf(item));
      },
      &values);
  return values;
}

TEST(RWSlistCollectablesTest, InsertPrependAndInsertAt) {
  CountedInt a(1);
  CountedInt b(2);
  CountedInt x(3);
  CountedInt y(4);
  RWSlistCollectables list;
  EXPECT_EQ(list.First(), nullptr);
  EXPECT_EQ(list.Last(), nullptr);
  EXPECT_EQ(list.Insert(&a), &a);
  EXPECT_EQ(list.Prepend(&b), &b);
  EXPECT_EQ(list.InsertAt(1, &x), &x);
  EXPECT_EQ(Values(list), (std::vector<int>{2, 3, 1}));
  EXPECT_EQ(list.InsertAt(3, &y), &y);  // the length itself appends
  EXPECT_EQ(list.InsertAfter(0, &a), &a);
  EXPECT_EQ(list.Append(&b), &b);
  EXPECT_EQ(Values(list), (std::vector<int>{2, 1, 3, 1, 4, 2}));
  EXPECT_EQ(list.First(), &b);
  EXPECT_EQ(list.Last(), &b);
  EXPECT_EQ(list.At(2), &x);
  list.At(2) = &y;
  EXPECT_EQ(Values(list), (std::vector<int>{2, 1, 4, 1, 4, 2}));
  EXPECT_EQ(list.Entries(), 6u);
}

TEST(RWSlistCollectablesTest, MatchingIsByTheMembersEquality) {
  CountedInt first(5);
  CountedInt second(5);
  CountedInt other(6);
  CountedInt probe(5);
  RWSlistCollectables list;
  list.Append(&other);
  list.Append(&first);
  list.Append(&second);
  EXPECT_EQ(list.Find(&probe), &first);
  EXPECT_EQ(list.Index(&probe), 1u);
  EXPECT_EQ(list.OccurrencesOf(&probe), 2u);
  EXPECT_TRUE(list.Contains(&probe));
  CountedInt absent(7);
  EXPECT_EQ(list.Index(&absent), RW_NPOS);
  EXPECT_EQ(list.Remove(&absent), nullptr);

  // Only the first equal member from the front goes.
  EXPECT_EQ(list.Remove(&probe), &first);
  EXPECT_EQ(list.Entries(), 2u);
  EXPECT_EQ(list.Find(&probe), &second);

  // By identity, an equal object is not a match.
  EXPECT_FALSE(list.ContainsReference(&probe));
  EXPECT_EQ(list.RemoveReference(&probe), nullptr);
  EXPECT_EQ(list.RemoveReference(&second), &second);
  EXPECT_EQ(Values(list), std::vector<int>{6});

  // A null member matches only a null item.
  list.Append(nullptr);
  EXPECT_EQ(list.Index(nullptr), 1u);
  EXPECT_EQ(list.Index(&absent), RW_NPOS);
}

TEST(RWSlistCollectablesTest, IndexErrors) {
  RecordingErrorHook hook;
  CountedInt a(1);
  RWSlistCollectables list;
  list.Append(&a);
  const RWSlistCollectables& view = list;
  EXPECT_EQ(view.At(1), nullptr);
  EXPECT_EQ(view.At(RW_NPOS), nullptr);
  EXPECT_EQ(list.InsertAt(2, &a), nullptr);
  EXPECT_EQ(list.InsertAfter(1, &a), nullptr);
  RWCollectable*& scratch = list.At(7);
  EXPECT_EQ(scratch, nullptr);
  EXPECT_EQ(list.Entries(), 1u);
  EXPECT_EQ(hook.Texts(),
            (std::vector<std::string>{
                "[INDEXERR] Illegal Index (1) for collection or string with 1 elements",
                "[NPOSINDEX] The value RW_NPOS cannot be used as an index.",
                "[INDEXERR] Illegal Index (2) for collection or string with 1 elements",
                "[INDEXERR] Illegal Index (1) for collection or string with 1 elements",
                "[INDEXERR] Illegal Index (7) for collection or string with 1 elements"}));
}

TEST(RWSlistCollectablesTest, EqualityCopiesAndClassIds) {
  CountedInt a(1);
  CountedInt b(2);
  CountedInt a_equal(1);
  RWSlistCollectables ab;
  ab.Append(&a);
  ab.Append(&b);
  RWSlistCollectables ba;
  ba.Append(&b);
  ba.Append(&a);
  RWSlistCollectables equal_members;
  equal_members.Append(&a_equal);
  equal_members.Append(&b);
  EXPECT_FALSE(ab.IsEqual(&ba));
  EXPECT_TRUE(ab.IsEqual(&equal_members));
  EXPECT_TRUE(ab == equal_members);
  RWHashTable table;
  table.Insert(&a);
  table.Insert(&b);
  EXPECT_FALSE(ab.IsEqual(&table));

  std::unique_ptr<RWCollectable> clone(ab.Clone());
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(clone->IsA(), 0x8033);
  EXPECT_EQ(Values(*static_cast<RWSlistCollectables*>(clone.get())), (std::vector<int>{1, 2}));
  ab.Clear();
  EXPECT_TRUE(ab.IsEmpty());
  EXPECT_EQ(clone->IsEqual(&equal_members), true);
  ab = ba;
  EXPECT_EQ(Values(ab), (std::vector<int>{2, 1}));
  EXPECT_STREQ(RWSlistCollectables::ClassName(), "RWSlistCollectables");

  {
    vel::test::FailingAllocation fail(2);  // lets the list object and its first node through
    EXPECT_EQ(ba.Clone(), nullptr);
    EXPECT_EQ(fail.Refused(), 1);
  }
  {
    vel::test::FailingAllocation fail(0);
    EXPECT_EQ(ba.Append(&a), nullptr);
    EXPECT_EQ(ba.Entries(), 2u);
  }
}

TEST(RWSlistCollectablesTest, IteratorWalksAndEdits) {
  CountedInt a(1);
  CountedInt b(2);
  CountedInt c(3);
  CountedInt b_equal(2);
  RWSlistCollectables list;
  for (RWCollectable* item : {&a, &b, &c, &b, &a}) {
    list.Append(item);
  }
  RWSlistCollectablesIterator it(list);
  EXPECT_EQ(it.Key(), nullptr);
  EXPECT_EQ(it.Next(), &a);
  EXPECT_EQ(it.Key(), &a);
  EXPECT_EQ(it.FindNext(&b_equal), &b);
  EXPECT_EQ(it.Advance(2), &b);
  EXPECT_EQ(it.Next(), &a);
  EXPECT_EQ(it.Next(), nullptr);
  EXPECT_EQ(it.Key(), nullptr);
  EXPECT_EQ(it.Next(), nullptr);

  // The address held twice: the first occurrence after the cursor goes, and the cursor stays
  // on the member before it.
  it.Reset();
  it.Next();
  EXPECT_EQ(it.RemoveNextReference(&b), &b);
  EXPECT_EQ(it.Key(), &a);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 3, 2, 1}));
  EXPECT_EQ(it.Next(), &c);
  EXPECT_EQ(it.RemoveCurrent(), &c);
  EXPECT_EQ(it.Key(), &a);
  EXPECT_EQ(it.InsertAfterPoint(&c), &c);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 3, 2, 1}));
  EXPECT_EQ(it.FindNextReference(&a), &a);
  EXPECT_EQ(it.Key(), &a);
  EXPECT_EQ(it.Next(), nullptr);
  EXPECT_EQ(it.RemoveCurrent(), nullptr);

  it.Reset();
  EXPECT_EQ(it.RemoveCurrent(), nullptr);
  const int wanted = 2;
  auto is_wanted = [](const RWCollectable* item, const void* client_data) {
    return vel::test::ValueOf(item) == *static_cast<const int*>(client_data) ? 1 : 0;
  };
  EXPECT_EQ(it.FindNext(is_wanted, &wanted), &b);
  it.Reset();
  EXPECT_EQ(it.RemoveNext(is_wanted, &wanted), &b);
  EXPECT_EQ(it.RemoveNext(is_wanted, &wanted), nullptr);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 3, 1}));
  EXPECT_EQ(list.Index(is_wanted, &wanted), RW_NPOS);
}

}  // namespace

namespace {

// Two separate chains X_k = [X_k-1, X_k-1]: comparing them naively doubles the work at every
// level, so a short stream of such lists could stall a restore (a set compares members that meet
// in one bucket). Pairs already compared are remembered, so the comparison is linear in the depth
// and still exact.
TEST(RWSlistCollectablesTest, EqualityOfDoublingChainsIsBounded) {
  auto make_chain = [](int depth, std::vector<std::unique_ptr<RWSlistCollectables>>& nodes,
                       RWCollectable* bottom) {
    nodes.push_back(std::make_unique<RWSlistCollectables>());
    if (bottom != nullptr) {
      nodes.back()->Insert(bottom);
    }
    for (int k = 0; k < depth; ++k) {
      auto next = std::make_unique<RWSlistCollectables>();
      next->Insert(nodes.back().get());
      next->Insert(nodes.back().get());
      nodes.push_back(std::move(next));
    }
    return nodes.back().get();
  };
  std::vector<std::unique_ptr<RWSlistCollectables>> nodes;
  CountedInt one(1);
  CountedInt two(2);
  // 2^60 nested comparisons would never end.
  RWSlistCollectables* left = make_chain(60, nodes, &one);
  RWSlistCollectables* right = make_chain(60, nodes, &one);
  RWSlistCollectables* other = make_chain(60, nodes, &two);
  EXPECT_TRUE(left->IsEqual(right));
  EXPECT_FALSE(left->IsEqual(other));
  EXPECT_EQ(left->Hash(), right->Hash());
  // Bags of such chains count occurrences on both sides, which compares every pair many times.
  RWHashTable left_bag(1);
  RWHashTable right_bag(1);
  for (int i = 0; i < 3; ++i) {
    left_bag.Insert(left);
    right_bag.Insert(i == 0 ? other : right);
  }
  EXPECT_FALSE(left_bag.IsEqual(&right_bag));
}

}  // namespace
