// The PJL job envelope: the job header of every job setting, the trailer, the channel it opens or
// is given, its children, the printer's replacement of it, and its stored form.
#include "framework/output/GPJL.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GMedia.h"
#include "framework/core/GPaperHandlingDevice.h"
#include "framework/core/GPrinter.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GPageCommand.h"
#include "tests/support/FwJobHarness.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestPeripheral.h"
#include "tests/support/FwTestProviders.h"

namespace vel::test {
namespace {

FW_PERSIST_SAMPLES(vel::classid::kGPJL,
                   {{"pjl default", [] { return new GPJL(vel::key::kPJLPeripheral); }},
                    {"pjl with media and name", [] {
                       auto* pjl = new GPJL(vel::key::kPJLPeripheral);
                       pjl->SetName("PJL");
                       GMedia media;
                       (void)pjl->HandleMedia(media);
                       return pjl;
                     }}});

constexpr char kExit[] = "\x1b%-12345X";

// The header of a job called `name` whose settings give `lines` (each a "@PJL SET " line unless it
// starts with '@' or is raw text marked by a leading '!').
std::string Header(const std::string& name, const std::vector<std::string>& lines) {
  std::string header = std::string(kExit) + "@PJL JOB NAME=\"" + name + "\"\r\n";
  for (const std::string& line : lines) {
    if (!line.empty() && line[0] == '!') {
      header += line.substr(1);
    } else {
      header += "@PJL SET " + line + "\r\n";
    }
  }
  return header + "@PJL ENTER LANGUAGE=PCLXL\r\n";
}

std::string Trailer(const std::string& name) {
  return std::string(kExit) + "@PJL EOJ NAME=\"" + name + "\"\r\n" + kExit;
}

struct Setting {
  std::uint32_t key;
  std::uint16_t value;
  const char* text = nullptr;  // a string attribute instead of a value
};

struct HeaderCase {
  const char* name;
  std::vector<Setting> settings;
  std::vector<std::string> lines;  // between the job line and ENTER LANGUAGE
  int accessory_option = 0;        // the optional output accessory installed with this option
  std::u16string job = u"job";
  std::string written_job = "job";
};

constexpr std::uint32_t kCopies = vel::key::kDocumentCopies;
constexpr std::uint32_t kELX = vel::key::kResolutionEnhancement;
constexpr std::uint32_t kDuplex = vel::key::kDuplex;
constexpr std::uint32_t kToner = vel::key::kTonerSaving;
constexpr std::uint32_t kBin = vel::key::kOutputBin;
constexpr std::uint32_t kHold = vel::key::kJobRetention;
constexpr std::uint32_t kUser = vel::key::kUserName;
constexpr std::uint32_t kKey = vel::key::kPrivateJobKey;
const std::string kRes = "RESOLUTION=600";
const std::string kBits = "BITSPERPIXEL=1";

const std::vector<HeaderCase>& HeaderCases() {
  static const std::vector<HeaderCase> cases = {
      {"no settings", {}, {kRes, kBits}},
      {"the example: two copies, long-edge duplex, toner saving off, upper bin, page protection",
       {{kCopies, 2}, {kDuplex, 2}, {kToner, 0}, {kBin, 1}, {vel::key::kPageProtection, 0}},
       {"QTY=2", "DUPLEX=ON", "BINDING=LONGEDGE", "TONERSAVE=OFF", "OUTBIN=UPPER",
        "PAGEPROTECT=ON", kRes, kBits}},
      {"one copy writes no QTY", {{kCopies, 1}}, {kRes, kBits}},
      {"copies read signed: 0xFFFF is -1", {{kCopies, 0xFFFF}}, {kRes, kBits}},
      {"raw PJL text stands as it is",
       {{vel::key::kRawPJL, 0, "@PJL SET ECONOMODE=ON\r\n"}, {kCopies, 3}},
       {"QTY=3", "!@PJL SET ECONOMODE=ON\r\n", kRes, kBits}},
      {"ELX 0", {{kELX, 0}}, {"ELX=OFF", kRes, kBits}},
      {"ELX 1", {{kELX, 1}}, {"ELX=LIGHT", kRes, kBits}},
      {"ELX 2", {{kELX, 2}}, {"ELX=MEDIUM", kRes, kBits}},
      {"ELX 3", {{kELX, 3}}, {"ELX=DARK", kRes, kBits}},
      {"ELX 4", {{kELX, 4}}, {"ELX=ON", kRes, kBits}},
      {"ELX 7 names no level", {{kELX, 7}}, {"ELX=", kRes, kBits}},
      {"ELX -1 names no level", {{kELX, 0xFFFF}}, {"ELX=", kRes, kBits}},
      {"duplex off", {{kDuplex, 0}}, {"DUPLEX=OFF", kRes, kBits}},
      {"duplex short edge", {{kDuplex, 1}}, {"DUPLEX=ON", "BINDING=SHORTEDGE", kRes, kBits}},
      {"duplex 3 writes nothing", {{kDuplex, 3}}, {kRes, kBits}},
      {"toner saving on", {{kToner, 1}}, {"TONERSAVE=ON", kRes, kBits}},
      {"toner saving 2 writes nothing", {{kToner, 2}}, {kRes, kBits}},
      {"bin 1", {{kBin, 1}}, {"OUTBIN=UPPER", kRes, kBits}},
      {"bin 2 without the accessory", {{kBin, 2}}, {"OUTBIN=LOWER", kRes, kBits}},
      {"bin 3 without the accessory", {{kBin, 3}}, {"OUTBIN=OPTIONALOUTBIN7", kRes, kBits}},
      {"bin 4", {{kBin, 4}}, {"OUTBIN=OPTIONALOUTBIN2", kRes, kBits}},
      {"bin 5", {{kBin, 5}}, {"OUTBIN=OPTIONALOUTBIN2", kRes, kBits}},
      {"bin 6", {{kBin, 6}}, {"OUTBIN=OPTIONALOUTBIN3", kRes, kBits}},
      {"bin 7", {{kBin, 7}}, {"OUTBIN=OPTIONALOUTBIN4", kRes, kBits}},
      {"bin 1, accessory option 1", {{kBin, 1}}, {"OUTBIN=UPPER", kRes, kBits}, 1},
      {"bin 2, accessory option 1", {{kBin, 2}}, {"OUTBIN=OPTIONALOUTBIN1", kRes, kBits}, 1},
      {"bin 3, accessory option 1", {{kBin, 3}}, {"OUTBIN=OPTIONALOUTBIN3", kRes, kBits}, 1},
      {"bin 4, accessory option 1", {{kBin, 4}}, {"OUTBIN=OPTIONALOUTBIN2", kRes, kBits}, 1},
      {"bin 5, accessory option 1", {{kBin, 5}}, {"OUTBIN=OPTIONALOUTBIN2", kRes, kBits}, 1},
      {"bin 6, accessory option 1", {{kBin, 6}}, {"OUTBIN=OPTIONALOUTBIN3", kRes, kBits}, 1},
      {"bin 7, accessory option 1", {{kBin, 7}}, {"OUTBIN=OPTIONALOUTBIN4", kRes, kBits}, 1},
      {"bin 2, accessory option 2", {{kBin, 2}}, {"OUTBIN=OPTIONALOUTBIN1", kRes, kBits}, 2},
      {"bin 3, accessory option 2", {{kBin, 3}}, {"OUTBIN=OPTIONALOUTBIN7", kRes, kBits}, 2},
      {"stapling", {{vel::key::kStapling, 1}}, {"FINISH=STAPLE", kRes, kBits}},
      {"no stapling", {{vel::key::kStapling, 0}}, {kRes, kBits}},
      {"page protection auto", {{vel::key::kPageProtection, 5}}, {"PAGEPROTECT=AUTO", kRes, kBits}},
      {"a media that is no GMedia counts as paper 1",
       {{vel::key::kSelectedMedia, 7}},
       {"PAPER=EXEC", kRes, kBits}},
      {"resolution group",
       {{vel::key::kResolutionX, 1200}, {vel::key::kBitsPerPixel, 2}},
       {"RESOLUTION=1200", "BITSPERPIXEL=2"}},
      {"retention 0", {{kHold, 0}, {kUser, 0, "ANNA"}}, {"HOLD=OFF", kRes, kBits}},
      {"retention 1",
       {{kHold, 1}, {kUser, 0, "ANNA"}},
       {"HOLD=ON", "HOLDTYPE=PUBLIC", "USERNAME=\"ANNA\"", "JOBNAME=\"job\"", kRes, kBits}},
      {"retention 2",
       {{kHold, 2}, {kUser, 0, "ANNA"}},
       {"HOLD=PROOF", "USERNAME=\"ANNA\"", "JOBNAME=\"job\"", kRes, kBits}},
      {"retention 3",
       {{kHold, 3}, {kUser, 0, "ANNA"}},
       {"HOLD=STORE", "USERNAME=\"ANNA\"", "JOBNAME=\"job\"", kRes, kBits}},
      {"retention 4",
       {{kHold, 4}, {kUser, 0, "ANNA"}, {kKey, 0, "1234"}},
       {"HOLD=ON", "HOLDTYPE=PRIVATE", "HOLDKEY=\"1234\"", "USERNAME=\"ANNA\"", "JOBNAME=\"job\"",
        kRes, kBits}},
      {"retention 5 is off", {{kHold, 5}}, {"HOLD=OFF", kRes, kBits}},
      {"retention without a user name",
       {{kHold, 1}, {kKey, 0, "1234"}},
       {"HOLD=ON", "HOLDTYPE=PUBLIC", "USERNAME=\"?\"", "JOBNAME=\"job\"", kRes, kBits}},
      {"retention with an empty user name",
       {{kHold, 2}, {kUser, 0, ""}},
       {"HOLD=PROOF", "USERNAME=\"?\"", "JOBNAME=\"job\"", kRes, kBits}},
      {"retention with a user name holding a quote",
       {{kHold, 3}, {kUser, 0, "A\"NA"}},
       {"HOLD=STORE", "USERNAME=\"?\"", "JOBNAME=\"job\"", kRes, kBits}},
      {"private job without a key",
       {{kHold, 4}, {kUser, 0, "ANNA"}},
       {"HOLD=ON", "HOLDTYPE=PRIVATE", "HOLDKEY=\"\"", "USERNAME=\"ANNA\"", "JOBNAME=\"job\"",
        kRes, kBits}},
      {"private job with a key holding a control byte",
       {{kHold, 4}, {kUser, 0, "ANNA"}, {kKey, 0, "12\n4"}},
       {"HOLD=ON", "HOLDTYPE=PRIVATE", "HOLDKEY=\"\"", "USERNAME=\"ANNA\"", "JOBNAME=\"job\"",
        kRes, kBits}},
      {"a key with a TAB passes",
       {{kHold, 4}, {kUser, 0, "ANNA"}, {kKey, 0, "12\t4"}},
       {"HOLD=ON", "HOLDTYPE=PRIVATE", "HOLDKEY=\"12\t4\"", "USERNAME=\"ANNA\"", "JOBNAME=\"job\"",
        kRes, kBits}},
      {"retained jobs carry the job's own name",
       {{kHold, 1}, {kUser, 0, "ANNA"}},
       {"HOLD=ON", "HOLDTYPE=PUBLIC", "USERNAME=\"ANNA\"", "JOBNAME=\"Quarterly report\"", kRes,
        kBits},
       0, u"Quarterly report", "Quarterly report"},
      {"a job name with a quote is written empty",
       {{kHold, 1}, {kUser, 0, "ANNA"}},
       {"HOLD=ON", "HOLDTYPE=PUBLIC", "USERNAME=\"ANNA\"", "JOBNAME=\"\"", kRes, kBits},
       0, u"say \"hi\"", ""},
      {"a job name with a control byte is written empty", {}, {kRes, kBits}, 0, u"a\x1b" u"b", ""},
      {"a job name with a TAB and Latin-1 passes", {}, {kRes, kBits}, 0, u"a\tb", "a\tb"},
  };
  return cases;
}

class GPJLHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(GPJLHeaderTest, WritesTheHeaderAndTrailerInOneWriteEach) {
  const HeaderCase& c = GetParam();
  JobHarness harness;
  for (const Setting& setting : c.settings) {
    if (setting.key == vel::key::kResolutionX || setting.key == vel::key::kBitsPerPixel) {
      auto* group = dynamic_cast<GState*>(harness.JobSettings().FindByKey(vel::key::kPageStartGroup));
      if (group == nullptr) {
        group = new GState(vel::key::kPageStartGroup);
        harness.SetJobSetting(group);
      }
      group->Add(new GValueAttribute(setting.value, setting.key));
    } else if (setting.text != nullptr) {
      harness.SetJobText(setting.key, setting.text);
    } else {
      harness.SetJobValue(setting.key, setting.value);
    }
  }
  if (c.accessory_option != 0) {
    auto* accessory = dynamic_cast<GPaperHandlingDevice*>(
        harness.Configuration().FindByKey(vel::key::kPaperHandlingDevices)->FindByClassId(
            vel::classid::kGPaperHandlingDevice));
    ASSERT_NE(accessory, nullptr);
    ASSERT_EQ(accessory->SetInstalled(1), 1);
    ASSERT_EQ(accessory->SelectOption(static_cast<std::uint16_t>(c.accessory_option)), 1);
  }
  ASSERT_EQ(harness.RunJob({PageSettings{}}, c.job), 0);
  const JobOutput job = harness.LastJob();
  const std::string header = Header(c.written_job, c.lines);
  const std::string trailer = Trailer(c.written_job);
  const std::string text = job.Text();
  ASSERT_GE(job.writes.size(), 3u);
  EXPECT_EQ(text.substr(0, header.size()), header);
  EXPECT_EQ(job.writes.front().length, header.size());
  EXPECT_EQ(text.substr(text.size() - trailer.size()), trailer);
  EXPECT_EQ(job.writes.back().length, trailer.size());
  EXPECT_EQ(harness.PJL()->GetJobName(), RWCString(c.written_job.c_str()));
}

INSTANTIATE_TEST_SUITE_P(Settings, GPJLHeaderTest, ::testing::ValuesIn(HeaderCases()),
                         [](const ::testing::TestParamInfo<HeaderCase>& info) {
                           return "case" + std::to_string(info.index);
                         });

TEST(GPJLTest, PaperComesFromTheMediaPaperIdWhenMapped) {
  JobHarness harness;
  harness.SetJobSetting(new GMedia(*MakeTestMedia(26, 4960, 7015)));
  ASSERT_EQ(harness.RunJob({}), 0);
  const std::string header = Header("job", {"PAPER=A4", kRes, kBits});
  EXPECT_EQ(harness.LastJob().Text().substr(0, header.size()), header);

  JobHarness unmapped;
  unmapped.SetJobSetting(new GMedia(*MakeTestMedia(99, 100, 100)));
  ASSERT_EQ(unmapped.RunJob({}), 0);
  EXPECT_EQ(unmapped.LastJob().Text().find("PAPER="), std::string::npos);
}

TEST(GPJLTest, TheTrailerFollowsTheBackEndsDocumentEnd) {
  JobHarness harness;
  ASSERT_EQ(harness.RunJob({PageSettings{}}), 0);
  const JobOutput job = harness.LastJob();
  // Header, the page's flush, the document end's flush, the trailer.
  ASSERT_EQ(job.writes.size(), 4u);
  const std::string text = job.Text();
  const std::size_t end_session = text.rfind('\x42');  // EndSession, the back end's last byte
  EXPECT_EQ(end_session, text.size() - Trailer("job").size() - 1);
  EXPECT_EQ(job.tally.job_starts, 1);
  EXPECT_EQ(job.tally.job_ends, 1);
}

TEST(GPJLTest, OtherCommandsPassThroughUntouched) {
  GPJL pjl(vel::key::kPJLPeripheral);
  auto* child = new FwTestPeripheral("child", 7);
  pjl.Add(child);
  GCommandRef page(new GPageStart);
  GCommand* answer = pjl.ProcessCommand(page.Get());
  EXPECT_EQ(answer, page.Get());
  EXPECT_TRUE(child->Calls().empty());
}

// A GPJL that opens its own channel (no printer in front of it), for two jobs.
class GPJLAloneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    provider_.MakeOutput([this](const TestProvider::Request&) -> GOutputPort* {
      auto* port = new MemoryOutputPort;
      port->KeepTally(&tallies_[ports_]);
      ++ports_;
      return port;
    });
    pjl_.JobState()->Add(new GStringAttribute("PCLXL", vel::key::kLanguageName));
  }

  std::uint16_t Send(GCommand* command) {
    GCommandRef held(command);
    GCommandRef answer(pjl_.ProcessCommand(held.Get()));
    return answer->IsA() == vel::classid::kGErrorCommand
               ? static_cast<GErrorCommand*>(answer.Get())->GetStatus()
               : 0;
  }

  TestProvider provider_{1};
  ScopedRegistration registration_{&provider_, "PJL alone"};
  MemoryOutputPort::Tally tallies_[3];
  int ports_ = 0;
  GPJL pjl_{vel::key::kPJLPeripheral};
};

TEST_F(GPJLAloneTest, OwnsTheChannelOfEachJobAndDeletesItAtTheNext) {
  for (int job = 0; job < 2; ++job) {
    EXPECT_EQ(Send(new GDocumentStart(RWWString(u"J"), RWWString(u"P"), nullptr, 0)), 0);
    EXPECT_EQ(pjl_.GetState(), GPeripheral::kInDocument);
    EXPECT_EQ(Send(new GDocumentEnd), 0);
  }
  ASSERT_EQ(ports_, 2);
  // The first job's channel: started, ended once, deleted at the second start, never closed.
  EXPECT_EQ(tallies_[0].job_starts, 1);
  EXPECT_EQ(tallies_[0].job_ends, 1);
  EXPECT_EQ(tallies_[0].aborts, 0);
  EXPECT_EQ(tallies_[0].deletions, 1);
  EXPECT_EQ(tallies_[1].job_ends, 1);
  EXPECT_EQ(tallies_[1].deletions, 0);
  EXPECT_TRUE(pjl_.OwnsOutputChannel());
}

TEST_F(GPJLAloneTest, AJobAbortClosesAnOwnedChannelAndAnswers0) {
  EXPECT_EQ(Send(new GDocumentStart(RWWString(u"J"), RWWString(u"P"), nullptr, 0)), 0);
  EXPECT_EQ(Send(new GJobAbort), 0);
  EXPECT_EQ(tallies_[0].aborts, 1);
  EXPECT_EQ(pjl_.GetState(), GPeripheral::kIdle);
  EXPECT_EQ(Send(new GDocumentStart(RWWString(u"J"), RWWString(u"P"), nullptr, 0)), 0);
  EXPECT_EQ(tallies_[0].deletions, 1);
}

TEST_F(GPJLAloneTest, NoChannelIs601AndAFailedHeaderLeavesTheStateAlone) {
  provider_.MakeOutput([](const TestProvider::Request&) -> GOutputPort* { return nullptr; });
  EXPECT_EQ(Send(new GDocumentStart(RWWString(u"J"), RWWString(u"P"), nullptr, 0)), 601);
  provider_.MakeOutput([](const TestProvider::Request&) -> GOutputPort* {
    auto* port = new MemoryOutputPort;
    port->FailEveryWrite();
    return port;
  });
  EXPECT_EQ(Send(new GDocumentStart(RWWString(u"J"), RWWString(u"P"), nullptr, 0)), 5);
  EXPECT_EQ(pjl_.GetState(), GPeripheral::kIdle);
}

TEST(GPJLTest, ADocumentEndWithoutAChannelIs601) {
  GPJL pjl(vel::key::kPJLPeripheral);
  GDocumentEnd end;
  EXPECT_EQ(pjl.HandleDocumentEnd(end), 601);
}

TEST(GPJLTest, TheChildrenSeeTheDocumentStartBeforeTheHeaderIsWritten) {
  JobHarness harness;
  auto* child = new FwTestPeripheral("child", 9);
  harness.PJL()->Add(child);
  MemoryOutputPort port;
  ASSERT_EQ(port.JobStart(RWWString(u"J"), 0), 0);
  GDocumentStart start(RWWString(u"J"), RWWString(u"P"), nullptr, 0);
  start.SetOutputChannel(&port);
  GCommandRef held(&start);
  GCommandRef(harness.PJL()->ProcessCommand(&start)).Release();
  (void)held.Release();
  ASSERT_FALSE(child->Calls().empty());
  EXPECT_EQ(port.writes().size(), 1u);
  GDocumentEnd end;
  GCommandRef held_end(&end);
  GCommandRef(harness.PJL()->ProcessCommand(&end)).Release();
  (void)held_end.Release();
  EXPECT_EQ(port.writes().size(), 2u);
  // A channel of the command's is not ended by the envelope.
  EXPECT_TRUE(port.IsOpen());
}

TEST(GPJLTest, ThePrinterReplacesItsEnvelopeByACopyOfOneAccepted) {
  JobHarness harness;
  GPrinter& printer = harness.Printer();
  GPJL* before = harness.PJL();
  GPJL accepted(5);
  accepted.SetName("New PJL");
  EXPECT_EQ(accepted.Accept(printer), 0);
  GPJL* after = harness.PJL();
  ASSERT_NE(after, nullptr);
  EXPECT_NE(after, before);
  EXPECT_NE(after, &accepted);
  EXPECT_EQ(after->GetName(), RWCString("New PJL"));
  EXPECT_EQ(after->GetKey(), vel::key::kPJLPeripheral);
  EXPECT_EQ(printer.Count(), 2u);
}

}  // namespace
}  // namespace vel::test
