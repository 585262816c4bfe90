// GDitherRowStage: ordered dithering of rows to one bit per pixel.
#include "framework/pipeline/GDitherRowStage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VEL_DITHER_X86 1
#endif

#include "framework/pipeline/CpuFeatures.h"
#include "framework/pipeline/GColor.h"
#include "framework/pipeline/GDitherMatrix.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GRGBColor.h"

namespace {

// Threshold lines for every matrix row are kept when they take no more than this.
constexpr std::uint64_t kMaxThresholdBytes = 4u << 20;

std::uint8_t Grey(const GColor* color) {
  if (color == nullptr) {
    return 0;
  }
  const GRGBColor rgb = color->AsRGBColor();
  return static_cast<std::uint8_t>((30 * rgb.GetRed() + 59 * rgb.GetGreen() + 11 * rgb.GetBlue()) /
                                   100);
}

// Each byte with its bits in the opposite order.
constexpr std::array<std::uint8_t, 256> kReversed = [] {
  std::array<std::uint8_t, 256> table{};
  for (std::uint32_t value = 0; value < 256; ++value) {
    std::uint32_t reversed = 0;
    for (std::uint32_t bit = 0; bit < 8; ++bit) {
      reversed |= ((value >> bit) & 1u) << (7 - bit);
    }
    table[value] = static_cast<std::uint8_t>(reversed);
  }
  return table;
}();

#if defined(VEL_DITHER_X86)

// Threshold 64 pixels at a time; answers how many pixels were done. Levels and thresholds have
// each group of 8 bytes reversed, so that the comparison's mask has each byte's first pixel in its
// high bit. With `repeats`, `thresholds` holds 64 bytes that stand for every 64 pixels.
[[gnu::target("avx512f,avx512bw")]] std::uint32_t ThresholdAvx512(const std::uint8_t* levels,
                                                                  const std::uint8_t* thresholds,
                                                                  bool repeats,
                                                                  std::uint32_t count,
                                                                  std::uint8_t* out) {
  constexpr long long kLow = 0x0001020304050607;   // bytes 7 to 0
  constexpr long long kHigh = 0x08090A0B0C0D0E0F;  // bytes 15 to 8
  const __m512i reverse = _mm512_set_epi64(kHigh, kLow, kHigh, kLow, kHigh, kLow, kHigh, kLow);
  std::uint32_t x = 0;
  if (repeats) {
    const __m512i threshold = _mm512_shuffle_epi8(_mm512_loadu_si512(thresholds), reverse);
    for (; x + 64 <= count; x += 64) {
      const __m512i level = _mm512_shuffle_epi8(_mm512_loadu_si512(levels + x), reverse);
      const std::uint64_t mask = _mm512_cmp_epu8_mask(level, threshold, _MM_CMPINT_NLT);
      std::memcpy(out + (x >> 3), &mask, 8);
    }
    return x;
  }
  for (; x + 64 <= count; x += 64) {
    const __m512i level = _mm512_shuffle_epi8(_mm512_loadu_si512(levels + x), reverse);
    const __m512i threshold = _mm512_shuffle_epi8(_mm512_loadu_si512(thresholds + x), reverse);
    const std::uint64_t mask = _mm512_cmp_epu8_mask(level, threshold, _MM_CMPINT_NLT);
    std::memcpy(out + (x >> 3), &mask, 8);
  }
  return x;
}

// Threshold 32 pixels at a time; answers how many pixels were done. Each group of 8 bytes is
// reversed first, so that the mask of the comparison has its first pixel in the high bit. Pixel x
// compares with thresholds[x & wrap].
[[gnu::target("avx2")]] std::uint32_t ThresholdAvx2(const std::uint8_t* levels,
                                                    const std::uint8_t* thresholds,
                                                    std::uint32_t wrap, std::uint32_t count,
                                                    std::uint8_t* out) {
  const __m256i reverse = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8,
                                           7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
  std::uint32_t x = 0;
  for (; x + 32 <= count; x += 32) {
    const __m256i level = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(levels + x));
    const __m256i threshold =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(thresholds + (x & wrap)));
    const __m256i light = _mm256_cmpeq_epi8(_mm256_max_epu8(level, threshold), level);
    const auto mask =
        static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_shuffle_epi8(light, reverse)));
    std::memcpy(out + (x >> 3), &mask, 4);
  }
  return x;
}

// Output pixel j of 64, the groups of 8 reversed as ThresholdAvx512 has them, is grown from this
// one of 64 levels (the low 32 levels; add 32 for the high ones).
constexpr std::array<std::uint8_t, 64> kGrownLevels = [] {
  std::array<std::uint8_t, 64> index{};
  for (std::uint32_t j = 0; j < 64; ++j) {
    index[j] = static_cast<std::uint8_t>(((j & ~7u) | (7 - (j & 7))) >> 1);
  }
  return index;
}();

// The 64 thresholds at `at`, groups of 8 reversed, or the repeated ones.
template <bool Repeats>
[[gnu::target("avx512f,avx512bw"), gnu::always_inline]] inline __m512i GrownThresholds(
    const std::uint8_t* at, __m512i repeated, __m512i reverse) {
  if constexpr (Repeats) {
    return repeated;
  } else {
    return _mm512_shuffle_epi8(_mm512_loadu_si512(at), reverse);
  }
}

// ThresholdAvx512 of levels grown 2x across: `count` pixels from count / 2 levels, 128 pixels at a
// time from 64 levels, then 64 from 32; answers how many pixels were done.
template <bool Repeats>
[[gnu::target("avx512f,avx512bw,avx512vbmi")]] std::uint32_t ThresholdGrownAvx512(
    const std::uint8_t* levels, const std::uint8_t* thresholds, std::uint32_t count,
    std::uint8_t* out) {
  constexpr long long kLow = 0x0001020304050607;
  constexpr long long kHigh = 0x08090A0B0C0D0E0F;
  const __m512i reverse = _mm512_set_epi64(kHigh, kLow, kHigh, kLow, kHigh, kLow, kHigh, kLow);
  const __m512i low = _mm512_loadu_si512(kGrownLevels.data());
  const __m512i high = _mm512_add_epi8(low, _mm512_set1_epi8(32));
  const __m512i repeated =
      Repeats ? _mm512_shuffle_epi8(_mm512_loadu_si512(thresholds), reverse) : __m512i{};
  std::uint32_t x = 0;
  for (; x + 128 <= count; x += 128) {
    const __m512i level = _mm512_loadu_si512(levels + x / 2);
    const __m512i first_thresholds = GrownThresholds<Repeats>(thresholds + x, repeated, reverse);
    const __m512i second_thresholds =
        GrownThresholds<Repeats>(thresholds + x + 64, repeated, reverse);
    // The zero-masking form: GCC 12 warns about the unmasked one's undefined source.
    const std::uint64_t first = _mm512_cmp_epu8_mask(
        _mm512_maskz_permutexvar_epi8(~0ull, low, level), first_thresholds, _MM_CMPINT_NLT);
    const std::uint64_t second = _mm512_cmp_epu8_mask(
        _mm512_maskz_permutexvar_epi8(~0ull, high, level), second_thresholds, _MM_CMPINT_NLT);
    std::memcpy(out + x / 8, &first, 8);
    std::memcpy(out + x / 8 + 8, &second, 8);
  }
  if (x + 64 <= count) {
    const __m512i level = _mm512_maskz_loadu_epi8(0xFFFFFFFFull, levels + x / 2);
    const __m512i first_thresholds = GrownThresholds<Repeats>(thresholds + x, repeated, reverse);
    const std::uint64_t first = _mm512_cmp_epu8_mask(
        _mm512_maskz_permutexvar_epi8(~0ull, low, level), first_thresholds, _MM_CMPINT_NLT);
    std::memcpy(out + x / 8, &first, 8);
    x += 64;
  }
  return x;
}

// ThresholdGrownAvx512 for two lines at once, each with its own thresholds: the levels are
// grown once for both. 128 pixels at a time, then 64; answers how many pixels were done.
template <bool Repeats>
[[gnu::target("avx512f,avx512bw,avx512vbmi")]] std::uint32_t ThresholdGrownPairAvx512(
    const std::uint8_t* levels, const std::uint8_t* thresholds, const std::uint8_t* thresholds2,
    std::uint32_t count, std::uint8_t* out, std::uint8_t* out2) {
  constexpr long long kLow = 0x0001020304050607;
  constexpr long long kHigh = 0x08090A0B0C0D0E0F;
  const __m512i reverse = _mm512_set_epi64(kHigh, kLow, kHigh, kLow, kHigh, kLow, kHigh, kLow);
  const __m512i low = _mm512_loadu_si512(kGrownLevels.data());
  const __m512i high = _mm512_add_epi8(low, _mm512_set1_epi8(32));
  const __m512i repeated =
      Repeats ? _mm512_shuffle_epi8(_mm512_loadu_si512(thresholds), reverse) : __m512i{};
  const __m512i repeated2 =
      Repeats ? _mm512_shuffle_epi8(_mm512_loadu_si512(thresholds2), reverse) : __m512i{};
  std::uint32_t x = 0;
  for (; x + 128 <= count; x += 128) {
    const __m512i level = _mm512_loadu_si512(levels + x / 2);
    // The zero-masking form: GCC 12 warns about the unmasked one's undefined source.
    const __m512i first_levels = _mm512_maskz_permutexvar_epi8(~0ull, low, level);
    const __m512i second_levels = _mm512_maskz_permutexvar_epi8(~0ull, high, level);
    // Each mask stored alone: a 16-byte copy of two would be read back from the stack.
    const std::uint64_t first = _mm512_cmp_epu8_mask(
        first_levels, GrownThresholds<Repeats>(thresholds + x, repeated, reverse),
        _MM_CMPINT_NLT);
    const std::uint64_t second = _mm512_cmp_epu8_mask(
        second_levels, GrownThresholds<Repeats>(thresholds + x + 64, repeated, reverse),
        _MM_CMPINT_NLT);
    const std::uint64_t first2 = _mm512_cmp_epu8_mask(
        first_levels, GrownThresholds<Repeats>(thresholds2 + x, repeated2, reverse),
        _MM_CMPINT_NLT);
    const std::uint64_t second2 = _mm512_cmp_epu8_mask(
        second_levels, GrownThresholds<Repeats>(thresholds2 + x + 64, repeated2, reverse),
        _MM_CMPINT_NLT);
    std::memcpy(out + x / 8, &first, 8);
    std::memcpy(out + x / 8 + 8, &second, 8);
    std::memcpy(out2 + x / 8, &first2, 8);
    std::memcpy(out2 + x / 8 + 8, &second2, 8);
  }
  if (x + 64 <= count) {
    const __m512i first_levels = _mm512_maskz_permutexvar_epi8(
        ~0ull, low, _mm512_maskz_loadu_epi8(0xFFFFFFFFull, levels + x / 2));
    const std::uint64_t first = _mm512_cmp_epu8_mask(
        first_levels, GrownThresholds<Repeats>(thresholds + x, repeated, reverse),
        _MM_CMPINT_NLT);
    const std::uint64_t first2 = _mm512_cmp_epu8_mask(
        first_levels, GrownThresholds<Repeats>(thresholds2 + x, repeated2, reverse),
        _MM_CMPINT_NLT);
    std::memcpy(out + x / 8, &first, 8);
    std::memcpy(out2 + x / 8, &first2, 8);
    x += 64;
  }
  return x;
}

// ThresholdAvx2 of levels grown 2x across: 32 pixels at a time from 16 levels.
[[gnu::target("avx2")]] std::uint32_t ThresholdGrownAvx2(const std::uint8_t* levels,
                                                         const std::uint8_t* thresholds,
                                                         std::uint32_t wrap, std::uint32_t count,
                                                         std::uint8_t* out) {
  const __m256i reverse = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8,
                                           7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
  std::uint32_t x = 0;
  for (; x + 32 <= count; x += 32) {
    const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(levels + x / 2));
    const __m256i level = _mm256_set_m128i(_mm_unpackhi_epi8(sixteen, sixteen),
                                           _mm_unpacklo_epi8(sixteen, sixteen));
    const __m256i threshold =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(thresholds + (x & wrap)));
    const __m256i light = _mm256_cmpeq_epi8(_mm256_max_epu8(level, threshold), level);
    const auto mask =
        static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_shuffle_epi8(light, reverse)));
    std::memcpy(out + (x >> 3), &mask, 4);
  }
  return x;
}

#endif

// Threshold of levels grown 2x across: pixel x has level levels[x / 2]. Pixels from `from` (a
// multiple of 64) to `count`.
void ThresholdGrown(const std::uint8_t* levels, const std::uint8_t* thresholds, bool repeats,
                    std::uint32_t from, std::uint32_t count, std::uint8_t* out) {
  levels += from / 2;
  thresholds += repeats ? 0 : from;
  out += from / 8;
  count -= from;
  const std::uint32_t wrap = repeats ? 63u : ~0u;
  std::uint32_t x = 0;
#if defined(VEL_DITHER_X86)
  if (vel::cpu::HasAvx512Vbmi()) {
    x = repeats ? ThresholdGrownAvx512<true>(levels, thresholds, count, out)
                : ThresholdGrownAvx512<false>(levels, thresholds, count, out);
  }
  if (vel::cpu::HasAvx2()) {
    // x is a multiple of 64 here.
    x += ThresholdGrownAvx2(levels + x / 2, repeats ? thresholds : thresholds + x, wrap, count - x,
                            out + (x >> 3));
  }
#endif
  for (; x < count; x += 8) {
    std::uint32_t byte = 0;
    for (std::uint32_t i = x; i < x + 8; ++i) {
      byte = (byte << 1) | (levels[i >> 1] >= thresholds[i & wrap] ? 1u : 0u);
    }
    out[x >> 3] = static_cast<std::uint8_t>(byte);
  }
}

// ThresholdGrown for two lines of the same levels, each with its own thresholds.
void ThresholdGrownPair(const std::uint8_t* levels, const std::uint8_t* thresholds,
                        const std::uint8_t* thresholds2, bool repeats, std::uint32_t count,
                        std::uint8_t* out, std::uint8_t* out2) {
  std::uint32_t x = 0;
#if defined(VEL_DITHER_X86)
  if (vel::cpu::HasAvx512Vbmi()) {
    x = repeats ? ThresholdGrownPairAvx512<true>(levels, thresholds, thresholds2, count, out, out2)
                : ThresholdGrownPairAvx512<false>(levels, thresholds, thresholds2, count, out,
                                                  out2);
  }
#endif
  if (x < count) {
    ThresholdGrown(levels, thresholds, repeats, x, count, out);
    ThresholdGrown(levels, thresholds2, repeats, x, count, out2);
  }
}

// One bit per pixel, most significant first: 1 where the level is at least the threshold.
// `count` is a multiple of 8. With `repeats`, `thresholds` holds 64 bytes that stand for every 64
// pixels; else one per pixel.
void Threshold(const std::uint8_t* levels, const std::uint8_t* thresholds, bool repeats,
               std::uint32_t count, std::uint8_t* out) {
  const std::uint32_t wrap = repeats ? 63u : ~0u;
  std::uint32_t x = 0;
#if defined(VEL_DITHER_X86)
  if (vel::cpu::HasAvx512Bw()) {
    x = ThresholdAvx512(levels, thresholds, repeats, count, out);
  }
  if (vel::cpu::HasAvx2()) {
    // x is a multiple of 64 here.
    x += ThresholdAvx2(levels + x, repeats ? thresholds : thresholds + x, wrap, count - x,
                       out + (x >> 3));
  }
  for (; x + 16 <= count; x += 16) {
    const __m128i level = _mm_loadu_si128(reinterpret_cast<const __m128i*>(levels + x));
    const __m128i threshold =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(thresholds + (x & wrap)));
    const __m128i light = _mm_cmpeq_epi8(_mm_max_epu8(level, threshold), level);
    const auto mask = static_cast<std::uint32_t>(_mm_movemask_epi8(light));
    out[x >> 3] = kReversed[mask & 0xFF];
    out[(x >> 3) + 1] = kReversed[mask >> 8];
  }
#endif
  for (; x < count; x += 8) {
    std::uint32_t byte = 0;
    for (std::uint32_t i = x; i < x + 8; ++i) {
      byte = (byte << 1) | (levels[i] >= thresholds[i & wrap] ? 1u : 0u);
    }
    out[x >> 3] = static_cast<std::uint8_t>(byte);
  }
}

}  // namespace

std::int32_t GDitherRowStage::Prepare() {
  ready_ = 0;
  if (inner_ == nullptr || matrix_ == nullptr || matrix_->GetWidth() == 0 ||
      matrix_->GetHeight() == 0) {
    return 0;
  }
  bits_ = inner_->GetBitsPerPixel();
  if (bits_ != 1 && bits_ != 4 && bits_ != 8) {
    return 0;
  }
  GRect rect;
  inner_->GetRect(rect);
  width_ = static_cast<std::uint32_t>(vel::RectWidth(rect));
  source_bytes_ = static_cast<std::uint32_t>((std::uint64_t{bits_} * width_ + 7) >> 3);
  const std::uint32_t inner_bytes = inner_->GetRowBytes();
  if (source_bytes_ > inner_bytes) {
    return 0;  // the rows below are narrower than their rectangle
  }
  matrix_width_ = matrix_->GetWidth();
  matrix_height_ = matrix_->GetHeight();
  thresholds_repeat_ = 64 % matrix_width_ == 0;
  const auto x_phase = (std::int32_t{x_} + rect.left) % static_cast<std::int32_t>(matrix_width_);
  phase_ = static_cast<std::uint32_t>(x_phase < 0 ? x_phase + matrix_width_ : x_phase);

  // Levels: every value a row can hold has one, so no lookup goes past the table. 8-bit values
  // without a palette are their own levels and need no table.
  const GPaletteTable* palette = inner_->GetPalette();
  levels_are_values_ = palette == nullptr && bits_ == 8;
  for (std::uint32_t value = 0; value < 256 && !levels_are_values_; ++value) {
    if (palette != nullptr) {
      levels_[value] = value < palette->GetCount() ? Grey(palette->GetEntry(value)) : 0;
    } else if (bits_ == 1) {
      levels_[value] = value == 0 ? 0 : 255;
    } else if (bits_ == 4) {
      levels_[value] = static_cast<std::uint8_t>(std::min<std::uint32_t>(value, 15) * 17);
    } else {
      levels_[value] = static_cast<std::uint8_t>(value);
    }
  }

  const std::uint32_t padded = (width_ + 7) & ~7u;
  // A matrix width that divides 64 needs 64 thresholds a line: they stand for every 64 pixels.
  line_bytes_ = thresholds_repeat_ ? 64 : padded;
  const std::uint64_t all_lines = std::uint64_t{matrix_height_} * line_bytes_;
  all_threshold_lines_ = all_lines <= kMaxThresholdBytes;
  const std::size_t threshold_bytes = all_threshold_lines_ ? all_lines : line_bytes_;
  cells_.reset(new (std::nothrow) std::uint8_t[matrix_width_ * matrix_height_]);
  // 8-bit values that are their own levels are compared where they are read, so the row buffer
  // holds the padded width too.
  row_.reset(new (std::nothrow) std::uint8_t[std::max<std::uint32_t>({inner_bytes, padded, 1})]);
  if (!levels_are_values_) {
    level_line_.reset(new (std::nothrow) std::uint8_t[std::max<std::uint32_t>(padded, 1)]);
  }
  thresholds_.reset(new (std::nothrow) std::uint8_t[std::max<std::size_t>(threshold_bytes, 1)]);
  row_bytes_ = width_ / 8 + (width_ % 8 != 0 ? 1 : 0);
  held_line_.reset(new (std::nothrow) std::uint8_t[std::max<std::uint32_t>(row_bytes_, 1)]);
  if (cells_ == nullptr || row_ == nullptr || (!levels_are_values_ && level_line_ == nullptr) ||
      thresholds_ == nullptr || held_line_ == nullptr) {
    return 0;
  }
  // A matrix without bytes reads as 0 in every cell.
  if (const std::uint8_t* values = matrix_->GetValues(); values != nullptr) {
    std::memcpy(cells_.get(), values, std::size_t{matrix_width_} * matrix_height_);
  } else {
    std::memset(cells_.get(), 0, std::size_t{matrix_width_} * matrix_height_);
  }
  if (all_threshold_lines_) {
    for (std::uint32_t r = 0; r < matrix_height_; ++r) {
      FillThresholdLine(thresholds_.get() + std::size_t{r} * line_bytes_, r);
    }
  }
  // Pixels past the right edge compare as light: a level of 255 against a threshold of 0.
  if (!levels_are_values_) {
    std::memset(level_line_.get() + width_, 255, padded - width_);
  }
  // 8-bit rows doubled across below come narrow: each level is compared with the thresholds of
  // both its columns, which gives the bits of the doubled row.
  narrow_ = bits_ == 8 && inner_->GetNarrowFactor() == 2 && inner_->UseNarrowRows();
  if (narrow_) {
    source_bytes_ = (width_ + 1) / 2;
    if (!levels_are_values_) {
      std::memset(level_line_.get() + source_bytes_, 255, padded / 2 - source_bytes_);
    }
  }
  ready_ = 1;
  return 1;
}

void GDitherRowStage::FillThresholdLine(std::uint8_t* line, std::uint32_t matrix_row) const {
  const std::uint8_t* cells = cells_.get() + std::size_t{matrix_row} * matrix_width_;
  // 64 thresholds for a matrix width that divides 64, else one per pixel and zeros to the padded
  // width.
  const std::uint32_t width = thresholds_repeat_ ? 64 : width_;
  const std::uint32_t padded = thresholds_repeat_ ? 64 : (width_ + 7) & ~7u;
  // One period of the matrix row from the phase on, then copies of what is there, doubling.
  const std::uint32_t period = std::min(width, matrix_width_);
  std::uint32_t column = phase_;
  for (std::uint32_t x = 0; x < period; ++x) {
    line[x] = cells[column];
    if (++column == matrix_width_) {
      column = 0;
    }
  }
  for (std::uint32_t filled = period; filled < width; filled *= 2) {
    std::memcpy(line + filled, line, std::min(filled, width - filled));
  }
  std::memset(line + width, 0, padded - width);
}

const std::uint8_t* GDitherRowStage::ThresholdLine(std::uint32_t matrix_row) {
  if (all_threshold_lines_) {
    return thresholds_.get() + std::size_t{matrix_row} * line_bytes_;
  }
  FillThresholdLine(thresholds_.get(), matrix_row);
  return thresholds_.get();
}

const std::uint8_t* GDitherRowStage::LevelLine() {
  const std::uint8_t* in = row_.get();
  std::uint8_t* levels = level_line_.get();
  // Narrow rows hold half the pixels, up to half the padded width.
  const std::uint32_t pixels = narrow_ ? source_bytes_ : width_;
  const std::uint32_t padded = narrow_ ? ((width_ + 7) & ~7u) / 2 : (width_ + 7) & ~7u;
  switch (bits_) {
    case 8:
      if (levels_are_values_) {
        // Pixels past the right edge compare as light.
        if (pixels < padded) {
          std::memset(row_.get() + pixels, 255, padded - pixels);
        }
        return row_.get();
      } else {
        for (std::uint32_t x = 0; x < pixels; ++x) {
          levels[x] = levels_[in[x]];
        }
      }
      break;
    case 4:
      for (std::uint32_t x = 0; x < width_; ++x) {
        levels[x] = levels_[(in[x >> 1] >> ((x & 1) != 0 ? 0 : 4)) & 0x0F];
      }
      break;
    default:
      for (std::uint32_t x = 0; x < width_; ++x) {
        levels[x] = levels_[(in[x >> 3] >> (7 - (x & 7))) & 1];
      }
      break;
  }
  return levels;
}

std::uint32_t GDitherRowStage::MatrixRow(std::uint16_t row_number) const {
  // A 16-bit origin plus a 16-bit row number fits 32 bits.
  const std::int32_t y = (std::int32_t{y_} + row_number) % static_cast<std::int32_t>(matrix_height_);
  return static_cast<std::uint32_t>(y < 0 ? y + std::int32_t(matrix_height_) : y);
}

void GDitherRowStage::MarkRightEdge(std::uint8_t* out) const {
  if (narrow_ && width_ % 2 != 0) {
    // The last level stands for the last pixel and one past the right edge, which is light.
    const std::uint32_t padded = (width_ + 7) & ~7u;
    out[padded / 8 - 1] |= static_cast<std::uint8_t>((1u << (padded - width_)) - 1);
  }
}

void GDitherRowStage::Dither(std::uint8_t* out, std::uint16_t row_number) {
  const std::uint8_t* thresholds = ThresholdLine(MatrixRow(row_number));
  // A cell greater than the level clears the bit.
  const std::uint32_t padded = (width_ + 7) & ~7u;
  if (narrow_) {
    ThresholdGrown(levels_now_, thresholds, thresholds_repeat_, 0, padded, out);
    MarkRightEdge(out);
  } else {
    Threshold(levels_now_, thresholds, thresholds_repeat_, padded, out);
  }
}

std::uint32_t GDitherRowStage::ReadRow(std::uint8_t* buffer, std::uint16_t& row_number,
                                       std::uint32_t& length, std::uint8_t& repeat,
                                       std::uint8_t& flag) {
  if (ready_ == 0) {
    length = 0;
    return 0;
  }
  std::uint32_t status = 0;
  if (copies_due_ > 0) {
    // The row read last stands for this line too; its levels are still at hand, and this line
    // may have been dithered with the one before.
    --copies_due_;
    row_number = next_number_++;
    if (line_held_) {
      std::memcpy(buffer, held_line_.get(), row_bytes_);
      line_held_ = false;
    } else {
      Dither(buffer, row_number);
    }
  } else {
    status = ReadInner(row_.get(), row_number, length, repeat, flag);
    if (length == 0) {
      return status;
    }
    if (length < source_bytes_) {
      std::memset(row_.get() + length, 0, source_bytes_ - length);  // a short row reads as 0
    }
    levels_now_ = LevelLine();
    if (repeat > 1) {
      copies_due_ = repeat - 1u;
      next_number_ = static_cast<std::uint16_t>(row_number + 1);
    }
    if (repeat > 1 && narrow_ && all_threshold_lines_) {
      // The next line too, growing the levels once for both.
      const std::uint32_t padded = (width_ + 7) & ~7u;
      ThresholdGrownPair(levels_now_, ThresholdLine(MatrixRow(row_number)),
                         ThresholdLine(MatrixRow(next_number_)),
                         thresholds_repeat_, padded, buffer, held_line_.get());
      MarkRightEdge(buffer);
      MarkRightEdge(held_line_.get());
      line_held_ = true;
    } else {
      Dither(buffer, row_number);
    }
  }
  repeat = 1;
  flag = 1;
  length = row_bytes_;
  return status;
}
