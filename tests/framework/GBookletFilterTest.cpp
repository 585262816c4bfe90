// The booklet filter: the imposition table, whole jobs against transcripts written by hand, the
// documents it leaves alone, its page files (integrity, names shared by jobs, deletion), its
// failures, the memory it holds while recording, text whose fonts come back from the font files
// written beside the pages, and its stored form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GIterator.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/MPersistentCompositeOnDisk.h"
#include "framework/core/StringWidth.h"
#include "framework/output/fonts/GFontDatabase.h"
#include "framework/output/fonts/GFontImp.h"
#include "framework/pipeline/BookletLock.h"
#include "framework/pipeline/GCommandCompositeOnDisk.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GPassThroughCommand.h"
#include "framework/pipeline/GTextStringGraphic.h"
#include "framework/pipeline/GTransformAttribute.h"
#include "tests/framework/BookletFixture.h"
#include "tests/framework/fonts/FontTestFixture.h"
#include "tests/support/FreeTypeFace.h"
#include "tests/support/FwTestFonts.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTranscript.h"
#include "tests/support/RwDiskFileCheck.h"

namespace {

namespace classid = vel::classid;
namespace key = vel::key;
using booklet_test::BookletChain;
using booklet_test::BookletTestBase;
using booklet_test::CountedRectangle;
using booklet_test::JobSettings;
using vel::test::FormatMedia;
using vel::test::FormatTransform;

FW_PERSIST_SAMPLES(classid::kGBookletFilter,
                   {{"booklet filter", [] { return new GBookletFilter; }},
                    {"named booklet filter", [] {
                       return new GBookletFilter(RWCString("Booklet"), new GState, nullptr, 1105, 0,
                                                 GPeripheral::kAddOnNone, GPeripheral::kNoAddOns);
                     }}});

// ---------------------------------------------------------------------------------------------
// Imposition

struct ImpositionCase {
  std::uint32_t count;
  std::uint16_t mode;
  std::uint16_t sheet_order;
  std::vector<std::uint32_t> order;
};

TEST(GBookletImpositionTest, ForFourEightAndTwelvePages) {
  const ImpositionCase cases[] = {
      {4, 1, 1, {4, 1, 2, 3}},
      {8, 1, 1, {6, 3, 4, 5, 8, 1, 2, 7}},
      {12, 1, 1, {8, 5, 6, 7, 10, 3, 4, 9, 12, 1, 2, 11}},
      {4, 2, 1, {1, 4, 3, 2}},
      {8, 2, 1, {3, 6, 5, 4, 1, 8, 7, 2}},
      {12, 2, 1, {5, 8, 7, 6, 3, 10, 9, 4, 1, 12, 11, 2}},
      {4, 1, 0, {4, 1, 2, 3}},
      {8, 1, 0, {8, 1, 2, 7, 6, 3, 4, 5}},
      {12, 1, 0, {12, 1, 2, 11, 10, 3, 4, 9, 8, 5, 6, 7}},
      {4, 2, 0, {1, 4, 3, 2}},
      {8, 2, 0, {1, 8, 7, 2, 3, 6, 5, 4}},
      {12, 2, 0, {1, 12, 11, 2, 3, 10, 9, 4, 5, 8, 7, 6}},
      // Any other mode binds on the left, any other sheet order is outer sheet first.
      {8, 7, 5, {8, 1, 2, 7, 6, 3, 4, 5}},
      {0, 1, 1, {}},
      {0, 1, 0, {}},
  };
  for (const ImpositionCase& c : cases) {
    EXPECT_EQ(GBookletFilter::ImpositionOrder(c.count, c.mode, c.sheet_order), c.order)
        << c.count << " pages, mode " << c.mode << ", sheet order " << c.sheet_order;
  }
}

// ---------------------------------------------------------------------------------------------
// Jobs by hand

class GBookletFilterTest : public BookletTestBase {};

std::string LetterMedia() {
  return FormatMedia("Letter", 5100, 6600, 120, 120, 0);
}

std::string Placement(int x, int y) {
  return "GNullCommand 0: 0 = " + FormatTransform(0, x, y, 0.6205882, 0.6205882);
}

const std::string kNoFrame = "GNullCommand 0: 0 = " + FormatTransform(0, 0, 0, 1, 1) +
                             "; 177 = clip to page; 182 = fill mode 0; 183 = rop 240 mode 0; "
                             "154 = no brush; 160 = no pen";

// The lines of one page placed by the inner stage: `page` 0 is a blank page, else a recorded page
// with its rectangle; `left` is the first cell of a sheet side.
std::vector<std::string> PlacedPage(std::uint32_t page, bool left) {
  std::vector<std::string> lines;
  lines.push_back(left ? "GPageStart 0: 265 = 90; 259 = " + LetterMedia() : "GNullCommand 0:");
  lines.push_back(left ? Placement(194, 576) : Placement(3389, 576));
  if (page != 0) {
    // The null command recorded behind the page start, then the page's rectangle.
    lines.push_back("GNullCommand 0");
    lines.push_back("GRectangleGraphic " + std::to_string(page) + " (100, 100, 200, 300):");
  }
  lines.push_back(kNoFrame);
  lines.push_back(left ? "GNullCommand 0:" : "GPageEnd 0:");
  return lines;
}

std::vector<std::string> PlacedDocument(const std::vector<std::uint32_t>& pages) {
  std::vector<std::string> lines = {
      "GDocumentStart 0: 259 = " + LetterMedia() + "; 265 = 0; 279 = 1; 281 = " +
      FormatMedia("Letter", 5100, 6600, 120, 120, 0) + "; 253 = 1"};
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const std::vector<std::string> page = PlacedPage(pages[i], i % 2 == 0);
    lines.insert(lines.end(), page.begin(), page.end());
  }
  lines.push_back("GDocumentEnd 0:");
  return lines;
}

TEST_F(GBookletFilterTest, FiveLetterPagesMatchTheTranscriptByHand) {
  BookletChain chain;
  (void)chain.Send(booklet_test::DocumentStart(device_.get(), JobSettings{}));
  chain.Pages({1, 2, 3, 4, 5});
  // Nothing reaches the sink while the pages are recorded.
  EXPECT_TRUE(chain.Lines().empty());
  EXPECT_EQ(chain.Booklet().GetPageCount(), 5u);
  (void)chain.Send(new GDocumentEnd(0));
  // Pages 6, 7 and 8 are blank; outer sheet first, binding on the left.
  EXPECT_EQ(chain.Lines(), PlacedDocument({0, 1, 2, 0, 0, 3, 4, 5}));
  EXPECT_FALSE(chain.Nup().IsEnabled());
  EXPECT_TRUE(chain.Booklet().IsEnabled());
  EXPECT_TRUE(vel::BookletLock::Instance().IsFree());
}

TEST_F(GBookletFilterTest, ShortDocumentsArePaddedToOneSheet) {
  {
    SCOPED_TRACE("one page: blank | 1, then blank | blank");
    BookletChain chain;
    chain.Job(device_.get(), JobSettings{}, 1);
    EXPECT_EQ(chain.Lines(), PlacedDocument({0, 1, 0, 0}));
  }
  {
    SCOPED_TRACE("no pages: the document start and end only");
    BookletChain chain;
    chain.Job(device_.get(), JobSettings{}, 0);
    const std::vector<std::string> lines = PlacedDocument({});
    EXPECT_EQ(chain.Lines(), lines);
  }
}

TEST_F(GBookletFilterTest, SheetOrderAndBindingChooseTheImposition) {
  JobSettings settings;
  settings.booklet_mode = 2;
  settings.sheet_order = 1;
  BookletChain chain;
  chain.Job(device_.get(), settings, 8);
  EXPECT_EQ(chain.RectangleKeys(), (std::vector<std::uint32_t>{3, 6, 5, 4, 1, 8, 7, 2}));
}

TEST_F(GBookletFilterTest, ARecordedGraphicsTransformIsPlacedInItsCell) {
  // The inner stage changes the recorded graphic itself (its transform): the record is written
  // back, so the stages behind the booklet read the placed graphic from the file.
  BookletChain chain;
  (void)chain.Send(booklet_test::DocumentStart(device_.get(), JobSettings{}));
  (void)chain.Send(booklet_test::PageStart());
  auto* bundle = new GGraphicBundle;
  bundle->SetAttribute(new GTransformAttribute);
  (void)chain.Send(new GRectangleGraphic(GRect{100, 100, 200, 300}, bundle, 1));
  (void)chain.Send(new GPageEnd(0));
  (void)chain.Send(new GDocumentEnd(0));
  // Sheet blank | 1: the page sits in the right cell.
  const std::string placed = "GRectangleGraphic 1 (100, 100, 200, 300): 0 = " +
                             FormatTransform(0, 3389, 576, 0.6205882, 0.6205882);
  EXPECT_NE(std::find(chain.Lines().begin(), chain.Lines().end(), placed), chain.Lines().end());
}

TEST_F(GBookletFilterTest, WithoutABookletModeTheJobPassesUntouched) {
  for (const std::optional<int> mode : {std::optional<int>(), std::optional<int>(0)}) {
    SCOPED_TRACE(mode ? "279 = 0" : "no 279");
    JobSettings settings;
    settings.booklet_mode = mode;
    // The same job straight to a transcript stage.
    FwTranscriptPeripheral plain;
    auto send = [&plain](GCommand* command) {
      GCommandRef held(command);
      GCommandRef answer(plain.ProcessCommand(held.Release()));
    };
    send(booklet_test::DocumentStart(device_.get(), settings));
    for (const std::uint32_t page : {1u, 2u}) {
      send(booklet_test::PageStart());
      send(booklet_test::PageRectangle(page));
      send(new GPageEnd(0));
    }
    send(new GDocumentEnd(0));

    BookletChain chain;
    chain.Job(device_.get(), settings, 2);
    EXPECT_FALSE(chain.Booklet().IsEnabled());
    EXPECT_EQ(chain.Lines(), plain.Lines());
    EXPECT_TRUE(PageFiles().empty());
  }
}

TEST_F(GBookletFilterTest, APassThroughCommandBetweenPagesIsDropped) {
  BookletChain chain;
  (void)chain.Send(booklet_test::DocumentStart(device_.get(), JobSettings{}));
  chain.Pages({1});
  GCommandRef answer = chain.Send(new GPassThroughCommand(nullptr, std::uint16_t{0}, 767, 9));
  EXPECT_EQ(answer->IsA(), classid::kGNoCommand);
  chain.Pages({2});
  (void)chain.Send(new GDocumentEnd(0));
  for (const std::string& line : chain.Lines()) {
    EXPECT_EQ(line.find("GPassThroughCommand"), std::string::npos) << line;
  }
  EXPECT_EQ(chain.RectangleKeys(), (std::vector<std::uint32_t>{1, 2}));
}

// ---------------------------------------------------------------------------------------------
// Page files

TEST_F(GBookletFilterTest, ARecordedPageIsASoundRecordFileAndGoesWithTheJob) {
  const std::uint32_t open_before = MPersistentCompositeOnDisk::OpenStoreEntries();
  BookletChain chain;
  (void)chain.Send(booklet_test::DocumentStart(device_.get(), JobSettings{}));
  chain.Pages({1, 2});
  std::vector<std::string> files = PageFiles();
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"\\101.pg", "\\102.pg"}));
  for (const char* name : {"\\101.pg", "\\102.pg"}) {
    SCOPED_TRACE(name);
    const vel::test::Bytes image = vel::test::FileImage(folder_.File(name));
    ASSERT_FALSE(image.empty());
    vel::test::SpaceLayout layout;
    ASSERT_TRUE(vel::test::CheckFileSpace(image, &layout));
    vel::test::TreeContents contents;
    ASSERT_TRUE(vel::test::CheckDiskBTree(image, layout, layout.start, false, -1, &contents));
    // The page start, the null command behind it, the rectangle, the page end and the index.
    EXPECT_EQ(contents.pairs.size(), 5u);
  }
  {
    // The booklet as the stages behind it had it: its pages still on disk, and none of them
    // left open by the stages that walked them.
    GCommandRef booklet = chain.Send(new GDocumentEnd(0));
    EXPECT_EQ(PageFiles().size(), 2u);
    EXPECT_EQ(MPersistentCompositeOnDisk::OpenStoreEntries(), open_before);
  }
  EXPECT_TRUE(PageFiles().empty());
  // Sheet 4 | 1, then 2 | 3 (pages 3 and 4 blank).
  EXPECT_EQ(chain.RectangleKeys(), (std::vector<std::uint32_t>{1, 2}));
  // The font files written beside the pages stay until the device's table goes with the device.
  std::vector<std::string> fonts = FontFiles();
  std::sort(fonts.begin(), fonts.end());
  EXPECT_EQ(fonts, (std::vector<std::string>{"\\101.fnt", "\\102.fnt"}));
  device_->Close();
  EXPECT_TRUE(FontFiles().empty());
}

TEST_F(GBookletFilterTest, JobsWhosePageNamesMeetStepToFreeNames) {
  vel::test::TestRenderDevice other(u"Booklet printer 2", u"vel-laser");
  other.SetCookie(0x103);
  BookletChain a;
  BookletChain b;
  (void)a.Send(booklet_test::DocumentStart(device_.get(), JobSettings{}));
  (void)b.Send(booklet_test::DocumentStart(&other, JobSettings{}));
  std::vector<std::string> names;
  auto page = [&names](BookletChain& chain, std::uint32_t key) {
    (void)chain.Send(booklet_test::PageStart());
    for (const RWWString* file :
         {&chain.Booklet().GetPageFileName(), &chain.Booklet().GetFontFileName()}) {
      RWCString narrow;
      (void)NarrowString(*file, narrow);
      const std::string name(narrow.Data());
      names.push_back(name.substr(name.rfind('\\') + 1));
    }
    (void)chain.Send(booklet_test::PageRectangle(key));
    (void)chain.Send(new GPageEnd(0));
  };
  page(a, 1);
  page(b, 11);
  page(b, 12);
  page(a, 2);
  EXPECT_EQ(names, (std::vector<std::string>{"101.pg", "101.fnt", "102.pg", "102.fnt", "103.pg",
                                              "103.fnt", "104.pg", "104.fnt"}));
  EXPECT_EQ(PageFiles().size(), 4u);
  for (const std::uint32_t taken : {0x101u, 0x102u, 0x103u, 0x104u}) {
    EXPECT_TRUE(GBookletFilter::IsPageKeyReserved(taken)) << taken;
  }
  (void)b.Send(new GDocumentEnd(0));
  (void)a.Send(new GDocumentEnd(0));
  EXPECT_EQ(b.RectangleKeys(), (std::vector<std::uint32_t>{11, 12}));
  EXPECT_EQ(a.RectangleKeys(), (std::vector<std::uint32_t>{1, 2}));
  // The names are held until each filter lets go of its document.
  (void)a.Send(new GJobAbort(0));
  EXPECT_FALSE(GBookletFilter::IsPageKeyReserved(0x101));
  EXPECT_TRUE(GBookletFilter::IsPageKeyReserved(0x102));
}

// ---------------------------------------------------------------------------------------------
// Failures

TEST_F(GBookletFilterTest, APageFileThatCannotBeWrittenAbandonsTheRecording) {
  services_->SetTempDirectory(folder_.File("missing") + "/");
  BookletChain chain;
  (void)chain.Send(booklet_test::DocumentStart(device_.get(), JobSettings{}));
  GCommandRef answer = chain.Send(booklet_test::PageStart());
  ASSERT_EQ(answer->IsA(), classid::kGErrorCommand);
  EXPECT_EQ(static_cast<GErrorCommand*>(answer.Get())->GetStatus(), 2);
  EXPECT_FALSE(chain.Booklet().IsEnabled());
  EXPECT_TRUE(vel::BookletLock::Instance().IsFree());
  // The rest of the job passes unchanged.
  (void)chain.Send(booklet_test::PageRectangle(1));
  (void)chain.Send(new GPageEnd(0));
  (void)chain.Send(new GDocumentEnd(0));
  EXPECT_EQ(chain.RectangleKeys(), (std::vector<std::uint32_t>{1}));
  EXPECT_EQ(chain.Lines().back(), "GDocumentEnd 0:");
}

TEST_F(GBookletFilterTest, AGraphicThatCannotBeRecordedAbandonsTheRecording) {
  struct Case {
    const char* name;
    bool in_page;
  };
  for (const Case c : {Case{"refused by its file", true}, Case{"while no page is recorded", false}}) {
    SCOPED_TRACE(c.name);
    BookletChain chain;
    (void)chain.Send(booklet_test::DocumentStart(device_.get(), JobSettings{}));
    chain.Pages({1});
    if (c.in_page) {
      (void)chain.Send(booklet_test::PageStart());
    }
    auto* graphic = new CountedRectangle(GRect{1, 2, 3, 4}, 7);
    graphic->refuse = c.in_page;
    GCommandRef answer = chain.Send(graphic);
    ASSERT_EQ(answer->IsA(), classid::kGErrorCommand);
    EXPECT_EQ(static_cast<GErrorCommand*>(answer.Get())->GetStatus(), 2);
    EXPECT_EQ(static_cast<GErrorCommand*>(answer.Get())->GetCommand(), graphic);
    EXPECT_FALSE(chain.Booklet().IsEnabled());
    EXPECT_TRUE(vel::BookletLock::Instance().IsFree());
    EXPECT_TRUE(PageFiles().empty());
    (void)chain.Send(booklet_test::PageRectangle(2));
    (void)chain.Send(new GPageEnd(0));
    EXPECT_EQ(chain.RectangleKeys(), (std::vector<std::uint32_t>{2}));
  }
}

TEST_F(GBookletFilterTest, AFontFileTheTableRefusesFailsThePageEndAndKeepsThePages) {
  // A folder in the font file's place: it cannot be deleted nor written as a file.
  std::filesystem::create_directories(folder_.Path() / "\\101.fnt" / "in the way");
  BookletChain chain;
  (void)chain.Send(booklet_test::DocumentStart(device_.get(), JobSettings{}));
  (void)chain.Send(booklet_test::PageStart());
  (void)chain.Send(booklet_test::PageRectangle(1));
  GCommandRef answer = chain.Send(new GPageEnd(0));
  ASSERT_EQ(answer->IsA(), classid::kGErrorCommand);
  EXPECT_EQ(static_cast<GErrorCommand*>(answer.Get())->GetStatus(), 2);
  EXPECT_TRUE(chain.Booklet().IsEnabled());
  EXPECT_TRUE(vel::BookletLock::Instance().IsFree());
  chain.Pages({2});
  (void)chain.Send(new GDocumentEnd(0));
  EXPECT_EQ(chain.RectangleKeys(), (std::vector<std::uint32_t>{1, 2}));
}

TEST_F(GBookletFilterTest, ADeviceWithoutATableRecordsAndReplaysWithoutFontFiles) {
  device_->Close();
  ASSERT_EQ(device_->GetDownloadedFontTable(), nullptr);
  BookletChain chain;
  chain.Job(device_.get(), JobSettings{}, 3);
  EXPECT_EQ(chain.RectangleKeys(), (std::vector<std::uint32_t>{1, 2, 3}));
  EXPECT_TRUE(FontFiles().empty());
  // No session at all: no device, no table.
  BookletChain without;
  without.Job(nullptr, JobSettings{}, 1);
  EXPECT_EQ(without.RectangleKeys(), (std::vector<std::uint32_t>{1}));
}

TEST_F(GBookletFilterTest, AJobAbortInAPageLetsGoOfEverything) {
  BookletChain chain;
  (void)chain.Send(booklet_test::DocumentStart(device_.get(), JobSettings{}));
  chain.Pages({1});
  (void)chain.Send(booklet_test::PageStart());
  EXPECT_TRUE(chain.Booklet().HoldsBookletLock());
  GCommandRef answer = chain.Send(new GJobAbort(0));
  EXPECT_EQ(answer->IsA(), classid::kGJobAbort);
  // Only the job abort reached the sink.
  ASSERT_EQ(chain.Lines().size(), 1u);
  EXPECT_EQ(chain.Lines().front().rfind("GJobAbort 0", 0), 0u);
  EXPECT_FALSE(chain.Booklet().IsEnabled());
  EXPECT_TRUE(vel::BookletLock::Instance().IsFree());
  EXPECT_TRUE(PageFiles().empty());
}

// ---------------------------------------------------------------------------------------------
// Memory

TEST_F(GBookletFilterTest, RecordingHoldsNoMoreThanOnePageOfGraphics) {
  constexpr int kPages = 100;
  constexpr int kGraphics = 200;
  BookletChain chain;
  const int before = CountedRectangle::live.load();
  int most = 0;
  (void)chain.Send(booklet_test::DocumentStart(device_.get(), JobSettings{}));
  for (int page = 0; page < kPages; ++page) {
    (void)chain.Send(booklet_test::PageStart());
    for (int i = 0; i < kGraphics; ++i) {
      const auto left = static_cast<std::int16_t>(i);
      (void)chain.Send(new CountedRectangle(GRect{left, 0, 10, 10}, static_cast<std::uint32_t>(page)));
      most = std::max(most, CountedRectangle::live.load() - before);
    }
    (void)chain.Send(new GPageEnd(0));
    most = std::max(most, CountedRectangle::live.load() - before);
  }
  EXPECT_LE(most, kGraphics);
  chain.Sink().ClearLines();
  (void)chain.Send(new GDocumentEnd(0));
  EXPECT_EQ(CountedRectangle::live.load(), before);
  const std::string head = FwTranscriptPeripheral::ClassNameOf(CountedRectangle::kClassId) + " ";
  std::size_t rectangles = 0;
  for (const std::string& line : chain.Lines()) {
    rectangles += line.rfind(head, 0) == 0 ? 1 : 0;
  }
  EXPECT_EQ(rectangles, static_cast<std::size_t>(kPages * kGraphics));
}

// ---------------------------------------------------------------------------------------------
// Text on recorded pages

// A device filed with the driver server (so that restored fonts find its table by cookie), the
// test folder as temporary directory, and DejaVu Sans as a font of the device.
class GBookletFilterTextTest : public vel::test::FontDeviceTest {
 protected:
  class Services : public vel::test::BothKindsServices {
   public:
    RWWString& GetTempDirectory(RWWString& out, GDeviceSession* /*session*/) override {
      return out = directory;
    }
    RWWString directory;
  };

  // The font of every restored text graphic that reaches the end of the chain.
  class FontSink : public FwTranscriptPeripheral {
   public:
    struct Seen {
      const GFontImp* implementation;
      std::uint32_t font_id;
      std::uint32_t change_count;
    };
    GCommandRef HandleCommand(GCommandRef command) override {
      if (const auto* text = dynamic_cast<const GTextStringGraphic*>(command.Get())) {
        const GFontImp* found =
            text->GetFont() != nullptr ? text->GetFont()->GetImplementation() : nullptr;
        seen.push_back({found, found != nullptr ? found->GetFontId() : GFont::kNoFontId,
                        found != nullptr ? found->GetChangeCount() : 0});
      }
      return FwTranscriptPeripheral::HandleCommand(std::move(command));
    }
    std::vector<Seen> seen;
  };

  vel::test::TestOSServices* MakeServices() override {
    auto* services = new Services;
    (void)WidenString(RWCString((folder_.Path().string() + "/").c_str()), services->directory);
    services->make_render_device = [](const GPrinterKey& key) -> GDeviceSession* {
      return new vel::test::TestRenderDevice(key);
    };
    return services;
  }

  void SetUp() override {
    FontDeviceTest::SetUp();
    booklet_test::RegisterClasses();
    device_ = OpenDevice(u"Laser", &cookie_);
    ASSERT_NE(device_, nullptr);
    auto* metrics = new FwFreeTypeMetrics(vel::test::kDejaVuSans.path);
    if (!metrics->IsOpen()) {
      delete metrics;
      GTEST_SKIP() << vel::test::kDejaVuSans.file << " is missing: install "
                   << vel::test::kDejaVuSans.package;
    }
    implementation_ = FwTestFontImp::WithMetrics(
        metrics, vel::test::FaceRecordOf(vel::test::kDejaVuSans.path, 40),
        vel::test::InstanceRecord(0));
    keeper_ = std::make_unique<FwTestFont>(implementation_, device_);
    font_id_ = implementation_->GetFontId();
    change_count_ = implementation_->GetChangeCount();
  }
  void TearDown() override {
    keeper_.reset();
    FontDeviceTest::TearDown();
  }

  // A run of "Page" at (100, 200) in the device's font.
  GTextStringGraphic* Text() const {
    static const std::uint16_t kCodes[] = {'P', 'a', 'g', 'e'};
    auto* codes = new std::uint16_t[4];
    std::copy(std::begin(kCodes), std::end(kCodes), codes);
    const GPoint points[] = {{100, 200}, {130, 200}, {160, 200}, {190, 200}};
    return new GTextStringGraphic(new FwTestFont(*keeper_), codes, 1, 16, points, 4,
                                  new GGraphicBundle);
  }

  std::vector<std::string> PageFiles() const {
    return booklet_test::FilesEndingWith(folder_.Path(), ".pg");
  }
  std::vector<std::string> FontFiles() const {
    return booklet_test::FilesEndingWith(folder_.Path(), ".fnt");
  }

  // Only the device's table holds the implementation from now on: the next purge deletes it.
  void LetGoOfTheFont() {
    keeper_.reset();
    implementation_ = nullptr;
  }

  vel::test::TempDir folder_;
  GRenderDevice* device_ = nullptr;  // held by the driver server
  std::uint32_t cookie_ = 0;
  FwTestFontImp* implementation_ = nullptr;
  std::unique_ptr<FwTestFont> keeper_;
  std::uint32_t font_id_ = 0;
  std::uint32_t change_count_ = 0;
};

// Each page's font file brings the font back before the page is replayed, on both pages and
// through both the inner stage and the stages behind the booklet.
TEST_F(GBookletFilterTextTest, RecordedTextFindsItsFontAgainOnEveryPage) {
  auto* sink = new FontSink;
  BookletChain chain(sink);
  (void)chain.Send(booklet_test::DocumentStart(device_, JobSettings{}));
  for (int page = 0; page < 2; ++page) {
    (void)chain.Send(booklet_test::PageStart());
    (void)chain.Send(Text());
    (void)chain.Send(new GPageEnd(0));
  }
  EXPECT_EQ(FontFiles().size(), 2u);
  // The font is gone from memory: only the font files can bring it back.
  LetGoOfTheFont();
  device_->GetDownloadedFontTable()->Purge();
  ASSERT_EQ(device_->GetDownloadedFontTable()->Contains(font_id_), 0);
  (void)chain.Send(new GDocumentEnd(0));
  ASSERT_EQ(sink->seen.size(), 2u);
  for (const FontSink::Seen& seen : sink->seen) {
    EXPECT_NE(seen.implementation, nullptr);
    EXPECT_EQ(seen.font_id, font_id_);
    EXPECT_GE(seen.change_count, change_count_);
  }
  EXPECT_TRUE(PageFiles().empty());
}

// A recorded page iterated a second time in a row keeps the fonts it selected: the font file is
// not read again (it is damaged in between, which a second read would show by losing the font).
TEST_F(GBookletFilterTextTest, APageIteratedAgainDoesNotReadItsFontFileAgain) {
  const std::string page = folder_.File("page.pg");
  const std::string fonts = folder_.File("page.fnt");
  RWWString page_name;
  RWWString font_name;
  (void)WidenString(RWCString(page.c_str()), page_name);
  (void)WidenString(RWCString(fonts.c_str()), font_name);
  GCommandRef recorded(new GCommandCompositeOnDisk(page_name, 1, 0));
  auto* composite = static_cast<GCommandCompositeOnDisk*>(recorded.Get());
  auto* bundle = new GGraphicBundle(key::kGraphicsGroup);
  bundle->Add(new GStringAttribute(RWCString(fonts.c_str()), key::kRecordedFontFile));
  char cookie[16];
  std::snprintf(cookie, sizeof cookie, "%x", cookie_);
  bundle->Add(new GStringAttribute(RWCString(cookie), key::kRecordedDeviceCookie));
  composite->SetGraphicBundle(bundle);
  composite->AddRef(GCountedPtr(Text()));
  composite->Close();
  ASSERT_EQ(device_->GetDownloadedFontTable()->AddFontFile(font_name), 1);
  LetGoOfTheFont();
  device_->GetDownloadedFontTable()->Purge();

  auto fonts_found = [&composite] {
    int found = 0;
    const std::unique_ptr<GIterator> records(composite->CreateIterator());
    while (records->Advance() != 0) {
      const GCountedPtr record = records->CurrentRef();
      const auto* text = dynamic_cast<const GTextStringGraphic*>(record.Get());
      if (text != nullptr && text->GetFont()->GetImplementation() != nullptr) {
        ++found;
      }
    }
    return found;
  };
  EXPECT_EQ(fonts_found(), 1);
  {
    std::ofstream damage(fonts, std::ios::binary | std::ios::trunc);
    damage << "not a font file";
  }
  EXPECT_EQ(fonts_found(), 1);
}

// ---------------------------------------------------------------------------------------------
// Stored form

TEST_F(GBookletFilterTest, StoresItsVersionOnlyAndACopyHasRecordedNothing) {
  GBookletFilter filter(RWCString("Booklet"), nullptr, nullptr, 1105, 0, GPeripheral::kAddOnNone,
                        GPeripheral::kNoAddOns);
  const GPeripheral& base = filter;
  EXPECT_EQ(filter.StoredByteCount(), base.GPeripheral::StoredByteCount() + 4);

  BookletChain chain;
  (void)chain.Send(booklet_test::DocumentStart(device_.get(), JobSettings{}));
  chain.Pages({1});
  (void)chain.Send(booklet_test::PageStart());
  const std::unique_ptr<GBookletFilter> copy(
      static_cast<GBookletFilter*>(chain.Booklet().Clone()));
  EXPECT_EQ(copy->GetPageCount(), 0u);
  EXPECT_EQ(copy->GetBookletMode(), 0);
  EXPECT_EQ(copy->GetPageFileName().Length(), 0u);
  EXPECT_FALSE(copy->IsRecordingPage());
  EXPECT_FALSE(copy->HoldsBookletLock());
  (void)chain.Send(new GJobAbort(0));
}

}  // namespace
