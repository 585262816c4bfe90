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
// Bytes of the work row readable past its end: the pair mask is made 64 bytes at a time, from
// the next 64 bytes too, and a literal is copied as 128 bytes.
constexpr std::uint32_t kInputSlack = 128;
// The work row starts at this alignment.
constexpr std::uint32_t kWorkAlignment = 64;
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

// The pair mask from aligned loads, each 64 bytes of the row loaded once and the bytes that follow
// them taken from the next load: a load that straddles two of the stores that just wrote the row
// waits until they reach the cache, while one inside a store is forwarded from it. The bits from
// size - 1 on are clear in the words written (those up to byte `size`); words past them are
// left as they are. `in` is 64-byte aligned and readable for size + 128 bytes.
[[gnu::target("avx512f,avx512bw,avx512vbmi")]] inline void PairWordsAligned(
    const std::uint8_t* in, std::uint32_t size, std::uint64_t* mask) {
  const __m512i next_byte = _mm512_set_epi64(
      0x403F3E3D3C3B3A39, 0x3837363534333231, 0x302F2E2D2C2B2A29, 0x2827262524232221,
      0x201F1E1D1C1B1A19, 0x1817161514131211, 0x100F0E0D0C0B0A09, 0x0807060504030201);
  const std::uint32_t valid = size - 1;  // the last byte has no successor
  __m512i bytes = _mm512_load_si512(in);
  for (std::uint32_t w = 0; w * 64 < size; ++w) {
    const __m512i following = _mm512_load_si512(in + w * 64 + 64);
    __mmask64 equal =
        _mm512_cmpeq_epi8_mask(bytes, _mm512_permutex2var_epi8(bytes, next_byte, following));
    const std::uint32_t left = valid - w * 64;
    if (left < 64) {
      equal = _kand_mask64(equal, _cvtu64_mask64((std::uint64_t{1} << left) - 1));
    }
    mask[w] = _cvtmask64_u64(equal);
    bytes = following;
  }
}

// The repeats of a window of the row at `in`, each ending where the next begins: at the set bits
// of `ends` (at least one, among bits 1 to 56, two or more apart), the first starting at bit 0,
// or `before` bytes ahead of the window (its value is the window's first byte). The count bytes
// and the value bytes are made side by side and stored at once; `room` tells whether `out` holds
// 64 bytes. Answers the end of what it wrote.
[[gnu::target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi2,popcnt")]] inline std::uint8_t*
RepeatsAvx512(const std::uint8_t* in, std::uint64_t ends, std::uint32_t before, std::uint8_t* out,
              bool room) {
  const __m512i positions = _mm512_set_epi64(
      0x3F3E3D3C3B3A3938, 0x3736353433323130, 0x2F2E2D2C2B2A2928, 0x2726252423222120,
      0x1F1E1D1C1B1A1918, 0x1716151413121110, 0x0F0E0D0C0B0A0908, 0x0706050403020100);
  // Byte 2j takes byte j of the first vector (a count), byte 2j + 1 byte j of the second (a value).
  const __m512i interleave = _mm512_set_epi64(
      0x5F1F5E1E5D1D5C1C, 0x5B1B5A1A59195818, 0x5717561655155414, 0x5313521251115010,
      0x4F0F4E0E4D0D4C0C, 0x4B0B4A0A49094808, 0x4707460645054404, 0x4303420241014000);
  const __m512i starts = _mm512_maskz_compress_epi8(ends | 1, positions);
  const __m512i stops = _mm512_maskz_compress_epi8(ends, positions);
  // The count is 1 - length, the length stop - start (and `before` for the first).
  __m512i counts = _mm512_sub_epi8(_mm512_add_epi8(starts, _mm512_set1_epi8(1)), stops);
  counts = _mm512_mask_sub_epi8(counts, 1, counts, _mm512_set1_epi8(static_cast<char>(before)));
  // (The zero-masking form: the plain one starts from an undefined vector that GCC 12 takes for
  // an uninitialized read.)
  const __m512i values =
      _mm512_maskz_permutexvar_epi8(~std::uint64_t{0}, starts, _mm512_loadu_si512(in));
  const __m512i packets = _mm512_permutex2var_epi8(counts, interleave, values);
  const auto bytes = static_cast<std::uint32_t>(2 * std::popcount(ends));
  if (room) {
    _mm512_storeu_si512(out, packets);
  } else {
    _mm512_mask_storeu_epi8(out, _cvtu64_mask64(_bzhi_u64(~std::uint64_t{0}, bytes)), packets);
  }
  return out + bytes;
}

// Packets that start at `at` in the window at `base` (`window`: its pair bits) and end in it, as
// long as there are such: a literal where in[base + at] differs from the next byte, running to
// the next three equal bytes, else repeats up to the next single byte, as in EncodeRow. Writes
// them to `out` (which `end` bounds) and answers where the next packet starts: at the first one
// whose end does not show in the window, or at the row's end. Rows of short repeats and
// literals, such as lines of text, thus take several packets from one window.
inline std::uint32_t MorePackets(const std::uint8_t* in, std::uint32_t size, std::uint32_t base,
                                 std::uint64_t window, std::uint32_t at, std::uint8_t*& out,
                                 std::uint8_t* end) {
  constexpr std::uint64_t kTriplesValid = (std::uint64_t{1} << (kWindowBits - 1)) - 1;
  constexpr std::uint64_t kEndsValid = ((std::uint64_t{1} << kWindowBits) - 1) & ~std::uint64_t{1};
  const std::uint64_t follows = window << 1;
  const std::uint64_t singles = ~(follows | window) & kEndsValid;
  const std::uint64_t triples = window & (window >> 1) & kTriplesValid;
  while (base + at < size) {
    const std::uint64_t later = (~std::uint64_t{0} << at) << 1;
    if (((window >> at) & 1) != 0) {
      const std::uint64_t later_singles = singles & later;
      if (later_singles == 0) {
        break;
      }
      const std::uint64_t ends = ~follows & later & (later_singles ^ (later_singles - 1));
      out = RepeatsAvx512(in + base + at, ends >> at, 0, out, end - out >= 64);
      at = static_cast<std::uint32_t>(std::countr_zero(later_singles));
    } else {
      const std::uint64_t later_triples = triples & later;
      if (later_triples == 0) {
        break;
      }
      const auto stop = static_cast<std::uint32_t>(std::countr_zero(later_triples));
      const std::uint32_t length = stop - at;
      out[0] = static_cast<std::uint8_t>(length - 1);
      if (end - out >= 1 + 64) {
        std::memcpy(out + 1, in + base + at, 64);
      } else {
        std::memcpy(out + 1, in + base + at, length);
      }
      out += length + 1;
      at = stop;
    }
  }
  return at;
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

// The length of the repeat at `at`, at most 128, when it holds at least 57 bytes (pair bits 0 to
// 55 set). The windows at 56 and 112 bytes on are read at once; the length follows from one.
inline std::uint32_t LongRun(const std::uint64_t* pairs, std::uint32_t at) {
  constexpr std::uint32_t kSecond = kWindowBits - 1;
  const auto ones = static_cast<std::uint32_t>(std::countr_one(Window(pairs, at + kSecond)));
  if (ones < kWindowBits) {
    return kSecond + ones + 1;
  }
  // Pairs up to 2 * kSecond are set: the run goes on for up to 127 pairs in all.
  constexpr std::uint32_t kThird = 2 * kSecond;
  constexpr std::uint64_t kLast = std::uint64_t{1} << (kMaxPacket - 1 - kThird);
  const std::uint64_t breaks = ~Window(pairs, at + kThird) | kLast;
  return kThird + 1 + static_cast<std::uint32_t>(std::countr_zero(breaks));
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
// up to the next single byte: each ends at the next change of value. `out` holds size + size /
// 128 + 1 bytes; `in` is readable for 64 bytes past the row, or with kAvx512 128 bytes, and the
// repeats of a step are written together (RepeatsAvx512) and a literal copied as 128 bytes.
template <bool kAvx512>
inline std::uint32_t EncodeRow(const std::uint8_t* in, std::uint32_t size,
                               const std::uint64_t* pairs, std::uint8_t* out) {
  std::uint8_t* const start = out;
  std::uint8_t* const end = out + size + size / kMaxPacket + 1;
  constexpr std::uint64_t kTriplesValid = (std::uint64_t{1} << (kWindowBits - 1)) - 1;
  constexpr std::uint64_t kEndsValid = ((std::uint64_t{1} << kWindowBits) - 1) & ~std::uint64_t{1};
  std::uint32_t i = 0;
  while (i < size) {
    const std::uint64_t pair = Window(pairs, i);
    if ((pair & 1) != 0) {
      // Bytes equal to the one before, and bytes unlike both neighbours: a literal starts at
      // the first of these. The repeats end at the changes of value (bit 0 is this repeat's
      // start) up to that byte, within the window's valid bits.
      std::uint64_t follows = pair << 1;
      const std::uint64_t singles = ~(follows | pair);
      std::uint64_t ends = ~follows & (singles ^ (singles - 1)) & kEndsValid;
      if (ends == 0) {
        const std::uint32_t run = LongRun(pairs, i);
        out[0] = static_cast<std::uint8_t>(1 - static_cast<std::int32_t>(run));
        out[1] = in[i];
        out += 2;
        i += run;
        continue;
      }
#if defined(VEL_RLE_X86)
      if constexpr (kAvx512) {
        // Windows 56 bytes apart from here while no single byte shows, so that their loads do
        // not wait for the step before. The last repeat of a window runs on into the next one,
        // whose first byte is its value, and ends at that window's first change of value.
        std::uint32_t base = i;
        std::uint32_t before = 0;  // bytes of the running repeat ahead of the window
        std::uint64_t window = pair;
        for (;;) {
          out = RepeatsAvx512(in + base, ends, before, out, end - out >= 64);
          const auto single = static_cast<std::uint32_t>(std::countr_zero((follows | window) + 1));
          if (single < kWindowBits) {
            // A literal starts there.
            i = base + MorePackets(in, size, base, window, single, out, end);
            break;
          }
          const auto last_change = static_cast<std::uint32_t>(63 - std::countl_zero(ends));
          base += kWindowBits - 1;
          before = kWindowBits - 1 - last_change;
          window = Window(pairs, base);
          follows = window << 1;
          const std::uint64_t singles_here = ~(follows | window);
          ends = ~follows & (singles_here ^ (singles_here - 1)) & kEndsValid;
          if (ends == 0) {
            i = base - before;  // a repeat of 57 bytes or more: the step above takes it
            break;
          }
        }
        continue;
      }
#endif
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
    if (kAvx512 && end - out >= 1 + kMaxPacket) {
      std::memcpy(out + 1, in + i, 64);
      std::memcpy(out + 65, in + i + 64, 64);
    } else if (end - out >= kCopyRoom) {
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
  return EncodeRow<false>(in, size, pairs, out);
}

// The same with the byte permutes and compresses of VBMI and VBMI2 and lzcnt: the mask from
// aligned loads, the repeats of a step written together. The pair mask's words past the row's
// stay as Prepare left them, zero. `in` is 64-byte aligned.
[[gnu::target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt,lzcnt"), gnu::flatten]]
std::uint32_t EncodeAvx512Vbmi2(const std::uint8_t* in, std::uint32_t size, std::uint64_t* pairs,
                                std::uint8_t* out) {
  PairWordsAligned(in, size, pairs);
  return EncodeRow<true>(in, size, pairs, out);
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
  // The encoder reads up to kInputSlack bytes past the row.
  const std::uint64_t work = std::max<std::uint64_t>(inner_->GetRowBytes(), n) + kInputSlack;
  work_storage_.reset(new (std::nothrow) std::uint8_t[work + kWorkAlignment - 1]());
  work_ = work_storage_.get();
  if (work_ != nullptr) {
    const auto offset = reinterpret_cast<std::uintptr_t>(work_) % kWorkAlignment;
    work_ += offset == 0 ? 0 : kWorkAlignment - offset;
  }
  pair_words_ = static_cast<std::uint32_t>(n / 64 + 6);
  pairs_.reset(new (std::nothrow) std::uint64_t[pair_words_]());
  if (work_storage_ == nullptr || pairs_ == nullptr) {
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
  const std::uint32_t status = ReadInner(work_, row_number, length, repeat, flag);
  if (length == 0) {
    return status;
  }
  const std::uint32_t data = std::min(length, data_bytes_);
  // Bytes the row below did not fill, and the pad, are zeros.
  if (data < data_bytes_ + pad_bytes_) {
    std::memset(work_ + data, 0, data_bytes_ + pad_bytes_ - data);
  }
  length = Encode(data_bytes_ + pad_bytes_, buffer);
  return status;
}

std::uint32_t GRowRunLengthFilter::Encode(std::uint32_t size, std::uint8_t* out) {
#if defined(VEL_RLE_X86)
  if (vel::cpu::HasAvx512Vbmi2Bmi()) {
    return EncodeAvx512Vbmi2(work_, size, pairs_.get(), out);
  }
  if (vel::cpu::HasAvx512BwBmi()) {
    return EncodeAvx512(work_, size, pairs_.get(), pair_words_, out);
  }
#endif
  PairMask(work_, size, pairs_.get(), pair_words_);
  return EncodeRow<false>(work_, size, pairs_.get(), out);
}
