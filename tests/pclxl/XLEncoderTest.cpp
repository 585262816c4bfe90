// The byte encoder: golden bytes of every value kind, the stream header, operator and attribute
// validity with the sticky error, room and flushing in small buffers, and counts that do not fit.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "framework/output/pclxl/XLEncoder.h"
#include "tests/pclxl/XLTestStream.h"

namespace {

using vel::test::AsBytes;
using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::HexBytes;
using vel::test::TestStream;

struct GoldenCase {
  const char* name;
  std::function<void(XLStream*)> write;
  const char* hex;
};

const std::uint8_t kBytes[] = {1, 2, 3};
const std::uint16_t kWords[] = {0x0102, 0x00FF};
const std::uint32_t kLong[] = {0x0102};
const std::int16_t kSpacing[] = {10, 300};
const std::int32_t kMinusOne[] = {-1};
const float kOne[] = {1.0f};

// Every value kind, least significant byte first unless the name ends in BE.
const GoldenCase kGolden[] = {
    {"UByte", [](XLStream* s) { XLUByte(s, 0xAB); }, "C0 AB"},
    {"UInt16", [](XLStream* s) { XLUInt16(s, 0x1234); }, "C1 34 12"},
    {"UInt32", [](XLStream* s) { XLUInt32(s, 0x12345678); }, "C2 78 56 34 12"},
    {"SInt16", [](XLStream* s) { XLSInt16(s, -2); }, "C3 FE FF"},
    {"SInt32", [](XLStream* s) { XLSInt32(s, -70000); }, "C4 90 EE FE FF"},
    {"Real32", [](XLStream* s) { XLReal32(s, 1.0f); }, "C5 00 00 80 3F"},
    {"UByteXY", [](XLStream* s) { XLUByteXY(s, 1, 2); }, "D0 01 02"},
    {"UInt16XY", [](XLStream* s) { XLUInt16XY(s, 1, 0x0203); }, "D1 01 00 03 02"},
    {"UInt32XY", [](XLStream* s) { XLUInt32XY(s, 0, 65536); }, "D2 00 00 00 00 00 00 01 00"},
    {"SInt16XY", [](XLStream* s) { XLSInt16XY(s, -1, 2); }, "D3 FF FF 02 00"},
    {"SInt32XY", [](XLStream* s) { XLSInt32XY(s, -1, -70000); }, "D4 FF FF FF FF 90 EE FE FF"},
    {"Real32XY", [](XLStream* s) { XLReal32XY(s, 0.5f, -2.0f); }, "D5 00 00 00 3F 00 00 00 C0"},
    {"UByteBox", [](XLStream* s) { XLUByteBox(s, 1, 2, 3, 4); }, "E0 01 02 03 04"},
    {"UInt16Box", [](XLStream* s) { XLUInt16Box(s, 1, 2, 3, 0x0405); },
     "E1 01 00 02 00 03 00 05 04"},
    {"UInt32Box", [](XLStream* s) { XLUInt32Box(s, 1, 2, 3, 0x04050607); },
     "E2 01 00 00 00 02 00 00 00 03 00 00 00 07 06 05 04"},
    {"SInt16Box", [](XLStream* s) { XLSInt16Box(s, 0, 0, 100, 50); }, "E3 00 00 00 00 64 00 32 00"},
    {"SInt32Box", [](XLStream* s) { XLSInt32Box(s, -1, 0, 1, 2); },
     "E4 FF FF FF FF 00 00 00 00 01 00 00 00 02 00 00 00"},
    {"Real32Box", [](XLStream* s) { XLReal32Box(s, 1.0f, 0.5f, -2.0f, 0.0f); },
     "E5 00 00 80 3F 00 00 00 3F 00 00 00 C0 00 00 00 00"},
    {"UByteArray", [](XLStream* s) { XLUByteArray(s, kBytes, 3); }, "C8 C1 03 00 01 02 03"},
    {"UByteArrayEmpty", [](XLStream* s) { XLUByteArray(s, nullptr, 0); }, "C8 C1 00 00"},
    {"UByteArrayFrom16", [](XLStream* s) { XLUByteArrayFrom16(s, kWords, 2); },
     "C8 C1 02 00 02 FF"},
    {"UInt16Array",
     [](XLStream* s) {
       const std::uint16_t values[] = {1, 2, 3};
       XLUInt16Array(s, values, 3);
     },
     "C9 C1 03 00 01 00 02 00 03 00"},
    {"UInt32Array", [](XLStream* s) { XLUInt32Array(s, kLong, 1); }, "CA C1 01 00 02 01 00 00"},
    {"SInt16Array", [](XLStream* s) { XLSInt16Array(s, kSpacing, 2); }, "CB C1 02 00 0A 00 2C 01"},
    {"SInt32Array", [](XLStream* s) { XLSInt32Array(s, kMinusOne, 1); }, "CC C1 01 00 FF FF FF FF"},
    {"Real32Array", [](XLStream* s) { XLReal32Array(s, kOne, 1); }, "CD C1 01 00 00 00 80 3F"},
    {"DataLength0", [](XLStream* s) { XLDataLength(s, 0); }, "FB 00"},
    {"DataLength255", [](XLStream* s) { XLDataLength(s, 255); }, "FB FF"},
    {"DataLength256", [](XLStream* s) { XLDataLength(s, 256); }, "FA 00 01 00 00"},
    {"DataLength32", [](XLStream* s) { XLDataLength32(s, 5); }, "FA 05 00 00 00"},
    {"EmbedBytes", [](XLStream* s) { XLEmbedBytes(s, kBytes, 3); }, "FA 03 00 00 00 01 02 03"},
    {"EmbedUInt16", [](XLStream* s) { XLEmbedUInt16(s, kWords, 1); }, "FA 02 00 00 00 02 01"},
    {"EmbedUInt16BE", [](XLStream* s) { XLEmbedUInt16BE(s, kWords, 1); }, "FA 02 00 00 00 01 02"},
    {"EmbedUInt32", [](XLStream* s) { XLEmbedUInt32(s, kLong, 1); }, "FA 04 00 00 00 02 01 00 00"},
    {"EmbedUInt32BE", [](XLStream* s) { XLEmbedUInt32BE(s, kLong, 1); },
     "FA 04 00 00 00 00 00 01 02"},
    {"EmbedReal32", [](XLStream* s) { XLEmbedReal32(s, kOne, 1); }, "FA 04 00 00 00 00 00 80 3F"},
    {"EmbedReal32BE", [](XLStream* s) { XLEmbedReal32BE(s, kOne, 1); },
     "FA 04 00 00 00 3F 80 00 00"},
    {"RawByte", [](XLStream* s) { XLRawByte(s, 9); }, "09"},
    {"RawUInt16", [](XLStream* s) { XLRawUInt16(s, 0x0102); }, "02 01"},
    {"RawUInt16BE", [](XLStream* s) { XLRawUInt16BE(s, 0x0102); }, "01 02"},
    {"RawUInt32", [](XLStream* s) { XLRawUInt32(s, 0x01020304); }, "04 03 02 01"},
    {"RawUInt32BE", [](XLStream* s) { XLRawUInt32BE(s, 0x01020304); }, "01 02 03 04"},
    {"RawReal32", [](XLStream* s) { XLRawReal32(s, 1.0f); }, "00 00 80 3F"},
    {"RawReal32BE", [](XLStream* s) { XLRawReal32BE(s, 1.0f); }, "3F 80 00 00"},
    {"RawBytes", [](XLStream* s) { XLRawBytes(s, kBytes, 2); }, "01 02"},
    {"RawBytesFrom16", [](XLStream* s) { XLRawBytesFrom16(s, kWords, 2); }, "02 FF"},
    {"RawUInt16Array", [](XLStream* s) { XLRawUInt16Array(s, kWords, 2); }, "02 01 FF 00"},
    {"RawUInt16ArrayBE", [](XLStream* s) { XLRawUInt16ArrayBE(s, kWords, 2); }, "01 02 00 FF"},
    {"RawUInt32Array", [](XLStream* s) { XLRawUInt32Array(s, kLong, 1); }, "02 01 00 00"},
    {"RawUInt32ArrayBE", [](XLStream* s) { XLRawUInt32ArrayBE(s, kLong, 1); }, "00 00 01 02"},
    {"RawReal32Array", [](XLStream* s) { XLRawReal32Array(s, kOne, 1); }, "00 00 80 3F"},
    {"RawReal32ArrayBE", [](XLStream* s) { XLRawReal32ArrayBE(s, kOne, 1); }, "3F 80 00 00"},
    {"Operator", [](XLStream* s) { XLWriteOperator(s, 0x91); }, "91"},
    {"Attribute", [](XLStream* s) { XLWriteAttribute(s, 0x42); }, "F8 42"},
};

// The same bytes, whatever the buffer size: units are never split and bulk data runs across
// any number of flushes.
class XLEncoderGolden : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(XLEncoderGolden, EveryValueKindIsByteExact) {
  TestStream stream(GetParam());
  Bytes all;
  for (const GoldenCase& c : kGolden) {
    TestStream alone(GetParam());
    c.write(alone.get());
    EXPECT_TRUE(BytesEqual(HexBytes(c.hex), alone.Output())) << c.name;
    c.write(stream.get());
    const Bytes golden = HexBytes(c.hex);
    all.insert(all.end(), golden.begin(), golden.end());
  }
  EXPECT_TRUE(BytesEqual(all, stream.Output()));
  EXPECT_EQ(stream.get()->total_bytes, static_cast<std::int32_t>(all.size()));
  EXPECT_EQ(stream.get()->error, kXLNoError);
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, XLEncoderGolden, ::testing::Values(8192, 4, 5, 7, 8));

TEST(XLEncoder, StreamHeaderOfTheBackEnd) {
  TestStream stream;
  XLWriteStreamHeader(stream.get(), 2, 0, kXLBanner, sizeof kXLBanner - 1);
  EXPECT_TRUE(
      BytesEqual(AsBytes(") QZ-PCL XL;2;0;CommentPCL XL Stream Creator Library.  Revision: 4.0\n"),
                 stream.Output()));
}

TEST(XLEncoder, StreamHeaderNumbersAreUnsignedDecimal) {
  TestStream stream(4);
  XLWriteStreamHeader(stream.get(), 65535, 10, "abc", 2);
  EXPECT_TRUE(BytesEqual(AsBytes(") QZ-PCL XL;65535;10;Commentab\n"), stream.Output()));
}

TEST(XLEncoder, UnitIsNeverSplitAcrossFlushes) {
  TestStream stream(8);
  XLRawBytes(stream.get(), kBytes, 3);
  XLRawBytes(stream.get(), kBytes, 2);
  XLUInt32(stream.get(), 1);  // the tag fits; the value does not, so the 6 bytes go first
  stream.Output();
  EXPECT_EQ(stream.flush().flushes, (std::vector<std::int32_t>{6, 4}));
}

TEST(XLEncoder, BulkDataPassesThroughSeveralFlushes) {
  TestStream stream(8);
  Bytes data(20);
  for (std::size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<std::uint8_t>(i + 1);
  }
  XLRawBytes(stream.get(), data.data(), 20);
  EXPECT_EQ(stream.flush().flushes, (std::vector<std::int32_t>{8, 8}));
  EXPECT_EQ(stream.get()->free_bytes, 4);
  EXPECT_EQ(stream.get()->total_bytes, 20);
  EXPECT_TRUE(BytesEqual(data, stream.Output()));
}

TEST(XLEncoder, BulkElementsStayWholeInAnOddBuffer) {
  TestStream stream(6);
  const std::uint32_t values[] = {0x11111111, 0x22222222, 0x33333333};
  XLRawUInt32Array(stream.get(), values, 3);
  stream.Output();
  EXPECT_EQ(stream.flush().flushes, (std::vector<std::int32_t>{4, 4, 4}));
}

// The defined operator codes and attribute ids, as the format's tables list them.
std::set<int> Ranges(std::initializer_list<std::pair<int, int>> ranges) {
  std::set<int> out;
  for (const auto& [first, last] : ranges) {
    for (int i = first; i <= last; ++i) {
      out.insert(i);
    }
  }
  return out;
}

TEST(XLEncoder, OnlyDefinedOperatorsAreWritten) {
  const std::set<int> defined = Ranges({{0x41, 0x44},
                                        {0x46, 0x4C},
                                        {0x4F, 0x56},
                                        {0x5B, 0x82},
                                        {0x84, 0x86},
                                        {0x91, 0x91},
                                        {0x93, 0x93},
                                        {0x95, 0x99},
                                        {0x9B, 0x9B},
                                        {0x9D, 0xA3},
                                        {0xA8, 0xAA},
                                        {0xB0, 0xB6},
                                        {0xB8, 0xB9},
                                        {0xBF, 0xBF}});
  ASSERT_EQ(defined.size(), 90u);
  for (int op = 0; op < 0x10000; op += op < 300 ? 1 : 997) {
    TestStream stream;
    XLWriteOperator(stream.get(), static_cast<std::uint16_t>(op));
    if (defined.count(op) != 0) {
      EXPECT_TRUE(BytesEqual(Bytes{static_cast<std::uint8_t>(op)}, stream.Output())) << op;
      EXPECT_EQ(stream.get()->error, kXLNoError) << op;
    } else {
      EXPECT_TRUE(stream.Output().empty()) << op;
      EXPECT_EQ(stream.get()->error, kXLOperatorUndefined) << op;
      EXPECT_EQ(stream.get()->error_count, 1) << op;
    }
  }
}

TEST(XLEncoder, OnlyDefinedAttributesAreWritten) {
  const std::set<int> defined = Ranges({{0x01, 0x1C},
                                        {0x21, 0x2D},
                                        {0x2F, 0x36},
                                        {0x41, 0x54},
                                        {0x61, 0x69},
                                        {0x6B, 0x73},
                                        {0x81, 0x82},
                                        {0x86, 0x86},
                                        {0x88, 0x8C},
                                        {0x8F, 0x8F},
                                        {0x91, 0xAD},
                                        {0xAF, 0xB1}});
  ASSERT_EQ(defined.size(), 128u);
  for (int id = 0; id < 0x10000; id += id < 300 ? 1 : 997) {
    TestStream stream;
    XLWriteAttribute(stream.get(), static_cast<std::uint16_t>(id));
    if (defined.count(id) != 0) {
      EXPECT_TRUE(BytesEqual(Bytes{0xF8, static_cast<std::uint8_t>(id)}, stream.Output())) << id;
    } else {
      EXPECT_TRUE(stream.Output().empty()) << id;
      EXPECT_EQ(stream.get()->error, kXLAttributeUndefined) << id;
      EXPECT_EQ(stream.get()->error_count, 1) << id;
    }
  }
}

TEST(XLEncoder, ErrorIsStickyAndSilencesEveryWriter) {
  TestStream stream;
  XLUByte(stream.get(), 1);
  XLWriteOperator(stream.get(), 0x45);
  EXPECT_EQ(stream.get()->error, kXLOperatorUndefined);
  for (const GoldenCase& c : kGolden) {
    c.write(stream.get());
  }
  XLWriteStreamHeader(stream.get(), 2, 0, "x", 1);
  EXPECT_TRUE(BytesEqual(HexBytes("C0 01"), stream.Output()));
  EXPECT_EQ(stream.get()->error, kXLOperatorUndefined);
  EXPECT_EQ(stream.get()->error_count, 1);
  // Undefined numbers still replace the code and count.
  XLWriteOperator(stream.get(), 0x83);
  XLWriteAttribute(stream.get(), 0x1D);
  EXPECT_EQ(stream.get()->error, kXLAttributeUndefined);
  EXPECT_EQ(stream.get()->error_count, 3);
}

// Counts that do not fit their field are refused whole: nothing truncated goes out unseen.
TEST(XLEncoder, ArrayOfMoreThan65535ElementsIsRefusedWhole) {
  const std::vector<std::uint32_t> values(65536, 0x01010101);
  const auto* words = reinterpret_cast<const std::uint16_t*>(values.data());
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(values.data());
  const std::function<void(XLStream*, std::uint32_t)> writers[] = {
      [&](XLStream* s, std::uint32_t n) { XLUByteArray(s, bytes, n); },
      [&](XLStream* s, std::uint32_t n) { XLUByteArrayFrom16(s, words, n); },
      [&](XLStream* s, std::uint32_t n) { XLUInt16Array(s, words, n); },
      [&](XLStream* s, std::uint32_t n) { XLUInt32Array(s, values.data(), n); },
      [&](XLStream* s, std::uint32_t n) {
        XLSInt16Array(s, reinterpret_cast<const std::int16_t*>(words), n);
      },
      [&](XLStream* s, std::uint32_t n) {
        XLSInt32Array(s, reinterpret_cast<const std::int32_t*>(values.data()), n);
      },
      [&](XLStream* s, std::uint32_t n) {
        XLReal32Array(s, reinterpret_cast<const float*>(values.data()), n);
      },
  };
  for (const auto& write : writers) {
    TestStream fits;
    write(fits.get(), 65535);
    EXPECT_EQ(fits.get()->error, kXLNoError);
    const Bytes& out = fits.Output();
    ASSERT_GE(out.size(), 4u);
    EXPECT_EQ(out[1], 0xC1);  // the count: a uint16 value of 65535
    EXPECT_EQ(out[2], 0xFF);
    EXPECT_EQ(out[3], 0xFF);

    TestStream refused;
    write(refused.get(), 65536);
    EXPECT_TRUE(refused.Output().empty());
    EXPECT_EQ(refused.get()->error, kXLCountTooLarge);
    EXPECT_EQ(refused.get()->error_count, 1);
  }
}

TEST(XLEncoder, EmbeddedDataLongerThanItsLengthFieldIsRefusedWhole) {
  const std::uint32_t values[] = {1};
  const float reals[] = {1.0f};
  const std::function<void(XLStream*)> writers[] = {
      [&](XLStream* s) {
        XLEmbedUInt16(s, reinterpret_cast<const std::uint16_t*>(values), 1u << 31);
      },
      [&](XLStream* s) {
        XLEmbedUInt16BE(s, reinterpret_cast<const std::uint16_t*>(values), 1u << 31);
      },
      [&](XLStream* s) { XLEmbedUInt32(s, values, 1u << 30); },
      [&](XLStream* s) { XLEmbedUInt32BE(s, values, 1u << 30); },
      [&](XLStream* s) { XLEmbedReal32(s, reals, 1u << 30); },
      [&](XLStream* s) { XLEmbedReal32BE(s, reals, 1u << 30); },
  };
  for (const auto& write : writers) {
    TestStream stream;
    write(stream.get());
    EXPECT_TRUE(stream.Output().empty());
    EXPECT_EQ(stream.get()->error, kXLCountTooLarge);
  }
}

}  // namespace
