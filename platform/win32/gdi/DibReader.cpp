// Bitmap resources read with every size and offset checked.
#include "platform/win32/gdi/DibReader.h"

namespace vel::platform::gdi {
namespace {

std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t U16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

bool ReadDib(const std::uint8_t* data, std::size_t size, Surface& surface, std::string& why) {
  if (data == nullptr || size < 40) {
    why = "shorter than a bitmap header";
    return false;
  }
  const std::uint32_t header_size = U32(data);
  const auto width = static_cast<std::int32_t>(U32(data + 4));
  const auto height = static_cast<std::int32_t>(U32(data + 8));
  const std::uint16_t planes = U16(data + 12);
  const std::uint16_t bits = U16(data + 14);
  const std::uint32_t compression = U32(data + 16);
  const std::uint32_t colors_used = U32(data + 32);
  if (header_size < 40 || header_size > size) {
    why = "header size " + std::to_string(header_size) + " outside the resource";
    return false;
  }
  if (planes != 1) {
    why = "planes " + std::to_string(planes);
    return false;
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
    why = "unsupported depth " + std::to_string(bits);
    return false;
  }
  if (compression != BI_RGB) {
    why = "compressed bitmap";
    return false;
  }
  const std::int64_t w = width;
  const std::int64_t h = height < 0 ? -static_cast<std::int64_t>(height) : height;
  if (w <= 0 || h <= 0 || w > kMaxDibSide || h > kMaxDibSide || w * h > kMaxDibPixels) {
    why = "size " + std::to_string(w) + " x " + std::to_string(h);
    return false;
  }
  std::uint64_t table_entries = 0;
  if (bits <= 8) {
    const std::uint64_t most = std::uint64_t{1} << bits;
    table_entries = colors_used == 0 ? most : colors_used;
    if (table_entries > most) {
      why = "colour table of " + std::to_string(colors_used) + " entries";
      return false;
    }
  }
  const std::uint64_t table_end = header_size + table_entries * 4;
  const std::uint64_t stride = ((static_cast<std::uint64_t>(w) * bits + 31) / 32) * 4;
  const std::uint64_t bits_end = table_end + stride * static_cast<std::uint64_t>(h);
  if (table_end > size || bits_end > size) {
    why = "rows end at byte " + std::to_string(bits_end) + " of " + std::to_string(size);
    return false;
  }
  const std::uint8_t* table = data + header_size;
  auto entry = [&](std::uint64_t index, COLORREF* color) {
    if (index >= table_entries) {
      return false;
    }
    const std::uint8_t* q = table + index * 4;
    *color = RGB(q[2], q[1], q[0]);
    return true;
  };
  Surface result(static_cast<int>(w), static_cast<int>(h), bits == 1, 0);
  for (std::int64_t row = 0; row < h; ++row) {
    const std::uint8_t* line = data + table_end + stride * static_cast<std::uint64_t>(row);
    const std::int64_t y = height < 0 ? row : h - 1 - row;
    for (std::int64_t x = 0; x < w; ++x) {
      COLORREF color = 0;
      std::uint64_t index = 0;
      switch (bits) {
        case 1:
          index = (line[x / 8] >> (7 - x % 8)) & 1;
          break;
        case 4:
          index = (line[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xF;
          break;
        case 8:
          index = line[x];
          break;
        default:
          color = RGB(line[x * 3 + 2], line[x * 3 + 1], line[x * 3]);
          break;
      }
      if (bits <= 8 && !entry(index, &color)) {
        why = "pixel (" + std::to_string(x) + ", " + std::to_string(y) +
              ") names colour-table entry " + std::to_string(index);
        return false;
      }
      result.Put(static_cast<int>(x), static_cast<int>(y), ForSurface(result, color));
    }
  }
  surface = std::move(result);
  return true;
}

}  // namespace vel::platform::gdi
