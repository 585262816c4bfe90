// Per-thread instances: each thread has its own, made and deleted through the manager.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "rw/RWThreadInstanceManager.h"

namespace {

constexpr int kThreads = 8;

// Makes ints holding a running number and counts the deletions.
class CountingManager : public RWThreadInstanceManager {
 public:
  int Made() const { return made_.load(); }
  int Deleted() const { return deleted_.load(); }

 protected:
  void* CreateInstance() override { return new int(made_.fetch_add(1) + 1); }
  void DeleteInstance(void* instance) override {
    delete static_cast<int*>(instance);
    deleted_.fetch_add(1);
  }

 private:
  std::atomic<int> made_{0};
  std::atomic<int> deleted_{0};
};

TEST(RWThreadInstanceManagerTest, CreateCurrentDestroy) {
  CountingManager manager;
  CountingManager other;
  ASSERT_TRUE(manager.HasSlot());
  EXPECT_EQ(manager.Current(), nullptr);
  manager.DestroyForThread();  // nothing to delete
  EXPECT_EQ(manager.Deleted(), 0);

  void* instance = manager.CreateForThread();
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(manager.Current(), instance);
  EXPECT_EQ(manager.CreateForThread(), instance);  // the thread keeps the one it has
  EXPECT_EQ(manager.Made(), 1);
  EXPECT_EQ(other.Current(), nullptr);  // managers do not share slots

  manager.DestroyForThread();
  EXPECT_EQ(manager.Current(), nullptr);
  EXPECT_EQ(manager.Deleted(), 1);
}

// A manager that takes over the slot of a destroyed one does not see the instance that this
// thread kept for the old one; a manager made when every slot is taken fails soft.
TEST(RWThreadInstanceManagerTest, SlotsAreReusedCleanlyAndRunOutSoftly) {
  auto first = std::make_unique<CountingManager>();
  void* kept = first->CreateForThread();
  ASSERT_NE(kept, nullptr);
  first.reset();  // the thread's instance is left behind in the slot
  delete static_cast<int*>(kept);
  CountingManager successor;
  EXPECT_EQ(successor.Current(), nullptr);

  std::vector<std::unique_ptr<CountingManager>> managers;
  while (managers.size() <= RWThreadInstanceManager::kSlots &&
         (managers.empty() || managers.back()->HasSlot())) {
    managers.push_back(std::make_unique<CountingManager>());
  }
  CountingManager& without = *managers.back();
  ASSERT_FALSE(without.HasSlot());
  EXPECT_EQ(without.CreateForThread(), nullptr);
  EXPECT_EQ(without.Current(), nullptr);
  EXPECT_EQ(without.Made(), 0);
  without.DestroyForThread();

  managers.front().reset();  // gives a slot back
  CountingManager late;
  EXPECT_TRUE(late.HasSlot());
}

// Eight threads each make, use and destroy their own instance at once.
TEST(RWThreadInstanceManagerThreads, EachThreadHasItsOwnInstance) {
  CountingManager manager;
  std::atomic<int> waiting{kThreads};
  std::vector<void*> seen(kThreads);
  std::vector<std::thread> threads;
  threads.reserve(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      EXPECT_EQ(manager.Current(), nullptr);
      void* instance = manager.CreateForThread();
      waiting.fetch_sub(1);
      while (waiting.load() > 0) {
      }
      EXPECT_EQ(manager.Current(), instance);
      seen[t] = instance;
      *static_cast<int*>(instance) += 1000;  // each thread writes only its own
      manager.DestroyForThread();
      EXPECT_EQ(manager.Current(), nullptr);
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(manager.Made(), kThreads);
  EXPECT_EQ(manager.Deleted(), kThreads);
  EXPECT_EQ(manager.Current(), nullptr);  // the main thread never had one
}

}  // namespace
