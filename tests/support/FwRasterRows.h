// Test helpers for row-source chains: a scripted row source, small bitmaps, and a reader that
// collects every row a chain hands up.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GRasterRowSource.h"

class GPaletteTable;

namespace vel::test {

// A row as a stage hands it up.
struct RasterRow {
  std::uint16_t number = 0;
  std::vector<std::uint8_t> bytes;
  std::uint8_t repeat = 0;
  std::uint8_t flag = 0;
};

// Hands up scripted rows, numbered by the lines before them, over a given rectangle and depth.
class ScriptedRowSource : public GRasterRowSource {
 public:
  struct Row {
    std::vector<std::uint8_t> bytes;
    std::uint8_t repeat = 1;
  };

  ScriptedRowSource(const GRect& rect, std::uint8_t bits_per_pixel, std::vector<Row> rows,
                    const GPaletteTable* palette = nullptr);

  std::uint32_t ReadRow(std::uint8_t* buffer, std::uint16_t& row_number, std::uint32_t& length,
                        std::uint8_t& repeat, std::uint8_t& flag) override;
  std::uint32_t GetRowBytes() const override { return row_bytes_; }
  GRect* GetRect(GRect& rect) const override;
  std::uint8_t GetBitsPerPixel() const override { return bits_per_pixel_; }
  const GPaletteTable* GetPalette() const override { return palette_; }

  // Rows handed up so far.
  int Reads() const { return reads_; }

 private:
  GRect rect_;
  std::uint8_t bits_per_pixel_;
  std::vector<Row> rows_;
  const GPaletteTable* palette_;
  std::size_t next_ = 0;
  std::uint32_t line_ = 0;
  int reads_ = 0;
};

// A top-down image of `width` x `height` pixels whose rows are `pixels`, packed without padding
// ((bits x width + 7) / 8 bytes a row); `palette` becomes the image's.
GBitmap MakeBitmap(int width, int height, int bits_per_pixel, const std::vector<std::uint8_t>& pixels,
                   GPaletteTable* palette = nullptr);

// Reads rows into a buffer of exactly GetRowBytes() bytes (so a longer row is an overflow the
// sanitizers report) until a row of length 0, `max_rows` rows, or `max_lines` lines (the
// repeats summed). Each row's length is checked against GetRowBytes().
std::vector<RasterRow> ReadRows(GRasterRowSource& source, std::size_t max_rows = 1u << 20,
                                std::uint64_t max_lines = ~std::uint64_t{0});

}  // namespace vel::test
