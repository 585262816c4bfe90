// The PCL XL back end: job, page and state.
#include "framework/output/GKestrix.h"

#include <gtest/gtest.h>

#include "tests/support/FwJobHarness.h"
#include "tests/support/PclXlChecker.h"

namespace vel::test {
namespace {

TEST(GKestrixTest, Smoke) {
  JobHarness harness;
  EXPECT_EQ(0, harness.RunJob({PageSettings{0, 1, 1, MakeTestMedia(2, 5100, 6600)}}));
  const JobOutput job = harness.LastJob();
  std::printf("%s\n", HexDump(job.bytes).c_str());
  EXPECT_TRUE(PassesPclXlCheck(job.bytes));
}

}  // namespace
}  // namespace vel::test
