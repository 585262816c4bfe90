// GFontImp over a real font: character mapping with the default glyph, used glyphs and their
// download, equality, the change count, and the samples of the persistence harness.
#include "framework/output/fonts/GFontImp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/output/GCharacterBuffer.h"
#include "framework/output/GTextString.h"
#include "framework/output/fonts/GFontMetrics.h"
#include "rw/RWCollectable.h"
#include "tests/support/FreeTypeFace.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestFonts.h"

namespace {

using vel::test::kDejaVuSans;

// DejaVu Sans with a character range of 0x20 to 0x7E and '?' as default character.
class GFontImpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    metrics_ = new FwFreeTypeMetrics(kDejaVuSans.path);
    if (!metrics_->IsOpen()) {
      delete metrics_;
      GTEST_SKIP() << kDejaVuSans.file << " is missing: install " << kDejaVuSans.package;
    }
    GFontFaceRecord face = vel::test::FaceRecordOf(kDejaVuSans.path, 40);
    face.first_char = 0x20;
    face.last_char = 0x7E;
    face.default_char = '?';
    font_.reset(FwTestFontImp::WithMetrics(metrics_, face, vel::test::InstanceRecord(1)));
  }

  std::vector<std::uint16_t> Expected(std::uint16_t first, std::uint16_t last) const {
    std::vector<std::uint16_t> glyphs;
    for (std::uint32_t code = first; code <= last; ++code) {
      const bool inside = code >= 0x20 && code <= 0x7E;
      glyphs.push_back(metrics_->GlyphOf(inside ? code : '?'));
    }
    return glyphs;
  }

  static std::vector<std::uint16_t> Entries(const GCharacterBuffer& glyphs) {
    std::vector<std::uint16_t> entries;
    for (std::uint32_t i = 0; i < glyphs.Count(); ++i) {
      entries.push_back(glyphs.At(i));
    }
    return entries;
  }

  FwFreeTypeMetrics* metrics_ = nullptr;  // owned by the font
  std::unique_ptr<FwTestFontImp> font_;
};

TEST_F(GFontImpTest, MapRangeGivesEntryCodeMinusFirst) {
  const struct {
    const char* name;
    std::uint16_t first;
    std::uint16_t last;
    bool fail_ranges;
    int range_calls;
  } cases[] = {
      {"inside", 0x41, 0x45, false, 1},
      {"straddling the first character", 0x10, 0x22, false, 1},
      {"straddling the last character", 0x7C, 0x85, false, 1},
      {"wholly below", 0x01, 0x10, false, 0},
      {"wholly above", 0x90, 0x95, false, 0},
      {"failing range operation", 0x41, 0x45, true, 1},
      {"failing range operation, straddling", 0x1E, 0x21, true, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    metrics_->fail_ranges = c.fail_ranges;
    metrics_->map_range_calls = 0;
    GCharacterBuffer glyphs;
    ASSERT_EQ(font_->MapRange(c.first, c.last, glyphs), 1);
    EXPECT_TRUE(glyphs.IsOwned());
    EXPECT_EQ(Entries(glyphs), Expected(c.first, c.last));
    EXPECT_EQ(metrics_->map_range_calls, c.range_calls);
  }
}

TEST_F(GFontImpTest, AnUnmappableDefaultCharacterFailsOnlyWhenItIsNeeded) {
  metrics_->unmappable = {'?', 'B'};
  GCharacterBuffer glyphs;
  EXPECT_EQ(font_->MapRange(0x10, 0x22, glyphs), 0);  // codes below the range need it
  EXPECT_EQ(font_->MapRange(0x41, 0x41, glyphs), 1);  // nothing needs it
  metrics_->fail_ranges = true;
  EXPECT_EQ(font_->MapRange(0x41, 0x43, glyphs), 0);  // 'B' needs it
  metrics_->unmappable = {'B'};
  ASSERT_EQ(font_->MapRange(0x41, 0x43, glyphs), 1);
  EXPECT_EQ(Entries(glyphs), (std::vector<std::uint16_t>{metrics_->GlyphOf('A'),
                                                         metrics_->GlyphOf('?'),
                                                         metrics_->GlyphOf('C')}));
  EXPECT_EQ(font_->MapRange(0x43, 0x41, glyphs), 0);
}

TEST_F(GFontImpTest, MapStringMapsEachCharacterIntoAnOwnedArray) {
  const std::uint8_t text_codes[] = {'H', 'i', 'B', '!'};
  GTextString text(GCharacterBuffer(text_codes, 4), 4, 1, 16);
  const std::uint16_t borrowed[] = {9, 9, 9, 9};
  GCharacterBuffer glyphs(borrowed, 4);
  metrics_->unmappable = {'B'};
  ASSERT_EQ(font_->MapString(text, glyphs), 1);
  EXPECT_TRUE(glyphs.IsOwned());
  EXPECT_EQ(borrowed[0], 9);
  EXPECT_EQ(Entries(glyphs),
            (std::vector<std::uint16_t>{metrics_->GlyphOf('H'), metrics_->GlyphOf('i'),
                                        metrics_->GlyphOf('?'), metrics_->GlyphOf('!')}));
  metrics_->unmappable = {'B', '?'};
  EXPECT_EQ(font_->MapString(text, glyphs), 0);
}

TEST_F(GFontImpTest, UsedGlyphsDownloadInOrderAndStopAtTheFirstFailure) {
  const std::uint8_t codes[] = {'C', 'A', 'B', 'A'};
  GTextString text(GCharacterBuffer(codes, 4), 4, 1, 16);
  EXPECT_EQ(font_->AddUsedGlyphs(text), 4u);
  font_->finish_result = 7;
  EXPECT_EQ(font_->DownloadUsedGlyphs(), 7);
  const std::uint32_t set = font_->GetMetricBlock().char_set;
  EXPECT_EQ(font_->downloaded, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                                   {'A', set}, {'B', set}, {'C', set}}));
  font_->downloaded.clear();
  font_->failing_code = 'B';
  EXPECT_EQ(font_->DownloadUsedGlyphs(), 0);
  EXPECT_EQ(font_->downloaded.size(), 2u);
  EXPECT_EQ(font_->finish_calls, 1);
}

TEST_F(GFontImpTest, EnsureDownloadedFollowsTheDownloadFlags) {
  const struct {
    std::uint32_t flags;
    std::int32_t finish;
    std::int32_t expected;
    int glyph_calls;
  } cases[] = {{2, 0, 1, 0}, {3, 0, 1, 0}, {1, 0, 0, 0}, {1, 1, 5, 1}, {0, 1, 5, 1}};
  for (const auto& c : cases) {
    FwTestFontImp font(nullptr, GFontFaceRecord{}, vel::test::InstanceRecord(c.flags));
    font.finish_result = c.finish;
    font.glyphs_result = 5;
    EXPECT_EQ(font.EnsureDownloaded(nullptr, 0), c.expected) << c.flags;
    EXPECT_EQ(font.glyphs_calls, c.glyph_calls) << c.flags;
  }
}

TEST_F(GFontImpTest, CodeQueriesUseTheCellHeight) {
  std::int32_t advance = 0;
  ASSERT_EQ(font_->CodeMetrics('M', &advance), 1);
  EXPECT_GT(advance, 0);
  vel::test::FwGlyphBitmap bitmap;
  ASSERT_EQ(font_->CodeBitmap('M', &bitmap), 1);
  EXPECT_GT(bitmap.width, 0);
  const auto& face = font_->GetMetricBlock();
  const auto cell = static_cast<std::int16_t>(face.size + face.internal_leading);
  EXPECT_EQ(metrics_->code_queries,
            (std::vector<std::pair<std::int16_t, std::uint32_t>>{{cell, 'M'}, {cell, 'M'}}));
}

TEST(GFontImpValuesTest, TouchStopsAtTheMaximum) {
  FwTestFontImp font;
  EXPECT_EQ(font.GetChangeCount(), 0u);
  EXPECT_EQ(font.Touch(), 1u);
  font.SetChangeCount(0xFFFFFFFF);
  EXPECT_EQ(font.Touch(), 0xFFFFFFFFu);
}

TEST(GFontImpValuesTest, EqualityIgnoresTheDownloadFlags) {
  GFontFaceRecord face;
  face.name = "Face";
  FwTestFontImp a(nullptr, face, vel::test::InstanceRecord(1));
  FwTestFontImp b(nullptr, face, vel::test::InstanceRecord(2));
  EXPECT_TRUE(a.IsSameKey(&b));
  face.name = "Fact";
  FwTestFontImp c(nullptr, face, vel::test::InstanceRecord(1));
  EXPECT_FALSE(a.IsSameKey(&c));
  std::unique_ptr<FwTestFontImp> d(FwTestFontImp::WithMetrics(
      new FwFreeTypeMetrics, GFontFaceRecord{}, vel::test::InstanceRecord(1)));
  FwTestFontImp e(nullptr, GFontFaceRecord{}, vel::test::InstanceRecord(1));
  EXPECT_FALSE(d->IsSameKey(&e));
  EXPECT_FALSE(e.IsSameKey(d.get()));
}

TEST(GFontImpValuesTest, FontIdsAreNewForEachImplementation) {
  FwTestFontImp a;
  FwTestFontImp b;
  EXPECT_NE(a.GetFontId(), b.GetFontId());
}

// The persistence harness: metrics, implementations with and without metrics.
GFontFaceRecord SampleFace() {
  GFontFaceRecord face;
  face.resolution_x = 600;
  face.resolution_y = 600;
  face.ascender = 1901;
  face.internal_leading = -1;
  face.external_leading = 3;
  face.italic = 1;
  face.weight = 700;
  face.char_set = 16;
  face.width_scale = 1.25F;
  face.size = -42;
  face.first_char = 0x20;
  face.last_char = 0xFFFC;
  face.default_char = 0xFFFD;
  face.name = "DejaVu Sans";
  face.vertical = 1;
  return face;
}

FW_PERSIST_SAMPLES(FwFreeTypeMetrics::kClassId,
                   {{"metrics", [] { return new FwFreeTypeMetrics; }}});

FW_PERSIST_SAMPLES(FwTestFontImp::kClassId,
                   {{"with metrics",
                     [] {
                       auto* font = FwTestFontImp::WithMetrics(
                           new FwFreeTypeMetrics, SampleFace(),
                           vel::test::InstanceRecord(3, 270.0F));
                       font->SetChangeCount(77);
                       return font;
                     }},
                    {"without metrics, empty name", [] {
                       return new FwTestFontImp(nullptr, GFontFaceRecord{},
                                                vel::test::InstanceRecord(0, -30.0F));
                     }}});

TEST(GFontImpValuesTest, TheStoredSizeCountsNameFieldsAndMetrics) {
  std::unique_ptr<FwTestFontImp> with(FwTestFontImp::WithMetrics(
      new FwFreeTypeMetrics, SampleFace(), vel::test::InstanceRecord(3)));
  FwTestFontImp without(nullptr, SampleFace(), vel::test::InstanceRecord(3));
  FwFreeTypeMetrics metrics;
  const std::uint32_t base = GBaseObject().StoredByteCount();
  EXPECT_EQ(metrics.StoredByteCount(), base + 4 + 4);  // GFontMetrics: base + 4, then the test's
  const std::uint32_t nil = RWTotalStoredSize(nullptr);
  EXPECT_EQ(without.StoredByteCount(), base + 11 + 104 + nil + 4);  // then the test's version
  EXPECT_EQ(with->StoredByteCount() - without.StoredByteCount(), metrics.TotalStoredSize() - nil);
}

}  // namespace
