// The PostScript back end: images, brush and pen patterns, scan-line rasters.
//
// Rows come from the bitmap's row reader, each padded to a whole byte. Colour output sends 24-bit
// rows as RGB and indexed rows through an indexed colour space over the palette in RGB; grey
// output reads 24-bit images as 8-bit grey levels and gives an indexed image a palette of grey
// levels, (30 R + 59 G + 11 B) / 100. Rows of one component without a palette are grey.
//
// An image is drawn inside gsave ... grestore: the translate and scale that place the unit square
// of the image on its destination end with it. A pattern is defined once, inside gsave ...
// grestore as well, and its samples are always written as 8-bit components (RGB for colour
// output, grey otherwise), an indexed bitmap's pixels looked up in its palette first.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/core/GState.h"
#include "framework/output/GPostScript.h"
#include "framework/output/SettingValues.h"
#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GBitmapRowReader.h"
#include "framework/pipeline/GClipAttribute.h"
#include "framework/pipeline/GClipToSingleRectangle.h"
#include "framework/pipeline/GColor.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterGraphic.h"
#include "framework/pipeline/GRasterImageSource.h"
#include "framework/pipeline/GRasterPaint.h"
#include "framework/pipeline/GRasterRowFilter.h"
#include "framework/pipeline/GShapeGraphic.h"

namespace {

// Image data is gathered into blocks of this many bytes before it is written.
constexpr std::uint32_t kBlockSize = 16384;
// A pattern's samples stand in one PostScript string, which holds at most this many bytes.
constexpr std::uint32_t kMaxPatternBytes = 65535;

std::uint8_t GreyOf(const GRGBColor& rgb) {
  return static_cast<std::uint8_t>((rgb.GetRed() * 30 + rgb.GetGreen() * 59 + rgb.GetBlue() * 11) /
                                   100);
}

GRGBColor EntryOf(const GPaletteTable& palette, std::uint32_t index) {
  if (index >= palette.GetCount()) {
    return GRGBColor(0, 0, 0, 255);
  }
  const GColor* color = palette.GetEntry(index);
  return color != nullptr ? color->AsRGBColor() : GRGBColor(0, 0, 0, 255);
}

// The pixel value at `x` of a row of `bits` bits per pixel (1, 4 or 8), leftmost bits first.
std::uint32_t PixelAt(const std::uint8_t* row, std::uint32_t x, std::uint32_t bits) {
  switch (bits) {
    case 1:
      return (row[x / 8] >> (7 - x % 8)) & 1u;
    case 4:
      return (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0Fu;
    default:
      return row[x];
  }
}

// The row-source chain of an image part: the bitmap's rows, padded to whole bytes.
struct RowChain {
  std::unique_ptr<GRasterImageSource> source;
  GRect rect;
  std::uint32_t bits = 0;
  const GPaletteTable* palette = nullptr;
  std::uint32_t row_bytes = 0;  // of a full row of rect's width
  std::uint32_t buffer_bytes = 0;

  bool Build(const GBitmap& bitmap, const GRect& part, bool grey_rows) {
    auto* reader = new (std::nothrow) GBitmapRowReader(bitmap, part, grey_rows);
    auto* padding = new (std::nothrow) GRowPaddingFilter(1);
    if (reader == nullptr || padding == nullptr) {
      delete reader;
      delete padding;
      return false;
    }
    source.reset(new (std::nothrow)
                     GRasterImageSource(reader, nullptr, nullptr, nullptr, nullptr, padding));
    if (source == nullptr) {
      delete reader;
      delete padding;
      return false;
    }
    (void)source->GetRect(rect);
    bits = source->GetBitsPerPixel();
    palette = bits <= 8 ? source->GetPalette() : nullptr;
    const std::uint64_t width = static_cast<std::uint64_t>(vel::RectWidth(rect));
    row_bytes = static_cast<std::uint32_t>((width * bits + 7) / 8);
    buffer_bytes = std::max(source->GetRowBytes(), row_bytes);
    return (bits == 1 || bits == 4 || bits == 8 || bits == 24) && width > 0 &&
           vel::RectHeight(rect) > 0;
  }

  // Every row of the rectangle, `row_bytes` bytes each, handed to `take` in order; a row the
  // source does not deliver reads as zeros, so the data always fills the image.
  template <typename Take>
  bool ForEachRow(Take take) {
    std::unique_ptr<std::uint8_t[]> row(new (std::nothrow) std::uint8_t[buffer_bytes]);
    if (row == nullptr) {
      return false;
    }
    const std::int32_t height = vel::RectHeight(rect);
    std::int32_t line = 0;
    while (line < height) {
      std::uint16_t number = 0;
      std::uint32_t length = 0;
      std::uint8_t repeat = 0;
      std::uint8_t flag = 0;
      length = 0;
      (void)source->ReadRow(row.get(), number, length, repeat, flag);
      if (length == 0) {
        break;
      }
      if (length < row_bytes) {
        std::memset(row.get() + length, 0, row_bytes - length);
      }
      for (std::uint32_t copy = 0; copy < std::max<std::uint32_t>(repeat, 1) && line < height;
           ++copy, ++line) {
        take(row.get());
      }
    }
    std::memset(row.get(), 0, buffer_bytes);
    for (; line < height; ++line) {
      take(row.get());
    }
    return true;
  }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Bitmaps

bool GPostScript::WriteBitmap(const GBitmap& bitmap,
                              const GRect& source,
                              const GRect& destination,
                              bool is_pattern,
                              std::int32_t number) {
  if (writer_ == nullptr) {
    return false;
  }
  GPSLibWriter& w = *writer_;
  const bool colour = colour_output_ == 1;
  RowChain chain;
  if (!chain.Build(bitmap, source, !colour)) {
    return false;
  }
  const std::int32_t width = vel::RectWidth(chain.rect);
  const std::int32_t height = vel::RectHeight(chain.rect);
  bits_per_component_ = chain.bits == 24 ? 8 : chain.bits;

  std::vector<std::uint8_t> block;
  block.reserve(kBlockSize);
  const auto put = [&](const std::uint8_t* bytes, std::uint32_t count) {
    while (count > 0) {
      const std::uint32_t room = kBlockSize - static_cast<std::uint32_t>(block.size());
      const std::uint32_t part = std::min(room, count);
      block.insert(block.end(), bytes, bytes + part);
      bytes += part;
      count -= part;
      if (block.size() == kBlockSize) {
        (void)w.WriteHex(block.data(), static_cast<std::uint32_t>(block.size()));
        block.clear();
      }
    }
  };
  const auto end_block = [&] {
    if (!block.empty()) {
      (void)w.WriteHex(block.data(), static_cast<std::uint32_t>(block.size()));
      block.clear();
    }
  };

  if (is_pattern) {
    const std::uint32_t components = colour ? 3 : 1;
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * components >
        kMaxPatternBytes) {
      return false;
    }
    const std::int32_t factor =
        (bitmap.IsA() == vel::classid::kResolutionScaledPattern ||
         vel::SettingValueOr(InitStates(vel::key::kDocumentGroup), vel::key::kScalePatterns, 0) ==
             1)
            ? std::max(1, resolution_y_ / 150)
            : 1;
    std::vector<std::uint8_t> expanded(static_cast<std::size_t>(width) * components);
    (void)w.GSave();
    (void)w.Scale(factor, factor);
    (void)w.BeginPattern(width, height, 8);
    const bool ok = chain.ForEachRow([&](const std::uint8_t* row) {
      std::uint8_t* out = expanded.data();
      for (std::int32_t x = 0; x < width; ++x) {
        std::uint8_t r = 0;
        std::uint8_t g = 0;
        std::uint8_t b = 0;
        if (chain.bits == 24) {
          r = row[3 * x];
          g = row[3 * x + 1];
          b = row[3 * x + 2];
        } else {
          const std::uint32_t value = PixelAt(row, static_cast<std::uint32_t>(x), chain.bits);
          if (chain.palette != nullptr) {
            const GRGBColor rgb = EntryOf(*chain.palette, value);
            r = static_cast<std::uint8_t>(rgb.GetRed());
            g = static_cast<std::uint8_t>(rgb.GetGreen());
            b = static_cast<std::uint8_t>(rgb.GetBlue());
          } else {
            // Grey levels: 1 bit is black or white, 4 bits step by 17.
            const auto level = static_cast<std::uint8_t>(
                chain.bits == 1 ? value * 255 : chain.bits == 4 ? value * 17 : value);
            r = g = b = level;
          }
        }
        if (colour) {
          *out++ = r;
          *out++ = g;
          *out++ = b;
        } else {
          *out++ = chain.bits == 24 || chain.palette != nullptr ? GreyOf(GRGBColor(r, g, b, 255))
                                                                : r;
        }
      }
      put(expanded.data(), static_cast<std::uint32_t>(expanded.size()));
    });
    end_block();
    (void)w.EndPattern(colour ? 1 : 0, number);
    (void)w.GRestore();
    return ok;
  }

  // An image: one component per sample without a palette unless the rows are 24-bit.
  const bool indexed = chain.palette != nullptr;
  const bool rgb_rows = chain.bits == 24;
  if (indexed) {
    const std::uint32_t entries = 1u << chain.bits;
    const std::uint32_t per_entry = colour ? 3 : 1;
    std::vector<std::uint8_t> palette(static_cast<std::size_t>(entries) * per_entry, 0);
    const std::uint32_t used = std::min(entries, chain.palette->GetCount());
    for (std::uint32_t i = 0; i < used; ++i) {
      const GRGBColor rgb = EntryOf(*chain.palette, i);
      if (colour) {
        palette[3 * i] = static_cast<std::uint8_t>(rgb.GetRed());
        palette[3 * i + 1] = static_cast<std::uint8_t>(rgb.GetGreen());
        palette[3 * i + 2] = static_cast<std::uint8_t>(rgb.GetBlue());
      } else {
        palette[i] = GreyOf(rgb);
      }
    }
    (void)w.GSave();
    (void)w.Translate(destination.left,
                      static_cast<std::int16_t>(destination.top + vel::RectHeight(destination)));
    (void)w.Scale(vel::RectWidth(destination), -vel::RectHeight(destination));
    (void)w.SetColorSpace(colour ? 1 : 0, static_cast<std::int32_t>(chain.bits), palette.data());
  } else {
    (void)w.GSave();
    (void)w.Translate(destination.left,
                      static_cast<std::int16_t>(destination.top + vel::RectHeight(destination)));
    (void)w.Scale(vel::RectWidth(destination), -vel::RectHeight(destination));
    (void)w.SetColorSpace(rgb_rows ? 1 : 0, static_cast<std::int32_t>(bits_per_component_),
                          nullptr);
  }
  (void)w.BeginImage(width, height, rgb_rows ? 1 : 0,
                     static_cast<std::int32_t>(bits_per_component_), indexed ? 1 : 0);
  const bool ok = chain.ForEachRow([&](const std::uint8_t* row) { put(row, chain.row_bytes); });
  end_block();
  (void)w.EndImageData();
  (void)w.GRestore();
  return ok;
}

bool GPostScript::DefinePattern(GRasterPaint& paint, std::int32_t number) {
  const GBitmap* bitmap = paint.GetBitmap();
  if (bitmap == nullptr || writer_ == nullptr) {
    return false;
  }
  GRect bounds;
  bitmap->GetBounds(bounds);
  if (vel::RectWidth(bounds) == 0 || vel::RectHeight(bounds) == 0) {
    return false;
  }
  return WriteBitmap(*bitmap, bounds, bounds, true, number);
}

std::uint16_t GPostScript::HandleRasterGraphic(GRasterGraphic& object) {
  if (writer_ == nullptr) {
    return TakeStatus();
  }
  GRect allowed;
  if (current_media_ != nullptr) {
    current_media_->GetPrintableRect(&allowed.left, &allowed.top, &allowed.right, &allowed.bottom);
  } else {
    // Without a media the whole Letter page is open.
    allowed = GRect{0, 0, static_cast<std::int16_t>(612 * resolution_x_ / 72),
                    static_cast<std::int16_t>(792 * resolution_y_ / 72)};
  }
  const GState* graphics = InitStates(vel::key::kGraphicsGroup);
  const auto* clip = graphics != nullptr ? dynamic_cast<const GClipAttribute*>(
                                               graphics->FindKindOf(vel::classid::kGClipAttribute))
                                         : nullptr;
  GRect clip_bounds;
  if (clip != nullptr && clip->GetClipRegion() != 1 && clip->GetBounds(clip_bounds)) {
    GRect common;
    vel::IntersectRects(allowed, clip_bounds, common);
    if (vel::RectWidth(common) == 0 || vel::RectHeight(common) == 0) {
      return TakeStatus();
    }
    allowed = common;
  }
  const GClipToSingleRectangle limit(allowed, 0, 1, vel::key::kBundleClip);
  GRect source;
  GRect destination;
  (void)object.ComputeClippedRects(&limit, source, destination);
  if (destination.left != destination.right && destination.top != destination.bottom) {
    (void)WriteBitmap(object.Image(), source, destination, false, 0);
  }
  return TakeStatus();
}

// ---------------------------------------------------------------------------------------------
// Scan-line rasters

std::uint16_t GPostScript::HandleRasterBegin(GGraphic& /*object*/) {
  if (writer_ != nullptr && GetPathDepth() == 0) {
    (void)writer_->NewPath();
  }
  SetScanFlag(1);
  return TakeStatus();
}

std::uint16_t GPostScript::HandleRasterRow(GGraphic& object) {
  const auto* shape = dynamic_cast<const GShapeGraphic*>(&object);
  const GPointList* list = shape != nullptr ? shape->GetPointList() : nullptr;
  if (writer_ == nullptr || list == nullptr || list->Count() == 0) {
    return TakeStatus();
  }
  const GPoint* points = list->Points();
  const std::int16_t y = points[0].y;
  const auto below = static_cast<std::int16_t>(y == INT16_MAX ? y : y + 1);
  for (std::uint32_t i = 1; i < list->Count(); ++i) {
    RectanglePath(points[i].x, y, points[i].y, below);
  }
  return TakeStatus();
}

std::uint16_t GPostScript::HandleRasterEnd(GGraphic& /*object*/) {
  SetScanFlag(0);
  if (writer_ != nullptr && no_brush_ == 0) {
    (void)writer_->GSave();
    (void)writer_->UseBrush();
    (void)writer_->Fill();
    (void)writer_->GRestore();
  }
  return TakeStatus();
}
