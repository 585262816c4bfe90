// Narrow and wide text conversions: ASCII keeps its bytes, other text goes through the locale's
// multibyte conversion, empty stays empty.
#include <gtest/gtest.h>

#include "framework/core/StringWidth.h"
#include "tests/support/ScopedLocale.h"

namespace vel::test {
namespace {

struct WidthCase {
  const char* name;
  std::u16string wide;
  std::string narrow;
};

TEST(StringWidthTest, NarrowAndWiden) {
  ScopedLocale utf8({"C.UTF-8", "C.utf8", "en_US.UTF-8"});
  if (!utf8.Active()) {
    GTEST_SKIP() << "no UTF-8 locale";
  }
  const WidthCase cases[] = {
      {"ascii", u"Job 42\t~", "Job 42\t~"},
      {"empty", u"", ""},
      {"at 0x80 and above", u"\u0080\u00e9\u20ac", "\xc2\x80\xc3\xa9\xe2\x82\xac"},
  };
  for (const WidthCase& c : cases) {
    SCOPED_TRACE(c.name);
    RWCString narrow("old");
    EXPECT_EQ(NarrowString(RWWString(c.wide.c_str()), narrow), 1);
    EXPECT_EQ(std::string(narrow.Data(), narrow.Length()), c.narrow);
    RWWString wide(u"old");
    EXPECT_EQ(WidenString(RWCString(c.narrow.c_str()), wide), 1);
    EXPECT_EQ(std::u16string(wide.Data(), wide.Length()), c.wide);
  }
}

TEST(StringWidthTest, AsciiNeedsNoLocale) {
  // In the "C" locale only ASCII converts; other characters give the empty text.
  RWCString narrow;
  EXPECT_EQ(NarrowString(RWWString(u"plain"), narrow), 1);
  EXPECT_EQ(narrow, RWCString("plain"));
  EXPECT_EQ(NarrowString(RWWString(u"\u00e9"), narrow), 1);
  EXPECT_EQ(narrow.Length(), 0u);
}

}  // namespace
}  // namespace vel::test
