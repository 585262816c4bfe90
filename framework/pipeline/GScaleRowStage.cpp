// GScaleRowStage: rows scaled to a destination size.
#include "framework/pipeline/GScaleRowStage.h"

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VEL_SCALE_X86 1
#endif

#include "framework/pipeline/CpuFeatures.h"

namespace {

constexpr std::int32_t kMaxRepeat = 255;

#if defined(VEL_SCALE_X86)

// Every 8-bit pixel written twice, 32 pixels at a time; answers how many were done.
[[gnu::target("avx2")]] std::uint32_t DoubleAvx2(const std::uint8_t* in, std::uint32_t count,
                                                 std::uint8_t* out) {
  std::uint32_t x = 0;
  for (; x + 32 <= count; x += 32) {
    // Quarters 0, 2, 1, 3: each lane's unpack then takes its half of the pixels in order.
    const __m256i pixels = _mm256_permute4x64_epi64(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x)), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * x),
                        _mm256_unpacklo_epi8(pixels, pixels));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * x + 32),
                        _mm256_unpackhi_epi8(pixels, pixels));
  }
  return x;
}

// DoubleAvx2 64 pixels at a time: the 8-byte groups in the order 0, 4, 1, 5, 2, 6, 3, 7 put the
// first 32 pixels in the low halves of the lanes and the last 32 in the high halves.
[[gnu::target("avx512f,avx512bw")]] std::uint32_t DoubleAvx512(const std::uint8_t* in,
                                                             std::uint32_t count,
                                                             std::uint8_t* out) {
  const __m512i order = _mm512_set_epi64(7, 3, 6, 2, 5, 1, 4, 0);
  std::uint32_t x = 0;
  for (; x + 64 <= count; x += 64) {
    // The zero-masking form: GCC 12 warns about the unmasked one's undefined source.
    const __m512i pixels =
        _mm512_maskz_permutexvar_epi64(0xFF, order, _mm512_loadu_si512(in + x));
    _mm512_storeu_si512(out + 2 * x, _mm512_unpacklo_epi8(pixels, pixels));
    _mm512_storeu_si512(out + 2 * x + 64, _mm512_unpackhi_epi8(pixels, pixels));
  }
  return x;
}

#endif

}  // namespace

std::int32_t GScaleRowStage::Prepare() {
  ready_ = 0;
  if (inner_ == nullptr) {
    return 0;
  }
  GRect source;
  inner_->GetRect(source);
  src_w_ = std::int32_t{source.right} - source.left;
  src_h_ = std::int32_t{source.bottom} - source.top;
  dst_w_ = std::int32_t{rect_.right} - rect_.left;
  dst_h_ = std::int32_t{rect_.bottom} - rect_.top;
  if (src_w_ <= 0 || src_h_ <= 0 || dst_w_ <= 0 || dst_h_ <= 0) {
    return 0;  // the steppers would never advance
  }
  x_scale_ = dst_w_ != src_w_;
  y_scale_ = dst_h_ != src_h_;
  if (!x_scale_ && !y_scale_) {
    return 0;
  }
  bits_ = inner_->GetBitsPerPixel();
  if (bits_ != 1 && bits_ != 4 && bits_ != 8 && bits_ != 24) {
    return 0;
  }
  y_shrink_ = dst_h_ < src_h_;
  y_error_ = src_h_;
  const std::uint32_t inner_bytes = inner_->GetRowBytes();
  source_bytes_ = static_cast<std::uint32_t>((std::uint64_t{bits_} * src_w_ + 7) >> 3);
  scaled_bytes_ = static_cast<std::uint32_t>((std::uint64_t{bits_} * dst_w_ + 7) >> 3);
  if (source_bytes_ > inner_bytes) {
    return 0;  // the rows below are narrower than their rectangle
  }
  row_bytes_ = scaled_bytes_;
  if (x_scale_) {
    // The x stepper starts every row alike, so its steps are worked out once. A whole-number
    // growth by k writes every source pixel k times: the stepper's error comes back to the source
    // width after each source pixel; 8-bit rows, and 24-bit rows grown 2x, need no table then.
    factor_ = 0;
    if (dst_w_ > src_w_ && dst_w_ % src_w_ == 0) {
      factor_ = static_cast<std::uint32_t>(dst_w_ / src_w_);
    }
    const bool table = factor_ == 0 || (bits_ != 8 && !(bits_ == 24 && factor_ == 2));
    row_.reset(new (std::nothrow) std::uint8_t[inner_bytes]);
    if (table) {
      x_source_.reset(new (std::nothrow) std::uint32_t[static_cast<std::uint32_t>(dst_w_)]);
    }
    if (row_ == nullptr || (table && x_source_ == nullptr)) {
      return 0;
    }
    if (table && factor_ != 0) {
      std::uint32_t pixel = 0;
      std::uint32_t left = factor_;
      for (std::uint32_t x = 0; x < static_cast<std::uint32_t>(dst_w_); ++x) {
        x_source_[x] = pixel;
        if (--left == 0) {
          ++pixel;
          left = factor_;
        }
      }
    } else if (table) {
      const std::int64_t src_w = src_w_;
      const std::int64_t dst_w = dst_w_;
      std::int64_t x_error = src_w;
      std::int32_t source_x = 0;
      std::int32_t out_x = 0;
      const auto last = static_cast<std::uint32_t>(src_w_ - 1);
      while (out_x < dst_w_) {
        const auto pixel = std::min(static_cast<std::uint32_t>(source_x), last);
        if (dst_w_ > src_w_) {
          std::int32_t count = 0;
          bool advanced = false;
          do {
            if (dst_w <= x_error) {
              x_error -= dst_w;
              advanced = true;
            }
            ++count;
            x_error += src_w;
          } while (!advanced);
          ++source_x;
          for (; count > 0 && out_x < dst_w_; --count) {
            x_source_[out_x++] = pixel;
          }
        } else {
          x_source_[out_x++] = pixel;
          while (x_error <= src_w) {
            ++source_x;
            x_error += dst_w;
          }
          x_error -= src_w;
        }
      }
    }
  } else {
    // Rows are read straight into the caller's buffer.
    row_bytes_ = std::max(row_bytes_, inner_bytes);
  }
  if (!y_shrink_ && y_scale_ && dst_h_ / src_h_ + 2 > kMaxRepeat) {
    held_.reset(new (std::nothrow) std::uint8_t[row_bytes_]);
    if (held_ == nullptr) {
      return 0;
    }
  }
  ready_ = 1;
  return 1;
}

std::uint32_t GScaleRowStage::GetNarrowFactor() const {
  // Narrow rows are read straight into the caller's buffer, which holds the stage's own rows.
  const bool fits = inner_ != nullptr && inner_->GetRowBytes() <= row_bytes_;
  return ready_ != 0 && x_scale_ && factor_ == 2 && bits_ == 8 && fits ? 2 : 1;
}

bool GScaleRowStage::UseNarrowRows() {
  narrow_ = GetNarrowFactor() == 2;
  return narrow_;
}

std::int32_t GScaleRowStage::GrowLines() {
  std::int32_t lines = 0;
  bool advanced = false;
  do {
    if (dst_h_ <= y_error_) {
      y_error_ -= dst_h_;
      advanced = true;
    }
    ++lines;
    y_error_ += src_h_;
  } while (!advanced);
  return lines;
}

std::int32_t GScaleRowStage::ShrinkSteps() {
  std::int32_t consumed = 0;
  do {
    while (y_error_ <= src_h_) {
      y_error_ += dst_h_;
      ++consumed;
    }
    y_error_ -= src_h_;
  } while (consumed == 0);
  return consumed;
}

std::uint32_t GScaleRowStage::ReadRow(std::uint8_t* buffer, std::uint16_t& row_number,
                                      std::uint32_t& length, std::uint8_t& repeat,
                                      std::uint8_t& flag) {
  if (ready_ == 0) {
    length = 0;
    return 0;
  }
  flag = 1;
  if (lines_due_ > 0) {
    const std::int32_t lines = std::min(lines_due_, kMaxRepeat);
    length = x_scale_ && !narrow_ ? scaled_bytes_ : source_bytes_;
    std::memcpy(buffer, held_.get(), length);
    lines_due_ -= lines;
    row_number = static_cast<std::uint16_t>(out_line_);
    out_line_ += lines;
    repeat = static_cast<std::uint8_t>(lines);
    return 0;
  }
  if (out_line_ >= dst_h_) {
    length = 0;
    return 0;
  }
  std::int32_t lines = 1;
  std::int32_t drop = 0;
  if (y_scale_) {
    if (y_shrink_) {
      drop = ShrinkSteps() - 1;
    } else {
      lines = GrowLines();
    }
  }
  const bool scale_row = x_scale_ && !narrow_;
  std::uint8_t* into = scale_row ? row_.get() : buffer;
  std::uint32_t status = 0;
  do {
    status = ReadInner(into, row_number, length, repeat, flag);
    if (length == 0) {
      return status;
    }
  } while (drop-- > 0);
  if (length < source_bytes_) {
    std::memset(into + length, 0, source_bytes_ - length);  // a short row reads as 0
  }
  flag = 1;
  lines = std::min(lines, dst_h_ - out_line_);
  if (scale_row) {
    ScaleRow(buffer);
    length = scaled_bytes_;
  } else {
    length = source_bytes_;
  }
  if (lines > kMaxRepeat) {
    if (held_ != nullptr) {
      std::memcpy(held_.get(), buffer, length);
      lines_due_ = lines - kMaxRepeat;
    }
    lines = kMaxRepeat;
  }
  row_number = static_cast<std::uint16_t>(out_line_);
  out_line_ += lines;
  repeat = static_cast<std::uint8_t>(lines);
  return status;
}

void GScaleRowStage::ScaleRow(std::uint8_t* out) const {
  const std::uint8_t* in = row_.get();
  const std::uint32_t* from = x_source_.get();
  const auto width = static_cast<std::uint32_t>(dst_w_);
  const auto source_width = static_cast<std::uint32_t>(src_w_);
  switch (bits_) {
    case 8:
      if (factor_ == 2) {
        std::uint32_t x = 0;
#if defined(VEL_SCALE_X86)
        if (vel::cpu::HasAvx512Bw()) {
          x = DoubleAvx512(in, source_width, out);
        }
        if (vel::cpu::HasAvx2()) {
          x += DoubleAvx2(in + x, source_width - x, out + 2 * x);
        }
#endif
#if defined(__SSE2__)
        for (; x + 16 <= source_width; x += 16) {
          const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x),
                           _mm_unpacklo_epi8(pixels, pixels));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x + 16),
                           _mm_unpackhi_epi8(pixels, pixels));
        }
#endif
        for (; x < source_width; ++x) {
          out[2 * x] = in[x];
          out[2 * x + 1] = in[x];
        }
      } else if (factor_ != 0) {
        for (std::uint32_t x = 0; x < source_width; ++x) {
          std::memset(out + std::size_t{x} * factor_, in[x], factor_);
        }
      } else {
        for (std::uint32_t x = 0; x < width; ++x) {
          out[x] = in[from[x]];
        }
      }
      break;
    case 24:
      if (factor_ == 2) {
        // Four bytes moved at a time (the fourth overwritten by the next store) for every pixel
        // but the last, whose fourth byte may lie past either row.
        std::uint32_t x = 0;
        for (; x + 1 < source_width; ++x) {
          std::uint32_t pixel;
          std::memcpy(&pixel, in + std::size_t{x} * 3, 4);
          std::uint8_t* to = out + std::size_t{x} * 6;
          std::memcpy(to, &pixel, 4);
          std::memcpy(to + 3, &pixel, 4);
        }
        for (; x < source_width; ++x) {
          const std::uint8_t* pixel = in + std::size_t{x} * 3;
          std::uint8_t* to = out + std::size_t{x} * 6;
          to[0] = to[3] = pixel[0];
          to[1] = to[4] = pixel[1];
          to[2] = to[5] = pixel[2];
        }
        break;
      }
      for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint8_t* pixel = in + std::size_t{from[x]} * 3;
        out[0] = pixel[0];
        out[1] = pixel[1];
        out[2] = pixel[2];
        out += 3;
      }
      break;
    case 4: {
      std::uint32_t x = 0;
      for (; x + 1 < width; x += 2) {
        const std::uint32_t a = from[x];
        const std::uint32_t b = from[x + 1];
        const std::uint32_t high = (in[a >> 1] >> ((a & 1) != 0 ? 0 : 4)) & 0x0F;
        const std::uint32_t low = (in[b >> 1] >> ((b & 1) != 0 ? 0 : 4)) & 0x0F;
        out[x >> 1] = static_cast<std::uint8_t>((high << 4) | low);
      }
      if (x < width) {
        const std::uint32_t a = from[x];
        const std::uint32_t high = (in[a >> 1] >> ((a & 1) != 0 ? 0 : 4)) & 0x0F;
        out[x >> 1] = static_cast<std::uint8_t>(high << 4);
      }
      break;
    }
    case 1: {
      std::uint32_t x = 0;
      for (; x < width; x += 8) {
        const std::uint32_t end = std::min(width, x + 8);
        std::uint32_t byte = 0;
        for (std::uint32_t i = x; i < end; ++i) {
          const std::uint32_t s = from[i];
          byte = (byte << 1) | ((in[s >> 3] >> (7 - (s & 7))) & 1u);
        }
        out[x >> 3] = static_cast<std::uint8_t>(byte << (8 - (end - x)));
      }
      break;
    }
    default:
      break;
  }
}
