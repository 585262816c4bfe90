// PackBits decoding, written from the packet layout alone.
#include "tests/support/PackBits.h"

#include <algorithm>

namespace vel::test {

PackBitsResult DecodePackBits(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  PackBitsResult result;
  std::size_t pos = 0;
  while (pos < in.size() && result.produced < out.size()) {
    const std::uint8_t count = in[pos];
    const std::size_t room = out.size() - result.produced;
    if (count < 0x80) {
      const std::size_t length = std::size_t{count} + 1;
      if (in.size() - pos - 1 < length) {
        result.status = PackBitsStatus::kTruncated;
        return result;
      }
      if (length > room) {
        result.status = PackBitsStatus::kOverflow;
        return result;
      }
      std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(pos + 1), length,
                  out.begin() + static_cast<std::ptrdiff_t>(result.produced));
      pos += 1 + length;
      result.produced += length;
    } else if (count > 0x80) {
      const std::size_t length = 257 - std::size_t{count};
      if (in.size() - pos < 2) {
        result.status = PackBitsStatus::kTruncated;
        return result;
      }
      if (length > room) {
        result.status = PackBitsStatus::kOverflow;
        return result;
      }
      std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(result.produced), length, in[pos + 1]);
      pos += 2;
      result.produced += length;
    } else {
      result.status = PackBitsStatus::kBadCount;
      return result;
    }
    result.consumed = pos;
  }
  return result;
}

std::optional<Bytes> UnpackBits(std::span<const std::uint8_t> in, std::size_t expected) {
  Bytes out(expected);
  const PackBitsResult result = DecodePackBits(in, out);
  if (result.status != PackBitsStatus::kOk || result.consumed != in.size() ||
      result.produced != expected) {
    return std::nullopt;
  }
  return out;
}

const char* PackBitsStatusText(PackBitsStatus status) {
  switch (status) {
    case PackBitsStatus::kOk:
      return "ok";
    case PackBitsStatus::kTruncated:
      return "truncated packet";
    case PackBitsStatus::kOverflow:
      return "packet runs past the expected length";
    case PackBitsStatus::kBadCount:
      return "count byte 0x80 is not a packet";
  }
  return "?";
}

}  // namespace vel::test
