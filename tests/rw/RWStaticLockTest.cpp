// Static locks: made once under concurrent first use, recursive, and exclusive.
#include "rw/RWStaticLock.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A lock never used before, for each run of a test (--gtest_repeat runs it again in the same
// process). Like the library's static locks it is never destroyed; the list keeps it reachable.
RWStaticLock& FreshLock() {
  static std::vector<std::unique_ptr<RWStaticLock>>* const locks =
      new std::vector<std::unique_ptr<RWStaticLock>>;
  locks->push_back(std::make_unique<RWStaticLock>());
  return *locks->back();
}

TEST(RWStaticLockTest, IsRecursive) {
  RWStaticLock& lock = FreshLock();
  EXPECT_FALSE(lock.IsCreated());
  RWLockGuard outer(lock);
  RWLockGuard inner(lock);
  EXPECT_TRUE(lock.IsCreated());
}

// Eight threads meet at a barrier and take a fresh lock's first use at once; every increment of
// the unguarded counter must then be seen (ThreadSanitizer checks the creation itself).
TEST(RWStaticLockThreads, FirstUseFromEightThreadsAtOnce) {
  for (int round = 0; round < 20; ++round) {
    RWStaticLock* lock = &FreshLock();
    std::atomic<int> waiting{8};
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
      threads.emplace_back([&] {
        waiting.fetch_sub(1);
        while (waiting.load() > 0) {
        }
        for (int i = 0; i < 1000; ++i) {
          RWLockGuard guard(*lock);
          ++counter;
        }
      });
    }
    for (std::thread& thread : threads) {
      thread.join();
    }
    EXPECT_EQ(counter, 8000);
  }
}

}  // namespace
