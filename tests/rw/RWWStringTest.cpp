// Wide strings: what differs from the narrow string (conversions, comparison, hashing, slice
// errors, sizing settings of their own) and reading and writing on byte streams.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "rw/RWWString.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/RwRecordingErrorHook.h"
#include "tests/support/ScopedLocale.h"

namespace {

using ::testing::ElementsAre;
using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::HexBytes;
using vel::test::RecordingErrorHook;

std::u16string Text(const RWWString& s) {
  return std::u16string(s.Data(), s.Length());
}

std::string Narrow(const RWCString& s) {
  return std::string(s.Data(), s.Length());
}

// Wide text as the bytes of a byte stream: two per character, least significant first.
std::string Utf16Le(std::u16string_view text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

vel::test::ScopedLocale Utf8Locale() {
  return vel::test::ScopedLocale({"C.UTF-8", "C.utf8", "en_US.UTF-8"});
}

TEST(RWWStringTest, ConstructionAndSizing) {
  EXPECT_EQ(RWWString(u'x').Capacity(), 15u);
  EXPECT_EQ(RWWString('x').Capacity(), 15u);
  EXPECT_EQ(Text(RWWString(u'-', 3)), u"---");
  EXPECT_EQ(RWWString(u"abc").Capacity(), 3u);
  EXPECT_EQ(Text(RWWString(u"a\0b", 3)), std::u16string(u"a\0b", 3));
  EXPECT_TRUE(RWWString(static_cast<const char16_t*>(nullptr)).IsNull());
  EXPECT_EQ(RWWString(RWCapacity{20}).Capacity(), 20u);
  EXPECT_EQ(RWWString().Data(), RWWString(u"").Data());

  // A trio of settings of its own.
  EXPECT_EQ(RWWString::SetInitialCapacity(5), 15u);
  EXPECT_EQ(RWWString::AdjustCapacity(6), 21u);
  EXPECT_EQ(RWCString::AdjustCapacity(6), 15u);
  EXPECT_EQ(RWWString::SetInitialCapacity(15), 5u);
  EXPECT_EQ(RWWString::SetResizeIncrement(16), 16u);
  EXPECT_EQ(RWWString::SetFreeBoard(15), 15u);

  RWWString source(u"0123456789abcdefgh");
  EXPECT_EQ(RWWString(source(1, 16)).Capacity(), 31u);
}

TEST(RWWStringTest, EightBitTextIsZeroExtended) {
  EXPECT_EQ(Text(RWWString("caf\xe9")), u"caf\u00e9");
  EXPECT_EQ(Text(RWWString("a\0\xff", 3)), std::u16string(u"a\0\u00ff", 3));
  EXPECT_EQ(Text(RWWString('\xe9')), u"\u00e9");
  EXPECT_EQ(Text(Widen(RWCString("\xe9\x80 "))), u"\u00e9\u0080 ");
  EXPECT_EQ(Narrow(RWWString(u"\u20ac\u0141a").ToAscii()), "\xac\x41\x61");
  EXPECT_TRUE(RWWString(u"abc\u007f").IsAscii());
  EXPECT_FALSE(RWWString(u"ab\u0080").IsAscii());
}

TEST(RWWStringTest, MultiByteConversionGoesThroughTheRuntime) {
  // The "C" locale: ASCII converts, anything else fails and gives the empty string.
  EXPECT_EQ(Text(RWWString("plain", RWWString::kMultiByte)), u"plain");
  EXPECT_EQ(Narrow(RWWString(u"plain").ToMultiByte()), "plain");
  EXPECT_TRUE(RWWString(u"caf\u00e9").ToMultiByte().IsNull());
  EXPECT_EQ(Narrow(RWWString(u"ab\0cd", 5).ToMultiByte()), "ab");  // ends at the first 0

  auto utf8 = Utf8Locale();
  if (!utf8.Active()) {
    GTEST_SKIP() << "no UTF-8 locale";
  }
  const std::string long_text = std::string(70, 'x') + "\xc3\xa9";  // beyond the small buffer
  const struct {
    const char* name;
    RWWString converted;
    std::u16string expected;
  } cases[] = {
      {"two-byte character", RWWString("caf\xc3\xa9", RWWString::kMultiByte), u"caf\u00e9"},
      {"three-byte character", RWWString(RWCString("\xe2\x82\xac"), RWWString::kMultiByte),
       u"\u20ac"},
      {"ends at a NUL", RWWString("ab\0cd", 5, RWWString::kMultiByte), u"ab"},
      {"long text", RWWString(long_text.c_str(), RWWString::kMultiByte),
       std::u16string(70, u'x') + u"\u00e9"},
      {"beyond 16 bits", RWWString("\xf0\x9f\x98\x80", RWWString::kMultiByte), u""},
      {"invalid", RWWString("\xff", RWWString::kMultiByte), u""},
      // The counted form reads only its n bytes: a character cut off there fails.
      {"cut off at n", RWWString("caf\xc3\xa9", 4, RWWString::kMultiByte), u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Text(c.converted), c.expected) << c.name;
    EXPECT_EQ(c.converted.Capacity(), c.expected.size()) << c.name;
  }
  EXPECT_EQ(Narrow(RWWString(u"caf\u00e9\u20ac").ToMultiByte()), "caf\xc3\xa9\xe2\x82\xac");
  EXPECT_TRUE(RWWString(u"\xd800").ToMultiByte().IsNull());  // a lone surrogate

  RWWString mixed(u"\u00e9t\u00c9");
  mixed.ToUpper();
  EXPECT_EQ(Text(mixed), u"\u00c9T\u00c9");
  EXPECT_EQ(mixed.Compare(u"\u00e9t\u00e9", RWCaseCompare::kIgnoreCase), 0);
}

TEST(RWWStringTest, EditingAsTheNarrowString) {
  RWWString s(u"abc");
  const char16_t* block = s.Data();
  s = u"";  // unshared: same block, terminated
  EXPECT_EQ(s.Data(), block);
  EXPECT_EQ(s.Length(), 0u);
  EXPECT_EQ(s.Data()[0], 0);

  s = u"Hello";
  RWWString copy = s;
  s.Append(u", World");
  EXPECT_EQ(Text(s), u"Hello, World");
  EXPECT_EQ(Text(copy), u"Hello");
  s.Resize(14);
  EXPECT_EQ(Text(s), u"Hello, World  ");
  s.Remove(5);
  s.Prepend(u'>', 2);
  s.Insert(2, u"[");
  EXPECT_EQ(Text(s), u">>[Hello");
  EXPECT_EQ(Text(RWWString(u"ab") + u"cd" + RWWString(u"ef")), u"abcdef");
  EXPECT_EQ(Text(u"<" + RWWString(u"x")), u"<x");
  EXPECT_EQ(Text(ToUpper(RWWString(u"up"))), u"UP");
  EXPECT_EQ(Text(ToLower(RWWString(u"DOWN"))), u"down");
}

TEST(RWWStringTest, ReplaceClampsOnlyTheNulTerminatedForm) {
  RecordingErrorHook hook;
  RWWString s(u"abc");
  s.Replace(10, 0, u"d");  // NUL-terminated text: pos clamped to the length
  EXPECT_EQ(Text(s), u"abcd");
  s.Replace(10, 0, u"e", 1);
  s.Replace(10, 0, RWWString(u"e"));
  EXPECT_EQ(Text(s), u"abcd");
  EXPECT_THAT(hook.Texts(),
              ElementsAre("[SUBSTRING] Illegal substring (10, 0) from 4 element RWCString",
                          "[SUBSTRING] Illegal substring (10, 0) from 4 element RWCString"));
}

TEST(RWWStringTest, SliceIndexErrorsUseTheIndexMessage) {
  RecordingErrorHook hook;
  RWWString s(u"abcdef");
  RWWStringSlice slice = s(1, 3);
  EXPECT_EQ(slice[2], u'd');
  slice[3] = u'z';
  const RWWStringSlice& read_only = slice;
  EXPECT_EQ(read_only[RW_NPOS], 0);
  EXPECT_EQ(Text(s), u"abcdef");
  EXPECT_THAT(hook.Texts(), ElementsAre("[INDEX] Index (3) out of range [0->3]",
                                        "[INDEX] Index (4294967295) out of range [0->3]"));

  slice = u"XY";
  EXPECT_EQ(Text(s), u"aXYef");
  EXPECT_TRUE(slice == u"XY");
  slice.ToLower();
  EXPECT_EQ(Text(s), u"axyef");
  EXPECT_TRUE(s.Strip(RWStripType::kBoth, u'q') == s(0, 5));
  EXPECT_TRUE(RWWString(u"qq").Strip(RWStripType::kBoth, u'q').IsNull());
  EXPECT_EQ(Text(RWWString(s.SubString(u"XY", 0, RWCaseCompare::kIgnoreCase))), u"xy");
}

TEST(RWWStringTest, Searches) {
  const RWWString s(u"Hello, World\0!o", 15);
  EXPECT_EQ(s.First(u'o'), 4u);
  EXPECT_EQ(s.First(u'!'), 13u);
  EXPECT_EQ(s.First(u'!', RWStopAt::kFirstNul), RW_NPOS);
  EXPECT_EQ(s.First(0, RWStopAt::kFirstNul), 12u);
  EXPECT_EQ(s.Last(u'o'), 14u);
  EXPECT_EQ(s.Last(u'o', RWStopAt::kFirstNul), 8u);
  EXPECT_EQ(s.FirstOf(u"!,", 2), 5u);
  EXPECT_EQ(s.FirstOf(u"!"), RW_NPOS);  // stops at the first 0
  EXPECT_EQ(s.Index(u"world", 0, RWCaseCompare::kIgnoreCase), 7u);
  EXPECT_EQ(s.Index(u"", 3), 3u);
  EXPECT_EQ(s.Index(u"World!", 10), RW_NPOS);
  EXPECT_TRUE(s.Contains(u"lo, W"));
  EXPECT_FALSE(s.Contains(u"WORLD"));
  EXPECT_TRUE(s.Contains(RWWString(u"WORLD"), RWCaseCompare::kIgnoreCase));
}

TEST(RWWStringTest, CompareTables) {
  const struct {
    RWWString self;
    const char16_t* text;
    RWCaseCompare compare;
    int expected;
  } text_cases[] = {
      {u"abc", u"abd", RWCaseCompare::kExact, -1},
      {u"abc", u"ab", RWCaseCompare::kExact, 1},
      {u"abc", u"abc", RWCaseCompare::kExact, 0},
      {u"ab", u"abc", RWCaseCompare::kExact, -1},
      // Unsigned 16-bit: unlike the narrow text comparison, 0x80 and up sort above ASCII.
      {u"\u0080", u"a", RWCaseCompare::kExact, 1},
      {u"\u00ff", u"\u0100", RWCaseCompare::kExact, -1},
      {u"ABC", u"abc", RWCaseCompare::kIgnoreCase, 0},
      {u"ABC", u"abd", RWCaseCompare::kIgnoreCase, -1},
  };
  for (const auto& c : text_cases) {
    EXPECT_EQ(c.self.Compare(c.text, c.compare), c.expected) << int(c.compare);
  }

  const struct {
    RWWString self;
    RWWString other;
    RWCaseCompare compare;
    int expected;
  } string_cases[] = {
      {u"a", u"z", RWCaseCompare::kExact, -1},
      {u"abc", u"abc", RWCaseCompare::kExact, 0},
      {u"abc", u"ab", RWCaseCompare::kExact, 1},
      // Exact: the bytes as they lie in memory, least significant first. 0x0100 is 00 01 and
      // 0x00FF is FF 00, so 0x0100 sorts first.
      {u"\u0100", u"\u00ff", RWCaseCompare::kExact, -1},
      {u"\u0080", u"a", RWCaseCompare::kExact, 1},
      // Ignoring case: towlower values, unsigned.
      {u"\u0100", u"\u00ff", RWCaseCompare::kIgnoreCase, 1},
      {u"HeLLo", u"hello", RWCaseCompare::kIgnoreCase, 0},
      {u"", u"a", RWCaseCompare::kIgnoreCase, -1},
  };
  for (const auto& c : string_cases) {
    EXPECT_EQ(c.self.Compare(c.other, c.compare), c.expected) << int(c.compare);
  }
  EXPECT_TRUE(RWWString(u"x") == u"x");
  EXPECT_FALSE(RWWString(u"x\0y", 3) == u"x");
  EXPECT_TRUE(RWWString(u"x") == RWWString(u"x"));
  EXPECT_GT(RWWString(u"b").Collate(u"a"), 0);
  EXPECT_LT(RWWString(u"abc").StrXForm().Compare(RWWString(u"abd").StrXForm()), 0);
  EXPECT_EQ(RWWString(u"abc").StrXForm().Length(), 4u);
}

// Expected values computed outside the implementation, by this Python 3 transcription of the two
// rules (regenerate by running it):
//   rotl = lambda h: ((h << 5) | (h >> 27)) & 0xFFFFFFFF
//   def exact(s):
//     u = [ord(c) for c in s]; h = len(u)
//     b = b''.join(x.to_bytes(2, 'little') for x in u)
//     for i in range(0, len(b) // 4 * 4, 4): h = rotl(h) ^ int.from_bytes(b[i:i+4], 'little')
//     if len(u) % 2: h = rotl(rotl(h) ^ u[-1]) ^ 0
//     return h
//   def folded(s):  # towupper of the "C" locale: ASCII only
//     h = len(s)
//     for c in s: h = rotl(h) ^ (ord(c.upper() if ord(c) < 128 else c) & 0xFFFF)
//     return h
TEST(RWWStringTest, HashTable) {
  const struct {
    RWWString text;
    std::uint32_t exact;
    std::uint32_t folded;
  } cases[] = {
      {u"", 0x0, 0x0},
      {u"a", 0x820, 0x61},  // odd: the last character, then a 0 unit
      {u"ab", 0x620021, 0x62},
      {u"abc", 0x88000861, 0x8c03},
      {u"abcd", 0xc241c43, 0x618024},
      {u"\u00e9", 0x1920, 0xc9},
      {u"\u00e9\u20ac", 0x20ac00a9, 0x358c},
      {u"\u00e9\u20ac\uffff", 0xb01ddb62, 0x6ce7f},
      {u"Hello", 0x3075bdd3, 0xea3b9cf},
      {u"MiXeD \u20ac", 0xaf90322, 0xd7a3b487},
      {u"\u0080\u00ff\u0100", 0xfc03a003, 0x39ee0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.text.Hash(), c.exact) << c.text.Length();
    EXPECT_EQ(RWWString::Hash(c.text), c.exact);
    EXPECT_EQ(c.text.Hash(RWCaseCompare::kIgnoreCase), c.folded) << c.text.Length();
  }
}

TEST(RWWStringTest, ReadingFromByteStreams) {
  std::istringstream lines(Utf16Le(u"first\n  second\nlast"));
  RWWString s;
  s.ReadLine(lines);
  EXPECT_EQ(Text(s), u"first");
  s.ReadLine(lines, RWWhiteSpace::kSkip);
  EXPECT_EQ(Text(s), u"second");
  EXPECT_TRUE(lines.good());
  s.ReadLine(lines);  // no newline at the end: the line, and a failed stream
  EXPECT_EQ(Text(s), u"last");
  EXPECT_TRUE(lines.fail());
  s.ReadLine(lines);  // not good: empty at once
  EXPECT_TRUE(s.IsNull());

  std::istringstream tokens(Utf16Le(u"  alpha\tbeta gamma"));
  tokens >> s;
  EXPECT_EQ(Text(s), u"alpha");
  tokens.width(2);
  tokens >> s;
  EXPECT_EQ(Text(s), u"be");
  EXPECT_EQ(tokens.width(), 0);
  tokens >> s;
  EXPECT_EQ(Text(s), u"ta");
  tokens >> s;
  EXPECT_EQ(Text(s), u"gamma");

  std::istringstream strings(Utf16Le(std::u16string(u"one\0two", 7)));
  s.ReadString(strings);
  EXPECT_EQ(Text(s), u"one");
  s.ReadToDelim(strings, u'w');
  EXPECT_EQ(Text(s), u"t");

  // Longer than any starting capacity, with an odd byte at the end.
  const std::u16string big(1000, u'\u20ac');
  std::istringstream whole(Utf16Le(big) + "x");
  s.ReadFile(whole);
  EXPECT_EQ(Text(s), big);
  EXPECT_TRUE(whole.fail());
}

TEST(RWWStringTest, WritingToByteStreams) {
  const struct {
    int width;
    bool left;
    char fill;
    std::u16string expected;
  } cases[] = {
      {0, false, ' ', u"ab"},
      {5, false, '*', u"***ab"},
      {5, true, '*', u"ab***"},
      {1, false, ' ', u"ab"},
      {3, false, '\xff',
       u"\xffff"
       u"ab"},  // the fill byte sign-extended
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    out.width(c.width);
    out.fill(c.fill);
    if (c.left) {
      out << std::left;
    }
    out << RWWString(u"ab");
    EXPECT_EQ(out.str(), Utf16Le(c.expected)) << c.width;
    EXPECT_EQ(out.width(), 0);
  }
  std::ostringstream bytes;
  bytes << RWWString(u"\u20ac");
  EXPECT_TRUE(BytesEqual(HexBytes("AC 20"), vel::test::AsBytes(bytes.str())));
}

TEST(RWWStringThreads, CopiesAndReleasesOnManyThreads) {
  RWWString original(RWCapacity{64});
  original = u"shared between threads";
  const char16_t* block = original.Data();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&original, t] {
      for (int i = 0; i < 2000; ++i) {
        RWWString copy = original;
        if (i % 5 == t) {
          copy.Append(u'!');
        }
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  original.Append(u'.');
  EXPECT_EQ(original.Data(), block);
  EXPECT_EQ(Text(original), u"shared between threads.");
}

}  // namespace
