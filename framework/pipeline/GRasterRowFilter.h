// The end filters of a row-source chain, chosen by the back end: GRowPaddingFilter pads each row
// with zero bytes to a multiple of an alignment, GRowRunLengthFilter pads it the same way and
// run-length encodes it (PackBits packets). An alignment of 0 counts as 1.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/pipeline/GRasterRowSource.h"

class GRasterRowFilter : public GRasterRowSource {
 public:
  std::uint16_t GetAlignment() const { return alignment_; }

 protected:
  explicit GRasterRowFilter(std::uint16_t alignment) : alignment_(alignment) {}
  std::uint32_t Alignment() const { return alignment_ == 0 ? 1u : alignment_; }

  std::uint16_t alignment_;
};

class GRowPaddingFilter : public GRasterRowFilter {
 public:
  explicit GRowPaddingFilter(std::uint16_t alignment) : GRasterRowFilter(alignment) {}

  // The row below, with zero bytes appended up to the next multiple of the alignment.
  std::uint32_t ReadRow(std::uint8_t* buffer, std::uint16_t& row_number, std::uint32_t& length,
                        std::uint8_t& repeat, std::uint8_t& flag) override;
  // Not ready without a source below; a row grows by less than the alignment.
  std::int32_t Prepare() override;
  std::uint32_t GetRowBytes() const override { return row_bytes_; }
};

// Packets: a count byte c and its data. c = 0 to 127: a literal of the next c + 1 bytes; c = 255
// to 129 (-1 to -127): the next byte repeated 1 - c times (2 to 128). Equal pairs inside a
// literal stay in it; a third equal byte takes the pair out into a repeat.
class GRowRunLengthFilter : public GRasterRowFilter {
 public:
  explicit GRowRunLengthFilter(std::uint16_t alignment) : GRasterRowFilter(alignment) {}

  // Encodes the row's bytes (those of the rectangle's width) and the zero pad bytes.
  std::uint32_t ReadRow(std::uint8_t* buffer, std::uint16_t& row_number, std::uint32_t& length,
                        std::uint8_t& repeat, std::uint8_t& flag) override;
  // Not ready without a source below. The largest row is the worst case of the encoding: for r
  // row bytes and p pad bytes, r + (r + 126) / 127, plus 2 with padding, and never less than
  // n + n / 128 + 1 for the n = r + p bytes encoded (one count byte per 128 literal bytes).
  std::int32_t Prepare() override;
  std::uint32_t GetRowBytes() const override { return row_bytes_; }

 private:
  // Encodes the first `size` bytes of the work row into `out`, which holds at least
  // size + size / 128 + 1 bytes; answers the bytes written.
  std::uint32_t Encode(std::uint32_t size, std::uint8_t* out);

  std::uint32_t data_bytes_ = 0;  // r
  std::uint32_t pad_bytes_ = 0;   // p
  std::uint32_t pair_words_ = 0;
  std::unique_ptr<std::uint8_t[]> work_storage_;
  std::uint8_t* work_ = nullptr;  // in work_storage_, 64-byte aligned: the row, its pad and slack
  std::unique_ptr<std::uint64_t[]> pairs_;  // the row's pair mask
};
