// Test helpers for row-source chains.
#include "tests/support/FwRasterRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace vel::test {

ScriptedRowSource::ScriptedRowSource(const GRect& rect, std::uint8_t bits_per_pixel,
                                     std::vector<Row> rows, const GPaletteTable* palette)
    : rect_(rect), bits_per_pixel_(bits_per_pixel), rows_(std::move(rows)), palette_(palette) {
  for (const Row& row : rows_) {
    row_bytes_ = std::max<std::uint32_t>(row_bytes_, static_cast<std::uint32_t>(row.bytes.size()));
  }
  ready_ = 1;
}

std::uint32_t ScriptedRowSource::ReadRow(std::uint8_t* buffer, std::uint16_t& row_number,
                                         std::uint32_t& length, std::uint8_t& repeat,
                                         std::uint8_t& flag) {
  if (next_ == rows_.size()) {
    length = 0;
    return 0;
  }
  const Row& row = rows_[next_++];
  ++reads_;
  std::memcpy(buffer, row.bytes.data(), row.bytes.size());
  row_number = static_cast<std::uint16_t>(line_);
  line_ += row.repeat;
  length = static_cast<std::uint32_t>(row.bytes.size());
  repeat = row.repeat;
  flag = 1;
  return 0;
}

GRect* ScriptedRowSource::GetRect(GRect& rect) const {
  rect = rect_;
  return &rect;
}

GBitmap MakeBitmap(int width, int height, int bits_per_pixel, const std::vector<std::uint8_t>& pixels,
                   GPaletteTable* palette) {
  auto* data = new std::uint8_t[std::max<std::size_t>(pixels.size(), 1)];
  std::copy(pixels.begin(), pixels.end(), data);
  return GBitmap(1, data, static_cast<std::uint32_t>(pixels.size()), 1, GPoint{0, 0},
                 GPoint{static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)},
                 static_cast<std::uint8_t>(bits_per_pixel), 0, 0, palette, 0, 0, 0, 0, 0, 0, 0,
                 0);
}

std::vector<RasterRow> ReadRows(GRasterRowSource& source, std::size_t max_rows,
                                std::uint64_t max_lines) {
  std::vector<RasterRow> rows;
  const std::uint32_t row_bytes = source.GetRowBytes();
  std::vector<std::uint8_t> buffer(std::max<std::uint32_t>(row_bytes, 1));
  std::uint64_t lines = 0;
  while (rows.size() < max_rows && lines < max_lines) {
    RasterRow row;
    std::uint32_t length = 0;
    source.ReadRow(buffer.data(), row.number, length, row.repeat, row.flag);
    if (length == 0) {
      break;
    }
    EXPECT_LE(length, row_bytes) << "row " << rows.size();
    row.bytes.assign(buffer.begin(), buffer.begin() + std::min(length, row_bytes));
    lines += row.repeat;
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace vel::test
