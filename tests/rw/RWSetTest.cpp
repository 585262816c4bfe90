// Set algebra of RWSet.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "rw/RWCollectableAssociation.h"
#include "rw/RWSet.h"
#include "tests/support/RwCountedInt.h"

namespace {

using vel::test::CountedInt;
using vel::test::ValueOf;

class RWSetTest : public ::testing::Test {
 protected:
  RWSetTest() {
    for (int i = 0; i < 10; ++i) {
      objects_.push_back(std::make_unique<CountedInt>(i));
    }
  }

  // A set of the objects with these values (buckets chosen small to spread over few lists).
  std::unique_ptr<RWSet> SetOf(std::initializer_list<int> values) {
    auto set = std::make_unique<RWSet>(3);
    for (int value : values) {
      set->Insert(objects_[value].get());
    }
    return set;
  }

  static std::set<int> Values(const RWSet& set) {
    std::set<int> values;
    set.Apply(
        [](RWCollectable* item, void* client_data) {
          static_cast<std::set<int>*>(client_data)->insert(ValueOf(item));
        },
        &values);
    return values;
  }

  std::vector<std::unique_ptr<CountedInt>> objects_;
};

TEST_F(RWSetTest, Subsets) {
  const struct {
    std::unique_ptr<RWSet> mine;
    std::unique_ptr<RWSet> theirs;
    bool subset;
    bool proper;
  } cases[] = {
      {SetOf({1, 2}), SetOf({1, 2, 3}), true, true},
      {SetOf({1, 2}), SetOf({2, 1}), true, false},
      {SetOf({}), SetOf({}), true, false},
      {SetOf({}), SetOf({4}), true, true},
      {SetOf({1, 5}), SetOf({1, 2, 3}), false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.mine->IsSubsetOf(*c.theirs), c.subset);
    EXPECT_EQ(c.mine->IsProperSubsetOf(*c.theirs), c.proper);
  }
}

TEST_F(RWSetTest, IntersectWithKeepsCommonMembers) {
  auto set = SetOf({1, 2, 3, 4, 5, 6});
  EXPECT_EQ(&set->IntersectWith(*SetOf({2, 4, 6, 8})), set.get());
  EXPECT_EQ(Values(*set), (std::set<int>{2, 4, 6}));
  EXPECT_EQ(set->Entries(), 3u);
  set->IntersectWith(*set);
  EXPECT_EQ(Values(*set), (std::set<int>{2, 4, 6}));
  set->IntersectWith(*SetOf({}));
  EXPECT_TRUE(set->IsEmpty());
}

TEST_F(RWSetTest, IntersectionFillsTheResult) {
  auto small = SetOf({1, 2, 9});
  auto large = SetOf({0, 2, 3, 4, 9});
  RWSet result;
  EXPECT_EQ(&small->Intersection(*large, result), &result);
  EXPECT_EQ(Values(result), (std::set<int>{2, 9}));
  RWSet turned_round;
  large->Intersection(*small, turned_round);
  EXPECT_EQ(Values(turned_round), (std::set<int>{2, 9}));
  RWSet none;
  small->Intersection(*SetOf({}), none);
  EXPECT_TRUE(none.IsEmpty());
}

// An object that is not equal to itself (an association without a key) was added again by each
// Insert, and ClearAndDestroy, which deletes every member, then deleted it twice.
TEST_F(RWSetTest, ObjectNotEqualToItselfIsHeldOnce) {
  auto* keyless = new RWCollectableAssociation;
  ASSERT_FALSE(keyless->IsEqual(keyless));
  RWSet set;
  EXPECT_EQ(set.Insert(keyless), keyless);
  EXPECT_EQ(set.Insert(keyless), keyless);
  EXPECT_EQ(set.Entries(), 1u);
  set.Resize(5);
  EXPECT_EQ(set.Entries(), 1u);
  set.ClearAndDestroy();
  EXPECT_TRUE(set.IsEmpty());
}

}  // namespace
