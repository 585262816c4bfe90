// The test character translator: character-set numbers to code pages, single- and double-byte
// codes both ways, and the test services handing it out in the render flavour.
#include "tests/support/FwCharTranslator.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "framework/core/GOSServices.h"
#include "tests/support/FwTestOSServices.h"
#include "vel_flavour.h"

namespace {

using vel::test::TestCharTranslator;

struct Case {
  std::uint32_t char_set;
  std::uint16_t code;
  char16_t wide;
};

TEST(TestCharTranslatorTest, ConvertsBothWaysBySet) {
  const Case cases[] = {
      {4, 0xE9, u'\u00E9'},     // Western
      {5, 0x8A, u'\u0160'},     // Central European
      {7, 0xC1, u'\u0391'},     // Greek
      {14, 0xC0, u'\u0410'},    // Cyrillic
      {15, 0xA1, u'\u0E01'},    // Thai
      {17, 0x82A0, u'\u3042'},  // Japanese, two bytes
      {18, 0xD2BB, u'\u4E00'},  // Simplified Chinese, two bytes
      {19, 0xD2BB, u'\u4E00'},
      {20, 0xB0A1, u'\uAC00'},  // Korean
      {23, 0xA440, u'\u4E00'},  // Traditional Chinese
      {99, 0x80, u'\u20AC'},    // no code page of its own: the engine's ANSI page
      {18, 0x41, u'A'},         // a single byte in a double-byte set
  };
  TestCharTranslator translator;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.char_set);
    EXPECT_EQ(translator.ToWide(c.code, c.char_set), c.wide);
    EXPECT_EQ(translator.ToMultiByte(c.wide, c.char_set), c.code);
  }
}

TEST(TestCharTranslatorTest, MapsEverySetWithACodePage) {
  const std::uint32_t table[][2] = {{4, 1252}, {5, 1250},  {6, 1254},  {7, 1253},  {8, 1255},
                                    {9, 1256}, {12, 1257}, {14, 1251}, {15, 874},  {17, 932},
                                    {18, 936}, {19, 936},  {20, 949},  {21, 949},  {22, 1361},
                                    {23, 950}, {0, 0},     {1, 0},     {16, 0},    {24, 0}};
  for (const auto& row : table) {
    EXPECT_EQ(vel::test::CodePageForCharSet(row[0]), row[1]) << row[0];
  }
}

TEST(TestCharTranslatorTest, UnmappableAndCutOffCodes) {
  TestCharTranslator translator;
  // A lead byte without a valid trail becomes the engine's default character.
  EXPECT_EQ(translator.ToWide(0xD2FF, 18), u'?');
  // A character the page lacks becomes the default character, one byte.
  EXPECT_EQ(translator.ToMultiByte(u'\u4E00', 4), '?');
}

TEST(TestCharTranslatorTest, TheTestServicesHandItOutInTheRenderFlavour) {
  // The services register themselves as the process's instance, which DeleteOSServices frees.
  auto* services = new vel::test::TestOSServices;
  GCharTranslator* made = services->CreateCharacterTranslator();
  EXPECT_EQ(made != nullptr, vel::flavour::kIsRenderFlavour);
  if (made != nullptr) {
    EXPECT_EQ(made->ToWide(0xD2BB, 18), u'\u4E00');
  }
  delete made;
  vel::DeleteOSServices();
}

}  // namespace
