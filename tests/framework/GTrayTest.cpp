// Trays, bins and capabilities: levels, equality, media ownership, the capability bit vector and
// its stored form, and restores of bad data.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GBin.h"
#include "framework/core/GCapabilities.h"
#include "framework/core/GMedia.h"
#include "framework/core/GTray.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwRecordingHandlers.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;
using vel::test::kAllCarriers;

GMedia* A4() {
  const std::int16_t size[2] = {4960, 7015};
  const std::int16_t printable[2] = {4660, 6715};
  const std::int16_t origin[2] = {150, 150};
  return new GMedia("A4", size, printable, origin, 0, 9, 600, 600, vel::key::kMedia, 0, nullptr,
                    "Plain");
}

FW_PERSIST_SAMPLES(vel::classid::kGTray,
                   {{"tray default", [] { return new GTray; }},
                    {"tray with media",
                     [] { return new GTray("Tray 2", 2, 5, -6, 500, 250, A4(), 77); }}});

FW_PERSIST_SAMPLES(vel::classid::kGBin,
                   {{"bin default", [] { return new GBin; }},
                    {"bin full",
                     [] { return new GBin("Face down", 3, 1, 2, 250, 10, -3, 4, 8); }}});

FW_PERSIST_SAMPLES(vel::classid::kGCapabilities,
                   {{"capabilities empty", [] { return new GCapabilities; }},
                    {"capabilities ten", [] {
                       const std::uint32_t set[] = {0, 3, 9};
                       return new GCapabilities(5, 10, set, 3);
                     }}});

struct LevelCase {
  std::int32_t capacity;
  std::int32_t value;
  int as_percentage;
  int want_result;
  std::int32_t want_level;
};

TEST(GTrayTest, SetLevelTable) {
  const LevelCase cases[] = {
      {500, 499, 0, 1, 499},
      {500, 500, 0, 0, -1},  // a value equal to the capacity is refused
      {-1, -5, 0, 1, -5},    // signed comparison
      {500, 0, 1, 1, 0},     // percentage 0
      {500, 50, 1, 1, 250},
      {500, 100, 1, 1, 500},
      {500, 101, 1, 0, -1},
      {-1, 0, 1, 0, -1},  // unknown capacity: every percentage refused
      {0, 0, 1, 0, -1},
      {0, 50, 1, 0, -1},
      {3, 50, 1, 1, 1},                    // truncated
      {0x7FFFFFFF, 99, 1, 1, 2126008810},  // the product taken in 64 bits
      {500, -20, 1, 1, 0},                 // held within 0 and the capacity
  };
  for (const LevelCase& c : cases) {
    GTray tray("Tray", 1, 0, 0, c.capacity, -1, nullptr, 0);
    EXPECT_EQ(tray.SetLevel(c.value, c.as_percentage), c.want_result)
        << c.capacity << " " << c.value << " " << c.as_percentage;
    EXPECT_EQ(tray.GetLevel(), c.want_level);
    GBin bin("Bin", 1, 0, 0, c.capacity, -1, 0, 0, 0);
    EXPECT_EQ(bin.SetLevel(c.value, c.as_percentage), c.want_result);
    EXPECT_EQ(bin.GetLevel(), c.want_level);
  }
}

TEST(GTrayTest, EqualityWithAndWithoutMedia) {
  GTray a("Tray 1", 1, 0, 0, 100, 50, nullptr, 3);
  GTray b("Tray 1", 1, 0, 0, 100, 50, nullptr, 3);
  EXPECT_TRUE(a.IsEqual(&b));
  a.SetMedia(A4());
  EXPECT_FALSE(a.IsEqual(&b));
  EXPECT_FALSE(b.IsEqual(&a));
  b.SetMedia(A4());
  EXPECT_TRUE(a.IsEqual(&b));
  b.GetMedia()->SetPaperId(10);
  EXPECT_FALSE(a.IsEqual(&b));

  // A copy has a media of its own.
  const GTray copy(a);
  EXPECT_NE(copy.GetMedia(), a.GetMedia());
  EXPECT_TRUE(copy.IsEqual(&a));
  std::unique_ptr<GMedia> released(a.ReleaseMedia());
  EXPECT_EQ(a.GetMedia(), nullptr);
  EXPECT_NE(copy.GetMedia(), nullptr);

  vel::test::FwRecordingHandlers handlers;
  EXPECT_EQ(a.Accept(handlers), 0);
  EXPECT_EQ(handlers.Names(), std::vector<std::string>{"HandleTray"});
}

// A tray record whose media is some other class of object.
class TrayWithForeignMedia : public GTray {
 public:
  TrayWithForeignMedia() : GTray("Tray", 4, 9) {}
  void SaveContents(RWVirtualOutStream& stream) const override { Forge(stream); }
  void SaveContents(RWBinaryFile& file) const override { Forge(file); }

 private:
  template <typename Carrier>
  void Forge(Carrier& carrier) const {
    GAttribute::SaveContents(carrier);
    vel::WriteClassVersion(carrier);
    vel::WriteString(carrier, GetName());
    vel::WriteField(carrier, GetTrayId());
    for (std::int32_t value : {0, 0, -1, -1, 1}) {
      vel::WriteField(carrier, value);
    }
    carrier << static_cast<const RWCollectable*>(&value_);
  }

  GValueAttribute value_{5, 6};
};

TEST(GTrayTest, MediaRecordOfAnotherClassFailsSoftAndLeavesNoMedia) {
  for (Carrier carrier : kAllCarriers) {
    const TrayWithForeignMedia forged;
    const Bytes bytes = vel::test::SaveContentsOf(carrier, forged);
    GTray target("Old", 1, 0, 0, 10, 1, A4(), 0);
    const vel::test::Restored restored = vel::test::RestoreContentsOf(carrier, bytes, target);
    EXPECT_TRUE(restored.failed) << vel::test::CarrierName(carrier);
    EXPECT_EQ(target.GetMedia(), nullptr);
  }
}

TEST(GBinTest, RestoredBinKeepsTheEnabledFlagOfTheTarget) {
  for (Carrier carrier : kAllCarriers) {
    GBin saved("Upper", 2, 1, 2, 3, 1, 5, 6, 7);
    saved.SetEnabled(0);
    const Bytes bytes = vel::test::SaveGraph(carrier, &saved);
    vel::test::Restored restored = vel::test::RestoreGraph(carrier, bytes);
    ASSERT_FALSE(restored.failed);
    auto* bin = static_cast<GBin*>(restored.object);
    EXPECT_EQ(bin->GetEnabled(), 1);
    EXPECT_TRUE(bin->IsEqual(&saved));
    vel::test::DeleteRestored(bin);

    GBin target;
    target.SetEnabled(5);
    const Bytes contents = vel::test::SaveContentsOf(carrier, saved);
    EXPECT_FALSE(vel::test::RestoreContentsOf(carrier, contents, target).failed);
    EXPECT_EQ(target.GetEnabled(), 5);
    EXPECT_EQ(target.GetFourthValue(), 6);
  }
  GBin bin;
  vel::test::FwRecordingHandlers handlers;
  EXPECT_EQ(bin.Accept(handlers), 1);
  EXPECT_TRUE(handlers.Calls().empty());
}

TEST(GCapabilitiesTest, StoredFormIsTheLengthThenTheBitsLeastSignificantFirst) {
  const std::uint32_t set[] = {0, 3, 9};
  const GCapabilities capabilities(5, 10, set, 3);
  const Bytes bytes = vel::test::SaveContentsOf(Carrier::kFile, capabilities);
  // The root part (version, key, serial number) and the class version word come first.
  ASSERT_EQ(bytes.size(), 12u + 4u + 6u);
  EXPECT_EQ(Bytes(bytes.begin() + 16, bytes.end()), vel::test::HexBytes("0A 00 00 00 09 02"));
  EXPECT_EQ(capabilities.CountSet(), 3u);
  EXPECT_TRUE(capabilities.Has(9));
  EXPECT_FALSE(capabilities.Has(10));
}

TEST(GCapabilitiesTest, SetGrowsTheVector) {
  GCapabilities capabilities(0, 8);
  capabilities.Set(8);
  EXPECT_EQ(capabilities.GetLength(), 9u);
  EXPECT_TRUE(capabilities.Has(8));

  GCapabilities many(0, 8);
  const std::uint32_t list[] = {3, 40, 7};
  many.SetMany(list, 3);
  EXPECT_EQ(many.GetLength(), 41u);
  EXPECT_TRUE(many.HasAll(list, 3));
  EXPECT_TRUE(many.AllBelowLength(list, 3));
  many.ClearMany(list, 2);
  many.Clear(1000);  // beyond the length: ignored
  EXPECT_FALSE(many.HasAny(list, 2));
  EXPECT_TRUE(many.HasAny(list, 3));
  EXPECT_FALSE(many.HasAll(list, 3));
  const std::uint32_t beyond[] = {7, 41};
  EXPECT_FALSE(many.AllBelowLength(beyond, 2));
  EXPECT_FALSE(many.HasAll(beyond, 2));

  EXPECT_TRUE(many.HasAll(nullptr, 0));
  EXPECT_FALSE(many.HasAny(nullptr, 0));
  EXPECT_TRUE(many.AllBelowLength(nullptr, 0));
}

TEST(GCapabilitiesTest, RestoringAnEmptySetClearsTheOldBits) {
  for (Carrier carrier : kAllCarriers) {
    const GCapabilities empty;
    const Bytes bytes = vel::test::SaveContentsOf(carrier, empty);
    GCapabilities target(0, 16, 12);
    EXPECT_FALSE(vel::test::RestoreContentsOf(carrier, bytes, target).failed);
    EXPECT_EQ(target.GetLength(), 0u);
    EXPECT_FALSE(target.Has(12));
  }
}

// A record that claims far more bytes than follow.
class CapabilitiesClaimingTooMuch : public GCapabilities {
 public:
  void SaveContents(RWVirtualOutStream& stream) const override { Forge(stream); }
  void SaveContents(RWBinaryFile& file) const override { Forge(file); }

 private:
  template <typename Carrier>
  void Forge(Carrier& carrier) const {
    GBaseObject::SaveContents(carrier);
    vel::WriteClassVersion(carrier);
    vel::WriteField(carrier, std::uint32_t{0xFFFFFFF0u});
  }
};

TEST(GCapabilitiesTest, LengthWhoseBytesAreMissingFailsWithoutTouchingTheSet) {
  for (Carrier carrier : kAllCarriers) {
    const CapabilitiesClaimingTooMuch forged;
    const Bytes bytes = vel::test::SaveContentsOf(carrier, forged);
    GCapabilities target(0, 16, 12);
    EXPECT_TRUE(vel::test::RestoreContentsOf(carrier, bytes, target).failed);
    EXPECT_EQ(target.GetLength(), 16u);
    EXPECT_TRUE(target.Has(12));
  }
}

}  // namespace
