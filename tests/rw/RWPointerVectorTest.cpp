// Counted pointer arrays: copies own their arrays; reshaping keeps the leading pointers.
#include <gtest/gtest.h>

#include <vector>

#include "rw/RWPointerVector.h"
#include "tests/support/FailingAllocation.h"

namespace {

int g_items[4];

std::vector<void*> Slots(const RWPointerVector& v) {
  return std::vector<void*>(v.Data(), v.Data() + v.Entries());
}

TEST(RWPointerVectorTest, ConstructCopyAssignFill) {
  RWPointerVector v(3, &g_items[0]);
  EXPECT_EQ(Slots(v), std::vector<void*>(3, &g_items[0]));
  EXPECT_EQ(RWPointerVector(0, &g_items[0]).Data(), nullptr);

  RWPointerVector copy(v);
  copy[1] = &g_items[1];
  EXPECT_NE(copy.Data(), v.Data());
  EXPECT_EQ(v[1], &g_items[0]);

  RWPointerVector assigned(7);
  assigned = copy;
  EXPECT_EQ(Slots(assigned), Slots(copy));
  const RWPointerVector& self = assigned;
  assigned = self;
  EXPECT_EQ(Slots(assigned), Slots(copy));
  assigned = RWPointerVector();
  EXPECT_EQ(assigned.Entries(), 0u);
  EXPECT_EQ(assigned.Data(), nullptr);

  v.Fill(&g_items[2]);
  EXPECT_EQ(Slots(v), std::vector<void*>(3, &g_items[2]));
}

TEST(RWPointerVectorTest, ReshapeAndResizeKeepTheLeadingPointers) {
  RWPointerVector v(2, &g_items[0]);
  v[1] = &g_items[1];
  ASSERT_TRUE(v.Resize(4));
  EXPECT_EQ(Slots(v), (std::vector<void*>{&g_items[0], &g_items[1], nullptr, nullptr}));
  ASSERT_TRUE(v.Reshape(1));
  EXPECT_EQ(Slots(v), std::vector<void*>({&g_items[0]}));
  ASSERT_TRUE(v.Reshape(0));
  EXPECT_EQ(v.Data(), nullptr);
  ASSERT_TRUE(v.Reshape(2));
  EXPECT_EQ(Slots(v), std::vector<void*>(2, nullptr));
}

TEST(RWPointerVectorTest, NoMemoryKeepsAReshapedVectorAndEmptiesACopy) {
  RWPointerVector v(2, &g_items[3]);
  vel::test::FailingAllocation fail(0, -1);
  EXPECT_FALSE(v.Reshape(8));
  EXPECT_EQ(Slots(v), std::vector<void*>(2, &g_items[3]));
  RWPointerVector copy(v);
  EXPECT_EQ(copy.Entries(), 0u);
  EXPECT_EQ(copy.Data(), nullptr);
  EXPECT_EQ(RWPointerVector(5, &g_items[3]).Entries(), 0u);
  EXPECT_EQ(fail.Refused(), 3);
}

}  // namespace
