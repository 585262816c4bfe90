// The portable stream format: numbers, escaped characters, line breaks, quoted strings, and
// independence from the global locale.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>

#include "rw/RWPortableStream.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/RwRecordingErrorHook.h"
#include "tests/support/ScopedLocale.h"
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

// One of each operation, as the portable writer lays it out. To regenerate after a deliberate
// format change, print vel::test::HexDump of the written bytes.
const char kGolden[] = R"(
    2D 35 0A                    # Put(short) -5
    36 35 35 33 35 0A           # Put(unsigned short) 65535
    2D 32 31 34 37 34 38 33 36 34 38 0A  # Put(int) -2147483648
    34 32 39 34 39 36 37 32 39 35 0A     # Put(unsigned long) 4294967295
    31 2E 35 30 30 30 30 30 30 30 30 30 30 30 30 30 30 30 65 2B 30 30 0A
                                # Put(float) 1.5: 1.5000000000000000e+00
    2D 33 2E 31 32 35 30 30 30 30 30 30 30 30 30 30 30 30 30 65 2D 30 32 0A
                                # Put(double) -0.03125: -3.1250000000000000e-02
    36 35 0A                    # PutByte(char) 'A'
    32 35 35 0A                 # PutByte(unsigned char) 0xFF
    2D 31 0A                    # PutByte(char) -1
    41                          # Put(char) 'A'
    3A 39 30 30 0A 5C 5B        # Put(char) ':', Put(unsigned short) 900, Put(char) '{'
    22 61 5C 22 62 5C 5B 5C 74 5C 78 32 30 22
                                # PutString a, ", b, {, TAB, space
    5C 78 32 30 5C 78 37 66 5C 78 38 30 5C 78 66 66
                                # Put(char) 0x20 0x7F 0x80 0xFF
    5C 62 5C 66 5C 6E 5C 72 5C 5C 5C 5D 21 7E
                                # Put(char) 08 0C 0A 0D 5C 7D 21 7E
    31 0A 2D 32 0A              # Put(short[2]) 1, -2
    2D 31 32 38 0A 31 32 37 0A  # Put(char[2]) -128, 127
)";

void WriteGolden(RWVirtualOutStream& out) {
  const short shorts[] = {1, -2};
  const char chars[] = {static_cast<char>(-128), 127};
  out.Put(static_cast<short>(-5))
      .Put(static_cast<unsigned short>(65535))
      .Put(std::numeric_limits<int>::min())
      .Put(0xFFFFFFFFUL)
      .Put(1.5f)
      .Put(-0.03125)
      .PutByte('A')
      .PutByte(static_cast<unsigned char>(0xFF))
      .PutByte(static_cast<char>(-1))
      .Put('A')
      .Put(':')
      .Put(static_cast<unsigned short>(900))
      .Put('{')
      .PutString("a\"b{\t ");
  for (unsigned char c : {0x20, 0x7F, 0x80, 0xFF, 0x08, 0x0C, 0x0A, 0x0D, 0x5C, 0x7D, 0x21, 0x7E}) {
    out.Put(c);
  }
  out.Put(shorts, 2).Put(chars, 2);
}

TEST(RWPortableStreamTest, GoldenBytes) {
  std::ostringstream text;
  RWPortableOutStream out(text);
  WriteGolden(out);
  EXPECT_TRUE(out.Good());
  EXPECT_TRUE(BytesEqual(HexBytes(kGolden), AsBytes(text.str())));

  std::istringstream golden(AsString(HexBytes(kGolden)));
  RWPortableInStream in(golden);
  short s = 0;
  unsigned short us = 0;
  int i = 0;
  unsigned long ul = 0;
  float f = 0;
  double d = 0;
  char byte_a = 0;
  unsigned char byte_ff = 0;
  char byte_minus = 0;
  char a = 0;
  char colon = 0;
  unsigned short n900 = 0;
  char brace = 0;
  char text_back[8];
  in.Get(s).Get(us).Get(i).Get(ul).Get(f).Get(d).GetByte(byte_a).GetByte(byte_ff);
  in.GetByte(byte_minus).Get(a).Get(colon).Get(n900).Get(brace).GetString(text_back, 8);
  for (unsigned char expected :
       {0x20, 0x7F, 0x80, 0xFF, 0x08, 0x0C, 0x0A, 0x0D, 0x5C, 0x7D, 0x21, 0x7E}) {
    unsigned char c = 0;
    in.Get(c);
    EXPECT_EQ(c, expected);
  }
  short shorts[2];
  char chars[2];
  in.Get(shorts, 2).Get(chars, 2);
  ASSERT_TRUE(in.Good());
  EXPECT_EQ(s, -5);
  EXPECT_EQ(us, 65535);
  EXPECT_EQ(i, std::numeric_limits<int>::min());
  EXPECT_EQ(ul, 0xFFFFFFFFUL);
  EXPECT_EQ(f, 1.5f);
  EXPECT_EQ(d, -0.03125);
  EXPECT_EQ(byte_a, 'A');
  EXPECT_EQ(byte_ff, 0xFF);
  EXPECT_EQ(byte_minus, static_cast<char>(-1));
  EXPECT_EQ(a, 'A');
  EXPECT_EQ(colon, ':');
  EXPECT_EQ(n900, 900);
  EXPECT_EQ(brace, '{');
  EXPECT_STREQ(text_back, "a\"b{\t ");
  EXPECT_EQ(shorts[1], -2);
  EXPECT_EQ(chars[0], static_cast<char>(-128));
}

// The column counter breaks lines before a unit that would pass column 80; a unit is never split.
TEST(RWPortableStreamTest, LineBreaksInsideStrings) {
  struct Case {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"100 letters", std::string(100, 'a'),
       "\"" + std::string(79, 'a') + "\n" + std::string(21, 'a') + "\""},
      {"80 letters", std::string(80, 'a'), "\"" + std::string(79, 'a') + "\na\""},
      {"79 letters", std::string(79, 'a'), "\"" + std::string(79, 'a') + "\n\""},
      {"78 letters", std::string(78, 'a'), "\"" + std::string(78, 'a') + "\""},
      {"escape at the edge", std::string(77, 'a') + '\x01',
       "\"" + std::string(77, 'a') + "\n\\x01\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ostringstream text;
    RWPortableOutStream out(text);
    out.PutString(c.text.data(), c.text.size());
    EXPECT_EQ(text.str(), c.expected);
    std::istringstream back(text.str());
    RWPortableInStream in(back);
    std::string read(c.text.size() + 1, 'X');
    in.GetString(read.data(), read.size());
    EXPECT_TRUE(in.Good());
    EXPECT_EQ(read.substr(0, c.text.size()), c.text);
  }
  // Numbers do not touch the counter; characters continue it.
  std::ostringstream text;
  RWPortableOutStream out(text);
  out.PutString(std::string(70, 'b').c_str()).Put(12345).PutString("0123456789");
  EXPECT_EQ(text.str(), "\"" + std::string(70, 'b') + "\"12345\n\"0123456\n789\"");
}

TEST(RWPortableStreamTest, ReadingTolerance) {
  // Escapes the writer never makes, numbers with '+', white space, a string then a number.
  std::istringstream text(" \\q\t\n+17\r\n\"x\\y\"42 -0 \\x4g 1e2\n");
  RWPortableInStream in(text);
  char q = 0;
  int seventeen = 0;
  char xy[4];
  short n42 = 0;
  int zero = 1;
  char hex = 0;
  char g = 0;
  double hundred = 0;
  in.Get(q).Get(seventeen).GetString(xy, sizeof xy).Get(n42).Get(zero).Get(hex).Get(g).Get(hundred);
  EXPECT_TRUE(in.Good());
  EXPECT_EQ(q, 'q');
  EXPECT_EQ(seventeen, 17);
  EXPECT_STREQ(xy, "xy");
  EXPECT_EQ(n42, 42);
  EXPECT_EQ(zero, 0);
  EXPECT_EQ(hex, 4);
  EXPECT_EQ(g, 'g');
  EXPECT_EQ(hundred, 100.0);
}

TEST(RWPortableStreamTest, BadNumbers) {
  struct Case {
    std::string text;
    enum { kShort, kUnsignedShort, kLong, kUnsignedByte, kDouble } type;
    double expected;
    int status;
  };
  const Case cases[] = {
      {"40000\n", Case::kShort, 32767, kRWStreamFail},
      {"-40000\n", Case::kShort, -32768, kRWStreamFail},
      {"-1\n", Case::kUnsignedShort, 65535, 0},  // as the standard extraction
      {"70000\n", Case::kUnsignedShort, 65535, kRWStreamFail},
      {"4294967296\n", Case::kLong, 2147483647, kRWStreamFail},  // longs carry 32 bits
      {"99999999999999999999999\n", Case::kLong, 2147483647, kRWStreamFail},
      {"-1\n", Case::kUnsignedByte, 255, 0},
      {"300\n", Case::kUnsignedByte, 44, 0},
      {"abc\n", Case::kLong, 0, kRWStreamFail},
      {"-\n", Case::kLong, 0, kRWStreamFail},
      {"12", Case::kLong, 12, kRWStreamEof},
      {"", Case::kLong, 5, kRWStreamEof | kRWStreamFail},
      {"1e\n", Case::kDouble, 0, kRWStreamFail},
      {"1e999\n", Case::kDouble, 0, kRWStreamFail},
      {"x\n", Case::kDouble, 0, kRWStreamFail},
      {"-inf\n", Case::kDouble, -std::numeric_limits<double>::infinity(), 0},
      {"1.\n", Case::kDouble, 1, 0},
      {std::string(200, '1') + "\n", Case::kDouble, 0, kRWStreamFail},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::istringstream text(c.text);
    RWPortableInStream in(text);
    double got = 0;
    switch (c.type) {
      case Case::kShort: {
        short v = 5;
        in.Get(v);
        got = v;
        break;
      }
      case Case::kUnsignedShort: {
        unsigned short v = 5;
        in.Get(v);
        got = v;
        break;
      }
      case Case::kLong: {
        long v = 5;
        in.Get(v);
        got = static_cast<double>(v);
        break;
      }
      case Case::kUnsignedByte: {
        unsigned char v = 5;
        in.GetByte(v);
        got = v;
        break;
      }
      case Case::kDouble: {
        double v = 5;
        in.Get(v);
        got = v;
        break;
      }
    }
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(in.Status(), c.status);
  }
}

// Once the stream is not good, reads leave their targets and fail; Get() answers -1.
TEST(RWPortableStreamTest, NothingIsReadAfterAFailure) {
  std::istringstream text("x 5\n\"s\"");
  RWPortableInStream in(text);
  int first = 9;
  in.Get(first);
  EXPECT_EQ(first, 0);
  int second = 9;
  char buffer[4] = "XY";
  in.Get(second).GetString(buffer, sizeof buffer);
  EXPECT_EQ(second, 9);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(in.Get(), -1);

  std::istringstream numbers("7\n300\nz");
  RWPortableInStream raw(numbers);
  EXPECT_EQ(raw.Get(), 7);
  EXPECT_EQ(raw.Get(), 300);
  EXPECT_EQ(raw.Get(), -1);
}

TEST(RWPortableStreamTest, GetStringCutsSkipsAndChecksTheQuote) {
  {
    std::istringstream text("\"abc\\\"de\" 7\n");
    RWPortableInStream in(text);
    char buffer[3];
    in.GetString(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(in.Status(), kRWStreamFail);
    in.SetStatus(kRWStreamGood);
    int seven = 0;
    in.Get(seven);  // the cut string was skipped to its real end, past the escaped quote
    EXPECT_EQ(seven, 7);
  }
  {
    std::istringstream text("\"ab\" 7\n");
    RWPortableInStream in(text);
    char untouched = 'X';
    in.GetString(&untouched, 0);
    EXPECT_EQ(untouched, 'X');
    EXPECT_EQ(in.Status(), kRWStreamFail);
  }
  {
    std::istringstream text("\"abc");
    RWPortableInStream in(text);
    char buffer[8];
    in.GetString(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(in.Status(), kRWStreamEof | kRWStreamFail);
  }
  {
    RecordingErrorHook hook;
    std::istringstream text("abc\"");
    RWPortableInStream in(text);
    char buffer[8] = "XY";
    in.GetString(buffer, sizeof buffer);
    EXPECT_EQ(hook.Texts(), std::vector<std::string>{
                                "[SYNSTREAM] Syntax error in input stream: expected \", got a"});
    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(in.Fail());
  }
}

TEST(RWPortableStreamTest, RealsKeepTheirDigits) {
  const double values[] = {0.1,
                           1.0 / 3.0,
                           123456789.01234567,
                           2.2250738585072014e-308,
                           4.9406564584124654e-324,
                           -1.7976931348623157e308};
  std::ostringstream text;
  RWPortableOutStream out(text);
  out.Put(values, std::size(values)).Put(0.1f).Put(std::numeric_limits<float>::denorm_min());
  std::istringstream back(text.str());
  RWPortableInStream in(back);
  double read[std::size(values)];
  float tenth = 0;
  float tiny = 0;
  in.Get(read, std::size(values)).Get(tenth).Get(tiny);
  ASSERT_TRUE(in.Good());
  for (std::size_t k = 0; k < std::size(values); ++k) {
    EXPECT_EQ(read[k], values[k]);
  }
  EXPECT_EQ(tenth, 0.1f);
  EXPECT_EQ(tiny, std::numeric_limits<float>::denorm_min());
  EXPECT_NE(text.str().find("1.0000000149011612e-01\n"), std::string::npos)
      << "a float is written widened to double";
}

TEST(RWPortableStreamTest, RefusedWritesFailBad) {
  vel::test::CappedOutBuffer small(3);
  RWPortableOutStream out(&small);
  out.Put(12);
  EXPECT_TRUE(out.Good());
  out.Put(345);
  EXPECT_EQ(out.Status(), kRWStreamFail | kRWStreamBad);

  vel::test::CappedOutBuffer sink(16);
  sink.SetSyncFails(true);
  RWPortableOutStream flushed(&sink);
  flushed.Flush();
  EXPECT_TRUE(flushed.Bad());
}

// Numbers are written and read in the classic form whatever the global locale says.
TEST(RWPortableStreamTest, CommaDecimalLocaleChangesNothing) {
  auto write = [] {
    std::ostringstream text;
    RWPortableOutStream out(text);
    out.Put(1234.5).Put(-0.25f).Put(1234567).Put(static_cast<unsigned short>(65535));
    return text.str();
  };
  const std::string classic = write();
  vel::test::ScopedLocale comma = vel::test::ScopedLocale::CommaDecimal();
  if (!comma.Active()) {
    GTEST_SKIP() << "no comma-decimal locale on this machine";
  }
  ASSERT_EQ(std::use_facet<std::numpunct<char>>(std::locale()).decimal_point(), ',');
  const std::string localized = write();
  EXPECT_EQ(localized, classic);
  EXPECT_EQ(classic, "1.2345000000000000e+03\n-2.5000000000000000e-01\n1234567\n65535\n");
  std::istringstream back(localized);
  RWPortableInStream in(back);
  double d = 0;
  float f = 0;
  int i = 0;
  unsigned short us = 0;
  in.Get(d).Get(f).Get(i).Get(us);
  EXPECT_TRUE(in.Good());
  EXPECT_EQ(d, 1234.5);
  EXPECT_EQ(f, -0.25f);
  EXPECT_EQ(i, 1234567);
  EXPECT_EQ(us, 65535);
}

}  // namespace
