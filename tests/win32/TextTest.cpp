// Text services of the Win32 stand-in: formatted print, code page 1252, MulDiv, string helpers.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>

#include "platform/win32/text.h"

namespace {

TEST(Win32TextTest, FormattedPrintConversions) {
  WCHAR buffer[64];
  EXPECT_EQ(wsprintfW(buffer, u"%s:%lu", u"Settings", DWORD{12}), 11);
  EXPECT_EQ(std::u16string(buffer), u"Settings:12");
  wsprintfW(buffer, u"%u|%d|%02lu|%04X|%x", 4000000000u, -17, DWORD{7}, 0x3Bu, 0xABCu);
  EXPECT_EQ(std::u16string(buffer), u"4000000000|-17|07|003B|abc");
  wsprintfW(buffer, u"[%5d][%-5d][%05d][%hs][%c][%%]", 42, 42, -42, "narrow", u'W');
  EXPECT_EQ(std::u16string(buffer), u"[   42][42   ][-0042][narrow][W][%]");
  wsprintfW(buffer, u"%d %d", INT_MIN, INT_MAX);
  EXPECT_EQ(std::u16string(buffer), u"-2147483648 2147483647");
}

TEST(Win32TextTest, BoundedPrintCutsAtTheBuffer) {
  WCHAR buffer[6];
  EXPECT_EQ(wnsprintfW(buffer, 6, u"%s", u"abcdefgh"), 5);
  EXPECT_EQ(std::u16string(buffer), u"abcde");
  EXPECT_EQ(wnsprintfW(buffer, 0, u"x"), -1);
  // The unbounded form stops at the platform's 1024 characters.
  std::u16string long_text(2000, u'x');
  std::u16string big(2048, u'?');
  EXPECT_EQ(wsprintfW(big.data(), u"%s", long_text.c_str()), 1023);
  EXPECT_EQ(big[1023], 0);
}

TEST(Win32TextTest, MulDivRoundsHalfAwayFromZeroAndReportsOverflow) {
  struct Case {
    int number, numerator, denominator, expected;
  } cases[] = {
      {2550, 254, 300, 2159},  // 2159.0
      {5, 1, 2, 3},            // 2.5 -> 3
      {-5, 1, 2, -3},          // -2.5 -> -3
      {5, -1, 2, -3},
      {-5, -1, -2, -3},
      {7, 1, 3, 2},                          // 2.33
      {INT_MAX, INT_MAX, INT_MAX, INT_MAX},  // the product needs 64 bits
      {INT_MAX, 2, 1, -1},                   // overflow
      {INT_MIN, 1, 1, INT_MIN},
      {INT_MIN, -1, 1, -1},  // 2^31 does not fit
      {1, 1, 0, -1},         // divisor 0
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.expected)
        << c.number << " * " << c.numerator << " / " << c.denominator;
  }
}

TEST(Win32TextTest, CodePage1252BothWays) {
  const char narrow[] = "A\x80\x9F\xE9\x81";
  WCHAR wide[8];
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, narrow, -1, wide, 8), 6);
  EXPECT_EQ(std::u16string(wide), u"A\u20AC\u0178\u00E9\u0081");
  EXPECT_EQ(MultiByteToWideChar(1252, 0, narrow, 5, nullptr, 0), 5);  // size probe

  char back[8];
  BOOL used = TRUE;
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, 8, nullptr, &used), 6);
  EXPECT_STREQ(back, narrow);
  EXPECT_EQ(used, FALSE);
  // A character that 1252 cannot hold becomes the default character.
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, u"a\u4E00b", 3, back, 8, nullptr, &used), 3);
  EXPECT_EQ(std::string(back, 3), "a?b");
  EXPECT_EQ(used, TRUE);
}

TEST(Win32TextTest, ConversionErrors) {
  WCHAR wide[2];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 2), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(MultiByteToWideChar(932, 0, "abc", -1, wide, 2), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  char narrow[2];
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", -1, narrow, 2, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(Win32TextTest, StringHelpers) {
  WCHAR buffer[4];
  EXPECT_EQ(lstrcpynW(buffer, u"printer", 4), buffer);
  EXPECT_EQ(std::u16string(buffer), u"pri");
  EXPECT_EQ(lstrlenW(buffer), 3);
  EXPECT_EQ(lstrlenW(nullptr), 0);
  EXPECT_EQ(lstrcmpiW(u"Letter", u"LETTER"), 0);
  EXPECT_EQ(lstrcmpiW(u"\u00E9t\u00E9", u"\u00C9T\u00C9"), 0);
  EXPECT_LT(lstrcmpiW(u"A4", u"b"), 0);
  EXPECT_GT(lstrcmpiW(u"Legal", u"Leg"), 0);
  EXPECT_EQ(lstrcmpiA("WinNT", "WINNT"), 0);
  EXPECT_NE(lstrcmpiA("WinNT", "LanmanNT"), 0);
}

TEST(Win32TextTest, LastErrorIsPerThread) {
  SetLastError(1234);
  DWORD seen = 99;
  std::thread other([&] {
    seen = GetLastError();
    SetLastError(5);
  });
  other.join();
  EXPECT_EQ(seen, 0u);
  EXPECT_EQ(GetLastError(), 1234u);
}

}  // namespace
