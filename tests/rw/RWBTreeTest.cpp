// The in-memory B-tree: node shapes, ordering and a long randomized run against std::set.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <vector>

#include "rw/RWBTree.h"
#include "rw/RWSlistCollectables.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/RwCountedInt.h"

namespace {

using vel::test::CountedInt;
using vel::test::ValueOf;

struct NodeShape {
  std::uint32_t depth;
  std::uint32_t members;
  bool leaf;
};

std::vector<NodeShape> Shapes(const RWBTree& tree) {
  std::vector<NodeShape> shapes;
  tree.VisitNodes(
      [](std::uint32_t depth, std::uint32_t members, bool leaf, void* client_data) {
        static_cast<std::vector<NodeShape>*>(client_data)->push_back({depth, members, leaf});
      },
      &shapes);
  return shapes;
}

std::vector<int> Values(const RWCollectionBase& collection) {
  std::vector<int> values;
  collection.Apply(
      [](RWCollectable* item, void* client_data) {
        static_cast<std::vector<int>*>(client_data)->push_back(ValueOf(item));
      },
      &values);
  return values;
}

// The structural rules of the tree: the root holds 1 to 100 members, every other node 50 to 100;
// all leaves lie at one depth; node counts add up to Entries.
::testing::AssertionResult WellFormed(const RWBTree& tree) {
  std::uint64_t total = 0;
  std::uint32_t leaf_depth = 0;
  bool seen_leaf = false;
  for (const NodeShape& shape : Shapes(tree)) {
    const std::uint32_t low = shape.depth == 0 ? 1 : RWBTree::kOrder;
    if (shape.members < low || shape.members > RWBTree::kMaxMembers) {
      return ::testing::AssertionFailure()
             << "node at depth " << shape.depth << " holds " << shape.members << " members";
    }
    if (shape.leaf) {
      if (seen_leaf && shape.depth != leaf_depth) {
        return ::testing::AssertionFailure()
               << "leaves at depths " << leaf_depth << " and " << shape.depth;
      }
      seen_leaf = true;
      leaf_depth = shape.depth;
    }
    total += shape.members;
  }
  if (total != tree.Entries()) {
    return ::testing::AssertionFailure()
           << "nodes hold " << total << ", Entries is " << tree.Entries();
  }
  if (tree.IsEmpty() != (tree.Entries() == 0) ||
      (seen_leaf ? leaf_depth + 1 : 0) != tree.Height()) {
    return ::testing::AssertionFailure() << "Height or IsEmpty disagrees with the nodes";
  }
  return ::testing::AssertionSuccess();
}

// Objects 0 .. n-1, owned by the test.
std::vector<std::unique_ptr<CountedInt>> Pool(int n) {
  std::vector<std::unique_ptr<CountedInt>> pool;
  for (int i = 0; i < n; ++i) {
    pool.push_back(std::make_unique<CountedInt>(i));
  }
  return pool;
}

TEST(RWBTreeTest, HundredAndFirstInsertSplitsTheRoot) {
  auto pool = Pool(102);
  RWBTree tree;
  for (int i = 1; i <= 100; ++i) {
    ASSERT_EQ(tree.Insert(pool[i].get()), pool[i].get());
  }
  ASSERT_EQ(Shapes(tree).size(), 1u);
  EXPECT_EQ(tree.Height(), 1u);

  tree.Insert(pool[101].get());
  const std::vector<NodeShape> shapes = Shapes(tree);
  ASSERT_EQ(shapes.size(), 3u);
  EXPECT_EQ(shapes[0].members, 1u);
  EXPECT_EQ(shapes[1].members, 50u);
  EXPECT_EQ(shapes[2].members, 50u);
  EXPECT_EQ(tree.Height(), 2u);
  // The root holds the 51st item in order, 51.
  CountedInt probe(51);
  EXPECT_EQ(tree.Find(&probe), pool[51].get());
  std::vector<int> expected;
  for (int i = 1; i <= 101; ++i) {
    expected.push_back(i);
  }
  EXPECT_EQ(Values(tree), expected);

  // Removing the root's member swaps in its predecessor and keeps the sequence.
  EXPECT_EQ(tree.Remove(&probe), pool[51].get());
  expected.erase(expected.begin() + 50);
  EXPECT_EQ(Values(tree), expected);
  EXPECT_TRUE(WellFormed(tree));
}

TEST(RWBTreeTest, EqualItemsEmptyTreesAndNulls) {
  RWBTree tree;
  CountedInt a(1);
  CountedInt a_again(1);
  EXPECT_EQ(tree.Find(&a), nullptr);
  EXPECT_EQ(tree.Remove(&a), nullptr);
  EXPECT_EQ(tree.Height(), 0u);
  EXPECT_TRUE(tree.IsEmpty());

  EXPECT_EQ(tree.Insert(&a), &a);
  EXPECT_EQ(tree.Insert(&a_again), &a);
  EXPECT_EQ(tree.Entries(), 1u);
  EXPECT_EQ(tree.OccurrencesOf(&a_again), 1u);

  EXPECT_EQ(tree.Insert(nullptr), nullptr);
  EXPECT_EQ(tree.Find(nullptr), nullptr);
  EXPECT_EQ(tree.Remove(nullptr), nullptr);
  EXPECT_EQ(tree.Entries(), 1u);

  EXPECT_EQ(tree.Remove(&a_again), &a);
  EXPECT_TRUE(tree.IsEmpty());
  EXPECT_EQ(tree.Height(), 0u);
}

TEST(RWBTreeTest, EqualityCopiesAndClassIds) {
  auto pool = Pool(300);
  RWBTree tree;
  for (int i = 0; i < 300; i += 2) {
    tree.Insert(pool[i].get());
  }
  RWBTree copy(tree);
  EXPECT_TRUE(copy.IsEqual(&tree));
  EXPECT_EQ(Values(copy), Values(tree));
  copy.Remove(pool[0].get());
  copy.Insert(pool[1].get());
  EXPECT_FALSE(copy.IsEqual(&tree));

  // A list holding the same members is a different class.
  RWSlistCollectables list;
  tree.CopyInto(list);
  EXPECT_FALSE(tree.IsEqual(&list));
  RWBTree from_list(list);
  EXPECT_TRUE(from_list.IsEqual(&tree));
  from_list = copy;
  EXPECT_TRUE(from_list.IsEqual(&copy));

  std::unique_ptr<RWCollectable> fresh(tree.CreateInstance());
  EXPECT_EQ(fresh->IsA(), 0x8003);
  EXPECT_EQ(RWBTree::ClassId(), 0x8003);
  EXPECT_STREQ(RWBTree::ClassName(), "RWBTree");
  std::unique_ptr<RWCollectable> made(RWBTree::Create());
  EXPECT_TRUE(static_cast<RWBTree*>(made.get())->IsEmpty());
}

TEST(RWBTreeTest, RefusedNodeAllocationLeavesTheTreeUntouched) {
  auto pool = Pool(200);
  RWBTree tree;
  for (int i = 0; i < 100; ++i) {
    tree.Insert(pool[i].get());
  }
  {
    // The 101st member needs a sibling and a new root.
    vel::test::FailingAllocation fail(1);
    EXPECT_EQ(tree.Insert(pool[150].get()), nullptr);
    EXPECT_EQ(fail.Refused(), 1);
  }
  EXPECT_EQ(tree.Entries(), 100u);
  EXPECT_EQ(tree.Height(), 1u);
  EXPECT_EQ(tree.Find(pool[150].get()), nullptr);
  EXPECT_EQ(tree.Insert(pool[150].get()), pool[150].get());
  EXPECT_TRUE(WellFormed(tree));
}

// Mixed inserts, removes and finds against std::set; the structure is checked after every step.
TEST(RWBTreeTest, RandomizedAgainstStdSet) {
  constexpr int kKeys = 16000;
  constexpr int kSteps = 40000;
  auto pool = Pool(kKeys);
  RWBTree tree;
  std::set<int> oracle;
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> key_of(0, kKeys - 1);
  std::uniform_int_distribution<int> percent(0, 99);
  std::uint32_t tallest = 0;

  for (int step = 0; step < kSteps; ++step) {
    // Mostly growing in the first half, mostly shrinking in the second, so that splits and
    // merges happen on several levels.
    const int insert_share = step < kSteps / 2 ? 70 : 20;
    const int roll = percent(random);
    const int key = key_of(random);
    CountedInt probe(key);
    if (roll < insert_share) {
      RWCollectable* result = tree.Insert(pool[key].get());
      const bool added = oracle.insert(key).second;
      ASSERT_EQ(result, pool[key].get()) << "step " << step;
      if (!added) {
        // An equal probe is refused with the member already held.
        ASSERT_EQ(tree.Insert(&probe), pool[key].get());
      }
    } else if (roll < insert_share + 20) {
      RWCollectable* removed = tree.Remove(&probe);
      ASSERT_EQ(removed, oracle.erase(key) == 1 ? pool[key].get() : nullptr) << "step " << step;
    } else {
      ASSERT_EQ(tree.Find(&probe), oracle.count(key) == 1 ? pool[key].get() : nullptr)
          << "step " << step;
    }
    ASSERT_EQ(tree.Entries(), oracle.size()) << "step " << step;
    ASSERT_TRUE(WellFormed(tree)) << "step " << step;
    if (step % 500 == 0) {
      ASSERT_EQ(Values(tree), std::vector<int>(oracle.begin(), oracle.end())) << "step " << step;
    }
    tallest = std::max(tallest, tree.Height());
  }
  EXPECT_GE(tallest, 3u);
  ASSERT_EQ(Values(tree), std::vector<int>(oracle.begin(), oracle.end()));

  // Removing every member one by one leaves the root null.
  for (int key : std::vector<int>(oracle.begin(), oracle.end())) {
    ASSERT_EQ(tree.Remove(pool[key].get()), pool[key].get());
    ASSERT_TRUE(WellFormed(tree));
  }
  EXPECT_TRUE(tree.IsEmpty());
  EXPECT_EQ(tree.Height(), 0u);
}

}  // namespace
