// The pixel loops of GBitmapImp::GetRow: shifting 1- and 4-bit rows, turning stored blue, green,
// red pixels into red, green, blue, and splitting 16- and 32-bit direct-colour pixels by their
// channel masks, each optionally into grey bytes, (30 R + 59 G + 11 B) / 100.
//
// Each loop reads only the source bytes it is given and writes only the destination bytes it
// answers for. On x86 processors with SSSE3 the loops work on 16 bytes at a time (shifting: 32 with
// AVX2, else 16 with SSE2); elsewhere, and for the bytes left over, one pixel at a time, with the
// same results.
#pragma once

#include <cstdint>

namespace vel::rows {

// One channel of a direct-colour pixel: (pixel AND mask) shifted right by `shift` is a value of
// `bits` bits, which becomes a byte: unchanged at 8 bits, divided by (2^bits - 1) / 255 from
// more, multiplied by 255 / (2^bits - 1) in 8-bit arithmetic from fewer; 0 without bits.
struct Channel {
  std::uint32_t mask = 0;
  std::uint8_t bits = 0;
  std::uint8_t shift = 0;
};

// A channel's byte for one pixel.
std::uint8_t ScaleChannel(std::uint32_t pixel, const Channel& channel);

// (30 R + 59 G + 11 B) / 100.
inline std::uint8_t Grey(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return static_cast<std::uint8_t>((30 * red + 59 * green + 11 * blue) / 100);
}

// Writes `bytes` bytes, each the source bits from bit `shift` (1 to 7) of byte k on: source byte
// k shifted left by `shift` with the leading bits of byte k + 1. `available` (at least `bytes`)
// is how many source bytes may be read; a missing byte k + 1 counts as 0.
void ShiftBits(const std::uint8_t* source, std::uint32_t available, std::uint32_t shift,
               std::uint8_t* destination, std::uint32_t bytes);

// `count` stored 3-byte pixels (blue, green, red) as red, green, blue (3 x count bytes), or as
// grey (count bytes).
void BgrToRgb(const std::uint8_t* source, std::uint32_t count, std::uint8_t* destination);
void BgrToGrey(const std::uint8_t* source, std::uint32_t count, std::uint8_t* destination);

// `count` little-endian pixels of 2 or 4 bytes split by the channels (red, green, blue) into red,
// green, blue (3 x count bytes) or grey (count bytes). Answers the bytes written.
std::uint32_t SplitPixels16(const Channel (&channels)[3], const std::uint8_t* source,
                            std::uint32_t count, std::uint8_t* destination, bool grey);
std::uint32_t SplitPixels32(const Channel (&channels)[3], const std::uint8_t* source,
                            std::uint32_t count, std::uint8_t* destination, bool grey);

}  // namespace vel::rows
