// Test support: raster fixtures made by Ghostscript (bitmaps/make_fixtures.sh), a BMP loader that
// builds a GBitmapImp from a Windows BMP file in memory, and a PPM reader for the reference rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/pipeline/GBitmapImp.h"

namespace vel::test {

struct FixtureBytes {
  const unsigned char* data;
  std::size_t size;
};

// The fixtures: a black-and-white page as a 1-bit BMP, a page in eight pure colours as 4-, 8- and
// 24-bit BMPs, and each page as a PPM.
FixtureBytes MonoBmp();
FixtureBytes MonoPpm();
FixtureBytes ColourBmp(int bits_per_pixel);
FixtureBytes ColourPpm();

// An uncompressed BMP (BITMAPINFOHEADER) as an image that owns a copy of its pixels: alignment 4,
// bottom-up, the colour table as its palette. Null for a file it cannot read.
std::unique_ptr<GBitmapImp> LoadBmp(FixtureBytes file);

// A binary PPM (P6, maxval 255): the size and the RGB bytes, top row first. Empty for a file it
// cannot read.
struct RgbImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> rgb;

  const std::uint8_t* Row(std::int32_t y) const { return rgb.data() + 3 * width * y; }
};
RgbImage LoadPpm(FixtureBytes file);

}  // namespace vel::test
