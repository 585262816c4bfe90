// GBitmapRowReader: the bottom of a row-source chain. It reads the rows of a source rectangle of
// a bitmap, top to bottom, numbering them from 0.
//
// Rows are always whole: a row has the pixels of the source rectangle's full width, and the
// pixels of the rectangle that lie outside the image read as 0. When told to reduce, an image of
// more than 8 bits per pixel is read as 8-bit grey levels, without a palette.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GRasterRowSource.h"

class GBitmapRowReader : public GRasterRowSource {
 public:
  // Reads `source` (in image pixels) of a copy of `bitmap`; `grey_rows` reduces images deeper
  // than 8 bits to grey levels.
  GBitmapRowReader(const GBitmap& bitmap, const GRect& source, bool grey_rows);

  // Repeat 1 and flag 1 for every row; length 0 after the last row of the rectangle.
  std::uint32_t ReadRow(std::uint8_t* buffer, std::uint16_t& row_number, std::uint32_t& length,
                        std::uint8_t& repeat, std::uint8_t& flag) override;
  std::int32_t Prepare() override;
  std::uint32_t GetRowBytes() const override { return row_bytes_; }
  // The source rectangle.
  GRect* GetRect(GRect& rect) const override;
  // The bitmap's depth (16 and 32 as 24), or 8 for reduced rows.
  std::uint8_t GetBitsPerPixel() const override { return bits_per_pixel_; }
  // The bitmap's palette for rows of 1, 4 and 8 bits; null for reduced and direct-colour rows.
  const GPaletteTable* GetPalette() const override;

 private:
  // Reads a row of which some pixels lie outside the image.
  void ReadPartialRow(std::uint8_t* buffer, std::int32_t y) const;

  GBitmap bitmap_;
  GRect source_;
  std::uint8_t bits_per_pixel_ = 0;
  std::int32_t next_row_ = 0;  // rows handed up so far
  std::int32_t end_row_ = 0;   // rows in the rectangle
  std::int32_t palette_flag_ = 0;  // 1: rows reduced to grey levels, no palette
  std::int32_t image_width_ = 0;
  std::int32_t image_height_ = 0;
  bool inside_ = true;  // the rectangle lies wholly inside the image
  std::unique_ptr<std::uint8_t[]> scratch_;  // the part inside the image, for partial rows
};
