// GPSFontDownloader: matching fonts with the printer's device font descriptions, the memory a
// resident font is charged, finding a registered font again, the written encoding vectors and the
// glyph-to-code tables of glyph-index text.
#include "framework/output/fonts/GPSFontDownloader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "framework/output/GDeviceFontDescription.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "framework/output/fonts/GPSDownloadedFont.h"
#include "tests/support/FreeTypeFace.h"
#include "tests/support/FwTestFonts.h"
#include "tests/support/FwTestLanguagePeripheral.h"

namespace {

GFontFaceRecord Face(const char* name = "Helvetica") {
  GFontFaceRecord face;
  face.name = name;
  face.italic = 0;
  face.weight = 400;
  face.char_set = 4;
  face.size = 50;
  face.first_char = 0x20;
  face.last_char = 0xFF;
  return face;
}

GValueVector Sets(std::initializer_list<std::int32_t> sets) {
  GValueVector vector;
  for (std::int32_t set : sets) {
    vector.Append(set);
  }
  return vector;
}

// A description of `name` printed as `printer_name`, weight 400, not italic, for Western Latin
// and Unicode text, of the technology given (`size`: the size field of a bitmap font).
GDeviceFontDescription Description(const char* name, const char* printer_name,
                                   std::uint32_t technology = 1, std::uint16_t size = 0,
                                   std::uint16_t weight = 400, std::uint32_t italic = 0) {
  return GDeviceFontDescription(name, printer_name, 16, Sets({4, 16}), weight, italic, 0, 0,
                                technology, 0, size, 0);
}

// Lists of the descriptions given, one list per group, in order.
std::unique_ptr<GDeviceFontListComposite> Lists(
    std::initializer_list<std::initializer_list<GDeviceFontDescription>> groups) {
  auto lists = std::make_unique<GDeviceFontListComposite>();
  std::uint32_t key = 0x1a4;
  for (const auto& group : groups) {
    auto* list = new GDeviceFontList(key++);
    for (const GDeviceFontDescription& description : group) {
      EXPECT_TRUE(list->Append(description));
    }
    lists->Insert(list);
  }
  return lists;
}

TEST(GPSFontDownloaderTest, MatchingTakesTheFirstDescriptionOfNameWeightItalicAndCharacterSet) {
  enum Change { kNone, kName, kWeight, kItalic, kCharSet, kSize, kScale };
  const struct {
    const char* name;
    std::uint32_t technology;
    Change change;
    bool matches;
  } cases[] = {
      {"scalable, the same face", 1, kNone, true},
      {"scalable, any size", 1, kSize, true},
      {"scalable, any scale", 2, kScale, true},
      {"another name", 1, kName, false},
      {"another weight", 1, kWeight, false},
      {"italic", 1, kItalic, false},
      {"a character set the font lacks", 1, kCharSet, false},
      {"bitmap, its size", 0, kNone, true},
      {"bitmap, another size", 0, kSize, false},
      {"bitmap, scaled", 0, kScale, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GFontFaceRecord face = Face();
    switch (c.change) {
      case kName: face.name = "Helvetica-Narrow"; break;
      case kWeight: face.weight = 700; break;
      case kItalic: face.italic = 1; break;
      case kCharSet: face.char_set = 5; break;
      case kSize: face.size = 80; break;
      case kScale: face.width_scale = 1.5F; break;
      case kNone: break;
    }
    FwTestFont font(new FwTestFontImp(nullptr, face, vel::test::InstanceRecord(2)), nullptr);
    const auto lists = Lists({{Description("Helvetica", "Helvetica", c.technology, 50)}});
    const GDeviceFontDescription* found = MatchResidentFont(*lists, font);
    EXPECT_EQ(found != nullptr, c.matches);
  }

  // List by list, description by description: the first match wins.
  const auto lists = Lists({{Description("Times", "Times-Roman")},
                            {Description("Helvetica", "Helvetica-First"),
                             Description("Helvetica", "Helvetica-Second")},
                            {Description("Helvetica", "Helvetica-Third")}});
  FwTestFont font(new FwTestFontImp(nullptr, Face(), vel::test::InstanceRecord(2)), nullptr);
  const GDeviceFontDescription* found = MatchResidentFont(*lists, font);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(std::string(found->GetSecondName().Data()), "Helvetica-First");
  EXPECT_EQ(MatchResidentFont(GDeviceFontListComposite(), font), nullptr);
}

TEST(GPSFontDownloaderTest, AResidentFontIsChargedByItsCharacterRange) {
  const struct {
    std::uint16_t first;
    std::uint16_t last;
    std::uint32_t bytes;
  } cases[] = {
      {0x20, 0x7E, 2048},          // 95 codes
      {0x00, 0xFE, 2048},          // 255
      {0x00, 0xFF, 2 * 1024},      // 256: low byte 0
      {0x20, 0x2FF, 226 * 1024},   // 736 = 0x2E0
      {0x00, 0xFFFF, 2 * 1024},    // 65536: low byte 0
      {0x80, 0x20, 2048},          // an empty range
  };
  for (const auto& c : cases) {
    GFontFaceRecord face = Face();
    face.first_char = c.first;
    face.last_char = c.last;
    EXPECT_EQ(ResidentFontBytes(face), c.bytes) << c.first << ".." << c.last;
  }
}

// A resident font of `description` listed for `face` and held by a font outside the list too.
GDownloadedFont* ListResident(GPSFontDownloader& list, GLanguagePeripheral* owner,
                              const GDeviceFontDescription* description,
                              const GFontFaceRecord& face, std::uint32_t bytes,
                              std::unique_ptr<GDownloadedFont>& outside) {
  outside = std::make_unique<GPSDownloadedFontHandle>(owner);
  outside->SetState(GDownloadedFontImp::kResident);
  outside->SetId(reinterpret_cast<std::uintptr_t>(description));
  GDownloadedFont* listed = outside->Clone();
  EXPECT_EQ(list.Add(face, vel::test::InstanceRecord(2), listed), 1);
  listed->AddBytes(bytes);
  return listed;
}

TEST(GPSFontDownloaderTest, AScalableResidentFontServesEverySizeABitmapOneOnlyItsOwn) {
  const GDeviceFontDescription scalable = Description("Helvetica", "Helvetica", 1);
  const GDeviceFontDescription bitmap = Description("Helvetica", "Helvetica", 0, 50);
  for (const GDeviceFontDescription* description : {&scalable, &bitmap}) {
    SCOPED_TRACE(description->GetTechnology());
    FwTestLanguagePeripheral owner;
    GPSFontDownloader list;
    std::unique_ptr<GDownloadedFont> outside;
    GDownloadedFont* listed = ListResident(list, &owner, description, Face(), 2048, outside);

    FwTestFont same(new FwTestFontImp(nullptr, Face(), vel::test::InstanceRecord(2)), nullptr);
    GDownloadedFont* found = list.Find(same);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Body(), listed->Body());
    EXPECT_EQ(same.GetDownloadedFont(), found);

    GFontFaceRecord larger = Face();
    larger.size = 80;
    FwTestFont other(new FwTestFontImp(nullptr, larger, vel::test::InstanceRecord(2)), nullptr);
    EXPECT_EQ(list.Find(other) != nullptr, description->GetTechnology() == 1);
  }
}

TEST(GPSFontDownloaderTest, EndOfJobGivesTheMemoryBackAndForgetsTheEncodingVectors) {
  FwTestLanguagePeripheral owner;
  GPSFontDownloader list;
  const GDeviceFontDescription description = Description("Helvetica", "Helvetica");
  std::unique_ptr<GDownloadedFont> first;
  std::unique_ptr<GDownloadedFont> second;
  (void)ListResident(list, &owner, &description, Face(), 2048, first);
  (void)ListResident(list, &owner, &description, Face("Times"), 4096, second);
  EXPECT_EQ(owner.Budget().Used(), 6144u);
  EXPECT_EQ(list.TotalSize(), 6144u);
  list.MarkEncodingWritten(629);
  list.MarkEncodingWritten(621);
  EXPECT_TRUE(list.IsEncodingWritten(629));
  EXPECT_FALSE(list.IsEncodingWritten(293));

  list.EndJob();
  EXPECT_EQ(list.TotalSize(), 0u);
  EXPECT_EQ(owner.Budget().Used(), 0u);
  EXPECT_EQ(owner.NoFontCalls(), 0);  // resident fonts are never removed from the printer
  EXPECT_FALSE(list.IsEncodingWritten(629));
  EXPECT_FALSE(list.IsEncodingWritten(621));
}

TEST(GPSFontDownloaderTest, AKeptDescriptionOutlivesTheListItWasFoundIn) {
  GPSFontDownloader list;
  const GDeviceFontDescription* kept = nullptr;
  {
    const auto lists = Lists({{Description("Helvetica", "Helvetica-Bold", 1, 0, 700)}});
    FwTestFont font(new FwTestFontImp(nullptr, [] {
                      GFontFaceRecord face = Face();
                      face.weight = 700;
                      return face;
                    }(), vel::test::InstanceRecord(2)), nullptr);
    const GDeviceFontDescription* found = MatchResidentFont(*lists, font);
    ASSERT_NE(found, nullptr);
    kept = list.KeepDescription(*found);
  }
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(std::string(kept->GetSecondName().Data()), "Helvetica-Bold");
  EXPECT_EQ(kept->GetFirstMatch(), 700);
}

TEST(GPSFontDownloaderTest, GlyphCodesInvertTheFontsCharacterMapOncePerJob) {
  auto* metrics = new FwFreeTypeMetrics(vel::test::kDejaVuSans.path);
  if (!metrics->IsOpen()) {
    delete metrics;
    GTEST_SKIP() << vel::test::kDejaVuSans.file << " is missing: install "
                 << vel::test::kDejaVuSans.package;
  }
  GFontFaceRecord face = Face("DejaVu Sans");
  face.first_char = 0x20;
  face.last_char = 0x7E;
  face.default_char = '?';
  FwTestFont font(FwTestFontImp::WithMetrics(metrics, face, vel::test::InstanceRecord(2)),
                  nullptr);
  GPSFontDownloader list;
  const GPSFontDownloader::GlyphCodes* table = list.CodesOfGlyphs(font);
  ASSERT_NE(table, nullptr);
  for (const char code : {'A', 'z', ' ', '~', '?'}) {
    std::uint16_t found = 0;
    ASSERT_TRUE(GPSFontDownloader::CodeOfGlyph(*table, metrics->GlyphOf(code), found)) << code;
    EXPECT_EQ(found, static_cast<std::uint16_t>(code));
  }
  std::uint16_t found = 0;
  EXPECT_FALSE(GPSFontDownloader::CodeOfGlyph(*table, metrics->GlyphOf(0xE9), found));
  EXPECT_FALSE(GPSFontDownloader::CodeOfGlyph(*table, 0, found));

  // Made once a job.
  const int calls = metrics->map_range_calls + metrics->map_code_calls;
  EXPECT_EQ(list.CodesOfGlyphs(font), table);
  EXPECT_EQ(metrics->map_range_calls + metrics->map_code_calls, calls);
  list.EndJob();
  ASSERT_NE(list.CodesOfGlyphs(font), nullptr);
  EXPECT_GT(metrics->map_range_calls + metrics->map_code_calls, calls);

  // A font that cannot map its range has no table.
  GFontFaceRecord empty = Face();
  empty.first_char = 0x80;
  empty.last_char = 0x20;
  FwTestFont backwards(new FwTestFontImp(nullptr, empty, vel::test::InstanceRecord(2)), nullptr);
  EXPECT_EQ(list.CodesOfGlyphs(backwards), nullptr);
  FwTestFont none(nullptr, nullptr);
  EXPECT_EQ(list.CodesOfGlyphs(none), nullptr);
}

}  // namespace
