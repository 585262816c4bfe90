// GRect: a rectangle in device pixels, left, top, right, bottom, each a signed 16-bit value.
#pragma once

#include <algorithm>
#include <cstdint>

struct GRect {
  std::int16_t left = 0;
  std::int16_t top = 0;
  std::int16_t right = 0;
  std::int16_t bottom = 0;

  friend bool operator==(const GRect& a, const GRect& b) = default;
};

namespace vel {

// Widens `into` to hold `rect`: the smaller left and top, the larger right and bottom.
inline void Unite(GRect& into, const GRect& rect) {
  into.left = std::min(into.left, rect.left);
  into.top = std::min(into.top, rect.top);
  into.right = std::max(into.right, rect.right);
  into.bottom = std::max(into.bottom, rect.bottom);
}

}  // namespace vel
