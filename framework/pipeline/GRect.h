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

// The common part of `a` and `b`: the larger left and top, the smaller right and bottom; all four
// 0 when the rectangles do not overlap (left >= right or top >= bottom).
inline void IntersectRects(const GRect& a, const GRect& b, GRect& out) {
  const GRect common{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                     std::min(a.bottom, b.bottom)};
  out = common.left >= common.right || common.top >= common.bottom ? GRect{} : common;
}

// Width and height in 32 bits (a 16-bit rectangle can span 65535); 0 when reversed.
inline std::int32_t RectWidth(const GRect& rect) {
  return std::max(0, std::int32_t{rect.right} - rect.left);
}
inline std::int32_t RectHeight(const GRect& rect) {
  return std::max(0, std::int32_t{rect.bottom} - rect.top);
}

}  // namespace vel
