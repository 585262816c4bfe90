// Run-length coding of raster rows: the size estimate and the image-row encoder.
#include "framework/output/pclxl/XLPackBits.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "framework/output/pclxl/XLEncoder.h"

namespace {

constexpr std::int32_t kMaxPacket = 127;

}  // namespace

void XLPackBitsSize(const std::uint8_t* data, std::int32_t length, std::uint32_t* size) {
  std::uint32_t total = 0;
  std::int32_t start = 0;
  for (;;) {
    // One byte left (or none, for an empty row): a literal of one byte ends the scan.
    if (start + 1 >= length) {
      total += 2;
      break;
    }
    const bool repeat = data[start] == data[start + 1];
    std::int32_t count = 2;
    std::int32_t next = start + 2;  // the byte after the packet
    while (next < length && count < kMaxPacket) {
      const bool same = data[next] == data[next - 1];
      if (repeat != same) {
        // A literal hands its last byte to the repeated pair that starts with it.
        if (!repeat) {
          --count;
          --next;
        }
        break;
      }
      ++count;
      ++next;
    }
    total += repeat ? 2u : static_cast<std::uint32_t>(count + 1);
    if (next >= length) {
      break;
    }
    start = next;
  }
  if (length % 4 != 0) {
    total += 2;
  }
  *size = total;
}

namespace {

struct Run {
  std::int32_t count;
  bool repeat;
};

std::uint64_t Load64(const std::uint8_t* bytes) {
  std::uint64_t value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kLows = 0x7F7F7F7F7F7F7F7Fu;
constexpr std::uint64_t kHighs = 0x8080808080808080u;
constexpr bool kWords = std::endian::native == std::endian::little;

// The index of the first zero byte of `word` in memory order, 8 when there is none (exact: no
// carry crosses from one byte into the next).
int FirstZeroByte(std::uint64_t word) {
  const std::uint64_t zeros = ~(((word & kLows) + kLows) | word) & kHighs;
  return zeros == 0 ? 8 : std::countr_zero(zeros) / 8;
}

// The run that starts at `start`, which is inside the row. Eight bytes at a time where the host
// order puts the first byte of a word lowest.
Run NextRun(const std::uint8_t* row, std::int32_t start, std::int32_t length) {
  const std::uint8_t* p = row + start;
  const std::int32_t left = length - start;
  const std::int32_t room = std::min(left, kMaxPacket);
  if (room >= 2 && p[0] == p[1]) {
    const std::uint8_t value = p[0];
    std::int32_t count = 2;
    if constexpr (kWords) {
      const std::uint64_t pattern = value * kOnes;
      while (count < room && count + 8 <= left) {
        const std::uint64_t differs = Load64(p + count) ^ pattern;
        const int same = differs == 0 ? 8 : std::countr_zero(differs) / 8;
        count += same;
        if (same < 8) {
          return {std::min(count, room), true};
        }
      }
    }
    while (count < room && p[count] == value) {
      ++count;
    }
    return {std::min(count, room), true};
  }
  // A literal takes the next byte unless that byte starts a pair of equal bytes.
  std::int32_t count = 1;
  if constexpr (kWords) {
    // Bytes count .. count + 7 each compared with the byte after it: a zero marks a pair.
    while (count < room && count + 9 <= left) {
      const int distinct = FirstZeroByte(Load64(p + count) ^ Load64(p + count + 1));
      count += distinct;
      if (distinct < 8) {
        return {std::min(count, room), false};
      }
    }
  }
  while (count < room && (count + 1 >= left || p[count] != p[count + 1])) {
    ++count;
  }
  return {std::min(count, room), false};
}

std::uint32_t PadBytes(std::int32_t length) {
  return length % 4 == 0 ? 0u : static_cast<std::uint32_t>(4 - length % 4);
}

// The size of the whole encoding, or `limit` as soon as it reaches a limit other than 0.
std::uint32_t EncodedSize(const std::uint8_t* row, std::int32_t length, std::uint32_t limit) {
  std::uint32_t total = PadBytes(length) != 0 ? 2u : 0u;
  for (std::int32_t start = 0; start < length;) {
    const Run run = NextRun(row, start, length);
    total += run.repeat ? 2u : static_cast<std::uint32_t>(run.count) + 1u;
    if (limit != 0 && total >= limit) {
      return limit;
    }
    start += run.count;
  }
  return total;
}

// Packets gather here and go to the stream in pieces of about this size.
constexpr std::size_t kPieceBytes = 4096;

}  // namespace

void XLPackBitsEncode(XLStream* stream, std::uint32_t limit, const std::uint8_t* row,
                      std::int32_t length, std::uint32_t* encoded_length) {
  if (row == nullptr || length <= 0 ||
      (limit != 0 && EncodedSize(row, length, limit) >= limit)) {
    *encoded_length = 0;
    return;
  }
  std::uint8_t piece[kPieceBytes + kMaxPacket + 8];
  std::size_t used = 0;
  std::uint32_t total = 0;
  for (std::int32_t start = 0; start < length;) {
    const Run run = NextRun(row, start, length);
    if (run.repeat) {
      piece[used++] = static_cast<std::uint8_t>(1 - run.count);
      piece[used++] = row[start];
    } else {
      piece[used++] = static_cast<std::uint8_t>(run.count - 1);
      if (run.count <= 8 && start + 8 <= length) {
        // Short literals, the common case in text, copy a whole word; the piece has room.
        std::memcpy(piece + used, row + start, 8);
      } else {
        std::memcpy(piece + used, row + start, static_cast<std::size_t>(run.count));
      }
      used += static_cast<std::size_t>(run.count);
    }
    start += run.count;
    if (used >= kPieceBytes) {
      XLRawBytes(stream, piece, static_cast<std::uint32_t>(used));
      total += static_cast<std::uint32_t>(used);
      used = 0;
    }
  }
  const std::uint32_t pad = PadBytes(length);
  if (pad != 0) {
    piece[used++] = pad == 1 ? 0 : static_cast<std::uint8_t>(1 - static_cast<int>(pad));
    piece[used++] = 0;
  }
  XLRawBytes(stream, piece, static_cast<std::uint32_t>(used));
  *encoded_length = total + static_cast<std::uint32_t>(used);
}
