// velprint's parallel play: every sample on eight threads at once, each thread with its own DC,
// printer handle and output, which must equal the output of a play on one thread.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/platform/EngineTestFixture.h"
#include "tests/velprint/SampleJobs.h"
#include "tools/velprint/Player.h"

namespace vel::velprint {
namespace {

class PlayerThreadsTest : public platform::engine::EngineTest {};

TEST_F(PlayerThreadsTest, EverySamplePlaysOnEightThreadsAsOnOne) {
  for (const auto& sample : SampleJobs()) {
    std::string error;
    auto job = ParseJob(ReadText(sample), sample.string(), &error);
    ASSERT_TRUE(job) << error;
    PlayOptions options;
    options.driver = VEL_LOGGING_DRIVER;
    options.output = root_.File("single.prn");
    std::ostringstream messages;
    int single = PlayJob(*job, options, messages);
    options.output = root_.File("parallel.prn");
    options.parallel = 8;
    int parallel = PlayJob(*job, options, messages);
    bool faults = ReadText(sample).find("\nfault EngCreate") != std::string::npos;
    if (faults) {
      // The engine's failure switches are process-wide: such a job plays on one thread only.
      EXPECT_EQ(parallel, kUsage) << sample;
      continue;
    }
    EXPECT_EQ(parallel, single) << sample << messages.str();
    for (int k = 1; k <= 8; ++k) {
      std::string output = root_.File("parallel.prn." + std::to_string(k));
      ASSERT_TRUE(std::filesystem::exists(output)) << output;
      EXPECT_EQ(ReadText(output), ReadText(root_.File("single.prn"))) << sample << " " << k;
    }
    EXPECT_TRUE(platform::engine::LedgerProblems().empty()) << sample;
  }
}

}  // namespace
}  // namespace vel::velprint
