// The booklet lock: owned by a token, not a thread; re-entrant for its token, waited on by any
// other, released from whichever thread ends the owner's page; a stray release is reported.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "framework/core/DriverError.h"
#include "framework/pipeline/BookletLock.h"

namespace {

std::vector<int> g_reports;

void Record(std::int32_t severity, std::uint16_t id, const char* /*text*/) {
  g_reports.push_back(severity * 1000 + id);
}

void NoTerminate() {}

class BookletLockThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_reports.clear();
    previous_ = vel::SetDriverErrorObserver(&Record);
    previous_terminate_ = vel::SetTerminateStep(&NoTerminate);
  }
  void TearDown() override {
    vel::SetDriverErrorObserver(previous_);
    vel::SetTerminateStep(previous_terminate_);
  }

  vel::BookletLock lock_;

 private:
  vel::DriverErrorObserver previous_ = nullptr;
  vel::TerminateStep previous_terminate_ = nullptr;
};

TEST_F(BookletLockThreadsTest, IsReentrantForOneTokenAndFreedByItsLastRelease) {
  const int token = 0;
  lock_.Acquire(&token);
  lock_.Acquire(&token);
  lock_.Release(&token);
  EXPECT_TRUE(lock_.IsHeldBy(&token));
  lock_.Release(&token);
  EXPECT_TRUE(lock_.IsFree());
  EXPECT_TRUE(g_reports.empty());
}

TEST_F(BookletLockThreadsTest, AStrayReleaseIsReportedAndChangesNothing) {
  const int owner = 0;
  const int stranger = 0;
  lock_.Release(&stranger);
  lock_.Acquire(&owner);
  lock_.Release(&stranger);
  EXPECT_TRUE(lock_.IsHeldBy(&owner));
  lock_.Release(&owner);
  lock_.Acquire(nullptr);
  EXPECT_TRUE(lock_.IsFree());
  EXPECT_EQ(g_reports, (std::vector<int>{2302, 2302, 2301}));
}

TEST_F(BookletLockThreadsTest, AnotherTokenWaitsUntilAThirdThreadReleasesTheOwner) {
  const int first = 0;
  const int second = 0;
  lock_.Acquire(&first);
  std::atomic<bool> second_holds{false};
  std::thread waiter([&] {
    lock_.Acquire(&second);
    second_holds = true;
    lock_.Release(&second);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(second_holds.load());
  // The page of the first token ends on another thread than the one that started it.
  std::thread ender([&] { lock_.Release(&first); });
  ender.join();
  waiter.join();
  EXPECT_TRUE(second_holds.load());
  EXPECT_TRUE(lock_.IsFree());
  EXPECT_TRUE(g_reports.empty());
}

TEST_F(BookletLockThreadsTest, TheProcessLockIsMadeOnceUnderConcurrentFirstUse) {
  std::vector<vel::BookletLock*> seen(8, nullptr);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    threads.emplace_back([&seen, i] { seen[i] = &vel::BookletLock::Instance(); });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  for (auto* lock : seen) {
    EXPECT_EQ(lock, seen[0]);
  }
}

}  // namespace
