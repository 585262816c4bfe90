// Readers of the cursor and icon resources of a module: the group directories (RT_GROUP_CURSOR,
// RT_GROUP_ICON) and the images they name (RT_CURSOR, RT_ICON). The bytes come from modules and
// are untrusted: every reader checks each length and fails soft with a message naming the offset.
//
// Group directory:
//   OFFSET SIZE DESCRIPTION
//   0      2    reserved, 0
//   2      2    type: 1 icons, 2 cursors
//   4      2    entry count
//   6      14n  entries
// Icon entry:   width (1 byte, 0 means 256), height (1), colour count (1), reserved (1),
//               planes (2), bits per pixel (2), image bytes (4), image id (2)
// Cursor entry: width (2), height (2, the two masks: twice the cursor's height), planes (2),
//               bits per pixel (2), image bytes (4), image id (2)
// Cursor image: hot spot x (2), hot spot y (2), then a BITMAPINFOHEADER. Icon image: a
// BITMAPINFOHEADER. The header's height counts both masks (twice the image's height).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vel::platform::user {

struct GroupEntry {
  int width = 0;
  int height = 0;  // the image's height (a cursor entry's halved)
  int colour_count = 0;
  int planes = 0;
  int bits_per_pixel = 0;
  std::uint32_t bytes = 0;
  int id = 0;
};

struct ResourceGroup {
  bool cursors = false;
  std::vector<GroupEntry> entries;
};

// Reads a group directory of the expected kind.
bool ReadResourceGroup(const std::uint8_t* data,
                       std::size_t size,
                       bool cursors,
                       ResourceGroup& group,
                       std::string& error);

// The entry to load for a wanted size: the exact size with the most bits per pixel, else the
// first entry; -1 for an empty group.
int PickGroupEntry(const ResourceGroup& group, int width, int height);

struct ImageInfo {
  int hotspot_x = 0;
  int hotspot_y = 0;
  int width = 0;
  int height = 0;
  int bits_per_pixel = 0;
};

// Reads the header of a cursor image (with its hot spot) or of an icon image.
bool ReadImageHeader(const std::uint8_t* data,
                     std::size_t size,
                     bool cursor,
                     ImageInfo& image,
                     std::string& error);

}  // namespace vel::platform::user
