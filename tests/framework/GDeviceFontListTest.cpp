// Device font descriptions, lists and list composites: the value vector, lookups, merging, copies
// and the stored forms of every version.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GPersistableLong.h"
#include "framework/core/MAssociationList.h"
#include "framework/core/MPersistentAssociation.h"
#include "framework/output/GDeviceFontDescription.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "framework/output/GValueVector.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/RwRecordingErrorHook.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::Carrier;
using vel::test::HexBytes;

GValueVector Sets(std::initializer_list<std::int32_t> values) {
  GValueVector vector;
  for (std::int32_t value : values) {
    vector.Append(value);
  }
  return vector;
}

GDeviceFontDescription Font(const char* name, std::uint32_t location = 2) {
  return GDeviceFontDescription(name, "Second", 16, Sets({15, 17, 4}), 0x1234, 0x56789ABC, 0x20,
                                1, 2, -5, 7, location);
}

MAssociationList* Table(std::uint32_t key, std::uint32_t value) {
  auto* table = new MAssociationList;
  table->SetAssociation(
      new MPersistentAssociation(new GPersistableULong(key), new GPersistableULong(value), 0));
  return table;
}

GDeviceFontList* List(std::uint32_t key, bool tables) {
  auto* list = new GDeviceFontList(key);
  list->Append(Font("Courier"));
  list->Append(Font("Times"));
  list->SetStamp(0x0102);
  if (tables) {
    list->SetFirstTable(Table(3, 30));
    list->SetSecondTable(Table(0x10000, 40));
  }
  return list;
}

FW_PERSIST_SAMPLES(vel::classid::kGDeviceFontDescription,
                   {{"empty description", [] { return new GDeviceFontDescription; }},
                    {"three sets", [] { return new GDeviceFontDescription(Font("Univers")); }}});

FW_PERSIST_SAMPLES(vel::classid::kGDeviceFontList,
                   {{"empty list", [] { return new GDeviceFontList(0x1a4); }},
                    {"two fonts", [] { return List(0x1a5, false); }},
                    {"two fonts and tables", [] { return List(0x1a6, true); }}});

FW_PERSIST_SAMPLES(vel::classid::kGDeviceFontListComposite,
                   {{"empty composite", [] { return new GDeviceFontListComposite; }},
                    {"two lists", [] {
                       auto* composite = new GDeviceFontListComposite;
                       composite->Insert(List(0x1a0, true));
                       composite->Insert(List(0x1a4, false));
                       return composite;
                     }}});

TEST(GValueVectorTest, SearchesAndEditsByValue) {
  GValueVector vector;
  EXPECT_EQ(vector.Capacity(), 64u);
  for (int i = 0; i < 65; ++i) {
    ASSERT_TRUE(vector.Append(i % 3));
  }
  EXPECT_EQ(vector.Capacity(), 128u);
  EXPECT_EQ(vector.IndexOf(2), 2);
  EXPECT_EQ(vector.IndexOf(9), -1);
  EXPECT_EQ(vector.Occurrences(0), 22u);
  EXPECT_EQ(vector.Remove(0), 1);
  EXPECT_EQ(vector.IndexOf(0), 2);
  EXPECT_EQ(vector.RemoveAll(0), 21u);
  EXPECT_EQ(vector.Remove(0), 0);
  EXPECT_EQ(vector.Count(), 43u);
  vector.Clear();
  EXPECT_EQ(vector.Count(), 0u);
  EXPECT_EQ(vector.Capacity(), 64u);
}

TEST(GValueVectorTest, PositionsOutsideReportTheIndexError) {
  vel::test::RecordingErrorHook hook;
  GValueVector vector = Sets({1, 2});
  EXPECT_FALSE(vector.InsertAt(3, 9));
  vector.RemoveAt(2);
  EXPECT_EQ(hook.Count(), 2u);
  EXPECT_EQ(vector, Sets({1, 2}));
  EXPECT_TRUE(vector.InsertAt(2, 3));
  EXPECT_EQ(vector, Sets({1, 2, 3}));
}

int NamedTimes(const GDeviceFontDescription& description, void* argument) {
  ++*static_cast<int*>(argument);
  return description.GetName() == "Times" ? 1 : 0;
}

TEST(GDeviceFontListTest, ListsCopyDeeplyAndLookUp) {
  std::unique_ptr<GDeviceFontList> list(List(0x1a4, true));
  EXPECT_EQ(list->LookupFirst(3), 30u);
  EXPECT_EQ(list->LookupFirst(4), 0u);
  EXPECT_EQ(list->LookupSecond(0x10000), 40u);
  int visited = 0;
  EXPECT_EQ(list->FindIf(&NamedTimes, &visited), 1);
  EXPECT_EQ(visited, 2);

  GDeviceFontList copy(*list);
  EXPECT_TRUE(copy.IsSameKey(list.get()));
  EXPECT_NE(copy.GetFirstTable(), list->GetFirstTable());
  EXPECT_EQ(copy.GetStamp(), 0x0102u);
  list->Clear();
  EXPECT_EQ(copy.DescriptionCount(), 2u);
  EXPECT_EQ(copy.LookupFirst(3), 30u);
  EXPECT_EQ(list->LookupFirst(3), 0u);

  GDeviceFontDescription out;
  EXPECT_EQ(copy.GetAt(1, out), 1);
  EXPECT_EQ(out.GetName(), RWCString("Times"));
  EXPECT_EQ(copy.GetAt(2, out), 0);
  EXPECT_FALSE(copy.IsSameKey(list.get()));
}

TEST(GDeviceFontListCompositeTest, MergeKeepsTheListsAlreadyPresent) {
  GDeviceFontListComposite mine;
  GDeviceFontList* own = List(0x1a4, false);
  mine.Insert(own);
  GDeviceFontListComposite other;
  other.Insert(List(0x1a4, true));
  GDeviceFontList* added = List(0x1a6, false);
  other.Insert(added);

  mine.Merge(other);
  EXPECT_EQ(mine.Count(), 2u);
  EXPECT_EQ(mine.Find(0x1a4), own);
  EXPECT_EQ(mine.Find(0x1a6), added);  // shared with the other composite
  EXPECT_EQ(mine.Find(0x1a7), nullptr);

  std::unique_ptr<GDeviceFontList> removed(mine.Remove(0x1a6));
  EXPECT_NE(removed.get(), nullptr);  // a copy: the other composite still holds the list
  EXPECT_EQ(other.Find(0x1a6), added);
  EXPECT_EQ(mine.Count(), 1u);

  GDeviceFontListComposite assigned;
  assigned.Insert(List(0x1a0, false));
  assigned = other;
  EXPECT_EQ(assigned.Count(), 2u);
  EXPECT_EQ(assigned.Find(0x1a0), nullptr);
  EXPECT_TRUE(assigned.IsSameKey(&other));
}

// A description stored by version 1: no reserved value or location class.
const Bytes kVersion1Description = HexBytes(
    "01 00 00 00 00 00 00 00 09 00 00 00"  // root part: version 1, key 0, serial 9
    "01 00 00 00"                          // version 1
    "02 00 00 00 41 42"                    // name "AB"
    "00 00 00 00"                          // second name ""
    "10 00 00 00"                          // character set 16
    "03 00 00 00"                          // three sets:
    "0F 00 00 00 11 00 00 00 04 00 00 00"  //   15, 17, 4
    "34 12"                                // first match 0x1234
    "BC 9A 78 56"                          // second match
    "20 00 00 00"                          // style class 0x20
    "01 00 00 00"                          // flag
    "02 00 00 00"                          // technology 2
    "FB FF");                              // record value -5

TEST(GDeviceFontDescriptionTest, RestoresVersion1WithLocationClass0) {
  GDeviceFontDescription restored = Font("Old", 4);
  ASSERT_FALSE(
      vel::test::RestoreContentsOf(Carrier::kFile, kVersion1Description, restored).failed);
  EXPECT_EQ(restored.GetName(), RWCString("AB"));
  EXPECT_EQ(restored.GetSecondName(), RWCString(""));
  EXPECT_EQ(restored.GetCharSets(), Sets({15, 17, 4}));
  EXPECT_EQ(restored.GetFirstMatch(), 0x1234);
  EXPECT_EQ(restored.GetSecondMatch(), 0x56789ABCu);
  EXPECT_EQ(restored.GetRecordValue(), -5);
  EXPECT_EQ(restored.GetReserved(), 0);
  EXPECT_EQ(restored.GetLocationClass(), 0u);
}

TEST(GDeviceFontDescriptionTest, StoredSizeCountsEveryField) {
  const GDeviceFontDescription font = Font("Univers");
  const Bytes bytes = vel::test::SaveContentsOf(Carrier::kFile, font);
  EXPECT_EQ(bytes.size(), font.StoredByteCount());
  EXPECT_EQ(font.StoredByteCount(), 12u + 7 + 6 + 3 * 4 + 46);
}

TEST(GDeviceFontDescriptionTest, AnUnknownVersionStopsAfterTheVersionWord) {
  for (std::uint8_t version : {0, 3}) {
    Bytes bytes = kVersion1Description;
    bytes[12] = version;
    GDeviceFontDescription restored = Font("Kept");
    EXPECT_TRUE(vel::test::RestoreContentsOf(Carrier::kFile, bytes, restored).failed);
    EXPECT_EQ(restored.GetName(), RWCString("Kept"));
    EXPECT_EQ(restored.GetLocationClass(), 2u);
  }
}

// A list stored by version 2: a stamp and no tables.
const Bytes kVersion2List = HexBytes(
    "01 00 00 00 A4 01 00 00 05 00 00 00"  // root part: version 1, key 0x1a4, serial 5
    "02 00 00 00"                          // version 2
    "01 00 00 00"                          // one description:
    "01 00 00 00 00 00 00 00 06 00 00 00"  //   root part
    "02 00 00 00"                          //   version 2
    "01 00 00 00 58"                       //   name "X"
    "00 00 00 00"                          //   second name ""
    "04 00 00 00"                          //   character set 4
    "01 00 00 00 04 00 00 00"              //   one set: 4
    "01 00"                                //   first match
    "02 00 00 00"                          //   second match
    "10 00 00 00"                          //   style class 0x10
    "00 00 00 00"                          //   flag
    "01 00 00 00"                          //   technology 1
    "03 00"                                //   record value
    "00 00"                                //   reserved
    "03 00 00 00"                          //   location class 3
    "78 56 34 12");                        // stamp

TEST(GDeviceFontListTest, RestoresVersion2WithoutTables) {
  std::unique_ptr<GDeviceFontList> restored(List(0, true));
  ASSERT_FALSE(vel::test::RestoreContentsOf(Carrier::kFile, kVersion2List, *restored).failed);
  EXPECT_EQ(restored->GetKey(), 0x1a4u);
  EXPECT_EQ(restored->GetStamp(), 0x12345678u);
  EXPECT_EQ(restored->GetFirstTable(), nullptr);
  EXPECT_EQ(restored->GetSecondTable(), nullptr);
  ASSERT_EQ(restored->DescriptionCount(), 1u);
  EXPECT_EQ(restored->DescriptionAt(0)->GetName(), RWCString("X"));
  EXPECT_EQ(restored->DescriptionAt(0)->GetLocationClass(), 3u);
}

TEST(GDeviceFontListTest, AHugeCountEndsAtTheEndOfTheData) {
  Bytes bytes = kVersion2List;
  bytes[16] = 0xFF;
  bytes[17] = 0xFF;
  bytes[18] = 0xFF;
  bytes[19] = 0x7F;
  std::unique_ptr<GDeviceFontList> restored(List(0x1a4, false));
  EXPECT_TRUE(vel::test::RestoreContentsOf(Carrier::kFile, bytes, *restored).failed);
  EXPECT_EQ(restored->DescriptionCount(), 2u);  // kept as it was
}

TEST(GDeviceFontListTest, StoredFormIsTheSameInBothFlavours) {
  // Saving the list read from the fixture as version 3 adds the two nil table records.
  GDeviceFontList list;
  ASSERT_FALSE(vel::test::RestoreContentsOf(Carrier::kFile, kVersion2List, list).failed);
  Bytes expected = kVersion2List;
  expected[12] = 3;
  const Bytes nil = vel::test::SaveContentsOf(Carrier::kFile, GDeviceFontList(0x1a4));
  // An empty list's contents: root part, version, count 0, stamp, then the two nil records.
  expected.insert(expected.end(), nil.begin() + 24, nil.end());
  EXPECT_TRUE(BytesEqual(expected, vel::test::SaveContentsOf(Carrier::kFile, list)));
  EXPECT_EQ(list.StoredByteCount(), expected.size());
}

}  // namespace
