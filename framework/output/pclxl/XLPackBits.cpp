// Run-length coding of raster rows: the size estimate and the image-row encoder.
#include "framework/output/pclxl/XLPackBits.h"

#include <algorithm>

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

// The run that starts at `start`, which is inside the row.
Run NextRun(const std::uint8_t* row, std::int32_t start, std::int32_t length) {
  const std::int32_t room = std::min(length - start, kMaxPacket);
  if (room >= 2 && row[start] == row[start + 1]) {
    const std::uint8_t value = row[start];
    std::int32_t count = 2;
    while (count < room && row[start + count] == value) {
      ++count;
    }
    return {count, true};
  }
  // A literal takes the next byte unless that byte starts a pair of equal bytes.
  std::int32_t count = 1;
  while (count < room &&
         (start + count + 1 >= length || row[start + count] != row[start + count + 1])) {
    ++count;
  }
  return {count, false};
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

}  // namespace

void XLPackBitsEncode(XLStream* stream, std::uint32_t limit, const std::uint8_t* row,
                      std::int32_t length, std::uint32_t* encoded_length) {
  std::uint32_t total = 0;
  if (row == nullptr || length <= 0) {
    *encoded_length = 0;
    return;
  }
  if (limit != 0 && EncodedSize(row, length, limit) >= limit) {
    *encoded_length = 0;
    return;
  }
  for (std::int32_t start = 0; start < length;) {
    const Run run = NextRun(row, start, length);
    if (run.repeat) {
      XLRawByte(stream, static_cast<std::uint8_t>(1 - run.count));
      XLRawByte(stream, row[start]);
      total += 2;
    } else {
      XLRawByte(stream, static_cast<std::uint8_t>(run.count - 1));
      XLRawBytes(stream, row + start, static_cast<std::uint32_t>(run.count));
      total += static_cast<std::uint32_t>(run.count) + 1;
    }
    start += run.count;
  }
  const std::uint32_t pad = PadBytes(length);
  if (pad != 0) {
    XLRawByte(stream, pad == 1 ? 0 : static_cast<std::uint8_t>(1 - static_cast<int>(pad)));
    XLRawByte(stream, 0);
    total += 2;
  }
  *encoded_length = total;
}
