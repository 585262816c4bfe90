// The run-length size estimate of a raster row.
#include <gtest/gtest.h>

#include <vector>

#include "framework/output/pclxl/XLPackBits.h"

namespace {

std::vector<std::uint8_t> Repeated(std::size_t count, std::uint8_t value) {
  return std::vector<std::uint8_t>(count, value);
}

std::vector<std::uint8_t> Distinct(std::size_t count) {
  std::vector<std::uint8_t> row(count);
  for (std::size_t i = 0; i < count; ++i) {
    row[i] = static_cast<std::uint8_t>(i);
  }
  return row;
}

TEST(XLPackBitsSize, Rows) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> row;
    std::uint32_t size;
  };
  const Case cases[] = {
      {"eight equal bytes", Repeated(8, 7), 2},
      {"four distinct bytes", {1, 2, 3, 4}, 5},
      {"five distinct bytes, padded", {1, 2, 3, 4, 5}, 6 + 2},
      {"empty row", {}, 2},
      {"300 equal bytes", Repeated(300, 0), 2 + 2 + 2},
      {"254 equal bytes: two full packets, padded", Repeated(254, 9), 2 + 2 + 2},
      {"literal gives its last byte to a pair", {1, 2, 3, 3}, 3 + 2},
      {"repeat, then a literal", {1, 1, 2, 5}, 2 + 3},
      {"repeat, then a last single byte, padded", {1, 1, 2}, 2 + 2 + 2},
      {"one byte, padded", {4}, 2 + 2},
      {"128 distinct bytes", Distinct(128), 128 + 2},
  };
  for (const Case& c : cases) {
    std::uint32_t size = 12345;
    XLPackBitsSize(c.row.data(), static_cast<std::int32_t>(c.row.size()), &size);
    EXPECT_EQ(size, c.size) << c.name;
  }
}

TEST(XLPackBitsSize, NegativeLengthReadsNothing) {
  std::uint32_t size = 0;
  XLPackBitsSize(nullptr, -5, &size);
  EXPECT_EQ(size, 2u + 2u);
}

}  // namespace
