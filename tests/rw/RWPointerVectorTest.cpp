// Counted pointer arrays: copies own their arrays; reshaping keeps the leading pointers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rw/RWDefs.h"
#include "rw/RWPointerVector.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/RwRecordingErrorHook.h"

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

TEST(RWPointerVectorTest, CheckedAccessRaisesIndexErrors) {
  vel::test::RecordingErrorHook hook;
  RWPointerVector v(3, &g_items[1]);
  const RWPointerVector& view = v;
  EXPECT_EQ(view.At(2), &g_items[1]);
  v.At(0) = &g_items[2];
  EXPECT_EQ(v[0], &g_items[2]);
  EXPECT_EQ(hook.Count(), 0u);

  EXPECT_EQ(view.At(3), nullptr);
  void*& scratch = v.At(RW_NPOS);
  EXPECT_EQ(scratch, nullptr);
  scratch = &g_items[3];  // lands outside the vector
  EXPECT_EQ(Slots(v), (std::vector<void*>{&g_items[2], &g_items[1], &g_items[1]}));
  EXPECT_EQ(hook.Texts(),
            (std::vector<std::string>{
                "[INDEXERR] Illegal Index (3) for collection or string with 3 elements",
                "[NPOSINDEX] The value RW_NPOS cannot be used as an index."}));
}

TEST(RWPointerVectorTest, SwapExchangesArrays) {
  RWPointerVector a(1, &g_items[0]);
  RWPointerVector b(3, &g_items[1]);
  void* const* a_data = a.Data();
  a.Swap(b);
  EXPECT_EQ(a.Entries(), 3u);
  EXPECT_EQ(b.Entries(), 1u);
  EXPECT_EQ(b.Data(), a_data);
  EXPECT_EQ(a[2], &g_items[1]);
}

}  // namespace
