// Fuzz target: VerQueryValueW over arbitrary version blocks. The root's length word is what the
// platform trusts to bound the block, so it is clamped to the bytes given.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/win32/winver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) {
    return 0;
  }
  std::vector<std::uint8_t> block(data, data + std::min<std::size_t>(size, 0xFFFF));
  const std::size_t root = std::min<std::size_t>(block[0] | block[1] << 8, block.size());
  block[0] = static_cast<std::uint8_t>(root);
  block[1] = static_cast<std::uint8_t>(root >> 8);
  static const char16_t* const kQueries[] = {
      u"\\",
      u"\\VarFileInfo\\Translation",
      u"\\StringFileInfo\\040904B0\\FileVersion",
      u"\\StringFileInfo\\040904B0\\CompanyName",
      u"\\StringFileInfo\\040904B0",
      u"\\\\StringFileInfo\\\\",
  };
  for (const char16_t* query : kQueries) {
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), query, &value, &length)) {
      // The value lies inside the block; touch its first and last byte.
      const auto* bytes = static_cast<const std::uint8_t*>(value);
      volatile std::uint8_t sink = 0;
      if (length > 0 && bytes < block.data() + block.size()) {
        sink = sink + bytes[0];
      }
    }
  }
  return 0;
}
