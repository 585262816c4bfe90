// GGlyphBitmap: one glyph rendered one bit per pixel, as a bitmap font's code query hands it out
// (GFont::CodeBitmap) and the language back ends send it.
#pragma once

#include <cstdint>
#include <vector>

struct GGlyphBitmap {
  std::int32_t width = 0;          // pixels
  std::int32_t height = 0;         // rows
  std::int32_t pitch = 0;          // bytes of a row in `bits`
  std::int32_t left = 0;           // origin to the left edge, pixels
  std::int32_t top = 0;            // baseline to the top row, pixels (up is positive)
  std::vector<std::uint8_t> bits;  // rows, top row first, the leftmost pixel in the high bit
};
