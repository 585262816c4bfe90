// The pictures of velprint's bitmaps: the PBM/PGM/PPM reader, the generated fills, and the
// conversion of RGB rows into a bitmap of one of the engine's formats.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/engine/DrawingSpecs.h"

namespace vel::velprint {

// Limits of a bitmap: pixels on a side, and bytes of bits (uncompressed, or of the 8-bit picture
// a run-length bitmap decodes to).
inline constexpr std::int64_t kMaxBitmapSide = 32767;
inline constexpr std::uint64_t kMaxBitmapBytes = std::uint64_t{256} << 20;

// An RGB picture, rows from the top, three bytes (R, G, B) a pixel.
struct RgbImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> rgb;
};

// Reads a PBM, PGM or PPM file (P1-P6, the first picture of the file); samples above 255 are
// scaled down. nullopt, with the reason in *error, for a damaged or oversized file.
std::optional<RgbImage> ReadPnm(std::string_view bytes, std::string* error);

// The engine format of a job file's format word (1, 4, 8, 16, 24, 32, rle4, rle8); 0 when unknown.
ULONG FormatOfWord(std::string_view word);

// Bytes of the uncompressed bits of a bitmap (for a run-length format, of its decoded 8-bit
// picture); 0 when the format is unknown.
std::uint64_t BitmapBytes(ULONG format, std::int64_t width, std::int64_t height);

// The bits per pixel of a format (4 and 8 for the run-length ones).
int BitsPerPixel(ULONG format);

// The palette an indexed format has when the job gives none: black and white for 1 bit, a ramp
// of 16 or 256 greys for 4 and 8 bits; empty for the direct formats. Colours are 0x00BBGGRR.
std::vector<ULONG> DefaultPalette(ULONG format);

// Fills `row` (width × 3 bytes) with picture row `y` (from the top).
using RowSource = std::function<void(std::int32_t y, std::uint8_t* row)>;

// The rows of a generated fill: "gradient" (red across, green down, blue along the diagonal),
// "checker" (8-pixel black and white squares) or "noise" (from a xorshift generator seeded with
// `seed`, 0 taken as 1). The same arguments give the same pixels.
RowSource FillRows(const std::string& kind, std::int32_t width, std::int32_t height,
                   std::uint32_t seed);
RowSource ImageRows(const RgbImage& image);

// Builds the bitmap's bits from RGB rows. Direct formats keep the colour (16 bits as 5-6-5);
// indexed formats take the nearest palette colour, or with the default grey palette the
// pixel's luminance. Run-length formats are encoded in runs of one index (rows from the bottom
// unless top-down).
platform::engine::BitmapSpec MakeBitmap(ULONG format, std::int32_t width, std::int32_t height,
                                        bool top_down, const std::vector<ULONG>& palette,
                                        bool default_palette, const RowSource& rows);

// A 1-bit mask of the bitmap's size and row order: set where the pixel's bits are not all zero
// (black, or index 0). nullopt for a run-length bitmap.
std::optional<platform::engine::BitmapSpec> MaskOf(const platform::engine::BitmapSpec& bitmap);

}  // namespace vel::velprint
