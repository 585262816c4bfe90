// The image-row run-length encoder: its packets decoded by the tests' own PackBits decoder give
// back the row and its pad bytes, the packet layout of the long repeat and the pad pair, and the
// output limit.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "framework/output/pclxl/XLPackBits.h"
#include "tests/pclxl/XLTestStream.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/PackBits.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::HexBytes;
using vel::test::TestStream;
using vel::test::UnpackBits;

struct Encoded {
  Bytes bytes;
  std::uint32_t length = 0xDEADBEEF;
};

Encoded Encode(const Bytes& row, std::uint32_t limit = 0) {
  TestStream stream;
  Encoded out;
  XLPackBitsEncode(stream.get(), limit, row.data(), static_cast<std::int32_t>(row.size()),
                   &out.length);
  out.bytes = stream.Output();
  return out;
}

Bytes Alternating(std::size_t count) {
  Bytes row(count);
  for (std::size_t i = 0; i < count; ++i) {
    row[i] = static_cast<std::uint8_t>(i % 2 == 0 ? 0xAA : 0x55);
  }
  return row;
}

Bytes Mixed() {
  Bytes row = {1, 2, 3, 3, 4};
  row.insert(row.end(), 130, 9);
  row.insert(row.end(), {5, 6, 6, 7, 8, 9, 9, 9, 1});
  std::mt19937 random(143);
  for (int i = 0; i < 300; ++i) {
    row.push_back(static_cast<std::uint8_t>(random() % 3));
  }
  return row;
}

TEST(XLPackBitsEncode, RowsDecodeToThemselvesAndTheirPad) {
  const struct {
    const char* name;
    Bytes row;
  } cases[] = {
      {"1 byte", {0x42}},
      {"2 equal", {7, 7}},
      {"127 equal", Bytes(127, 0x11)},
      {"128 equal", Bytes(128, 0x11)},
      {"129 equal", Bytes(129, 0x11)},
      {"300 equal", Bytes(300, 0)},
      {"alternating 255", Alternating(255)},
      {"alternating 256", Alternating(256)},
      {"mixed", Mixed()},
      {"literal then pair at the end", {1, 2, 3, 4, 5, 5}},
  };
  for (const auto& c : cases) {
    for (const bool limited : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (limited ? ", limited" : ""));
      // A limit far above the encoding changes nothing.
      const Encoded encoded = Encode(c.row, limited ? 10000 : 0);
      EXPECT_EQ(encoded.length, encoded.bytes.size());
      const std::size_t padded = (c.row.size() + 3) / 4 * 4;
      Bytes expected = c.row;
      expected.resize(padded, 0);
      const auto decoded = UnpackBits(encoded.bytes, padded);
      ASSERT_TRUE(decoded.has_value());
      EXPECT_TRUE(BytesEqual(expected, *decoded));
    }
  }
}

// Rows of every length up to a few words past the packet size, from small alphabets so that pairs
// and runs fall on every offset within an eight-byte word.
TEST(XLPackBitsEncode, RandomRowsDecodeToThemselves) {
  std::mt19937 random(5143);
  for (int i = 0; i < 2000; ++i) {
    Bytes row(1 + random() % 300);
    const unsigned alphabet = 2 + random() % 4;
    for (std::uint8_t& b : row) {
      b = static_cast<std::uint8_t>(random() % alphabet);
    }
    const Encoded encoded = Encode(row);
    const std::size_t padded = (row.size() + 3) / 4 * 4;
    Bytes expected = row;
    expected.resize(padded, 0);
    const auto decoded = UnpackBits(encoded.bytes, padded);
    ASSERT_TRUE(decoded.has_value()) << i;
    ASSERT_TRUE(BytesEqual(expected, *decoded)) << i;
    ASSERT_EQ(encoded.length, encoded.bytes.size());
  }
}

TEST(XLPackBitsEncode, PacketLayout) {
  const struct {
    const char* name;
    Bytes row;
    const char* packets;
  } cases[] = {
      {"300 equal bytes: 127, 127, 46", Bytes(300, 0x62), "82 62  82 62  D3 62"},
      {"6 bytes end with the pad pair for 2", {1, 2, 3, 3, 3, 4}, "01 01 02  FE 03  00 04  FF 00"},
      {"1 byte is one literal, then 3 pad bytes", {0x42}, "00 42  FE 00"},
      {"3 bytes: one pad byte", {5, 6, 7}, "02 05 06 07  00 00"},
      {"empty row", {}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Encoded encoded = Encode(c.row);
    EXPECT_TRUE(BytesEqual(HexBytes(c.packets), encoded.bytes));
    EXPECT_EQ(encoded.length, encoded.bytes.size());
  }
}

TEST(XLPackBitsEncode, LimitReachedWritesNothing) {
  const Bytes row = Mixed();
  const Encoded full = Encode(row);
  const auto size = static_cast<std::uint32_t>(full.bytes.size());
  const Encoded below = Encode(row, size + 1);
  EXPECT_EQ(below.length, size);
  EXPECT_TRUE(BytesEqual(full.bytes, below.bytes));
  for (const std::uint32_t limit : {size, size - 1, 2u, 1u}) {
    SCOPED_TRACE(limit);
    const Encoded reached = Encode(row, limit);
    EXPECT_EQ(reached.length, 0u);
    EXPECT_TRUE(reached.bytes.empty());
  }
  // A row of one byte against a limit of 0: no limit.
  EXPECT_EQ(Encode({0x42}, 0).length, 4u);
}

}  // namespace
