// The reader over real TrueType fonts, with FreeType as the reference: character map, advances,
// header values and the bounding boxes of simple glyphs.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/output/fonts/GMemoryBlock.h"
#include "framework/output/fonts/GTTTableCache.h"
#include "framework/output/fonts/TrueTypeData.h"
#include "tests/framework/fonts/FontTestFixture.h"
#include "tests/support/FreeTypeFace.h"

namespace {

using vel::test::FreeTypeFace;
using vel::test::MemoryFontReader;
using vel::test::RealFont;

GTTFontHandle const kFont = nullptr;

class GTTFontRealFontsTest : public vel::test::FontTest,
                             public ::testing::WithParamInterface<RealFont> {
 protected:
  void SetUp() override {
    FontTest::SetUp();
    image_ = vel::test::ReadFontFile(GetParam().path);
    if (image_.empty()) {
      GTEST_SKIP() << GetParam().file << " is missing: install the package "
                   << GetParam().package;
    }
    face_ = std::make_unique<FreeTypeFace>(GetParam().path);
    ASSERT_TRUE(face_->IsOpen());
    reader_ = std::make_unique<MemoryFontReader>(image_);
  }

  std::vector<std::uint8_t> image_;
  std::unique_ptr<FreeTypeFace> face_;
  std::unique_ptr<MemoryFontReader> reader_;
};

INSTANTIATE_TEST_SUITE_P(Fonts, GTTFontRealFontsTest,
                         ::testing::Values(vel::test::kDejaVuSans, vel::test::kLiberationSans,
                                           vel::test::kDroidSansFallback),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           name = name.substr(0, name.find('.'));
                           return name.substr(0, name.find('-'));
                         });

TEST_P(GTTFontRealFontsTest, EveryUnicodeCodeMapsToFreeTypesGlyph) {
  ASSERT_TRUE(face_->SelectCharMap(3, 1));
  int compared = 0;
  for (std::uint32_t code : face_->MappedCodes()) {
    if (code > 0xFFFF) {
      continue;
    }
    ASSERT_EQ(reader_->MapCharToGlyph(kFont, false, static_cast<std::uint16_t>(code), 16),
              face_->CharIndex(code))
        << "code " << code;
    ++compared;
  }
  EXPECT_GT(compared, 200);
  EXPECT_EQ(reader_->HasRequiredTables(kFont), 1);
}

TEST_P(GTTFontRealFontsTest, AdvancesAndHeaderValuesEqualFreeTypes) {
  std::uint16_t glyphs = 0;
  ASSERT_EQ(reader_->GetNumGlyphs(kFont, glyphs), 1);
  EXPECT_EQ(glyphs, face_->NumGlyphs());
  std::int16_t descender = 0;
  std::uint16_t first = 0;
  std::uint16_t last = 0;
  ASSERT_TRUE(face_->Os2(descender, first, last));
  std::int16_t read_descender = 0;
  ASSERT_EQ(reader_->GetTypoDescender(kFont, read_descender), 1);
  EXPECT_EQ(read_descender, descender);
  GMemoryBlock* os2 = nullptr;
  ASSERT_GT(reader_->GetTable(kFont, vel::truetype::kOS2, true, os2), 67u);
  const vel::truetype::ByteView view(os2->GetData(), os2->GetSize());
  std::uint16_t read_first = 0;
  std::uint16_t read_last = 0;
  EXPECT_TRUE(view.U16(64, read_first) && view.U16(66, read_last));
  EXPECT_EQ(read_first, first);
  EXPECT_EQ(read_last, last);
  delete os2;

  const bool vertical = reader_->GetTableSize(kFont, vel::truetype::kVmtx) != 0;
  for (std::uint32_t g = 0; g < glyphs; ++g) {
    long expected = 0;
    std::uint16_t advance = 0;
    std::int16_t bearing = 0;
    ASSERT_TRUE(face_->Advance(g, false, expected));
    ASSERT_EQ(reader_->GetHMetrics(kFont, static_cast<std::uint16_t>(g), advance, bearing), 1);
    ASSERT_EQ(advance, expected) << "glyph " << g;
    if (vertical) {
      ASSERT_TRUE(face_->Advance(g, true, expected));
      ASSERT_EQ(reader_->GetVMetrics(kFont, static_cast<std::uint16_t>(g), advance, bearing), 1);
      ASSERT_EQ(advance, expected) << "vertical, glyph " << g;
    }
  }
}

TEST_P(GTTFontRealFontsTest, SimpleGlyphBoxesEqualFreeTypesControlBoxes) {
  std::uint16_t glyphs = 0;
  ASSERT_EQ(reader_->GetNumGlyphs(kFont, glyphs), 1);
  // Every glyph of the smaller fonts; every 7th of the CJK font.
  const std::uint32_t step = glyphs > 10000 ? 7 : 1;
  int compared = 0;
  std::vector<std::uint32_t> differing;
  for (std::uint32_t g = 0; g < glyphs; g += step) {
    GMemoryBlock* block = nullptr;
    const std::uint32_t length =
        reader_->GetGlyphData(kFont, false, static_cast<std::uint16_t>(g), block);
    ASSERT_NE(block, nullptr) << "glyph " << g;
    const vel::truetype::ByteView data(block->GetData(), length);
    std::int16_t contours = 0;
    std::int16_t box[4] = {};
    const bool simple = length >= 10 && data.I16(0, contours) && contours > 0 &&
                        data.I16(2, box[0]) && data.I16(4, box[1]) && data.I16(6, box[2]) &&
                        data.I16(8, box[3]);
    delete block;
    if (!simple) {
      continue;
    }
    long x_min = 0, y_min = 0, x_max = 0, y_max = 0;
    ASSERT_TRUE(face_->ControlBox(g, x_min, y_min, x_max, y_max));
    if (box[0] != x_min || box[1] != y_min || box[2] != x_max || box[3] != y_max) {
      differing.push_back(g);
    }
    ++compared;
  }
  // A few glyphs of the real fonts carry a stored box that their own outline does not match
  // (20 of DejaVu Sans's 3,583 simple glyphs, a unit or more off); FreeType measures the
  // outline. At most 1 in 100 may differ.
  EXPECT_LE(differing.size() * 100, static_cast<std::size_t>(compared))
      << testing::PrintToString(differing);
  EXPECT_GT(compared, 100);
}

TEST_P(GTTFontRealFontsTest, CompositesCacheAndLargeGlyfIsReadInParts) {
  std::uint16_t glyphs = 0;
  ASSERT_EQ(reader_->GetNumGlyphs(kFont, glyphs), 1);
  for (std::uint32_t g = 0; g < glyphs && g < 2000; ++g) {
    ASSERT_EQ(reader_->CacheGlyph(kFont, static_cast<std::uint16_t>(g)), 1) << "glyph " << g;
  }
  if (reader_->GetTableSize(kFont, vel::truetype::kGlyf) >= vel::truetype::kWholeTableLimit) {
    EXPECT_FALSE(reader_->GetTableCache()->IsLoaded(vel::truetype::kGlyf));
    EXPECT_GT(reader_->Calls().read_range, 0);
  }
}

}  // namespace
