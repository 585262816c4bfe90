// Picture files as the resource compiler reads and writes them: bitmap files (.bmp: a 14-byte file
// header and a device-independent bitmap), cursor files (.cur) and icon files (.ico).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vel::velrc {

using Bytes = std::vector<std::uint8_t>;

// One image of a cursor or icon file.
//   icon or cursor file:  OFFSET SIZE
//     0  2  reserved 0
//     2  2  type: 1 icon, 2 cursor
//     4  2  image count
//     6  16 x count directory entries:
//        0 1 width  1 1 height  2 1 colour count (0: 256 or more)  3 1 reserved
//        4 2 planes (icon) or hot spot x (cursor)  6 2 bits per pixel (icon) or hot spot y (cursor)
//        8 4 image bytes  12 4 offset of the image in the file
//   each image: a BITMAPINFOHEADER of 40 bytes with the height of colour and mask images together,
//   the colour table, the colour bits, then the 1-bit mask.
struct IconImage {
  std::uint8_t width = 0;
  std::uint8_t height = 0;  // of the picture (half the height in the image's header)
  std::uint8_t color_count = 0;
  std::uint16_t planes = 0;
  std::uint16_t bit_count = 0;
  std::uint16_t hotspot_x = 0;
  std::uint16_t hotspot_y = 0;
  Bytes data;  // from the BITMAPINFOHEADER to the end of the mask
};

// The byte size of a device-independent bitmap's header and colour table, and of its pixels;
// false when the header is not one this system writes (BITMAPINFOHEADER, 1 to 24 bits, no
// compression) or its numbers overflow. `height_divisor` is 2 for icon and cursor images.
[[nodiscard]] bool MeasureDib(const std::uint8_t* dib,
                              std::size_t size,
                              int height_divisor,
                              std::size_t& header_bytes,
                              std::size_t& pixel_bytes,
                              std::string& error);

// Takes the device-independent bitmap out of a bitmap file.
[[nodiscard]] bool ReadBitmapFile(const Bytes& file, Bytes& dib, std::string& error);
// A bitmap file around a device-independent bitmap (which MeasureDib accepts).
Bytes WriteBitmapFile(const Bytes& dib);

// Reads the images of an icon (type 1) or cursor (type 2) file.
[[nodiscard]] bool ReadIconFile(const Bytes& file,
                                std::uint16_t type,
                                std::vector<IconImage>& images,
                                std::string& error);
Bytes WriteIconFile(const std::vector<IconImage>& images, std::uint16_t type);

}  // namespace vel::velrc
