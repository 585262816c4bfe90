// PNG pictures of images through libpng: 8-bit RGB, no time chunk, fixed compression, so the same
// pixels always give the same bytes.
#include <png.h>

#include <cstdio>
#include <fstream>

#include "platform/win32/gdi/GdiFixture.h"

namespace vel::platform {
namespace {

void Append(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

}  // namespace

std::vector<std::uint8_t> EncodePng(const Image& image) {
  std::vector<std::uint8_t> out;
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != static_cast<std::size_t>(image.width) * image.height) {
    return out;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) {
    return out;
  }
  png_infop info = png_create_info_struct(png);
  std::vector<png_byte> row(static_cast<std::size_t>(image.width) * 3);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info == nullptr ? nullptr : &info);
    return {};
  }
  png_set_write_fn(png, &out, Append, Flush);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const COLORREF c = image.At(x, y);
      row[static_cast<std::size_t>(x) * 3] = GetRValue(c);
      row[static_cast<std::size_t>(x) * 3 + 1] = GetGValue(c);
      row[static_cast<std::size_t>(x) * 3 + 2] = GetBValue(c);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

bool WritePng(const Image& image, const std::string& path) {
  const std::vector<std::uint8_t> bytes = EncodePng(image);
  if (bytes.empty()) {
    return false;
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace vel::platform
