// The paper-handling device: the option table (order, replacement, selection), the installed
// flag, iteration over the selected option, the stored form and restores of bad data.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GIterator.h"
#include "framework/core/GPaperHandlingDevice.h"
#include "framework/core/GTray.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/MPersistentComposite.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"
#include "rw/rwstore.h"
#include "tests/support/FwPersistHarness.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;
using vel::test::kAllCarriers;

// An option: a composite of `trays` trays.
MPersistentComposite* Option(int trays) {
  auto* option = new MPersistentComposite(0);
  for (int i = 0; i < trays; ++i) {
    option->Add(new GTray("Tray", static_cast<std::int16_t>(i + 1), 0));
  }
  return option;
}

std::vector<std::uint16_t> Ids(const GPaperHandlingDevice& device) {
  std::vector<std::uint16_t> ids;
  device.ForEachOption([&ids](std::uint16_t id, GBaseObject*) { ids.push_back(id); });
  return ids;
}

FW_PERSIST_SAMPLES(vel::classid::kGPaperHandlingDevice,
                   {{"device default", [] { return new GPaperHandlingDevice; }},
                    {"device with options", [] {
                       auto* device = new GPaperHandlingDevice("Tower", 1, 1, 1, 90);
                       auto* shared = Option(2);
                       device->AddOption(3, shared);
                       device->AddOption(19, GCountedPtr(shared));
                       device->AddOption(1, Option(1));
                       device->SelectOption(19);
                       return device;
                     }}});

// Options 1, 17 and 33 share bucket 1 and are written in that order; option 2 follows them.
TEST(GPaperHandlingDeviceTest, OptionsAreWrittenBucketByBucket) {
  GPaperHandlingDevice device("D", 0, 1, 0, 0);
  device.SetSerialNumber(0x10);
  for (std::uint16_t id : {1, 17, 2, 33}) {
    auto* option = new GValueAttribute(id, 0);
    option->SetSerialNumber(0x20);
    ASSERT_EQ(device.AddOption(id, option), 1);
  }
  EXPECT_EQ(Ids(device), (std::vector<std::uint16_t>{1, 17, 33, 2}));

  // Regenerate: HexDump of SaveContentsOf(Carrier::kFile, device).
  auto option = [](const char* id, const char* value) {
    // id; class 763 (value attribute); root part, attribute part, version, value.
    return std::string(id) + " FB 02 01000000 00000000 20000000 01000000 01000000 01000000 " +
           value;
  };
  const std::string expected =
      "01000000 00000000 10000000"   // root: version, key, serial number
      " 01000000 01000000"           // attribute: version, enabled
      " 01000000"                    // class version
      " 01000000 44"                 // name "D"
      " 00000000 01000000 00000000"  // type 0, optional, not installed
      " 0100"                        // selected option 1 (the first added)
      " 04000000 " +                 // four entries
      // The first record of the save carries the file's magic word.
      option("0100 88880000", "0100") +
      " " + option("1100", "1100") + " " + option("2100", "2100") + " " + option("0200", "0200");
  EXPECT_EQ(vel::test::HexDump(vel::test::SaveContentsOf(Carrier::kFile, device)),
            vel::test::HexDump(vel::test::HexBytes(expected)));
}

TEST(GPaperHandlingDeviceTest, SelectionFollowsAddingAndRemoving) {
  GPaperHandlingDevice device;
  EXPECT_EQ(device.GetSelectedOption(), 0);
  EXPECT_EQ(device.SelectOption(5), 0);
  ASSERT_EQ(device.AddOption(5, Option(2)), 1);
  ASSERT_EQ(device.AddOption(3, Option(1)), 1);
  EXPECT_EQ(device.GetSelectedOption(), 5);
  EXPECT_EQ(device.GetSelectedOptionCount(), 2u);
  EXPECT_EQ(device.GetSmallestOptionCount(), 1u);

  std::unique_ptr<GBaseObject> five(device.RemoveOption(5));
  ASSERT_NE(five, nullptr);
  EXPECT_EQ(five->References(), -1);  // the device held the last reference: the object itself
  EXPECT_EQ(five->Count(), 2u);
  EXPECT_EQ(device.GetSelectedOption(), 3);
  EXPECT_EQ(device.RemoveOption(5), nullptr);

  std::unique_ptr<GBaseObject> three(device.RemoveOption(3));
  EXPECT_NE(three, nullptr);
  EXPECT_EQ(device.GetSelectedOption(), 0);
  EXPECT_EQ(device.GetOptionCount(), 0u);
  EXPECT_EQ(device.GetSelectedOptionCount(), 0u);
  EXPECT_EQ(device.GetSmallestOptionCount(), 0u);
}

TEST(GPaperHandlingDeviceTest, RemovingASharedOptionHandsOutACopy) {
  GPaperHandlingDevice device;
  auto* shared = Option(1);
  GCountedPtr elsewhere(shared);
  ASSERT_EQ(device.AddOption(7, shared), 1);
  std::unique_ptr<GBaseObject> removed(device.RemoveOption(7));
  ASSERT_NE(removed, nullptr);
  EXPECT_NE(removed.get(), shared);
  EXPECT_EQ(shared->References(), 0);
  EXPECT_EQ(removed->References(), -1);
}

TEST(GPaperHandlingDeviceTest, AddingAnIdAgainReplacesTheObject) {
  GPaperHandlingDevice device;
  ASSERT_EQ(device.AddOption(4, Option(1)), 1);
  ASSERT_EQ(device.AddOption(20, Option(1)), 1);
  auto* replacement = Option(3);
  ASSERT_EQ(device.AddOption(4, replacement), 1);
  EXPECT_EQ(device.GetOptionCount(), 2u);
  EXPECT_EQ(device.GetOption(4), replacement);
  EXPECT_EQ(Ids(device), (std::vector<std::uint16_t>{4, 20}));

  // The object already held under the id: kept, not freed by its own replacement.
  ASSERT_EQ(device.AddOption(4, replacement), 1);
  EXPECT_EQ(device.GetOption(4), replacement);
  EXPECT_EQ(replacement->References(), 0);

  // Empty references are refused.
  EXPECT_EQ(device.AddOption(9, static_cast<GBaseObject*>(nullptr)), 0);
  EXPECT_EQ(device.AddOption(9, GCountedPtr()), 0);
  EXPECT_FALSE(device.HasOption(9));
  EXPECT_EQ(device.GetOptionCount(), 2u);
}

TEST(GPaperHandlingDeviceTest, NotOptionalMeansInstalled) {
  GPaperHandlingDevice fixed("Duplex", 1, 0, 0, 0);
  EXPECT_EQ(fixed.IsInstalled(), 1);
  EXPECT_EQ(fixed.SetInstalled(0), 0);
  EXPECT_EQ(fixed.IsInstalled(), 1);

  GPaperHandlingDevice optional("Tower", 0, 1, 0, 0);
  EXPECT_EQ(optional.IsInstalled(), 0);
  EXPECT_EQ(optional.SetInstalled(1), 1);
  EXPECT_EQ(optional.IsInstalled(), 1);
  optional.SetInstalled(0);
  optional.SetOptional(0);
  EXPECT_EQ(optional.IsInstalled(), 1);
  RWCString name;
  EXPECT_EQ(optional.GetName(name), RWCString("Tower"));
}

TEST(GPaperHandlingDeviceTest, IteratorWalksTheSelectedOptionOnly) {
  GPaperHandlingDevice device;
  std::unique_ptr<GIterator> nothing(device.CreateIterator());
  ASSERT_NE(nothing, nullptr);
  EXPECT_EQ(nothing->Advance(), 0);
  EXPECT_EQ(nothing->Current(), nullptr);

  ASSERT_EQ(device.AddOption(1, Option(2)), 1);
  ASSERT_EQ(device.AddOption(2, Option(3)), 1);
  ASSERT_EQ(device.SelectOption(2), 1);
  std::unique_ptr<GIterator> trays(device.CreateIterator());
  std::vector<std::int16_t> ids;
  while (trays->Advance() != 0) {
    ids.push_back(static_cast<GTray*>(trays->Current())->GetTrayId());
  }
  EXPECT_EQ(ids, (std::vector<std::int16_t>{1, 2, 3}));
}

TEST(GPaperHandlingDeviceTest, EqualityIgnoresTheOptionObjectsAndCopiesShareThem) {
  GPaperHandlingDevice a("Tower", 0, 1, 1, 90);
  GPaperHandlingDevice b("Tower", 0, 1, 1, 90);
  ASSERT_EQ(a.AddOption(1, Option(1)), 1);
  ASSERT_EQ(b.AddOption(1, Option(4)), 1);
  EXPECT_TRUE(a.IsEqual(&b));
  ASSERT_EQ(b.AddOption(2, Option(4)), 1);
  EXPECT_FALSE(a.IsEqual(&b));

  const GPaperHandlingDevice copy(b);
  EXPECT_TRUE(copy.IsEqual(&b));
  EXPECT_EQ(copy.GetOption(2), b.GetOption(2));
  EXPECT_EQ(b.GetOption(2)->References(), 1);
}

// A device record whose entry count promises more entries than follow, or whose version differs.
class DeviceClaimingEntries : public GPaperHandlingDevice {
 public:
  explicit DeviceClaimingEntries(std::uint32_t count) : count_(count) {}
  void SaveContents(RWVirtualOutStream& stream) const override { Forge(stream); }
  void SaveContents(RWBinaryFile& file) const override { Forge(file); }

 private:
  template <typename Carrier>
  void Forge(Carrier& carrier) const {
    RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
    GAttribute::SaveContents(carrier);
    vel::WriteClassVersion(carrier);
    vel::WriteString(carrier, RWCString("Forged"));
    for (std::int32_t value : {0, 1, 1}) {
      vel::WriteField(carrier, value);
    }
    vel::WriteField(carrier, std::uint16_t{6});
    vel::WriteField(carrier, count_);
    vel::WriteField(carrier, std::uint16_t{6});
    carrier << static_cast<const RWCollectable*>(&option_);
  }

  std::uint32_t count_;
  GValueAttribute option_{1, 2};
};

TEST(GPaperHandlingDeviceTest, CountBeyondTheDataFailsSoftAndKeepsNothing) {
  for (Carrier carrier : kAllCarriers) {
    const DeviceClaimingEntries forged(0xFFFFFFFFu);
    const Bytes bytes = vel::test::SaveContentsOf(carrier, forged);
    GPaperHandlingDevice target;
    ASSERT_EQ(target.AddOption(2, Option(1)), 1);
    const vel::test::Restored restored = vel::test::RestoreContentsOf(carrier, bytes, target);
    EXPECT_TRUE(restored.failed) << vel::test::CarrierName(carrier);
    EXPECT_EQ(target.GetOptionCount(), 0u);
    EXPECT_EQ(target.GetOption(6), nullptr);

    // The same record with the right count restores, selection as stored.
    const DeviceClaimingEntries sound(1);
    GPaperHandlingDevice fresh;
    EXPECT_FALSE(
        vel::test::RestoreContentsOf(carrier, vel::test::SaveContentsOf(carrier, sound), fresh)
            .failed);
    EXPECT_EQ(fresh.GetOptionCount(), 1u);
    EXPECT_EQ(fresh.GetSelectedOption(), 6);
    ASSERT_NE(fresh.GetOption(6), nullptr);
  }
}

TEST(GPaperHandlingDeviceTest, AnotherVersionLeavesTheTableAsItWas) {
  for (Carrier carrier : kAllCarriers) {
    GPaperHandlingDevice saved("Saved", 0, 1, 1, 0);
    Bytes bytes;
    {
      vel::ScopedClassVersionPatch patch(2, 7);  // root, attribute, then the device's own word
      bytes = vel::test::SaveContentsOf(carrier, saved);
    }
    GPaperHandlingDevice target("Old", 0, 1, 0, 0);
    auto* option = Option(2);
    ASSERT_EQ(target.AddOption(8, option), 1);
    EXPECT_TRUE(vel::test::RestoreContentsOf(carrier, bytes, target).failed);
    EXPECT_EQ(target.GetOption(8), option);
    RWCString name;
    EXPECT_EQ(target.GetName(name), RWCString("Old"));
  }
}

}  // namespace
