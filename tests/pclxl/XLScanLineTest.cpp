// Scan lines: one line as its own ScanLineRel block, and lines gathered in a batch.
#include <gtest/gtest.h>

#include <vector>

#include "framework/output/pclxl/XLScanLineOperators.h"
#include "tests/pclxl/XLTestStream.h"
#include "tests/support/PclXlDecoder.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::DecodePclXl;
using vel::test::HexBytes;
using vel::test::TestStream;
using vel::test::XlDecoded;
using vel::test::XlItemKind;
using vel::test::XlSignature;

TEST(XLScanLine, OneLineOfBytePairs) {
  TestStream stream;
  const std::uint16_t pairs[] = {0, 8};
  XLScanLineRel(stream.get(), 0x0102, 0x0304, pairs, 1);
  EXPECT_TRUE(BytesEqual(HexBytes(R"(
      B9 FB 0A                # ScanLineRel, 10 bytes of data
      03 04 03 02 01 01 00    # format, second, first, one pair
      00 00 08                # byte pairs: gap 0, run 8
  )"),
                         stream.Output()));
}

TEST(XLScanLine, OneLineOfWordPairs) {
  TestStream stream;
  const std::uint16_t pairs[] = {0, 300};
  XLScanLineRel(stream.get(), 1, 2, pairs, 1);
  EXPECT_TRUE(
      BytesEqual(HexBytes("B9 FB 0C  03 02 00 01 00 01 00  02 00 00 2C 01"), stream.Output()));
}

TEST(XLScanLine, DataLengthTakesTheLongFormAbove255) {
  for (std::uint32_t n : {123u, 124u}) {  // 8 + 2n = 254, 256
    SCOPED_TRACE(n);
    TestStream stream;
    const std::vector<std::uint16_t> pairs(2 * n, 1);
    XLScanLineRel(stream.get(), 0, 0, pairs.data(), n);
    const Bytes& out = stream.Output();
    const XlDecoded decoded = DecodePclXl(out);
    ASSERT_EQ(decoded.error, "");
    ASSERT_EQ(decoded.items.size(), 2u);
    EXPECT_EQ(decoded.items[1].code, n == 123 ? 0xFB : 0xFA);
    EXPECT_EQ(decoded.items[1].data.size(), 8 + 2 * n);
  }
}

TEST(XLScanLine, PairCountBeyond16BitsIsRefused) {
  const std::vector<std::uint16_t> pairs(2 * 65536, 1);
  TestStream one;
  XLScanLineRel(one.get(), 0, 0, pairs.data(), 65536);
  EXPECT_TRUE(one.Output().empty());
  EXPECT_EQ(one.get()->error, kXLCountTooLarge);
  TestStream batched;
  std::uint16_t batch[100];
  XLInitScanBatch(batched.get(), batch, 100);
  EXPECT_EQ(XLAddScanLine(batched.get(), 0, 0, pairs.data(), 65536, batch), 0);
  EXPECT_TRUE(batched.Output().empty());
  EXPECT_EQ(batched.get()->error, kXLCountTooLarge);
}

TEST(XLScanBatch, InitialisesItsWords) {
  TestStream stream;
  std::uint16_t batch[12] = {};
  XLInitScanBatch(stream.get(), batch, 12);
  EXPECT_EQ(std::vector<std::uint16_t>(batch, batch + 5),
            (std::vector<std::uint16_t>{12, 5, 5, 1, 0}));
  XLInitScanBatch(stream.get(), batch, 9);
  EXPECT_EQ(batch[0], 0);
}

TEST(XLScanBatch, BatchingOffWritesEachLineAtOnce) {
  for (std::uint16_t capacity : {9, 10}) {  // off; too small for a line of one pair
    SCOPED_TRACE(capacity);
    TestStream stream;
    std::uint16_t batch[10];
    XLInitScanBatch(stream.get(), batch, capacity);
    const std::uint16_t pairs[] = {0, 8};
    EXPECT_EQ(XLAddScanLine(stream.get(), 1, 2, pairs, 1, batch), 0);
    EXPECT_EQ(XLAddScanLine(stream.get(), 3, 4, pairs, 1, batch), 0);
    XLFlushScanBatch(stream.get(), batch);
    EXPECT_TRUE(BytesEqual(HexBytes(R"(
        B6 B9 FB 0A 03 02 00 01 00 01 00 00 00 08 B8
        B6 B9 FB 0A 03 04 00 03 00 01 00 00 00 08 B8
    )"),
                           stream.Output()));
  }
}

TEST(XLScanBatch, TwoLinesGoOutAsOneBlock) {
  TestStream stream;
  std::uint16_t batch[100];
  XLInitScanBatch(stream.get(), batch, 100);
  const std::uint16_t first[] = {0, 8};
  const std::uint16_t second[] = {2, 300};
  EXPECT_EQ(XLAddScanLine(stream.get(), 1, 2, first, 1, batch), 9);
  EXPECT_EQ(XLAddScanLine(stream.get(), 3, 4, second, 1, batch), 11);
  EXPECT_TRUE(stream.Output().empty());
  XLFlushScanBatch(stream.get(), batch);
  EXPECT_TRUE(BytesEqual(HexBytes(R"(
      B6                          # BeginScan
      C1 02 00 F8 73              # NumberOfScanLines 2
      B9 FB 15 03                 # ScanLineRel, 1 + 9 + 11 bytes, format
      02 00 01 00 01 00 00 00 08  # second, first, one pair of bytes
      04 00 03 00 01 00 02 02 00 2C 01  # one pair of 16-bit values
      B8                          # EndScan
  )"),
                         stream.Output()));
  EXPECT_EQ(std::vector<std::uint16_t>(batch, batch + 5),
            (std::vector<std::uint16_t>{100, 5, 5, 1, 0}));
}

TEST(XLScanBatch, SingleLineHasNoLineCountAndEmptyBatchWritesNothing) {
  TestStream stream;
  std::uint16_t batch[20];
  XLInitScanBatch(stream.get(), batch, 20);
  XLFlushScanBatch(stream.get(), batch);
  EXPECT_TRUE(stream.Output().empty());
  const std::uint16_t pairs[] = {0, 8};
  XLAddScanLine(stream.get(), 1, 2, pairs, 1, batch);
  XLFlushScanBatch(stream.get(), batch);
  EXPECT_TRUE(
      BytesEqual(HexBytes("B6 B9 FB 0A 03 02 00 01 00 01 00 00 00 08 B8"), stream.Output()));
}

// Counts the records of every ScanLineRel data block, checking that each block's length is
// exactly the size of its records.
int CountRecords(const XlDecoded& decoded) {
  int lines = 0;
  for (const auto& item : decoded.items) {
    if (item.kind != XlItemKind::kData) {
      continue;
    }
    const Bytes& data = item.data;
    EXPECT_EQ(data.at(0), 3);
    std::size_t pos = 1;
    while (pos < data.size()) {
      const std::size_t n = data.at(pos + 4) | (data.at(pos + 5) << 8);
      const std::size_t value_size = data.at(pos + 6) == 0 ? 1 : 2;
      pos += 7 + 2 * n * value_size;
      ++lines;
    }
    EXPECT_EQ(pos, data.size());
  }
  return lines;
}

TEST(XLScanBatch, FullBatchFlushesBeforeTheNextLine) {
  TestStream stream;
  std::uint16_t batch[20];
  XLInitScanBatch(stream.get(), batch, 20);
  const std::uint16_t pairs[] = {0, 8};
  for (int i = 0; i < 3; ++i) {  // 6 words each: free 15, 9, then 3
    EXPECT_EQ(XLAddScanLine(stream.get(), 1, 2, pairs, 1, batch), 9);
  }
  const XlDecoded flushed = DecodePclXl(stream.Output());
  EXPECT_EQ(XlSignature(flushed.items), "opB6 uint16 @73 opB9 data[19] opB8");
  EXPECT_EQ(batch[4], 1);
}

TEST(XLScanBatch, ByteCountBeyond16BitsFlushesInsteadOfWrapping) {
  TestStream stream;
  std::vector<std::uint16_t> batch(65535);
  XLInitScanBatch(stream.get(), batch.data(), 65535);
  const std::vector<std::uint16_t> pairs(2 * 1000, 300);  // 4007 bytes, 2004 words a line
  int added = 0;
  for (int i = 0; i < 20; ++i) {
    if (XLAddScanLine(stream.get(), 1, 2, pairs.data(), 1000, batch.data()) != 0) {
      ++added;
    }
  }
  XLFlushScanBatch(stream.get(), batch.data());
  EXPECT_EQ(added, 20);
  const XlDecoded decoded = DecodePclXl(stream.Output());
  ASSERT_EQ(decoded.error, "");
  EXPECT_EQ(CountRecords(decoded), 20);
  EXPECT_EQ(stream.get()->error, kXLNoError);
}

}  // namespace
