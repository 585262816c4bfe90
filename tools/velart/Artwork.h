// The resource module's pictures, drawn by program so that the build makes the same bytes every
// time: the printer picture and its accessory overlays, the banner strips, the small button
// pictures, the Feature Tip states, the hand cursor and the custom-size icons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vel::velart {

struct ArtworkFile {
  std::string name;  // e.g. "bitmap_2100.bmp", "cursor_11220.cur", "icon_11413.ico"
  std::vector<std::uint8_t> bytes;
};

std::vector<ArtworkFile> DrawArtwork();

}  // namespace vel::velart
