// The PostScript back end as a stage: the job through the real printer head (PJL envelope and
// setup, pages, trailer), its settings, failed writes, job aborts, pass-through, a missing
// emitter, the printer's replacement of it, the driver data file's chain and the stored form (a
// restore brings a new font downloader).
#include "framework/output/GPostScript.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GMedia.h"
#include "framework/core/GPrinter.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/MPersistentComposite.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "framework/output/GPJL.h"
#include "framework/output/fonts/GPSFontDownloader.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GColorPaint.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GPassThroughCommand.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "framework/pipeline/GTextStringGraphic.h"
#include "tests/framework/PSTestSink.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/FwJobHarness.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestFonts.h"
#include "tests/support/Ghostscript.h"
#include "tools/veldata/DriverData.h"

namespace vel::test {
namespace {

FW_PERSIST_SAMPLES(vel::classid::kGPostScript,
                   {{"postscript default", [] { return new GPostScript; }},
                    {"postscript values", [] {
                       auto* postscript = vel::data::BuildPostScript(nullptr);
                       postscript->SetInDocumentFlag(1);
                       postscript->SetPathDepth(2);
                       return postscript;
                     }}});

GPostScript* BackEnd(const JobHarness& harness) {
  return dynamic_cast<GPostScript*>(harness.BackEnd());
}

// The PJL job header that the envelope writes before the PostScript of a job named "Letter"
// without job settings.
const std::string kPJLHeader =
    "\x1b%-12345X@PJL JOB NAME=\"Letter\"\r\n"
    "@PJL SET RESOLUTION=600\r\n"
    "@PJL SET BITSPERPIXEL=1\r\n"
    "@PJL ENTER LANGUAGE=POSTSCRIPT\r\n";
const std::string kPJLTrailer = "\x1b%-12345X@PJL EOJ NAME=\"Letter\"\r\n\x1b%-12345X";

// The document setup of a job without settings: 600 x 600 dpi, no toner saving, no collation,
// simplex, the top bin, enhancement on. Its text is the emitter's, checked byte for byte there.
std::string DefaultSetup() {
  return EmitPS([](GPSLibWriter& w) { return w.DocumentSetup(600, 600, 0, 0, 0, 1, 0, 4); });
}

const std::string kDocumentTrailer = CrLfLines({
    "%%Trailer",
    "%%DocumentNeededFonts: TBD?",
    "%%DocumentSuppliedFonts: TBD?",
    "%Add code to perform a restore of VM to start of job state. TBD??",
    "end",
    "%%Pages: TBD?",
    "%%EOF",
});

const PageSettings kLetterPage{0, 2, 1, MakeTestMedia(2, 5100, 6600, "Plain")};

GGraphicBundle* PenAndBrush() {
  auto* bundle = new GGraphicBundle;
  bundle->SetPen(new GPen(3, new GColorPaint(new GRGBColor(255, 0, 0, 255))));
  bundle->SetBrush(new GBrush(new GColorPaint(new GRGBColor(0, 0, 255, 255))));
  return bundle;
}

// "Hello" in Arial, 100 pixels, Western Latin, 60 pixels a character from (900, 1800).
GTextStringGraphic* HelloText() {
  GFontFaceRecord face;
  face.name = "Arial";
  face.weight = 400;
  face.char_set = 4;
  face.size = 100;
  face.first_char = 0x20;
  face.last_char = 0xFF;
  auto* font = new FwTestFont(new FwTestFontImp(nullptr, face, InstanceRecord(2)), nullptr);
  const GPoint positions[] = {{900, 1800}, {960, 1800}, {1020, 1800}, {1080, 1800}, {1140, 1800}};
  return new GTextStringGraphic(font, new std::uint16_t[5]{'H', 'e', 'l', 'l', 'o'}, 1, 4,
                                positions, 5, nullptr);
}

// A job of one Letter page: a pen, a brush, a rectangle and a text line in a printer font (the
// printer's ROM fonts of the driver data are added when its configuration lacks them).
void RunSmallJob(JobHarness& harness) {
  auto* lists = dynamic_cast<GDeviceFontListComposite*>(
      harness.Configuration().FindByKey(vel::key::kDeviceFontLists));
  ASSERT_NE(lists, nullptr);
  if (lists->Find(vel::key::kROMAddOnFonts1) == nullptr) {
    lists->Insert(vel::data::BuildPostScriptResidentFonts());
  }
  ASSERT_EQ(harness.StartDocument(u"Letter"), 0);
  ASSERT_EQ(harness.StartPage(kLetterPage), 0);
  ASSERT_EQ(harness.Send(new GRectangleGraphic(GRect{600, 600, 1800, 1200}, PenAndBrush(), 0)), 0);
  ASSERT_EQ(harness.Send(HelloText()), 0);
  ASSERT_EQ(harness.EndPage(), 0);
  ASSERT_EQ(harness.EndDocument(), 0);
}

std::string SmallJobGolden() {
  return kPJLHeader + DefaultSetup() +
         // The page: its device, then device pixels with the origin at the top left.
         CrLfLines({
             "%%BeginPageSetup",
             "%%Page: x ",
             "<</PageSize [612 792] /ImagingBBox null /MediaType (Plain) /ManualFeed false "
             "/MediaPosition 4>> setpagedevice",  // tray 2: position 4 in list 85
             "0 792 translate ",
             ".1200 -0.1200 scale ",
             "%%EndPageSetup",
         }) +
         // The pen (3 pixels, red) and the brush (blue) as procedures.
         "/Pen { [] 0 setdash 3 setlinewidth 1 0 0  setrgbcolor\r\n} def " +
         "/brush { 0 0 1  setrgbcolor\r\n} def " +
         // The rectangle, filled even-odd with the brush, then stroked with the pen.
         "newpath 600 600 moveto 1800 600 lineto \r\n1800 1200 lineto \r\n600 1200 lineto \r\n"
         "closepath gsave\r\n brush eofill grestore\r\ngsave\r\nPen stroke grestore\r\nclosepath " +
         // The text: Arial is the printer's Helvetica, re-encoded with the Western Latin vector
         // (defined once a job) and scaled to 100 pixels; shown with the brush at its origin.
         EmitPS([](GPSLibWriter& w) { return w.DefineEncoding(629); }) +
         "SymbolEcoding629  /_Helvetica /Helvetica reencode\r\n"
         "[ 100 0 0 100  neg 0 0 ]  /_Helvetica MF\r\n"
         "gsave\r\n900 1800 moveto  brush (Hello)[60 60 60 60 0 ] xshow\r\ngrestore\r\n" +
         // The page trailer undoes the page's transform.
         CrLfLines({"8.3333 -8.3333 scale ", "0 -792 translate ", "%%PageTrailer", "showpage"}) +
         kDocumentTrailer + kPJLTrailer;
}

TEST(GPostScriptJobTest, ASmallJobIsByteExactAndRunsInGhostscript) {
  JobHarness harness(vel::data::BuildPostScript(nullptr));
  RunSmallJob(harness);
  const JobOutput job = harness.LastJob();
  EXPECT_EQ(SmallJobGolden(), job.Text());
  // The header, the page's flush, the document's flush, the trailer.
  EXPECT_EQ(job.writes.size(), 4u);
  EXPECT_EQ(job.tally.job_ends, 1);
  if (GhostscriptAvailable()) {
    const GsRun run = RunGhostscript(job.Text());
    EXPECT_TRUE(run.Succeeded()) << run.output;
  }
}

TEST(GPostScriptJobTest, TheDriverDataFilesChainPrintsTheSameBytesAfterARestore) {
  std::unique_ptr<MPersistentComposite> model(
      vel::data::BuildModel(vel::data::kDefaultModel, vel::data::Language::kPostScript));
  const std::string bytes = vel::data::DriverDataBytes(*model);
  ASSERT_FALSE(bytes.empty());
  std::unique_ptr<GBaseObject> restored(vel::data::DriverDataFromBytes(bytes));
  ASSERT_NE(restored, nullptr);
  auto* head = dynamic_cast<GPeripheralComposite*>(
      static_cast<MPersistentComposite*>(restored.get())->RemoveByKey(vel::key::kHeadPeripheral));
  ASSERT_NE(head, nullptr);
  JobHarness harness(JobHarness::OverChain{head});
  ASSERT_NE(BackEnd(harness), nullptr);
  ASSERT_NE(BackEnd(harness)->Writer(), nullptr);
  RunSmallJob(harness);
  EXPECT_EQ(SmallJobGolden(), harness.LastJob().Text());
}

TEST(GPostScriptJobTest, ThePrinterReplacesItsBackEndByACopyOfOneAccepted) {
  JobHarness harness(vel::data::BuildPostScript(nullptr));
  GPostScript* before = BackEnd(harness);
  std::unique_ptr<GPostScript> accepted(vel::data::BuildPostScript(nullptr));
  EXPECT_EQ(accepted->Accept(harness.Printer()), 0);
  GPostScript* after = BackEnd(harness);
  ASSERT_NE(after, nullptr);
  EXPECT_NE(after, before);
  EXPECT_NE(after, accepted.get());
  EXPECT_NE(after->Writer(), accepted->Writer());
  EXPECT_EQ(after->GetKey(), vel::key::kLanguagePeripheral);
  EXPECT_EQ(harness.Printer().Count(), 2u);
  after->SetConfiguration(&harness.Configuration());
  RunSmallJob(harness);
  EXPECT_EQ(SmallJobGolden(), harness.LastJob().Text());
}

// --- Settings and pages ---------------------------------------------------------------------------

TEST(GPostScriptJobTest, JobSettingsReachTheFeatureBlockAndThePageTransform) {
  JobHarness harness(vel::data::BuildPostScript(nullptr));
  auto* resolution = new GAttributeComposite(vel::key::kPageStartGroup);
  resolution->Add(new GValueAttribute(300, vel::key::kResolutionX));
  resolution->Add(new GValueAttribute(300, vel::key::kResolutionY));
  harness.SetJobSetting(resolution);
  harness.SetJobValue(vel::key::kTonerSaving, 1);
  harness.SetJobValue(vel::key::kCollateFlag, 1);
  harness.SetJobValue(vel::key::kDuplex, 2);
  harness.SetJobValue(vel::key::kOutputBin, 3);
  harness.SetJobValue(vel::key::kResolutionEnhancement, 0);
  harness.SetJobValue(vel::key::kDocumentStartValue296, 0);
  ASSERT_EQ(harness.RunJob({PageSettings{}}), 0);
  const std::string text = harness.LastJob().Text();
  EXPECT_NE(text.find("<</DeferredMediaSelection true\r\n/HWResolution [300 300]\r\n"
                      "/Tonersave true\r\n/Collate true\r\n/Duplex true /Tumble false\r\n"
                      "/Staple 2\r\n/PostRenderingEnhance false\r\n>> setpagedevice"),
            std::string::npos)
      << text;
  // Without a media: Letter, no media type; without a tray the position is 0.
  EXPECT_NE(text.find("<</PageSize [612 792] /ImagingBBox null /MediaType null /ManualFeed false "
                      "/MediaPosition 0>> setpagedevice\r\n0 792 translate \r\n"
                      ".2400 -0.2400 scale \r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(BackEnd(harness)->GetColourOutput(), 1);
  EXPECT_EQ(BackEnd(harness)->GetResolutionX(), 300);
}

TEST(GPostScriptJobTest, APageOfAnA3MediaHasItsSizeInPoints) {
  JobHarness harness(vel::data::BuildPostScript(nullptr));
  // A3 at 600 dpi: 7016 x 9921 pixels, 842 x 1191 points.
  ASSERT_EQ(harness.RunJob({PageSettings{0, {}, {}, MakeTestMedia(8, 7016, 9921)}}), 0);
  EXPECT_NE(harness.LastJob().Text().find("<</PageSize [842 1191] /ImagingBBox null /MediaType null"),
            std::string::npos);
}

// --- Failures, aborts, pass-through -------------------------------------------------------------

TEST(GPostScriptJobTest, AFailedWriteIsAnsweredByTheHandlerThatMadeIt) {
  JobHarness harness(vel::data::BuildPostScript(nullptr));
  // The header goes through; the page's flush fails.
  harness.FailNextJobFromByte(200);
  ASSERT_EQ(harness.StartDocument(u"Letter"), 0);
  ASSERT_EQ(harness.StartPage(kLetterPage), 0);
  EXPECT_NE(harness.EndPage(), 0);
  EXPECT_TRUE(harness.InErrorState());
  EXPECT_EQ(BackEnd(harness)->GetPendingStatus(), 0);
}

TEST(GPostScriptJobTest, AJobAbortWritesNoPostScriptAndTheNextJobStartsAfresh) {
  JobHarness harness(vel::data::BuildPostScript(nullptr));
  ASSERT_EQ(harness.StartDocument(u"Letter"), 0);
  ASSERT_EQ(harness.StartPage(kLetterPage), 0);
  ASSERT_EQ(harness.Send(new GRectangleGraphic(GRect{0, 0, 10, 10}, PenAndBrush(), 0)), 0);
  ASSERT_EQ(harness.AbortJob(), 0);
  const std::vector<JobOutput> jobs = harness.Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  // Only the PJL header reached the channel: the setup and the page waited in the emitter.
  EXPECT_EQ(jobs[0].Text(), kPJLHeader);
  EXPECT_EQ(BackEnd(harness)->GetInDocument(), 0);

  RunSmallJob(harness);
  EXPECT_EQ(SmallJobGolden(), harness.LastJob().Text());
}

TEST(GPostScriptJobTest, PassThroughDataIsWrittenOnlyForPostScript) {
  JobHarness harness(vel::data::BuildPostScript(nullptr));
  ASSERT_EQ(harness.StartDocument(u"Letter"), 0);
  const std::size_t before = harness.LastJob().bytes.size();
  const char other[] = "for PCL XL";
  ASSERT_EQ(harness.Send(new GPassThroughCommand(reinterpret_cast<const std::uint8_t*>(other),
                                                 std::uint16_t{sizeof other - 1},
                                                 vel::classid::kGKestrix)),
            0);
  EXPECT_EQ(harness.LastJob().bytes.size(), before);
  const char mine[] = "%% raw\r\n";
  ASSERT_EQ(harness.Send(new GPassThroughCommand(reinterpret_cast<const std::uint8_t*>(mine),
                                                 std::uint16_t{sizeof mine - 1},
                                                 vel::classid::kGPostScript)),
            0);
  // The setup waiting in the emitter went first, then the raw bytes.
  const std::string text = harness.LastJob().Text();
  EXPECT_EQ(text, kPJLHeader + DefaultSetup() + mine);
  ASSERT_EQ(harness.EndDocument(), 0);
}

// A restored back end forgets what its downloader knew (fonts registered, vectors written): the
// restore gives it a new one.
TEST(GPostScriptJobTest, ARestoreGivesTheBackEndANewFontDownloader) {
  const std::unique_ptr<GPostScript> saved(vel::data::BuildPostScript(nullptr));
  const std::unique_ptr<GPostScript> target(vel::data::BuildPostScript(nullptr));
  for (const Carrier carrier : kAllCarriers) {
    SCOPED_TRACE(CarrierName(carrier));
    ASSERT_NE(target->PSFontDownloader(), nullptr);
    target->PSFontDownloader()->MarkEncodingWritten(629);
    const Restored restored = RestoreInto(carrier, SaveGraph(carrier, saved.get()), *target);
    EXPECT_FALSE(restored.failed);
    ASSERT_NE(target->PSFontDownloader(), nullptr);
    EXPECT_FALSE(target->PSFontDownloader()->IsEncodingWritten(629));
  }
}

TEST(GPostScriptJobTest, WithoutAnEmitterTheDocumentStartFailsAndNothingIsWritten) {
  // The first allocation refused that leaves the back end without an emitter is the emitter's.
  GPostScript* postscript = nullptr;
  for (int skip = 0; skip < 1000 && postscript == nullptr; ++skip) {
    std::unique_ptr<GPostScript> made;
    {
      const FailingAllocation failing(skip, 1);
      made.reset(new GPostScript);
    }
    if (made->Writer() == nullptr) {
      postscript = made.release();
    }
  }
  ASSERT_NE(postscript, nullptr);
  postscript->SetName(vel::data::kPostScriptLanguage);
  JobHarness harness(postscript);
  EXPECT_EQ(harness.StartDocument(u"Letter"), GPostScript::kNoWriter);
  EXPECT_EQ(harness.Send(new GRectangleGraphic(GRect{0, 0, 10, 10}, PenAndBrush(), 0)), 0);
  for (const JobOutput& job : harness.Jobs()) {
    EXPECT_EQ(job.Text().find("%!PS"), std::string::npos);
  }
}

}  // namespace
}  // namespace vel::test
