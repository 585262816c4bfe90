// The padding and run-length end filters of a row-source chain.
#include "framework/pipeline/GRasterRowFilter.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VEL_RLE_X86 1
#endif

#include "framework/pipeline/CpuFeatures.h"

namespace {

constexpr std::uint32_t kMaxPacket = 128;
// Bytes of the work row readable past its end: the pair mask is made 64 bytes at a time.
constexpr std::uint32_t kInputSlack = 64;
// A window of the pair mask, 8 bytes loaded at any bit, has at least this many valid bits.
constexpr std::uint32_t kWindowBits = 57;
// A literal is copied 32 bytes at a time while the output has this much room left.
constexpr std::ptrdiff_t kCopyRoom = 1 + kMaxPacket + 32;

// Bit k of the pair mask (bit k % 64 of word k / 64) is set when in[k] == in[k + 1]. The words
// are filled 64 bytes at a time; `in` is readable for size + 64 bytes.
#if !defined(__SSE2__)
void PairWordsScalar(const std::uint8_t* in, std::uint32_t size, std::uint64_t* mask) {
  for (std::uint32_t w = 0; w * 64 < size; ++w) {
    std::uint64_t bits = 0;
    for (std::uint32_t k = 0; k < 64; ++k) {
      bits |= std::uint64_t{in[w * 64 + k] == in[w * 64 + k + 1]} << k;
    }
    mask[w] = bits;
  }
}
#endif

#if defined(VEL_RLE_X86)

[[gnu::target("avx512f,avx512bw")]] inline void PairWordsAvx512(const std::uint8_t* in,
                                                                std::uint32_t size,
                                                                std::uint64_t* mask) {
  for (std::uint32_t w = 0; w * 64 < size; ++w) {
    mask[w] = _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(in + w * 64),
                                     _mm512_loadu_si512(in + w * 64 + 1));
  }
}

[[gnu::target("avx2")]] void PairWordsAvx2(const std::uint8_t* in, std::uint32_t size,
                                           std::uint64_t* mask) {
  for (std::uint32_t w = 0; w * 64 < size; ++w) {
    const std::uint8_t* at = in + w * 64;
    const auto low = static_cast<std::uint32_t>(_mm256_movemask_epi8(
        _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)),
                          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1)))));
    const auto high = static_cast<std::uint32_t>(_mm256_movemask_epi8(
        _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32)),
                          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 33)))));
    mask[w] = std::uint64_t{high} << 32 | low;
  }
}

#endif

#if defined(__SSE2__)

void PairWordsSse2(const std::uint8_t* in, std::uint32_t size, std::uint64_t* mask) {
  for (std::uint32_t w = 0; w * 64 < size; ++w) {
    std::uint64_t bits = 0;
    for (std::uint32_t k = 0; k < 64; k += 16) {
      const std::uint8_t* at = in + w * 64 + k;
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
      bits |= std::uint64_t{static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b)))}
              << k;
    }
    mask[w] = bits;
  }
}

#endif

// Clears the pair mask's bits from size - 1 on, over `words` words.
inline void ClearPastRow(std::uint32_t size, std::uint64_t* mask, std::uint32_t words) {
  const std::uint32_t valid = size == 0 ? 0 : size - 1;  // the last byte has no successor
  std::uint32_t w = valid / 64;
  if (valid % 64 != 0) {
    mask[w] &= (std::uint64_t{1} << (valid % 64)) - 1;
    ++w;
  }
  std::fill(mask + w, mask + words, std::uint64_t{0});
}

// The pair mask of a row of `size` bytes, its bits from size - 1 on clear, over `words` words,
// made without AVX-512.
void PairMask(const std::uint8_t* in, std::uint32_t size, std::uint64_t* mask,
              std::uint32_t words) {
#if defined(VEL_RLE_X86)
  if (vel::cpu::HasAvx2()) {
    PairWordsAvx2(in, size, mask);
  } else {
    PairWordsSse2(in, size, mask);
  }
#elif defined(__SSE2__)
  PairWordsSse2(in, size, mask);
#else
  PairWordsScalar(in, size, mask);
#endif
  ClearPastRow(size, mask, words);
}

// The mask's bits from `bit` on, in the low bits; at least kWindowBits of them are valid.
inline std::uint64_t Window(const std::uint64_t* mask, std::uint32_t bit) {
  if constexpr (std::endian::native == std::endian::little) {
    std::uint64_t word;
    std::memcpy(&word, reinterpret_cast<const std::uint8_t*>(mask) + (bit >> 3), 8);
    return word >> (bit & 7);
  } else {
    const std::uint32_t shift = bit & 63;
    return mask[bit >> 6] >> shift | (mask[(bit >> 6) + 1] << 1) << (63 - shift);
  }
}

// The length of the repeat at `at` (in[at] == in[at + 1]), at most 128.
inline std::uint32_t LongRun(const std::uint64_t* pairs, std::uint32_t at) {
  std::uint32_t pairs_in_run = 0;
  while (pairs_in_run < kMaxPacket - 1) {
    const auto ones = static_cast<std::uint32_t>(std::countr_one(Window(pairs, at + pairs_in_run)));
    if (ones < kWindowBits) {
      pairs_in_run += ones;
      break;
    }
    pairs_in_run += kWindowBits;
  }
  return std::min(pairs_in_run + 1, kMaxPacket);
}

// The length of the literal at `at` (in[at] != in[at + 1], or the row's last byte): up to the
// next three equal bytes when they start within 126 bytes, else 128 bytes or the rest of the row.
inline std::uint32_t LongLiteral(const std::uint64_t* pairs, std::uint32_t at,
                                 std::uint32_t size) {
  constexpr std::uint64_t kValid = (std::uint64_t{1} << (kWindowBits - 1)) - 1;
  for (std::uint32_t offset = 0; offset < kMaxPacket - 1; offset += kWindowBits - 1) {
    const std::uint64_t pairs_here = Window(pairs, at + offset);
    const std::uint64_t triples =
        pairs_here & (pairs_here >> 1) & kValid & ~std::uint64_t{offset == 0};
    if (triples != 0) {
      const std::uint32_t start = offset + static_cast<std::uint32_t>(std::countr_zero(triples));
      if (start <= kMaxPacket - 2) {
        return start;
      }
      break;
    }
  }
  return std::min(size - at, kMaxPacket);
}

// Packets follow from the pair mask. A repeat starts where two bytes are equal and runs to the
// next different byte (at most 128); a literal starts where they differ and runs up to the next
// three equal bytes, 128 bytes or the row's end, except that three equal bytes starting at its
// 128th byte leave the literal full. Within a window of the mask, one step writes every repeat
// up to the next single byte: each ends at the next change of value. `in` is readable for 64
// bytes past the row; `out` holds size + size / 128 + 1 bytes.
inline std::uint32_t EncodeRow(const std::uint8_t* in, std::uint32_t size,
                               const std::uint64_t* pairs, std::uint8_t* out) {
  std::uint8_t* const start = out;
  std::uint8_t* const end = out + size + size / kMaxPacket + 1;
  constexpr std::uint64_t kTriplesValid = (std::uint64_t{1} << (kWindowBits - 1)) - 1;
  std::uint32_t i = 0;
  while (i < size) {
    const std::uint64_t pair = Window(pairs, i);
    if ((pair & 1) != 0) {
      // Changes of value (bit 0: this repeat's start), and the first byte unlike both its
      // neighbours, where a literal will start.
      const std::uint64_t change = ~(pair << 1);
      const auto single = static_cast<std::uint32_t>(std::countr_zero(change & ~pair));
      const std::uint32_t stop = std::min(single, kWindowBits - 1);
      std::uint64_t ends = change & ~std::uint64_t{1} & ((std::uint64_t{2} << stop) - 1);
      if (ends == 0) {
        const std::uint32_t run = LongRun(pairs, i);
        out[0] = static_cast<std::uint8_t>(1 - static_cast<std::int32_t>(run));
        out[1] = in[i];
        out += 2;
        i += run;
        continue;
      }
      std::uint32_t from = 0;
      do {
        const auto to = static_cast<std::uint32_t>(std::countr_zero(ends));
        ends &= ends - 1;
        out[0] = static_cast<std::uint8_t>(1 - static_cast<std::int32_t>(to - from));
        out[1] = in[i + from];
        out += 2;
        from = to;
      } while (ends != 0);
      i += from;
      continue;
    }
    const std::uint64_t triples = pair & (pair >> 1) & kTriplesValid & ~std::uint64_t{1};
    const std::uint32_t length = triples != 0
                                     ? static_cast<std::uint32_t>(std::countr_zero(triples))
                                     : LongLiteral(pairs, i, size);
    out[0] = static_cast<std::uint8_t>(length - 1);
    if (end - out >= kCopyRoom) {
      // The input holds 64 readable bytes past the row.
      for (std::uint32_t k = 0; k < length; k += 32) {
        std::memcpy(out + 1 + k, in + i + k, 32);
      }
    } else {
      std::memcpy(out + 1, in + i, length);
    }
    out += length + 1;
    i += length;
  }
  return static_cast<std::uint32_t>(out - start);
}

#if defined(VEL_RLE_X86)

// The pair mask and the packets, compiled for processors with AVX-512 and the bit instructions
// (tzcnt, blsr, popcnt) that the packet walk uses.
[[gnu::target("avx512f,avx512bw,bmi,bmi2,popcnt"), gnu::flatten]] std::uint32_t EncodeAvx512(
    const std::uint8_t* in, std::uint32_t size, std::uint64_t* pairs, std::uint32_t words,
    std::uint8_t* out) {
  PairWordsAvx512(in, size, pairs);
  ClearPastRow(size, pairs, words);
  return EncodeRow(in, size, pairs, out);
}

#endif

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
  // The encoder reads up to 64 bytes past the row: they stay zero.
  const std::uint64_t work = std::max<std::uint64_t>(inner_->GetRowBytes(), n) + kInputSlack;
  work_.reset(new (std::nothrow) std::uint8_t[work]());
  pair_words_ = static_cast<std::uint32_t>(n / 64 + 6);
  pairs_.reset(new (std::nothrow) std::uint64_t[pair_words_]());
  if (work_ == nullptr || pairs_ == nullptr) {
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
  if (data < data_bytes_ + pad_bytes_) {
    std::memset(work_.get() + data, 0, data_bytes_ + pad_bytes_ - data);
  }
  length = Encode(data_bytes_ + pad_bytes_, buffer);
  return status;
}

std::uint32_t GRowRunLengthFilter::Encode(std::uint32_t size, std::uint8_t* out) {
#if defined(VEL_RLE_X86)
  if (vel::cpu::HasAvx512BwBmi()) {
    return EncodeAvx512(work_.get(), size, pairs_.get(), pair_words_, out);
  }
#endif
  PairMask(work_.get(), size, pairs_.get(), pair_words_);
  return EncodeRow(work_.get(), size, pairs_.get(), out);
}
