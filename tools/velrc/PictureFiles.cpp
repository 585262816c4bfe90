// Picture files: reading with every size checked against what the file holds, and writing.
#include "tools/velrc/PictureFiles.h"

namespace vel::velrc {

namespace {

std::uint32_t U16(const std::uint8_t* p) {
  return p[0] | (p[1] << 8);
}
std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void Put16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;

}  // namespace

//   BITMAPINFOHEADER  OFFSET SIZE
//     0 4 header size (40)   4 4 width   8 4 height (negative: top-down)
//    12 2 planes (1)  14 2 bits per pixel  16 4 compression (0)  20 4 image bytes
//    24 4 x pixels per metre  28 4 y pixels per metre  32 4 colours used  36 4 colours important
bool MeasureDib(const std::uint8_t* dib,
                std::size_t size,
                int height_divisor,
                std::size_t& header_bytes,
                std::size_t& pixel_bytes,
                std::string& error) {
  if (size < kInfoHeaderBytes || U32(dib) != kInfoHeaderBytes) {
    error = "not a device-independent bitmap with a 40-byte header";
    return false;
  }
  auto width = static_cast<std::int32_t>(U32(dib + 4));
  auto height = static_cast<std::int32_t>(U32(dib + 8));
  std::uint32_t planes = U16(dib + 12), bits = U16(dib + 14), compression = U32(dib + 16);
  std::uint32_t used = U32(dib + 32);
  if (width <= 0 || width > 0x4000 || height == 0 || height < -0x4000 || height > 0x4000 ||
      planes != 1 || compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24)) {
    error = "unsupported bitmap header";
    return false;
  }
  std::uint32_t palette = bits <= 8 ? (used != 0 ? used : 1u << bits) : used;
  if (palette > 256 || (bits <= 8 && palette > (1u << bits))) {
    error = "bad colour table size";
    return false;
  }
  std::uint32_t rows = static_cast<std::uint32_t>(height < 0 ? -height : height);
  if (rows % height_divisor != 0) {
    error = "odd height of an icon image";
    return false;
  }
  std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  pixel_bytes = stride * rows;
  if (height_divisor == 2) {
    // Colour bits over half the rows, then the 1-bit mask over the other half.
    std::size_t mask_stride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
    pixel_bytes = stride * (rows / 2) + mask_stride * (rows / 2);
  }
  header_bytes = kInfoHeaderBytes + static_cast<std::size_t>(palette) * 4;
  if (header_bytes > size || pixel_bytes > size - header_bytes) {
    error = "bitmap shorter than its header says";
    return false;
  }
  return true;
}

//   bitmap file header  OFFSET SIZE
//     0 2 "BM"  2 4 file size  6 4 reserved 0  10 4 offset of the pixels
bool ReadBitmapFile(const Bytes& file, Bytes& dib, std::string& error) {
  if (file.size() < kFileHeaderBytes || file[0] != 'B' || file[1] != 'M') {
    error = "not a bitmap file";
    return false;
  }
  std::size_t header_bytes = 0, pixel_bytes = 0;
  const std::uint8_t* start = file.data() + kFileHeaderBytes;
  if (!MeasureDib(start, file.size() - kFileHeaderBytes, 1, header_bytes, pixel_bytes, error)) {
    return false;
  }
  if (U32(file.data() + 10) != kFileHeaderBytes + header_bytes) {
    error = "bitmap file whose pixels do not follow the colour table";
    return false;
  }
  dib.assign(start, start + header_bytes + pixel_bytes);
  return true;
}

Bytes WriteBitmapFile(const Bytes& dib) {
  std::size_t header_bytes = 0, pixel_bytes = 0;
  std::string error;
  Bytes out;
  if (!MeasureDib(dib.data(), dib.size(), 1, header_bytes, pixel_bytes, error))
    return out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, static_cast<std::uint32_t>(kFileHeaderBytes + dib.size()));
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(kFileHeaderBytes + header_bytes));
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

bool ReadIconFile(const Bytes& file,
                  std::uint16_t type,
                  std::vector<IconImage>& images,
                  std::string& error) {
  const char* kind = type == 1 ? "icon" : "cursor";
  if (file.size() < 6 || U16(file.data()) != 0 || U16(file.data() + 2) != type) {
    error = type == 1 ? "not an icon file" : "not a cursor file";
    return false;
  }
  std::size_t count = U16(file.data() + 4);
  if (count == 0 || file.size() - 6 < count * 16) {
    error = std::string("bad image count in ") + kind + " file";
    return false;
  }
  images.clear();
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = file.data() + 6 + i * 16;
    std::size_t bytes = U32(entry + 8), offset = U32(entry + 12);
    if (offset > file.size() || bytes > file.size() - offset) {
      error = std::string(kind) + " image outside the file";
      return false;
    }
    std::size_t header_bytes = 0, pixel_bytes = 0;
    if (!MeasureDib(file.data() + offset, bytes, 2, header_bytes, pixel_bytes, error))
      return false;
    const std::uint8_t* dib = file.data() + offset;
    IconImage image;
    image.width = entry[0];
    image.height = entry[1];
    image.color_count = entry[2];
    image.planes = static_cast<std::uint16_t>(U16(dib + 12));
    image.bit_count = static_cast<std::uint16_t>(U16(dib + 14));
    if (type == 2) {
      image.hotspot_x = static_cast<std::uint16_t>(U16(entry + 4));
      image.hotspot_y = static_cast<std::uint16_t>(U16(entry + 6));
    }
    image.data.assign(dib, dib + header_bytes + pixel_bytes);
    images.push_back(std::move(image));
  }
  return true;
}

Bytes WriteIconFile(const std::vector<IconImage>& images, std::uint16_t type) {
  Bytes out;
  Put16(out, 0);
  Put16(out, type);
  Put16(out, static_cast<std::uint32_t>(images.size()));
  std::size_t offset = 6 + 16 * images.size();
  for (const IconImage& image : images) {
    out.push_back(image.width);
    out.push_back(image.height);
    out.push_back(image.color_count);
    out.push_back(0);
    Put16(out, type == 2 ? image.hotspot_x : image.planes);
    Put16(out, type == 2 ? image.hotspot_y : image.bit_count);
    Put32(out, static_cast<std::uint32_t>(image.data.size()));
    Put32(out, static_cast<std::uint32_t>(offset));
    offset += image.data.size();
  }
  for (const IconImage& image : images)
    out.insert(out.end(), image.data.begin(), image.data.end());
  return out;
}

}  // namespace vel::velrc
