// The PostScript back end's text: printer-resident fonts matched and registered, their memory,
// encoding vectors and font selection written once, the fallback to Courier, glyph-index text
// turned back into codes, 16-bit text turned into the font's single-byte set, and what Ghostscript
// makes of it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GCharTranslator.h"
#include "framework/core/GConfiguration.h"
#include "framework/output/GDeviceFontDescription.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "framework/output/GPostScript.h"
#include "framework/output/GTextEscapements.h"
#include "framework/output/GTextString.h"
#include "framework/output/fonts/GDownloadedFont.h"
#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GColorPaint.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterPaint.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "tests/support/FreeTypeFace.h"
#include "tests/support/FwJobHarness.h"
#include "tests/support/FwTestFonts.h"
#include "tests/support/FwTestOSServices.h"
#include "tests/support/Ghostscript.h"
#include "tools/veldata/DriverData.h"

namespace vel::test {
namespace {

GValueVector Sets(std::initializer_list<std::int32_t> sets) {
  GValueVector vector;
  for (std::int32_t set : sets) {
    vector.Append(set);
  }
  return vector;
}

// A scalable printer font `name`, printed as `printer_name`, weight 400, upright, for the
// character sets given.
GDeviceFontDescription Resident(const char* name, const char* printer_name,
                                std::initializer_list<std::int32_t> sets = {4, 16}) {
  return GDeviceFontDescription(name, printer_name, sets.size() == 1 ? *sets.begin() : 16,
                                Sets(sets), 400, 0, 0, 0, 1, 0, 0, 0);
}

GFontFaceRecord Face(const char* name, std::int16_t size, std::uint32_t char_set = 4) {
  GFontFaceRecord face;
  face.name = name;
  face.weight = 400;
  face.char_set = char_set;
  face.size = size;
  face.first_char = 0x20;
  face.last_char = 0xFF;
  face.default_char = '?';
  return face;
}

// A font of the face (upright, not bold, outlines allowed); `metrics` (taken over) maps its codes.
FwTestFont* Font(const GFontFaceRecord& face, GFontMetrics* metrics = nullptr,
                 GFontInstanceRecord instance = InstanceRecord(2)) {
  GFontImp* implementation = metrics != nullptr
                                 ? FwTestFontImp::WithMetrics(metrics, face, instance)
                                 : new FwTestFontImp(nullptr, face, instance);
  return new FwTestFont(implementation, nullptr);
}

GTextString Text8(const std::string& bytes, std::uint32_t kind = 4) {
  std::vector<std::uint16_t> codes(bytes.begin(), bytes.end());
  for (std::uint16_t& code : codes) {
    code &= 0xFF;
  }
  const GTextString borrowed(GCharacterBuffer(codes.data(), static_cast<std::uint32_t>(codes.size())),
                             static_cast<std::uint16_t>(codes.size()), 2, kind);
  GTextString owned(borrowed);
  return owned;
}

GTextString Text16(const std::u16string& characters, std::uint32_t kind = 16) {
  std::vector<std::uint16_t> codes(characters.begin(), characters.end());
  const GTextString borrowed(GCharacterBuffer(codes.data(), static_cast<std::uint32_t>(codes.size())),
                             static_cast<std::uint16_t>(codes.size()), 2, kind);
  GTextString owned(borrowed);
  return owned;
}

// x advances of `step` for each character (the last one 0, as the text graphic makes them).
GTextEscapements Advances(std::size_t count, std::int16_t step) {
  std::vector<std::int16_t> xs(count, step);
  if (!xs.empty()) {
    xs.back() = 0;
  }
  const GTextEscapements borrowed(GCharacterBuffer(xs.data(), static_cast<std::uint32_t>(xs.size())),
                                  GCharacterBuffer(), static_cast<std::uint16_t>(count));
  GTextEscapements owned(borrowed);
  return owned;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t found = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++found;
  }
  return found;
}

// A job through the real printer head with the PostScript back end, the test services (their
// character translator) and the resident fonts the test gives.
class PostScriptText : public ::testing::Test {
 protected:
  void SetUp() override {
    services_ = new TestOSServices;
    harness_ = std::make_unique<JobHarness>(vel::data::BuildPostScript(nullptr));
  }
  void TearDown() override {
    harness_.reset();
    fonts_.clear();
    ReleaseCodePageTranslator();
    DeleteOSServices();
  }

  GPostScript& BackEnd() const { return *dynamic_cast<GPostScript*>(harness_->BackEnd()); }

  void AddResident(const GDeviceFontDescription& description) {
    auto* lists = dynamic_cast<GDeviceFontListComposite*>(
        harness_->Configuration().FindByKey(vel::key::kDeviceFontLists));
    ASSERT_NE(lists, nullptr);
    GDeviceFontList* list = lists->Find(vel::key::kDIMMFonts1);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->Append(description));
  }

  GFont* Keep(FwTestFont* font) {
    fonts_.emplace_back(font);
    return font;
  }

  void Start() {
    ASSERT_EQ(harness_->StartDocument(u"Text"), 0);
    ASSERT_EQ(harness_->StartPage(PageSettings{0, {}, {}, MakeTestMedia(2, 5100, 6600)}), 0);
  }
  void End() {
    ASSERT_EQ(harness_->EndPage(), 0);
    ASSERT_EQ(harness_->EndDocument(), 0);
  }
  void Show(GFont* font, const GTextString& text, GPoint at = {600, 600},
            std::int16_t step = 60) {
    const GTextEscapements advances = Advances(text.GetLength(), step);
    ASSERT_EQ(BackEnd().WriteText(font, &text, &advances, at), 0);
  }

  std::string PostScript() const { return harness_->LastJob().Text(); }
  // Code sets are converted through the character translator, which only the render flavour's
  // services make.
  static bool HasTranslator() { return GetCodePageTranslator() != nullptr; }

  void ExpectGhostscriptRuns() const {
    if (!GhostscriptAvailable()) {
      return;
    }
    const GsRun run = RunGhostscript(PostScript());
    EXPECT_TRUE(run.Succeeded()) << run.output;
  }

  TestOSServices* services_ = nullptr;
  std::unique_ptr<JobHarness> harness_;
  std::vector<std::unique_ptr<FwTestFont>> fonts_;
};

TEST_F(PostScriptText, AResidentFontIsRegisteredOnceAndItsVectorAndSelectionWrittenOnce) {
  AddResident(Resident("Arial", "Helvetica"));
  GFont* font = Keep(Font(Face("Arial", 100)));
  Start();
  Show(font, Text8("Hello"));
  Show(font, Text8("World"), {600, 800});
  Show(font, Text16(u"Unicode"), {600, 1000});
  // A registered resident font takes memory in the budget until the document ends.
  EXPECT_EQ(BackEnd().Budget().Used(), 2048u);
  ASSERT_NE(font->GetDownloadedFont(), nullptr);
  EXPECT_EQ(font->GetDownloadedFont()->GetState(), GDownloadedFontImp::kResident);
  End();
  EXPECT_EQ(BackEnd().Budget().Used(), 0u);
  EXPECT_EQ(BackEnd().GetTextDiagnostics().courier, 0u);

  const std::string text = PostScript();
  EXPECT_EQ(Count(text, "/SymbolEcoding629\r\n"), 1u);
  // The font has a Unicode set: Unicode text selects its symbol set (590), shown as Western
  // Latin bytes.
  EXPECT_EQ(Count(text, "/SymbolEcoding590\r\n"), 1u);
  EXPECT_EQ(Count(text, " reencode"), 2u);
  EXPECT_NE(text.find("SymbolEcoding629  /_Helvetica /Helvetica reencode\r\n"
                      "[ 100 0 0 100  neg 0 0 ]  /_Helvetica MF\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("gsave\r\n600 600 moveto  brush (Hello)[60 60 60 60 0 ] xshow\r\n"
                      "grestore\r\n"),
            std::string::npos);
  if (HasTranslator()) {
    EXPECT_NE(text.find("(Unicode)"), std::string::npos);
  }
  ExpectGhostscriptRuns();
}

TEST_F(PostScriptText, TheNextJobChargesAndDefinesAgainAndEachPageSelectsAgain) {
  AddResident(Resident("Arial", "Helvetica"));
  GFont* font = Keep(Font(Face("Arial", 100)));
  for (int job = 0; job < 2; ++job) {
    SCOPED_TRACE(job);
    ASSERT_EQ(harness_->StartDocument(u"Text"), 0);
    for (int page = 0; page < 2; ++page) {
      ASSERT_EQ(harness_->StartPage(PageSettings{0, {}, {}, MakeTestMedia(2, 5100, 6600)}), 0);
      Show(font, Text8("Page"));
      EXPECT_EQ(BackEnd().Budget().Used(), 2048u);
      ASSERT_EQ(harness_->EndPage(), 0);
    }
    ASSERT_EQ(harness_->EndDocument(), 0);
    EXPECT_EQ(BackEnd().Budget().Used(), 0u);
    const std::string text = PostScript();
    EXPECT_EQ(Count(text, "/SymbolEcoding629\r\n"), 1u);
    EXPECT_EQ(Count(text, " reencode"), 2u);
  }
  ExpectGhostscriptRuns();
}

TEST_F(PostScriptText, AFontWithoutAResidentMatchPrintsInCourier) {
  AddResident(Resident("Arial", "Helvetica"));
  GFont* bold = Keep(Font([] {
    GFontFaceRecord face = Face("Arial", 80);
    face.weight = 700;  // no bold Arial among the printer's fonts
    return face;
  }()));
  GFont* unknown = Keep(Font(Face("Wingdings", 0)));  // and of size 0
  Start();
  Show(bold, Text8("Bold"));
  Show(unknown, Text8("Zero"), {600, 900});
  End();
  EXPECT_EQ(BackEnd().GetTextDiagnostics().courier, 2u);
  EXPECT_EQ(BackEnd().Budget().Used(), 0u);
  EXPECT_EQ(bold->GetDownloadedFont(), nullptr);
  const std::string text = PostScript();
  EXPECT_NE(text.find("SymbolEcoding629  /_Courier /Courier reencode\r\n[ 80 0 0 80  neg"),
            std::string::npos);
  // A size of 0 gives the smallest matrix the format prints.
  EXPECT_NE(text.find("[ .0001 0 0 .0001  neg 0 0 ]  /_Courier MF"), std::string::npos);
  ExpectGhostscriptRuns();
}

TEST_F(PostScriptText, TextIsShownAsBytesOfTheFontsSetWithItsSpecialBytesEscaped) {
  AddResident(Resident("Arial", "Helvetica", {4}));
  GFont* font = Keep(Font(Face("Arial", 100)));
  Start();
  if (!HasTranslator()) {
    GTEST_SKIP() << "no character translator in this flavour";
  }
  // 16-bit Unicode text: the resident font has no Unicode set, so the text turns into its
  // Western Latin bytes (e-acute is 0xE9), whole, with its NUL.
  Show(font, Text16(std::u16string(u"(\u00e9)\\") + u'\0' + u"z"));
  End();
  const std::string text = PostScript();
  EXPECT_NE(text.find(std::string("(\\(\xE9\\)\\\\\\000z)[60 60 60 60 60 0 ] xshow")),
            std::string::npos);
  ExpectGhostscriptRuns();
}

TEST_F(PostScriptText, TextInEverySymbolSetDefinesItsVector) {
  const struct {
    std::int32_t set;
    std::int16_t symbol_set;
  } sets[] = {{2, 2},     {3, 621},  {4, 629},  {5, 293},  {6, 180},  {7, 295},
              {8, 296},   {9, 310},  {12, 620}, {14, 306}, {15, 628}, {16, 590},
              {17, 619},  {18, 579}, {19, 643}, {20, 616}, {22, 584}, {23, 596}};
  std::vector<GFont*> fonts;
  for (const auto& s : sets) {
    const std::string name = "Face" + std::to_string(s.set);
    AddResident(Resident(name.c_str(), s.set == 3 ? "Symbol" : "Times-Roman", {s.set}));
    fonts.push_back(Keep(Font(Face(name.c_str(), 60, static_cast<std::uint32_t>(s.set)))));
  }
  Start();
  std::int16_t y = 200;
  for (std::size_t i = 0; i < std::size(sets); ++i) {
    Show(fonts[i], Text8("Ab(1)", static_cast<std::uint32_t>(sets[i].set)), {300, y});
    y = static_cast<std::int16_t>(y + 80);
  }
  End();
  EXPECT_EQ(BackEnd().GetTextDiagnostics().courier, 0u);
  const std::string text = PostScript();
  for (const auto& s : sets) {
    EXPECT_EQ(Count(text, "/SymbolEcoding" + std::to_string(s.symbol_set) + "\r\n"), 1u)
        << s.set;
  }
  EXPECT_NE(text.find("/_Symbol /Symbol reencode"), std::string::npos);
  ExpectGhostscriptRuns();
}

TEST_F(PostScriptText, GlyphIndexTextIsTurnedBackIntoCodes) {
  auto* metrics = new FwFreeTypeMetrics(kDejaVuSans.path);
  if (!metrics->IsOpen()) {
    delete metrics;
    GTEST_SKIP() << kDejaVuSans.file << " is missing: install " << kDejaVuSans.package;
  }
  AddResident(Resident("DejaVu", "Helvetica"));
  GFontFaceRecord face = Face("DejaVu", 100);
  face.last_char = 0x7E;
  GFont* font = Keep(Font(face, metrics));
  face.name = "Unregistered";
  GFont* other = Keep(Font(face, new FwFreeTypeMetrics(kDejaVuSans.path)));
  GFont* empty = Keep(new FwTestFont(nullptr, nullptr));

  // A, B, a glyph outside the font's range (dropped: the B before it takes its advance), C.
  const std::vector<std::uint16_t> glyphs = {metrics->GlyphOf('A'), metrics->GlyphOf('B'),
                                             metrics->GlyphOf(0xE9), metrics->GlyphOf('C')};
  const GTextString indexes(GCharacterBuffer(glyphs.data(), 4), 4, 2, 1);
  std::vector<std::int16_t> xs = {10, 20, 40, 0};
  const GTextEscapements advances(GCharacterBuffer(xs.data(), 4), GCharacterBuffer(), 4);

  Start();
  // Glyph-index text registers no font: first the font is registered by a text of codes.
  EXPECT_EQ(BackEnd().WriteText(font, &indexes, &advances, {600, 600}), 0);
  Show(font, Text8("Codes"), {600, 800});
  EXPECT_EQ(BackEnd().WriteText(font, &indexes, &advances, {600, 1000}), 0);
  EXPECT_EQ(BackEnd().WriteText(other, &indexes, &advances, {600, 1200}), 0);
  EXPECT_EQ(BackEnd().WriteText(empty, &indexes, &advances, {600, 1400}), 0);
  End();

  const GPostScript::TextDiagnostics& counted = BackEnd().GetTextDiagnostics();
  EXPECT_EQ(counted.glyph_index, 3u);
  EXPECT_EQ(counted.dropped_glyphs, 3u);
  EXPECT_EQ(counted.courier, 2u);  // before the registration, and the unregistered font
  EXPECT_EQ(counted.skipped, 1u);  // no font to map
  const std::string text = PostScript();
  EXPECT_EQ(Count(text, "(ABC)[10 60 0 ] xshow"), 3u);
  // Once registered, the font shows glyph-index text too.
  const std::size_t registered = text.find("600 1000 moveto  brush (ABC)");
  ASSERT_NE(registered, std::string::npos);
  EXPECT_EQ(text.rfind(" MF\r\n", registered), text.rfind("/_Helvetica MF\r\n", registered) + 11);
  EXPECT_EQ(text.find("1400 moveto"), std::string::npos);
  ExpectGhostscriptRuns();
}

// An 8 x 8 checker of one bit per pixel, black and white.
GBitmap Checker() {
  auto* data = new std::uint8_t[32]();
  for (int row = 0; row < 8; ++row) {
    data[row * 4] = row % 2 == 0 ? 0xAA : 0x55;
  }
  GRGBColor white(255, 255, 255, 255);
  GRGBColor black(0, 0, 0, 255);
  GColorPointerVector colours;
  colours.insert(&white);
  colours.insert(&black);
  return GBitmap(1, data, 32, 4, GPoint{0, 0}, GPoint{8, 8}, 1, 1, 0, new GPaletteTable(colours),
                 0, 0, 0, 0, 0, 0, 0, 0);
}

TEST_F(PostScriptText, TextBeforeAnyBrushAndTextInAPatternBrushRun) {
  GFont* font = Keep(Font(Face("Courier New", 120)));
  Start();
  Show(font, Text8("First"));
  auto* bundle = new GGraphicBundle;
  bundle->SetPen(new GNoPen);
  bundle->SetBrush(new GBrush(new GRasterPaint(Checker())));
  ASSERT_EQ(harness_->Send(new GRectangleGraphic(GRect{100, 100, 200, 200}, bundle, 0)), 0);
  Show(font, Text8("Patterned"), {600, 900});
  Show(font, Text8("X"), {600, 1200});  // one character: no advances
  End();
  const std::string text = PostScript();
  EXPECT_NE(text.find("1200 moveto  brush (X)[0 ] xshow"), std::string::npos);
  ExpectGhostscriptRuns();
}

TEST_F(PostScriptText, ATextsDarkPixelsLieInsideItsBox) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  AddResident(Resident("Arial", "Helvetica"));
  GFont* font = Keep(Font(Face("Arial", 300)));
  Start();
  // Ten characters of 200 pixels from (1200, 2400): the box runs from x 1200 to 3400 (the last
  // character's width past its origin) and from y 2400 - 300 to 2400 + 100 (descenders).
  Show(font, Text8("HHHHHHHHHg"), {1200, 2400}, 200);
  End();
  GsOptions options;
  options.device = "ppmraw";
  options.resolution = 36;  // 600 dpi pixels / 16.67
  const GsRun run = RunGhostscript(PostScript(), options);
  ASSERT_TRUE(run.Succeeded()) << run.output;
  ASSERT_EQ(run.pages.size(), 1u);
  const GsPage& page = run.pages[0];
  const double scale = 36.0 / 600.0;
  int dark = 0;
  int outside = 0;
  for (int y = 0; y < page.height; ++y) {
    for (int x = 0; x < page.width; ++x) {
      const std::uint32_t pixel = page.Pixel(x, y);
      if (((pixel >> 16) & 0xFF) > 128) {
        continue;
      }
      ++dark;
      const bool inside = x >= 1200 * scale - 1 && x <= 3400 * scale + 1 &&
                          y >= 2100 * scale - 1 && y <= 2500 * scale + 1;
      outside += inside ? 0 : 1;
    }
  }
  EXPECT_GT(dark, 50);
  EXPECT_EQ(outside, 0);
}

}  // namespace
}  // namespace vel::test
