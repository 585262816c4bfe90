// Reference words: the word is the number of references minus one, and the holder that sees 0
// when it drops its reference is the last one, also when eight threads share the block.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "rw/RWRefCounted.h"
#include "rw/RWStaticLock.h"

namespace {

constexpr int kThreads = 8;

RWStaticLock g_lock;

TEST(RWRefCountedTest, TheWordCountsReferencesMinusOne) {
  RWRefCounted block;  // made for one holder
  EXPECT_EQ(block.References(), 0);
  block.AddReference(g_lock);
  EXPECT_EQ(block.References(), 1);
  EXPECT_EQ(block.RemoveReference(g_lock), 1);  // another holder remains
  EXPECT_EQ(block.RemoveReference(g_lock), 0);  // the last one

  RWRefCounted unheld(RWRefCounted::kNoHolder);
  unheld.AddReference(g_lock);  // the first holder makes it 0
  EXPECT_EQ(unheld.References(), 0);
  EXPECT_EQ(unheld.RemoveReference(g_lock), 0);
}

// A shared block whose payload every thread reads and writes while it holds a reference.
struct Shared : RWRefCounted {
  explicit Shared(std::atomic<int>* freed) : freed(freed) {}
  ~Shared() { freed->fetch_add(1); }
  std::atomic<int>* freed;
  int payload[8] = {};
};

// Eight threads each start with one reference to a block, take and drop further references many
// times, touch the payload, and finally drop their own: exactly one of them sees 0 and frees the
// block (ThreadSanitizer checks that everything the others did happens before that).
TEST(RWRefCountedThreads, AddAndRemoveFromEightThreads) {
  for (int round = 0; round < 20; ++round) {
    std::atomic<int> freed{0};
    std::atomic<int> last_holders{0};
    auto* block = new Shared(&freed);
    for (int t = 1; t < kThreads; ++t) {
      block->AddReference(g_lock);
    }
    ASSERT_EQ(block->References(), kThreads - 1);
    std::atomic<int> waiting{kThreads};
    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    threads.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        waiting.fetch_sub(1);
        while (waiting.load() > 0) {
        }
        for (int i = 0; i < 500; ++i) {
          block->AddReference(g_lock);
          if (block->RemoveReference(g_lock) == 0) {
            last_holders.fetch_add(1);  // wrong: this thread still holds one
          }
        }
        block->payload[t] += 1;
        if (block->RemoveReference(g_lock) == 0) {
          last_holders.fetch_add(1);
          for (int p : block->payload) {
            EXPECT_EQ(p, 1);
          }
          delete block;
        }
      });
    }
    for (std::thread& thread : threads) {
      thread.join();
    }
    EXPECT_EQ(last_holders.load(), 1);
    EXPECT_EQ(freed.load(), 1);
  }
}

}  // namespace
