// Bitmap handles: sharing one implementation, making it private, equality and the stored form.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "framework/core/FrameworkIds.h"
#include "framework/core/MPersistentComposite.h"
#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GPaletteTable.h"
#include "tests/support/FwPersistHarness.h"

namespace {

using vel::test::Carrier;

GBitmap* FourBitBitmap() {
  auto* data = new std::uint8_t[4]{0x12, 0x34, 0x56, 0x78};
  return new GBitmap(1, data, 4, 2, GPoint{0, 0}, GPoint{3, 2}, 4, 0, 0, new GPaletteTable, 0, 0,
                     0, 0, 0, 0, 0, 0);
}

FW_PERSIST_SAMPLES(vel::classid::kGBitmap,
                   {{"bitmap without implementation", [] { return new GBitmap; }},
                    {"bitmap 4-bit with palette", [] { return FourBitBitmap(); }}});

TEST(GBitmapTest, CopiesShareTheImplementationUntilMadeUnique) {
  std::unique_ptr<GBitmap> bitmap(FourBitBitmap());
  GBitmap copy(*bitmap);
  EXPECT_EQ(copy.GetImplementation(), bitmap->GetImplementation());
  EXPECT_EQ(bitmap->GetImplementation()->Uses(), 2);
  EXPECT_TRUE(copy.IsSameKey(bitmap.get()));
  copy.MakeUnique();
  EXPECT_NE(copy.GetImplementation(), bitmap->GetImplementation());
  EXPECT_EQ(bitmap->GetImplementation()->Uses(), 1);
  EXPECT_TRUE(copy.IsSameKey(bitmap.get()));  // equal implementations

  GBitmap assigned;
  assigned = *bitmap;
  assigned = assigned;
  EXPECT_EQ(assigned.GetImplementation(), bitmap->GetImplementation());
  bitmap.reset();
  EXPECT_EQ(assigned.GetImplementation()->Uses(), 1);
  std::uint8_t row[2] = {};
  EXPECT_EQ(assigned.GetRow(row, 1, 3, 1, 0), 1u);
  EXPECT_EQ(row[0], 0x67);
  EXPECT_EQ(assigned.GetBitsPerPixel(), 4);
  EXPECT_EQ(assigned.GetPalette()->GetCount(), 2u);

  GBitmap empty;
  EXPECT_TRUE(empty.IsNull());
  EXPECT_TRUE(empty.IsSameKey(std::make_unique<GBitmap>().get()));
  EXPECT_FALSE(empty.IsSameKey(&assigned));
  EXPECT_FALSE(assigned.IsSameKey(&empty));
  EXPECT_EQ(empty.GetRow(row, 0, 3, 0, 0), 0u);
  // Inside a record (after the file magic and the class id) the handle takes 22 bytes.
  EXPECT_EQ(vel::test::SaveGraph(Carrier::kFile, &empty).size(), 4u + 2 + 22);
}

// A handle's reference to an implementation that a collection received new (and frees itself) is
// refused: sharing it would free it twice.
TEST(GBitmapTest, AReferenceToAnImplementationNoHandleHoldsFailsTheRestore) {
  auto* data = new std::uint8_t[4]{1, 2, 3, 4};
  MPersistentComposite graph;
  graph.Add(new GBitmapImp(1, data, 4, 1, GPoint{0, 0}, GPoint{4, 1}, 8, 0, 0, nullptr, 0, 0, 0,
                           0, 0, 0, 0, 0));
  graph.Add(new GBitmap);
  // The handle's nil reference becomes a reference to the implementation (object 2).
  vel::test::Bytes bytes = vel::test::SaveGraph(Carrier::kFile, &graph);
  ASSERT_EQ(bytes[bytes.size() - 6], 0xFF);
  bytes[bytes.size() - 4] = 2;
  const vel::test::Restored restored = vel::test::RestoreGraph(Carrier::kFile, bytes);
  EXPECT_TRUE(restored.failed);
  EXPECT_EQ(restored.object, nullptr);
}

TEST(GBitmapTest, DirectColourRowsAreReportedAsTwentyFourBits) {
  auto* data = new std::uint8_t[40]();
  GBitmap bitmap(1, data, 40, 4, GPoint{0, 0}, GPoint{10, 1}, 32, 0, 0, nullptr, 0, 0, 0, 0, 0, 0,
                 0, 0);
  EXPECT_EQ(bitmap.GetBitsPerPixel(), 24);
  EXPECT_EQ(bitmap.GetRowByteCount(0, 10), 30u);
}

// Two handles of one implementation in one graph come back sharing one implementation.
TEST(GBitmapTest, SharedImplementationRestoresShared) {
  std::unique_ptr<GBitmap> bitmap(FourBitBitmap());
  for (Carrier carrier : vel::test::kAllCarriers) {
    MPersistentComposite composite;
    composite.Add(new GBitmap(*bitmap));
    composite.Add(new GBitmap(*bitmap));
    const auto bytes = vel::test::SaveGraph(carrier, &composite);
    auto restored = vel::test::RestoreGraph(carrier, bytes);
    ASSERT_FALSE(restored.failed) << vel::test::CarrierName(carrier);
    auto* copy = dynamic_cast<MPersistentComposite*>(restored.object);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->Count(), 2u);
    const auto* first = dynamic_cast<const GBitmap*>(copy->ChildAt(0));
    const auto* second = dynamic_cast<const GBitmap*>(copy->ChildAt(1));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->GetImplementation(), second->GetImplementation());
    EXPECT_EQ(first->GetImplementation()->Uses(), 2);
    EXPECT_TRUE(first->IsSameKey(bitmap.get()));
    vel::test::DeleteRestored(restored.object);
  }
}

}  // namespace
