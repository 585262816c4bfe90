// GPoint: a point in device pixels, x then y, each a signed 16-bit value. Page geometry has its
// origin at the top left, y growing downwards.
#pragma once

#include <cstdint>

struct GPoint {
  std::int16_t x = 0;
  std::int16_t y = 0;

  friend bool operator==(const GPoint& a, const GPoint& b) = default;
};
