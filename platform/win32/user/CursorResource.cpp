// Readers of cursor and icon groups and images.
#include "platform/win32/user/CursorResource.h"

namespace vel::platform::user {
namespace {

std::uint32_t Read16(const std::uint8_t* data) {
  return static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8);
}

std::uint32_t Read32(const std::uint8_t* data) {
  return Read16(data) | (Read16(data + 2) << 16);
}

std::string At(std::size_t offset, const std::string& what) {
  return "byte " + std::to_string(offset) + ": " + what;
}

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kEntrySize = 14;
constexpr std::size_t kBitmapHeaderSize = 40;

}  // namespace

bool ReadResourceGroup(const std::uint8_t* data,
                       std::size_t size,
                       bool cursors,
                       ResourceGroup& group,
                       std::string& error) {
  group = ResourceGroup{};
  group.cursors = cursors;
  if (data == nullptr || size < kHeaderSize) {
    error = At(0, "a group directory needs 6 bytes, " + std::to_string(size) + " given");
    return false;
  }
  if (Read16(data) != 0) {
    error = At(0, "reserved word is not 0");
    return false;
  }
  const std::uint32_t type = Read16(data + 2);
  if (type != (cursors ? 2u : 1u)) {
    error =
        At(2, "type " + std::to_string(type) + " where " + (cursors ? "2" : "1") + " was expected");
    return false;
  }
  const std::size_t count = Read16(data + 4);
  if (count > (size - kHeaderSize) / kEntrySize) {
    error =
        At(4, std::to_string(count) + " entries do not fit in " + std::to_string(size) + " bytes");
    return false;
  }
  group.entries.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = data + kHeaderSize + i * kEntrySize;
    GroupEntry read;
    if (cursors) {
      read.width = static_cast<int>(Read16(entry));
      read.height = static_cast<int>(Read16(entry + 2) / 2);
      read.planes = static_cast<int>(Read16(entry + 4));
      read.bits_per_pixel = static_cast<int>(Read16(entry + 6));
    } else {
      read.width = entry[0] == 0 ? 256 : entry[0];
      read.height = entry[1] == 0 ? 256 : entry[1];
      read.colour_count = entry[2];
      read.planes = static_cast<int>(Read16(entry + 4));
      read.bits_per_pixel = static_cast<int>(Read16(entry + 6));
    }
    read.bytes = Read32(entry + 8);
    read.id = static_cast<int>(Read16(entry + 12));
    group.entries.push_back(read);
  }
  return true;
}

int PickGroupEntry(const ResourceGroup& group, int width, int height) {
  int best = -1;
  for (std::size_t i = 0; i < group.entries.size(); ++i) {
    const GroupEntry& entry = group.entries[i];
    if (entry.width == width && entry.height == height &&
        (best < 0 || entry.bits_per_pixel > group.entries[best].bits_per_pixel)) {
      best = static_cast<int>(i);
    }
  }
  if (best < 0 && !group.entries.empty()) {
    best = 0;
  }
  return best;
}

bool ReadImageHeader(const std::uint8_t* data,
                     std::size_t size,
                     bool cursor,
                     ImageInfo& image,
                     std::string& error) {
  image = ImageInfo{};
  const std::size_t start = cursor ? 4 : 0;
  if (data == nullptr || size < start + kBitmapHeaderSize) {
    error =
        At(0, std::string("an image header needs ") + std::to_string(start + kBitmapHeaderSize) +
                  " bytes, " + std::to_string(size) + " given");
    return false;
  }
  if (cursor) {
    image.hotspot_x = static_cast<int>(Read16(data));
    image.hotspot_y = static_cast<int>(Read16(data + 2));
  }
  const std::uint8_t* header = data + start;
  const std::uint32_t header_size = Read32(header);
  if (header_size < kBitmapHeaderSize || header_size > size - start) {
    error = At(start, "bitmap header size " + std::to_string(header_size));
    return false;
  }
  const auto width = static_cast<std::int32_t>(Read32(header + 4));
  const auto height = static_cast<std::int32_t>(Read32(header + 8));
  if (width <= 0 || width > 256 || height <= 0 || height > 512 || height % 2 != 0) {
    error = At(start + 4, "image of " + std::to_string(width) + " x " + std::to_string(height) +
                              " pixels (with both masks)");
    return false;
  }
  image.width = width;
  image.height = height / 2;
  image.bits_per_pixel = static_cast<int>(Read16(header + 14));
  if (cursor && (image.hotspot_x >= image.width || image.hotspot_y >= image.height)) {
    error = At(0, "hot spot outside the cursor");
    return false;
  }
  return true;
}

}  // namespace vel::platform::user
