// The padding and run-length end filters of a row-source chain.
#include "framework/pipeline/GRasterRowFilter.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::uint32_t kMaxPacket = 128;

// The first i in [from, end) with in[i] == in[i - 1] (from >= 1), or end.
std::uint32_t NextPair(const std::uint8_t* in, std::uint32_t from, std::uint32_t end) {
  std::uint32_t i = from;
#if defined(__SSE2__)
  for (; i + 16 <= end; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i - 1));
    const auto pairs = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b)));
    if (pairs != 0) {
      return i + static_cast<std::uint32_t>(std::countr_zero(pairs));
    }
  }
#endif
  if constexpr (std::endian::native == std::endian::little) {
    for (; i + 8 <= end; i += 8) {
      std::uint64_t a;
      std::uint64_t b;
      std::memcpy(&a, in + i, 8);
      std::memcpy(&b, in + i - 1, 8);
      const std::uint64_t x = a ^ b;  // a zero byte marks a pair
      const std::uint64_t zero = (x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull;
      if (zero != 0) {
        return i + static_cast<std::uint32_t>(std::countr_zero(zero) / 8);
      }
    }
  }
  for (; i < end; ++i) {
    if (in[i] == in[i - 1]) {
      return i;
    }
  }
  return end;
}

// The length of the run of in[from]'s value starting at `from`, at most `limit`.
std::uint32_t RunLength(const std::uint8_t* in, std::uint32_t from, std::uint32_t end,
                        std::uint32_t limit) {
  const std::uint32_t stop = std::min(end, from + limit);
  const std::uint8_t value = in[from];
  std::uint32_t i = from + 1;
  if constexpr (std::endian::native == std::endian::little) {
    const std::uint64_t pattern = value * 0x0101010101010101ull;
    for (; i + 8 <= stop; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, in + i, 8);
      const std::uint64_t differ = word ^ pattern;
      if (differ != 0) {
        return i + static_cast<std::uint32_t>(std::countr_zero(differ) / 8) - from;
      }
    }
  }
  while (i < stop && in[i] == value) {
    ++i;
  }
  return i - from;
}

}  // namespace

std::int32_t GRowPaddingFilter::Prepare() {
  ready_ = 0;
  if (inner_ == nullptr) {
    return 0;
  }
  row_bytes_ = inner_->GetRowBytes() + Alignment();
  ready_ = 1;
  return 1;
}

std::uint32_t GRowPaddingFilter::ReadRow(std::uint8_t* buffer, std::uint16_t& row_number,
                                         std::uint32_t& length, std::uint8_t& repeat,
                                         std::uint8_t& flag) {
  if (ready_ == 0) {
    length = 0;
    return 0;
  }
  const std::uint32_t status = ReadInner(buffer, row_number, length, repeat, flag);
  const std::uint32_t alignment = Alignment();
  if (length % alignment != 0) {
    const std::uint32_t pad = alignment - length % alignment;
    std::memset(buffer + length, 0, pad);
    length += pad;
  }
  return status;
}

std::int32_t GRowRunLengthFilter::Prepare() {
  ready_ = 0;
  if (inner_ == nullptr) {
    return 0;
  }
  GRect rect;
  inner_->GetRect(rect);
  const std::uint64_t r =
      (std::uint64_t{inner_->GetBitsPerPixel()} * std::uint64_t(vel::RectWidth(rect)) + 7) >> 3;
  const std::uint64_t alignment = Alignment();
  const std::uint64_t p = r % alignment != 0 ? alignment - r % alignment : 0;
  const std::uint64_t n = r + p;
  const std::uint64_t part = r + (r + 126) / 127 + (p != 0 ? 2 : 0);
  const std::uint64_t worst = n == 0 ? 0 : n + n / kMaxPacket + 1;
  data_bytes_ = static_cast<std::uint32_t>(r);
  pad_bytes_ = static_cast<std::uint32_t>(p);
  row_bytes_ = static_cast<std::uint32_t>(std::max(part, worst));
  const std::uint64_t work = std::max<std::uint64_t>({inner_->GetRowBytes(), n, 1});
  work_.reset(new (std::nothrow) std::uint8_t[work]);
  if (work_ == nullptr) {
    return 0;
  }
  ready_ = 1;
  return 1;
}

std::uint32_t GRowRunLengthFilter::ReadRow(std::uint8_t* buffer, std::uint16_t& row_number,
                                           std::uint32_t& length, std::uint8_t& repeat,
                                           std::uint8_t& flag) {
  if (ready_ == 0) {
    length = 0;
    return 0;
  }
  const std::uint32_t status = ReadInner(work_.get(), row_number, length, repeat, flag);
  if (length == 0) {
    return status;
  }
  const std::uint32_t data = std::min(length, data_bytes_);
  // Bytes the row below did not fill, and the pad, are zeros.
  std::memset(work_.get() + data, 0, data_bytes_ + pad_bytes_ - data);
  length = Encode(work_.get(), data_bytes_ + pad_bytes_, buffer);
  return status;
}

std::uint32_t GRowRunLengthFilter::Encode(const std::uint8_t* in, std::uint32_t size,
                                          std::uint8_t* out) {
  std::uint8_t* const start = out;
  std::uint32_t i = 0;
  while (i < size) {
    // No packet open.
    if (i + 1 == size) {
      *out++ = 0;  // one byte held at the end: a literal of one
      *out++ = in[i];
      break;
    }
    if (in[i] == in[i + 1]) {
      // A run: one repeat of up to 128 bytes; a different byte (or the limit) closes it.
      const std::uint32_t run = RunLength(in, i, size, kMaxPacket);
      *out++ = static_cast<std::uint8_t>(1 - static_cast<std::int32_t>(run));
      *out++ = in[i];
      i += run;
      continue;
    }
    // A literal, begun by two different bytes. Different bytes extend it; an equal pair extends
    // it too, pending: a third equal byte takes the pair out into a repeat.
    const std::uint32_t literal = i;
    std::uint32_t length = 2;
    i += 2;
    bool closed = false;  // by reaching 128 bytes or the end of the row
    while (!closed) {
      // Different bytes, up to the next pair or the limit.
      const std::uint32_t pair = NextPair(in, i, size);
      const std::uint32_t take = std::min(pair - i, kMaxPacket - length);
      length += take;
      i += take;
      if (length == kMaxPacket || i == size) {
        break;
      }
      // in[i] equals in[i - 1]: the pair is pending.
      ++length;
      ++i;
      if (i == size) {
        break;
      }
      if (in[i] == in[i - 1]) {
        // Third equal byte: the literal ends before the pair, which starts a repeat.
        length -= 2;
        i -= 2;
        closed = true;
      } else if (length == kMaxPacket) {
        break;  // full: the different byte starts a new packet
      } else {
        ++length;
        ++i;
        if (length == kMaxPacket) {
          break;
        }
      }
    }
    *out++ = static_cast<std::uint8_t>(length - 1);
    std::memcpy(out, in + literal, length);
    out += length;
  }
  return static_cast<std::uint32_t>(out - start);
}
