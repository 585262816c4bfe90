// GClipRowStage: rows cut to a clip's bounding rectangle.
#include "framework/pipeline/GClipRowStage.h"

#include <algorithm>
#include <cstring>

#include "framework/pipeline/GClipAttribute.h"

namespace {

std::int16_t Clamp16(std::int64_t value) {
  return static_cast<std::int16_t>(std::clamp<std::int64_t>(value, INT16_MIN, INT16_MAX));
}

}  // namespace

std::int32_t GClipRowStage::Prepare() {
  ready_ = 0;
  if (inner_ == nullptr || clip_ == nullptr || clip_->GetClipRegion() == 1) {
    return 0;
  }
  GRect bounds;
  if (!clip_->GetBounds(bounds)) {
    return 0;
  }
  bounds = GRect{Clamp16(std::int64_t{bounds.left} + dx_), Clamp16(std::int64_t{bounds.top} + dy_),
                 Clamp16(std::int64_t{bounds.right} + dx_),
                 Clamp16(std::int64_t{bounds.bottom} + dy_)};
  GRect source;
  inner_->GetRect(source);
  vel::IntersectRects(source, bounds, clipped_);
  if (clipped_ == source) {
    return 0;  // nothing to cut
  }
  row_bytes_ = inner_->GetRowBytes() + 1;
  empty_ = clipped_ == GRect{};
  if (!empty_) {
    const std::uint64_t bits = inner_->GetBitsPerPixel();
    const std::uint64_t column_bits = std::uint64_t(clipped_.left - source.left) * bits;
    const std::uint64_t row_bits = std::uint64_t(vel::RectWidth(clipped_)) * bits;
    row_offset_ = clipped_.top - source.top;
    column_offset_ = static_cast<std::uint32_t>(clipped_.left - source.left);
    first_byte_ = static_cast<std::uint32_t>(column_bits / 8);
    bit_offset_ = static_cast<std::uint32_t>(column_bits % 8);
    byte_count_ = static_cast<std::uint32_t>((row_bits + 7) >> 3);
    last_mask_ = row_bits % 8 == 0 ? 0 : static_cast<std::uint8_t>(0xFFu << (8 - row_bits % 8));
    if (std::uint64_t{first_byte_} + byte_count_ > inner_->GetRowBytes()) {
      return 0;  // the rows below are narrower than their rectangle
    }
    // The cut reads one byte past the kept ones when it shifts bits; the buffer holds it.
    source_bytes_ = first_byte_ + byte_count_ + (bit_offset_ != 0 ? 1 : 0);
  }
  ready_ = 1;
  return 1;
}

std::uint32_t GClipRowStage::ReadRow(std::uint8_t* buffer, std::uint16_t& row_number,
                                     std::uint32_t& length, std::uint8_t& repeat,
                                     std::uint8_t& flag) {
  if (ready_ == 0 || empty_) {
    length = 0;
    return 0;
  }
  if (narrow_) {
    return ReadNarrowRow(buffer, row_number, length, repeat, flag);
  }
  const std::uint32_t status = ReadKeptRow(buffer, row_number, length, repeat, flag);
  if (length == 0) {
    return status;
  }
  if (length < source_bytes_) {
    // A short row below reads as 0 past its end.
    std::memset(buffer + length, 0, source_bytes_ - length);
  }
  if (bit_offset_ == 0) {
    if (first_byte_ != 0) {
      std::memmove(buffer, buffer + first_byte_, byte_count_);
    }
  } else {
    // Each byte takes the rest of its source byte and the leading bits of the next one; the
    // next byte of the last is read only when the row below holds it.
    const std::uint8_t* from = buffer + first_byte_;
    const std::uint32_t left_shift = bit_offset_;
    const std::uint32_t right_shift = 8 - bit_offset_;
    const bool has_next = first_byte_ + byte_count_ < source_bytes_;
    const std::uint32_t whole = has_next ? byte_count_ : byte_count_ - 1;
    for (std::uint32_t i = 0; i < whole; ++i) {
      buffer[i] = static_cast<std::uint8_t>((from[i] << left_shift) | (from[i + 1] >> right_shift));
    }
    if (!has_next) {
      buffer[whole] = static_cast<std::uint8_t>(from[whole] << left_shift);
    }
  }
  if (last_mask_ != 0) {
    buffer[byte_count_ - 1] &= last_mask_;
  }
  length = byte_count_;
  return status;
}

std::uint32_t GClipRowStage::ReadKeptRow(std::uint8_t* buffer, std::uint16_t& row_number,
                                         std::uint32_t& length, std::uint8_t& repeat,
                                         std::uint8_t& flag) {
  std::uint32_t status = 0;
  for (;;) {
    status = ReadInner(buffer, row_number, length, repeat, flag);
    if (length == 0) {
      return status;
    }
    if (std::int32_t{row_number} + repeat > row_offset_) {
      break;
    }
  }
  if (row_number < row_offset_) {
    repeat = static_cast<std::uint8_t>(repeat - (row_offset_ - row_number));
    row_number = static_cast<std::uint16_t>(row_offset_);
  }
  row_number = static_cast<std::uint16_t>(row_number - row_offset_);
  return status;
}

std::uint32_t GClipRowStage::ReadNarrowRow(std::uint8_t* buffer, std::uint16_t& row_number,
                                           std::uint32_t& length, std::uint8_t& repeat,
                                           std::uint8_t& flag) {
  const std::uint32_t status = ReadKeptRow(buffer, row_number, length, repeat, flag);
  if (length == 0) {
    return status;
  }
  // 8-bit pixels: the cut moves whole bytes.
  if (length < narrow_first_ + narrow_count_) {
    // A short row below reads as 0 past its end.
    std::memset(buffer + length, 0, narrow_first_ + narrow_count_ - length);
  }
  if (narrow_first_ != 0) {
    std::memmove(buffer, buffer + narrow_first_, narrow_count_);
  }
  length = narrow_count_;
  return status;
}

std::uint32_t GClipRowStage::GetNarrowFactor() const {
  if (ready_ == 0 || empty_ || inner_ == nullptr || inner_->GetBitsPerPixel() != 8) {
    return 1;
  }
  const std::uint32_t factor = inner_->GetNarrowFactor();
  return factor > 1 && column_offset_ % factor == 0 ? factor : 1;
}

bool GClipRowStage::UseNarrowRows() {
  const std::uint32_t factor = GetNarrowFactor();
  narrow_ = factor > 1 && inner_->UseNarrowRows();
  if (narrow_) {
    // The kept columns start on a narrow pixel, and lie inside the rectangle below, so the kept
    // narrow pixels lie inside its narrow rows.
    narrow_first_ = column_offset_ / factor;
    narrow_count_ = (static_cast<std::uint32_t>(vel::RectWidth(clipped_)) + factor - 1) / factor;
  }
  return narrow_;
}

GRect* GClipRowStage::GetRect(GRect& rect) const {
  rect = clipped_;
  return &rect;
}
