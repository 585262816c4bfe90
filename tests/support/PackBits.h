// The one PackBits decoder of the tests: run-length packets as PCL XL's run-length compression and
// the raster row filter write them.
//
//   COUNT BYTE c   PACKET
//   0x00 - 0x7F    literal: the next c + 1 bytes (1 to 128) are copied
//   0x81 - 0xFF    repeat: the next byte is written 1 - c times, c read as signed (2 to 128)
//   0x80           not a packet of this encoding: refused
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "tests/support/ByteMatch.h"

namespace vel::test {

enum class PackBitsStatus {
  kOk,         // every packet read decoded inside the output
  kTruncated,  // a packet's data runs past the end of the input
  kOverflow,   // a packet would write past the end of the output
  kBadCount,   // the count byte 0x80
};

struct PackBitsResult {
  PackBitsStatus status = PackBitsStatus::kOk;
  std::size_t consumed = 0;  // input bytes of the whole packets decoded
  std::size_t produced = 0;  // output bytes written
};

// Decodes packets from `in` into `out` until the output is full or the input ends, whichever comes
// first. A packet is decoded whole or not at all: on a failure, consumed and produced stop before
// the packet that failed, and nothing outside either buffer is read or written.
PackBitsResult DecodePackBits(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

// The whole input decoded to exactly `expected` bytes, or nothing.
std::optional<Bytes> UnpackBits(std::span<const std::uint8_t> in, std::size_t expected);

// "truncated packet", ... for messages.
const char* PackBitsStatusText(PackBitsStatus status);

}  // namespace vel::test
