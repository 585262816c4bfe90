// The byte-order tagged stream format: the header, both byte orders, and the reader's width
// conversions and header checks.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "rw/RWByteOrderStream.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/RwRecordingErrorHook.h"
#include "tests/support/StreamBuffers.h"

namespace {

using vel::test::AsBytes;
using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::HexBytes;
using vel::test::RecordingErrorHook;

std::string AsString(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// A big-endian writer, one of each operation. To regenerate after a deliberate format change,
// print vel::test::HexDump of the written bytes.
const char kGoldenBig[] = R"(
    65 73 01 01 02 04 04 02 04  # header: 'e' 's', version 1, big-endian, widths 2 4 4 2 4
    FF FB                       # Put(short) -5
    01 02 03 04                 # Put(long) 0x01020304
    FF FF FF FE                 # Put(int) -2
    3F C0 00 00                 # Put(float) 1.5
    C0 04 00 00 00 00 00 00     # Put(double) -2.5
    00 00 00 02 61 62           # PutString "ab"
    3A                          # Put(char) ':'
    41 42                       # Put(char[2]) "AB", never converted
    00 01 FF FF                 # Put(unsigned short[2]) 1, 0xFFFF
)";

TEST(RWByteOrderStreamTest, GoldenBytesBigEndian) {
  std::ostringstream text;
  RWByteOrderOutStream out(text, 1);
  const unsigned short ushorts[] = {1, 0xFFFF};
  out.Put(static_cast<short>(-5)).Put(0x01020304L).Put(-2).Put(1.5f).Put(-2.5).PutString("ab");
  out.Put(':').Put("AB", 2).Put(ushorts, 2);
  EXPECT_TRUE(out.Good());
  EXPECT_EQ(out.StreamOrder(), 1);
  EXPECT_TRUE(BytesEqual(HexBytes(kGoldenBig), AsBytes(text.str())));

  std::istringstream golden(AsString(HexBytes(kGoldenBig)));
  RWByteOrderInStream in(golden);
  EXPECT_EQ(in.StreamOrder(), 1);
  short s = 0;
  long l = 0;
  int i = 0;
  float f = 0;
  double d = 0;
  char ab[3];
  char c = 0;
  char chars[2];
  unsigned short back[2];
  in.Get(s).Get(l).Get(i).Get(f).Get(d).GetString(ab, sizeof ab).Get(c).Get(chars, 2);
  in.Get(back, 2);
  ASSERT_TRUE(in.Good());
  EXPECT_EQ(s, -5);
  EXPECT_EQ(l, 0x01020304L);
  EXPECT_EQ(i, -2);
  EXPECT_EQ(f, 1.5f);
  EXPECT_EQ(d, -2.5);
  EXPECT_STREQ(ab, "ab");
  EXPECT_EQ(c, ':');
  EXPECT_EQ(std::string(chars, 2), "AB");
  EXPECT_EQ(back[1], 0xFFFF);
}

// With the host's order the values stand as in the binary format.
TEST(RWByteOrderStreamTest, HostOrderIsTheBinaryFormatAfterTheHeader) {
  ASSERT_EQ(kRWHostByteOrder, 0) << "the golden bytes below are for a little-endian host";
  std::ostringstream text;
  RWByteOrderOutStream out(text, 2);
  out.Put(static_cast<short>(-5)).Put(0x8888UL).PutString("ab");
  EXPECT_EQ(out.StreamOrder(), 0);
  EXPECT_TRUE(BytesEqual(HexBytes(R"(
      65 73 01 00 02 04 04 02 04  # header, little-endian
      FB FF                       # Put(short) -5
      88 88 00 00                 # Put(unsigned long) 0x8888
      02 00 00 00 61 62           # PutString "ab"
  )"),
                         AsBytes(text.str())));
}

// What a reader does with declared widths other than its own, in either order.
TEST(RWByteOrderStreamTest, ReaderConvertsDeclaredWidths) {
  struct Case {
    const char* name;
    const char* bytes;  // header and one value
    enum { kShort, kInt, kUnsignedInt, kLong, kUnsignedLong } type;
    long long expected;
    bool fails;
  };
  const Case cases[] = {
      {"long width 8, big-endian, -5", "65 73 01 01 02 04 08 02 04  FF FF FF FF FF FF FF FB",
       Case::kLong, -5, false},
      {"long width 8 too large", "65 73 01 01 02 04 08 02 04  00 00 00 01 00 00 00 00", Case::kLong,
       0, true},
      {"int width 2 signed", "65 73 01 00 02 02 04 02 04  00 80", Case::kInt, -32768, false},
      {"int width 2 unsigned", "65 73 01 00 02 02 04 02 04  00 80", Case::kUnsignedInt, 32768,
       false},
      {"int width 2 big-endian", "65 73 01 01 02 02 04 02 04  80 00", Case::kInt, -32768, false},
      {"short width 1", "65 73 01 00 01 04 04 02 04  FE", Case::kShort, -2, false},
      {"int width 8 negative fits", "65 73 01 00 02 08 04 02 04  FE FF FF FF FF FF FF FF",
       Case::kInt, -2, false},
      {"int width 8 unsigned, negative fill", "65 73 01 00 02 08 04 02 04  FE FF FF FF FF FF FF FF",
       Case::kUnsignedInt, 0xFFFFFFFE, true},
      {"int width 5 sign mismatch", "65 73 01 00 02 05 04 02 04  00 00 00 80 00", Case::kInt,
       static_cast<int>(0x80000000u), true},
      {"unsigned long width 6", "65 73 01 01 02 04 06 02 04  00 00 FF FF FF FF",
       Case::kUnsignedLong, 0xFFFFFFFF, false},
      {"order byte 5 is big-endian", "65 73 01 05 02 04 04 02 04  00 00 00 07", Case::kInt, 7,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream text(AsString(HexBytes(c.bytes)));
    RWByteOrderInStream in(text);
    ASSERT_TRUE(in.Good());
    long long got = 0;
    switch (c.type) {
      case Case::kShort: {
        short v = 0;
        in.Get(v);
        got = v;
        break;
      }
      case Case::kInt: {
        int v = 0;
        in.Get(v);
        got = v;
        break;
      }
      case Case::kUnsignedInt: {
        unsigned int v = 0;
        in.Get(v);
        got = v;
        break;
      }
      case Case::kLong: {
        long v = 0;
        in.Get(v);
        got = v;
        break;
      }
      case Case::kUnsignedLong: {
        unsigned long v = 0;
        in.Get(v);
        got = static_cast<long long>(v);
        break;
      }
    }
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(in.Fail() != 0, c.fails);
    EXPECT_FALSE(in.Bad());
  }
}

// Arrays of a foreign width go element by element; a string length of another width is converted.
TEST(RWByteOrderStreamTest, ReaderConvertsArraysAndStringLengths) {
  std::istringstream text(AsString(HexBytes(R"(
      65 73 01 01 04 04 04 07 08   # big-endian, short width 4, wide width 7, length width 8
      FF FF FF FF  00 00 7F FF     # short[2] -1, 32767
      00 00 00 00 00 00 00 03      # string length 3
      61 62 63
  )")));
  RWByteOrderInStream in(text);
  EXPECT_EQ(in.ShortWidth(), 4);
  EXPECT_EQ(in.WideCharWidth(), 7);  // kept, never used
  EXPECT_EQ(in.LengthWidth(), 8);
  short shorts[2] = {};
  char abc[8];
  in.Get(shorts, 2).GetString(abc, sizeof abc);
  EXPECT_TRUE(in.Good());
  EXPECT_EQ(shorts[0], -1);
  EXPECT_EQ(shorts[1], 32767);
  EXPECT_STREQ(abc, "abc");
}

TEST(RWByteOrderStreamTest, StringLengthThatDoesNotFitFailsBad) {
  std::istringstream text(AsString(HexBytes(R"(
      65 73 01 00 02 04 04 02 08   # length width 8
      00 00 00 00 01 00 00 00      # 2^32: no 32-bit length
      61 62
  )")));
  RWByteOrderInStream in(text);
  char buffer[8] = "XYZ";
  in.GetString(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(in.Status(), kRWStreamFail | kRWStreamBad);
}

// A string length of 0xFFFFFFFF on a short buffer returns at once.
TEST(RWByteOrderStreamTest, CorruptStringLengthStopsAtTheEndOfData) {
  std::istringstream text(AsString(HexBytes("65 73 01 01 02 04 04 02 04  FF FF FF FF 61")));
  RWByteOrderInStream in(text);
  char buffer[16];
  in.GetString(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "a");
  EXPECT_EQ(in.Status(), kRWStreamEof | kRWStreamFail);
}

// Refused headers: each raises [STREAM] once and leaves the reader failed; declared widths that
// would overrun the conversion (0 or more than 8) are refused too.
TEST(RWByteOrderStreamTest, BadHeadersAreRefused) {
  const struct {
    const char* name;
    const char* bytes;
  } cases[] = {
      {"empty", ""},
      {"cut", "65 73 01 00 02"},
      {"magic", "66 73 01 00 02 04 04 02 04"},
      {"second magic", "65 74 01 00 02 04 04 02 04"},
      {"version", "65 73 02 00 02 04 04 02 04"},
      {"short width 0", "65 73 01 00 00 04 04 02 04"},
      {"int width 9", "65 73 01 00 02 09 04 02 04"},
      {"long width 255", "65 73 01 00 02 04 FF 02 04"},
      {"length width 0", "65 73 01 00 02 04 04 02 00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingErrorHook hook;
    std::istringstream text(AsString(HexBytes(c.bytes)));
    RWByteOrderInStream in(text);
    EXPECT_EQ(hook.Tags(), std::vector<std::string>{"[STREAM]"});
    EXPECT_TRUE(in.Fail());
    EXPECT_TRUE(in.Bad());
    // Reads on the refused stream stay safe and failed.
    long value = 0;
    char buffer[4];
    in.Get(value).GetString(buffer, sizeof buffer);
    EXPECT_TRUE(in.Fail());
    EXPECT_EQ(in.ShortWidth(), 2);
    EXPECT_EQ(in.LengthWidth(), 4);
  }
  {
    RecordingErrorHook hook;
    std::istringstream text(AsString(HexBytes("65 73 01 00 02 04 04 00 04")));
    RWByteOrderInStream in(text);
    EXPECT_EQ(hook.Count(), 0u) << "the wide-character width is not used";
    EXPECT_TRUE(in.Good());
  }
}

// The writer probes whether its buffer already holds data; a buffer that cannot tell counts as
// empty.
TEST(RWByteOrderStreamTest, WriterRefusesABufferThatHoldsData) {
  {
    RecordingErrorHook hook;
    std::stringstream text("existing");
    RWByteOrderOutStream out(text, 0);
    EXPECT_EQ(hook.Tags(), std::vector<std::string>{"[STREAM]"});
    EXPECT_EQ(out.Status(), kRWStreamFail | kRWStreamBad);
    EXPECT_EQ(text.str(), "existing");
  }
  {
    RecordingErrorHook hook;
    vel::test::CappedOutBuffer unseekable(64);
    RWByteOrderOutStream out(&unseekable, 1);
    EXPECT_EQ(hook.Count(), 0u);
    EXPECT_TRUE(out.Good());
    EXPECT_TRUE(BytesEqual(HexBytes("65 73 01 01 02 04 04 02 04"), unseekable.Written()));
  }
  {
    // A header that does not fit fails the writer.
    vel::test::CappedOutBuffer tiny(4);
    RWByteOrderOutStream out(&tiny, 0);
    EXPECT_TRUE(out.Fail());
  }
}

}  // namespace
