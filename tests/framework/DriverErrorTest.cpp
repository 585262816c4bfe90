// The critical-error routine and the out-of-memory handler, per flavour.
#include <gtest/gtest.h>

#include <cstdio>
#include <new>
#include <vector>

#include "framework/core/DriverError.h"
#include "framework/core/GOSServices.h"
#include "framework/core/NewHandler.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/FwTestOSServices.h"
#include "vel_flavour.h"

namespace {

constexpr bool kRender = vel::flavour::kIsRenderFlavour;

// The driver server's steps as a test sees them: counts, and a line on standard error for the
// death tests.
class RecordingSteps : public vel::GDriverServerSteps {
 public:
  explicit RecordingSteps(std::int32_t frees) : frees_(frees) {}
  void DisableSpares() override {
    ++disabled;
    std::fprintf(stderr, "spares released\n");
  }
  std::int32_t FreeMemory() override {
    ++free_calls;
    return frees_;
  }
  int disabled = 0;
  int free_calls = 0;

 private:
  std::int32_t frees_;
};

std::vector<int>& Reports() {
  static std::vector<int> reports;
  return reports;
}

void RecordReport(std::int32_t, std::uint16_t id, const char*) {
  Reports().push_back(id);
  std::fprintf(stderr, "report %d\n", id);
}

class DriverErrorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Reports().clear();
    previous_ = vel::SetDriverErrorObserver(&RecordReport);
    services_ = new vel::test::TestOSServices;
  }
  void TearDown() override {
    RemoveNewHandler();
    vel::SetDriverServerSteps(nullptr);
    vel::SetDriverErrorObserver(previous_);
    vel::DeleteOSServices();
  }

  vel::DriverErrorObserver previous_ = nullptr;
  vel::test::TestOSServices* services_ = nullptr;
};

TEST_F(DriverErrorTest, TheTwoTexts) {
  EXPECT_EQ(vel::DriverErrorText(2, 301),
            "There has been a critical error and the printer driver cannot continue.  Save your "
            "work, and exit the current application.  (Error id = 301)");
  EXPECT_EQ(vel::DriverErrorText(1, 501), "Error id = 501  (No error string table, yet...)");
  EXPECT_EQ(vel::DriverErrorText(3, 65535), "Error id = 65535  (No error string table, yet...)");
}

TEST_F(DriverErrorTest, SeverityThreeReturns) {
  RecordingSteps steps(0);
  vel::SetDriverServerSteps(&steps);
  ReportDriverError(3, 7, "unit", 1, "");
  EXPECT_EQ(Reports(), std::vector<int>{7});
  EXPECT_EQ(steps.disabled, 0);
}

TEST_F(DriverErrorTest, SeveritiesOneAndTwoEndTheUIProcess) {
  RecordingSteps steps(0);
  vel::SetDriverServerSteps(&steps);
  if (kRender) {
    ReportDriverError(1, 501, "drvrsrvr", 1, "");
    ReportDriverError(2, 301, "drvrsrvr", 2, "");
    EXPECT_EQ(Reports(), (std::vector<int>{501, 301}));
    EXPECT_EQ(steps.disabled, 0);
    return;
  }
  EXPECT_DEATH(ReportDriverError(1, 501, "drvrsrvr", 1, ""), "report 501");
  EXPECT_DEATH(ReportDriverError(2, 301, "drvrsrvr", 2, ""), "report 301\nspares released");
}

TEST_F(DriverErrorTest, OutOfMemoryWithAReserveRetriesAndMakesAFreshReserve) {
  RecordingSteps steps(1);
  vel::SetDriverServerSteps(&steps);
  InstallNewHandler(1024);
  EXPECT_TRUE(vel::NewHandlerInstalled());
  EXPECT_EQ(vel::NewHandlerReserveSize(), 1024u);
  char* block = nullptr;
  {
    vel::test::FailingAllocation refuse(0, 1);
    block = new (std::nothrow) char[100];
    EXPECT_EQ(refuse.Refused(), 1);
  }
  EXPECT_NE(block, nullptr);
  delete[] block;
  EXPECT_EQ(steps.free_calls, 1);
  EXPECT_EQ(vel::NewHandlerReserveSize(), 1024u);
  EXPECT_TRUE(Reports().empty());
  RemoveNewHandler();
  EXPECT_FALSE(vel::NewHandlerInstalled());
  EXPECT_EQ(vel::NewHandlerReserveSize(), 0u);
}

TEST_F(DriverErrorTest, OutOfMemoryWithNothingFreedEndsTheUIProcessOrFailsTheAllocation) {
  RecordingSteps steps(0);
  vel::SetDriverServerSteps(&steps);
  InstallNewHandler(1024);
  if (!kRender) {
    EXPECT_DEATH(
        {
          vel::test::FailingAllocation refuse(0, 1);
          char* block = new (std::nothrow) char[100];
          delete[] block;
        },
        "spares released\nreport 101");
    return;
  }
  {
    vel::test::FailingAllocation refuse(0, 1);
    char* block = new (std::nothrow) char[100];
    EXPECT_EQ(block, nullptr);
  }
  EXPECT_EQ(Reports(), std::vector<int>{101});
  EXPECT_EQ(steps.disabled, 1);
  EXPECT_TRUE(vel::NewHandlerInstalled());
  // No reserve is left: the next failure reports at once and the allocation fails again.
  {
    vel::test::FailingAllocation refuse(0, 1);
    char* block = new (std::nothrow) char[100];
    EXPECT_EQ(block, nullptr);
  }
  EXPECT_EQ(Reports(), (std::vector<int>{101, 101}));
  // Memory comes back: allocations work.
  char* block = new (std::nothrow) char[100];
  EXPECT_NE(block, nullptr);
  delete[] block;
}

TEST_F(DriverErrorTest, ANewReserveThatCannotBeMadeReports101) {
  RecordingSteps steps(1);
  vel::SetDriverServerSteps(&steps);
  InstallNewHandler(1024);
  if (!kRender) {
    EXPECT_DEATH(
        {
          // The allocation and then the new reserve are refused.
          vel::test::FailingAllocation refuse(0, 2);
          char* block = new (std::nothrow) char[100];
          delete[] block;
        },
        "report 101");
    return;
  }
  char* block = nullptr;
  {
    vel::test::FailingAllocation refuse(0, 2);
    block = new (std::nothrow) char[100];
  }
  // The nested failure found no reserve and gave up; the outer retry then succeeded.
  EXPECT_EQ(Reports(), std::vector<int>{101});
  EXPECT_NE(block, nullptr);
  delete[] block;
  EXPECT_EQ(vel::NewHandlerReserveSize(), 0u);
}

TEST_F(DriverErrorTest, WithoutServicesTheHandlerIsNotInstalled) {
  vel::DeleteOSServices();
  InstallNewHandler(1024);
  EXPECT_FALSE(vel::NewHandlerInstalled());
  services_ = new vel::test::TestOSServices;
}

}  // namespace
