// The TrueType reader over synthetic fonts: tables and the caching rules, glyphs and composites,
// metrics, the character map and the vertical substitutes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "framework/output/fonts/GGlyphCache.h"
#include "framework/output/fonts/GMemoryBlock.h"
#include "framework/output/fonts/GTTTableCache.h"
#include "framework/output/fonts/TrueTypeData.h"
#include "tests/framework/fonts/FontTestFixture.h"

namespace {

namespace tt = vel::truetype;
using vel::test::CmapFormat2;
using vel::test::CmapFormat4;
using vel::test::CmapOf;
using vel::test::CompositeGlyph;
using vel::test::GlyfAndLoca;
using vel::test::MemoryFontReader;
using vel::test::RemoveTable;
using vel::test::SetTable;
using vel::test::SfntTable;
using vel::test::SimpleGlyph;
using vel::test::TestFontTables;

GTTFontHandle const kFont = reinterpret_cast<GTTFontHandle>(std::uintptr_t{0x1234});

class GTTFontReaderTest : public vel::test::FontTest {};

// Glyphs 0-2 of the test font, then composites: 3 = 1 (byte args) + 2 (word args, scale),
// 4 = 1 (x and y scale), 5 = 2 (2 by 2, word args), 6 = 3 + 4 (a composite of composites).
std::vector<SfntTable> CompositeFont(bool long_loca) {
  std::vector<SfntTable> tables = TestFontTables({.long_loca = long_loca});
  const std::vector<std::vector<std::uint8_t>> glyphs = {
      {},
      SimpleGlyph({{0, 0}, {0, 1024}, {1024, 1024}, {1024, 0}}),
      SimpleGlyph({{100, 0}, {600, 1400}, {1100, 0}}),
      CompositeGlyph({{0x0000, 1}, {0x0001 | 0x0008, 2}}),
      CompositeGlyph({{0x0040, 1}}),
      CompositeGlyph({{0x0001 | 0x0080, 2}}),
      CompositeGlyph({{0x0000, 3}, {0x0000, 4}}),
  };
  auto [glyf, loca] = GlyfAndLoca(glyphs, long_loca);
  SetTable(tables, "glyf", glyf);
  SetTable(tables, "loca", loca);
  std::vector<std::uint8_t>& maxp = vel::test::TableOf(tables, "maxp");
  maxp[5] = static_cast<std::uint8_t>(glyphs.size());
  return tables;
}

TEST_F(GTTFontReaderTest, GlyphIndexSetAnswersTheCodeWithoutReadingTheFont) {
  auto reader = ReaderOf(TestFontTables());
  EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 0x4321, 1), 0x4321);
  EXPECT_EQ(reader->Calls().table_length + reader->Calls().read_table +
                reader->Calls().read_range,
            0);
}

TEST_F(GTTFontReaderTest, MapsTheTestFontAndPassesTheHandleThrough) {
  auto reader = ReaderOf(TestFontTables());
  EXPECT_EQ(reader->HasRequiredTables(kFont), 1);
  EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 'A', 16), 1);
  EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 'B', 16), 2);
  EXPECT_EQ(reader->MapCharToGlyph(kFont, false, ' ', 16), 3);
  EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 'C', 16), 0);
  EXPECT_EQ(reader->LastHandle(), kFont);
}

TEST_F(GTTFontReaderTest, SymbolFontLooksCodesUpInTheF000Page) {
  auto reader = ReaderOf(TestFontTables({.symbol = true}));
  EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 0x41, 3), 1);
  EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 0x42, 3), 2);
}

TEST_F(GTTFontReaderTest, ChoosesTheSubtableTheCharacterSetPrefers) {
  const std::vector<std::uint8_t> sub = CmapFormat4({{'A', 1}}, false);
  struct Case {
    std::vector<std::pair<std::uint16_t, std::uint16_t>> records;  // (platform, encoding)
    std::uint32_t char_set;
    std::uint16_t chosen;  // the encoding, 0xFFFF for none
  } cases[] = {
      {{{3, 1}}, 17, 1},                  // only (3,1): taken for set 17
      {{{3, 1}, {3, 2}}, 17, 2},          // a better encoding later replaces it
      {{{3, 2}, {3, 1}}, 17, 2},          // the best stops the walk
      {{{3, 10}, {3, 1}}, 16, 1},         // the first of the platform, then a better one
      {{{1, 0}, {0, 3}}, 16, 0xFFFF},     // no Windows subtable
      {{{3, 3}, {3, 4}}, 23, 4},
      {{{3, 4}, {3, 3}}, 18, 3},
  };
  for (const Case& c : cases) {
    std::vector<vel::test::CmapSubtable> subtables;
    for (const auto& [platform, encoding] : c.records) {
      subtables.push_back({platform, encoding, sub});
    }
    const std::vector<std::uint8_t> cmap = CmapOf(subtables);
    const tt::CmapChoice choice =
        tt::ChooseCmapSubtable(tt::ByteView(cmap.data(), static_cast<std::uint32_t>(cmap.size())),
                               c.char_set);
    EXPECT_EQ(choice.found ? choice.encoding : 0xFFFF, c.chosen) << "set " << c.char_set;
  }
}

TEST_F(GTTFontReaderTest, Format4MapsThroughDeltasAndThroughTheGlyphArray) {
  const std::vector<std::pair<std::uint16_t, std::uint16_t>> map = {
      {'A', 1}, {'B', 2}, {'Z', 3}, {0x4E2D, 2}, {0x4E2E, 1}, {0xFFFE, 3}};
  for (bool range_offsets : {false, true}) {
    SCOPED_TRACE(range_offsets ? "glyph array" : "deltas");
    std::vector<SfntTable> tables = TestFontTables();
    SetTable(tables, "cmap", CmapOf({{3, 1, CmapFormat4(map, range_offsets)}}));
    auto reader = ReaderOf(tables);
    for (const auto& [code, glyph] : map) {
      EXPECT_EQ(reader->MapCharToGlyph(kFont, false, code, 16), glyph) << code;
    }
    EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 'C', 16), 0);
    EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 0x4E2F, 16), 0);
  }
}

TEST_F(GTTFontReaderTest, SetsTakeTheirOwnSubtableInTurnAndAFontWithoutOS2MapsNothing) {
  // A (3,1) format-4 and a (3,2) format-2 subtable: the remembered choice follows the set.
  std::vector<SfntTable> tables = TestFontTables();
  SetTable(tables, "cmap", CmapOf({{3, 1, CmapFormat4({{'A', 1}, {0x4E2D, 2}}, true)},
                                   {3, 2, CmapFormat2({{0x41, 3}, {0x889F, 2}})}}));
  auto reader = ReaderOf(tables);
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 0x4E2D, 16), 2);
    EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 0x41, 17), 3);
    EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 0x889F, 17), 2);
    EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 'A', 16), 1);
  }
  // Without 'OS/2' no set maps, including those whose subtable would not need it.
  RemoveTable(tables, "OS/2");
  auto without = ReaderOf(tables);
  for (std::uint32_t char_set : {16u, 17u, 0u, 3u}) {
    EXPECT_EQ(without->MapCharToGlyph(kFont, false, 'A', char_set), 0) << char_set;
    EXPECT_EQ(without->MapCharToGlyph(kFont, false, 0x4E2D, char_set), 0) << char_set;
  }
  EXPECT_EQ(without->MapCharToGlyph(kFont, false, 'A', 1), 'A');
}

TEST_F(GTTFontReaderTest, Format2MapsSingleAndDoubleByteCodes) {
  // Set 17 takes a (3,2) subtable and looks its codes up as they are.
  const std::vector<std::pair<std::uint16_t, std::uint16_t>> map = {
      {0x41, 1}, {165, 2}, {0x8140, 3}, {0x8145, 1}, {0x889F, 2}};
  std::vector<SfntTable> tables = TestFontTables();
  SetTable(tables, "cmap", CmapOf({{3, 2, CmapFormat2(map)}}));
  auto reader = ReaderOf(tables);
  for (const auto& [code, glyph] : map) {
    EXPECT_EQ(reader->MapCharToGlyph(kFont, false, code, 17), glyph) << code;
  }
  EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 0x8141, 17), 0);  // inside the range, no glyph
  EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 0x8150, 17), 0);  // past the entry count
}

TEST_F(GTTFontReaderTest, DoubleByteOnlyFontsMapUnicodeThroughTheirCodePages) {
  // U+4E2D is D6D0 in code page 936 (PRC, encoding 3) and A4A4 in 950 (Big5, encoding 4).
  struct Case {
    std::uint16_t encoding;
    std::uint16_t code;
  } cases[] = {{3, 0xD6D0}, {4, 0xA4A4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.encoding);
    std::vector<SfntTable> tables = TestFontTables();
    SetTable(tables, "cmap", CmapOf({{3, c.encoding, CmapFormat2({{c.code, 2}, {'A', 1}})}}));
    auto reader = ReaderOf(tables);
    // Without a translator (the UI module) nothing converts.
    EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 0x4E2D, 16), HasTranslator() ? 2 : 0);
  }
}

TEST_F(GTTFontReaderTest, VerticalFormsComeFromMortFirstThenGsub) {
  struct Case {
    const char* name;
    std::vector<SfntTable> extra;
    std::uint16_t vertical_of_b;
  } cases[] = {
      {"no table", {}, 2},
      {"mort", {{"mort", vel::test::MortVertical({{1, 3}, {2, 1}})}}, 1},
      {"mort of 76 bytes",
       {{"mort", [] {
          auto mort = vel::test::MortVertical({{2, 1}});
          mort.resize(76);
          return mort;
        }()}},
       2},
      {"mort of another shape",
       {{"mort", [] {
          auto mort = vel::test::MortVertical({{2, 1}});
          mort[20] = 9;
          return mort;
        }()}},
       2},
      {"mort before GSUB",
       {{"mort", vel::test::MortVertical({{1, 3}})},
        {"GSUB", vel::test::GsubVertical(2, 1, {{2, 3}})}},
       2},
      {"GSUB 1, coverage 1", {{"GSUB", vel::test::GsubVertical(1, 1, {{2, 3}, {1, 2}})}}, 3},
      {"GSUB 1, coverage 2", {{"GSUB", vel::test::GsubVertical(1, 2, {{1, 2}, {2, 3}})}}, 3},
      {"GSUB 2, coverage 1", {{"GSUB", vel::test::GsubVertical(2, 1, {{1, 3}, {2, 1}})}}, 1},
      {"GSUB 2, coverage 2", {{"GSUB", vel::test::GsubVertical(2, 2, {{1, 3}, {2, 1}})}}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<SfntTable> tables = TestFontTables();
    for (const SfntTable& table : c.extra) {
      SetTable(tables, table.tag, table.data);
    }
    auto reader = ReaderOf(tables);
    EXPECT_EQ(reader->MapCharToGlyph(kFont, true, 'B', 16), c.vertical_of_b);
    EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 'B', 16), 2);
  }
}

TEST_F(GTTFontReaderTest, CompositesCacheEveryComponentWithShortAndLongLoca) {
  for (bool long_loca : {false, true}) {
    SCOPED_TRACE(long_loca ? "long loca" : "short loca");
    auto reader = ReaderOf(CompositeFont(long_loca));
    EXPECT_EQ(reader->CacheGlyph(kFont, 6), 1);
    const GGlyphCache* cache = reader->GetGlyphCache();
    ASSERT_NE(cache, nullptr);
    for (std::uint16_t glyph : {1, 2, 3, 4, 6}) {
      EXPECT_NE(cache->Find(glyph), nullptr) << glyph;
    }
    EXPECT_EQ(cache->Find(5), nullptr);
    EXPECT_EQ(reader->CacheGlyph(kFont, 5), 1);
    EXPECT_EQ(cache->GetCount(), 6u);

    GMemoryBlock* block = nullptr;
    EXPECT_EQ(reader->GetGlyphData(kFont, true, 1, block), 34u);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->GetData()[1], 1);  // one contour
    delete block;
  }
}

TEST_F(GTTFontReaderTest, AnEmptyGlyphIsCachedAsAnEmptyNode) {
  auto reader = ReaderOf(TestFontTables());
  GMemoryBlock* block = nullptr;
  EXPECT_EQ(reader->GetGlyphData(kFont, true, 0, block), 0u);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->GetSize(), 0u);
  delete block;
  ASSERT_NE(reader->GetGlyphCache(), nullptr);
  ASSERT_NE(reader->GetGlyphCache()->Find(0), nullptr);
  EXPECT_EQ(reader->GetGlyphCache()->Find(0)->GetSize(), 0u);
  EXPECT_EQ(reader->CacheGlyph(kFont, 3), 1);
}

TEST_F(GTTFontReaderTest, MetricsPastTheLongMetricsTakeTheLastAdvance) {
  // Two long metrics (advances 500 and 700), then bearings 30 and 40 for glyphs 2 and 3.
  std::vector<SfntTable> tables = TestFontTables();
  vel::test::SfntWriter hmtx;
  hmtx.U16(500).I16(10).U16(700).I16(20).I16(30).I16(40);
  SetTable(tables, "hmtx", hmtx.Data());
  std::vector<std::uint8_t>& hhea = vel::test::TableOf(tables, "hhea");
  hhea[34] = 0;
  hhea[35] = 2;
  auto reader = ReaderOf(tables);
  struct Case {
    std::uint16_t glyph;
    std::uint16_t advance;
    std::int16_t bearing;
  } cases[] = {{0, 500, 10}, {1, 700, 20}, {2, 700, 30}, {3, 700, 40}};
  for (const Case& c : cases) {
    std::uint16_t advance = 0;
    std::int16_t bearing = 0;
    ASSERT_EQ(reader->GetHMetrics(kFont, c.glyph, advance, bearing), 1) << c.glyph;
    EXPECT_EQ(advance, c.advance);
    EXPECT_EQ(bearing, c.bearing);
  }
  std::uint16_t advance = 0;
  std::int16_t bearing = 0;
  EXPECT_EQ(reader->GetHMetrics(kFont, 4, advance, bearing), 0);  // past the table
  EXPECT_EQ(reader->GetVMetrics(kFont, 0, advance, bearing), 0);  // no 'vhea'
}

TEST_F(GTTFontReaderTest, DecodedValuesAreReadOnceAndCounted) {
  auto reader = ReaderOf(TestFontTables());
  std::uint16_t glyphs = 0;
  std::int16_t descender = 0;
  const std::uint32_t before = reader->GetChangeCount();
  ASSERT_EQ(reader->GetNumGlyphs(kFont, glyphs), 1);
  ASSERT_EQ(reader->GetTypoDescender(kFont, descender), 1);
  EXPECT_EQ(glyphs, vel::test::test_font::kGlyphs);
  EXPECT_EQ(descender, vel::test::test_font::kTypoDescender);
  EXPECT_EQ(reader->GetChangeCount(), before + 2);
  const int reads = reader->Calls().read_range;
  ASSERT_EQ(reader->GetNumGlyphs(kFont, glyphs), 1);
  EXPECT_EQ(reader->Calls().read_range, reads);
  EXPECT_EQ(reader->GetChangeCount(), before + 2);
}

TEST_F(GTTFontReaderTest, PartReadsAndTheWholeTableLimit) {
  for (std::uint32_t size : {249999u, 250000u}) {
    SCOPED_TRACE(size);
    std::vector<SfntTable> tables = TestFontTables();
    std::vector<std::uint8_t> kern(size, 0);
    kern[size - 1] = 0x5A;
    SetTable(tables, "kern", kern);
    auto reader = ReaderOf(tables);
    std::uint8_t byte = 0;
    // A read that ends at the end of the table succeeds; one byte further fails.
    EXPECT_EQ(reader->ReadTableData(kFont, tt::kKern, size - 1, true, &byte, 1), 1u);
    EXPECT_EQ(byte, 0x5A);
    std::uint8_t two[2];
    EXPECT_EQ(reader->ReadTableData(kFont, tt::kKern, size - 1, true, two, 2), 0u);
    const GTTTableCache* cache = reader->GetTableCache();
    EXPECT_EQ(cache != nullptr && cache->IsLoaded(tt::kKern), size < 250000u);
  }
}

TEST_F(GTTFontReaderTest, AbsentTablesAreRememberedAndShortReadsFail) {
  auto reader = ReaderOf(TestFontTables());
  std::uint8_t byte = 0;
  EXPECT_EQ(reader->ReadTableData(kFont, tt::kVhea, 0, true, &byte, 1), 0u);
  ASSERT_NE(reader->GetTableCache(), nullptr);
  EXPECT_TRUE(reader->GetTableCache()->IsLoaded(tt::kVhea));
  const int asked = reader->Calls().table_length;
  EXPECT_EQ(reader->ReadTableData(kFont, tt::kVhea, 0, true, &byte, 1), 0u);
  EXPECT_EQ(reader->Calls().table_length, asked);

  auto short_reader = ReaderOf(TestFontTables());
  short_reader->SetShortBy(1);
  GMemoryBlock* block = nullptr;
  EXPECT_EQ(short_reader->GetTable(kFont, tt::kCmap, true, block), 0u);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(short_reader->MapCharToGlyph(kFont, false, 'A', 16), 0);
  EXPECT_EQ(short_reader->GetTableCache(), nullptr);
}

TEST_F(GTTFontReaderTest, WithCachingOffNothingIsKept) {
  auto reader = ReaderOf(TestFontTables());
  reader->SetCaching(false);
  EXPECT_EQ(reader->MapCharToGlyph(kFont, false, 'A', 16), 1);
  GMemoryBlock* block = nullptr;
  EXPECT_EQ(reader->GetGlyphData(kFont, true, 1, block), 34u);
  delete block;
  EXPECT_EQ(reader->GetTableCache(), nullptr);
  EXPECT_EQ(reader->GetGlyphCache(), nullptr);
}

TEST_F(GTTFontReaderTest, PreloadForShiftJisCachesGlyphZeroAndTheGlyphOf165) {
  std::vector<SfntTable> tables = TestFontTables();
  SetTable(tables, "cmap", CmapOf({{3, 2, CmapFormat4({{165, 2}}, false)}}));
  auto reader = ReaderOf(tables);
  EXPECT_EQ(reader->Preload(kFont, 17), 1);
  const GGlyphCache* glyphs = reader->GetGlyphCache();
  ASSERT_NE(glyphs, nullptr);
  EXPECT_NE(glyphs->Find(0), nullptr);
  EXPECT_NE(glyphs->Find(2), nullptr);
  EXPECT_EQ(glyphs->GetCount(), 2u);
  // Every preloaded table is in the cache, present or not.
  for (std::uint32_t index : {tt::kCmap, tt::kMaxp, tt::kMort, tt::kOS2, tt::kVmtx, tt::kPrep}) {
    EXPECT_TRUE(reader->GetTableCache()->IsLoaded(index)) << index;
  }
  const int reads = reader->Calls().read_table;
  EXPECT_EQ(reader->Preload(kFont, 17), 1);
  EXPECT_EQ(reader->Calls().read_table, reads);
}

}  // namespace
