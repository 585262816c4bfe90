// The player against the logging test driver: each sample's trace equals its golden file, units
// and the physical offset turn into surface coordinates, and the program's exit statuses.
//
// To regenerate the golden traces after an intended change, run the tests with
// VEL_UPDATE_GOLDEN=1 and review the difference of tools/velprint/samples/*.trace.
#include "tools/velprint/Player.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/CallLog.h"
#include "platform/WideText.h"
#include "platform/engine/DrawingSpecs.h"
#include "platform/engine/EngineFonts.h"
#include "platform/spooler/PrinterStore.h"
#include "tests/platform/EngineTestFixture.h"
#include "tests/velprint/SampleJobs.h"

namespace vel::velprint {
namespace {

class PlayerTest : public platform::engine::EngineTest {
 protected:
  int Play(const std::string& text, std::string* messages = nullptr, bool check = true,
           const std::string& file = "") {
    std::string error;
    auto job = ParseJob(text, file.empty() ? root_.File("job.vjob") : file, &error);
    EXPECT_TRUE(job) << error;
    if (!job) {
      return kUsage;
    }
    PlayOptions options;
    options.driver = VEL_LOGGING_DRIVER;
    options.output = root_.File("out.prn");
    options.check = check;
    std::ostringstream out;
    int status = PlayJob(*job, options, out);
    if (messages != nullptr) {
      *messages = out.str();
    }
    return status;
  }

  static std::string Trace() {
    std::string trace;
    for (const std::string& line : platform::CallLogSnapshot()) {
      trace += line + "\n";
    }
    return trace;
  }
};

TEST_F(PlayerTest, EverySamplePlaysAndItsTraceMatchesItsGoldenFile) {
  const char* update = std::getenv("VEL_UPDATE_GOLDEN");
  int samples = 0;
  for (const auto& sample : SampleJobs()) {
    ++samples;
    std::string messages;
    EXPECT_EQ(Play(ReadText(sample), &messages, true, sample.string()), kPrinted)
        << sample << messages;
    std::filesystem::path golden = sample;
    golden.replace_extension(".trace");
    if (update != nullptr && std::string(update) == "1") {
      std::ofstream(golden, std::ios::binary) << Trace();
    }
    EXPECT_EQ(Trace(), ReadText(golden)) << sample << ": regenerate with VEL_UPDATE_GOLDEN=1";
    EXPECT_TRUE(platform::engine::LedgerProblems().empty()) << sample;
  }
  EXPECT_GE(samples, 6);
}

TEST_F(PlayerTest, UnitsAndThePhysicalOffsetGiveSurfaceCoordinates) {
  // The logging driver's offset is a sixth of an inch across and a twelfth down.
  struct Case {
    std::string dpi;
    std::string rect;
    std::string record;
  } cases[] = {
      {"600", "1in 1in 2in 2in", "500,550 1100,550 1100,1150"},
      {"300", "1in 1in 2in 2in", "250,275 550,275 550,575"},
      {"600", "25.4mm 12.7mm 50.8mm 1in", "500,250 1100,250 1100,550"},
      {"300", "72pt 36pt 144pt 72pt", "250,125 550,125 550,275"},
      {"600x300", "1in 1in 2in 2in", "500,275 1100,275 1100,575"},
      {"0600", "1in 1in 2in 2in", "500,550 1100,550 1100,1150"},  // decimal, not octal
  };
  for (const Case& c : cases) {
    platform::ClearCallLog();
    ASSERT_EQ(Play("vjob 1\ndc dpi=" + c.dpi + "\ndoc\npage\nrect " + c.rect +
                   " fill\nendpage\nenddoc\n"),
              kPrinted);
    EXPECT_NE(Trace().find("path record flags 11: " + c.record), std::string::npos)
        << c.dpi << " " << c.rect << "\n" << Trace();
  }
  std::string messages;
  EXPECT_EQ(Play("vjob 1\ndc dpi=600\ndoc\npage\nrect 0 0 60in 1 fill\n", &messages), kFailed);
  EXPECT_NE(messages.find(":5: error: length out of range after unit conversion"),
            std::string::npos)
      << messages;
}

TEST_F(PlayerTest, FailedCallsAndExpectationsFailTheJob) {
  std::string messages;
  EXPECT_EQ(Play("vjob 1\nfault EngCreateDeviceSurface\ndc\n", &messages), kFailed);
  EXPECT_NE(messages.find("job.vjob:3: dc failed"), std::string::npos) << messages;
  EXPECT_EQ(Play("vjob 1\ndc\nescape 8 in=11000000\nexpect value=5\n", &messages), kFailed);
  EXPECT_NE(messages.find(":4: expect failed"), std::string::npos) << messages;
  EXPECT_EQ(Play("vjob 1\ndc\nescape 8 in=11000000\nexpect value=5\n", &messages, false),
            kPrinted);
  EXPECT_EQ(Play("vjob 1\ndc\nescape 8 in=11000000 out=4\nexpect value=4 out=01000000\n",
                 &messages),
            kFailed);
  EXPECT_NE(messages.find(":4: expect failed: wanted out 01000000, the call answered out 00000000"),
            std::string::npos)
      << messages;
  EXPECT_EQ(Play("vjob 1\nengine version=0x10000\ndc\n", &messages), kNoDriver);
  EXPECT_EQ(Play("vjob 1\nengine version=0x10000\ndc\nexpect false\n", &messages), kPrinted);
}

TEST_F(PlayerTest, ARecordingReplaysToTheSameCallsUnderCheck) {
  for (const auto& sample : SampleJobs()) {
    std::string error;
    auto job = ParseJob(ReadText(sample), sample.string(), &error);
    ASSERT_TRUE(job) << error;
    PlayOptions options;
    options.driver = VEL_LOGGING_DRIVER;
    options.output = root_.File("first.prn");
    options.record = root_.File("recording.vjob");
    std::ostringstream messages;
    ASSERT_EQ(PlayJob(*job, options, messages), kPrinted) << sample << messages.str();
    std::string first = Trace();
    // The recording names its files as the job did, so it is read as if beside it.
    std::string recording = ReadText(options.record);
    auto replay = ParseJob(recording, sample.string(), &error);
    ASSERT_TRUE(replay) << sample << ": " << error << "\n" << recording;
    EXPECT_NE(recording.find("\nexpect "), std::string::npos);
    options.record.clear();
    options.check = true;
    options.output = root_.File("second.prn");
    EXPECT_EQ(PlayJob(*replay, options, messages), kPrinted) << sample << messages.str();
    EXPECT_EQ(Trace(), first) << sample;
    EXPECT_EQ(ReadText(root_.File("second.prn")), ReadText(root_.File("first.prn")));
  }
}

TEST_F(PlayerTest, NamedFilesAreReadWhenTheJobPlays) {
  std::string messages;
  std::ofstream(root_.File("wide.pgm")) << "P2 3 1 255 0 1 2";
  std::string page = "vjob 1\ndc\ndoc\npage\n";
  EXPECT_EQ(Play(page + "bitmap b format=8 size=2,1 file=wide.pgm\n", &messages), kFailed);
  EXPECT_NE(messages.find("job.vjob:5: error: the picture 'wide.pgm' is 3 x 1, the bitmap 2 x 1"),
            std::string::npos)
      << messages;
  std::ofstream(root_.File("bad.pgm")) << "P2 3 1 255 0 1";
  EXPECT_EQ(Play(page + "bitmap b format=8 size=3,1 file=bad.pgm\n", &messages), kFailed);
  EXPECT_NE(messages.find("the picture 'bad.pgm': bad sample"),
            std::string::npos)
      << messages;
  EXPECT_EQ(Play(page + "bitmap b format=8 size=3,1 file=none.pgm\n", &messages), kFailed);
  EXPECT_NE(messages.find("cannot read the picture 'none.pgm'"), std::string::npos) << messages;

  // The driver data file: a file beside the job, or a model of the models folder.
  std::filesystem::create_directories(root_.File("models"));
  std::ofstream(root_.File("models/pclxl.dat")) << "model";
  std::string error;
  auto job = ParseJob("vjob 1\nprinter \"P\" data=@pclxl\ndc\n", root_.File("job.vjob"), &error);
  ASSERT_TRUE(job) << error;
  PlayOptions options;
  options.driver = VEL_LOGGING_DRIVER;
  options.output = root_.File("out.prn");
  options.models = root_.File("models");
  std::ostringstream out;
  EXPECT_EQ(PlayJob(*job, options, out), kPrinted) << out.str();
  auto printer = platform::spooler::GetPrinter(u"P");
  ASSERT_TRUE(printer);
  EXPECT_EQ(printer->data_file,
            platform::ToUtf16(std::filesystem::absolute(root_.File("models/pclxl.dat")).string()));
  options.models = root_.File("nowhere");
  EXPECT_EQ(PlayJob(*job, options, out), kFailed);
  EXPECT_NE(out.str().find("no model 'pclxl'"), std::string::npos) << out.str();
  // A DEVMODE file whose length is not dmSize + dmDriverExtra is refused by the store.
  std::ofstream(root_.File("short.dm")) << "xx";
  EXPECT_EQ(Play("vjob 1\nprinter \"Q\" devmode=short.dm\ndc\n", &messages), kFailed);
  EXPECT_NE(messages.find("job.vjob:3: error: the printer store refuses"), std::string::npos)
      << messages;
}

TEST_F(PlayerTest, TheSpoolerStateFolderKeepsThePrinterAndParallelPlayRefusesWhatItCannotDo) {
  std::string error;
  auto job = ParseJob("vjob 1\nprinter \"Kept\"\ndc\n", root_.File("job.vjob"), &error);
  ASSERT_TRUE(job) << error;
  PlayOptions options;
  options.driver = VEL_LOGGING_DRIVER;
  options.output = root_.File("out.prn");
  options.state = root_.File("state");
  std::ostringstream messages;
  ASSERT_EQ(PlayJob(*job, options, messages), kPrinted) << messages.str();
  platform::spooler::OpenStore(options.state);
  EXPECT_TRUE(platform::spooler::GetPrinter(u"Kept")) << "saved in the state folder";
  options.state.clear();
  options.parallel = 2;
  options.trace = true;
  EXPECT_EQ(PlayJob(*job, options, messages), kUsage);
  options.trace = false;
  auto faulty = ParseJob("vjob 1\nfault EngWritePrinter\ndc\n", root_.File("job.vjob"), &error);
  ASSERT_TRUE(faulty) << error;
  EXPECT_EQ(PlayJob(*faulty, options, messages), kUsage);
  EXPECT_NE(messages.str().find("job.vjob:2: the engine's failure switches are process-wide"),
            std::string::npos)
      << messages.str();
}

TEST_F(PlayerTest, AJobsEngineSetUpDoesNotLeakIntoTheNext) {
  ASSERT_EQ(Play("vjob 1\nengine emptyglyph=1x1 maxpoints=8 acp=1250\n"), kPrinted);
  ASSERT_EQ(Play("vjob 1\n"), kPrinted);
  EXPECT_FALSE(platform::engine::GetTextSettings().empty_glyph_one_pixel);
  EXPECT_EQ(platform::engine::GetObjectSettings().path_record_points, 64u);
}

int RunVelprint(const std::string& arguments, std::string* output = nullptr) {
  std::string log = std::filesystem::temp_directory_path() /
                    ("velprint_test_" + std::to_string(::getpid()) + ".txt");
  int status = std::system((std::string(VEL_VELPRINT) + " " + arguments + " >" + log + " 2>&1")
                               .c_str());
  if (output != nullptr) {
    *output = ReadText(log);
  }
  std::filesystem::remove(log);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(PlayerTest, TheProgramsHelpAndExitStatuses) {
  std::string output;
  EXPECT_EQ(RunVelprint("--help", &output), 0);
  EXPECT_NE(output.find("usage: velprint"), std::string::npos);
  EXPECT_EQ(RunVelprint("--bogus"), 2);
  EXPECT_EQ(RunVelprint(""), 2);
  std::string bad = root_.File("bad.vjob");
  std::ofstream(bad) << "vjob 1\npage\n";
  EXPECT_EQ(RunVelprint(bad, &output), 2);
  EXPECT_EQ(output, bad + ":2:1: 'page' out of place\n");
  std::string good = std::string(VEL_SAMPLES_DIR) + "/shapes.vjob";
  std::string out = root_.File("shapes.prn");
  EXPECT_EQ(RunVelprint("--driver /nonexistent/velgr.so -o " + out + " " + good), 3);
  EXPECT_EQ(RunVelprint("-q --check --driver " + std::string(VEL_LOGGING_DRIVER) + " -o " + out + " " +
                good),
            0);
  EXPECT_TRUE(std::filesystem::exists(out));
  EXPECT_EQ(RunVelprint("--canonical " + good, &output), 0);
  EXPECT_EQ(output.rfind("vjob 1\n", 0), 0u);
}

}  // namespace
}  // namespace vel::velprint
