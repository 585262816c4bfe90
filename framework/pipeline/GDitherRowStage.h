// GDitherRowStage: turns rows of 1, 4 or 8 bits per pixel into 1-bit rows by ordered dithering.
//
// Each pixel's grey level (from the palette below, or the value itself) is compared with the cell
// of the dither matrix at column (originX + x) mod width and row (originY + rowNumber) mod height,
// x running over the columns of the rectangle below from its left edge: a cell greater than the
// level clears the pixel's bit (dark), otherwise it stays 1 (light). A row that stands for several
// lines is read once and handed up once per line, each dithered with its own matrix row.
//
// Rows of 8 bits that the stage below doubles across are asked for narrow (see
// GRasterRowSource), each level then compared with the cells of both its columns: the bits are
// those of the doubled row.
//
// Levels: with a palette, entry i gives (30 red + 59 green + 11 blue) / 100 and values at or past
// the palette's count give 0; without one, 1-bit values give 0 or 255, 4-bit values the value x 17
// and 8-bit values the value.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/pipeline/GRasterRowSource.h"

class GDitherMatrix;

class GDitherRowStage : public GPointRowStage {
 public:
  // `matrix` (not owned) must outlive the stage; `rect`'s top-left corner is the dither origin.
  GDitherRowStage(const GDitherMatrix* matrix, const GRect& rect)
      : GPointRowStage(rect.left, rect.top), matrix_(matrix) {}

  // Every row stands for one line (repeat 1, flag 1). The bits past the rectangle's right edge in
  // the last byte are 1.
  std::uint32_t ReadRow(std::uint8_t* buffer, std::uint16_t& row_number, std::uint32_t& length,
                        std::uint8_t& repeat, std::uint8_t& flag) override;
  // Not ready without a source below, without a matrix or with one of width or height 0, and for
  // rows other than 1, 4 and 8 bits per pixel.
  std::int32_t Prepare() override;
  std::uint32_t GetRowBytes() const override { return row_bytes_; }
  std::uint8_t GetBitsPerPixel() const override { return 1; }
  // None: the rows are levels, 1 light and 0 dark, not palette indices.
  const GPaletteTable* GetPalette() const override { return nullptr; }

 private:
  // The thresholds of the row's pixels for matrix row `matrix_row`.
  const std::uint8_t* ThresholdLine(std::uint32_t matrix_row);
  void FillThresholdLine(std::uint8_t* line, std::uint32_t matrix_row) const;
  // The levels of the pixels of the source row.
  const std::uint8_t* LevelLine();
  // The matrix row of line `row_number`.
  std::uint32_t MatrixRow(std::uint16_t row_number) const;
  // Dithers the levels of the row read last (levels_now_) into `out` for line `row_number`.
  void Dither(std::uint8_t* out, std::uint16_t row_number);
  // Sets the bits past the right edge that a narrow row's last level left to the comparison.
  void MarkRightEdge(std::uint8_t* out) const;

  const GDitherMatrix* matrix_;
  std::uint32_t matrix_width_ = 0;
  std::uint32_t matrix_height_ = 0;
  std::unique_ptr<std::uint8_t[]> cells_;       // the matrix, row after row
  std::uint32_t phase_ = 0;                     // matrix column of the first pixel
  std::uint8_t bits_ = 0;
  std::uint32_t width_ = 0;                     // pixels of a row
  std::uint32_t source_bytes_ = 0;              // bytes of a source row (narrow or not)
  bool levels_are_values_ = false;              // 8-bit rows without a palette
  std::uint8_t levels_[256] = {};
  std::unique_ptr<std::uint8_t[]> row_;         // the source row (also the repeated row)
  std::unique_ptr<std::uint8_t[]> level_line_;  // levels (not for values), padded to 8
  std::unique_ptr<std::uint8_t[]> thresholds_;  // one line per matrix row, or one line
  std::uint32_t line_bytes_ = 0;                // of a threshold line
  bool all_threshold_lines_ = false;
  bool thresholds_repeat_ = false;              // every 64 pixels: the matrix width divides 64
  bool narrow_ = false;                         // rows come narrow, doubled across
  const std::uint8_t* levels_now_ = nullptr;    // the levels of the row read last
  std::unique_ptr<std::uint8_t[]> held_line_;   // the next line, dithered with this one
  bool line_held_ = false;
  std::uint16_t next_number_ = 0;               // of the next copy of a repeated row
  std::uint32_t copies_due_ = 0;
};
