// GGlyphCodeMap (PCL XL): first come, first served codes that skip the pass-through ranges; and
// GAngle's normalisation.
#include "framework/output/fonts/GGlyphCodeMap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>

#include "framework/output/fonts/GAngle.h"

namespace {

TEST(GGlyphCodeMapTest, CodesAreGivenInOrderOfFirstUse) {
  GXLGlyphCodeMap map;
  EXPECT_EQ(map.MapGlyph(300), 256);
  EXPECT_EQ(map.MapGlyph(65000), 257);
  EXPECT_EQ(map.MapGlyph(300), 256);
  for (std::uint16_t passes : {200, 0x2005, 0xFF10, 0, 0x20FF, 0xFFFF}) {
    EXPECT_EQ(map.MapGlyph(passes), passes);
  }
  map.Clear();
  EXPECT_EQ(map.MapGlyph(65000), 256);
}

TEST(GGlyphCodeMapTest, TheCodesSkipFrom0x2000To0x2100) {
  GXLGlyphCodeMap map;
  std::uint16_t glyph = 256;
  for (int i = 0; i < 7936; ++i, ++glyph) {
    ASSERT_LT(map.MapGlyph(glyph), 0x2000);
  }
  EXPECT_EQ(map.PeekNextCode(), 0x2100);
  EXPECT_EQ(map.MapGlyph(0x3000), 0x2100);
}

TEST(GGlyphCodeMapTest, EveryMappableGlyphGetsACodeBelow0xFF00) {
  GXLGlyphCodeMap map;
  std::set<std::uint16_t> codes;
  for (std::uint32_t glyph = 256; glyph <= 0xFEFF; ++glyph) {
    const std::uint16_t code = map.MapGlyph(static_cast<std::uint16_t>(glyph));
    if (glyph >= 0x2000 && glyph <= 0x20FF) {
      continue;
    }
    ASSERT_LT(code, 0xFF00) << glyph;
    ASSERT_FALSE(code >= 0x2000 && code <= 0x20FF) << glyph;
    ASSERT_TRUE(codes.insert(code).second) << glyph;
  }
  EXPECT_EQ(codes.size(), 64768u);
  EXPECT_EQ(*codes.rbegin(), 0xFEFF);
}

TEST(GAngleTest, NormalisesIntoZeroTo360) {
  const struct {
    float in;
    float out;
  } cases[] = {{-30.0F, 330.0F}, {725.0F, 5.0F}, {-720.0F, 0.0F}, {0.0F, 0.0F},
               {359.5F, 359.5F}, {360.0F, 0.0F}, {-1e-9F, 0.0F}};
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(GAngle(c.in).GetValue(), c.out) << c.in;
  }
  for (float huge : {1e30F, -1e30F, std::numeric_limits<float>::max()}) {
    const float value = GAngle(huge).GetValue();
    EXPECT_GE(value, 0.0F) << huge;
    EXPECT_LT(value, 360.0F) << huge;
  }
  for (float odd : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                    std::numeric_limits<float>::quiet_NaN()}) {
    EXPECT_EQ(GAngle(odd).GetValue(), 0.0F);
  }
  EXPECT_NEAR(GAngle(90.0F).Sin(), 1.0F, 1e-6);
  EXPECT_NEAR(GAngle(180.0F).Cos(), -1.0F, 1e-6);
}

}  // namespace
