// The binary stream format: its bytes, short reads and writes, counted strings, single bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <sstream>
#include <string>

#include "rw/RWBinaryStream.h"
#include "rw/RWVirtualStreamHelpers.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/StreamBuffers.h"

namespace {

using vel::test::AsBytes;
using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::CappedOutBuffer;
using vel::test::HexBytes;

Bytes Written(const std::ostringstream& text) {
  return AsBytes(text.str());
}

std::string AsString(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// One of each operation, as the binary writer lays it out. To regenerate after a deliberate
// format change, print vel::test::HexDump of the written bytes.
const char kGolden[] = R"(
    FB FF                       # Put(short) -5
    34 12                       # Put(unsigned short) 0x1234
    FE FF FF FF                 # Put(int) -2
    88 88 00 00                 # Put(unsigned int) 0x8888
    FD FF FF FF                 # Put(long) -3
    88 88 00 00                 # Put(unsigned long) 0x8888
    00 00 C0 3F                 # Put(float) 1.5
    00 00 00 00 00 00 04 C0     # Put(double) -2.5
    3A                          # Put(char) ':'
    FF                          # Put(unsigned char) 0xFF
    80                          # PutByte(char) -128
    07                          # PutByte(unsigned char) 7
    02 00 00 00 61 62           # PutString "ab"
    00 00 00 00                 # PutString ""
    01 00 FF FF                 # Put(short[2]) 1, -1
    78 56 34 12 01 00 00 00     # Put(unsigned long[2]) 0x12345678, 1
    41 42                       # Put(char[2]) "AB"
)";

void WriteGolden(RWVirtualOutStream& out) {
  const short shorts[] = {1, -1};
  const unsigned long ulongs[] = {0x12345678UL, 1UL};
  out.Put(static_cast<short>(-5))
      .Put(static_cast<unsigned short>(0x1234))
      .Put(-2)
      .Put(0x8888u)
      .Put(-3L)
      .Put(0x8888UL)
      .Put(1.5f)
      .Put(-2.5)
      .Put(':')
      .Put(static_cast<unsigned char>(0xFF))
      .PutByte(static_cast<char>(-128))
      .PutByte(static_cast<unsigned char>(7))
      .PutString("ab")
      .PutString("", 0)
      .Put(shorts, 2)
      .Put(ulongs, 2)
      .Put("AB", 2);
}

TEST(RWBinaryStreamTest, GoldenBytes) {
  std::ostringstream text;
  RWBinaryOutStream out(text);
  WriteGolden(out);
  EXPECT_TRUE(out.Good());
  EXPECT_EQ(out.Version(), 1);
  EXPECT_TRUE(BytesEqual(HexBytes(kGolden), Written(text)));

  std::istringstream golden(AsString(HexBytes(kGolden)));
  RWBinaryInStream in(golden);
  EXPECT_EQ(in.Version(), 1);
  short s = 0;
  unsigned short us = 0;
  int i = 0;
  unsigned int ui = 0;
  long l = 0;
  unsigned long ul = 0;
  float f = 0;
  double d = 0;
  char c = 0;
  unsigned char uc = 0;
  char byte = 0;
  unsigned char ubyte = 0;
  char ab[3];
  char empty[1];
  short shorts[2];
  unsigned long ulongs[2];
  char chars[2];
  in.Get(s).Get(us).Get(i).Get(ui).Get(l).Get(ul).Get(f).Get(d).Get(c).Get(uc);
  in.GetByte(byte).GetByte(ubyte).GetString(ab, sizeof ab).GetString(empty, sizeof empty);
  in.Get(shorts, 2).Get(ulongs, 2).Get(chars, 2);
  ASSERT_TRUE(in.Good());
  EXPECT_EQ(s, -5);
  EXPECT_EQ(us, 0x1234);
  EXPECT_EQ(i, -2);
  EXPECT_EQ(ui, 0x8888u);
  EXPECT_EQ(l, -3L);
  EXPECT_EQ(ul, 0x8888UL);
  EXPECT_EQ(f, 1.5f);
  EXPECT_EQ(d, -2.5);
  EXPECT_EQ(c, ':');
  EXPECT_EQ(uc, 0xFF);
  EXPECT_EQ(byte, static_cast<char>(-128));
  EXPECT_EQ(ubyte, 7);
  EXPECT_STREQ(ab, "ab");
  EXPECT_STREQ(empty, "");
  EXPECT_EQ(shorts[1], -1);
  EXPECT_EQ(ulongs[0], 0x12345678UL);
  EXPECT_EQ(std::string(chars, 2), "AB");
  EXPECT_EQ(in.Get(), -1);
}

// A 64-bit long travels as its low 32 bits and comes back sign- or zero-extended.
TEST(RWBinaryStreamTest, LongsCarryFourBytes) {
  if constexpr (sizeof(long) == 8) {
    std::ostringstream text;
    RWBinaryOutStream out(text);
    out.Put(static_cast<long>(0x1'FFFF'FFFELL))
        .Put(static_cast<unsigned long>(0xABCD'AB00'0001ULL));
    EXPECT_TRUE(BytesEqual(HexBytes("FE FF FF FF  01 00 00 AB"), Written(text)));
    std::istringstream back(text.str());
    RWBinaryInStream in(back);
    long l = 0;
    unsigned long ul = 0;
    in.Get(l).Get(ul);
    EXPECT_EQ(l, -2L);
    EXPECT_EQ(ul, 0xAB00'0001UL);
  } else {
    GTEST_SKIP() << "long is 32 bits on this host";
  }
}

TEST(RWBinaryStreamTest, ShortReadKeepsTheBytesThatArrived) {
  std::istringstream text(AsString(HexBytes("34 12")));
  RWBinaryInStream in(text);
  int value = 0;
  in.Get(value);
  EXPECT_EQ(value, 0x1234);
  EXPECT_TRUE(in.Eof());
  EXPECT_TRUE(in.Fail());
  EXPECT_FALSE(in.Bad());
  EXPECT_EQ(in.Status(), kRWStreamEof | kRWStreamFail);
  // Sticky until SetStatus.
  in.SetStatus(kRWStreamGood);
  EXPECT_TRUE(in.Good());
}

// Single-byte gets at end of data used to succeed silently with 0xFF.
TEST(RWBinaryStreamTest, SingleByteGetAtEndOfDataFails) {
  std::istringstream text("");
  RWBinaryInStream in(text);
  char c = 0;
  in.Get(c);
  EXPECT_EQ(static_cast<unsigned char>(c), 0xFF);
  EXPECT_EQ(in.Status(), kRWStreamEof | kRWStreamFail);
  for (auto get : {+[](RWVirtualInStream& s) {
                     unsigned char v;
                     s.Get(v);
                   },
                   +[](RWVirtualInStream& s) {
                     unsigned char v;
                     s.GetByte(v);
                   },
                   +[](RWVirtualInStream& s) {
                     char v;
                     s.GetByte(v);
                   }}) {
    std::istringstream none("");
    RWBinaryInStream each(none);
    get(each);
    EXPECT_EQ(each.Status(), kRWStreamEof | kRWStreamFail);
  }
  // Get() answers -1 and leaves the status alone.
  std::istringstream none("");
  RWBinaryInStream raw(none);
  EXPECT_EQ(raw.Get(), -1);
  EXPECT_TRUE(raw.Good());
}

TEST(RWBinaryStreamTest, RefusedWritesFail) {
  CappedOutBuffer full(0);
  RWBinaryOutStream one(&full);
  one.Put('x');
  EXPECT_EQ(one.Status(), kRWStreamFail);

  CappedOutBuffer ten(10);
  RWBinaryOutStream out(&ten);
  out.PutString("12345");  // 9 bytes
  EXPECT_TRUE(out.Good());
  out.Put(7);  // one byte of four fits
  EXPECT_EQ(out.Status(), kRWStreamFail);
  EXPECT_EQ(ten.Written().size(), 10u);
  EXPECT_GE(ten.SyncCount(), 1);  // a partial write syncs and hands over the rest

  CappedOutBuffer sink(100);
  sink.SetSyncFails(true);
  RWBinaryOutStream flushed(&sink);
  flushed << RWFlush;
  EXPECT_EQ(flushed.Status(), kRWStreamBad);

  RWBinaryOutStream none(static_cast<std::streambuf*>(nullptr));
  EXPECT_TRUE(none.Bad());
  none.Put(1);
  EXPECT_TRUE(none.Fail());
}

TEST(RWBinaryStreamTest, ZeroLengthArraysTouchNothing) {
  std::istringstream text(AsString(HexBytes("01 02")));
  RWBinaryInStream in(text);
  in.Get(static_cast<double*>(nullptr), 0).Get(static_cast<char*>(nullptr), 0);
  EXPECT_TRUE(in.Good());
  EXPECT_EQ(in.Get(), 1);
  std::ostringstream sink;
  RWBinaryOutStream out(sink);
  out.Put(static_cast<const long*>(nullptr), 0);
  EXPECT_TRUE(out.Good());
  EXPECT_TRUE(sink.str().empty());
}

// Strings longer than the buffer are cut, the rest skipped, and the stream failed; the next value
// starts after the string.
TEST(RWBinaryStreamTest, GetStringCutsAndSkips) {
  struct Case {
    const char* name;
    std::size_t size;
    const char* expected;
  };
  const Case cases[] = {{"size 1", 1, ""}, {"size 3", 3, "ab"}, {"size 4 fits", 4, "abc"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream text(AsString(HexBytes("03 00 00 00 61 62 63  2A")));
    RWBinaryInStream in(text);
    char buffer[4];
    std::memset(buffer, 'X', sizeof buffer);
    in.GetString(buffer, c.size);
    EXPECT_STREQ(buffer, c.expected);
    EXPECT_EQ(in.Fail() != 0, std::strlen(c.expected) < 3);
    EXPECT_FALSE(in.Eof());
    EXPECT_EQ(in.Get(), 0x2A);
  }
}

// Size 0 used to wrap to a huge size; a corrupt length used to be skipped byte by byte.
TEST(RWBinaryStreamTest, GetStringSizeZeroAndCorruptLengths) {
  {
    std::istringstream text(AsString(HexBytes("02 00 00 00 61 62  2A")));
    RWBinaryInStream in(text);
    char untouched = 'X';
    in.GetString(&untouched, 0);
    EXPECT_EQ(untouched, 'X');
    EXPECT_EQ(in.Status(), kRWStreamFail);
    EXPECT_EQ(in.Get(), 0x2A);
  }
  {
    // Length 0xFFFFFFFF on a 10-byte buffer: returns at once at the end of data.
    std::istringstream text(AsString(HexBytes("FF FF FF FF 61 62 63 64 65 66")));
    RWBinaryInStream in(text);
    char buffer[64];
    in.GetString(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "abcdef");
    EXPECT_EQ(in.Status(), kRWStreamEof | kRWStreamFail);
  }
  {
    std::istringstream text(AsString(HexBytes("FF FF FF FF 61 62 63 64 65 66")));
    RWBinaryInStream in(text);
    char buffer[2];
    in.GetString(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "a");
    EXPECT_EQ(in.Status(), kRWStreamEof | kRWStreamFail);
  }
  {
    std::istringstream text(AsString(HexBytes("05 00")));
    RWBinaryInStream in(text);
    char buffer[4] = "XYZ";
    in.GetString(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(in.Status(), kRWStreamEof | kRWStreamFail);
  }
}

TEST(RWBinaryStreamTest, PointerRestoreHelpersHandOverNewValues) {
  std::ostringstream text;
  RWBinaryOutStream out(text);
  out.Put(static_cast<short>(-7)).Put(2.25).Put('q');
  std::istringstream back(text.str());
  RWBinaryInStream in(back);
  short* s = nullptr;
  double* d = nullptr;
  char* c = nullptr;
  in >> s >> d >> c;
  ASSERT_TRUE(s != nullptr && d != nullptr && c != nullptr);
  EXPECT_EQ(*s, -7);
  EXPECT_EQ(*d, 2.25);
  EXPECT_EQ(*c, 'q');
  delete s;
  delete d;
  delete c;
  EXPECT_TRUE(in.Good());

  // No memory: a null pointer and a failed stream.
  std::istringstream more(AsString(HexBytes("01 00 00 00")));
  RWBinaryInStream starved(more);
  int* i = reinterpret_cast<int*>(&starved);
  {
    vel::test::FailingAllocation refuse(0);
    starved >> i;
  }
  EXPECT_EQ(i, nullptr);
  EXPECT_TRUE(starved.Fail());
}

}  // namespace
