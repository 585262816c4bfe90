// Associations and resource mappings: one association per key object, unique item and string ids,
// lookups and removals, and restores of bad data.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GResourceMapping.h"
#include "framework/core/GResourceMappingList.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/MAssociationList.h"
#include "framework/core/MPersistentAssociation.h"
#include "rw/rwstore.h"
#include "tests/support/FwPersistHarness.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;
using vel::test::kAllCarriers;

MPersistentAssociation* Pair(std::uint32_t key_key, const char* value) {
  return new MPersistentAssociation(new GValueAttribute(1, key_key), new GStringAttribute(value, 0),
                                    0);
}

FW_PERSIST_SAMPLES(vel::classid::kMPersistentAssociation,
                   {{"association empty", [] { return new MPersistentAssociation; }},
                    {"association pair", [] { return Pair(12, "twelve"); }}});

FW_PERSIST_SAMPLES(vel::classid::kMAssociationList,
                   {{"association list empty", [] { return new MAssociationList(0); }},
                    {"association list two", [] {
                       auto* list = new MAssociationList(3);
                       list->SetAssociation(Pair(1, "one"));
                       list->SetAssociation(Pair(2, "two"));
                       return list;
                     }}});

FW_PERSIST_SAMPLES(vel::classid::kGResourceMapping,
                   {{"mapping default", [] { return new GResourceMapping; }},
                    {"mapping full", [] { return new GResourceMapping(0x12345, 9, -3, 4); }}});

FW_PERSIST_SAMPLES(vel::classid::kGResourceMappingList,
                   {{"mapping list empty", [] { return new GResourceMappingList(0); }},
                    {"mapping list two", [] {
                       auto* list = new GResourceMappingList(vel::key::kMediaMappingList);
                       list->AddMapping(new GResourceMapping(1001, 1, 1, 0));
                       list->AddMapping(new GResourceMapping(1009, 9, 9, 0));
                       return list;
                     }}});

TEST(MAssociationListTest, SetAssociationKeepsOnePerKeyObjectTheLatestAtTheEnd) {
  MAssociationList list(0);
  list.SetAssociation(Pair(1, "first"));
  list.SetAssociation(Pair(2, "other"));
  list.SetAssociation(Pair(1, "second"));
  ASSERT_EQ(list.Count(), 2u);
  const GValueAttribute key(1, 1);
  auto* value = static_cast<GStringAttribute*>(list.FindValue(&key));
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->GetValue(), RWCString("second"));
  EXPECT_EQ(list.ChildAt(1), list.FindAssociation(&key));

  const GValueAttribute unknown(1, 3);
  EXPECT_EQ(list.FindValue(&unknown), nullptr);
  EXPECT_EQ(list.RemoveByKeyObject(&unknown), nullptr);
  std::unique_ptr<MPersistentAssociation> probe(Pair(3, "probe"));
  EXPECT_EQ(list.RemoveAssociation(probe.get()), nullptr);

  std::unique_ptr<MPersistentAssociation> removed(list.RemoveByKeyObject(&key));
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(removed->References(), -1);
  EXPECT_EQ(list.Count(), 1u);

  // Plain Add refuses.
  auto* stray = Pair(4, "stray");
  GCountedPtr watch(stray);
  list.Add(stray);
  EXPECT_EQ(list.Count(), 1u);
  EXPECT_EQ(stray->References(), 0);
}

TEST(MPersistentAssociationTest, CopiesOwnTheirObjects) {
  std::unique_ptr<MPersistentAssociation> a(Pair(5, "five"));
  MPersistentAssociation copy(*a);
  EXPECT_NE(copy.GetKey(), a->GetKey());
  EXPECT_TRUE(copy.IsEqual(a.get()));
  MPersistentAssociation other;
  other = copy;
  EXPECT_TRUE(other.IsEqual(a.get()));
  const MPersistentAssociation& self = other;
  other = self;
  EXPECT_TRUE(other.IsEqual(a.get()));
  EXPECT_FALSE(MPersistentAssociation().IsEqual(a.get()));
}

// An association whose record names one object as both key and value: one owner too many.
class SharedKeyAndValue : public MPersistentAssociation {
 public:
  void SaveContents(RWVirtualOutStream& stream) const override { Forge(stream); }
  void SaveContents(RWBinaryFile& file) const override { Forge(file); }

 private:
  template <typename Carrier>
  void Forge(Carrier& carrier) const {
    RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
    GBaseObject::SaveContents(carrier);
    vel::WriteClassVersion(carrier);
    carrier << static_cast<const RWCollectable*>(&shared_);
    carrier << static_cast<const RWCollectable*>(&shared_);
  }

  GValueAttribute shared_{1, 2};
};

TEST(MPersistentAssociationTest, RecordNamingOneObjectTwiceFailsSoft) {
  for (Carrier carrier : kAllCarriers) {
    const SharedKeyAndValue forged;
    const Bytes bytes = vel::test::SaveGraph(carrier, &forged);
    const vel::test::Restored restored = vel::test::RestoreGraph(carrier, bytes);
    EXPECT_TRUE(restored.failed) << vel::test::CarrierName(carrier);
    EXPECT_EQ(restored.object, nullptr);
  }
}

TEST(MPersistentAssociationTest, RestoreOfAnotherVersionKeepsTheObjects) {
  for (Carrier carrier : kAllCarriers) {
    std::unique_ptr<MPersistentAssociation> saved(Pair(8, "new"));
    Bytes bytes;
    {
      vel::ScopedClassVersionPatch patch(1, 2);  // the association's own word
      bytes = vel::test::SaveContentsOf(carrier, *saved);
    }
    std::unique_ptr<MPersistentAssociation> target(Pair(9, "old"));
    const RWCollectable* old_key = target->GetKey();
    EXPECT_TRUE(vel::test::RestoreContentsOf(carrier, bytes, *target).failed);
    EXPECT_EQ(target->GetKey(), old_key);
  }
}

TEST(GResourceMappingListTest, AddMappingKeepsItemAndStringIdsUnique) {
  GResourceMappingList list(0);
  EXPECT_EQ(list.AddMapping(new GResourceMapping(100, 1, 1, 0)), 1);
  EXPECT_EQ(list.AddMapping(new GResourceMapping(200, 2, 2, 0)), 1);
  GResourceMapping same_item(300, 3, 1, 0);
  GResourceMapping same_string(200, 4, 4, 0);
  EXPECT_EQ(list.AddMapping(&same_item), 0);
  EXPECT_EQ(list.AddMapping(&same_string), 0);
  EXPECT_EQ(list.Count(), 2u);
  EXPECT_EQ(same_item.References(), -1);  // still the caller's

  EXPECT_EQ(list.FindByDevModeId(2)->GetStringId(), 200u);
  EXPECT_EQ(list.FindByItemId(1)->GetStringId(), 100u);
  EXPECT_EQ(list.FindByStringId(100)->GetItemId(), 1);
  EXPECT_EQ(list.FindByStringId(300), nullptr);

  std::unique_ptr<GResourceMapping> removed(list.RemoveByDevModeId(1));
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(removed->GetStringId(), 100u);
  EXPECT_EQ(list.RemoveByItemId(1), nullptr);
  std::unique_ptr<GResourceMapping> by_string(list.RemoveByStringId(200));
  EXPECT_NE(by_string, nullptr);
  EXPECT_EQ(list.Count(), 0u);
}

TEST(GResourceMappingListTest, ItemIdsFrom0x8000AreNeverFound) {
  GResourceMappingList list(0);
  ASSERT_EQ(list.AddMapping(new GResourceMapping(1, 1, static_cast<std::int16_t>(0x8000), 0)), 1);
  ASSERT_EQ(list.AddMapping(new GResourceMapping(2, 2, -1, 0)), 1);
  EXPECT_EQ(list.FindByItemId(0x8000), nullptr);
  EXPECT_EQ(list.FindByItemId(0xFFFF), nullptr);
  EXPECT_EQ(list.RemoveByItemId(0x8000), nullptr);
  EXPECT_EQ(list.Count(), 2u);
}

TEST(GResourceMappingTest, DefaultsAndEquality) {
  const GResourceMapping mapping;
  EXPECT_EQ(mapping.GetStringId(), 0x0FFFFFFFu);
  EXPECT_EQ(mapping.GetDevModeId(), 0);
  EXPECT_EQ(mapping.GetItemId(), 0);
  const GResourceMapping a(1, 2, 3, 4);
  const GResourceMapping same(1, 2, 3, 4);
  const GResourceMapping other_item(1, 2, 4, 4);
  const GResourceMapping other_key(1, 2, 3, 5);
  EXPECT_TRUE(a.IsEqual(&same));
  EXPECT_FALSE(a.IsEqual(&other_item));
  EXPECT_FALSE(a.IsEqual(&other_key));
}

}  // namespace
