// The persistent composite and the configuration: children, searches, removals, replacements,
// copies, iteration and the stored form.
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GIterator.h"
#include "framework/core/GPersistableLong.h"
#include "framework/core/MPersistentComposite.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/RwRecordingErrorHook.h"
#include "vel_flavour.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::Carrier;
using vel::test::HexBytes;

// A tree: root { leaf(key 1), inner { leaf(key 2), leaf(key 1) } , leaf(key 3) }.
MPersistentComposite* Tree() {
  auto* root = new MPersistentComposite(100);
  root->Add(new FwTestLeaf(10, 1));
  auto* inner = new MPersistentComposite(200);
  inner->Add(new FwTestLeaf(20, 2));
  inner->Add(new FwTestLeaf(21, 1));
  root->Add(inner);
  root->Add(new FwTestLeaf(30, 3));
  return root;
}

MPersistentComposite* Shared() {
  auto* composite = new MPersistentComposite(5);
  auto* value = new GPersistableLong(-2);
  composite->Add(value);
  composite->Add(value);
  composite->Add(new MPersistentComposite);
  return composite;
}

GConfiguration* Configuration() {
  auto* configuration = new GConfiguration(198);
  configuration->Add(new GPersistableLong(1));
  configuration->Add(new GPersistableULong(1));
  auto* nested = new GConfiguration(7);
  nested->Add(new GPersistableLong(2));
  configuration->Add(nested);
  return configuration;
}

FW_PERSIST_SAMPLES(vel::classid::kMPersistentComposite,
                   {{"composite empty", [] { return new MPersistentComposite; }},
                    {"composite tree", [] { return Tree(); }},
                    {"composite sharing a child", [] { return Shared(); }}});

FW_PERSIST_SAMPLES(vel::classid::kGConfiguration,
                   {{"configuration empty", [] { return new GConfiguration; }},
                    {"configuration nested", [] { return Configuration(); }}});

// The golden record: a composite (key 5, serial 0x11) holding one GPersistableLong (-2, serial
// 0x22) added twice, saved to a binary file. Regenerate by saving GoldenComposite() with
// vel::test::SaveGraph(Carrier::kFile, ...) and checking each field against the comments.
const Bytes kGolden = HexBytes(
    "88 88 00 00"    // magic of the outermost record
    "F0 02"          // new object, class 752 (MPersistentComposite)
    "01 00 00 00"    //   root part: class version 1
    "05 00 00 00"    //              key 5
    "11 00 00 00"    //              serial number 0x11
    "01 00 00 00"    //   composite class version 1
    "02 00 00 00"    //   two children
    "09 03"          //   new object, class 777 (GPersistableLong)
    "01 00 00 00"    //     root part: class version 1
    "00 00 00 00"    //                key 0
    "22 00 00 00"    //                serial number 0x22
    "01 00 00 00"    //     class version 1
    "FE FF FF FF"    //     value -2
    "FF FF"          //   the second child: a reference
    "02 00 00 00");  //     to object 2 (0 is nil, 1 the composite)

MPersistentComposite* GoldenComposite() {
  auto* composite = new MPersistentComposite(5);
  composite->SetSerialNumber(0x11);
  auto* value = new GPersistableLong(-2);
  value->SetSerialNumber(0x22);
  composite->Add(value);
  composite->Add(value);
  return composite;
}

TEST(MPersistentCompositeTest, GoldenBinaryFile) {
  std::unique_ptr<MPersistentComposite> composite(GoldenComposite());
  EXPECT_TRUE(BytesEqual(kGolden, vel::test::SaveGraph(Carrier::kFile, composite.get())));
  EXPECT_EQ(composite->TotalStoredSize(), kGolden.size());

  const auto restored = vel::test::RestoreGraph(Carrier::kFile, kGolden);
  ASSERT_FALSE(restored.failed);
  std::unique_ptr<RWCollectable> owned(restored.object);
  const auto* copy = dynamic_cast<const MPersistentComposite*>(restored.object);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetKey(), 5u);
  EXPECT_EQ(copy->SerialNumber(), 0x11u);
  ASSERT_EQ(copy->Count(), 2u);
  EXPECT_EQ(copy->ChildAt(0), copy->ChildAt(1));
  const auto* value = dynamic_cast<const GPersistableLong*>(copy->ChildAt(0));
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->GetValue(), -2);
  EXPECT_EQ(value->SerialNumber(), 0x22u);
  EXPECT_EQ(value->References(), 1);
}

TEST(MPersistentCompositeTest, ConfigurationAdd) {
  GConfiguration configuration;
  auto* first = new FwTestLeaf(1, 40);
  configuration.Add(first);

  // The same key and value: the new object is refused and deleted.
  configuration.Add(new FwTestLeaf(1, 40));
  EXPECT_EQ(configuration.Count(), 1u);
  EXPECT_EQ(FwTestLeaf::Live(), 1);
  // The same key, another value: held beside the first.
  configuration.Add(new FwTestLeaf(2, 40));
  EXPECT_EQ(configuration.Count(), 2u);
  // A nested configuration is always appended, even an equal one.
  configuration.Add(new GConfiguration);
  configuration.Add(new GConfiguration);
  EXPECT_EQ(configuration.Count(), 4u);
  // One of its own children: nothing happens (the child stays alive).
  configuration.Add(first);
  EXPECT_EQ(configuration.Count(), 4u);
  EXPECT_EQ(first->Value(), 1);
  // A refused object that a counted pointer holds is not deleted.
  GCountedPtr held(new FwTestLeaf(1, 40));
  configuration.Add(held.Get());
  EXPECT_EQ(configuration.Count(), 4u);
  EXPECT_EQ(FwTestLeaf::Live(), 3);
  configuration.Add(nullptr);
  EXPECT_EQ(configuration.Count(), 4u);
}

TEST(MPersistentCompositeTest, RemovingHandsBackTheChildOrACopy) {
  MPersistentComposite a;
  MPersistentComposite b;
  auto* only_here = new FwTestLeaf(1, 1);
  auto* shared = new FwTestLeaf(2, 2);
  a.Add(only_here);
  a.Add(shared);
  b.Add(shared);

  std::unique_ptr<GBaseObject> removed(a.RemoveByKey(1));
  EXPECT_EQ(removed.get(), only_here);
  EXPECT_EQ(only_here->References(), -1);

  std::unique_ptr<GBaseObject> copy(a.RemoveObject(shared));
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy.get(), shared);
  EXPECT_TRUE(copy->IsSameKey(shared));
  EXPECT_EQ(shared->References(), 0);  // b still holds it
  EXPECT_EQ(a.Count(), 0u);
  EXPECT_EQ(a.RemoveByClassId(FwTestLeaf::kClassId), nullptr);
  EXPECT_EQ(b.RemoveObject(only_here), nullptr);
}

TEST(MPersistentCompositeTest, ClearLeavesCapacity64) {
  for (const int children : {0, 138}) {
    MPersistentComposite composite;
    for (int i = 0; i < children; ++i) {
      composite.Add(new GPersistableLong(i));
    }
    EXPECT_EQ(composite.Children().Capacity(), children == 0 ? 10u : 138u);
    composite.Clear();
    EXPECT_EQ(composite.Count(), 0u);
    EXPECT_EQ(composite.Children().Capacity(), 64u);
  }
}

TEST(MPersistentCompositeTest, TotalCount) {
  MPersistentComposite empty;
  EXPECT_EQ(empty.TotalCount(), 1u);
  MPersistentComposite composite;
  composite.Add(new MPersistentComposite);
  composite.Add(new GPersistableLong(1));
  EXPECT_EQ(composite.TotalCount(), 3u);
  EXPECT_EQ(composite.Count(), 2u);
  std::unique_ptr<MPersistentComposite> tree(Tree());
  EXPECT_EQ(tree->TotalCount(), 6u);
}

TEST(MPersistentCompositeTest, AssignmentFromAnEqualCompositeChangesNothing) {
  MPersistentComposite target(3);
  target.Add(new GPersistableLong(1));
  MPersistentComposite equal(3);
  equal.Add(new GPersistableLong(1));
  const std::uint32_t serial = target.SerialNumber();
  const GBaseObject* child = target.ChildAt(0);
  target = equal;
  EXPECT_EQ(target.SerialNumber(), serial);
  EXPECT_EQ(target.ChildAt(0), child);

  MPersistentComposite other(3);
  other.Add(new GPersistableLong(2));
  target = other;
  EXPECT_EQ(target.SerialNumber(), other.SerialNumber());
  EXPECT_EQ(target.ChildAt(0), other.ChildAt(0));
  EXPECT_EQ(other.ChildAt(0)->References(), 1);
}

TEST(MPersistentCompositeTest, SearchesGoDepthFirstInChildOrderAndNeverMatchTheCompositeItself) {
  std::unique_ptr<MPersistentComposite> tree(Tree());
  EXPECT_EQ(tree->FindByKey(100), nullptr);
  const auto* inner = tree->FindByKey(200);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->FindByKey(200), nullptr);

  auto* found = dynamic_cast<FwTestLeaf*>(tree->FindByKey(2));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->Value(), 20);
  found = dynamic_cast<FwTestLeaf*>(tree->FindByKey(1));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->Value(), 10);  // the first child, before the subtree
  EXPECT_EQ(tree->FindByClassId(vel::classid::kMPersistentComposite), inner);
  EXPECT_EQ(tree->FindKindOf(vel::classid::kMPersistentComposite), inner);
  FwTestLeaf probe(30, 3);
  EXPECT_EQ(tree->FindEqual(&probe), tree->ChildAt(2));

  // Collecting gathers the matching leaves of the subtree, never a composite.
  std::unique_ptr<GBaseObject> all(tree->FindAllByKey(1));
  ASSERT_NE(all, nullptr);
  ASSERT_EQ(all->Count(), 2u);
  EXPECT_EQ(static_cast<FwTestLeaf*>(all->AsComposite()->FindByKey(1))->Value(), 10);
  std::unique_ptr<GBaseObject> kinds(tree->FindAllKindOf(vel::classid::kGBaseObject));
  ASSERT_NE(kinds, nullptr);
  EXPECT_EQ(kinds->Count(), 4u);
  EXPECT_EQ(tree->FindAllByKey(999), nullptr);
  EXPECT_EQ(tree->FindAllByClassId(vel::classid::kMPersistentComposite), nullptr);
}

TEST(MPersistentCompositeTest, ReplaceStoresADeepCopyAndLeavesTheGivenObjectWithTheCaller) {
  std::unique_ptr<MPersistentComposite> tree(Tree());
  FwTestLeaf replacement(99, 2);
  EXPECT_EQ(tree->ReplaceByKey(2, &replacement), 1);
  auto* replaced = dynamic_cast<FwTestLeaf*>(tree->FindByKey(2));
  ASSERT_NE(replaced, nullptr);
  EXPECT_NE(replaced, &replacement);
  EXPECT_EQ(replaced->Value(), 99);
  EXPECT_EQ(tree->ReplaceByKey(12345, &replacement), 0);
  EXPECT_EQ(replacement.References(), -1);
  EXPECT_EQ(tree->ReplaceEqual(replaced, &replacement), 1);
  EXPECT_EQ(FwTestLeaf::Live(), 5);
}

TEST(MPersistentCompositeTest, DeepCopyHasANewSerialAndTheSourceKey) {
  std::unique_ptr<MPersistentComposite> tree(Tree());
  std::unique_ptr<GBaseObject> copy(tree->DeepCopy());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->IsA(), tree->IsA());
  EXPECT_EQ(copy->GetKey(), 100u);
  EXPECT_NE(copy->SerialNumber(), tree->SerialNumber());
  EXPECT_TRUE(copy->IsSameKey(tree.get()));
  EXPECT_NE(copy->FindByKey(2), tree->FindByKey(2));
  // A leaf's deep copy is its clone: the same serial number.
  std::unique_ptr<GBaseObject> leaf(tree->ChildAt(0)->DeepCopy());
  EXPECT_EQ(leaf->SerialNumber(), tree->ChildAt(0)->SerialNumber());
}

TEST(MPersistentCompositeTest, TheIteratorWrapsToMinusOne) {
  std::unique_ptr<MPersistentComposite> tree(Tree());
  std::unique_ptr<GIterator> iterator(tree->CreateIterator());
  EXPECT_EQ(iterator->Current(), nullptr);
  for (std::uint32_t i = 0; i < 3; ++i) {
    ASSERT_EQ(iterator->Advance(), 1);
    EXPECT_EQ(iterator->Current(), tree->ChildAt(i));
  }
  EXPECT_EQ(iterator->Advance(), 0);
  EXPECT_EQ(iterator->Current(), nullptr);
  EXPECT_EQ(iterator->Advance(), 1);  // starts again at the first child
  EXPECT_EQ(iterator->Current(), tree->ChildAt(0));
  EXPECT_EQ(iterator->StepBack(), 0);
  EXPECT_EQ(iterator->StepBack(), 1);
  EXPECT_EQ(iterator->Current(), tree->ChildAt(2));
  iterator->RemoveCurrent();
  EXPECT_EQ(tree->Count(), 2u);
  EXPECT_EQ(iterator->Advance(), 0);

  std::unique_ptr<GIterator> none(GPersistableLong(1).CreateIterator());
  EXPECT_EQ(none->Advance(), 0);
  EXPECT_EQ(none->Current(), nullptr);
  EXPECT_FALSE(none->CurrentRef());
  EXPECT_EQ(none->StepBack(), 0);
}

// A reference to a record still being read would make a composite hold itself (or an ancestor),
// and a child that is no framework object cannot be held by a counted reference: the restore
// refuses either and fails.
TEST(MPersistentCompositeTest, ARestoreThatWouldHoldItselfOrAForeignObjectFails) {
  using namespace vel::test::record;
  const int composite = vel::classid::kMPersistentComposite;
  for (const Carrier carrier : vel::test::kAllCarriers) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    const bool file = carrier == Carrier::kFile;
    std::vector<vel::test::Item> items = {New(composite)};
    auto root_part = [&items, file] {
      if (!file) {
        items.push_back(Open());
      }
      for (int word : {1, 0, 0, 1}) {  // root version, key, serial, composite version
        items.push_back(Int(word));
      }
    };
    root_part();
    items.push_back(Int(1));          // one child:
    items.push_back(New(composite));  // a composite
    root_part();
    items.push_back(Int(1));  // holding one child:
    std::vector<vel::test::Item> foreign = items;
    items.push_back(Ref(1));                        // the outer composite
    foreign.push_back(New(kRWCollectableClassId));  // or a foundation object
    if (!file) {
      foreign.push_back(Open());
      foreign.push_back(Close());
    }
    for (auto* record : {&items, &foreign}) {
      if (!file) {
        record->push_back(Close());
        record->push_back(Close());
      }
      const auto restored =
          vel::test::RestoreGraph(carrier, vel::test::WriteItems(carrier, *record));
      EXPECT_TRUE(restored.failed);
      EXPECT_EQ(restored.object, nullptr);
    }
  }
}

// A failed restore into a composite the caller gives leaves it empty: nothing the restore gave it
// stays, and what only the restore made is freed (the leak checker sees the rest).
TEST(MPersistentCompositeTest, AFailedRestoreIntoAGivenCompositeLeavesItEmpty) {
  std::unique_ptr<MPersistentComposite> tree(Tree());
  for (const Carrier carrier : vel::test::kAllCarriers) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    const Bytes bytes = vel::test::SaveGraph(carrier, tree.get());
    for (std::size_t length = 1; length < bytes.size(); ++length) {
      MPersistentComposite given;
      given.Add(new FwTestLeaf(7));
      const auto into =
          vel::test::RestoreInto(carrier, Bytes(bytes.begin(), bytes.begin() + length), given);
      EXPECT_TRUE(into.failed);
      EXPECT_LE(given.Count(), 1u) << length;  // before the count was read, the old child stays
      EXPECT_EQ(FwTestLeaf::Live(), 4 + static_cast<int>(given.Count())) << length;
    }
  }
}

TEST(GCountedPtrArrayTest, IndexErrorsDoNothingWhenTheHookReturns) {
  vel::test::RecordingErrorHook hook;
  GCountedPtrArray array;
  GCountedPtr leaf(new FwTestLeaf(1));
  EXPECT_FALSE(array.InsertAt(1, leaf));
  EXPECT_FALSE(array.RemoveAt(0));
  EXPECT_EQ(array.TargetAt(0), nullptr);
  array.Set(3, leaf);
  EXPECT_EQ(array.Count(), 0u);
  EXPECT_EQ(leaf->References(), 0);
  EXPECT_EQ(hook.Tags(),
            (std::vector<std::string>{"[INDEXERR]", "[INDEXERR]", "[INDEXERR]", "[INDEXERR]"}));
}

// Under the default hooks: the UI flavour's ends the process, the render flavour's returns and
// the array answers the empty reference.
TEST(GCountedPtrArrayTest, IndexErrorUnderTheDefaultHook) {
  GCountedPtrArray array;
  if constexpr (vel::flavour::kIsRenderFlavour) {
    EXPECT_FALSE(array.At(2));
  } else {
    EXPECT_EXIT((void)array.At(2), ::testing::ExitedWithCode(1),
                "Fatal Error: \\[INDEXERR\\] Illegal Index \\(2\\) for collection or string with "
                "0 elements");
  }
}

TEST(GCountedPtrArrayTest, OperationsOnTargets) {
  GCountedPtrArray array;
  GCountedPtr a(new FwTestLeaf(1));
  GCountedPtr b(new FwTestLeaf(2));
  for (const GCountedPtr* p : {&a, &b, &a, &a, &b}) {
    ASSERT_TRUE(array.Insert(*p));
  }
  EXPECT_EQ(a->References(), 3);
  EXPECT_EQ(array.IndexOf(b.Get()), 1u);
  EXPECT_EQ(array.CountOf(a.Get()), 3u);
  EXPECT_EQ(array.IndexOf(nullptr), GCountedPtrArray::kNotFound);
  EXPECT_TRUE(array.InsertAt(0, b));
  EXPECT_EQ(array.TargetAt(0), b.Get());
  EXPECT_EQ(array.RemoveAll(a.Get()), 3u);
  EXPECT_EQ(a->References(), 0);
  EXPECT_EQ(array.Count(), 3u);
  EXPECT_TRUE(array.Remove(b.Get()));
  EXPECT_EQ(array.Count(), 2u);
  EXPECT_EQ(b->References(), 2);
  EXPECT_TRUE(array.Resize(100));
  EXPECT_EQ(array.Capacity(), 100u);
  EXPECT_EQ(array.TargetAt(1), b.Get());
  // Appending to a full array grows it to count + 64.
  GCountedPtrArray small(2);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(small.Insert(a));
  }
  EXPECT_EQ(small.Capacity(), 66u);
}

// An entry of the array itself, inserted while the array grows or its entries move, is copied
// before either happens.
TEST(GCountedPtrArrayTest, InsertingOneOfItsOwnEntries) {
  GCountedPtr a(new FwTestLeaf(1));
  GCountedPtr b(new FwTestLeaf(2));
  GCountedPtrArray full(1);
  ASSERT_TRUE(full.Insert(a));
  ASSERT_TRUE(full.Insert(full.At(0)));
  EXPECT_EQ(full.TargetAt(1), a.Get());
  EXPECT_EQ(a->References(), 2);
  GCountedPtrArray pair(2);
  ASSERT_TRUE(pair.Insert(a));
  ASSERT_TRUE(pair.Insert(b));
  ASSERT_TRUE(pair.InsertAt(0, pair.At(1)));
  EXPECT_EQ(pair.TargetAt(0), b.Get());
  EXPECT_EQ(pair.TargetAt(1), a.Get());
  EXPECT_EQ(pair.TargetAt(2), b.Get());
}

// An array left without room (made with none, resized or emptied to none, a copy of one) makes
// room at the next insertion.
TEST(GCountedPtrArrayTest, AnArrayWithoutRoomTakesInsertions) {
  GCountedPtr a(new FwTestLeaf(1));
  GCountedPtrArray none(0);
  GCountedPtrArray shrunk;
  ASSERT_TRUE(shrunk.Resize(0));
  GCountedPtrArray emptied;
  ASSERT_TRUE(emptied.Insert(a));
  emptied.Empty(0);
  GCountedPtrArray copied(none);
  for (GCountedPtrArray* array : {&none, &shrunk, &emptied, &copied}) {
    ASSERT_TRUE(array->Insert(a));
    ASSERT_TRUE(array->InsertAt(0, a));
    EXPECT_EQ(array->Count(), 2u);
    EXPECT_EQ(array->TargetAt(1), a.Get());
  }
  EXPECT_EQ(a->References(), 8);
}

// A reference handed over is taken as it is (no count changes); one the array cannot take stays
// with the caller.
TEST(GCountedPtrArrayTest, MovedReferencesAreTakenOrLeftWhole) {
  GCountedPtr a(new FwTestLeaf(1));
  GCountedPtrArray array(1);
  GCountedPtr first = a;
  ASSERT_TRUE(array.Insert(std::move(first)));
  EXPECT_FALSE(first);
  EXPECT_EQ(a->References(), 1);
  GCountedPtr second = a;
  {
    vel::test::FailingAllocation refuse(0, -1);
    EXPECT_FALSE(array.Insert(std::move(second)));
    EXPECT_FALSE(array.InsertAt(0, std::move(second)));
  }
  EXPECT_EQ(second.Get(), a.Get());
  EXPECT_EQ(a->References(), 2);
  GCountedPtr b(new FwTestLeaf(2));
  GCountedPtr third = b;
  array.Set(0, std::move(third));
  EXPECT_FALSE(third);
  EXPECT_EQ(array.TargetAt(0), b.Get());
  EXPECT_EQ(a->References(), 1);
  EXPECT_EQ(b->References(), 1);
}

}  // namespace
