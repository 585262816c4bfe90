// Reading and writing a GRect on both carriers: left, top, right, bottom, each a signed 16-bit
// value.
#pragma once

#include <cstdint>

#include "framework/core/StoredFields.h"
#include "framework/pipeline/GRect.h"

namespace vel {

inline constexpr std::uint32_t kStoredRectSize = 8;

template <typename Carrier>
void WriteRect(Carrier& carrier, const GRect& rect) {
  WriteField(carrier, rect.left);
  WriteField(carrier, rect.top);
  WriteField(carrier, rect.right);
  WriteField(carrier, rect.bottom);
}

// False (`rect` may be half read) when the rectangle could not be had.
template <typename Carrier>
[[nodiscard]] bool ReadRect(Carrier& carrier, GRect& rect) {
  return ReadField(carrier, rect.left) && ReadField(carrier, rect.top) &&
         ReadField(carrier, rect.right) && ReadField(carrier, rect.bottom);
}

}  // namespace vel
