// velprint's parallel play: every sample on eight threads at once, each thread with its own DC,
// printer handle and output, which must equal the output of a play on one thread.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/platform/EngineTestFixture.h"
#include "tools/velprint/Player.h"

namespace vel::velprint {
namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class PlayerThreadsTest : public platform::engine::EngineTest {};

TEST_F(PlayerThreadsTest, EverySamplePlaysOnEightThreadsAsOnOne) {
  for (const auto& entry : std::filesystem::directory_iterator(VEL_SAMPLES_DIR)) {
    if (entry.path().extension() != ".vjob") {
      continue;
    }
    std::string error;
    auto job = ParseJob(ReadText(entry.path()), entry.path().string(), &error);
    ASSERT_TRUE(job) << error;
    PlayOptions options;
    options.driver = VEL_LOGGING_DRIVER;
    options.output = root_.File("single.prn");
    std::ostringstream messages;
    int single = PlayJob(*job, options, messages);
    options.output = root_.File("parallel.prn");
    options.parallel = 8;
    int parallel = PlayJob(*job, options, messages);
    bool faults = ReadText(entry.path()).find("\nfault EngCreate") != std::string::npos;
    if (faults) {
      // The engine's failure switches are process-wide: such a job plays on one thread only.
      EXPECT_EQ(parallel, kUsage) << entry.path();
      continue;
    }
    EXPECT_EQ(parallel, single) << entry.path() << messages.str();
    for (int k = 1; k <= 8; ++k) {
      std::string output = root_.File("parallel.prn." + std::to_string(k));
      ASSERT_TRUE(std::filesystem::exists(output)) << output;
      EXPECT_EQ(ReadText(output), ReadText(root_.File("single.prn"))) << entry.path() << " " << k;
    }
    EXPECT_TRUE(platform::engine::LedgerProblems().empty()) << entry.path();
  }
}

}  // namespace
}  // namespace vel::velprint
