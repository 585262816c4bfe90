// Binary search: every element is found at its index; misses stay inside the range.
#include <gtest/gtest.h>

#include <vector>

#include "rw/BinarySearch.h"

namespace {

int CompareInts(const void* element, const void* key) {
  const int a = *static_cast<const int*>(element);
  const int b = *static_cast<const int*>(key);
  return a < b ? -1 : a > b ? 1 : 0;
}

bool Search(const std::vector<int>& values, int key, std::size_t* index) {
  return vel::BinarySearch(&key, values.data(), values.size(), sizeof(int), &CompareInts, index);
}

TEST(BinarySearchTest, EmptyRangeIsNotFoundAtZero) {
  std::size_t index = 99;
  EXPECT_FALSE(Search({}, 5, &index));
  EXPECT_EQ(index, 0u);
}

// Odd values 1, 3, 5, ... in arrays of 1 to 33 elements: each is found where it stands, and every
// even key (below, between and above them) is a miss whose index lies inside the range.
TEST(BinarySearchTest, FindsEveryElementAndMissesInsideTheRange) {
  for (std::size_t count = 1; count <= 33; ++count) {
    std::vector<int> values;
    for (std::size_t i = 0; i < count; ++i) {
      values.push_back(static_cast<int>(2 * i + 1));
    }
    for (int key = 0; key <= static_cast<int>(2 * count); ++key) {
      SCOPED_TRACE(::testing::Message() << count << " elements, key " << key);
      std::size_t index = 99;
      const bool found = Search(values, key, &index);
      ASSERT_EQ(found, key % 2 == 1);
      ASSERT_LT(index, count);
      if (found) {
        EXPECT_EQ(values[index], key);
      }
    }
  }
}

// Where a miss ends: the high end stops at 0 below the first element (it never wraps), and the
// index is the element the search ended on, not necessarily the insertion point.
TEST(BinarySearchTest, WhereAMissEnds) {
  struct Case {
    std::vector<int> values;
    int key;
    std::size_t index;
  };
  const Case cases[] = {
      {{1, 3}, 0, 0},                     // mid 0 compares above: hi stays 0
      {{1, 3, 5}, 0, 0},                  // mid 1 above, then mid 0 above
      {{1, 3}, 2, 1},    {{1, 3}, 4, 1},  // above the last: ends on it
      {{1, 3, 5}, 2, 0},                  // mid 1 above: hi = 0
      {{1, 3, 5}, 6, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.values.size() << " elements, key " << c.key);
    std::size_t index = 99;
    EXPECT_FALSE(Search(c.values, c.key, &index));
    EXPECT_EQ(index, c.index);
  }
}

}  // namespace
