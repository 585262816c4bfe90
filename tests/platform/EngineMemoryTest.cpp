// Engine memory, semaphores, last error and local time, with their ledgers.
#include <gtest/gtest.h>

#include <thread>

#include "platform/engine/winddi.h"
#include "tests/platform/EngineTestFixture.h"

namespace vel::platform::engine {
namespace {

constexpr ULONG kTag = 0x79626744;    // "Dgby"
constexpr ULONG kOther = 0x74736554;  // "Test"

using EngineMemoryTest = EngineTest;

TEST_F(EngineMemoryTest, BlocksArePatternFilledUnlessZeroIsAsked) {
  auto* filled = static_cast<unsigned char*>(EngAllocMem(0, 64, kTag));
  auto* zeroed = static_cast<unsigned char*>(EngAllocMem(FL_ZERO_MEMORY, 64, kTag));
  ASSERT_NE(filled, nullptr);
  ASSERT_NE(zeroed, nullptr);
  for (int i = 0; i < 64; ++i) {
    EXPECT_NE(filled[i], 0) << i;
    EXPECT_EQ(zeroed[i], 0) << i;
  }
  EngFreeMem(filled);
  EngFreeMem(zeroed);
  EngFreeMem(nullptr);
}

TEST_F(EngineMemoryTest, LedgerCountsLiveBlocksAndBytesPerTag) {
  void* a = EngAllocMem(0, 100, kTag);
  void* b = EngAllocMem(0, 28, kTag);
  void* c = EngAllocMem(0, 0, kOther);
  EXPECT_EQ(LiveBlocks(kTag), 2u);
  EXPECT_EQ(LiveBytes(kTag), 128u);
  EXPECT_EQ(LiveBlocks(kOther), 1u);
  EngFreeMem(a);
  EngFreeMem(c);
  std::vector<MemoryLedgerEntry> ledger = MemoryLedger();
  ASSERT_EQ(ledger.size(), 1u);
  EXPECT_EQ(ledger[0].tag, kTag);
  EXPECT_EQ(ledger[0].bytes, 28u);
  std::vector<std::string> problems = LedgerProblems();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0], "engine memory never freed: 1 block(s), 28 bytes of tag 'Dgby'");
  EngFreeMem(b);
  EXPECT_TRUE(LedgerProblems().empty());
  CallCounters counters = Counters();
  EXPECT_EQ(counters.allocations, 3u);
  EXPECT_EQ(counters.frees, 3u);
}

TEST_F(EngineMemoryTest, AllocationFailsUnderItsSwitchAndPerItemCallsLogOnlyWhenAsked) {
  FailCalls("EngAllocMem", 1, 1);
  void* first = EngAllocMem(0, 8, kTag);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(EngAllocMem(0, 8, kTag), nullptr);
  EngFreeMem(first);
  EXPECT_TRUE(CallLogSnapshot().empty());
  SetFullLogging(true);
  EngFreeMem(EngAllocMem(0, 8, kTag));
  EXPECT_EQ(CallLogSnapshot(),
            (std::vector<std::string>{"EngAllocMem(0x0, 8, 'Dgby')", "EngFreeMem(8 bytes, 'Dgby')"}));
}

TEST_F(EngineMemoryTest, SemaphoresAreRecursiveAndTheLedgerReportsMisuse) {
  HSEMAPHORE semaphore = EngCreateSemaphore();
  ASSERT_NE(semaphore, nullptr);
  EngAcquireSemaphore(semaphore);
  EngAcquireSemaphore(semaphore);
  EngReleaseSemaphore(semaphore);
  std::thread([&] { EngReleaseSemaphore(semaphore); }).join();
  EXPECT_EQ(LedgerProblems(),
            (std::vector<std::string>{
                "EngReleaseSemaphore by a thread that does not hold the semaphore",
                "1 semaphore(s) never deleted"}));
  EngDeleteSemaphore(semaphore);  // still held once by this thread
  EXPECT_EQ(LedgerProblems(),
            (std::vector<std::string>{
                "EngReleaseSemaphore by a thread that does not hold the semaphore",
                "EngDeleteSemaphore of a semaphore that is held"}));
  CallCounters counters = Counters();
  EXPECT_EQ(counters.acquires, 2u);
  EXPECT_EQ(counters.releases, 1u);

  ClearLedgers();
  HSEMAPHORE kept = EngCreateSemaphore();
  ClearLedgers();
  HSEMAPHORE leaked = EngCreateSemaphore();
  EXPECT_EQ(LedgerProblems(), (std::vector<std::string>{"1 semaphore(s) never deleted"}));
  EngDeleteSemaphore(leaked);
  EngDeleteSemaphore(kept);  // made before the ledger was cleared: not counted again
  EXPECT_TRUE(LedgerProblems().empty());

  FailCalls("EngCreateSemaphore", 0, 1);
  HSEMAPHORE failed = EngCreateSemaphore();
  EXPECT_EQ(failed, nullptr);
  EngAcquireSemaphore(failed);
  EngReleaseSemaphore(failed);
  EngDeleteSemaphore(failed);
  EXPECT_EQ(LedgerProblems(), (std::vector<std::string>{"EngAcquireSemaphore of a null semaphore",
                                                        "EngReleaseSemaphore of a null semaphore"}));
  ClearLedgers();
}

TEST_F(EngineMemoryTest, LastErrorIsKeptPerThread) {
  EngSetLastError(122);
  ULONG other = 1;
  std::thread([&] {
    other = EngGetLastError();
    EngSetLastError(5);
  }).join();
  EXPECT_EQ(other, 0u);
  EXPECT_EQ(EngGetLastError(), 122u);
}

TEST_F(EngineMemoryTest, LocalTimeComesFromTheHostsClock) {
  ENG_TIME_FIELDS time{};
  EngQueryLocalTime(&time);
  EXPECT_EQ(time.usYear, 2000);
  EXPECT_EQ(time.usMonth, 1);
  EXPECT_EQ(time.usDay, 1);
  EXPECT_EQ(time.usHour + time.usMinute + time.usSecond + time.usMilliseconds, 0);
  EXPECT_EQ(time.usWeekday, 6);
  SetLocalTime(ENG_TIME_FIELDS{2026, 12, 10, 15, 4, 5, 678, 4});
  EngQueryLocalTime(&time);
  EXPECT_EQ(time.usYear, 2026);
  EXPECT_EQ(time.usMilliseconds, 678);
  EXPECT_EQ(time.usWeekday, 4);
}

}  // namespace
}  // namespace vel::platform::engine
