// GBitmapRowReader: rows of a source rectangle of a bitmap.
#include "framework/pipeline/GBitmapRowReader.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Copies `bits` bits from the start of `source` to bit `offset` of `destination`, most
// significant bit first; the destination's other bits are kept.
void CopyBits(std::uint8_t* destination, std::uint64_t offset, const std::uint8_t* source,
              std::uint64_t bits) {
  for (std::uint64_t i = 0; i < bits; ++i) {
    const int bit = (source[i >> 3] >> (7 - (i & 7))) & 1;
    const std::uint64_t at = offset + i;
    const auto mask = static_cast<std::uint8_t>(0x80u >> (at & 7));
    if (bit != 0) {
      destination[at >> 3] |= mask;
    } else {
      destination[at >> 3] &= static_cast<std::uint8_t>(~mask);
    }
  }
}

}  // namespace

GBitmapRowReader::GBitmapRowReader(const GBitmap& bitmap, const GRect& source, bool grey_rows)
    : bitmap_(bitmap), source_(source), palette_flag_(grey_rows ? 1 : 0) {}

std::int32_t GBitmapRowReader::Prepare() {
  ready_ = 0;
  std::uint8_t depth = bitmap_.GetBitsPerPixel();
  if (depth <= 8) {
    palette_flag_ = 0;
  } else if (palette_flag_ != 0) {
    depth = 8;
  }
  bits_per_pixel_ = depth;
  GRect bounds;
  bitmap_.GetBounds(bounds);
  image_width_ = vel::RectWidth(bounds);
  image_height_ = vel::RectHeight(bounds);
  const std::int32_t width = vel::RectWidth(source_);
  end_row_ = depth == 0 ? 0 : vel::RectHeight(source_);
  row_bytes_ = static_cast<std::uint32_t>((std::uint64_t{depth} * width + 7) >> 3);
  inside_ = source_.left >= 0 && source_.top >= 0 && source_.right <= image_width_ &&
            source_.bottom <= image_height_;
  if (!inside_ && width > 0) {
    const std::int32_t left = std::clamp<std::int32_t>(source_.left, 0, image_width_);
    const std::int32_t right = std::clamp<std::int32_t>(source_.right, 0, image_width_);
    const std::uint32_t bytes = left < right ? bitmap_.GetRowByteCount(left, right) : 0;
    if (bytes != 0) {
      scratch_.reset(new (std::nothrow) std::uint8_t[bytes]);
      if (scratch_ == nullptr) {
        return 0;
      }
    }
  }
  ready_ = 1;
  return 1;
}

std::uint32_t GBitmapRowReader::ReadRow(std::uint8_t* buffer, std::uint16_t& row_number,
                                        std::uint32_t& length, std::uint8_t& repeat,
                                        std::uint8_t& flag) {
  repeat = 1;
  flag = 1;
  if (ready_ == 0 || next_row_ >= end_row_) {
    length = 0;
    return 0;
  }
  row_number = static_cast<std::uint16_t>(next_row_);
  const std::int32_t y = std::int32_t{source_.top} + next_row_;
  ++next_row_;
  length = row_bytes_;
  if (!inside_) {
    ReadPartialRow(buffer, y);
    return 0;
  }
  const std::uint32_t copied =
      bitmap_.GetRow(buffer, source_.left, source_.right, y, palette_flag_);
  if (copied < row_bytes_) {
    // A row whose bytes the image cannot supply reads as 0.
    std::memset(buffer + copied, 0, row_bytes_ - copied);
  }
  return 0;
}

void GBitmapRowReader::ReadPartialRow(std::uint8_t* buffer, std::int32_t y) const {
  std::memset(buffer, 0, row_bytes_);
  const std::int32_t left = std::clamp<std::int32_t>(source_.left, 0, image_width_);
  const std::int32_t right = std::clamp<std::int32_t>(source_.right, 0, image_width_);
  if (y < 0 || y >= image_height_ || left >= right || scratch_ == nullptr) {
    return;
  }
  const std::uint32_t copied = bitmap_.GetRow(scratch_.get(), left, right, y, palette_flag_);
  const std::uint64_t offset = std::uint64_t(left - source_.left) * bits_per_pixel_;
  const std::uint64_t bits = std::min<std::uint64_t>(
      std::uint64_t{copied} * 8, std::uint64_t(right - left) * bits_per_pixel_);
  if (offset % 8 == 0 && bits % 8 == 0) {
    std::memcpy(buffer + offset / 8, scratch_.get(), bits / 8);
  } else {
    CopyBits(buffer, offset, scratch_.get(), bits);
  }
}

GRect* GBitmapRowReader::GetRect(GRect& rect) const {
  rect = source_;
  return &rect;
}

const GPaletteTable* GBitmapRowReader::GetPalette() const {
  return palette_flag_ != 0 || bits_per_pixel_ > 8 ? nullptr : bitmap_.GetPalette();
}
