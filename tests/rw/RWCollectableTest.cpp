// Identity defaults of the collectable base.
#include "rw/RWCollectable.h"

#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(RWCollectableTest, IdentityDefaults) {
  RWCollectable a;
  RWCollectable b;
  EXPECT_EQ(a.IsA(), 0x8007);
  EXPECT_EQ(RWCollectable::ClassId(), 0x8007);
  EXPECT_EQ(a.StoredByteCount(), 0u);
  EXPECT_EQ(a.Compare(&a), 0);
  EXPECT_EQ(a.Compare(&b), &a > &b ? 1 : -1);
  EXPECT_EQ(b.Compare(&a), -a.Compare(&b));
  EXPECT_TRUE(a.IsEqual(&a));
  EXPECT_FALSE(a.IsEqual(&b));
  EXPECT_TRUE(a == a);
  std::unique_ptr<RWCollectable> clone(a.Clone());
  std::unique_ptr<RWCollectable> fresh(a.CreateInstance());
  ASSERT_TRUE(clone && fresh);
  EXPECT_EQ(clone->IsA(), 0x8007);
  EXPECT_FALSE(clone->IsEqual(&a));
}

TEST(RWCollectableTest, HashFoldsTheAddress) {
  EXPECT_EQ(RWCollectable::FoldAddress(reinterpret_cast<const void*>(0x1000)), 0x1000u);
  EXPECT_EQ(RWCollectable::FoldAddress(reinterpret_cast<const void*>(0x0000000100001000ULL)),
            0x1001u);
  RWCollectable a;
  const std::uint32_t folded = RWCollectable::FoldAddress(&a);
  EXPECT_EQ(a.Hash(), (folded >> 3) ^ folded);
  // (0x1000 >> 3) ^ 0x1000
  EXPECT_EQ((0x1000u >> 3) ^ 0x1000u, 0x1200u);
}

TEST(RWCollectableTest, StringIdClassRange) {
  const struct {
    RWClassID id;
    bool string_id;
  } cases[] = {{0x8FFF, false}, {0x9000, true}, {0xF000, true}, {0xF001, false}, {3, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(RWCollectable::IsStringIdClass(c.id), c.string_id) << std::hex << c.id;
  }
}

TEST(RWCollectableThreads, NextClassIdHandsOutEachIdOnce) {
  std::vector<std::vector<RWClassID>> ids(8);
  std::vector<std::thread> threads;
  for (auto& mine : ids) {
    threads.emplace_back([&mine] {
      for (int i = 0; i < 100; ++i) {
        mine.push_back(RWCollectable::NextClassId());
      }
    });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  std::vector<RWClassID> all;
  for (auto& mine : ids) {
    all.insert(all.end(), mine.begin(), mine.end());
  }
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
  EXPECT_GE(all.front(), 0x9000);
}

}  // namespace
