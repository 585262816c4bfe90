// GRect: a rectangle in device pixels, left, top, right, bottom, each a signed 16-bit value;
// right and bottom lie just outside it.
#pragma once

#include <cstdint>

#include "framework/pipeline/GPoint.h"

struct GRect {
  std::int16_t left = 0;
  std::int16_t top = 0;
  std::int16_t right = 0;
  std::int16_t bottom = 0;

  // Widths and heights in 32 bits: a 16-bit difference can overflow.
  std::int32_t Width() const { return std::int32_t{right} - left; }
  std::int32_t Height() const { return std::int32_t{bottom} - top; }
  // No pixel: right at or left of left, or bottom at or above top.
  bool IsEmpty() const { return right <= left || bottom <= top; }

  friend bool operator==(const GRect&, const GRect&) = default;
};
