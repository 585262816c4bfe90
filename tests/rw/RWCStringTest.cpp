// Narrow strings: sizing, copy-on-write sharing, editing, search, comparison, hashing, slices and
// error paths.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "rw/RWCString.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/RwRecordingErrorHook.h"
#include "tests/support/ScopedLocale.h"

namespace {

using ::testing::ElementsAre;
using vel::test::FailingAllocation;
using vel::test::RecordingErrorHook;

std::string Text(const RWCString& s) {
  return std::string(s.Data(), s.Length());
}

const char* EmptyData() {
  static const RWCString empty;
  return empty.Data();
}

TEST(RWCStringTest, SizingRuleRoundsToWholeIncrements) {
  const struct {
    std::size_t n;
    std::size_t capacity;
  } cases[] = {{0, 15},  {1, 15},  {15, 15}, {16, 31},  {31, 31},
               {32, 47}, {47, 47}, {48, 63}, {100, 111}};
  for (const auto& c : cases) {
    EXPECT_EQ(RWCString::AdjustCapacity(c.n), c.capacity) << c.n;
  }

  // The settings are process-wide; each setter answers the old value.
  EXPECT_EQ(RWCString::SetInitialCapacity(7), 15u);
  EXPECT_EQ(RWCString::SetResizeIncrement(10), 16u);
  EXPECT_EQ(RWCString::AdjustCapacity(3), 7u);
  EXPECT_EQ(RWCString::AdjustCapacity(8), 17u);
  EXPECT_EQ(RWCString(static_cast<char>('x')).Capacity(), 7u);
  EXPECT_EQ(RWCString::SetResizeIncrement(0), 10u);  // taken as 1: never a division by zero
  EXPECT_EQ(RWCString::AdjustCapacity(9), 9u);
  RWCString::SetInitialCapacity(15);
  RWCString::SetResizeIncrement(16);
  EXPECT_EQ(RWCString::SetFreeBoard(15), 15u);
}

TEST(RWCStringTest, ConstructionSetsCapacityAndLength) {
  const RWCString bytes("a\0b", 3);
  const RWCString sliced_from("0123456789abcdefghij");
  RWCString source = sliced_from;
  const struct {
    const char* name;
    RWCString value;
    std::string text;
    std::size_t capacity;
  } cases[] = {
      {"text", RWCString("abc"), "abc", 3},
      {"bytes with a NUL", bytes, std::string("a\0b", 3), 3},
      {"one character", RWCString('x'), "x", 15},
      {"repeated character", RWCString('x', 4), "xxxx", 4},
      {"with capacity", RWCString(RWCapacity{40}), "", 40},
      {"slice", RWCString(source(2, 17)), "23456789abcdefghi", 31},
      {"null slice", RWCString(source.SubString("none")), "", 0},
      {"null text", RWCString(static_cast<const char*>(nullptr)), "", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Text(c.value), c.text) << c.name;
    EXPECT_EQ(c.value.Capacity(), c.capacity) << c.name;
    EXPECT_EQ(c.value.Data()[c.value.Length()], '\0') << c.name;
  }
}

TEST(RWCStringTest, EmptyStringsShareOneBlockWithoutAllocating) {
  FailingAllocation no_heap(0, -1);
  RWCString a;
  RWCString b("");
  RWCString c(RWCapacity{0});
  RWCString d = a;
  RWCString e = b.Copy();
  EXPECT_EQ(a.Data(), b.Data());
  EXPECT_EQ(a.Data(), c.Data());
  EXPECT_EQ(a.Data(), d.Data());
  EXPECT_EQ(a.Data(), e.Data());
  EXPECT_EQ(no_heap.Refused(), 0);
}

TEST(RWCStringTest, CopiesShareUntilTheFirstWrite) {
  RWCString original(RWCapacity{31});
  original = "hello";
  const char* block = original.Data();
  {
    RWCString copy = original;
    RWCString copy_of_copy = copy;
    EXPECT_EQ(copy.Data(), block);
    EXPECT_EQ(copy_of_copy.Data(), block);

    copy[0] = 'J';  // unshares only the written copy
    EXPECT_EQ(Text(copy), "Jello");
    EXPECT_NE(copy.Data(), block);
    EXPECT_EQ(Text(original), "hello");
    EXPECT_EQ(copy_of_copy.Data(), block);

    copy_of_copy.Append(" world");  // shared: a new block, the original keeps its text
    EXPECT_EQ(Text(copy_of_copy), "hello world");
    EXPECT_EQ(Text(original), "hello");
    EXPECT_EQ(original.Data(), block);
  }
  // The copies are gone: the count is back to one holder, so the string changes in place.
  original.Append(" again");
  EXPECT_EQ(original.Data(), block);
  EXPECT_EQ(Text(original), "hello again");

  RWCString moved = std::move(original);
  EXPECT_EQ(moved.Data(), block);
  EXPECT_EQ(original.Data(), EmptyData());  // NOLINT(bugprone-use-after-move)
}

TEST(RWCStringTest, AssigningEmptyTextKeepsAnUnsharedBlockAndDropsASharedOne) {
  RWCString unshared("abc");
  const char* block = unshared.Data();
  unshared = "";
  EXPECT_EQ(unshared.Data(), block);
  EXPECT_EQ(unshared.Length(), 0u);
  EXPECT_EQ(unshared.Data()[0], '\0');

  RWCString shared("xyz");
  RWCString other = shared;
  shared = "";
  EXPECT_EQ(shared.Data(), EmptyData());
  EXPECT_EQ(Text(other), "xyz");

  RWCString self("self");
  const RWCString& alias = self;
  self = alias;            // self-assignment
  self = self.Data() + 1;  // a text inside the string itself
  EXPECT_EQ(Text(self), "elf");
}

TEST(RWCStringTest, ReplaceEditsInPlaceOnlyWithinTheFreeBoard) {
  RWCString s('x', 100);
  s.Capacity(111);
  const char* block = s.Data();

  s.Remove(99);  // 111 - 99 = 12 unused: in place
  EXPECT_EQ(s.Data(), block);
  EXPECT_EQ(s.Capacity(), 111u);
  EXPECT_EQ(s.Length(), 99u);

  s.Remove(10);  // 111 - 10 = 101 unused: a new block by the sizing rule
  EXPECT_NE(s.Data(), block);
  EXPECT_EQ(s.Capacity(), 15u);
  EXPECT_EQ(Text(s), std::string(10, 'x'));

  RWCString grow(RWCapacity{31});
  grow = "abc";
  block = grow.Data();
  grow.Append("def");  // fits: in place
  EXPECT_EQ(grow.Data(), block);
  grow.Append(std::string(30, 'z').c_str());  // 36 characters: capacity 47
  EXPECT_NE(grow.Data(), block);
  EXPECT_EQ(grow.Capacity(), 47u);
  EXPECT_EQ(Text(grow), "abcdef" + std::string(30, 'z'));
}

TEST(RWCStringTest, ReplaceCases) {
  const struct {
    const char* start;
    std::size_t pos;
    std::size_t removed;
    const char* text;
    const char* result;
  } cases[] = {
      {"abcdef", 0, 0, "XY", "XYabcdef"},  // prepend
      {"abcdef", 6, 0, "XY", "abcdefXY"},  // append
      {"abcdef", 2, 2, "XYZ", "abXYZef"},  // grow in the middle
      {"abcdef", 1, 4, "X", "aXf"},        // shrink in the middle
      {"abcdef", 3, 100, "", "abc"},       // removed clamped to the rest
      {"abcdef", 3, 100, nullptr, "abc"},  // a null text inserts nothing
      {"", 0, 0, "new", "new"},           {"abcdef", 0, RW_NPOS, "all", "all"},
  };
  for (const auto& c : cases) {
    RWCString s(c.start);
    s.Replace(c.pos, c.removed, c.text);
    EXPECT_EQ(Text(s), c.result) << c.start << " " << c.pos << " " << c.removed;
    EXPECT_EQ(s.Data()[s.Length()], '\0');
  }

  // A source inside the string itself is read before the old block goes.
  RWCString self("abcdef");
  self.Replace(0, 2, self.Data() + 2, 4);
  EXPECT_EQ(Text(self), "cdefcdef");
  RWCString again("0123456789");
  again.Capacity(40);
  again.Insert(5, again);
  EXPECT_EQ(Text(again), "01234012345678956789");
}

TEST(RWCStringTest, PositionsBeyondTheLengthRaiseAndChangeNothing) {
  RecordingErrorHook hook;
  RWCString s("hello");
  const char* block = s.Data();

  s.Replace(7, 1, "x");
  s.Insert(6, "x");
  s.Remove(9);
  EXPECT_EQ(Text(s), "hello");
  EXPECT_EQ(s.Data(), block);
  ASSERT_EQ(hook.Count(), 3u);
  EXPECT_EQ(hook.Texts()[0], "[SUBSTRING] Illegal substring (7, 1) from 5 element RWCString");
  EXPECT_EQ(hook.Texts()[2],
            "[SUBSTRING] Illegal substring (9, 4294967295) from 5 element RWCString");

  hook.Clear();
  RWCStringSlice bad = s(3, 3);
  EXPECT_TRUE(bad.IsNull());
  bad = "ignored";
  EXPECT_EQ(Text(s), "hello");
  EXPECT_TRUE(s(RW_NPOS, 0).IsNull());
  EXPECT_FALSE(s(5, 0).IsNull());  // an empty run at the end is fine
  EXPECT_THAT(hook.Tags(), ElementsAre("[SUBSTRING]", "[SUBSTRING]"));
}

TEST(RWCStringTest, ElementAccessChecksTheIndex) {
  RecordingErrorHook hook;
  RWCString s("abc");
  const RWCString& read_only = s;
  EXPECT_EQ(read_only[2], 'c');
  EXPECT_EQ(read_only[5], '\0');
  s[RW_NPOS] = 'z';  // the write lands in a scratch character
  EXPECT_EQ(Text(s), "abc");
  EXPECT_THAT(hook.Texts(),
              ElementsAre("[INDEXERR] Illegal Index (5) for collection or string with 3 elements",
                          "[NPOSINDEX] The value RW_NPOS cannot be used as an index."));
}

TEST(RWCStringTest, FillEditsAndCapacityControl) {
  RWCString s("abc");
  s.Append('x', 2);  // full: re-made with capacity exactly the new length
  EXPECT_EQ(Text(s), "abcxx");
  EXPECT_EQ(s.Capacity(), 5u);

  s.Capacity(20);
  const char* block = s.Data();
  s.Prepend('-', 2);  // room and unshared: in place
  EXPECT_EQ(Text(s), "--abcxx");
  EXPECT_EQ(s.Data(), block);
  RWCString copy = s;
  s.Prepend('>');  // shared: a new block by the sizing rule
  EXPECT_EQ(Text(s), ">--abcxx");
  EXPECT_EQ(s.Capacity(), 15u);
  EXPECT_EQ(Text(copy), "--abcxx");

  s.Resize(10);
  EXPECT_EQ(Text(s), ">--abcxx  ");
  s.Resize(3);
  EXPECT_EQ(Text(s), ">--");

  EXPECT_EQ(s.Capacity(2), 15u);  // not above the length: unchanged
  EXPECT_EQ(s.Capacity(64), 64u);
  EXPECT_EQ(Text(s), ">--");

  block = s.Data();
  s.Clobber(10);  // unshared and big enough: emptied in place
  EXPECT_EQ(s.Data(), block);
  EXPECT_EQ(s.Length(), 0u);
  s.Clobber(100);
  EXPECT_EQ(s.Capacity(), 100u);
}

TEST(RWCStringTest, Searches) {
  const RWCString s("Hello, World\0!o", 15);
  const struct {
    const char* name;
    std::size_t found;
    std::size_t expected;
  } cases[] = {
      {"First", s.First('o'), 4},
      {"First missing", s.First('z'), RW_NPOS},
      {"First past a NUL", s.First('!'), 13},
      {"First to the NUL", s.First('!', RWStopAt::kFirstNul), RW_NPOS},
      {"First of NUL to the NUL", s.First('\0', RWStopAt::kFirstNul), 12},
      {"Last", s.Last('o'), 14},
      {"Last to the NUL", s.Last('o', RWStopAt::kFirstNul), 8},
      {"FirstOf counted", s.FirstOf(",!", 2), 5},
      {"FirstOf counted with NUL", s.FirstOf("\0!", 2), 12},
      {"FirstOf text", s.FirstOf("Wd"), 7},
      {"FirstOf missing", s.FirstOf("xyz"), RW_NPOS},
      {"Index", s.Index("World"), 7},
      {"Index from start", s.Index("o", 5), 8},
      {"Index ignoring case", s.Index("WORLD", 0, RWCaseCompare::kIgnoreCase), 7},
      {"Index exact misses case", s.Index("WORLD"), RW_NPOS},
      {"Index across a NUL", s.Index(RWCString("d\0!", 3)), 11},
      {"empty pattern", s.Index("", 3), 3},
      {"pattern longer than the rest", s.Index("World!", 10), RW_NPOS},
      {"start beyond the length", s.Index("", 16), RW_NPOS},
      {"counted pattern", s.Index("Help", 3, 0, RWCaseCompare::kExact), 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.found, c.expected) << c.name;
  }
}

TEST(RWCStringTest, SubStringAndStrip) {
  RWCString s("--abc--");
  const struct {
    RWStripType type;
    char c;
    std::size_t start;
    std::size_t extent;
  } cases[] = {
      {RWStripType::kLeading, '-', 2, 5},
      {RWStripType::kTrailing, '-', 0, 5},
      {RWStripType::kBoth, '-', 2, 3},
      {RWStripType::kBoth, 'x', 0, 7},
  };
  for (const auto& c : cases) {
    RWCStringSlice slice = s.Strip(c.type, c.c);
    EXPECT_EQ(slice.Start(), c.start);
    EXPECT_EQ(slice.Length(), c.extent);
  }
  RWCString dashes("----");
  EXPECT_TRUE(dashes.Strip(RWStripType::kBoth, '-').IsNull());

  RWCStringSlice found = s.SubString("ABC", 0, RWCaseCompare::kIgnoreCase);
  EXPECT_EQ(found.Start(), 2u);
  EXPECT_TRUE(found == "abc");
  EXPECT_TRUE(s.SubString("abc", 3).IsNull());
}

TEST(RWCStringTest, SliceAssignmentReplacesTheRunInItsString) {
  RWCString s("Hello, World");
  RWCString copy = s;
  RWCStringSlice world = s(7, 5);
  world = "there";
  EXPECT_EQ(Text(s), "Hello, there");
  world = RWCString("everyone");
  EXPECT_EQ(Text(s), "Hello, everyone");
  EXPECT_EQ(world.Length(), 8u);
  world = s(0, 5);  // a slice of the same string
  EXPECT_EQ(Text(s), "Hello, Hello");
  EXPECT_EQ(Text(copy), "Hello, World");

  RWCStringSlice none = s.SubString("zzz");
  none = "ignored";
  EXPECT_EQ(Text(s), "Hello, Hello");

  s(0, 5).ToUpper();
  EXPECT_EQ(Text(s), "HELLO, Hello");
  s(0, 1).ToLower();
  EXPECT_EQ(Text(s), "hELLO, Hello");

  RWCStringSlice first = s(0, 5);
  first[1] = 'e';
  first(2) = 'l';
  EXPECT_EQ(Text(s), "helLO, Hello");
}

TEST(RWCStringTest, SliceEqualityAndIndexErrors) {
  RecordingErrorHook hook;
  RWCString s("abcabc");
  RWCString other("xabcx");
  const RWCStringSlice null_slice = s.SubString("zz");
  EXPECT_TRUE(s(0, 3) == s(3, 3));
  EXPECT_TRUE(s(0, 3) == other(1, 3));
  EXPECT_FALSE(s(0, 3) == s(0, 2));
  EXPECT_TRUE(s(0, 3) == RWCString("abc"));
  EXPECT_TRUE(null_slice == s.SubString("yy"));
  EXPECT_TRUE(null_slice == "");
  EXPECT_FALSE(null_slice == "a");
  EXPECT_TRUE(null_slice == s(2, 0));

  RWCStringSlice slice = s(1, 2);
  EXPECT_EQ(slice[1], 'c');
  slice[2] = 'z';
  const RWCStringSlice& read_only = slice;
  EXPECT_EQ(read_only[RW_NPOS], '\0');
  EXPECT_EQ(Text(s), "abcabc");
  EXPECT_THAT(hook.Texts(),
              ElementsAre("[INDEXERR] Illegal Index (2) for collection or string with 2 elements",
                          "[NPOSINDEX] The value RW_NPOS cannot be used as an index."));

  // A slice whose string has since become too short raises instead of reading past the end.
  hook.Clear();
  RWCStringSlice tail = s(4, 2);
  s.Remove(2);
  EXPECT_FALSE(tail == "bc");
  tail = "zz";
  EXPECT_EQ(Text(s), "ab");
  EXPECT_THAT(hook.Tags(), ElementsAre("[SUBSTRING]", "[SUBSTRING]"));
}

TEST(RWCStringTest, CompareAgainstText) {
  const struct {
    const char* self;
    const char* text;
    RWCaseCompare compare;
    int expected;
  } cases[] = {
      {"abc", "abd", RWCaseCompare::kExact, -1},
      {"abc", "ab", RWCaseCompare::kExact, 1},
      {"abc", "abc", RWCaseCompare::kExact, 0},
      {"ab", "abc", RWCaseCompare::kExact, -1},
      {"", "", RWCaseCompare::kExact, 0},
      {"a", "", RWCaseCompare::kExact, 1},
      {"a", "z", RWCaseCompare::kExact, -1},
      {"ABC", "abc", RWCaseCompare::kExact, -1},
      {"ABC", "abc", RWCaseCompare::kIgnoreCase, 0},
      {"ABC", "abd", RWCaseCompare::kIgnoreCase, -1},
      {"abD", "ABC", RWCaseCompare::kIgnoreCase, 1},
      // Signed bytes: 0x80 and up sort below plain ASCII.
      {"\x80", "a", RWCaseCompare::kExact, -1},
      {"a", "\xff", RWCaseCompare::kExact, 1},
      {"\xe9", "\xe9", RWCaseCompare::kIgnoreCase, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RWCString(c.self).Compare(c.text, c.compare), c.expected)
        << c.self << " / " << c.text;
  }
  EXPECT_EQ(RWCString("a").Compare(static_cast<const char*>(nullptr)), 1);
  EXPECT_EQ(RWCString("a\0b", 3).Compare("a"), 1);  // this string goes on past the text's end
}

TEST(RWCStringTest, CompareAgainstStringAnswersOnlyTheSign) {
  const struct {
    RWCString self;
    RWCString other;
    RWCaseCompare compare;
    int expected;
  } cases[] = {
      {"a", "z", RWCaseCompare::kExact, -1},  // memcmp's own answer is -25
      {"z", "a", RWCaseCompare::kExact, 1},
      {"abc", "abc", RWCaseCompare::kExact, 0},
      {"ab", "abc", RWCaseCompare::kExact, -1},
      {"abc", "ab", RWCaseCompare::kExact, 1},
      {RWCString("a\0b", 3), RWCString("a\0c", 3), RWCaseCompare::kExact, -1},
      // Exact: unsigned bytes, so 0x80 and up sort above ASCII here.
      {"\x80", "a", RWCaseCompare::kExact, 1},
      {"\xff", "\x80", RWCaseCompare::kExact, 1},
      // Ignoring case: tolower, then signed bytes.
      {"\x80", "a", RWCaseCompare::kIgnoreCase, -1},
      {"HELLO", "hello", RWCaseCompare::kIgnoreCase, 0},
      {"HELLO", "help", RWCaseCompare::kIgnoreCase, -1},
      {"", "", RWCaseCompare::kIgnoreCase, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.self.Compare(c.other, c.compare), c.expected)
        << Text(c.self) << " / " << Text(c.other);
  }
  EXPECT_TRUE(RWCString("abc") == RWCString("abc"));
  EXPECT_FALSE(RWCString("abc") == RWCString("abcd"));
  EXPECT_TRUE(RWCString("abc") == "abc");
  EXPECT_FALSE(RWCString("abc\0d", 5) == "abc");  // the text's NUL ends it
  EXPECT_TRUE("abc" == RWCString("abc"));
}

// Expected values computed outside the implementation, by this Python 3 transcription of the two
// rules (regenerate by running it):
//   rotl = lambda h: ((h << 5) | (h >> 27)) & 0xFFFFFFFF
//   def exact(b):
//     h, w = len(b), len(b) // 4 * 4
//     for i in range(0, w, 4): h = rotl(h) ^ int.from_bytes(b[i:i+4], 'little')
//     if w != len(b):
//       c = 0
//       for x in b[w:]: c = ((c << 8) & 0xFFFFFFFF) | (x if x < 128 else (x - 256) & 0xFFFFFFFF)
//       h = rotl(h) ^ c
//     return h
//   def folded(b):  # toupper of the "C" locale: ASCII only
//     h = len(b)
//     for x in b: h = rotl(h) ^ (ord(chr(x).upper()) if x < 128 else x)
//     return h
TEST(RWCStringTest, HashTable) {
  const struct {
    RWCString text;
    std::uint32_t exact;
    std::uint32_t folded;
  } cases[] = {
      {"", 0x0, 0x0},
      {"a", 0x41, 0x61},
      {"ab", 0x6122, 0x62},
      {"abc", 0x616203, 0x8c03},
      {"abcd", 0x646362e1, 0x618024},
      {"abcde", 0x8c6c5849, 0xe3004c5},
      {"Hello, World", 0x31fade34, 0xa04b0fb7},
      {"MiXeD CaSe 123", 0x1ccb3b7c, 0x5f5c6365},
      {"\x80", 0xffffffa0, 0xa0},
      {"ab\xff", 0xffffff9f, 0x8cbf},
      {"\xe9t\xe9", 0xffffff89, 0x22e69},
      {RWCString("\x00\x01\x02\x03\x04\x05", 6), 0x60403c05, 0x80110c84},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.text.Hash(), c.exact) << Text(c.text);
    EXPECT_EQ(RWCString::Hash(c.text), c.exact) << Text(c.text);
    EXPECT_EQ(c.text.Hash(RWCaseCompare::kIgnoreCase), c.folded) << Text(c.text);
  }
  EXPECT_EQ(RWCString("mixed case 123").Hash(RWCaseCompare::kIgnoreCase),
            RWCString("MiXeD CaSe 123").Hash(RWCaseCompare::kIgnoreCase));
}

TEST(RWCStringTest, CaseMappingAndConcatenation) {
  RWCString s("MiXeD 123 \xe9");
  RWCString shared = s;
  EXPECT_EQ(Text(ToLower(s)), "mixed 123 \xe9");
  EXPECT_EQ(Text(ToUpper(s)), "MIXED 123 \xe9");
  s.ToLower();
  EXPECT_EQ(Text(s), "mixed 123 \xe9");
  EXPECT_EQ(Text(shared), "MiXeD 123 \xe9");

  const RWCString both = RWCString("abc") + RWCString("defghijklmnop");
  EXPECT_EQ(Text(both), "abcdefghijklmnop");
  EXPECT_EQ(both.Capacity(), 31u);  // 16 characters by the sizing rule
  EXPECT_EQ(Text("<" + RWCString("x") + ">"), "<x>");
  EXPECT_EQ((RWCString() + "").Data(), EmptyData());
}

TEST(RWCStringTest, CharacterQuestionsAndTransforms) {
  EXPECT_TRUE(RWCString("plain ascii\x7f").IsAscii());
  EXPECT_FALSE(RWCString("caf\xe9").IsAscii());

  EXPECT_EQ(RWCString("abc").MbLength(), 3u);
  EXPECT_EQ(RWCString("ab\0cd", 5).MbLength(), 2u);  // stops at the first NUL
  const RWCString x = RWCString("abc").StrXForm();
  EXPECT_EQ(x.Length(), 4u);  // the transformed length plus 1
  EXPECT_EQ(x[3], '\0');
  EXPECT_LT(RWCString("abc").StrXForm().Compare(RWCString("abd").StrXForm()), 0);
  EXPECT_EQ(RWCString("b").Collate("a") > 0, true);

  vel::test::ScopedLocale utf8({"C.UTF-8", "C.utf8", "en_US.UTF-8"});
  if (!utf8.Active()) {
    GTEST_SKIP() << "no UTF-8 locale";
  }
  EXPECT_EQ(RWCString("caf\xc3\xa9").MbLength(), 4u);
  EXPECT_EQ(RWCString("caf\xc3").MbLength(), RW_NPOS);   // cut off at the length
  EXPECT_EQ(RWCString("\xff\xfe").MbLength(), RW_NPOS);  // not UTF-8
}

TEST(RWCStringTest, RefusedMemoryIsReportedAndChangesNothing) {
  RecordingErrorHook hook;
  RWCString s("abc");
  const char* block = s.Data();
  {
    FailingAllocation refuse(0, -1);
    s.Append("defghijklmnopqrstuvwxyz");
    s.Prepend('x', 20);
    s.Append('y', 20);
    RWCString shared = s;
    shared[0] = 'z';  // the private copy is refused: the write lands in scratch
    EXPECT_EQ(Text(shared), "abc");
    EXPECT_TRUE(RWCString("new").IsNull());
    EXPECT_TRUE((s + s).IsNull());
  }
  EXPECT_EQ(Text(s), "abc");
  EXPECT_EQ(s.Data(), block);
  EXPECT_EQ(hook.Count(), 6u);
  for (const std::string& tag : hook.Tags()) {
    EXPECT_EQ(tag, "[NOMEM]");
  }

  // Lengths beyond 32 bits are refused before any allocation.
  hook.Clear();
  s.Append('z', RWCString::kMaxStoredLength * 1024);
  EXPECT_EQ(Text(s), "abc");
  EXPECT_THAT(hook.Tags(), ElementsAre("[NOMEM]"));
}

TEST(RWCStringThreads, CopiesAndReleasesOnManyThreads) {
  RWCString original(RWCapacity{64});
  original = "shared between threads";
  const char* block = original.Data();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&original, t] {
      for (int i = 0; i < 2000; ++i) {
        RWCString copy = original;
        RWCString second = copy;
        if (i % 7 == t) {
          second[0] = 'S';  // unshares this copy only
        }
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(Text(original), "shared between threads");
  original.Append("!");  // the only holder again: in place
  EXPECT_EQ(original.Data(), block);
}

}  // namespace
