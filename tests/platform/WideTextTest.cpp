// UTF-16 / UTF-8 conversion and case-insensitive names.
#include "platform/WideText.h"

#include <gtest/gtest.h>

namespace vel::platform {
namespace {

TEST(WideTextTest, ConvertsBothWays) {
  const std::u16string wide = u"A\u00e9\u20ac\U0001F600";
  const std::string narrow = "A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80";
  EXPECT_EQ(ToUtf8(wide), narrow);
  EXPECT_EQ(ToUtf16(narrow), wide);
}

TEST(WideTextTest, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd");
  EXPECT_EQ(ToUtf16("\xc0\xaf"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(ToUtf16("a\xe2\x82"), u"a\uFFFD\uFFFD");  // cut short
  EXPECT_EQ(ToUtf16("\xed\xa0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
}

TEST(WideTextTest, ComparesNamesIgnoringAsciiCase) {
  EXPECT_TRUE(EqualsIgnoringCase(u"Letter", u"LETTER"));
  EXPECT_FALSE(EqualsIgnoringCase(u"Letter", u"Letters"));
  EXPECT_FALSE(EqualsIgnoringCase(u"\u00e9", u"\u00c9"));
  EXPECT_EQ(FoldCase(u"a4 Small"), u"A4 SMALL");
  EXPECT_EQ(WideLength(u"abc"), 3u);
  EXPECT_EQ(WideLength(nullptr), 0u);
}

}  // namespace
}  // namespace vel::platform
