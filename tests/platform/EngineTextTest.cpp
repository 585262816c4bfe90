// Code-page conversions of the engine, and its floating-point objects.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/engine/winddi.h"
#include "tests/platform/EngineTestFixture.h"

namespace vel::platform::engine {
namespace {

using EngineTextTest = EngineTest;

std::string ToMultiByte(UINT code_page, std::u16string text, int out_size) {
  std::string out(static_cast<std::size_t>(out_size), '\xAA');
  int n = EngWideCharToMultiByte(code_page, text.data(), static_cast<INT>(text.size() * 2),
                                 out.data(), out_size);
  return n < 0 ? "<-1>" : out.substr(0, static_cast<std::size_t>(n));
}

std::u16string ToWide(UINT code_page, std::string text, int out_bytes) {
  std::u16string out(static_cast<std::size_t>(out_bytes + 1) / 2, u'\xAAAA');
  int n = EngMultiByteToWideChar(code_page, out.data(), out_bytes, text.data(),
                                 static_cast<INT>(text.size()));
  return n < 0 ? u"<-1>" : out.substr(0, static_cast<std::size_t>(n) / 2);
}

TEST_F(EngineTextTest, ConvertsBetweenCodePagesAndUtf16) {
  struct Case {
    UINT code_page;
    std::u16string wide;
    std::string bytes;
  };
  const Case cases[] = {
      {1252, u"A\u00e9\u20ac", "A\xE9\x80"},        // euro sign at 0x80
      {932, u"\u3042a", "\x82\xA0" "a"},            // hiragana a: lead 0x82, trail 0xA0
      {936, u"\u4e2d", "\xD6\xD0"},
      {949, u"\uac00", "\xB0\xA1"},
      {950, u"\u4e2d", "\xA4\xA4"},
      {1250, u"\u0141", "\xA3"},
      {1251, u"\u0416", "\xC6"},
      {1253, u"\u03a9", "\xD9"},
      {1254, u"\u011f", "\xF0"},
      {1255, u"\u05d0", "\xE0"},
      {1256, u"\u0627", "\xC7"},
      {1257, u"\u0160", "\xD0"},
      {874, u"\u0e01", "\xA1"},
      {1361, u"\uac00", "\x88\x61"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToMultiByte(c.code_page, c.wide, 16), c.bytes) << c.code_page;
    EXPECT_EQ(ToWide(c.code_page, c.bytes, 32), c.wide) << c.code_page;
  }
}

TEST_F(EngineTextTest, UnmappableCharactersBecomeTheDefaultCharacter) {
  EXPECT_EQ(ToMultiByte(1252, u"a\u4e00b", 16), "a?b");
  EXPECT_EQ(ToMultiByte(1252, u"a\U0001F600b", 16), "a?b");   // one '?' for a surrogate pair
  EXPECT_EQ(ToMultiByte(1252, std::u16string(1, char16_t(0xDC00)), 16), "?");
  EXPECT_EQ(ToWide(932, "\x82", 16), u"?");                   // a lead byte without its trail
  EXPECT_EQ(ToWide(1252, "a\x81z", 16), u"a?z");              // a byte the code page leaves free
}

TEST_F(EngineTextTest, OutputIsCutAtTheBufferWithoutSplittingACharacter) {
  EXPECT_EQ(ToMultiByte(1252, u"abcdef", 4), "abcd");
  EXPECT_EQ(ToMultiByte(932, u"a\u3042", 2), "a");           // the double-byte character does not fit
  EXPECT_EQ(ToWide(1252, "abcdef", 5), u"ab");                // an odd byte is never half-filled
  EXPECT_EQ(ToWide(1252, "abc", 0), u"");
}

TEST_F(EngineTextTest, CodePageZeroAndTheCountedCallsUseTheAnsiCodePage) {
  EXPECT_EQ(ToMultiByte(0, u"\u20ac", 4), "\x80");
  ASSERT_TRUE(SetAnsiCodePage(932));
  EXPECT_EQ(ToMultiByte(0, u"\u3042", 4), "\x82\xA0");
  std::u16string wide(8, u'\0');
  ULONG written = 99;
  char text[] = "\x82\xA0x";
  EngMultiByteToUnicodeN(wide.data(), 16, &written, text, 3);
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(wide.substr(0, 2), u"\u3042x");
  char out[3] = {};
  EngUnicodeToMultiByteN(out, 2, &written, wide.data(), 4);
  EXPECT_EQ(written, 2u);  // the second character does not fit
  EXPECT_EQ(std::string(out, 2), "\x82\xA0");
  EXPECT_FALSE(SetAnsiCodePage(12345));
}

TEST_F(EngineTextTest, UnknownCodePagesAndBadArgumentsAnswerMinusOne) {
  std::u16string wide = u"a";
  char out[4];
  EXPECT_EQ(EngWideCharToMultiByte(437, wide.data(), 2, out, 4), -1);
  EXPECT_EQ(EngWideCharToMultiByte(1252, wide.data(), -2, out, 4), -1);
  EXPECT_EQ(EngMultiByteToWideChar(1252, nullptr, 4, out, 1), -1);
}

// FLOATOBJ ------------------------------------------------------------------------------------

FLOATOBJ Make(double value) {
  FLOATOBJ f;
  std::memcpy(&f, &value, sizeof value);
  return f;
}

FLOATL Pattern(float value) { return std::bit_cast<FLOATL>(value); }

TEST(FloatObjTest, GetLongTruncatesTowardZeroAndSaturates) {
  const struct {
    double value;
    LONG expected;
  } cases[] = {
      {2.75, 2},
      {-2.75, -2},
      {0.999, 0},
      {1e10, 2147483647},
      {-1e10, -2147483647 - 1},
      {2147483647.5, 2147483647},
      {std::numeric_limits<double>::infinity(), 2147483647},
      {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const auto& c : cases) {
    FLOATOBJ f = Make(c.value);
    EXPECT_EQ(FLOATOBJ_GetLong(&f), c.expected) << c.value;
  }
}

TEST(FloatObjTest, SetAndGetFloatUseSinglePrecisionPatterns) {
  FLOATOBJ f;
  FLOATOBJ_SetFloat(&f, 0x3F000000);
  EXPECT_EQ(FLOATOBJ_GetFloat(&f), 0x3F000000);
  FLOATOBJ_SetLong(&f, 3);
  EXPECT_EQ(FLOATOBJ_GetLong(&f), 3);
  f = Make(0.1);
  EXPECT_EQ(FLOATOBJ_GetFloat(&f), Pattern(0.1f));  // rounded to the nearest single
  FLOATOBJ_SetFloat(&f, Pattern(-1.5f));
  EXPECT_EQ(FLOATOBJ_GetLong(&f), -1);
}

TEST(FloatObjTest, ArithmeticWorksOnTheFirstOperand) {
  FLOATOBJ a = Make(6.0);
  FLOATOBJ b = Make(4.0);
  FLOATOBJ_Add(&a, &b);
  EXPECT_EQ(FLOATOBJ_GetLong(&a), 10);
  FLOATOBJ_Sub(&a, &b);
  FLOATOBJ_Mul(&a, &b);
  EXPECT_EQ(FLOATOBJ_GetLong(&a), 24);
  FLOATOBJ_Div(&a, &b);
  FLOATOBJ_Neg(&a);
  EXPECT_EQ(FLOATOBJ_GetFloat(&a), Pattern(-6.0f));
  EXPECT_EQ(FLOATOBJ_GetLong(&b), 4);  // the second operand is left alone
  FLOATOBJ zero = Make(0.0);
  FLOATOBJ_Div(&b, &zero);
  EXPECT_EQ(FLOATOBJ_GetLong(&b), 2147483647);
}

}  // namespace
}  // namespace vel::platform::engine
