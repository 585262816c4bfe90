// The PCL XL back end's text: printer fonts found, matched or downloaded, TrueType and bitmap
// downloads rebuilt and compared with FreeType, character attributes, capacity and memory, the
// capability queries and malformed fonts. Every job is checked by the independent job checker.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GBinaryData.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GPersistableLong.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/MAssociationList.h"
#include "framework/core/MPersistentAssociation.h"
#include "framework/output/GDeviceFontDescription.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "framework/output/GKestrix.h"
#include "framework/output/GTextEscapements.h"
#include "framework/output/GTextString.h"
#include "framework/output/fonts/GDownloadedFont.h"
#include "framework/output/fonts/GGlyphBitmap.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "framework/pipeline/GTextStringGraphic.h"
#include "tests/framework/fonts/FontTestFixture.h"
#include "tests/framework/fonts/MalformedFonts.h"
#include "tests/support/FreeTypeFace.h"
#include "tests/support/FwJobHarness.h"
#include "tests/support/FwTestTrueTypeFont.h"
#include "tests/support/PclXlCheckRules.h"
#include "tests/support/PclXlChecker.h"
#include "tests/support/XlFontRebuild.h"

namespace vel::test {
namespace {

constexpr RealFont kDejaVuSansBold{"DejaVuSans-Bold.ttf",
                                   "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
                                   "fonts-dejavu-core"};

const PageSettings kPage{0, {}, {}, MakeTestMedia(2, 5100, 6600)};

GTextString Text(const std::vector<std::uint16_t>& chars, std::uint32_t kind = 16) {
  const GCharacterBuffer borrowed(chars.data(), static_cast<std::uint32_t>(chars.size()));
  return GTextString(GCharacterBuffer::CopyOf(borrowed), static_cast<std::uint16_t>(chars.size()),
                     2, kind);
}

std::vector<std::uint16_t> Chars(const std::u16string& text) {
  return std::vector<std::uint16_t>(text.begin(), text.end());
}

// Every code from first to last that the font maps, at most `limit` of them.
std::vector<std::uint16_t> MappedChars(const char* path,
                                       std::uint32_t first,
                                       std::uint32_t last,
                                       std::size_t limit = 100000) {
  FreeTypeFace face(path);
  std::vector<std::uint16_t> chars;
  for (std::uint32_t code = first; code <= last && chars.size() < limit; ++code) {
    if (face.CharIndex(code) != 0) {
      chars.push_back(static_cast<std::uint16_t>(code));
    }
  }
  return chars;
}

std::vector<std::string> Names(const std::vector<XlOperation>& operations) {
  std::vector<std::string> names;
  for (const XlOperation& operation : operations) {
    names.push_back(XlOperatorName(operation.code));
  }
  return names;
}

std::size_t CountOf(const std::vector<std::string>& names, const std::string& name) {
  return static_cast<std::size_t>(std::count(names.begin(), names.end(), name));
}

// A font memory of `units` x 10,485 bytes (attribute 202).
std::function<void(JobHarness&)> FontMemory(std::int32_t units) {
  return [units](JobHarness& harness) {
    delete harness.Configuration().RemoveByKey(vel::key::kDeviceMemory);
    harness.Configuration().Add(new GRangeAttribute(4, 132, 4, units, vel::key::kDeviceMemory));
  };
}

class GKestrixTextTest : public FontTest {
 protected:
  // The fonts hold files of the pool, which goes with the fixture.
  void TearDown() override {
    fonts_.clear();
    FontTest::TearDown();
  }
  // A font over a real font file (read once per test) or an image.
  FwTestFont* FontOf(const RealFont& real,
                     std::uint32_t flags = 2,
                     const std::function<void(GFontFaceRecord&)>& adjust = {}) {
    auto& source = Source(real.path, {});
    GFontFaceRecord face = FaceRecordOf(real.path, 50, 16);
    if (adjust) {
      adjust(face);
    }
    fonts_.emplace_back(MakeTrueTypeFont(source, face, InstanceRecord(flags)));
    return fonts_.back().get();
  }
  FwTestFont* ImageFont(const std::string& name,
                        std::vector<std::uint8_t> image,
                        std::uint32_t flags = 2) {
    auto& source = Source(name, std::move(image));
    GFontFaceRecord face;
    face.char_set = 16;
    face.first_char = 0x20;
    face.last_char = 0xFF;
    face.size = 40;
    face.width_scale = 1.0F;
    face.height_scale = 1.0F;
    face.name = RWCString(name.c_str());
    fonts_.emplace_back(MakeTrueTypeFont(source, face, InstanceRecord(flags)));
    return fonts_.back().get();
  }
  TestTrueType& Source(const std::string& path, std::vector<std::uint8_t> image) {
    for (auto& known : sources_) {
      if (known->path == path) {
        return *known;
      }
    }
    if (image.empty()) {
      image = ReadFontFile(path.c_str());
      EXPECT_FALSE(image.empty()) << path;
    }
    sources_.push_back(std::make_unique<TestTrueType>(TestTrueType{path, std::move(image)}));
    return *sources_.back();
  }
  // Runs a job of one page per function and answers its checked bytes.
  Bytes Job(const std::vector<std::function<void(GKestrix&)>>& pages,
            const std::function<void(JobHarness&)>& configure = {}) {
    std::vector<std::function<void(JobHarness&)>> through;
    for (const auto& page : pages) {
      through.push_back([&page](JobHarness& harness) { page(*harness.Kestrix()); });
    }
    return ChainJob(through, configure);
  }
  // The same, the pages given the harness (to send commands through the chain).
  Bytes ChainJob(const std::vector<std::function<void(JobHarness&)>>& pages,
                 const std::function<void(JobHarness&)>& configure = {}) {
    JobHarness harness;
    if (configure) {
      configure(harness);
    }
    EXPECT_EQ(harness.StartDocument(), 0);
    for (const auto& page : pages) {
      EXPECT_EQ(harness.StartPage(kPage), 0);
      page(harness);
      EXPECT_EQ(harness.EndPage(), 0);
    }
    dropped_ = harness.Kestrix()->DroppedTextCount();
    EXPECT_EQ(harness.EndDocument(), 0);
    const Bytes bytes = harness.LastJob().bytes;
    EXPECT_TRUE(PassesPclXlCheck(bytes, check_options_));
    return bytes;
  }
  static void Print(GKestrix& k,
                    GFont& font,
                    const std::vector<std::uint16_t>& chars,
                    std::uint32_t kind = 16,
                    std::int16_t x = 100,
                    std::int16_t y = 200) {
    const GTextString text = Text(chars, kind);
    std::vector<std::int16_t> advances(chars.size(), 30);
    if (!advances.empty()) {
      advances.back() = 0;
    }
    const GCharacterBuffer borrowed(advances.data(), static_cast<std::uint32_t>(advances.size()));
    GTextEscapements escapements(GCharacterBuffer::CopyOf(borrowed), GCharacterBuffer(),
                                 static_cast<std::uint16_t>(chars.size()));
    EXPECT_EQ(k.PrintText(font, text, &escapements, x, y), 0);
  }

  std::vector<std::unique_ptr<TestTrueType>> sources_;
  std::vector<std::unique_ptr<FwTestFont>> fonts_;
  std::uint32_t dropped_ = 0;
  XlCheckOptions check_options_;
};

// The job of a rectangle and a text in a TrueType font not yet downloaded, operator by operator:
// the text printed by the back end, and the same text sent through the chain as a text-string
// graphic. The job's end removes the font it downloaded.
TEST_F(GKestrixTextTest, TheOnePageJobWritesTheOperatorsInOrder) {
  FwTestFont* font = FontOf(kDejaVuSans);
  const std::vector<std::uint16_t> vel = Chars(u"Vel");
  const GPoint positions[] = {{100, 200}, {130, 200}, {160, 200}};
  const GRect box{10, 20, 110, 220};
  const struct {
    const char* name;
    std::function<void(JobHarness&)> page;
  } ways[] = {
      {"printed by the back end",
       [&](JobHarness& harness) {
         GRectangleGraphic rectangle(box, nullptr, 0);
         EXPECT_EQ(harness.Kestrix()->HandleRectangleGraphic(rectangle), 0);
         Print(*harness.Kestrix(), *font, vel);
       }},
      {"a text-string graphic through the chain",
       [&](JobHarness& harness) {
         EXPECT_EQ(harness.Send(new GRectangleGraphic(box, nullptr, 0)), 0);
         EXPECT_EQ(harness.Send(new GTextStringGraphic(new FwTestFont(*font), vel.data(), 0, 16,
                                                       positions, 3, nullptr)),
                   0);
       }},
  };
  // The header's ReadFontHeader pieces: descriptor, 'GT', offset table, directory, five tables,
  // 'GC', the null segment.
  std::vector<std::string> expected = {"BeginSession", "OpenDataSource", "BeginPage",
                                       "SetClipMode",  "NewPath",        "RectanglePath",
                                       "PaintPath",    "NewPath",        "BeginFontHeader"};
  expected.insert(expected.end(), 11, "ReadFontHeader");
  for (const char* name : {"EndFontHeader", "BeginChar", "ReadChar", "EndChar", "BeginChar",
                           "ReadChar", "ReadChar", "ReadChar", "EndChar", "SetFont", "SetCursor",
                           "Text", "EndPage", "RemoveFont", "CloseDataSource", "EndSession"}) {
    expected.push_back(name);
  }
  FreeTypeFace face(kDejaVuSans.path);
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    const Bytes bytes = ChainJob({way.page});
    const XlCheckResult result = PclXlChecker().Check(bytes);
    EXPECT_EQ(Names(result.job.operations), expected);
    ASSERT_EQ(result.job.fonts.size(), 1u);
    const XlFont& downloaded = result.job.fonts[0];
    EXPECT_EQ(downloaded.name, "0TTDejaVu Sans");
    EXPECT_EQ(downloaded.mapping, 2);  // the text's code 16 is printed in code set 2
    EXPECT_TRUE(DownloadMatchesFreeType(downloaded, kDejaVuSans.path));
    const XlOperation* set_font = nullptr;
    const XlOperation* text = nullptr;
    const XlOperation* removed = nullptr;
    for (const XlOperation& operation : result.job.operations) {
      const std::string name = XlOperatorName(operation.code);
      set_font = name == "SetFont" ? &operation : set_font;
      text = name == "Text" ? &operation : text;
      removed = name == "RemoveFont" ? &operation : removed;
    }
    ASSERT_NE(set_font, nullptr);
    EXPECT_EQ(set_font->Find(0xA8)->Text(), "0TTDejaVu Sans");
    EXPECT_EQ(set_font->Find(0xA6)->values, std::vector<double>{50});
    EXPECT_EQ(set_font->Find(0xAA)->values, std::vector<double>{2});
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->Find(0xA8)->Text(), "0TTDejaVu Sans");
    // The codes are the glyph ids (below 256 they pass the glyph-code map unchanged).
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Find(0xAB)->values,
              (std::vector<double>{static_cast<double>(face.CharIndex('V')),
                                   static_cast<double>(face.CharIndex('e')),
                                   static_cast<double>(face.CharIndex('l'))}));
    EXPECT_EQ(text->Find(0xAF)->values, (std::vector<double>{30, 30, 0}));
    EXPECT_EQ(text->Find(0xB0), nullptr);  // no y advances
  }
}

TEST_F(GKestrixTextTest, SetFontOncePerPageAndKnownGlyphsAreNotSentAgain) {
  GFont* font = FontOf(kDejaVuSans);
  const Bytes bytes = Job({[&](GKestrix& k) {
                             Print(k, *font, Chars(u"abc"));
                             Print(k, *font, Chars(u"cab"));
                           },
                           [&](GKestrix& k) { Print(k, *font, Chars(u"ba")); }});
  const XlCheckResult result = PclXlChecker().Check(bytes);
  ASSERT_EQ(result.job.pages.size(), 2u);
  const auto first = Names(result.job.pages[0].operations);
  const auto second = Names(result.job.pages[1].operations);
  EXPECT_EQ(CountOf(first, "SetFont"), 1u);
  EXPECT_EQ(CountOf(first, "Text"), 2u);
  EXPECT_EQ(CountOf(first, "BeginChar"), 2u);  // the special glyph, then a, b, c
  EXPECT_EQ(CountOf(first, "ReadChar"), 4u);
  EXPECT_EQ(CountOf(second, "SetFont"), 1u);
  EXPECT_EQ(CountOf(second, "BeginChar"), 0u);
  EXPECT_EQ(CountOf(second, "BeginFontHeader"), 0u);
}

TEST_F(GKestrixTextTest, RebuiltDownloadsEqualFreeTypesReading) {
  struct Case {
    const char* name;
    RealFont font;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
    std::size_t limit;
    bool vertical;
  };
  const Case cases[] = {
      {"DejaVuSans Latin-1, Greek, Cyrillic",
       kDejaVuSans,
       {{0x20, 0x7E}, {0xA0, 0xFF}, {0x370, 0x3FF}, {0x400, 0x4FF}},
       100000,
       false},
      {"LiberationSans", kLiberationSans, {{0x20, 0x7E}, {0xA0, 0xFF}}, 100000, false},
      {"DroidSansFallbackFull CJK", kDroidSansFallback, {{0x4E00, 0x9FFF}}, 600, false},
      {"DroidSansFallbackFull CJK vertical", kDroidSansFallback, {{0x3000, 0x9FFF}}, 600, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GFont* font = FontOf(c.font, 2, [&](GFontFaceRecord& face) {
      face.vertical = c.vertical ? 1 : 0;
      face.first_char = 0;
      face.last_char = 0xFFFE;
    });
    std::vector<std::uint16_t> chars;
    for (const auto& [first, last] : c.ranges) {
      const auto some = MappedChars(c.font.path, first, last, c.limit);
      chars.insert(chars.end(), some.begin(), some.end());
    }
    // A font memory that holds the whole download (a smaller one evicts and sends it again).
    const Bytes bytes = Job(
        {[&](GKestrix& k) {
          for (std::size_t at = 0; at < chars.size(); at += 64) {
            const std::size_t end = std::min(chars.size(), at + 64);
            Print(k, *font, std::vector<std::uint16_t>(chars.begin() + at, chars.begin() + end));
          }
        }},
        FontMemory(132));
    const XlCheckResult result = PclXlChecker().Check(bytes);
    ASSERT_EQ(result.job.fonts.size(), 1u);
    const XlFont& downloaded = result.job.fonts[0];
    EXPECT_GE(downloaded.chars.size(), std::min<std::size_t>(chars.size(), 500));
    EXPECT_TRUE(DownloadMatchesFreeType(downloaded, c.font.path));
    if (c.vertical) {
      EXPECT_NE(downloaded.Segment(0x5645), nullptr);  // 'VE'
      EXPECT_NE(downloaded.Segment(0x5652), nullptr);  // 'VR'
      for (const XlFontChar& ch : downloaded.chars) {
        EXPECT_EQ(ch.char_class, 2);
      }
    }
  }
}

// A font of 2000 characters declares 1024: once 1024 codes were sent, a text with a new glyph
// removes the font and sends its header and that text's glyphs again.
TEST_F(GKestrixTextTest, ACapacityOverflowSendsTheFontAgain) {
  GFont* font = FontOf(kDejaVuSans, 2, [](GFontFaceRecord& face) {
    face.first_char = 0x20;
    face.last_char = 0x20 + 1999;
  });
  const std::vector<std::uint16_t> chars = MappedChars(kDejaVuSans.path, 0x20, 0x2FFF, 1200);
  ASSERT_EQ(chars.size(), 1200u);
  const Bytes bytes = Job(
      {[&](GKestrix& k) {
        for (std::size_t at = 0; at < chars.size(); at += 40) {
          Print(k, *font, std::vector<std::uint16_t>(chars.begin() + at, chars.begin() + at + 40));
        }
      }},
      FontMemory(132));  // room for every glyph: only the capacity counts
  const XlCheckResult result = PclXlChecker().Check(bytes);
  const auto names = Names(result.job.operations);
  EXPECT_EQ(CountOf(names, "RemoveFont"), 1u + 1u);  // the overflow, and the job's end
  ASSERT_EQ(result.job.fonts.size(), 2u);
  EXPECT_EQ(result.job.fonts[0].num_chars, 1024);
  EXPECT_TRUE(result.job.fonts[0].removed);
  EXPECT_EQ(result.job.fonts[1].name, result.job.fonts[0].name);
  // 25 texts fill 1000 codes; the 26th would pass 1024: the second download holds the glyphs of
  // the texts from the 26th on.
  std::size_t second = 0;
  for (const XlFontChar& ch : result.job.fonts[1].chars) {
    second += ch.code != 0xFFFF ? 1 : 0;
  }
  EXPECT_GT(second, 150u);
  EXPECT_LE(second, 200u);
}

// Every malformed font of the reader's table, printed as text, gives a complete job that the
// checker accepts: no SetFont of a font that was never defined, no character of one.
TEST_F(GKestrixTextTest, MalformedFontsGiveCompleteJobs) {
  for (const MalformedFontCase& c : MalformedFontCases()) {
    SCOPED_TRACE(c.name);
    std::vector<SfntTable> tables = TestFontTables();
    if (c.tables) {
      c.tables(tables);
    }
    std::vector<std::uint8_t> file = BuildSfnt(tables);
    if (c.file) {
      c.file(file);
    }
    GFont* font = ImageFont(c.name, file);
    (void)Job({[&](GKestrix& k) {
      Print(k, *font, Chars(u"AB A"));
      Print(k, *font, {0x41, 0x7F, 0x20});
    }});
  }
  // A font without 'hmtx' gets no header, and its texts are dropped (no SetFont, no Text).
  std::vector<SfntTable> tables = TestFontTables();
  RemoveTable(tables, "hmtx");
  GFont* font = ImageFont("no hmtx", BuildSfnt(tables));
  const Bytes bytes = Job({[&](GKestrix& k) {
    Print(k, *font, Chars(u"AB"));
    Print(k, *font, Chars(u"BA"));
  }});
  EXPECT_EQ(dropped_, 2u);
  const auto names = Names(PclXlChecker().Check(bytes).job.operations);
  EXPECT_EQ(CountOf(names, "BeginFontHeader"), 0u);
  EXPECT_EQ(CountOf(names, "SetFont"), 0u);
  EXPECT_EQ(CountOf(names, "Text"), 0u);
  EXPECT_EQ(font->GetDownloadedFont()->GetSequence(), 0);
}

// A list of resident fonts on the first disk, with a first table (by the
// description's 16-bit value) and a second table (by its flag word) of character tables.
GDeviceFontList* ResidentFonts() {
  auto* list = new GDeviceFontList(vel::key::kDiskFonts1);
  GValueVector sets;
  (void)sets.Append(16);
  (void)sets.Append(4);
  // name, printer name, set, sets, weight, italic, style, flag, technology, 16-bit value,
  // size (bitmap fonts), location.
  (void)list->Append(GDeviceFontDescription("DejaVu Sans", "DJV", 16, sets, 400, 0, 0, 77, 1, 5, 0,
                                            GDeviceFontDescription::kDisk));
  GValueVector latin;
  (void)latin.Append(4);
  (void)list->Append(GDeviceFontDescription("Liberation Sans", "LIB50", 4, latin, 400, 0, 0, 0, 0,
                                            0, 50, GDeviceFontDescription::kDisk));
  static std::uint16_t first_table[] = {1, 0x41};
  static std::uint16_t second_table[] = {1, 0x42};
  auto* first = new MAssociationList;
  first->SetAssociation(new MPersistentAssociation(
      new GPersistableULong(5),
      new GBinaryData(reinterpret_cast<std::uint8_t*>(first_table), 4, 0, 0), 0));
  list->SetFirstTable(first);
  auto* second = new MAssociationList;
  second->SetAssociation(new MPersistentAssociation(
      new GPersistableULong(77),
      new GBinaryData(reinterpret_cast<std::uint8_t*>(second_table), 4, 0, 0), 0));
  list->SetSecondTable(second);
  return list;
}

void AddResidentFonts(JobHarness& harness) {
  auto* lists = dynamic_cast<GDeviceFontListComposite*>(
      harness.Configuration().FindByKey(vel::key::kDeviceFontLists));
  ASSERT_NE(lists, nullptr);
  lists->Insert(ResidentFonts());
}

TEST_F(GKestrixTextTest, ResidentFontsByATableOfMatches) {
  struct Case {
    const char* name;
    RealFont font;
    std::uint32_t flags;
    std::function<void(GFontFaceRecord&)> adjust;
    std::uint32_t text_code;
    std::string selected;  // the SetFont name; "" for a download
    double symbol_set;
  };
  const Case cases[] = {
      {"scalable by name", kDejaVuSans, 2, {}, 16, "DJV", 590},
      {"weight differs", kDejaVuSans, 2, [](auto& f) { f.weight = 700; }, 16, "", 2},
      {"italic differs", kDejaVuSans, 2, [](auto& f) { f.italic = 1; }, 16, "", 2},
      {"set not listed", kDejaVuSans, 2, [](auto& f) { f.char_set = 7; }, 16, "", 2},
      {"name differs", kDejaVuSans, 2, [](auto& f) { f.name = "DejaVu"; }, 16, "", 2},
      {"flag bit 0: never matched", kDejaVuSans, 3, {}, 16, "", 2},
      {"text of glyph ids: never matched", kDejaVuSans, 2, {}, 1, "", 2},
      {"bitmap by size", kLiberationSans, 2, [](auto& f) { f.char_set = 4; }, 4, "LIB50", 629},
      {"bitmap of another size", kLiberationSans, 2,
       [](auto& f) {
         f.char_set = 4;
         f.size = 40;
       },
       16, "", 2},
      {"bitmap scaled", kLiberationSans, 2,
       [](auto& f) {
         f.char_set = 4;
         f.width_scale = 1.5F;
       },
       16, "", 2},
      // Text of code 16 in a font whose list names code 4 only: converted into code 4.
      {"converted into the font's set", kLiberationSans, 2, [](auto& f) { f.char_set = 4; }, 16,
       "LIB50", 629},
  };
  check_options_.resident_fonts = {"DJV", "LIB50"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GFont* font = FontOf(c.font, c.flags, c.adjust);
    const Bytes bytes = Job({[&](GKestrix& k) { Print(k, *font, Chars(u"AB"), c.text_code); }},
                            [](JobHarness& harness) { AddResidentFonts(harness); });
    const XlCheckResult result = PclXlChecker(check_options_).Check(bytes);
    EXPECT_EQ(result.ErrorCount(), 0u) << result.Report();
    const XlOperation* set_font = nullptr;
    const XlOperation* text = nullptr;
    for (const XlOperation& operation : result.job.operations) {
      set_font = XlOperatorName(operation.code) == "SetFont" ? &operation : set_font;
      text = XlOperatorName(operation.code) == "Text" ? &operation : text;
    }
    ASSERT_NE(set_font, nullptr);
    ASSERT_NE(text, nullptr);
    if (c.selected.empty()) {
      EXPECT_EQ(result.job.fonts.size(), 1u);
      EXPECT_EQ(set_font->Find(0xA8)->Text(), result.job.fonts.at(0).name);
    } else {
      EXPECT_TRUE(result.job.fonts.empty());
      EXPECT_EQ(set_font->Find(0xA8)->Text(), c.selected);
      if (c.text_code == 4 || HasTranslator()) {  // code 16 into 4 needs the translator
        EXPECT_EQ(text->Find(0xAB)->values, (std::vector<double>{'A', 'B'}));
      }
    }
    EXPECT_EQ(set_font->Find(0xAA)->values, std::vector<double>{c.symbol_set});
  }
}

// A small font memory (attribute 202) evicts the font used earlier, never a resident one: the
// resident font, used first and never again, stays.
TEST_F(GKestrixTextTest, ASmallFontMemoryEvictsTheLeastRecentlyUsedFont) {
  // A resident font of 224 characters takes 2,048 bytes. Flag bit 0: downloaded, never matched
  // with the resident fonts.
  GFont* resident = FontOf(kLiberationSans, 2, [](auto& f) {
    f.char_set = 4;
    f.first_char = 0x20;
    f.last_char = 0xFF;
  });
  GFont* dejavu = FontOf(kDejaVuSans, 3);
  GFont* liberation = FontOf(kLiberationSans, 3);
  GFont* bold = FontOf(kDejaVuSansBold, 3);
  check_options_.resident_fonts = {"DJV", "LIB50"};
  const Bytes bytes = Job({[&](GKestrix& k) {
                            Print(k, *resident, Chars(u"AB"), 4);
                            Print(k, *dejavu, Chars(u"abc"));
                            Print(k, *liberation, Chars(u"abc"));
                            Print(k, *dejavu, Chars(u"def"));  // Liberation is now the older one
                            Print(k, *bold, Chars(u"xyz"));
                            Print(k, *resident, Chars(u"BA"), 4);
                            // The resident font still holds its printer memory.
                            ASSERT_NE(resident->GetDownloadedFont(), nullptr);
                            EXPECT_EQ(resident->GetDownloadedFont()->GetByteCount(), 2048u);
                          }},
                          [](JobHarness& harness) {
                            AddResidentFonts(harness);
                            FontMemory(6)(harness);  // 62,910 bytes: two of the three downloads
                          });
  const XlCheckResult result = PclXlChecker(check_options_).Check(bytes);
  std::vector<std::string> removed;
  std::vector<std::string> selected;
  for (const XlOperation& operation : result.job.operations) {
    const std::string name = XlOperatorName(operation.code);
    if (name == "RemoveFont") {
      removed.push_back(operation.Find(0xA8)->Text());
    } else if (name == "SetFont") {
      selected.push_back(operation.Find(0xA8)->Text());
    }
  }
  ASSERT_FALSE(removed.empty());
  EXPECT_EQ(removed.front(), "1TTLiberation Sans");
  EXPECT_EQ(std::count(removed.begin(), removed.end(), "LIB50"), 0);
  ASSERT_FALSE(selected.empty());
  EXPECT_EQ(selected.front(), "LIB50");
  EXPECT_EQ(selected.back(), "LIB50");
}

// The device font lists follow the configuration: lists put in its place inside a document serve
// the next text, and a font matched in lists that were replaced since stays resident, whole, for
// the rest of the job.
TEST_F(GKestrixTextTest, ReplacedDeviceFontListsServeTheNextTextAndKeepMatchedFonts) {
  check_options_.resident_fonts = {"DJV", "LIB50"};
  GFont* dejavu = FontOf(kDejaVuSans);
  JobHarness harness;
  // New lists in the place of the configuration's, announced as a configuration change.
  const auto replace_lists = [&harness] {
    delete harness.Configuration().RemoveByKey(vel::key::kDeviceFontLists);
    auto* lists = new GDeviceFontListComposite(vel::key::kDeviceFontLists);
    lists->Insert(ResidentFonts());
    harness.Configuration().Add(lists);
    harness.BackEnd()->SetConfiguration(&harness.Configuration());
  };
  const auto document = [&](const std::function<void()>& inside) {
    ASSERT_EQ(harness.StartDocument(), 0);
    ASSERT_EQ(harness.StartPage(kPage), 0);
    inside();
    Print(*harness.Kestrix(), *dejavu, Chars(u"AB"));
    EXPECT_EQ(harness.EndPage(), 0);
    EXPECT_EQ(harness.EndDocument(), 0);
  };
  document(replace_lists);
  replace_lists();
  document([] {});
  const std::vector<JobOutput> jobs = harness.Jobs();
  ASSERT_EQ(jobs.size(), 2u);
  for (const JobOutput& job : jobs) {
    const XlCheckResult result = PclXlChecker(check_options_).Check(job.bytes);
    EXPECT_EQ(result.ErrorCount(), 0u) << result.Report();
    EXPECT_TRUE(result.job.fonts.empty());
    std::vector<std::string> selected;
    for (const XlOperation& operation : result.job.operations) {
      if (XlOperatorName(operation.code) == "SetFont") {
        selected.push_back(operation.Find(0xA8)->Text());
      }
    }
    EXPECT_EQ(selected, std::vector<std::string>{"DJV"});
  }
}

TEST_F(GKestrixTextTest, CapabilityQueriesAnswerTheirFlags) {
  JobHarness harness;
  AddResidentFonts(harness);
  ASSERT_EQ(harness.StartDocument(), 0);
  GKestrix& k = *harness.Kestrix();
  struct FontCase {
    std::uint32_t flags;
    bool resident;
    std::uint32_t answer;
  };
  for (const FontCase& c :
       {FontCase{0, true, 0x04}, FontCase{2, true, 0x14}, FontCase{1, true, 0x08},
        FontCase{3, true, 0x08}, FontCase{1, false, 0x20}, FontCase{3, false, 0x30}}) {
    GFont* font = FontOf(kDejaVuSans, c.flags,
                         [&](GFontFaceRecord& f) { f.weight = c.resident ? 400 : 900; });
    EXPECT_EQ(k.QueryFontCapabilities(*font), c.answer) << c.flags << " " << c.resident;
  }
  struct ResidentCase {
    std::int32_t kind;
    std::int32_t mode;
    bool resident;
    std::uint32_t answer;
    std::uint16_t table;  // the table's second word; 0: none
  };
  const GFontFaceRecord dejavu = FaceRecordOf(kDejaVuSans.path, 50, 16);
  GFontFaceRecord other = dejavu;
  other.name = "Other";
  for (const ResidentCase& c :
       {ResidentCase{0, 0, true, 0x08, 0x41}, ResidentCase{1, 1, true, 0x08, 0x42},
        ResidentCase{2, 2, true, 0x08, 0}, ResidentCase{3, 0, true, 0x04, 0},
        ResidentCase{0, 0, false, 0x20, 0}, ResidentCase{1, 0, false, 0x30, 0},
        ResidentCase{2, 1, false, 0x30, 0}}) {
    const std::uint16_t* table = reinterpret_cast<const std::uint16_t*>(1);
    EXPECT_EQ(k.QueryResidentFont(c.resident ? dejavu : other, c.kind, c.mode, &table), c.answer);
    if (c.table == 0) {
      EXPECT_EQ(table, nullptr);
    } else {
      ASSERT_NE(table, nullptr);
      EXPECT_EQ(table[1], c.table);
    }
  }
  EXPECT_EQ(harness.EndDocument(), 0);
}

// Bitmap fonts: a 'BR' header of scaling 254, glyph rows from the font's metrics, an
// unrenderable glyph skipped; the rows the checker reads are FreeType's rendering.
TEST_F(GKestrixTextTest, BitmapFontsSendTheRowsOfTheirGlyphs) {
  GFontFaceRecord face = FaceRecordOf(kDejaVuSans.path, 30, 16);
  auto* metrics = new FwFreeTypeMetrics(kDejaVuSans.path);
  metrics->unrenderable.insert('x');
  auto font = std::make_unique<FwTestFont>(
      FwTestFontImp::WithMetrics(metrics, face, InstanceRecord(1)), nullptr);
  const std::vector<std::uint16_t> chars = Chars(u"Bitmap x");
  const Bytes bytes = Job({[&](GKestrix& k) { Print(k, *font, chars); }});
  const XlCheckResult result = PclXlChecker().Check(bytes);
  ASSERT_EQ(result.job.fonts.size(), 1u);
  const XlFont& sent = result.job.fonts[0];
  EXPECT_EQ(sent.name, "0BMDejaVu Sans");
  EXPECT_EQ(sent.scaling, 254);
  const XlFontSegment* resolution = sent.Segment(0x4252);
  ASSERT_NE(resolution, nullptr);
  EXPECT_EQ(resolution->data, (Bytes{0x02, 0x58, 0x02, 0x58}));
  // 'B', 'i', 't', 'm', 'a', 'p', ' ', and 'x', which fails to render, without rows.
  ASSERT_EQ(sent.chars.size(), 8u);
  EXPECT_EQ(sent.chars[7].data.size(), 10u);
  EXPECT_EQ(sent.chars[7].width, 0);
  FwFreeTypeMetrics reference(kDejaVuSans.path);
  const std::int16_t cell = static_cast<std::int16_t>(face.size + face.internal_leading);
  for (std::size_t i = 0; i < 7; ++i) {
    GGlyphBitmap expected;
    ASSERT_EQ(reference.CodeBitmap(nullptr, cell, chars[i], &expected), 1);
    const XlFontChar& ch = sent.chars[i];
    EXPECT_EQ(ch.data.size(), 10 + ch.glyph.size());
    EXPECT_EQ(ch.width, expected.width);
    EXPECT_EQ(ch.height, expected.height);
    EXPECT_EQ(ch.left_offset, expected.left);
    EXPECT_EQ(ch.top_offset, expected.top);
    EXPECT_EQ(ch.glyph, expected.bits) << "character " << chars[i];
  }
}

// The character attributes follow the font: only what changed is written, before SetFont.
TEST_F(GKestrixTextTest, CharacterAttributesAreWrittenWhenTheyChange) {
  struct Case {
    const char* name;
    std::function<void(GFontFaceRecord&)> face;
    std::function<void(GFontInstanceRecord&)> instance;
    std::vector<std::string> operators;  // between the last EndChar and SetCursor
    double char_size;
  };
  const Case cases[] = {
      {"plain", {}, {}, {"SetFont"}, 50},
      {"simulated bold", {}, [](auto& i) { i.weight = 700; }, {"SetCharBoldValue", "SetFont"}, 50},
      {"simulated italic",
       {},
       [](auto& i) { i.italic = 1; },
       {"SetCharShear", "SetCharScale", "SetCharAngle", "SetFont"},
       50},
      {"italic face",
       [](auto& f) { f.italic = 1; },
       [](auto& i) { i.italic = 1; },
       {"SetFont"},
       50},
      {"scaled",
       [](auto& f) { f.width_scale = 0.5F; },
       {},
       {"SetCharShear", "SetCharScale", "SetCharAngle", "SetFont"},
       50},
      {"turned",
       {},
       [](auto& i) { i.char_angle = RealFromFloat(-90.0F); },
       {"SetCharShear", "SetCharScale", "SetCharAngle", "SetFont"},
       50},
      {"vertical", [](auto& f) { f.vertical = 1; }, {}, {"SetCharAttributes", "SetFont"}, 50},
      {"size 0", [](auto& f) { f.size = 0; }, {}, {"SetFont"}, 0.000001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GFontFaceRecord face = FaceRecordOf(kDejaVuSans.path, 50, 16);
    if (c.face) {
      c.face(face);
    }
    GFontInstanceRecord instance = InstanceRecord(2);
    if (c.instance) {
      c.instance(instance);
    }
    fonts_.emplace_back(MakeTrueTypeFont(Source(kDejaVuSans.path, {}), face, instance));
    GFont* font = fonts_.back().get();
    const Bytes bytes = Job({[&](GKestrix& k) {
      Print(k, *font, Chars(u"ab"));
      Print(k, *font, Chars(u"ba"));  // nothing changed: no attribute, no SetFont
    }});
    const XlCheckResult result = PclXlChecker().Check(bytes);
    const std::vector<std::string> names = Names(result.job.pages.at(0).operations);
    const auto end_char = std::find(names.rbegin(), names.rend(), "EndChar").base();
    const auto cursor = std::find(end_char, names.end(), "SetCursor");
    EXPECT_EQ(std::vector<std::string>(end_char, cursor), c.operators);
    EXPECT_EQ(CountOf(names, "SetFont"), 1u);
    for (const XlOperation& operation : result.job.pages[0].operations) {
      const std::string name = XlOperatorName(operation.code);
      if (name == "SetFont") {
        EXPECT_FLOAT_EQ(static_cast<float>(operation.Find(0xA6)->values.at(0)),
                        static_cast<float>(c.char_size));
      } else if (name == "SetCharBoldValue") {
        EXPECT_FLOAT_EQ(static_cast<float>(operation.Find(0xB1)->values.at(0)), 0.015F);
      } else if (name == "SetCharShear") {
        EXPECT_FLOAT_EQ(static_cast<float>(operation.Find(0xA5)->values.at(0)),
                        std::string(c.name) == "simulated italic" ? 0.31623F : 0.0F);
      } else if (name == "SetCharAngle") {
        EXPECT_FLOAT_EQ(static_cast<float>(operation.Find(0xA1)->values.at(0)),
                        std::string(c.name) == "turned" ? 270.0F : 0.0F);
      }
    }
  }
}

// A font removed while another is current writes RemoveFont only; removing the current one makes
// the next text select its font again.
TEST_F(GKestrixTextTest, RemovingAFontSelectsAgainOnlyWhenItWasCurrent) {
  GFont* dejavu = FontOf(kDejaVuSans);
  GFont* liberation = FontOf(kLiberationSans);
  const Bytes bytes = Job({[&](GKestrix& k) {
    Print(k, *dejavu, Chars(u"ab"));
    Print(k, *liberation, Chars(u"ab"));
    dejavu->GetDownloadedFont()->Release();  // not the current font
    EXPECT_TRUE(k.GetTextState().font_name == "1TTLiberation Sans");
    liberation->GetDownloadedFont()->Release();  // the current font
    EXPECT_TRUE(k.GetTextState().font_name == "No Font");
    Print(k, *liberation, Chars(u"ab"));
  }});
  const std::vector<std::string> names =
      Names(PclXlChecker().Check(bytes).job.pages.at(0).operations);
  EXPECT_EQ(CountOf(names, "RemoveFont"), 2u);
  EXPECT_EQ(CountOf(names, "BeginFontHeader"), 3u);  // Liberation's header again
  EXPECT_EQ(CountOf(names, "SetFont"), 3u);
}

}  // namespace
}  // namespace vel::test
