// Text strings and escapements: conversion between encoding kinds through the character
// translator, advances from a text angle, owned and borrowed buffers, and the stored forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GCharTranslator.h"
#include "framework/core/GOSServices.h"
#include "framework/output/GTextEscapements.h"
#include "framework/output/GTextString.h"
#include "tests/support/FwCharTranslator.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestOSServices.h"
#include "vel_flavour.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::Carrier;
using vel::test::HexBytes;

GTextString* Narrow(std::vector<std::uint8_t> codes, std::uint32_t kind) {
  auto length = static_cast<std::uint16_t>(codes.size());
  GCharacterBuffer buffer(codes.data(), length);
  GTextString borrowed(std::move(buffer), length, 1, kind);
  return new GTextString(borrowed);  // the copy owns its codes
}

GTextString* Wide(std::vector<std::uint16_t> codes, std::uint32_t kind) {
  auto length = static_cast<std::uint16_t>(codes.size());
  GCharacterBuffer buffer(codes.data(), length);
  GTextString borrowed(std::move(buffer), length, 2, kind);
  return new GTextString(borrowed);
}

GTextEscapements* Advances(float angle, std::vector<std::int16_t> advances) {
  GCharacterBuffer buffer(advances.data(), static_cast<std::uint32_t>(advances.size()));
  GTextEscapements borrowed(angle, std::move(buffer));
  return new GTextEscapements(borrowed);
}

FW_PERSIST_SAMPLES(vel::classid::kGTextString,
                   {{"empty string", [] { return new GTextString; }},
                    {"8-bit", [] { return Narrow({'H', 'i', 0xE9}, 4); }},
                    {"16-bit", [] { return Wide({0x4E00, 0x41, 0xFFFF}, 16); }},
                    {"odd size", [] {
                       return new GTextString(GCharacterBuffer(), 3, 7, 16);
                     }}});

FW_PERSIST_SAMPLES(vel::classid::kGTextEscapements,
                   {{"no arrays", [] { return new GTextEscapements; }},
                    {"x only", [] { return Advances(0, {10, -20, 32767}); }},
                    {"x and y", [] { return Advances(45, {10, 10, 10}); }}});

// Conversions reach the process's translator: the test services hand out the test translator in
// the render flavour; the UI flavour has none.
class TextConversionTest : public ::testing::Test {
 protected:
  void SetUp() override { services_ = new vel::test::TestOSServices; }
  void TearDown() override {
    vel::ReleaseCodePageTranslator();
    vel::DeleteOSServices();
  }
  vel::test::TestOSServices* services_ = nullptr;
};

struct ConversionCase {
  const char* name;
  std::vector<std::uint16_t> codes;
  std::uint32_t size;
  std::uint32_t from;
  std::uint32_t to;
  std::uint32_t expected_size;
  std::vector<std::uint16_t> expected;
};

TEST_F(TextConversionTest, FollowsTheKindRules) {
  if (!vel::flavour::kIsRenderFlavour) {
    GTEST_SKIP() << "the UI flavour has no character translator";
  }
  const ConversionCase cases[] = {
      {"same kind is a copy", {0x41, 0xE9}, 1, 4, 4, 1, {0x41, 0xE9}},
      {"8-bit to kind 2 keeps the bytes", {0x41, 0xE9}, 1, 4, 2, 1, {0x41, 0xE9}},
      {"16-bit to kind 2 through the given translator", {0xE9}, 2, 16, 2, 2, {0xE9}},
      {"from kind 1 gives zero bytes", {0x41, 0x42}, 1, 1, 4, 1, {0, 0}},
      {"from kind 2 gives zero bytes", {0x41}, 2, 2, 16, 1, {0}},
      {"to kind 1 gives zero bytes", {0x41}, 2, 16, 1, 1, {0}},
      {"16 to single-byte gives bytes", {0x00E9, 0x0410}, 2, 16, 4, 1, {0xE9, 0x3F}},
      {"16 to Cyrillic", {0x0410}, 2, 16, 14, 1, {0xC0}},
      {"single-byte to 16", {0xE9}, 1, 4, 16, 2, {0x00E9}},
      {"double-byte to 16", {0xD2BB, 0x41}, 2, 18, 16, 2, {0x4E00, 0x41}},
      {"16 to double-byte", {0x4E00}, 2, 16, 18, 2, {0xD2BB}},
      {"16 to Korean", {0xAC00}, 2, 16, 20, 2, {0xB0A1}},
      {"double-byte to another through the second operation", {0x4E00}, 2, 17, 23, 2, {0xA440}},
  };
  vel::test::TestCharTranslator given;
  for (const ConversionCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GTextString> source;
    if (c.size == 1) {
      std::vector<std::uint8_t> bytes(c.codes.begin(), c.codes.end());
      source.reset(Narrow(bytes, c.from));
    } else {
      source.reset(Wide(c.codes, c.from));
    }
    const GTextString converted(*source, c.to, &given);
    EXPECT_EQ(converted.GetEncoding(), c.to);
    EXPECT_EQ(converted.GetCharSize(), c.expected_size);
    ASSERT_EQ(converted.GetLength(), c.expected.size());
    for (std::uint32_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(converted.GetCharAt(i), c.expected[i]) << i;
    }
  }
}

TEST_F(TextConversionTest, WithoutATranslatorCodesBecomeZero) {
  services_->make_translator = []() -> GCharTranslator* { return nullptr; };
  std::unique_ptr<GTextString> source(Wide({0x4E00, 0x41}, 16));
  const GTextString converted(*source, 18, nullptr);
  EXPECT_EQ(converted.GetLength(), 2);
  EXPECT_EQ(converted.GetCharAt(0), 0);
  EXPECT_EQ(converted.GetCharAt(1), 0);
}

TEST(GTextStringTest, CopiesOwnTheirCodesAndCompareByValue) {
  std::uint8_t codes[] = {'a', 'b', 'c'};
  GTextString borrowed(GCharacterBuffer(codes, 3), 3, 1, 4);
  EXPECT_EQ(borrowed.GetData(), codes);
  GTextString copy(borrowed);
  EXPECT_NE(copy.GetData(), codes);
  EXPECT_TRUE(copy.IsSameKey(&borrowed));
  codes[1] = 'x';
  EXPECT_FALSE(copy.IsSameKey(&borrowed));
  EXPECT_EQ(copy.GetCharAt(1), 'b');
  // MakeOwned detaches from the caller's codes.
  const void* owned = borrowed.MakeOwned();
  EXPECT_NE(owned, codes);
  codes[0] = 'z';
  EXPECT_EQ(borrowed.GetCharAt(0), 'a');
  EXPECT_EQ(borrowed.GetCharAt(3), 0);  // past the end

  GTextString empty;
  EXPECT_EQ(empty.GetData(), nullptr);
  EXPECT_EQ(empty.MakeOwned(), nullptr);
  EXPECT_TRUE(empty.IsKindOf(vel::classid::kGTextString));
  EXPECT_TRUE(empty.IsKindOf(vel::classid::kGBaseObject));
}

TEST(GTextStringTest, CopyCodesWidensBytesAndGivesZeroPastTheBuffer) {
  const std::uint8_t bytes[] = {0x41, 0xFF};
  const std::uint16_t wide[] = {0x263A, 0x41};
  const GTextString narrow_text(GCharacterBuffer(bytes, 2), 4, 1, 4);
  const GTextString wide_text(GCharacterBuffer(wide, 2), 3, 2, 16);
  std::uint16_t out[4] = {9, 9, 9, 9};
  narrow_text.CopyCodes(out);
  EXPECT_EQ(std::vector<std::uint16_t>(out, out + 4),
            (std::vector<std::uint16_t>{0x41, 0xFF, 0, 0}));
  std::fill_n(out, 4, 9);
  wide_text.CopyCodes(out);
  EXPECT_EQ(std::vector<std::uint16_t>(out, out + 4),
            (std::vector<std::uint16_t>{0x263A, 0x41, 0, 9}));
  std::fill_n(out, 4, 9);
  GTextString().CopyCodes(out);
  EXPECT_EQ(out[0], 9);
}

struct AngleCase {
  float angle;
  std::vector<std::int16_t> advances;
  std::vector<std::int16_t> x;  // empty: no x array
  std::vector<std::int16_t> y;
};

TEST(GTextEscapementsTest, AdvancesFollowTheAngle) {
  const AngleCase cases[] = {
      {0, {10, -3, 7}, {10, -3, 7}, {}},
      {90, {10, -3, 7}, {}, {-10, 3, -7}},
      {180, {10, -3, 7}, {-10, 3, -7}, {}},
      {270, {10, -3, 7}, {}, {10, -3, 7}},
      {45, {10, 10, 10}, {7, 7, 7}, {-7, -7, -7}},
      // A negative running sum moves backwards: positions (-8, 4), (-16, 9), (-25, 14).
      {30, {-10, -10, -10}, {-8, -8, -9}, {4, 5, 5}},
      // Back and forth: positions (9, -5), (0, 0).
      {30, {10, -10}, {9, -9}, {-5, 5}},
  };
  for (const AngleCase& c : cases) {
    SCOPED_TRACE(c.angle);
    std::vector<std::int16_t> advances = c.advances;
    const GTextEscapements escapements(
        c.angle, GCharacterBuffer(advances.data(), static_cast<std::uint32_t>(advances.size())));
    ASSERT_EQ(escapements.GetCount(), c.advances.size());
    EXPECT_EQ(escapements.GetXData() == nullptr, c.x.empty());
    EXPECT_EQ(escapements.GetYData() == nullptr, c.y.empty());
    for (std::uint32_t i = 0; i < c.advances.size(); ++i) {
      EXPECT_EQ(escapements.GetX(i), c.x.empty() ? 0 : c.x[i]) << i;
      EXPECT_EQ(escapements.GetY(i), c.y.empty() ? 0 : c.y[i]) << i;
    }
    // Negating or recomputing never writes into the caller's advances.
    EXPECT_EQ(advances, c.advances);
  }
}

TEST(GTextEscapementsTest, SetMakesAnAbsentArrayOnlyForNonZero) {
  std::int16_t x[] = {1, 2};
  GTextEscapements escapements(GCharacterBuffer(x, 2), GCharacterBuffer(), 2);
  escapements.SetY(0, 0);
  EXPECT_EQ(escapements.GetYData(), nullptr);
  escapements.SetY(1, -4);
  ASSERT_NE(escapements.GetYData(), nullptr);
  EXPECT_EQ(escapements.GetY(0), 0);
  EXPECT_EQ(escapements.GetY(1), -4);
  escapements.SetX(0, 9);
  EXPECT_EQ(escapements.GetX(0), 9);
  EXPECT_EQ(x[0], 1);  // made owned before the store
  escapements.SetX(5, 9);  // past the count: nothing
  EXPECT_EQ(escapements.GetX(5), 0);

  const GTextEscapements copy(escapements);
  EXPECT_TRUE(copy.IsSameKey(&escapements));
  EXPECT_NE(copy.GetXData(), escapements.GetXData());
}

// A 16-bit kind-16 string of two codes (key 1, serial 2) and its escapements, as contents in a
// binary file. Both flavours write and read exactly these bytes.
const Bytes kStringContents = HexBytes(
    "01 00 00 00 01 00 00 00 02 00 00 00"  // root part: version 1, key 1, serial 2
    "01 00 00 00"                          // class version 1
    "02 00"                                // length 2
    "02 00 00 00"                          // character size 2
    "10 00 00 00"                          // kind 16
    "00 4E 41 00");                        // U+4E00, 'A'

const Bytes kEscapementContents = HexBytes(
    "01 00 00 00 00 00 00 00 03 00 00 00"  // root part: version 1, key 0, serial 3
    "01 00 00 00"                          // class version 1
    "02 00"                                // count 2
    "01 00 00 00"                          // x present
    "0A 00 F6 FF"                          //   10, -10
    "00 00 00 00");                        // no y

TEST(GTextStringTest, StoredContentsMatchTheLayout) {
  std::unique_ptr<GTextString> text(Wide({0x4E00, 0x41}, 16));
  text->SetKey(1);
  text->SetSerialNumber(2);
  EXPECT_TRUE(BytesEqual(kStringContents, vel::test::SaveContentsOf(Carrier::kFile, *text)));
  GTextString restored;
  ASSERT_FALSE(
      vel::test::RestoreContentsOf(Carrier::kFile, kStringContents, restored).failed);
  EXPECT_TRUE(restored.IsSameKey(text.get()));

  std::unique_ptr<GTextEscapements> escapements(Advances(0, {10, -10}));
  escapements->SetSerialNumber(3);
  EXPECT_TRUE(
      BytesEqual(kEscapementContents, vel::test::SaveContentsOf(Carrier::kFile, *escapements)));
  GTextEscapements restored_escapements;
  ASSERT_FALSE(vel::test::RestoreContentsOf(Carrier::kFile, kEscapementContents,
                                            restored_escapements)
                   .failed);
  EXPECT_TRUE(restored_escapements.IsSameKey(escapements.get()));
  EXPECT_EQ(restored_escapements.GetYData(), nullptr);
}

TEST(GTextEscapementsTest, AFlagOtherThanZeroOrOneIsDamage) {
  Bytes bytes = kEscapementContents;
  bytes[18] = 2;  // the x flag
  GTextEscapements restored;
  EXPECT_TRUE(vel::test::RestoreContentsOf(Carrier::kFile, bytes, restored).failed);
  EXPECT_EQ(restored.GetCount(), 0);
}

}  // namespace
