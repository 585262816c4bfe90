// Test support: the Ghostscript fixtures, the BMP loader and the PPM reader.
#include "tests/support/FwBitmapFixtures.h"

#include <cctype>
#include <cstring>
#include <string>

#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GRGBColor.h"

namespace vel::test {
namespace {

#include "tests/support/bitmaps/BitmapFixtures.inc"

std::uint32_t Le32(const unsigned char* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

std::uint16_t Le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

FixtureBytes MonoBmp() {
  return {kMonoBmp, sizeof kMonoBmp};
}

FixtureBytes MonoPpm() {
  return {kMonoPpm, sizeof kMonoPpm};
}

FixtureBytes ColourBmp(int bits_per_pixel) {
  switch (bits_per_pixel) {
    case 4:
      return {kColourBmp16Bmp, sizeof kColourBmp16Bmp};
    case 8:
      return {kColourBmp256Bmp, sizeof kColourBmp256Bmp};
    default:
      return {kColourBmp16mBmp, sizeof kColourBmp16mBmp};
  }
}

FixtureBytes ColourPpm() {
  return {kColourPpm, sizeof kColourPpm};
}

std::unique_ptr<GBitmapImp> LoadBmp(FixtureBytes file) {
  const unsigned char* d = file.data;
  if (file.size < 54 || d[0] != 'B' || d[1] != 'M') {
    return nullptr;
  }
  const std::uint32_t pixels_at = Le32(d + 10);
  const std::uint32_t header_size = Le32(d + 14);
  const auto width = static_cast<std::int32_t>(Le32(d + 18));
  const auto height = static_cast<std::int32_t>(Le32(d + 22));
  const std::uint16_t bits = Le16(d + 28);
  if (Le32(d + 30) != 0 || width <= 0 || height <= 0 || width > 32767 || height > 32767 ||
      pixels_at > file.size || 14 + header_size > pixels_at) {
    return nullptr;
  }
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * bits + 31) / 32 * 4;
  const std::uint32_t size = stride * static_cast<std::uint32_t>(height);
  if (file.size - pixels_at < size) {
    return nullptr;
  }
  GPaletteTable* palette = nullptr;
  if (bits <= 8) {
    GColorPointerVector colors;
    for (std::uint32_t at = 14 + header_size; at + 4 <= pixels_at; at += 4) {
      colors.insert(new GRGBColor(d[at + 2], d[at + 1], d[at], 255));
    }
    palette = new GPaletteTable(colors);
    for (std::uint32_t i = 0; i < colors.entries(); ++i) {
      delete colors[i];
    }
  }
  auto* pixels = new std::uint8_t[size];
  std::memcpy(pixels, d + pixels_at, size);
  return std::make_unique<GBitmapImp>(
      1, pixels, size, 4, GPoint{0, 0},
      GPoint{static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)},
      static_cast<std::uint8_t>(bits), 0, 0, palette, 1, 0, 0, 0, 0, 0, 0, 0);
}

RgbImage LoadPpm(FixtureBytes file) {
  std::size_t at = 0;
  std::string fields[4];
  for (auto& field : fields) {
    while (at < file.size) {
      if (std::isspace(file.data[at]) != 0) {
        ++at;
      } else if (file.data[at] == '#') {
        while (at < file.size && file.data[at] != '\n') {
          ++at;
        }
      } else {
        break;
      }
    }
    while (at < file.size && std::isspace(file.data[at]) == 0) {
      field += static_cast<char>(file.data[at++]);
    }
  }
  ++at;  // the one whitespace byte before the pixels
  RgbImage image;
  if (fields[0] != "P6" || fields[3] != "255") {
    return image;
  }
  const std::int32_t width = std::stoi(fields[1]);
  const std::int32_t height = std::stoi(fields[2]);
  const auto size = static_cast<std::size_t>(3) * width * height;
  if (width <= 0 || height <= 0 || at > file.size || file.size - at < size) {
    return image;
  }
  image.width = width;
  image.height = height;
  image.rgb.assign(file.data + at, file.data + at + size);
  return image;
}

}  // namespace vel::test
