// The pixel loops of GBitmapImp::GetRow.
#include "framework/pipeline/BitmapRows.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VEL_ROWS_X86 1
#endif

#include "framework/pipeline/CpuFeatures.h"

namespace vel::rows {

namespace {

// A channel's conversion, worked out once per row. With at most 8 bits the product is taken in
// 8-bit arithmetic, so only the low byte of the value counts; with more the value is divided.
struct Scale {
  std::uint32_t mask;
  std::uint32_t shift;
  std::uint32_t factor = 1;
  std::uint32_t divisor = 1;
  bool small;

  explicit Scale(const Channel& channel)
      : mask(channel.mask), shift(channel.shift & 31u), small(channel.bits <= 8) {
    const std::uint32_t bits = channel.bits > 32 ? 32 : channel.bits;
    const std::uint64_t top = (std::uint64_t{1} << bits) - 1;
    if (small) {
      factor = bits == 0 ? 0 : static_cast<std::uint32_t>(255 / top);
    } else {
      divisor = static_cast<std::uint32_t>(top / 255);
    }
  }

  std::uint8_t operator()(std::uint32_t pixel) const {
    const std::uint32_t value = (pixel & mask) >> shift;
    return static_cast<std::uint8_t>(small ? value * factor : value / divisor);
  }
};

// One pixel at a time, from pixel `first` on.
template <int Bytes>
void SplitOneByOne(const Channel (&channels)[3], const std::uint8_t* source, std::uint32_t first,
                   std::uint32_t count, std::uint8_t* destination, bool grey) {
  const Scale red(channels[0]);
  const Scale green(channels[1]);
  const Scale blue(channels[2]);
  for (std::uint32_t i = first; i < count; ++i) {
    const std::uint8_t* p = source + Bytes * i;
    std::uint32_t pixel = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
    if constexpr (Bytes == 4) {
      pixel |= std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
    }
    const std::uint8_t r = red(pixel);
    const std::uint8_t g = green(pixel);
    const std::uint8_t b = blue(pixel);
    if (grey) {
      destination[i] = Grey(r, g, b);
    } else {
      destination[3 * i] = r;
      destination[3 * i + 1] = g;
      destination[3 * i + 2] = b;
    }
  }
}

#if defined(VEL_ROWS_X86)

// The channels in 16-bit lanes: mask, shift count and factor of each.
struct VectorChannel {
  __m128i mask16;
  __m128i mask32;
  __m128i shift;
  __m128i factor;
};

[[gnu::target("ssse3")]] VectorChannel MakeVectorChannel(const Scale& scale) {
  return VectorChannel{_mm_set1_epi16(static_cast<std::int16_t>(scale.mask & 0xFFFFu)),
                       _mm_set1_epi32(static_cast<std::int32_t>(scale.mask)),
                       _mm_cvtsi32_si128(static_cast<int>(scale.shift)),
                       _mm_set1_epi16(static_cast<std::int16_t>(scale.factor))};
}

// The low byte of a channel's value times its factor, in 8-bit arithmetic, from 8 values.
[[gnu::target("ssse3")]] inline __m128i Finish(__m128i value, __m128i factor) {
  const __m128i low = _mm_set1_epi16(0xFF);
  return _mm_and_si128(_mm_mullo_epi16(_mm_and_si128(value, low), factor), low);
}

[[gnu::target("ssse3")]] inline __m128i Channel16(__m128i pixels, const VectorChannel& c) {
  // A shift count of 16 or more gives 0, as the pixel has no such bits.
  return Finish(_mm_srl_epi16(_mm_and_si128(pixels, c.mask16), c.shift), c.factor);
}

[[gnu::target("ssse3")]] inline __m128i Channel32(__m128i low4, __m128i high4,
                                                  const VectorChannel& c) {
  const __m128i byte = _mm_set1_epi32(0xFF);
  const __m128i a = _mm_and_si128(_mm_srl_epi32(_mm_and_si128(low4, c.mask32), c.shift), byte);
  const __m128i b = _mm_and_si128(_mm_srl_epi32(_mm_and_si128(high4, c.mask32), c.shift), byte);
  return Finish(_mm_packs_epi32(a, b), c.factor);
}

// (30 R + 59 G + 11 B) / 100 of 8 pixels in 16-bit lanes (sums up to 25500; x / 100 is
// (x x 5243) >> 19 for every such x).
[[gnu::target("ssse3")]] inline __m128i Grey8(__m128i sums) {
  return _mm_srli_epi16(_mm_mulhi_epu16(sums, _mm_set1_epi16(5243)), 3);
}

// Writes 8 pixels' red, green, blue bytes (24 bytes) from channels in 16-bit lanes.
[[gnu::target("ssse3")]] inline void StoreRgb8(__m128i r, __m128i g, __m128i b,
                                               std::uint8_t* destination) {
  const __m128i rg = _mm_packus_epi16(r, g);  // r0..r7 g0..g7
  const __m128i bb = _mm_packus_epi16(b, b);  // b0..b7 b0..b7
  const __m128i first =
      _mm_or_si128(_mm_shuffle_epi8(rg, _mm_setr_epi8(0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1,
                                                      4, 12, -1, 5)),
                   _mm_shuffle_epi8(bb, _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3,
                                                      -1, -1, 4, -1)));
  const __m128i second =
      _mm_or_si128(_mm_shuffle_epi8(rg, _mm_setr_epi8(13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1,
                                                      -1, -1, -1, -1, -1)),
                   _mm_shuffle_epi8(bb, _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1,
                                                      -1, -1, -1, -1)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), first);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(destination + 16), second);
}

[[gnu::target("ssse3")]] inline void StoreSplit8(__m128i r, __m128i g, __m128i b,
                                                 std::uint8_t* destination, std::uint32_t i,
                                                 bool grey) {
  if (grey) {
    const __m128i sums = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(r, _mm_set1_epi16(30)), _mm_mullo_epi16(g, _mm_set1_epi16(59))),
        _mm_mullo_epi16(b, _mm_set1_epi16(11)));
    const __m128i bytes = Grey8(sums);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(destination + i), _mm_packus_epi16(bytes, bytes));
  } else {
    StoreRgb8(r, g, b, destination + 3 * i);
  }
}

// Pixels split 8 at a time while 8 remain; answers how many were done.
[[gnu::target("ssse3")]] std::uint32_t SplitVector16(const Scale (&scales)[3],
                                                     const std::uint8_t* source,
                                                     std::uint32_t count,
                                                     std::uint8_t* destination, bool grey) {
  const VectorChannel red = MakeVectorChannel(scales[0]);
  const VectorChannel green = MakeVectorChannel(scales[1]);
  const VectorChannel blue = MakeVectorChannel(scales[2]);
  std::uint32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 2 * i));
    StoreSplit8(Channel16(pixels, red), Channel16(pixels, green), Channel16(pixels, blue),
                destination, i, grey);
  }
  return i;
}

[[gnu::target("ssse3")]] std::uint32_t SplitVector32(const Scale (&scales)[3],
                                                     const std::uint8_t* source,
                                                     std::uint32_t count,
                                                     std::uint8_t* destination, bool grey) {
  const VectorChannel red = MakeVectorChannel(scales[0]);
  const VectorChannel green = MakeVectorChannel(scales[1]);
  const VectorChannel blue = MakeVectorChannel(scales[2]);
  std::uint32_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 4 * i));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 4 * i + 16));
    StoreSplit8(Channel32(low, high, red), Channel32(low, high, green),
                Channel32(low, high, blue), destination, i, grey);
  }
  return i;
}

// Four pixels per 16-byte load and store; the store's last 4 bytes are written again by the next
// step, so the loop stops while 16 bytes remain on both sides.
[[gnu::target("ssse3")]] std::uint32_t BgrToRgbVector(const std::uint8_t* source,
                                                      std::uint32_t count,
                                                      std::uint8_t* destination) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, -1, -1, -1, -1);
  const std::uint64_t bytes = std::uint64_t{3} * count;
  std::uint32_t i = 0;
  for (; std::uint64_t{3} * i + 16 <= bytes; i += 4) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 3 * i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 3 * i),
                     _mm_shuffle_epi8(pixels, order));
  }
  return i;
}

// Eight pixels from two 16-byte loads (the second at byte 12), each pixel spread to blue, green,
// red, 0 and weighed 11, 59, 30 in pairs.
[[gnu::target("ssse3")]] std::uint32_t BgrToGreyVector(const std::uint8_t* source,
                                                       std::uint32_t count,
                                                       std::uint8_t* destination) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i weights = _mm_setr_epi8(11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0);
  const __m128i ones = _mm_set1_epi16(1);
  const std::uint64_t bytes = std::uint64_t{3} * count;
  std::uint32_t i = 0;
  for (; std::uint64_t{3} * i + 28 <= bytes; i += 8) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 3 * i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 3 * i + 12));
    const __m128i sa =
        _mm_madd_epi16(_mm_maddubs_epi16(_mm_shuffle_epi8(a, spread), weights), ones);
    const __m128i sb =
        _mm_madd_epi16(_mm_maddubs_epi16(_mm_shuffle_epi8(b, spread), weights), ones);
    const __m128i grey = Grey8(_mm_packs_epi32(sa, sb));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(destination + i), _mm_packus_epi16(grey, grey));
  }
  return i;
}

// BgrToGreyVector 16 pixels at a time: each lane takes 4 pixels from each of two 12-byte groups.
[[gnu::target("avx2")]] std::uint32_t BgrToGreyAvx2(const std::uint8_t* source,
                                                    std::uint32_t count,
                                                    std::uint8_t* destination) {
  const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0,
                                          1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m256i weights = _mm256_setr_epi8(11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30,
                                           0, 11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0, 11, 59,
                                           30, 0);
  const __m256i ones = _mm256_set1_epi16(1);
  const __m256i hundredth = _mm256_set1_epi16(5243);
  // Sums come packed as pixels 0-3, 8-11 | 4-7, 12-15.
  const __m128i order = _mm_setr_epi8(0, 1, 2, 3, 8, 9, 10, 11, 4, 5, 6, 7, 12, 13, 14, 15);
  const std::uint64_t bytes = std::uint64_t{3} * count;
  std::uint32_t i = 0;
  for (; std::uint64_t{3} * i + 52 <= bytes; i += 16) {
    const std::uint8_t* at = source + std::size_t{3} * i;
    const __m256i a = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 12)), 1);
    const __m256i b = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 24))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 36)), 1);
    const __m256i sa =
        _mm256_madd_epi16(_mm256_maddubs_epi16(_mm256_shuffle_epi8(a, spread), weights), ones);
    const __m256i sb =
        _mm256_madd_epi16(_mm256_maddubs_epi16(_mm256_shuffle_epi8(b, spread), weights), ones);
    const __m256i grey =
        _mm256_srli_epi16(_mm256_mulhi_epu16(_mm256_packs_epi32(sa, sb), hundredth), 3);
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(grey, grey), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i),
                     _mm_shuffle_epi8(_mm256_castsi256_si128(packed), order));
  }
  return i;
}

// Byte k of the 16 spread pixels: blue, green, red of pixel k / 4 and a byte weighed 0.
constexpr std::array<std::uint8_t, 64> kGreySpread = [] {
  std::array<std::uint8_t, 64> index{};
  for (int k = 0; k < 64; ++k) {
    index[k] = static_cast<std::uint8_t>(3 * (k / 4) + (k % 4 == 3 ? 0 : k % 4));
  }
  return index;
}();
constexpr std::array<std::uint8_t, 64> kGreyWeights = [] {
  std::array<std::uint8_t, 64> weights{};
  for (int k = 0; k < 64; ++k) {
    weights[k] = static_cast<std::uint8_t>(k % 4 == 0 ? 11 : k % 4 == 1 ? 59 : k % 4 == 2 ? 30 : 0);
  }
  return weights;
}();
// The packed grey bytes hold in lane l pixels 4l to 4l + 3 of the first 16, then of the second
// 16: byte j of the row comes from this byte of them.
constexpr std::array<std::uint8_t, 64> kGreyOrder = [] {
  std::array<std::uint8_t, 64> index{};
  for (int k = 0; k < 64; ++k) {
    const int j = k % 32;
    index[k] = static_cast<std::uint8_t>(16 * ((j % 16) / 4) + (j < 16 ? 0 : 4) + j % 4);
  }
  return index;
}();

// BgrToGreyVector 32 pixels at a time: a byte permutation spreads each 48 bytes to 16 pixels.
[[gnu::target("avx512f,avx512bw,avx512vbmi")]] std::uint32_t BgrToGreyAvx512(
    const std::uint8_t* source, std::uint32_t count, std::uint8_t* destination) {
  const __m512i spread = _mm512_loadu_si512(kGreySpread.data());
  const __m512i order = _mm512_loadu_si512(kGreyOrder.data());
  const __m512i weights = _mm512_loadu_si512(kGreyWeights.data());
  const __m512i ones = _mm512_set1_epi16(1);
  const __m512i hundredth = _mm512_set1_epi16(5243);
  const std::uint64_t bytes = std::uint64_t{3} * count;
  std::uint32_t i = 0;
  for (; std::uint64_t{3} * i + 112 <= bytes; i += 32) {
    const std::uint8_t* at = source + std::size_t{3} * i;
    // The zero-masking forms: GCC 12 warns about the unmasked ones' undefined source.
    const __m512i a = _mm512_maskz_permutexvar_epi8(~0ull, spread, _mm512_loadu_si512(at));
    const __m512i b = _mm512_maskz_permutexvar_epi8(~0ull, spread, _mm512_loadu_si512(at + 48));
    const __m512i sa = _mm512_madd_epi16(_mm512_maddubs_epi16(a, weights), ones);
    const __m512i sb = _mm512_madd_epi16(_mm512_maddubs_epi16(b, weights), ones);
    const __m512i grey =
        _mm512_srli_epi16(_mm512_mulhi_epu16(_mm512_packs_epi32(sa, sb), hundredth), 3);
    const __m512i packed =
        _mm512_maskz_permutexvar_epi8(~0ull, order, _mm512_packus_epi16(grey, grey));
    _mm512_mask_storeu_epi8(destination + i, 0xFFFFFFFFull, packed);
  }
  return i;
}

// The 64 grey bytes of BgrToGreyAvx512Vnni come as 16-byte lanes, lane l holding pixels 4l to
// 4l + 3 of each 16 in turn: byte j of the row comes from this byte of them.
constexpr std::array<std::uint8_t, 64> kGreyOrder64 = [] {
  std::array<std::uint8_t, 64> index{};
  for (int j = 0; j < 64; ++j) {
    index[j] = static_cast<std::uint8_t>(16 * ((j % 16) / 4) + 4 * (j / 16) + j % 4);
  }
  return index;
}();

// 64 grey bytes from the 3 x 64 bytes at `at`, of which `readable` may be read (the others count
// as 0), stored where `stored` has bits. Each 16 pixels are spread to blue, green, red, 0 and
// weighed in one dot-product step.
[[gnu::target("avx512f,avx512bw,avx512vbmi,avx512vnni,bmi2"), gnu::always_inline]] inline void
GreyStep64(const std::uint8_t* at, std::uint32_t readable, __mmask64 stored, std::uint8_t* to) {
  const __m512i spread = _mm512_loadu_si512(kGreySpread.data());
  const __m512i weights = _mm512_loadu_si512(kGreyWeights.data());
  __m512i sums[4];
  for (std::uint32_t k = 0; k < 4; ++k) {
    const std::uint32_t from = 48 * k;
    const __mmask64 bytes = from >= readable ? 0 : _bzhi_u64(~0ull, std::min(readable - from, 64u));
    sums[k] = _mm512_dpbusd_epi32(
        _mm512_setzero_si512(),
        _mm512_maskz_permutexvar_epi8(~0ull, spread, _mm512_maskz_loadu_epi8(bytes, at + from)),
        weights);
  }
  const __m512i hundredth = _mm512_set1_epi16(5243);
  const __m512i g01 =
      _mm512_srli_epi16(_mm512_mulhi_epu16(_mm512_packs_epi32(sums[0], sums[1]), hundredth), 3);
  const __m512i g23 =
      _mm512_srli_epi16(_mm512_mulhi_epu16(_mm512_packs_epi32(sums[2], sums[3]), hundredth), 3);
  _mm512_mask_storeu_epi8(to, stored,
                          _mm512_maskz_permutexvar_epi8(~0ull, _mm512_loadu_si512(kGreyOrder64.data()),
                                                        _mm512_packus_epi16(g01, g23)));
}

// BgrToGreyAvx512 64 pixels at a time, and up to 64 more in a step masked to them.
[[gnu::target("avx512f,avx512bw,avx512vbmi,avx512vnni,bmi2")]] std::uint32_t BgrToGreyAvx512Vnni(
    const std::uint8_t* source, std::uint32_t count, std::uint8_t* destination) {
  std::uint32_t i = 0;
  for (; i + 64 <= count; i += 64) {
    GreyStep64(source + std::size_t{3} * i, 192, ~0ull, destination + i);
  }
  if (i < count) {
    const std::uint32_t left = count - i;
    GreyStep64(source + std::size_t{3} * i, 3 * left, _bzhi_u64(~0ull, left), destination + i);
    i = count;
  }
  return i;
}

// ShiftBits 32 bytes at a time while a 33rd source byte follows them; answers how many were done.
[[gnu::target("avx2")]] std::uint32_t ShiftBitsAvx2(const std::uint8_t* source,
                                                    std::uint32_t shift,
                                                    std::uint8_t* destination,
                                                    std::uint32_t bytes) {
  const __m128i left = _mm_cvtsi32_si128(static_cast<int>(shift));
  const __m128i right = _mm_cvtsi32_si128(static_cast<int>(8 - shift));
  const __m256i high_bits = _mm256_set1_epi8(static_cast<char>(0xFF << shift & 0xFF));
  const __m256i low_bits = _mm256_set1_epi8(static_cast<char>(0xFF >> (8 - shift)));
  std::uint32_t k = 0;
  for (; k + 32 < bytes; k += 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + k));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + k + 1));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + k),
                        _mm256_or_si256(_mm256_and_si256(_mm256_sll_epi16(a, left), high_bits),
                                        _mm256_and_si256(_mm256_srl_epi16(b, right), low_bits)));
  }
  return k;
}

#endif  // VEL_ROWS_X86

template <int Bytes>
std::uint32_t SplitPixels(const Channel (&channels)[3], const std::uint8_t* source,
                          std::uint32_t count, std::uint8_t* destination, bool grey) {
  std::uint32_t done = 0;
#if defined(VEL_ROWS_X86)
  const Scale scales[3] = {Scale(channels[0]), Scale(channels[1]), Scale(channels[2])};
  if (vel::cpu::HasSsse3() && scales[0].small && scales[1].small && scales[2].small) {
    done = Bytes == 2 ? SplitVector16(scales, source, count, destination, grey)
                      : SplitVector32(scales, source, count, destination, grey);
  }
#endif
  SplitOneByOne<Bytes>(channels, source, done, count, destination, grey);
  return grey ? count : 3 * count;
}

}  // namespace

std::uint8_t ScaleChannel(std::uint32_t pixel, const Channel& channel) {
  return Scale(channel)(pixel);
}

void ShiftBits(const std::uint8_t* source, std::uint32_t available, std::uint32_t shift,
               std::uint8_t* destination, std::uint32_t bytes) {
  if (bytes == 0) {
    return;
  }
  std::uint32_t k = 0;
  // Every byte but the last takes bits from the next source byte, which the row holds.
#if defined(VEL_ROWS_X86)
  if (vel::cpu::HasAvx2()) {
    k = ShiftBitsAvx2(source, shift, destination, bytes);
  }
#endif
#if defined(__SSE2__)
  {
    const __m128i left = _mm_cvtsi32_si128(static_cast<int>(shift));
    const __m128i right = _mm_cvtsi32_si128(static_cast<int>(8 - shift));
    const __m128i high_bits = _mm_set1_epi8(static_cast<char>(0xFF << shift & 0xFF));
    const __m128i low_bits = _mm_set1_epi8(static_cast<char>(0xFF >> (8 - shift)));
    for (; k + 16 < bytes; k += 16) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + k));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + k + 1));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + k),
                       _mm_or_si128(_mm_and_si128(_mm_sll_epi16(a, left), high_bits),
                                    _mm_and_si128(_mm_srl_epi16(b, right), low_bits)));
    }
  }
#endif
  for (; k + 8 < bytes; k += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, source + k, 8);
    if constexpr (std::endian::native == std::endian::little) {
      word = __builtin_bswap64(word);
    }
    word = word << shift | source[k + 8] >> (8 - shift);
    if constexpr (std::endian::native == std::endian::little) {
      word = __builtin_bswap64(word);
    }
    std::memcpy(destination + k, &word, 8);
  }
  for (; k + 1 < bytes; ++k) {
    destination[k] = static_cast<std::uint8_t>(source[k] << shift | source[k + 1] >> (8 - shift));
  }
  std::uint32_t value = std::uint32_t{source[k]} << shift;
  if (k + 1 < available) {
    value |= source[k + 1] >> (8 - shift);
  }
  destination[k] = static_cast<std::uint8_t>(value);
}

void BgrToRgb(const std::uint8_t* source, std::uint32_t count, std::uint8_t* destination) {
  std::uint32_t i = 0;
#if defined(VEL_ROWS_X86)
  if (vel::cpu::HasSsse3()) {
    i = BgrToRgbVector(source, count, destination);
  }
#endif
  for (; i < count; ++i) {
    destination[3 * i] = source[3 * i + 2];
    destination[3 * i + 1] = source[3 * i + 1];
    destination[3 * i + 2] = source[3 * i];
  }
}

void BgrToGrey(const std::uint8_t* source, std::uint32_t count, std::uint8_t* destination) {
  std::uint32_t i = 0;
#if defined(VEL_ROWS_X86)
  if (vel::cpu::HasAvx512Vnni()) {
    BgrToGreyAvx512Vnni(source, count, destination);
    return;  // every pixel, the last ones in a masked step
  }
  if (vel::cpu::HasAvx512Vbmi()) {
    i += BgrToGreyAvx512(source + std::size_t{3} * i, count - i, destination + i);
  }
  if (vel::cpu::HasAvx2()) {
    i += BgrToGreyAvx2(source + std::size_t{3} * i, count - i, destination + i);
  } else if (vel::cpu::HasSsse3()) {
    i = BgrToGreyVector(source, count, destination);
  }
#endif
  for (; i < count; ++i) {
    destination[i] = Grey(source[3 * i + 2], source[3 * i + 1], source[3 * i]);
  }
}

std::uint32_t SplitPixels16(const Channel (&channels)[3], const std::uint8_t* source,
                            std::uint32_t count, std::uint8_t* destination, bool grey) {
  return SplitPixels<2>(channels, source, count, destination, grey);
}

std::uint32_t SplitPixels32(const Channel (&channels)[3], const std::uint8_t* source,
                            std::uint32_t count, std::uint8_t* destination, bool grey) {
  return SplitPixels<4>(channels, source, count, destination, grey);
}

}  // namespace vel::rows
