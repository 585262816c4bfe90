// The PCL XL back end's raster output: images, raster patterns and scan lines.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/core/GState.h"
#include "framework/output/GKestrix.h"
#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLImageOperators.h"
#include "framework/output/pclxl/XLScanLineOperators.h"
#include "framework/output/pclxl/XLStateOperators.h"
#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GClipToSingleRectangle.h"
#include "framework/pipeline/GColor.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterGraphic.h"
#include "framework/pipeline/GRasterImageSource.h"
#include "framework/pipeline/GRasterRowFilter.h"
#include "framework/pipeline/GShapeGraphic.h"
#include "framework/pipeline/GTransformAttribute.h"

namespace {

// Image data travels in blocks of at most this many bytes, each carried by one ReadImage (or
// ReadRastPattern); only a single row longer than that makes a longer block.
constexpr std::uint32_t kBlockBytes = 16384;
// Rows are padded (or run-length encoded) to a multiple of 4 bytes.
constexpr std::uint16_t kRowAlignment = 4;
// The compression setting that run-length encodes images, and the CompressMode values.
constexpr std::int16_t kRunLengthSetting = 3;
constexpr std::uint8_t kCompressNone = 0;
constexpr std::uint8_t kCompressRunLength = 1;
// Colour spaces, palette depth (8 bits an entry) and colour mappings.
constexpr std::uint8_t kColorSpaceGray = 1;
constexpr std::uint8_t kColorSpaceRGB = 2;
constexpr std::uint8_t kPaletteDepth8 = 2;
constexpr std::uint8_t kDirectPixels = 0;
constexpr std::uint8_t kIndexedPixels = 1;
// Dither modes of the row-source chain: none, and dithering where the image carries more bits
// than the page has room for.
constexpr std::int32_t kNoDither = 0;
constexpr std::int32_t kDitherWhenDeeper = 2;
// A bitmap of this class is a pattern that is always scaled by the resolution; patterns are
// designed at 150 dpi.
constexpr RWClassID kScaledPatternClass = 554;
constexpr std::uint16_t kPatternDesignResolution = 150;
// The temporary pattern persistence.
constexpr std::uint8_t kTemporaryPattern = 0;
// The region and fill rule of the page limit's clip.
constexpr std::int32_t kInterior = 0;
constexpr std::int32_t kNonZeroWinding = 1;

// ColorDepth of the rows' bits per pixel (per component for 24-bit pixels); -1 for a depth PCL
// XL cannot carry.
int ColorDepthOf(std::uint8_t bits) {
  switch (bits) {
    case 1:
      return 0;
    case 4:
      return 1;
    case 8:
    case 24:
      return 2;
    default:
      return -1;
  }
}

bool IsEmpty(const GRect& rect) {
  return rect.left == rect.right || rect.top == rect.bottom;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Images

std::uint16_t GKestrix::HandleRasterGraphic(GRasterGraphic& object) {
  if (stream_ == nullptr) {
    return TakeStatus();
  }
  GState* graphics = InitStates(vel::key::kGraphicsGroup);
  float scale_x = 1.0f;
  float scale_y = 1.0f;
  if (const auto* transform = dynamic_cast<const GTransformAttribute*>(
          graphics != nullptr ? graphics->FindByClassId(vel::classid::kGTransformAttribute)
                              : nullptr)) {
    const GScale scale = transform->GetScale();
    scale_x = scale.x == 0.0f ? 1.0f : scale.x;
    scale_y = scale.y == 0.0f ? 1.0f : scale.y;
  }
  // The page's printable area in the graphic's units; without a media the whole coordinate range.
  GRect limit{0, 0, INT16_MAX, INT16_MAX};
  if (current_media_ != nullptr) {
    const std::int16_t* printable = current_media_->GetPrintableSize();
    const auto in_units = [](std::int16_t size, float scale) {
      const double value = static_cast<double>(size) / static_cast<double>(scale);
      return static_cast<std::int16_t>(std::clamp(value, 0.0, double{INT16_MAX}));
    };
    limit.right = in_units(printable[0], scale_x);
    limit.bottom = in_units(printable[1], scale_y);
  }
  if (const auto* clip = dynamic_cast<const GClipAttribute*>(
          graphics != nullptr ? graphics->FindKindOf(vel::classid::kGClipAttribute) : nullptr)) {
    GRect bounds;
    if (clip->GetClipRegion() != 1 && clip->GetBounds(bounds)) {
      vel::IntersectRects(limit, bounds, limit);
      if (IsEmpty(limit)) {
        return TakeStatus();
      }
    }
  }
  const GClipToSingleRectangle page_clip(limit, kInterior, kNonZeroWinding, vel::key::kBundleClip);
  GRect source;
  GRect destination;
  (void)object.ComputeClippedRects(&page_clip, source, destination);
  if (IsEmpty(source) || IsEmpty(destination)) {
    return TakeStatus();
  }
  GBitmap bitmap;
  object.GetBitmap(bitmap);
  const std::uint16_t status = SendImage(bitmap, &page_clip, source, destination, false, 0);
  const std::uint16_t pending = TakeStatus();
  return status != 0 ? status : pending;
}

std::uint16_t GKestrix::SendImage(const GBitmap& bitmap,
                                  const GClipToSingleRectangle* clip,
                                  const GRect& source,
                                  const GRect& destination,
                                  bool is_pattern,
                                  std::int16_t pattern_id) {
  if (stream_ == nullptr) {
    return kStreamFailed;
  }
  const bool rgb = color_mode_ == 1;
  const bool dither = !rgb && halftone_flag_ == 0;
  const bool run_length = !is_pattern && compression_ == kRunLengthSetting;

  // Everything the image needs is allocated before its first operator.
  GRasterRowFilter* filter = nullptr;
  if (run_length) {
    filter = new (std::nothrow) GRowRunLengthFilter(kRowAlignment);
  } else {
    filter = new (std::nothrow) GRowPaddingFilter(kRowAlignment);
  }
  if (filter == nullptr) {
    return kStreamFailed;
  }
  GRect placed = destination;
  const std::unique_ptr<GRasterImageSource> rows(new (std::nothrow) GRasterImageSource(
      source, placed, clip, bitmap, rgb ? 1 : 0, dither ? kDitherWhenDeeper : kNoDither,
      dither ? dither_matrix_ : nullptr, filter));
  if (rows == nullptr) {
    delete filter;
    return kStreamFailed;
  }
  // A chain that lost its bitmap reader or its filter (memory) ends in something else.
  if (dynamic_cast<GRasterRowFilter*>(rows->GetInner()) == nullptr) {
    return kStreamFailed;
  }
  const std::uint32_t max_row = std::max<std::uint32_t>(rows->GetRowBytes(), 1);
  const std::unique_ptr<std::uint8_t[]> row(new (std::nothrow) std::uint8_t[max_row]);
  const std::unique_ptr<std::uint8_t[]> block(new (std::nothrow)
                                                  std::uint8_t[std::max(kBlockBytes, max_row)]);
  if (row == nullptr || block == nullptr) {
    return kStreamFailed;
  }
  const std::uint8_t bits = rows->GetBitsPerPixel();
  const int depth = ColorDepthOf(bits);
  if (depth < 0) {
    return 0;
  }

  // The colour space, with the palette of indexed pixels padded or cut to 2^bits entries. Pixels
  // of up to 8 bits without a palette are gray levels, in RGB output too: direct RGB pixels
  // carry three components.
  const GPaletteTable* palette = bits <= 8 ? rows->GetPalette() : nullptr;
  const std::uint8_t space =
      rgb && (palette != nullptr || bits > 8) ? kColorSpaceRGB : kColorSpaceGray;
  std::uint8_t mapping = kDirectPixels;
  if (palette != nullptr) {
    const std::uint32_t entries = 1u << bits;
    const std::uint32_t per_entry = space == kColorSpaceRGB ? 3 : 1;
    std::uint8_t data[256 * 3] = {};
    for (std::uint32_t i = 0; i < std::min(entries, palette->GetCount()); ++i) {
      const GColor* color = palette->GetEntry(i);
      if (color == nullptr) {
        continue;
      }
      const GRGBColor c = color->AsRGBColor();
      if (space == kColorSpaceRGB) {
        data[3 * i] = static_cast<std::uint8_t>(c.GetRed());
        data[3 * i + 1] = static_cast<std::uint8_t>(c.GetGreen());
        data[3 * i + 2] = static_cast<std::uint8_t>(c.GetBlue());
      } else {
        data[i] = static_cast<std::uint8_t>(
            (30 * c.GetRed() + 59 * c.GetGreen() + 11 * c.GetBlue()) / 100);
      }
    }
    XLSetColorSpacePalette(stream_, space, kPaletteDepth8, data, entries * per_entry);
    mapping = kIndexedPixels;
  } else {
    XLSetColorSpace(stream_, space);
  }
  XLSetCursorSInt16(stream_, placed.left, placed.top);
  GRect delivered;
  rows->GetRect(delivered);
  const auto width = static_cast<std::uint16_t>(vel::RectWidth(delivered));
  const auto height = static_cast<std::uint16_t>(vel::RectHeight(delivered));
  const auto dest_width = static_cast<std::uint16_t>(vel::RectWidth(placed));
  const auto dest_height = static_cast<std::uint16_t>(vel::RectHeight(placed));
  const auto color_depth = static_cast<std::uint8_t>(depth);
  if (is_pattern) {
    XLBeginRastPattern(stream_, mapping, color_depth, width, height, dest_width, dest_height,
                       pattern_id, kTemporaryPattern);
  } else {
    XLBeginImage(stream_, mapping, color_depth, width, height, dest_width, dest_height);
  }

  // Blocks of whole rows: a row joins while the block's bytes and one more row of the largest
  // size stay below the block size; a repeated row is read once and copied.
  const std::uint8_t compress = run_length ? kCompressRunLength : kCompressNone;
  std::uint32_t line = 0;
  std::uint32_t row_length = 0;
  std::uint32_t copies = 0;
  bool ended = false;
  while (line < height && !ended) {
    const std::uint32_t first_line = line;
    std::uint32_t used = 0;
    while (line < height) {
      if (copies == 0) {
        std::uint16_t number = 0;
        std::uint8_t repeat = 0;
        std::uint8_t flag = 0;
        row_length = 0;
        (void)rows->ReadRow(row.get(), number, row_length, repeat, flag);
        if (row_length == 0) {
          ended = true;
          break;
        }
        copies = std::max<std::uint32_t>(repeat, 1);
      }
      if (used != 0 && used + max_row >= kBlockBytes) {
        break;
      }
      std::memcpy(block.get() + used, row.get(), row_length);
      used += row_length;
      --copies;
      ++line;
    }
    if (line == first_line) {
      break;
    }
    const auto start = static_cast<std::uint16_t>(first_line);
    const auto lines = static_cast<std::uint16_t>(line - first_line);
    if (is_pattern) {
      XLReadRastPattern(stream_, start, lines, compress);
    } else {
      XLReadImage(stream_, start, lines, compress);
    }
    XLEmbedBytes(stream_, block.get(), used);
  }
  if (is_pattern) {
    XLEndRastPattern(stream_);
  } else {
    XLEndImage(stream_);
  }
  return 0;
}

std::int32_t GKestrix::DownloadPattern(const GBitmap& bitmap, std::int16_t pattern_id) {
  if (bitmap.IsNull()) {
    return 0;
  }
  GRect bounds;
  bitmap.GetBounds(bounds);
  const std::int32_t width = vel::RectWidth(bounds);
  const std::int32_t height = vel::RectHeight(bounds);
  if (width == 0 || height == 0) {
    return 0;
  }
  // Patterns keep their aspect. Below 150 dpi they are not made smaller.
  std::int32_t factor = 1;
  if (bitmap.IsA() == kScaledPatternClass || scale_patterns_ != 0) {
    factor = std::max(1, resolution_y_ / kPatternDesignResolution);
  }
  const GRect square{0, 0, static_cast<std::int16_t>(std::min(width * factor, INT16_MAX + 0)),
                     static_cast<std::int16_t>(std::min(height * factor, INT16_MAX + 0))};
  return SendImage(bitmap, nullptr, bounds, square, true, pattern_id) == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Scan lines

std::uint16_t GKestrix::HandleRasterBegin(GGraphic& /*object*/) {
  SetScanFlag(1);
  if (stream_ != nullptr) {
    XLBeginScan(stream_);
  }
  return TakeStatus();
}

std::uint16_t GKestrix::HandleRasterEnd(GGraphic& /*object*/) {
  SetScanFlag(0);
  if (stream_ != nullptr) {
    XLEndScan(stream_);
  }
  return TakeStatus();
}

std::uint16_t GKestrix::HandleRasterRow(GGraphic& object) {
  const auto* shape = object.IsKindOf(vel::classid::kGShapeGraphic)
                          ? static_cast<const GShapeGraphic*>(&object)
                          : nullptr;
  if (stream_ == nullptr || shape == nullptr || shape->GetPointCount() < 2) {
    return TakeStatus();
  }
  const GPoint* points = shape->GetPointList()->Points();
  const std::uint32_t runs = shape->GetPointCount() - 1;
  if (runs > scan_pair_capacity_ / 2) {
    scan_pairs_.reset(new (std::nothrow) std::uint16_t[2 * std::size_t{runs}]);
    scan_pair_capacity_ = scan_pairs_ != nullptr ? 2 * runs : 0;
    if (scan_pairs_ == nullptr) {
      return kStreamFailed;
    }
  }
  // Each run (start x, end x) as the gap from the end of the run before (the first from its own
  // start) and its length.
  std::int32_t previous_end = points[1].x;
  for (std::uint32_t i = 0; i < runs; ++i) {
    const GPoint& run = points[i + 1];
    scan_pairs_[2 * i] = static_cast<std::uint16_t>(run.x - previous_end);
    scan_pairs_[2 * i + 1] = static_cast<std::uint16_t>(run.y - run.x);
    previous_end = run.y;
  }
  XLScanLineRel(stream_, static_cast<std::uint16_t>(points[0].y),
                static_cast<std::uint16_t>(points[1].x), scan_pairs_.get(), runs);
  return TakeStatus();
}
