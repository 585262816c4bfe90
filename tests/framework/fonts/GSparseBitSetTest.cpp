// GSparseBitSet: blocks in order, membership, removal and the ascending walk.
#include "framework/output/fonts/GSparseBitSet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

namespace {

std::vector<std::uint32_t> Numbers(const GSparseBitSet& set) {
  std::vector<std::uint32_t> numbers;
  (void)set.ForEach(
      [](std::uint32_t n, void* context) -> std::uint32_t {
        static_cast<std::vector<std::uint32_t>*>(context)->push_back(n);
        return n + 1;
      },
      &numbers);
  return numbers;
}

TEST(GSparseBitSetTest, BlocksAreKeptInOrderOfBase) {
  GSparseBitSet set;
  ASSERT_TRUE(set.Add(5));
  ASSERT_TRUE(set.Add(300));
  ASSERT_TRUE(set.Add(130));
  EXPECT_EQ(set.BlockCount(), 3u);
  EXPECT_EQ(Numbers(set), (std::vector<std::uint32_t>{5, 130, 300}));
  // The walk answers the last callback's result.
  EXPECT_EQ(set.ForEach([](std::uint32_t n, void*) -> std::uint32_t { return n * 2; }, nullptr),
            600u);
}

TEST(GSparseBitSetTest, NeighboursAcrossABlockEdgeNeedTwoBlocks) {
  GSparseBitSet set;
  ASSERT_TRUE(set.Add(127));
  ASSERT_TRUE(set.Add(128));
  EXPECT_EQ(set.BlockCount(), 2u);
  EXPECT_TRUE(set.Contains(127));
  EXPECT_TRUE(set.Contains(128));
  EXPECT_FALSE(set.Contains(255));
  EXPECT_FALSE(set.Contains(0));
  ASSERT_TRUE(set.Add(0xFFFFFFFF));
  EXPECT_TRUE(set.Contains(0xFFFFFFFF));
  EXPECT_FALSE(set.Contains(0xFFFFFF80));
}

TEST(GSparseBitSetTest, RemovingKeepsTheBlock) {
  GSparseBitSet set;
  set.Remove(5);
  EXPECT_TRUE(set.IsEmpty());
  ASSERT_TRUE(set.Add(5));
  set.Remove(5);
  EXPECT_FALSE(set.Contains(5));
  EXPECT_EQ(set.BlockCount(), 1u);
  EXPECT_TRUE(Numbers(set).empty());
  set.RemoveAll();
  EXPECT_TRUE(set.IsEmpty());
}

TEST(GSparseBitSetTest, AnEmptySetCallsNothingAndAnswersZero) {
  GSparseBitSet set;
  int calls = 0;
  EXPECT_EQ(set.ForEach(
                [](std::uint32_t, void* context) -> std::uint32_t {
                  ++*static_cast<int*>(context);
                  return 7;
                },
                &calls),
            0u);
  EXPECT_EQ(calls, 0);
}

TEST(GSparseBitSetTest, AgreesWithAStandardSetOverScatteredNumbers) {
  GSparseBitSet set;
  std::set<std::uint32_t> reference;
  std::uint32_t x = 12345;
  for (int i = 0; i < 5000; ++i) {
    x = x * 1103515245U + 12345U;
    const std::uint32_t n = 0x10000 + (x >> 8) % 70000;
    ASSERT_TRUE(set.Add(n));
    reference.insert(n);
    if (i % 7 == 0) {
      set.Remove(n);
      reference.erase(n);
    }
  }
  EXPECT_EQ(Numbers(set), std::vector<std::uint32_t>(reference.begin(), reference.end()));
  for (std::uint32_t n = 0x10000; n < 0x10000 + 70000; n += 13) {
    EXPECT_EQ(set.Contains(n), reference.count(n) != 0) << n;
  }
}

}  // namespace
