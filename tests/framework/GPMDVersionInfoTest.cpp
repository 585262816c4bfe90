// Version information and its string list.
#include <gtest/gtest.h>

#include <memory>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GPMDVersionInfo.h"
#include "tests/support/FwPersistHarness.h"

namespace {

using vel::test::BytesEqual;
using vel::test::Carrier;
using vel::test::HexBytes;

GPMDVersionInfo* FullInfo() {
  auto* info = new GPMDVersionInfo(0x00020003, 0x00040005, 6, 7);
  info->SetExtra1(8);
  info->SetExtra2(0xFFFFFFFF);
  info->AddString("first");
  info->AddString("");
  info->AddString(RWCString("with\0nul", 8));
  return info;
}

FW_PERSIST_SAMPLES(vel::classid::kGPMDVersionInfo,
                   {{"version info default", [] { return new GPMDVersionInfo; }},
                    {"version info full", [] { return FullInfo(); }}});

TEST(GPMDVersionInfoTest, WritesVersion2BeforeVersion1And26BytesAfterTheRootPart) {
  GPMDVersionInfo info(0x00010002, 0x00030004, 0x0506, 0);
  info.SetSerialNumber(9);
  info.SetExtra1(0x0708090A);
  info.SetExtra2(0x0B0C0D0E);
  EXPECT_TRUE(BytesEqual(HexBytes("01 00 00 00  00 00 00 00  09 00 00 00"  // root part
                                  "01 00 00 00"                            // class version
                                  "04 00 03 00"                            // version 2
                                  "02 00 01 00"                            // version 1
                                  "06 05"                                  // number
                                  "0A 09 08 07  0E 0D 0C 0B"               // extras
                                  "00 00 00 00"),                          // no strings
                         vel::test::SaveContentsOf(Carrier::kFile, info)));
  EXPECT_EQ(info.StoredByteCount(), 12u + 26u);
  info.AddString("ab");
  EXPECT_EQ(info.StoredByteCount(), 12u + 26u + 6u);
}

TEST(GPMDVersionInfoTest, VersionsComeBackInTheirOwnFields) {
  for (const Carrier carrier : vel::test::kAllCarriers) {
    std::unique_ptr<GPMDVersionInfo> info(FullInfo());
    const auto restored =
        vel::test::RestoreGraph(carrier, vel::test::SaveGraph(carrier, info.get()));
    std::unique_ptr<RWCollectable> owned(restored.object);
    const auto* copy = dynamic_cast<const GPMDVersionInfo*>(restored.object);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetVersion1(), 0x00020003u);
    EXPECT_EQ(copy->GetVersion2(), 0x00040005u);
    ASSERT_EQ(copy->GetStrings().Count(), 3u);
    EXPECT_EQ(copy->GetStrings().At(0), RWCString("first"));
    EXPECT_EQ(copy->GetStrings().At(2), RWCString("with\0nul", 8));
  }
}

TEST(GPMDVersionInfoTest, Increments) {
  struct Case {
    std::uint32_t version;
    bool major;
    std::uint16_t answer;
    std::uint32_t after;
  } cases[] = {
      {0x0002000A, false, 0x000A, 0x0002000B}, {0x0002000A, true, 0x0002, 0x00030000},
      {0x0002FFFF, false, 0xFFFF, 0x0002FFFF}, {0xFFFF0003, true, 0xFFFF, 0xFFFF0003},
      {0xFFFFFFFF, false, 0xFFFF, 0xFFFFFFFF},
  };
  for (const Case& c : cases) {
    GPMDVersionInfo info(c.version, c.version, 1, 0);
    EXPECT_EQ(c.major ? info.IncrementMajor1() : info.IncrementMinor1(), c.answer);
    EXPECT_EQ(info.GetVersion1(), c.after) << std::hex << c.version;
    EXPECT_EQ(c.major ? info.IncrementMajor2() : info.IncrementMinor2(), c.answer);
    EXPECT_EQ(info.GetVersion2(), c.after) << std::hex << c.version;
  }
}

TEST(GPMDVersionInfoTest, RecordsDifferingInOneStringAreNotEqual) {
  std::unique_ptr<GPMDVersionInfo> a(FullInfo());
  std::unique_ptr<GPMDVersionInfo> b(FullInfo());
  EXPECT_TRUE(a->IsSameKey(b.get()));
  b->AddString("more");
  a->AddString("mors");
  EXPECT_FALSE(a->IsSameKey(b.get()));
}

TEST(GStringArrayTest, RemoveAllKeepsTheOrderOfTheOthers) {
  GStringArray strings;
  for (const char* text : {"a", "b", "a", "c"}) {
    strings.Insert(text);
  }
  EXPECT_EQ(strings.CountOf("a"), 2u);
  EXPECT_EQ(strings.IndexOf("c"), 3u);
  EXPECT_EQ(strings.RemoveAll("a"), 2u);
  ASSERT_EQ(strings.Count(), 2u);
  EXPECT_EQ(strings.At(0), RWCString("b"));
  EXPECT_EQ(strings.At(1), RWCString("c"));
  EXPECT_EQ(strings.IndexOf("a"), GStringArray::kNotFound);
  EXPECT_EQ(strings.Remove("b"), 1);
  EXPECT_EQ(strings.Remove("b"), 0);
  EXPECT_EQ(strings.At(0), RWCString("c"));
}

TEST(GStringArrayTest, GrowsBy64) {
  GStringArray strings;
  EXPECT_EQ(strings.Capacity(), 64u);
  for (int i = 0; i < 65; ++i) {
    ASSERT_TRUE(strings.Insert(RWCString("x")));
  }
  EXPECT_EQ(strings.Capacity(), 128u);
  EXPECT_EQ(strings.CountOf("x"), 65u);
}

}  // namespace
