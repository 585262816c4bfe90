// The PCL XL back end: the job through the real printer head, page and document starts, the
// statuses of failed writes and of the XL stream, job aborts, pass-through and transforms, the
// printer's replacement of it, the driver data file's chain and the stored form.
#include "framework/output/GKestrix.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GMedia.h"
#include "framework/core/GPrinter.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/MPersistentComposite.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "framework/output/GPJL.h"
#include "framework/output/fonts/GFontDownloader.h"
#include "framework/output/fonts/GGlyphCodeMap.h"
#include "framework/output/fonts/GXLDownloadedFont.h"
#include "framework/output/pclxl/XLStream.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDitherMatrix.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPassThroughCommand.h"
#include "framework/pipeline/GTransformAttribute.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/FwJobHarness.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/PclXlChecker.h"
#include "tests/support/TempDir.h"
#include "tools/veldata/DriverData.h"

namespace vel::test {
namespace {

FW_PERSIST_SAMPLES(vel::classid::kGKestrix,
                   {{"kestrix default", [] { return new GKestrix; }},
                    {"kestrix values", [] {
                       auto* kestrix = new GKestrix;
                       kestrix->SetKey(vel::key::kLanguagePeripheral);
                       kestrix->SetName("PCLXL");
                       kestrix->SetTextMode(3);
                       kestrix->SetInDocumentFlag(1);
                       return kestrix;
                     }}});

// A job of one letter page through the real printer head: two copies and short-edge duplex for
// the job; the page landscape, from tray 2, on plain paper, two copies.
const Bytes& OnePageGolden() {
  static const Bytes golden = HexBytes(R"(
    # PJL job header, one write
    1b 25 2d 31 32 33 34 35 58                     # UEL
    40 50 4a 4c 20 4a 4f 42 20 4e 41 4d 45 3d 22   # @PJL JOB NAME="
    4c 65 74 74 65 72 22 0d 0a                     # Letter" CR LF
    40 50 4a 4c 20 53 45 54 20 51 54 59 3d 32 0d 0a            # @PJL SET QTY=2
    40 50 4a 4c 20 53 45 54 20 44 55 50 4c 45 58 3d 4f 4e 0d 0a  # @PJL SET DUPLEX=ON
    40 50 4a 4c 20 53 45 54 20                                 # @PJL SET
    42 49 4e 44 49 4e 47 3d 53 48 4f 52 54 45 44 47 45 0d 0a   #   BINDING=SHORTEDGE
    40 50 4a 4c 20 53 45 54 20 52 45 53 4f 4c 55 54 49 4f 4e 3d 36 30 30 0d 0a  # RESOLUTION=600
    40 50 4a 4c 20 53 45 54 20                                 # @PJL SET
    42 49 54 53 50 45 52 50 49 58 45 4c 3d 31 0d 0a            #   BITSPERPIXEL=1
    40 50 4a 4c 20 45 4e 54 45 52 20 4c 41 4e 47 55 41 47 45 3d  # @PJL ENTER LANGUAGE=
    50 43 4c 58 4c 0d 0a                                       # PCLXL CR LF
    # PCL XL stream header
    29 20 51 5a 2d 50 43 4c 20 58 4c 3b 32 3b 30 3b            # ) QZ-PCL XL;2;0;
    43 6f 6d 6d 65 6e 74 20 43 6f 70 79 72 69 67 68 74 20      # Comment Copyright
    51 5a 20 31 39 39 36 2d 31 39 39 38 2e 20                  # QZ 1996-1998.
    56 65 72 73 69 6f 6e 20 34 2e 31 2e 31 2e 35 0a            # Version 4.1.1.5 LF
    d1 58 02 58 02  f8 89    # UnitsPerMeasure uint16_xy 600 600
    c0 00  f8 86             # Measure ubyte 0 (inch)
    c0 03  f8 8f             # ErrorReport ubyte 3
    41                       # BeginSession
    c0 00  f8 88             # SourceType ubyte 0
    c0 01  f8 82             # DataOrg ubyte 1 (binary, low byte first)
    48                       # OpenDataSource
    c0 01  f8 28             # Orientation ubyte 1 (landscape)
    c0 04  f8 26             # MediaSource ubyte 4 (tray 2 in list 85)
    c8 c1 05 00 50 6c 61 69 6e  f8 27      # MediaType ubyte_array "Plain"
    c8 c1 06 00 4c 45 54 54 45 52  f8 25   # MediaSize ubyte_array "LETTER"
    43                       # BeginPage
    c0 00  f8 54             # ClipMode ubyte 0
    7f                       # SetClipMode
    c1 02 00  f8 31          # PageCopies uint16 2
    44                       # EndPage
    49                       # CloseDataSource
    42                       # EndSession
    # PJL trailer, one write
    1b 25 2d 31 32 33 34 35 58                     # UEL
    40 50 4a 4c 20 45 4f 4a 20 4e 41 4d 45 3d 22   # @PJL EOJ NAME="
    4c 65 74 74 65 72 22 0d 0a                     # Letter" CR LF
    1b 25 2d 31 32 33 34 35 58                     # UEL
  )");
  return golden;
}

void SetUpOnePageJob(JobHarness& harness) {
  harness.SetJobValue(vel::key::kDocumentCopies, 2);
  harness.SetJobValue(vel::key::kDuplex, 1);
}

const PageSettings kLetterPage{90, 2, 2, MakeTestMedia(2, 5100, 6600, "Plain")};

// The exit code of the xlcheck tool on a .prn file holding `bytes`.
int XlCheckExitCode(const Bytes& bytes) {
  TempDir dir;
  const std::string path = dir.File("job.prn");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const std::string command = std::string(VEL_XLCHECK) + " " + path + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(GKestrixJobTest, AOnePageJobIsByteExactAndPassesTheChecks) {
  JobHarness harness;
  SetUpOnePageJob(harness);
  ASSERT_EQ(harness.RunJob({kLetterPage}, u"Letter"), 0);
  const JobOutput job = harness.LastJob();
  EXPECT_TRUE(BytesEqual(OnePageGolden(), job.bytes));
  EXPECT_TRUE(PassesPclXlCheck(job.bytes));
  EXPECT_EQ(XlCheckExitCode(job.bytes), 0);
  // The header, the page's flush, the document end's flush, the trailer.
  ASSERT_EQ(job.writes.size(), 4u);
  EXPECT_EQ(job.tally.job_starts, 1);
  EXPECT_EQ(job.tally.job_ends, 1);
  EXPECT_EQ(job.tally.deletions, 1);
}

TEST(GKestrixJobTest, TheDriverDataFilesChainPrintsTheSameBytesAfterARestore) {
  std::unique_ptr<MPersistentComposite> model(vel::data::BuildModel(vel::data::kDefaultModel));
  const std::string bytes = vel::data::DriverDataBytes(*model);
  ASSERT_FALSE(bytes.empty());
  std::unique_ptr<GBaseObject> restored(vel::data::DriverDataFromBytes(bytes));
  ASSERT_NE(restored, nullptr);
  auto* head = dynamic_cast<GPeripheralComposite*>(
      static_cast<MPersistentComposite*>(restored.get())->RemoveByKey(vel::key::kHeadPeripheral));
  ASSERT_NE(head, nullptr);
  JobHarness harness(JobHarness::OverChain{head});
  ASSERT_NE(harness.PJL(), nullptr);
  ASSERT_NE(harness.Kestrix(), nullptr);
  ASSERT_NE(harness.Kestrix()->Stream(), nullptr);
  SetUpOnePageJob(harness);
  ASSERT_EQ(harness.RunJob({kLetterPage}, u"Letter"), 0);
  EXPECT_TRUE(BytesEqual(OnePageGolden(), harness.LastJob().bytes));
}

TEST(GKestrixJobTest, ThePrinterReplacesItsBackEndByACopyOfOneAccepted) {
  JobHarness harness;
  GKestrix* before = harness.Kestrix();
  GKestrix accepted;
  accepted.SetName("PCLXL");
  accepted.SetTextMode(4);
  EXPECT_EQ(accepted.Accept(harness.Printer()), 0);
  GKestrix* after = harness.Kestrix();
  ASSERT_NE(after, nullptr);
  EXPECT_NE(after, before);
  EXPECT_NE(after, &accepted);
  EXPECT_EQ(after->GetTextMode(), 4);
  EXPECT_EQ(after->GetKey(), vel::key::kLanguagePeripheral);
  EXPECT_EQ(harness.Printer().Count(), 2u);
  // The copy prints the job (its configuration is shared with the accepted one: none here).
  after->SetConfiguration(&harness.Configuration());
  SetUpOnePageJob(harness);
  ASSERT_EQ(harness.RunJob({kLetterPage}, u"Letter"), 0);
  EXPECT_TRUE(BytesEqual(OnePageGolden(), harness.LastJob().bytes));
}

// --- Page starts ---------------------------------------------------------------------------------

// The attributes of an operation, "name=value" each, in the order sent.
std::string Describe(const XlOperation& operation) {
  std::string text;
  for (const XlAttribute& a : operation.attributes) {
    if (!text.empty()) {
      text += " ";
    }
    switch (a.id) {
      case 0x28:
        text += "Orientation=" + std::to_string(static_cast<int>(a.values[0]));
        break;
      case 0x26:
        text += "MediaSource=" + std::to_string(static_cast<int>(a.values[0]));
        break;
      case 0x27:
        text += "MediaType=" + a.Text();
        break;
      case 0x25:
        text += "MediaSize=" + a.Text();
        break;
      case 0x2F:
        text += "CustomMediaSize=" + std::to_string(static_cast<int>(a.values[0])) + "x" +
                std::to_string(static_cast<int>(a.values[1]));
        break;
      case 0x30:
        text += "CustomMediaSizeUnits=" + std::to_string(static_cast<int>(a.values[0]));
        break;
      case 0x31:
        text += "PageCopies=" + std::to_string(static_cast<int>(a.values[0]));
        break;
      default:
        text += "attribute" + std::to_string(a.id);
        break;
    }
  }
  return text;
}

XlJob CheckedJob(const Bytes& bytes) {
  const XlCheckResult result = PclXlChecker().Check(bytes);
  EXPECT_EQ(result.ErrorCount(), 0u) << result.Report();
  return result.job;
}

struct PageStartCase {
  const char* name;
  std::vector<std::vector<PageSettings>> jobs;
  std::vector<std::string> begin_pages;  // every page of every job, in order
  bool without_paper_names = false;      // list 192 taken out of the configuration
};

std::shared_ptr<const GMedia> Letter(const char* type = nullptr) {
  return MakeTestMedia(2, 5100, 6600, type);
}

const std::vector<PageStartCase>& PageStartCases() {
  static const std::vector<PageStartCase> cases = {
      {"orientations",
       {{{0}, {90}, {180}, {270}, {45}, {}}},
       {"Orientation=0", "Orientation=1", "Orientation=2", "Orientation=3", "Orientation=0",
        "Orientation=0"}},
      {"media source on the first page of each job and on changes",
       {{{0, 1}, {0, 1}, {0, 2}, {0, 2}, {0, 1}}, {{0, 1}, {0, 1}}},
       {"Orientation=0 MediaSource=3", "Orientation=0", "Orientation=0 MediaSource=4",
        "Orientation=0", "Orientation=0 MediaSource=3", "Orientation=0 MediaSource=3",
        "Orientation=0"}},
      {"a tray without a media source is source 0", {{{0, 9}}}, {"Orientation=0 MediaSource=0"}},
      {"media type once while it stays, again when it changes",
       {{{0, {}, {}, Letter("Plain")},
         {0, {}, {}, Letter("Plain")},
         {0, {}, {}, Letter()},
         {0, {}, {}, Letter("Bond")}}},
       {"Orientation=0 MediaType=Plain MediaSize=LETTER", "Orientation=0 MediaSize=LETTER",
        "Orientation=0 MediaSize=LETTER", "Orientation=0 MediaType=Bond MediaSize=LETTER"}},
      {"a paper id outside list 192 is a custom size in tenths of a millimetre",
       {{{0, {}, {}, MakeTestMedia(99, 5100, 6600)},
         {0, {}, {}, MakeTestMedia(99, 2550, 3300, nullptr, 300)}}},
       {"Orientation=0 CustomMediaSize=2159x2794 CustomMediaSizeUnits=2",
        "Orientation=0 CustomMediaSize=2159x2794 CustomMediaSizeUnits=2"}},
      {"a media resolution of 0 counts as 600 dpi",
       {{{0, {}, {}, MakeTestMedia(99, 5100, 6600, nullptr, 0)}}},
       {"Orientation=0 CustomMediaSize=2159x2794 CustomMediaSizeUnits=2"}},
      {"no media attribute without list 192",
       {{{0, {}, {}, Letter("Plain")}}},
       {"Orientation=0"},
       true},
  };
  return cases;
}

class GKestrixPageStartTest : public ::testing::TestWithParam<PageStartCase> {};

TEST_P(GKestrixPageStartTest, WritesTheMediaAttributesOfBeginPage) {
  const PageStartCase& c = GetParam();
  JobHarness harness;
  if (c.without_paper_names) {
    delete harness.Configuration().RemoveByKey(vel::key::kPaperToName);
    harness.Printer().Update(&harness.Printer());
  }
  std::vector<std::string> seen;
  for (const std::vector<PageSettings>& pages : c.jobs) {
    ASSERT_EQ(harness.RunJob(pages), 0);
    const XlJob job = CheckedJob(harness.LastJob().bytes);
    ASSERT_EQ(job.pages.size(), pages.size());
    for (const XlPage& page : job.pages) {
      ASSERT_FALSE(page.operations.empty());
      seen.push_back(Describe(page.operations.front()));
    }
  }
  EXPECT_EQ(seen, c.begin_pages);
}

INSTANTIATE_TEST_SUITE_P(Pages, GKestrixPageStartTest, ::testing::ValuesIn(PageStartCases()),
                         [](const ::testing::TestParamInfo<PageStartCase>& info) {
                           return "case" + std::to_string(info.index);
                         });

TEST(GKestrixPageTest, AMediaThatIsNoGMediaWritesNoMediaAttribute) {
  JobHarness harness;
  ASSERT_EQ(harness.StartDocument(), 0);
  auto* bundle = new GState(vel::key::kPageGroup);
  bundle->Add(new GValueAttribute(2, vel::key::kSelectedMedia));
  ASSERT_EQ(harness.Send(new GPageStart(bundle, vel::key::kPageGroup)), 0);
  EXPECT_EQ(harness.Kestrix()->CurrentMedia(), nullptr);
  ASSERT_EQ(harness.EndPage(), 0);
  ASSERT_EQ(harness.EndDocument(), 0);
  const XlJob job = CheckedJob(harness.LastJob().bytes);
  ASSERT_EQ(job.pages.size(), 1u);
  EXPECT_EQ(Describe(job.pages[0].operations.front()), "Orientation=0");
}

// A configuration changed inside a document reaches the next page: the media look-ups kept for
// the job are made again from the configuration as it now is.
TEST(GKestrixPageTest, AConfigurationChangedInsideADocumentServesTheNextPage) {
  JobHarness harness;
  ASSERT_EQ(harness.StartDocument(), 0);
  ASSERT_EQ(harness.StartPage({0, 1, {}, Letter()}), 0);
  ASSERT_EQ(harness.EndPage(), 0);
  delete harness.Configuration().RemoveByKey(vel::key::kPaperToName);
  delete harness.Configuration().RemoveByKey(vel::key::kTrayToMediaSource);
  harness.BackEnd()->SetConfiguration(&harness.Configuration());
  ASSERT_EQ(harness.StartPage({0, 2, {}, Letter()}), 0);
  ASSERT_EQ(harness.EndPage(), 0);
  ASSERT_EQ(harness.EndDocument(), 0);
  const XlJob job = CheckedJob(harness.LastJob().bytes);
  ASSERT_EQ(job.pages.size(), 2u);
  EXPECT_EQ(Describe(job.pages[0].operations.front()),
            "Orientation=0 MediaSource=3 MediaSize=LETTER");
  EXPECT_EQ(Describe(job.pages[1].operations.front()), "Orientation=0 MediaSource=0");
}

TEST(GKestrixPageTest, PageCopiesDefaultToOneAndTheCurrentMediaLastsThePage) {
  JobHarness harness;
  ASSERT_EQ(harness.StartDocument(), 0);
  ASSERT_EQ(harness.StartPage({0, {}, {}, Letter()}), 0);
  ASSERT_NE(harness.Kestrix()->CurrentMedia(), nullptr);
  EXPECT_EQ(harness.Kestrix()->CurrentMedia()->GetPaperId(), 2);
  ASSERT_EQ(harness.EndPage(), 0);
  EXPECT_EQ(harness.Kestrix()->CurrentMedia(), nullptr);
  ASSERT_EQ(harness.StartPage({0, {}, 3}), 0);
  ASSERT_EQ(harness.EndPage(), 0);
  ASSERT_EQ(harness.EndDocument(), 0);
  const XlJob job = CheckedJob(harness.LastJob().bytes);
  ASSERT_EQ(job.pages.size(), 2u);
  EXPECT_EQ(Describe(job.pages[0].operations.back()), "PageCopies=1");
  EXPECT_EQ(Describe(job.pages[1].operations.back()), "PageCopies=3");
}

// --- Document starts -----------------------------------------------------------------------------

struct DocumentStartCase {
  const char* name;
  std::vector<std::pair<std::uint32_t, std::uint16_t>> settings;
  std::vector<std::pair<std::uint32_t, std::uint16_t>> resolution;  // members of group 249
  std::uint16_t units;  // UnitsPerMeasure, both axes unless units_y is set
  std::uint16_t units_y;
  std::int32_t color_mode;
  std::int32_t scale_patterns;
  std::int32_t halftone;
  std::int16_t compression;
  int dither_id;  // the matrix chosen, -1 none
};

const std::vector<DocumentStartCase>& DocumentStartCases() {
  static const std::vector<DocumentStartCase> cases = {
      {"defaults", {}, {}, 600, 600, 0, 1, 0, 3, 600},
      {"colour output 0 selects RGB", {{296, 0}}, {}, 600, 600, 1, 1, 0, 3, 600},
      {"colour output 1 selects gray", {{296, 1}}, {}, 600, 600, 0, 1, 0, 3, 600},
      {"resolution group with x and y", {}, {{322, 1200}, {323, 600}}, 1200, 600, 0, 1, 0, 3, 1200},
      {"resolution group without y is 600 x 600", {}, {{322, 300}}, 600, 600, 0, 1, 0, 3, 600},
      {"resolution 300 picks its matrix", {}, {{322, 300}, {323, 300}}, 300, 300, 0, 1, 0, 3, 300},
      {"a resolution without a matrix keeps none", {}, {{322, 400}, {323, 400}}, 400, 400, 0, 1, 0,
       3, -1},
      {"scale patterns 1", {{277, 1}}, {}, 600, 600, 0, 1, 0, 3, 600},
      {"scale patterns 0", {{277, 0}}, {}, 600, 600, 0, 0, 0, 3, 600},
      {"scale patterns 2 is off", {{277, 2}}, {}, 600, 600, 0, 0, 0, 3, 600},
      {"bits per pixel 2 sets the halftone flag", {}, {{322, 600}, {323, 600}, {324, 2}}, 600, 600,
       0, 1, 1, 3, 600},
      {"bits per pixel 1 leaves it", {}, {{322, 600}, {323, 600}, {324, 1}}, 600, 600, 0, 1, 0, 3,
       600},
      {"compression", {{297, 2}}, {}, 600, 600, 0, 1, 0, 2, 600},
      {"font memory module installed", {{317, 1}}, {}, 600, 600, 0, 1, 0, 3, 600},
  };
  return cases;
}

class GKestrixDocumentStartTest : public ::testing::TestWithParam<DocumentStartCase> {};

TEST_P(GKestrixDocumentStartTest, ReadsTheJobSettings) {
  const DocumentStartCase& c = GetParam();
  JobHarness harness;
  for (const auto& [key, value] : c.settings) {
    if (key == vel::key::kDetectedValue317) {
      delete harness.Configuration().RemoveByKey(key);
      harness.Configuration().Add(new GValueAttribute(value, key));
    } else {
      harness.SetJobValue(key, value);
    }
  }
  if (!c.resolution.empty()) {
    auto* group = new GState(vel::key::kPageStartGroup);
    for (const auto& [key, value] : c.resolution) {
      group->Add(new GValueAttribute(value, key));
    }
    harness.SetJobSetting(group);
  }
  ASSERT_EQ(harness.RunJob({{}}), 0);
  const GKestrix& kestrix = *harness.Kestrix();
  EXPECT_EQ(kestrix.GetColorMode(), c.color_mode);
  EXPECT_EQ(kestrix.GetScalePatterns(), c.scale_patterns);
  EXPECT_EQ(kestrix.GetHalftoneFlag(), c.halftone);
  EXPECT_EQ(kestrix.GetCompression(), c.compression);
  EXPECT_EQ(kestrix.GetResolutionX(), c.units);
  EXPECT_EQ(kestrix.GetResolutionY(), c.units_y);
  if (c.dither_id < 0) {
    EXPECT_EQ(kestrix.GetDitherMatrix(), nullptr);
  } else {
    ASSERT_NE(kestrix.GetDitherMatrix(), nullptr);
    EXPECT_EQ(kestrix.GetDitherMatrix()->GetId(), c.dither_id);
  }
  const XlJob job = CheckedJob(harness.LastJob().bytes);
  ASSERT_FALSE(job.operations.empty());
  const XlAttribute* units = job.operations[0].Find(0x89);
  ASSERT_NE(units, nullptr);
  EXPECT_EQ(units->values, (std::vector<double>{double(c.units), double(c.units_y)}));
  // The font memory module's list stays in the configuration whatever 317 says.
  auto* lists = dynamic_cast<GDeviceFontListComposite*>(
      harness.Configuration().FindByKey(vel::key::kDeviceFontLists));
  ASSERT_NE(lists, nullptr);
  EXPECT_NE(lists->Find(vel::key::kDIMMFonts1), nullptr);
  EXPECT_EQ(kestrix.HasFontModule(), c.name == std::string("font memory module installed"));
}

INSTANTIATE_TEST_SUITE_P(Documents, GKestrixDocumentStartTest,
                         ::testing::ValuesIn(DocumentStartCases()),
                         [](const ::testing::TestParamInfo<DocumentStartCase>& info) {
                           return "case" + std::to_string(info.index);
                         });

TEST(GKestrixDocumentTest, SettingsMissingAtTheNextJobKeepTheirValues) {
  JobHarness harness;
  harness.SetJobValue(296, 0);
  harness.SetJobValue(297, 1);
  ASSERT_EQ(harness.RunJob({}), 0);
  delete harness.JobSettings().RemoveByKey(296);
  delete harness.JobSettings().RemoveByKey(297);
  // The job state keeps what the last document start merged, so the values come back from it;
  // the back end's own values stay as they were either way.
  ASSERT_EQ(harness.RunJob({}), 0);
  EXPECT_EQ(harness.Kestrix()->GetColorMode(), 1);
  EXPECT_EQ(harness.Kestrix()->GetCompression(), 1);
}

// --- Statuses ------------------------------------------------------------------------------------

// Each page gives every page setting: the job state keeps the page group's attributes from one
// page to the next, also into the next job.
std::vector<PageSettings> ThreePages() {
  return {{0, 1, 1, Letter("Plain")}, {90, 2, 1, Letter()}, {0, 2, 2, Letter()}};
}

TEST(GKestrixStatusTest, AFailedWriteIsReportedOnceAndTheNextJobPrintsCompletely) {
  JobHarness clean;
  ASSERT_EQ(clean.RunJob(ThreePages()), 0);
  const JobOutput reference = clean.LastJob();
  // Header, three page flushes, the document end's flush, the trailer.
  ASSERT_EQ(reference.writes.size(), 6u);
  std::size_t offset = 0;
  for (std::size_t failing = 0; failing < reference.writes.size(); ++failing) {
    SCOPED_TRACE("the write that fails: " + std::to_string(failing));
    JobHarness harness;
    harness.FailNextJobFromByte(offset);
    EXPECT_NE(harness.RunJob(ThreePages()), 0);
    ASSERT_EQ(harness.Statuses().size(), 1u);
    EXPECT_EQ(harness.Statuses()[0], 5);
    const JobOutput failed = harness.LastJob();
    EXPECT_EQ(failed.bytes.size(), offset);
    // No write was tried after the one that failed.
    ASSERT_EQ(failed.writes.size(), failing + 1);
    EXPECT_EQ(failed.writes.back().status, 5);
    // The next job on the same back end.
    ASSERT_EQ(harness.RunJob(ThreePages()), 0);
    EXPECT_TRUE(BytesEqual(reference.bytes, harness.LastJob().bytes));
    offset += reference.writes[failing].length;
  }
}

TEST(GKestrixStatusTest, AStickyStreamErrorIsStatus5OnceAndTheNextJobIsClean) {
  JobHarness reference;
  ASSERT_EQ(reference.RunJob({{}}), 0);

  for (const bool at_page_end : {true, false}) {
    SCOPED_TRACE(at_page_end ? "at the page end" : "at the document end");
    JobHarness harness;
    ASSERT_EQ(harness.StartDocument(), 0);
    ASSERT_EQ(harness.StartPage(), 0);
    if (at_page_end) {
      harness.Kestrix()->Stream()->error = kXLOperatorUndefined;
    }
    const std::uint16_t page_end = harness.EndPage();
    if (!at_page_end) {
      harness.Kestrix()->Stream()->error = kXLOperatorUndefined;
    }
    const std::uint16_t document_end = harness.EndDocument();
    EXPECT_EQ(page_end, at_page_end ? 5 : 0);
    EXPECT_EQ(document_end, at_page_end ? 0 : 5);
    EXPECT_EQ(harness.Statuses(), std::vector<std::uint16_t>{5});
    ASSERT_EQ(harness.RunJob({{}}), 0);
    EXPECT_EQ(harness.Kestrix()->Stream()->error, kXLNoError);
    EXPECT_TRUE(BytesEqual(reference.LastJob().bytes, harness.LastJob().bytes));
  }
}

TEST(GKestrixStatusTest, WithoutAStreamTheDocumentStartIs5AndNothingIsWritten) {
  GKestrix kestrix;
  kestrix.Stream()->error = kXLOperatorUndefined;  // the next document start replaces it
  MemoryOutputPort port;
  GDocumentStart start(RWWString(u"J"), RWWString(u"P"), nullptr, 0);
  start.SetOutputChannel(&port);
  {
    FailingAllocation no_memory(0, -1);
    EXPECT_EQ(kestrix.HandleDocumentStart(start), 5);
  }
  EXPECT_EQ(kestrix.Stream(), nullptr);
  GPageStart page;
  GPageEnd page_end;
  GDocumentEnd end;
  GJobAbort abort;
  EXPECT_EQ(kestrix.HandlePageStart(page), 5);
  EXPECT_EQ(kestrix.HandlePageEnd(page_end), 5);
  EXPECT_EQ(kestrix.HandleDocumentEnd(end), 5);
  EXPECT_EQ(kestrix.HandleJobAbort(abort), 0);
  EXPECT_TRUE(port.writes().empty());
  // Memory back: the next document start makes a stream.
  GDocumentStart again(RWWString(u"J"), RWWString(u"P"), nullptr, 0);
  again.SetOutputChannel(&port);
  EXPECT_EQ(kestrix.HandleDocumentStart(again), 0);
  EXPECT_NE(kestrix.Stream(), nullptr);
}

TEST(GKestrixStatusTest, AFailedWriteIsHandedOutOnceThenNothingMoreIsWritten) {
  GKestrix kestrix;
  MemoryOutputPort port;
  GDocumentStart start(RWWString(u"J"), RWWString(u"P"), nullptr, 0);
  start.SetOutputChannel(&port);
  ASSERT_EQ(kestrix.HandleDocumentStart(start), 0);
  port.FailEveryWrite();
  GPageStart page;
  GPageEnd page_end;
  EXPECT_EQ(kestrix.HandlePageStart(page), 0);
  EXPECT_EQ(kestrix.HandlePageEnd(page_end), 5);
  EXPECT_EQ(kestrix.IsOutputEnabled(), 0);
  EXPECT_EQ(kestrix.HandlePageStart(page), 0);
  EXPECT_EQ(kestrix.HandlePageEnd(page_end), 0);
  EXPECT_EQ(port.writes().size(), 1u);
  // The channel is still polled.
  EXPECT_GE(port.closed_polls(), 2);
}

TEST(GKestrixStatusTest, TheChannelIsPolledOncePer100000BytesOnceThatManyWereWritten) {
  GKestrix kestrix;
  MemoryOutputPort port;
  GDocumentStart start(RWWString(u"J"), RWWString(u"P"), nullptr, 0);
  start.SetOutputChannel(&port);
  ASSERT_EQ(kestrix.HandleDocumentStart(start), 0);
  const std::uint8_t byte = 0;
  const int before = port.closed_polls();
  EXPECT_EQ(kestrix.Flush(kestrix.Stream(), 0, &byte, 0), 0);
  EXPECT_EQ(port.closed_polls(), before);  // nothing for no bytes
  (void)kestrix.Flush(kestrix.Stream(), 0, &byte, 1);
  EXPECT_EQ(port.closed_polls(), before + 1);
  port.SetCount(250000);
  (void)kestrix.Flush(kestrix.Stream(), 0, &byte, 1);
  EXPECT_EQ(port.closed_polls(), before + 2);
}

TEST(GKestrixStatusTest, WithoutAChannelBytesAreDroppedAndTheJobFails) {
  GKestrix kestrix;
  static const std::uint8_t kRaw[] = {1, 2, 3};
  GPassThroughCommand raw(kRaw, std::uint16_t{3}, vel::classid::kGKestrix, 0);
  EXPECT_EQ(kestrix.HandlePassThroughCommand(raw), 601);
  EXPECT_EQ(kestrix.Flush(kestrix.Stream(), 0, kRaw, 3), 0);
  EXPECT_EQ(kestrix.TakeStatus(), 601);
  EXPECT_EQ(kestrix.TakeStatus(), 0);
  EXPECT_EQ(kestrix.Stream()->free_bytes, kestrix.Stream()->size);
}

// --- Job aborts ----------------------------------------------------------------------------------

TEST(GKestrixAbortTest, AnAbortInAPageClosesTheJobAndTheNextJobStartsAfresh) {
  JobHarness harness;
  ASSERT_EQ(harness.StartDocument(u"first"), 0);
  ASSERT_EQ(harness.StartPage({0, 1}), 0);
  EXPECT_EQ(harness.AbortJob(), 0);
  const GKestrix& kestrix = *harness.Kestrix();
  EXPECT_EQ(kestrix.GetInDocument(), 0);
  EXPECT_EQ(kestrix.GetState(), GPeripheral::kIdle);
  EXPECT_EQ(kestrix.GetOutputChannel(), nullptr);
  ASSERT_EQ(harness.RunJob({{0, 1}}, u"second"), 0);
  const std::vector<JobOutput> jobs = harness.Jobs();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].tally.aborts, 1);
  EXPECT_EQ(jobs[0].tally.deletions, 1);
  // The aborted job's session is closed: CloseDataSource and EndSession end it.
  const Bytes& first = jobs[0].bytes;
  ASSERT_GE(first.size(), 2u);
  EXPECT_EQ(first[first.size() - 2], 0x49);
  EXPECT_EQ(first.back(), 0x42);
  const std::string second = jobs[1].Text();
  EXPECT_EQ(second.rfind("\x1b%-12345X@PJL JOB NAME=\"second\"\r\n", 0), 0u);
  EXPECT_TRUE(PassesPclXlCheck(jobs[1].bytes));
}

TEST(GKestrixAbortTest, AnAbortOutsideAJobWritesNothing) {
  JobHarness harness;
  EXPECT_EQ(harness.AbortJob(), 0);
  EXPECT_TRUE(harness.Jobs().empty());
}

// --- Pass-through and transforms -----------------------------------------------------------------

TEST(GKestrixCommandTest, PassThroughBytesForThisClassFollowTheBufferedBytes) {
  JobHarness harness;
  ASSERT_EQ(harness.StartDocument(), 0);
  ASSERT_EQ(harness.StartPage(), 0);
  static const std::uint8_t kRaw[] = {0xAA, 0xBB, 0xCC};
  const std::size_t before = harness.LivePort()->bytes().size();
  EXPECT_EQ(harness.Send(new GPassThroughCommand(kRaw, std::uint16_t{3}, vel::classid::kGKestrix, 0)), 0);
  const Bytes& bytes = harness.LivePort()->bytes();
  ASSERT_GT(bytes.size(), before + 3);  // the page start's bytes first
  EXPECT_EQ(Bytes(bytes.end() - 3, bytes.end()), (Bytes{0xAA, 0xBB, 0xCC}));
  const std::size_t after = bytes.size();
  EXPECT_EQ(harness.Send(new GPassThroughCommand(kRaw, std::uint16_t{3}, vel::classid::kGPostScript, 0)), 0);
  EXPECT_EQ(harness.LivePort()->bytes().size(), after);
}

TEST(GKestrixCommandTest, ATransformIsWrittenInAPageOnlyAndThenDisabled) {
  GKestrix kestrix;
  MemoryOutputPort port;
  GDocumentStart start(RWWString(u"J"), RWWString(u"P"), nullptr, 0);
  start.SetOutputChannel(&port);
  ASSERT_EQ(kestrix.HandleDocumentStart(start), 0);
  GTransformAttribute transform(90, GPoint{-10, 20}, GScale{0.5f, 2.0f});
  transform.SetEnabled(1);
  const std::int32_t before = kestrix.Stream()->total_bytes;
  EXPECT_EQ(kestrix.HandleTransformAttribute(transform), 0);
  EXPECT_EQ(kestrix.Stream()->total_bytes, before);
  EXPECT_EQ(transform.GetEnabled(), 1);
  GPageStart page;
  ASSERT_EQ(kestrix.HandlePageStart(page), 0);
  const std::int32_t in_page = kestrix.Stream()->total_bytes;
  EXPECT_EQ(kestrix.HandleTransformAttribute(transform), 0);
  EXPECT_EQ(transform.GetEnabled(), 0);
  const XLStream& stream = *kestrix.Stream();
  const Bytes written(stream.buffer + (stream.size - stream.free_bytes) -
                          (stream.total_bytes - in_page),
                      stream.buffer + (stream.size - stream.free_bytes));
  EXPECT_TRUE(BytesEqual(HexBytes(R"(
      74                                    # SetPageDefaultCTM
      d3 f6 ff 14 00  f8 2a  75             # PageOrigin sint16_xy -10 20, SetPageOrigin
      c3 5a 00  f8 29  76                   # PageAngle sint16 90, SetPageRotation
      d5 00 00 00 3f 00 00 00 40  f8 2b  77 # PageScale real32_xy 0.5 2, SetPageScale
  )"), written));
}

TEST(GKestrixCommandTest, APageStartsGraphicStateTemplateAndTransformReachTheGraphicsGroup) {
  JobHarness harness;
  ASSERT_EQ(harness.StartDocument(), 0);
  auto* bundle = new GState(vel::key::kPageGroup);
  bundle->Add(new GTransformAttribute(180, GPoint{5, 6}, GScale{}));
  ASSERT_EQ(harness.Send(new GPageStart(bundle, vel::key::kPageGroup)), 0);
  GKestrix& kestrix = *harness.Kestrix();
  const auto* transform = dynamic_cast<const GTransformAttribute*>(
      kestrix.InitStates(vel::key::kGraphicsGroup)->FindByClassId(vel::classid::kGTransformAttribute));
  ASSERT_NE(transform, nullptr);
  EXPECT_EQ(transform->GetRotation(), 180);
  const std::size_t job_state_size = kestrix.JobState()->Count();
  // Each page replaces the last page's copies rather than piling them up.
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(harness.EndPage(), 0);
    auto* next = new GState(vel::key::kPageGroup);
    next->Add(new GTransformAttribute(180, GPoint{5, 6}, GScale{}));
    ASSERT_EQ(harness.Send(new GPageStart(next, vel::key::kPageGroup)), 0);
  }
  EXPECT_EQ(harness.Kestrix()->JobState()->Count(), job_state_size);
  EXPECT_EQ(harness.Kestrix()->InitStates(vel::key::kGraphicsGroup)->Count(), 1u);
}

// --- Object --------------------------------------------------------------------------------------

TEST(GKestrixObjectTest, ACopyTakesTheSettingsWithANewStreamAndNoMedia) {
  JobHarness harness;
  harness.SetJobValue(296, 0);
  ASSERT_EQ(harness.RunJob({{}}), 0);
  GKestrix copy(*harness.Kestrix());
  EXPECT_EQ(copy.GetColorMode(), 1);
  EXPECT_EQ(copy.GetResolutionX(), 600);
  EXPECT_NE(copy.Stream(), nullptr);
  EXPECT_NE(copy.Stream(), harness.Kestrix()->Stream());
  EXPECT_EQ(copy.CurrentMedia(), nullptr);
  EXPECT_EQ(copy.GetOutputChannel(), nullptr);
}

TEST(GKestrixObjectTest, ARestoreRecreatesTheStream) {
  GKestrix original;
  original.SetTextMode(2);
  const Bytes bytes = SaveGraph(Carrier::kBinary, &original);
  Restored restored = RestoreGraph(Carrier::kBinary, bytes);
  auto* kestrix = dynamic_cast<GKestrix*>(restored.object);
  ASSERT_NE(kestrix, nullptr);
  EXPECT_EQ(kestrix->GetTextMode(), 2);
  ASSERT_NE(kestrix->Stream(), nullptr);
  EXPECT_EQ(kestrix->Stream()->error, kXLNoError);
  EXPECT_EQ(kestrix->Stream()->total_bytes, 0);
  DeleteRestored(restored.object);
}

// --- Font objects --------------------------------------------------------------------------------

// A TrueType font downloaded in the job, listed in the back end's downloaded-font list; the
// answer is a second handle, as the font that asked for it keeps one.
GDownloadedFont* ListDownloadedFont(GKestrix& kestrix, std::uint32_t bytes) {
  auto* listed = new GXLDownloadedFont(&kestrix);
  listed->SetState(3);
  listed->AddBytes(bytes);
  GDownloadedFont* held = listed->Clone();
  EXPECT_EQ(kestrix.FontDownloader()->Add(GFontFaceRecord{}, GFontInstanceRecord{}, listed), 1);
  return held;
}

// Each way a back end comes about or starts over gives it an empty PCL XL downloaded-font list
// and a PCL XL glyph-code map whose codes start again at 256.
TEST(GKestrixFontTest, EveryNewOrResetBackEndHasItsOwnEmptyPclXlFontObjects) {
  // A glyph not mapped before: a fresh map gives it the first code.
  std::uint16_t next_glyph = 0x1000;
  auto used = [&next_glyph](GKestrix& kestrix) {
    std::unique_ptr<GDownloadedFont> held(ListDownloadedFont(kestrix, 100));
    EXPECT_EQ(kestrix.FontDownloader()->TotalSize(), 100u);
    ASSERT_NE(kestrix.GlyphCodeMap(), nullptr);
    EXPECT_NE(kestrix.GlyphCodeMap()->MapGlyph(next_glyph++), 0);
    EXPECT_NE(kestrix.GlyphCodeMap()->MapGlyph(next_glyph++), 0);
  };
  auto fresh = [&next_glyph](const GKestrix& kestrix, const char* how) {
    SCOPED_TRACE(how);
    ASSERT_NE(dynamic_cast<GXLFontDownloader*>(kestrix.FontDownloader()), nullptr);
    ASSERT_NE(dynamic_cast<GXLGlyphCodeMap*>(kestrix.GlyphCodeMap()), nullptr);
    EXPECT_EQ(kestrix.FontDownloader()->TotalSize(), 0u);
    EXPECT_EQ(kestrix.GlyphCodeMap()->MapGlyph(next_glyph++), 256);
  };
  GKestrix original;
  fresh(original, "constructed");
  used(original);

  GKestrix copy(original);
  fresh(copy, "copied");
  used(copy);
  copy = original;
  fresh(copy, "assigned");
  copy.Reset();
  fresh(copy, "reset");
  used(copy);
  Restored restored = RestoreGraph(Carrier::kBinary, SaveGraph(Carrier::kBinary, &copy));
  auto* kestrix = dynamic_cast<GKestrix*>(restored.object);
  ASSERT_NE(kestrix, nullptr);
  fresh(*kestrix, "restored");
  DeleteRestored(restored.object);
  original.Reset();
  fresh(original, "original reset");
}

// The fonts of a job are released when it ends, whether by its document end or by an abort: no
// printer memory stays charged, and a font still held elsewhere (by its GFont) keeps its handle.
TEST(GKestrixFontTest, AJobsDownloadedFontsAreReleasedAtItsEndAndAtAnAbort) {
  for (const bool abort : {false, true}) {
    SCOPED_TRACE(abort ? "abort" : "document end");
    JobHarness harness;
    ASSERT_EQ(harness.StartDocument(), 0);
    ASSERT_EQ(harness.StartPage(), 0);
    GKestrix& kestrix = *harness.Kestrix();
    std::unique_ptr<GDownloadedFont> first(ListDownloadedFont(kestrix, 3000));
    std::unique_ptr<GDownloadedFont> second(ListDownloadedFont(kestrix, 500));
    ASSERT_EQ(kestrix.Budget().Used(), 3500u);
    if (abort) {
      EXPECT_EQ(harness.AbortJob(), 0);
    } else {
      ASSERT_EQ(harness.EndPage(), 0);
      EXPECT_EQ(harness.EndDocument(), 0);
      EXPECT_TRUE(PassesPclXlCheck(harness.Jobs().back().bytes));
    }
    EXPECT_EQ(first->GetByteCount(), 0u);
    EXPECT_EQ(second->GetByteCount(), 0u);
    EXPECT_EQ(first->IsValid(), 1u);
    EXPECT_EQ(kestrix.FontDownloader()->TotalSize(), 0u);
    EXPECT_EQ(kestrix.Budget().Used(), 0u);
  }
}

}  // namespace
}  // namespace vel::test
