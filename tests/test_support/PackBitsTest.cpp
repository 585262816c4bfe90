// The PackBits decoder: exact bytes for every packet kind, and failures that stay inside the
// buffers (each buffer is sized exactly, so AddressSanitizer sees any stray access).
#include <gtest/gtest.h>

#include "tests/support/PackBits.h"

namespace vel::test {
namespace {

Bytes Repeat(std::uint8_t byte, std::size_t count) {
  return Bytes(count, byte);
}

Bytes Sequence(std::size_t count) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  }
  return bytes;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct GoodCase {
  const char* name;
  Bytes packets;
  Bytes expected;
};

TEST(PackBitsTest, PacketsDecodeToExactBytes) {
  const GoodCase cases[] = {
      {"literal of 1", HexBytes("00 2A"), HexBytes("2A")},
      {"literal of 128", Concat(HexBytes("7F"), Sequence(128)), Sequence(128)},
      {"repeat of 2", HexBytes("FF 09"), HexBytes("09 09")},
      {"repeat of 128", HexBytes("81 55"), Repeat(0x55, 128)},
      {"repeat then literal with the closing pair kept", HexBytes("FE 01  04 02 03 04 00 00"),
       HexBytes("01 01 01 02 03 04 00 00")},
      {"repeat then literal", HexBytes("FF 07  01 08 09"), HexBytes("07 07 08 09")},
      {"literal then repeat", HexBytes("00 01  FE 02"), HexBytes("01 02 02 02")},
      {"nothing", Bytes{}, Bytes{}},
  };
  for (const GoodCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<Bytes> out = UnpackBits(c.packets, c.expected.size());
    ASSERT_TRUE(out.has_value());
    EXPECT_TRUE(BytesEqual(c.expected, *out));
    Bytes buffer(c.expected.size());
    const PackBitsResult result = DecodePackBits(c.packets, buffer);
    EXPECT_EQ(result.status, PackBitsStatus::kOk);
    EXPECT_EQ(result.consumed, c.packets.size());
    EXPECT_EQ(result.produced, c.expected.size());
  }
}

struct BadCase {
  const char* name;
  Bytes packets;
  std::size_t out_size;
  PackBitsStatus status;
  std::size_t consumed;
  std::size_t produced;
};

TEST(PackBitsTest, BadPacketsFailInsideTheirBuffers) {
  const BadCase cases[] = {
      {"literal cut short", HexBytes("02 01 02"), 3, PackBitsStatus::kTruncated, 0, 0},
      {"repeat without its byte", HexBytes("00 07  FE"), 4, PackBitsStatus::kTruncated, 2, 1},
      {"literal of 128 cut at 127", Concat(HexBytes("7F"), Sequence(127)), 128,
       PackBitsStatus::kTruncated, 0, 0},
      {"repeat longer than expected", HexBytes("00 01  FD 02"), 3, PackBitsStatus::kOverflow, 2, 1},
      {"literal longer than expected", HexBytes("03 01 02 03 04"), 3, PackBitsStatus::kOverflow, 0,
       0},
      {"count byte 0x80", HexBytes("00 01  80 02"), 4, PackBitsStatus::kBadCount, 2, 1},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes buffer(c.out_size);
    const PackBitsResult result = DecodePackBits(c.packets, buffer);
    EXPECT_EQ(result.status, c.status) << PackBitsStatusText(result.status);
    EXPECT_EQ(result.consumed, c.consumed);
    EXPECT_EQ(result.produced, c.produced);
    EXPECT_FALSE(UnpackBits(c.packets, c.out_size).has_value());
  }
}

TEST(PackBitsTest, DecodingStopsWhenTheOutputIsFull) {
  // Two rows of two bytes: the first call fills one row and leaves the second row's packet.
  const Bytes packets = HexBytes("FF 01  FF 02");
  Bytes row(2);
  const PackBitsResult first = DecodePackBits(packets, row);
  EXPECT_EQ(first.status, PackBitsStatus::kOk);
  EXPECT_EQ(first.consumed, 2u);
  EXPECT_TRUE(BytesEqual(HexBytes("01 01"), row));
  // Input left over or output short of what was expected is not a whole decode.
  EXPECT_FALSE(UnpackBits(packets, 2).has_value());
  EXPECT_FALSE(UnpackBits(packets, 5).has_value());
}

}  // namespace
}  // namespace vel::test
