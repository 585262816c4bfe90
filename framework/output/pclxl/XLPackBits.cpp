// The run-length size estimate of a raster row.
#include "framework/output/pclxl/XLPackBits.h"

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
