// The framework root object: identity, serial numbers, the leaf's answers and its root part.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GBaseObject.h"
#include "framework/core/GPersistableLong.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestObjects.h"

namespace {

using vel::test::Carrier;
using vel::test::HexBytes;

TEST(GBaseObjectTest, SerialNumbersAreNewForNewObjectsAndCopiedByCopies) {
  FwTestLeaf a;
  FwTestLeaf b;
  EXPECT_GT(b.SerialNumber(), a.SerialNumber());
  FwTestLeaf copy(a);
  EXPECT_EQ(copy.SerialNumber(), a.SerialNumber());
  EXPECT_EQ(copy.References(), -1);
  b = a;
  EXPECT_EQ(b.SerialNumber(), a.SerialNumber());
  GCountedPtr held(new FwTestLeaf(1, 9));
  FwTestLeaf assigned;
  assigned = static_cast<const FwTestLeaf&>(*held.Get());
  EXPECT_EQ(assigned.GetKey(), 9u);
  EXPECT_EQ(assigned.References(), -1);  // the reference word is never copied
}

TEST(GBaseObjectTest, EqualityNeedsTheSameClassAndCompareStaysByIdentity) {
  GPersistableLong long_value(1);
  GPersistableULong ulong_value(1);
  EXPECT_FALSE(long_value.GBaseObject::IsEqual(&ulong_value));
  FwTestLeaf a(1, 5);
  FwTestLeaf b(1, 5);
  EXPECT_TRUE(a.IsEqual(&b));
  EXPECT_EQ(a.Compare(&b), std::less<const void*>()(&a, &b) ? -1 : 1);
  EXPECT_EQ(a.Compare(&a), 0);
  EXPECT_TRUE(a.IsDifferentKey(&long_value));
}

TEST(GBaseObjectTest, TheLeafAnswersForItself) {
  FwTestLeaf leaf(1, 5);
  EXPECT_EQ(leaf.FindByKey(5), &leaf);
  EXPECT_EQ(leaf.FindByKey(6), nullptr);
  EXPECT_EQ(leaf.FindByClassId(FwTestLeaf::kClassId), &leaf);
  EXPECT_EQ(leaf.FindKindOf(vel::classid::kGBaseObject), &leaf);
  EXPECT_EQ(leaf.AsComposite(), nullptr);
  EXPECT_EQ(leaf.Count(), 1u);
  EXPECT_EQ(leaf.TotalCount(), 1u);
  EXPECT_EQ(leaf.CategoryId(), FwTestLeaf::kClassId);
  EXPECT_EQ(leaf.RemoveByKey(5), nullptr);
  EXPECT_EQ(leaf.ReplaceByKey(5, &leaf), 0);

  const int alive = FwTestLeaf::Live();
  EXPECT_EQ(leaf.FindAllByKey(6), nullptr);
  EXPECT_EQ(FwTestLeaf::Live(), alive);
  EXPECT_FALSE(leaf.GetRefByKey(6));
  EXPECT_EQ(leaf.References(), -1);
}

TEST(GBaseObjectTest, FindAllOfALeafHoldsTheLeaf) {
  GCountedPtr leaf(new FwTestLeaf(1, 5));
  std::unique_ptr<GBaseObject> all(leaf->FindAllByKey(5));
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(all->Count(), 1u);
  EXPECT_EQ(leaf->References(), 1);
  GCountedPtr ref = leaf->GetRefByClassId(FwTestLeaf::kClassId);
  EXPECT_EQ(ref.Get(), leaf.Get());
  EXPECT_EQ(leaf->References(), 2);
}

TEST(GBaseObjectTest, AnotherRootVersionRestoresNothingOfTheRootPart) {
  for (const std::uint32_t version : {0u, 2u}) {
    // The root part of an FwTestLeaf: version, key 7, serial 8; then its own version and value.
    vel::test::Bytes bytes =
        HexBytes("00 00 00 00  07 00 00 00  08 00 00 00  01 00 00 00  05 00 00 00");
    bytes[0] = static_cast<std::uint8_t>(version);
    FwTestLeaf leaf;
    const std::uint32_t serial = leaf.SerialNumber();
    const auto restored = vel::test::RestoreContentsOf(Carrier::kFile, bytes, leaf);
    EXPECT_TRUE(restored.failed);
    EXPECT_EQ(leaf.GetKey(), 0u);
    EXPECT_EQ(leaf.SerialNumber(), serial);
    EXPECT_EQ(leaf.Value(), 0);
  }
  // Version 1 restores the stored key and serial number.
  FwTestLeaf leaf;
  const auto restored = vel::test::RestoreContentsOf(
      Carrier::kFile, HexBytes("01 00 00 00  07 00 00 00  08 00 00 00  01 00 00 00  05 00 00 00"),
      leaf);
  EXPECT_FALSE(restored.failed);
  EXPECT_EQ(leaf.GetKey(), 7u);
  EXPECT_EQ(leaf.SerialNumber(), 8u);
  EXPECT_EQ(leaf.Value(), 5);
}

TEST(GBaseObjectThreadsTest, ObjectsMadeOnEightThreadsGetUniqueSerialNumbers) {
  constexpr int kThreads = 8;
  constexpr int kObjects = 100000;
  std::vector<std::vector<std::uint32_t>> serials(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&serials, t] {
      serials[t].reserve(kObjects);
      for (int i = 0; i < kObjects; ++i) {
        GPersistableLong object(i);
        serials[t].push_back(object.SerialNumber());
      }
    });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  std::vector<std::uint32_t> all;
  for (const auto& some : serials) {
    all.insert(all.end(), some.begin(), some.end());
  }
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
  EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads) * kObjects);
}

}  // namespace
