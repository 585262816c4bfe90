// Builds a row-source chain from arbitrary bytes and reads it: an image of any depth, size,
// palette and layout, source and destination rectangles, a clip, the RGB flag, the dither mode
// and matrix, and a padding or run-length end filter of any alignment.
//
// Reading must not crash or touch memory outside a buffer; every row goes into a buffer of
// exactly GetRowBytes() bytes, and a longer row aborts. Rows are read until one of length 0 or
// the height the top of the chain reports (at most 512 lines, to keep runs quick).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GClipToSingleRectangle.h"
#include "framework/pipeline/GDitherMatrix.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterImageSource.h"
#include "framework/pipeline/GRasterRowFilter.h"

namespace {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
  // A coordinate: a signed byte shifted left by 0 to 8 bits, so that both small and
  // 16-bit-wide rectangles come up.
  std::int16_t Coordinate(int shift) {
    const auto value = static_cast<std::int8_t>(Byte());
    return static_cast<std::int16_t>(std::clamp(value * (1 << shift), -32768, 32767));
  }
  GRect Rect() {
    const int shift = Byte() % 9;
    return GRect{Coordinate(shift), Coordinate(shift), Coordinate(shift), Coordinate(shift)};
  }
  std::size_t Left() const { return size_ - at_; }
  const std::uint8_t* Here() const { return data_ + at_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

constexpr std::uint8_t kDepths[] = {1, 4, 8, 16, 24, 32, 0, 2};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::uint8_t depth = kDepths[in.Byte() % 8];
  const int width = in.Byte() % 65;
  const int height = in.Byte() % 65;
  const std::uint8_t alignment = static_cast<std::uint8_t>(1u << (in.Byte() % 3));
  const std::int32_t bottom_up = in.Byte() % 2;
  const int palette_count = in.Byte();
  const GRect source = in.Rect();
  const GRect destination_in = in.Rect();
  const std::uint8_t clip_kind = in.Byte();
  const GRect clip_rect = in.Rect();
  const std::int32_t rgb = in.Byte() % 2;
  const std::int32_t mode = in.Byte() % 4;
  const std::uint8_t matrix_width = in.Byte() % 9;
  const std::uint8_t matrix_height = in.Byte() % 9;
  std::uint8_t cells[64] = {};
  for (int i = 0; i < matrix_width * matrix_height; ++i) {
    cells[i] = in.Byte();
  }
  const std::uint8_t filter_kind = in.Byte();
  const std::uint16_t filter_alignment = static_cast<std::uint16_t>(in.Byte() % 17);

  GPaletteTable* palette = nullptr;
  if (palette_count < 200) {
    GColorPointerVector colors;
    for (int i = 0; i < palette_count % 20; ++i) {
      colors.insert(new GRGBColor(in.Byte(), in.Byte(), in.Byte(), 255));
    }
    palette = new GPaletteTable(colors);
    for (std::uint32_t i = 0; i < colors.entries(); ++i) {
      delete colors[i];
    }
  }
  // The pixels: the rest of the input, as many bytes as the layout asks for (zeros past it).
  const std::uint32_t row_bytes = (std::uint32_t{depth} * width + 7) / 8;
  const std::uint32_t stride = (row_bytes + alignment - 1) / alignment * alignment;
  const std::uint32_t data_size = stride * height;
  auto* pixels = new std::uint8_t[std::max<std::uint32_t>(data_size, 1)]();
  std::copy_n(in.Here(), std::min<std::size_t>(in.Left(), data_size), pixels);
  const GBitmap bitmap(1, pixels, data_size, alignment, GPoint{0, 0},
                       GPoint{static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)},
                       depth, 0, 0, palette, bottom_up, 0, 0, 0, 0, 0, 0, 0);

  const GClipToSingleRectangle clip(clip_rect, clip_kind % 3, 1, 0);
  const GDitherMatrix matrix(matrix_width, matrix_height, cells, 1, 0);
  GRasterRowFilter* filter = filter_kind % 2 == 0
                                 ? static_cast<GRasterRowFilter*>(new GRowPaddingFilter(filter_alignment))
                                 : new GRowRunLengthFilter(filter_alignment);
  GRect destination = destination_in;
  GRasterImageSource chain(source, destination, clip_kind % 4 == 3 ? nullptr : &clip, bitmap, rgb,
                           mode, filter_kind % 4 < 2 ? &matrix : nullptr, filter);

  const std::uint32_t max_bytes = chain.GetRowBytes();
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[std::max<std::uint32_t>(max_bytes, 1)]);
  GRect top;
  chain.GetRect(top);
  const std::int64_t lines = std::min<std::int64_t>(vel::RectHeight(top), 512);
  std::int64_t read = 0;
  while (read < lines) {
    std::uint16_t number = 0;
    std::uint32_t length = 0;
    std::uint8_t repeat = 0;
    std::uint8_t flag = 0;
    chain.ReadRow(buffer.get(), number, length, repeat, flag);
    if (length == 0) {
      break;
    }
    if (length > max_bytes) {
      std::abort();
    }
    read += std::max<std::uint8_t>(repeat, 1);
  }
  return 0;
}
