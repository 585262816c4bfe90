// The hatch pattern: the style table, the colours, and a stored hatch that stays a hatch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>
#include <memory>

#include "framework/core/FrameworkClasses.h"
#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/GHatchPattern.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GRGBColor.h"
#include "tests/support/FwPersistHarness.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;
namespace classid = vel::classid;

const GRGBColor kRed(255, 0, 0, 255);
const GRGBColor kWhite(255, 255, 255, 255);

FW_PERSIST_SAMPLES(classid::kGHatchPattern,
                   {{"hatch pattern style 4", [] { return new GHatchPattern(4, kRed, kWhite); }},
                    {"hatch pattern default", [] { return new GHatchPattern; }}});

TEST(GHatchPatternTest, StyleTable) {
  struct Case {
    std::int32_t style;
    std::uint8_t rows[8];
  };
  const Case cases[] = {
      {0, {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {1, {0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F}},
      {2, {0x3F, 0x9F, 0xCF, 0xE7, 0xF3, 0xF9, 0xFC, 0x7E}},
      {3, {0xFC, 0xF9, 0xF3, 0xE7, 0xCF, 0x9F, 0x3F, 0x7E}},
      {4, {0x27, 0x8F, 0x8F, 0x27, 0x72, 0xF8, 0xF8, 0x72}},
      {5, {0x00, 0x00, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F}},
      {7, {0x00, 0x00, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F}},
      {-1, {0x00, 0x00, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    const GHatchPattern hatch(c.style, kRed, kWhite);
    ASSERT_FALSE(hatch.IsNull());
    GRect bounds;
    hatch.GetBounds(bounds);
    EXPECT_EQ(bounds, (GRect{0, 0, 8, 8}));
    EXPECT_EQ(hatch.GetBitsPerPixel(), 1);
    EXPECT_EQ(hatch.GetAlignment(), 1);
    EXPECT_EQ(hatch.GetDataSize(), 8u);
    EXPECT_EQ(hatch.GetImplementation()->GetOwnsData(), 1);
    for (std::int32_t y = 0; y < 8; ++y) {
      std::uint8_t row = 0xAA;
      EXPECT_EQ(hatch.GetRow(&row, 0, 8, y, 0), 1u);
      EXPECT_EQ(row, c.rows[y]) << "row " << y;
    }
    const GPaletteTable* palette = hatch.GetPalette();
    ASSERT_NE(palette, nullptr);
    ASSERT_EQ(palette->GetCount(), 2u);
    EXPECT_TRUE(palette->GetEntry(0)->IsSameKey(&kRed));
    EXPECT_TRUE(palette->GetEntry(1)->IsSameKey(&kWhite));
    EXPECT_NE(palette->GetEntry(0), &kRed);  // a copy
  }
}

TEST(GHatchPatternTest, AStoredHatchRestoresAsAHatch) {
  const GHatchPattern hatch(2, kRed, kWhite);
  EXPECT_EQ(hatch.IsA(), classid::kGHatchPattern);
  for (const RWClassID kind : {classid::kGHatchPattern, classid::kGBitmap, classid::kGBaseObject}) {
    EXPECT_TRUE(hatch.IsKindOf(kind)) << kind;
  }
  for (const Carrier carrier : vel::test::kAllCarriers) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    const Bytes bytes = vel::test::SaveGraph(carrier, &hatch);
    if (carrier == Carrier::kFile) {
      EXPECT_TRUE(vel::test::BytesEqual(vel::test::HexBytes("88 88 00 00  2B 02"),
                                        Bytes(bytes.begin(), bytes.begin() + 6)));
    }
    vel::test::Restored restored = vel::test::RestoreGraph(carrier, bytes);
    ASSERT_FALSE(restored.failed);
    auto* read = dynamic_cast<GHatchPattern*>(restored.object);
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->IsSameKey(&hatch));
    // Saved again, the restored hatch (which owns its pixels) gives the same bytes.
    EXPECT_TRUE(vel::test::BytesEqual(bytes, vel::test::SaveGraph(carrier, read)));
    vel::test::DeleteRestored(read);
  }

  // A plain bitmap with the same pixels is another class.
  const GBitmap plain(hatch);
  const GBitmap* as_bitmap = &hatch;
  EXPECT_EQ(plain.GetImplementation(), hatch.GetImplementation());
  EXPECT_FALSE(as_bitmap->IsSameKey(&plain));
  EXPECT_FALSE(plain.IsSameKey(&hatch));
}

// The render-only classes are in the framework's table under their own ids and names; the hatch
// under 555, apart from the bitmap's 551.
TEST(GHatchPatternTest, RenderOnlyClassesAreRegistered) {
  const std::pair<RWClassID, std::string_view> expected[] = {
      {classid::kGTextGraphic, "GTextGraphic"},
      {classid::kGEllipseGraphic, "GEllipseGraphic"},
      {classid::kGPolyBezierGraphic, "GPolyBezierGraphic"},
      {classid::kGPolyBezierToGraphic, "GPolyBezierToGraphic"},
      {classid::kGPolyLineGraphic, "GPolyLineGraphic"},
      {classid::kGPolyLineToGraphic, "GPolyLineToGraphic"},
      {classid::kGRasterPaint, "GRasterPaint"},
      {classid::kGRasterPaintImp, "GRasterPaintImp"},
      {classid::kGHatchPattern, "GHatchPattern"},
  };
  EXPECT_EQ(classid::kGHatchPattern, 555);
  std::size_t count = 0;
  const RWClassRegistration* classes = GFrameworkClasses(&count);
  for (const auto& [id, name] : expected) {
    const auto* entry = std::find_if(classes, classes + count,
                                     [id = id](const RWClassRegistration& e) { return e.id == id; });
    ASSERT_NE(entry, classes + count) << name;
    EXPECT_EQ(std::string_view(entry->name), name);
  }
}

}  // namespace
