// Malformed fonts: mutations of the small test font. Every operation answers 0, unmapped or
// failure where the damage lies, never reads outside a buffer (ASan) and never hangs.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "framework/output/fonts/GMemoryBlock.h"
#include "framework/output/fonts/TrueTypeData.h"
#include "tests/framework/fonts/FontTestFixture.h"
#include "tests/framework/fonts/MalformedFonts.h"

namespace {

namespace tt = vel::truetype;
using vel::test::CompositeGlyph;
using vel::test::GlyfAndLoca;
using vel::test::SetTable;
using vel::test::SfntTable;
using vel::test::SimpleGlyph;
using vel::test::TableOf;
using vel::test::TestFontTables;
using vel::test::MalformedFontCase;
using vel::test::MalformedFontCases;
using vel::test::PutU16;

GTTFontHandle const kFont = nullptr;

class GTTFontMalformedTest : public vel::test::FontTest {};

TEST_F(GTTFontMalformedTest, EveryOperationFailsSoft) {
  for (const MalformedFontCase& c : MalformedFontCases()) {
    SCOPED_TRACE(c.name);
    std::vector<SfntTable> tables = TestFontTables();
    if (c.tables) {
      c.tables(tables);
    }
    std::vector<std::uint8_t> file = vel::test::BuildSfnt(tables);
    if (c.file) {
      c.file(file);
    }
    vel::test::MemoryFontReader reader(file);
    (void)reader.HasRequiredTables(kFont);
    (void)reader.Preload(kFont, 16);

    const std::uint16_t glyph = reader.MapCharToGlyph(kFont, false, 'A', 16);
    EXPECT_EQ(glyph == 0, c.unmapped) << "glyph " << glyph;
    for (std::uint32_t set : {3u, 16u, 17u, 18u, 23u}) {
      (void)reader.MapCharToGlyph(kFont, true, 0x8140, set);
    }

    GMemoryBlock* block = nullptr;
    (void)reader.GetGlyphData(kFont, true, 1, block);
    EXPECT_EQ(block == nullptr, c.no_glyph);
    delete block;

    std::uint16_t advance = 0;
    std::int16_t bearing = 0;
    EXPECT_EQ(reader.GetHMetrics(kFont, 3, advance, bearing) == 0, c.no_metrics);
    std::int16_t descender = 0;
    EXPECT_EQ(reader.GetTypoDescender(kFont, descender) == 0, c.no_descender);

    std::uint16_t count = 0;
    if (reader.GetNumGlyphs(kFont, count) == 1 && count > 0) {
      EXPECT_EQ(reader.CacheGlyph(kFont, static_cast<std::uint16_t>(count - 1)) == 0,
                c.composite_fails);
      for (std::uint32_t g = 0; g < count && g < 64; ++g) {
        GMemoryBlock* data = nullptr;
        (void)reader.GetGlyphData(kFont, true, static_cast<std::uint16_t>(g), data);
        delete data;
        (void)reader.GetVMetrics(kFont, static_cast<std::uint16_t>(g), advance, bearing);
      }
    }
  }
}

TEST_F(GTTFontMalformedTest, AGlyphIdPastTheGlyphCountIsNotRead) {
  vel::test::MemoryFontReader reader(vel::test::BuildSfnt(TestFontTables()));
  GMemoryBlock* block = nullptr;
  EXPECT_EQ(reader.GetGlyphData(kFont, true, vel::test::test_font::kGlyphs, block), 0u);
  EXPECT_EQ(block, nullptr);
}

}  // namespace
