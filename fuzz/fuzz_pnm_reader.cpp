// Fuzz target: the PBM/PGM/PPM reader. Every input is read or refused with a reason; a picture
// read has the size its header gives, and converts to every bitmap format.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tools/velprint/Images.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vel::velprint;
  std::string error;
  auto image = ReadPnm(std::string_view(reinterpret_cast<const char*>(data), size), &error);
  if (!image) {
    if (error.empty()) {
      std::abort();
    }
    return 0;
  }
  if (image->rgb.size() != static_cast<std::size_t>(image->width) * image->height * 3) {
    std::abort();
  }
  // Keep the conversions cheap for big pictures: the reader is what is under test.
  if (static_cast<std::int64_t>(image->width) * image->height > 4096) {
    return 0;
  }
  for (ULONG format = BMF_1BPP; format <= BMF_8RLE; ++format) {
    MakeBitmap(format, image->width, image->height, (size & 1) != 0, DefaultPalette(format),
               (size & 2) != 0 && DefaultPalette(format).size() > 0, ImageRows(*image));
  }
  return 0;
}
