// Cursor and icon groups and images from arbitrary bytes: the first byte chooses cursors or icons;
// the readers must fail soft or give entries and images inside their limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/win32/user/CursorResource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) {
    return 0;
  }
  const bool cursors = (data[0] & 1) != 0;
  std::string error;
  vel::platform::user::ResourceGroup group;
  if (vel::platform::user::ReadResourceGroup(data + 1, size - 1, cursors, group, error)) {
    const int pick = vel::platform::user::PickGroupEntry(group, 32, 32);
    if ((pick < 0) != group.entries.empty() || pick >= static_cast<int>(group.entries.size())) {
      std::abort();
    }
  }
  vel::platform::user::ImageInfo image;
  if (vel::platform::user::ReadImageHeader(data + 1, size - 1, cursors, image, error)) {
    if (image.width <= 0 || image.width > 256 || image.height <= 0 || image.height > 256 ||
        image.hotspot_x >= image.width || image.hotspot_y >= image.height) {
      std::abort();
    }
  }
  return 0;
}
