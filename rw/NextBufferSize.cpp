// The buffer growth rule.
#include "rw/NextBufferSize.h"

#include "rw/RWError.h"

namespace {

constexpr char kOverflowText[] = "Buffer may not resize larger than";

}  // namespace

std::uint32_t NextBufferSize(std::uint32_t old_size, std::uint32_t factor) {
  if (old_size < 16) {
    return 16;
  }
  const std::uint64_t product = std::uint64_t{factor} * old_size;
  std::uint64_t next = 0;
  if (product <= 0x7FFFFFFF) {
    next = 2 * std::uint64_t{old_size};
  } else if (product < 0xFFFFFFFD) {
    next = 0xFFFFFFFFu / (2 * std::uint64_t{factor}) + old_size / 2;
  }
  if (next <= old_size || next > 0xFFFFFFFFu) {
    RWRaiseGeneric(RWCORE_OVFLOW(), static_cast<int>(sizeof(kOverflowText) - 1), kOverflowText,
                   0xFFFFFFFFu);
    return 0;
  }
  return static_cast<std::uint32_t>(next);
}
