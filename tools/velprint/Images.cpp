// Pictures for velprint's bitmaps.
//
// The PBM/PGM/PPM files read here:
//   P1 / P4   bitmap, ASCII digits / packed bits (rows padded to a byte), 1 is black
//   P2 / P5   grey map, ASCII numbers / 1 or 2 bytes (big-endian) a sample
//   P3 / P6   pixel map, R G B as ASCII numbers / as 1 or 2 bytes each
// The header is the magic, the width, the height and (except P1/P4) the largest sample value
// 1-65535, separated by white space, with `#` comments up to the end of a line. One white-space
// byte ends the header of a binary file. Bytes after the first picture are ignored.
#include "tools/velprint/Images.h"

#include <algorithm>
#include <array>

namespace vel::velprint {
namespace {

using platform::engine::BitmapSpec;
using platform::engine::BitmapStride;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

class PnmReader {
 public:
  explicit PnmReader(std::string_view bytes) : bytes_(bytes) {}

  std::optional<RgbImage> Read(std::string* error) {
    std::optional<RgbImage> image = ReadImage();
    if (!image && error != nullptr) {
      *error = error_;
    }
    return image;
  }

 private:
  std::optional<RgbImage> ReadImage() {
    if (bytes_.size() < 2 || bytes_[0] != 'P' || bytes_[1] < '1' || bytes_[1] > '6') {
      return Fail("not a PBM, PGM or PPM file");
    }
    int kind = bytes_[1] - '0';
    at_ = 2;
    auto width = HeaderNumber();
    auto height = width ? HeaderNumber() : std::nullopt;
    if (!width || !height) {
      return Fail("bad header");
    }
    if (*width < 1 || *height < 1 || *width > kMaxBitmapSide || *height > kMaxBitmapSide) {
      return Fail("the picture is " + std::to_string(*width) + " x " + std::to_string(*height) +
                  "; a side is 1 to 32767 pixels");
    }
    std::uint32_t maxval = 1;
    if (kind != 1 && kind != 4) {
      auto value = HeaderNumber();
      if (!value || *value < 1 || *value > 65535) {
        return Fail("bad largest sample value");
      }
      maxval = static_cast<std::uint32_t>(*value);
    }
    bool binary = kind >= 4;
    if (binary) {
      if (at_ >= bytes_.size() || !IsSpace(bytes_[at_])) {
        return Fail("bad header");
      }
      ++at_;
    }
    auto pixels = static_cast<std::uint64_t>(*width) * static_cast<std::uint64_t>(*height);
    if (pixels * 3 > kMaxBitmapBytes) {
      return Fail("the picture is larger than 256 MiB");
    }
    int channels = kind == 3 || kind == 6 ? 3 : 1;
    std::uint64_t samples = pixels * static_cast<std::uint64_t>(channels);
    std::size_t remaining = bytes_.size() - at_;
    // Every sample takes at least one byte of the file (a P4 byte holds eight), so a short file
    // is refused before the picture is allocated.
    std::uint64_t least = kind == 4 ? static_cast<std::uint64_t>((*width + 7) / 8) * *height
                          : binary  ? samples * (maxval > 255 ? 2 : 1)
                                    : samples;
    if (least > remaining) {
      return Fail("the file ends inside the picture");
    }
    RgbImage image;
    image.width = static_cast<std::int32_t>(*width);
    image.height = static_cast<std::int32_t>(*height);
    image.rgb.resize(static_cast<std::size_t>(pixels) * 3);
    std::size_t out = 0;
    auto put = [&](std::uint32_t value, int count) {
      auto byte = static_cast<std::uint8_t>((value * 255 + maxval / 2) / maxval);
      for (int k = 0; k < count; ++k) {
        image.rgb[out++] = byte;
      }
    };
    if (kind == 4) {
      std::size_t row_bytes = static_cast<std::size_t>((*width + 7) / 8);
      for (std::int64_t y = 0; y < *height; ++y) {
        const char* row = bytes_.data() + at_ + static_cast<std::size_t>(y) * row_bytes;
        for (std::int64_t x = 0; x < *width; ++x) {
          bool black = (static_cast<unsigned char>(row[x / 8]) >> (7 - x % 8)) & 1;
          put(black ? 0 : 1, 3);
        }
      }
      return image;
    }
    for (std::uint64_t i = 0; i < samples; ++i) {
      std::uint32_t value;
      if (kind == 1) {
        auto bit = Bit();
        if (!bit) {
          return Fail("bad pixel");
        }
        value = *bit ? 0 : 1;
      } else if (binary) {
        value = static_cast<unsigned char>(bytes_[at_++]);
        if (maxval > 255) {
          value = value << 8 | static_cast<unsigned char>(bytes_[at_++]);
        }
      } else {
        auto number = Number();
        if (!number) {
          return Fail("bad sample");
        }
        value = static_cast<std::uint32_t>(*number);
      }
      if (value > maxval) {
        return Fail("a sample is above the largest sample value");
      }
      put(value, channels == 1 ? 3 : 1);
    }
    return image;
  }

  std::nullopt_t Fail(std::string message) {
    error_ = std::move(message);
    return std::nullopt;
  }

  void SkipSpaceAndComments() {
    while (at_ < bytes_.size()) {
      if (IsSpace(bytes_[at_])) {
        ++at_;
      } else if (bytes_[at_] == '#') {
        while (at_ < bytes_.size() && bytes_[at_] != '\n' && bytes_[at_] != '\r') {
          ++at_;
        }
      } else {
        break;
      }
    }
  }

  // A decimal number of at most 9 digits (anything larger is out of every range here).
  std::optional<std::int64_t> Number() {
    SkipSpaceAndComments();
    std::int64_t value = 0;
    int digits = 0;
    while (at_ < bytes_.size() && bytes_[at_] >= '0' && bytes_[at_] <= '9') {
      if (++digits > 9) {
        return std::nullopt;
      }
      value = value * 10 + (bytes_[at_++] - '0');
    }
    if (digits == 0) {
      return std::nullopt;
    }
    return value;
  }

  std::optional<std::int64_t> HeaderNumber() {
    auto value = Number();
    // The number must end at white space or a comment.
    if (value && at_ < bytes_.size() && !IsSpace(bytes_[at_]) && bytes_[at_] != '#') {
      return std::nullopt;
    }
    return value;
  }

  // One digit of a P1 picture; digits need no white space between them.
  std::optional<bool> Bit() {
    SkipSpaceAndComments();
    if (at_ >= bytes_.size() || (bytes_[at_] != '0' && bytes_[at_] != '1')) {
      return std::nullopt;
    }
    return bytes_[at_++] == '1';
  }

  std::string_view bytes_;
  std::size_t at_ = 0;
  std::string error_;
};

// A colour 0x00BBGGRR from R, G, B.
ULONG Colour(const std::uint8_t* p) {
  return static_cast<ULONG>(p[0]) | static_cast<ULONG>(p[1]) << 8 | static_cast<ULONG>(p[2]) << 16;
}

int Luminance(const std::uint8_t* p) { return (299 * p[0] + 587 * p[1] + 114 * p[2] + 500) / 1000; }

// The index of the palette colour nearest a pixel; a direct-mapped cache keeps it fast for
// pictures with few colours and exact for all.
class NearestColour {
 public:
  explicit NearestColour(const std::vector<ULONG>& palette) : palette_(palette) {
    cache_.fill(kEmpty);
  }

  std::uint8_t operator()(const std::uint8_t* p) {
    ULONG colour = Colour(p);
    std::uint64_t& slot = cache_[(colour * 2654435761u) >> 20 & (kSlots - 1)];
    if ((slot >> 8) == colour) {
      return static_cast<std::uint8_t>(slot);
    }
    std::size_t best = 0;
    std::int64_t best_distance = INT64_MAX;
    for (std::size_t i = 0; i < palette_.size(); ++i) {
      ULONG c = palette_[i];
      std::int64_t dr = p[0] - static_cast<int>(c & 0xFF);
      std::int64_t dg = p[1] - static_cast<int>(c >> 8 & 0xFF);
      std::int64_t db = p[2] - static_cast<int>(c >> 16 & 0xFF);
      std::int64_t distance = dr * dr + dg * dg + db * db;
      if (distance < best_distance) {
        best_distance = distance;
        best = i;
      }
    }
    slot = static_cast<std::uint64_t>(colour) << 8 | best;
    return static_cast<std::uint8_t>(best);
  }

 private:
  static constexpr std::size_t kSlots = 4096;
  static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
  const std::vector<ULONG>& palette_;
  std::array<std::uint64_t, kSlots> cache_;
};

// Appends the run-length encoding of one row of indices: runs of one index, the end-of-line
// escape after each row.
void EncodeRow(const std::vector<std::uint8_t>& indices, bool four, std::vector<BYTE>& out) {
  std::size_t x = 0;
  while (x < indices.size()) {
    std::size_t run = 1;
    while (x + run < indices.size() && run < 255 && indices[x + run] == indices[x]) {
      ++run;
    }
    out.push_back(static_cast<BYTE>(run));
    out.push_back(four ? static_cast<BYTE>(indices[x] << 4 | indices[x]) : indices[x]);
    x += run;
  }
  out.push_back(0);
  out.push_back(0);
}

}  // namespace

std::optional<RgbImage> ReadPnm(std::string_view bytes, std::string* error) {
  return PnmReader(bytes).Read(error);
}

ULONG FormatOfWord(std::string_view word) {
  using namespace platform::engine;
  if (word == "1") return BMF_1BPP;
  if (word == "4") return BMF_4BPP;
  if (word == "8") return BMF_8BPP;
  if (word == "16") return BMF_16BPP;
  if (word == "24") return BMF_24BPP;
  if (word == "32") return BMF_32BPP;
  if (word == "rle4") return BMF_4RLE;
  if (word == "rle8") return BMF_8RLE;
  return 0;
}

int BitsPerPixel(ULONG format) {
  static constexpr int kBits[] = {0, 1, 4, 8, 16, 24, 32, 4, 8};
  return format <= BMF_8RLE ? kBits[format] : 0;
}

std::uint64_t BitmapBytes(ULONG format, std::int64_t width, std::int64_t height) {
  using namespace platform::engine;
  if (format == 0 || format > BMF_8RLE || width <= 0 || height <= 0 || width > kMaxBitmapSide ||
      height > kMaxBitmapSide) {
    return 0;
  }
  ULONG stride = BitmapStride(format == BMF_4RLE || format == BMF_8RLE ? BMF_8BPP : format,
                              static_cast<LONG>(width));
  return static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(height);
}

std::vector<ULONG> DefaultPalette(ULONG format) {
  int bits = BitsPerPixel(format);
  if (bits > 8 || bits == 0) {
    return {};
  }
  std::vector<ULONG> palette;
  int levels = 1 << bits;
  for (int i = 0; i < levels; ++i) {
    auto grey = static_cast<ULONG>(i * 255 / (levels - 1));
    palette.push_back(grey | grey << 8 | grey << 16);
  }
  return palette;
}

RowSource FillRows(const std::string& kind, std::int32_t width, std::int32_t height,
                   std::uint32_t seed) {
  if (kind == "gradient") {
    return [width, height](std::int32_t y, std::uint8_t* row) {
      std::int64_t across = std::max(1, width - 1);
      std::int64_t down = std::max(1, height - 1);
      for (std::int32_t x = 0; x < width; ++x) {
        row[3 * x] = static_cast<std::uint8_t>(x * 255 / across);
        row[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / down);
        row[3 * x + 2] = static_cast<std::uint8_t>((x + y) * 255 / (across + down));
      }
    };
  }
  if (kind == "checker") {
    return [width](std::int32_t y, std::uint8_t* row) {
      for (std::int32_t x = 0; x < width; ++x) {
        std::uint8_t v = ((x / 8 + y / 8) % 2) != 0 ? 0 : 255;
        row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = v;
      }
    };
  }
  // Noise: each row has its own generator state, so rows may be asked for in any order.
  return [width, seed](std::int32_t y, std::uint8_t* row) {
    std::uint32_t state = (seed == 0 ? 1 : seed) ^ (static_cast<std::uint32_t>(y) * 0x9E3779B9u);
    if (state == 0) {
      state = 1;
    }
    for (std::int32_t i = 0; i < 3 * width; ++i) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      row[i] = static_cast<std::uint8_t>(state >> 24);
    }
  };
}

RowSource ImageRows(const RgbImage& image) {
  return [&image](std::int32_t y, std::uint8_t* row) {
    std::copy_n(image.rgb.data() + static_cast<std::size_t>(y) * image.width * 3,
                static_cast<std::size_t>(image.width) * 3, row);
  };
}

BitmapSpec MakeBitmap(ULONG format, std::int32_t width, std::int32_t height, bool top_down,
                      const std::vector<ULONG>& palette, bool default_palette,
                      const RowSource& rows) {
  using namespace platform::engine;
  BitmapSpec bitmap;
  bitmap.format = format;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.top_down = top_down;
  bool rle = format == BMF_4RLE || format == BMF_8RLE;
  int bits = BitsPerPixel(format);
  std::size_t stride = rle ? 0 : BitmapStride(format, width);
  if (!rle) {
    bitmap.bits.assign(stride * static_cast<std::size_t>(height), 0);
  }
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(width));
  NearestColour nearest(palette);
  int levels = bits <= 8 ? (1 << bits) - 1 : 0;
  for (std::int32_t k = 0; k < height; ++k) {
    // Rows are stored from the top when top-down, else from the bottom.
    std::int32_t y = top_down ? k : height - 1 - k;
    rows(y, rgb.data());
    if (bits <= 8) {
      for (std::int32_t x = 0; x < width; ++x) {
        const std::uint8_t* p = &rgb[3 * static_cast<std::size_t>(x)];
        indices[x] = default_palette
                         ? static_cast<std::uint8_t>((Luminance(p) * levels + 127) / 255)
                         : nearest(p);
      }
    }
    if (rle) {
      EncodeRow(indices, format == BMF_4RLE, bitmap.bits);
      continue;
    }
    BYTE* out = bitmap.bits.data() + static_cast<std::size_t>(k) * stride;
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint8_t* p = &rgb[3 * static_cast<std::size_t>(x)];
      switch (bits) {
        case 1:
          out[x / 8] |= static_cast<BYTE>((indices[x] & 1) << (7 - x % 8));
          break;
        case 4:
          out[x / 2] |= static_cast<BYTE>((indices[x] & 15) << (x % 2 == 0 ? 4 : 0));
          break;
        case 8: out[x] = indices[x]; break;
        case 16: {
          auto v = static_cast<std::uint16_t>((p[0] >> 3) << 11 | (p[1] >> 2) << 5 | p[2] >> 3);
          out[2 * x] = static_cast<BYTE>(v);
          out[2 * x + 1] = static_cast<BYTE>(v >> 8);
          break;
        }
        default: {
          int size = bits / 8;
          out[size * x] = p[2];
          out[size * x + 1] = p[1];
          out[size * x + 2] = p[0];
          break;
        }
      }
    }
  }
  if (rle) {
    bitmap.bits.push_back(0);
    bitmap.bits.push_back(1);
  }
  return bitmap;
}

std::optional<BitmapSpec> MaskOf(const BitmapSpec& bitmap) {
  int bits = BitsPerPixel(bitmap.format);
  if (bits == 0 || bitmap.format == BMF_4RLE || bitmap.format == BMF_8RLE || bitmap.width <= 0 ||
      bitmap.height <= 0) {
    return std::nullopt;
  }
  std::size_t stride = BitmapStride(bitmap.format, bitmap.width);
  if (bitmap.bits.size() < stride * static_cast<std::size_t>(bitmap.height)) {
    return std::nullopt;
  }
  BitmapSpec mask{BMF_1BPP, bitmap.width, bitmap.height, bitmap.top_down, {}};
  std::size_t mask_stride = BitmapStride(BMF_1BPP, bitmap.width);
  mask.bits.assign(mask_stride * static_cast<std::size_t>(bitmap.height), 0);
  for (LONG row = 0; row < bitmap.height; ++row) {
    const BYTE* in = bitmap.bits.data() + static_cast<std::size_t>(row) * stride;
    BYTE* out = mask.bits.data() + static_cast<std::size_t>(row) * mask_stride;
    for (LONG x = 0; x < bitmap.width; ++x) {
      bool set;
      switch (bits) {
        case 1: set = ((in[x / 8] >> (7 - x % 8)) & 1) != 0; break;
        case 4: set = ((in[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 15) != 0; break;
        case 8: set = in[x] != 0; break;
        case 16: set = (in[2 * x] | in[2 * x + 1]) != 0; break;
        default: {
          // 24 and 32 bits: B, G, R (the fourth byte of a 32-bit pixel is unused).
          const BYTE* p = in + static_cast<std::size_t>(x) * static_cast<std::size_t>(bits / 8);
          set = (p[0] | p[1] | p[2]) != 0;
          break;
        }
      }
      if (set) {
        out[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
      }
    }
  }
  return mask;
}

}  // namespace vel::velprint
