// Engine fonts and strings over the built test font: IFIMETRICS from the font file, glyph bits,
// transforms, file views and the enumeration of strings.
#include "platform/engine/EngineFonts.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/engine/EngineObjects.h"
#include "tests/platform/EngineTestFixture.h"
#include "tests/support/SfntBuilder.h"

namespace vel::platform::engine {
namespace {

namespace tf = test::test_font;

class EngineFontsTest : public EngineTest {
 protected:
  void TearDown() override {
    SetTextSettings(TextSettings{});
    EngineTest::TearDown();
  }

  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::string path = root_.File(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  FONTOBJ* Font(const std::vector<std::uint8_t>& bytes, FontSpec spec = {}) {
    spec.path = Write("font" + std::to_string(++files_) + ".ttf", bytes);
    FONTOBJ* font = CreateFontObject(spec);
    EXPECT_NE(font, nullptr);
    fonts_.emplace_back(font);
    return font;
  }

  struct Deleter {
    void operator()(FONTOBJ* font) const { DeleteFontObject(font); }
  };
  std::vector<std::unique_ptr<FONTOBJ, Deleter>> fonts_;
  int files_ = 0;
};

std::u16string Name(IFIMETRICS* ifi, PTRDIFF offset) {
  return std::u16string(reinterpret_cast<const char16_t*>(reinterpret_cast<BYTE*>(ifi) + offset));
}

std::vector<BYTE> Charsets(IFIMETRICS* ifi) {
  std::vector<BYTE> sets;
  if (ifi->dpCharSets == 0) {
    return sets;
  }
  for (const BYTE* at = reinterpret_cast<BYTE*>(ifi) + ifi->dpCharSets;; ++at) {
    sets.push_back(*at);
    if (*at == DEFAULT_CHARSET) {
      return sets;
    }
  }
}

TEST_F(EngineFontsTest, MetricsComeFromTheFontFile) {
  FONTOBJ* font = Font(test::MakeTestFont());
  EXPECT_EQ(font->flFontType, FO_TYPE_TRUETYPE);
  IFIMETRICS* ifi = FONTOBJ_pifi(font);
  EXPECT_EQ(Name(ifi, ifi->dpwszFamilyName), u"Vel Test");
  EXPECT_EQ(Name(ifi, ifi->dpwszFaceName), u"Vel Test Regular");
  EXPECT_EQ(Name(ifi, ifi->dpwszStyleName), u"Regular");
  EXPECT_EQ(Charsets(ifi), (std::vector<BYTE>{0, 238, 1}));
  EXPECT_EQ(ifi->jWinCharSet, 0);
  EXPECT_EQ(ifi->usWinWeight, 400);
  EXPECT_EQ(ifi->fsSelection, 0x40);
  EXPECT_EQ(ifi->fwdUnitsPerEm, tf::kUnitsPerEm);
  EXPECT_EQ(ifi->fwdMacAscender, tf::kAscender);
  EXPECT_EQ(ifi->fwdMacDescender, tf::kDescender);
  EXPECT_EQ(ifi->fwdMacLineGap, tf::kLineGap);
  EXPECT_EQ(ifi->fwdWinAscender, tf::kWinAscent);
  EXPECT_EQ(ifi->fwdWinDescender, tf::kWinDescent);
  EXPECT_EQ(ifi->fwdTypoAscender, tf::kTypoAscender);
  EXPECT_EQ(ifi->fwdStrikeoutSize, tf::kStrikeoutSize);
  EXPECT_EQ(ifi->fwdStrikeoutPosition, tf::kStrikeoutPosition);
  EXPECT_EQ(ifi->fwdUnderscorePosition, tf::kUnderlinePosition);
  EXPECT_EQ(ifi->fwdUnderscoreSize, tf::kUnderlineThickness);
  EXPECT_EQ(ifi->flInfo & FM_INFO_CONSTANT_WIDTH, 0u);
  EXPECT_EQ(ifi->cjThis, ifi->cjThis);
  EXPECT_EQ(reinterpret_cast<BYTE*>(font)[512], 'F') << "the engine's value 512 bytes in";
}

TEST_F(EngineFontsTest, OneFaceOfACollection) {
  std::vector<std::uint8_t> collection = test::MakeTestCollection();
  FontSpec spec;
  spec.face_index = 2;
  spec.vertical = true;
  FONTOBJ* font = Font(collection, spec);
  IFIMETRICS* ifi = FONTOBJ_pifi(font);
  EXPECT_EQ(Name(ifi, ifi->dpwszFamilyName), u"@Vel Test C");
  EXPECT_EQ(Name(ifi, ifi->dpwszFaceName), u"@Vel Test C Italic");
  EXPECT_EQ(Charsets(ifi), (std::vector<BYTE>{128, 1}));
  EXPECT_EQ(ifi->jWinCharSet, 128);
  EXPECT_EQ(ifi->fsSelection, 0x01);
  ULONG size = 0;
  const auto* file = static_cast<const BYTE*>(FONTOBJ_pvTrueTypeFontFile(font, &size));
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(size, collection.size()) << "the whole collection";
  EXPECT_TRUE(std::equal(file, file + 4, "ttcf"));
  spec.face_index = 1;
  EXPECT_EQ(FONTOBJ_pifi(Font(collection, spec))->usWinWeight, 700);
}

TEST_F(EngineFontsTest, CharacterSetsOfSymbolFontsAndFontsWithoutCodePages) {
  test::TestFontOptions symbol;
  symbol.symbol = true;
  EXPECT_EQ(FONTOBJ_pifi(Font(test::MakeTestFont(symbol)))->jWinCharSet, SYMBOL_CHARSET);
  test::TestFontOptions none;
  none.code_pages = 0;
  EXPECT_EQ(FONTOBJ_pifi(Font(test::MakeTestFont(none)))->dpCharSets, 0);
  SetTextSettings(TextSettings{0, false, 1252, false, true});
  EXPECT_EQ(FONTOBJ_pifi(Font(test::MakeTestFont()))->dpCharSets, 0);
  test::TestFontOptions fixed;
  fixed.fixed_pitch = true;
  EXPECT_NE(FONTOBJ_pifi(Font(test::MakeTestFont(fixed)))->flInfo & FM_INFO_CONSTANT_WIDTH, 0u);
}

TEST_F(EngineFontsTest, ANinePixelGlyphHasTwoBytesARow) {
  FontSpec spec;
  spec.em_pixels = 18;  // the 1024-unit square is 9 pixels
  FONTOBJ* font = Font(test::MakeTestFont(), spec);
  HGLYPH glyph = 1;
  PVOID bits = nullptr;
  ASSERT_EQ(FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &glyph, &bits), 1u);
  auto* glyph_bits = static_cast<GLYPHBITS*>(bits);
  EXPECT_EQ(glyph_bits->sizlBitmap.cx, 9);
  EXPECT_EQ(glyph_bits->sizlBitmap.cy, 9);
  EXPECT_EQ(glyph_bits->ptlOrigin.x, 0);
  EXPECT_EQ(glyph_bits->ptlOrigin.y, -9);
  for (int row = 0; row < 9; ++row) {
    EXPECT_EQ(glyph_bits->aj[row * 2], 0xFF) << row;
    EXPECT_EQ(glyph_bits->aj[row * 2 + 1], 0x80) << row;
  }
  ASSERT_EQ(FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &glyph, &bits), 1u);
  EXPECT_EQ(GlyphRequests(font, 1), 2u);
  EXPECT_EQ(GlyphRequests(font, 2), 0u);
  detail::EndFontCall(font);
}

TEST_F(EngineFontsTest, EmptyGlyphsComeAsNothingOrOnePixel) {
  FONTOBJ* font = Font(test::MakeTestFont());
  FONTOBJ* raster = CreateFontObject(FontSpec{});
  for (bool one_pixel : {false, true}) {
    SetTextSettings(TextSettings{0, false, 1252, one_pixel, false});
    for (auto [object, glyph] : {std::pair<FONTOBJ*, HGLYPH>{font, 3}, {raster, 0x20}}) {
      PVOID bits = nullptr;
      ASSERT_EQ(FONTOBJ_cGetGlyphs(object, FO_GLYPHBITS, 1, &glyph, &bits), 1u);
      auto* glyph_bits = static_cast<GLYPHBITS*>(bits);
      EXPECT_EQ(glyph_bits->sizlBitmap.cx, one_pixel ? 1 : 0) << glyph << " " << one_pixel;
      EXPECT_EQ(glyph_bits->sizlBitmap.cy, one_pixel ? 1 : 0);
      detail::EndFontCall(object);
    }
  }
  HGLYPH letter = 'A';
  PVOID bits = nullptr;
  ASSERT_EQ(FONTOBJ_cGetGlyphs(raster, FO_GLYPHBITS, 1, &letter, &bits), 1u);
  EXPECT_EQ(static_cast<GLYPHBITS*>(bits)->sizlBitmap.cx, 8);
  EXPECT_EQ(static_cast<GLYPHBITS*>(bits)->aj[0], 0xFF);
  EXPECT_EQ(raster->flFontType, FO_TYPE_RASTER);
  EXPECT_EQ(FONTOBJ_pvTrueTypeFontFile(raster, nullptr), nullptr);
  DeleteFontObject(raster);
}

TEST_F(EngineFontsTest, TheFontTransformGivesTheEmHeight) {
  FontSpec spec;
  spec.em_pixels = 40.96;
  spec.escapement = 90;
  spec.width = 0.5;
  FONTOBJ* font = Font(test::MakeTestFont(), spec);
  FLOATOBJ_XFORM m;
  XFORMOBJ_iGetFloatObjXform(FONTOBJ_pxoGetXform(font), &m);
  FLOATOBJ em = m.eM21;
  FLOATOBJ units;
  FLOATOBJ_SetLong(&units, tf::kUnitsPerEm);
  FLOATOBJ_Mul(&em, &units);
  EXPECT_EQ(FLOATOBJ_GetLong(&em), 40);
  POINTL point{0, 5760};
  XFORMOBJ_bApplyXform(FONTOBJ_pxoGetXform(font), XF_LTOL, 1, &point, &point);
  EXPECT_EQ(point.x, 115);
  EXPECT_EQ(point.y, 0);
}

// Reads a string the way drivers must, and the faulty way.
std::vector<ULONG> Batches(STROBJ* string, bool while_more, std::vector<GLYPHPOS>* seen) {
  std::vector<ULONG> batches;
  STROBJ_vEnumStart(string);
  ULONG count = 0;
  GLYPHPOS* positions = nullptr;
  if (while_more) {
    while (STROBJ_bEnum(string, &count, &positions) == TRUE) {
      batches.push_back(count);
    }
    return batches;
  }
  BOOL more;
  do {
    more = STROBJ_bEnum(string, &count, &positions);
    batches.push_back(count);
    seen->insert(seen->end(), positions, positions + count);
  } while (more == TRUE);
  return batches;
}

TEST_F(EngineFontsTest, EightGlyphsInBatchesOfThree) {
  FontSpec spec;
  spec.em_pixels = 20.48;  // k = 0.01: the advance of 1229 units is 12.29 pixels
  FONTOBJ* font = Font(test::MakeTestFont(), spec);
  SetTextSettings(TextSettings{3, true, 932, false, false});
  TextSpec text{u"AB AB AB", {}, POINTL{100, 200}, 0, 0};
  auto string = detail::MakeString(font, text, POINTL{0, 0});
  EXPECT_EQ(string->so.pgp, nullptr);
  EXPECT_EQ(string->so.flAccel & SO_HORIZONTAL, SO_HORIZONTAL);
  EXPECT_EQ(STROBJ_dwGetCodePage(&string->so), 932u);
  ASSERT_NE(string->so.pwszOrg, nullptr);
  std::vector<GLYPHPOS> seen;
  EXPECT_EQ(Batches(&string->so, false, &seen), (std::vector<ULONG>{3, 3, 2}));
  ASSERT_EQ(seen.size(), 8u);
  EXPECT_EQ(seen[0].hg, 1u);
  EXPECT_EQ(seen[1].hg, 2u);
  EXPECT_EQ(seen[2].hg, 3u);
  EXPECT_EQ(seen[1].ptl.x, 112);
  EXPECT_EQ(seen[2].ptl.x, 125);
  EXPECT_EQ(seen[7].ptl.x, 186);
  EXPECT_EQ(seen[7].ptl.y, 200);
  EXPECT_EQ(Batches(&string->so, true, nullptr), (std::vector<ULONG>{3, 3}))
      << "a while (more) loop loses the last batch";
  FailCalls("STROBJ_bEnum", 0, 1);
  ULONG count = 0;
  GLYPHPOS* positions = nullptr;
  EXPECT_EQ(static_cast<ULONG>(STROBJ_bEnum(&string->so, &count, &positions)), DDI_ERROR);
}

TEST_F(EngineFontsTest, PositionsFollowTheEscapementOrTheFixedIncrement) {
  FontSpec spec;
  spec.em_pixels = 20.48;
  spec.escapement = 90;
  FONTOBJ* font = Font(test::MakeTestFont(), spec);
  auto up = detail::MakeString(font, TextSpec{u"AA", {}, POINTL{50, 500}, 0, 0}, POINTL{0, 0});
  EXPECT_EQ(up->so.pgp[1].ptl.x, 50);
  EXPECT_EQ(up->so.pgp[1].ptl.y, 488);
  EXPECT_EQ(up->so.flAccel & (SO_VERTICAL | SO_REVERSED), SO_VERTICAL | SO_REVERSED);
  FONTOBJ* upright = Font(test::MakeTestFont());
  auto fixed = detail::MakeString(upright, TextSpec{{}, {1, 1, 2}, POINTL{0, 0}, 10, 0},
                                  POINTL{5, 7});
  EXPECT_EQ(fixed->so.pwszOrg, nullptr) << "glyph-index text";
  EXPECT_EQ(fixed->so.flAccel & SO_GLYPHINDEX_TEXTOUT, SO_GLYPHINDEX_TEXTOUT);
  EXPECT_EQ(fixed->so.ulCharInc, 10u);
  EXPECT_EQ(fixed->so.pgp[2].ptl.x, 25);
  EXPECT_EQ(fixed->so.pgp[2].ptl.y, 7);
  EXPECT_EQ(fixed->so.pgp[2].hg, 2u);
}

TEST_F(EngineFontsTest, AWidestAdvanceAbove32767StaysUnsigned) {
  // Found by fuzzing: 'hhea' keeps the widest advance unsigned.
  std::vector<test::SfntTable> tables = test::TestFontTables();
  for (test::SfntTable& table : tables) {
    if (table.tag == "hhea") {
      table.data[10] = 0xFD;
      table.data[11] = 0x9C;
    }
  }
  FontSpec spec;
  spec.em_pixels = 20.48;
  FONTOBJ* font = Font(test::BuildSfnt(tables), spec);
  EXPECT_EQ(font->cxMax, 650u);
}

TEST_F(EngineFontsTest, AFileThatIsNoFontGivesNoFontObject) {
  FontSpec spec;
  spec.path = Write("junk.ttf", {1, 2, 3, 4});
  EXPECT_EQ(CreateFontObject(spec), nullptr);
  spec.path = root_.File("missing.ttf");
  EXPECT_EQ(CreateFontObject(spec), nullptr);
}

}  // namespace
}  // namespace vel::platform::engine
