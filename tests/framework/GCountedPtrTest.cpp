// Counted pointers: holding and letting go, saving and restoring inside a holder, threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <thread>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GCountedPtr.h"
#include "framework/core/GPersistableLong.h"
#include "framework/core/MPersistentComposite.h"
#include "rw/rwstore.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestObjects.h"

namespace {

using vel::test::Carrier;

FwPtrHolder* HolderOfComposite() {
  auto* composite = new MPersistentComposite(4);
  composite->Add(new GPersistableLong(5));
  return new FwPtrHolder(composite, 9);
}

// The counted pointer is saved in place, so it runs through the harness inside a holder.
FW_PERSIST_SAMPLES(vel::classid::kGCountedPtr,
                   {{"empty counted pointer", [] { return new FwPtrHolder; }},
                    {"counted pointer to a leaf",
                     [] { return new FwPtrHolder(new GPersistableULong(3), 1); }},
                    {"counted pointer to a composite", [] { return HolderOfComposite(); }}});

TEST(GCountedPtrTest, ThreeHoldersInEveryOrderDeleteTheTargetOnce) {
  std::array<int, 3> order = {0, 1, 2};
  do {
    {
      auto* target = new FwTestLeaf(1);
      std::array<std::unique_ptr<GCountedPtr>, 3> holders;
      holders[0] = std::make_unique<GCountedPtr>(target);
      holders[1] = std::make_unique<GCountedPtr>(*holders[0]);
      holders[2] = std::make_unique<GCountedPtr>();
      *holders[2] = *holders[1];
      EXPECT_EQ(target->References(), 2);
      for (const int i : order) {
        EXPECT_EQ(FwTestLeaf::Live(), 1);
        holders[i].reset();
      }
    }
    EXPECT_EQ(FwTestLeaf::Live(), 0);
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST(GCountedPtrTest, CopiesAndAssignmentsOfTheSameTargetChangeNoCount) {
  GCountedPtr empty;
  GCountedPtr empty_copy(empty);
  EXPECT_FALSE(empty_copy);

  auto* target = new FwTestLeaf(1);
  GCountedPtr a(target);
  GCountedPtr b(a);
  EXPECT_EQ(target->References(), 1);
  a = b;
  auto& alias = a;
  a = alias;
  EXPECT_EQ(target->References(), 1);
  b = GCountedPtr();
  EXPECT_EQ(target->References(), 0);
  EXPECT_EQ(FwTestLeaf::Live(), 1);
}

TEST(GCountedPtrTest, CopyTargetOfAnEmptyPointerIsNull) {
  EXPECT_EQ(GCountedPtr().CopyTarget(), nullptr);
  GCountedPtr held(new FwTestLeaf(4, 2));
  std::unique_ptr<GBaseObject> copy(held.CopyTarget());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy.get(), held.Get());
  EXPECT_EQ(copy->References(), -1);
  EXPECT_TRUE(copy->IsSameKey(held.Get()));
}

TEST(GCountedPtrTest, ReleaseHandsBackAnUnheldObject) {
  auto* target = new FwTestLeaf(1);
  GCountedPtr held(target);
  std::unique_ptr<GBaseObject> released(held.Release());
  EXPECT_EQ(released.get(), target);
  EXPECT_EQ(target->References(), -1);
  EXPECT_FALSE(held);
}

// Inside its holder's record an empty pointer is the 6-byte nil reference, and so is a pointer
// whose target was counted before in the same pass. Counted on its own, outside any record, the
// pointer's part is the first record of the file and carries the 4-byte magic too.
TEST(GCountedPtrTest, StoredByteCountOfAnEmptyPointerAndOfATargetCountedBefore) {
  EXPECT_EQ(GCountedPtr().StoredByteCount(), 10u);
  FwPtrHolder empty_holder;
  EXPECT_EQ(empty_holder.TotalStoredSize(), 4u + 2u + 12u + 4u + 6u);

  auto* leaf = new FwTestLeaf(2);
  MPersistentComposite composite;
  composite.Add(leaf);
  GCountedPtr pointer(leaf);
  EXPECT_EQ(pointer.StoredByteCount(), leaf->TotalStoredSize());
  RWSaveTableScope pass(RWSaveTable::Purpose::kSize);
  (void)RWTotalStoredSize(&composite);
  EXPECT_EQ(GCountedPtr().StoredByteCount(), 6u);
  EXPECT_EQ(pointer.StoredByteCount(), 6u);
}

class GCountedPtrCarrierTest : public ::testing::TestWithParam<Carrier> {};

INSTANTIATE_TEST_SUITE_P(Carriers,
                         GCountedPtrCarrierTest,
                         ::testing::ValuesIn(vel::test::kAllCarriers));

TEST_P(GCountedPtrCarrierTest, RestoringIntoTheOnlyHolderOfADeletesItAndHoldsB) {
  FwPtrHolder saved(new FwTestLeaf(2, 22), 1);
  const vel::test::Bytes bytes = vel::test::SaveContentsOf(GetParam(), saved);

  FwPtrHolder holder(new FwTestLeaf(1, 11), 1);
  EXPECT_EQ(FwTestLeaf::Live(), 2);
  const auto restored = vel::test::RestoreContentsOf(GetParam(), bytes, holder);
  ASSERT_FALSE(restored.failed);
  EXPECT_EQ(FwTestLeaf::Live(), 2);  // A went, B came
  auto* b = dynamic_cast<FwTestLeaf*>(holder.Pointer().Get());
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Value(), 2);
  EXPECT_EQ(b->References(), 0);
}

TEST_P(GCountedPtrCarrierTest, TwoPointersToOneTargetRestoreSharingIt) {
  auto* shared = new FwTestLeaf(3);
  MPersistentComposite composite;
  composite.Add(new FwPtrHolder(shared));
  composite.Add(new FwPtrHolder(shared));
  const auto restored =
      vel::test::RestoreGraph(GetParam(), vel::test::SaveGraph(GetParam(), &composite));
  std::unique_ptr<RWCollectable> owned(restored.object);
  const auto* copy = dynamic_cast<const MPersistentComposite*>(restored.object);
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->Count(), 2u);
  auto* first = dynamic_cast<FwPtrHolder*>(copy->ChildAt(0));
  auto* second = dynamic_cast<FwPtrHolder*>(copy->ChildAt(1));
  ASSERT_TRUE(first != nullptr && second != nullptr);
  EXPECT_EQ(first->Pointer().Get(), second->Pointer().Get());
  EXPECT_EQ(first->Pointer()->References(), 1);
}

TEST(GCountedPtrThreadsTest, SharedTargetsAreDeletedExactlyOnce) {
  constexpr int kThreads = 8;
  constexpr int kTargets = 64;
  constexpr int kRounds = 2000;
  {
    std::vector<GCountedPtr> targets;
    for (int i = 0; i < kTargets; ++i) {
      targets.emplace_back(new FwTestLeaf(i));
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&targets, t] {
        for (int round = 0; round < kRounds; ++round) {
          GCountedPtr mine(targets[(round + t) % kTargets]);
          GCountedPtr other = mine;
          other = GCountedPtr();
        }
      });
    }
    for (auto& thread : threads) {
      thread.join();
    }
    for (const auto& target : targets) {
      EXPECT_EQ(target->References(), 0);
    }
    EXPECT_EQ(FwTestLeaf::Live(), kTargets);
  }
  EXPECT_EQ(FwTestLeaf::Live(), 0);

  // The last holders let go on several threads at once.
  for (int round = 0; round < 50; ++round) {
    auto* target = new FwTestLeaf(round);
    std::vector<GCountedPtr> holders(kThreads, GCountedPtr(target));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&holders, t] { holders[t].Reset(); });
    }
    for (auto& thread : threads) {
      thread.join();
    }
    EXPECT_EQ(FwTestLeaf::Live(), 0);
  }
}

}  // namespace
