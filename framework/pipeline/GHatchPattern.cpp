// GHatchPattern.
#include "framework/pipeline/GHatchPattern.h"

#include <algorithm>
#include <memory>
#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GRGBColor.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

constexpr std::int32_t kStyles = 5;

constexpr std::uint8_t kHatchRows[kStyles + 1][GHatchPattern::kRows] = {
    {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    {0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F},
    {0x3F, 0x9F, 0xCF, 0xE7, 0xF3, 0xF9, 0xFC, 0x7E},
    {0xFC, 0xF9, 0xF3, 0xE7, 0xCF, 0x9F, 0x3F, 0x7E},
    {0x27, 0x8F, 0x8F, 0x27, 0x72, 0xF8, 0xF8, 0x72},
    {0x00, 0x00, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F},  // any other style
};

// The implementation of a hatch: an owned copy of the rows, one byte each, and the two colours.
GBitmapImp* MakeHatch(std::int32_t style, const GRGBColor& first, const GRGBColor& second) {
  std::unique_ptr<std::uint8_t[]> rows(new (std::nothrow) std::uint8_t[GHatchPattern::kRows]);
  std::unique_ptr<GPaletteTable> palette(new (std::nothrow) GPaletteTable(GColorPointerVector()));
  std::unique_ptr<GColor> entry0(static_cast<GColor*>(first.Clone()));
  std::unique_ptr<GColor> entry1(static_cast<GColor*>(second.Clone()));
  if (rows == nullptr || palette == nullptr || entry0 == nullptr || entry1 == nullptr) {
    return nullptr;
  }
  const std::uint8_t* source = GHatchPattern::RowsOf(style);
  std::copy(source, source + GHatchPattern::kRows, rows.get());
  palette->Append(entry0.release());
  palette->Append(entry1.release());
  auto* implementation = new (std::nothrow)
      GBitmapImp(1, rows.get(), GHatchPattern::kRows, 1, GPoint{0, 0},
                 GPoint{GHatchPattern::kRows, GHatchPattern::kRows}, 1, 0, 0, palette.get(), 0, 0,
                 0, 0, 0, 0, 0, 0);
  if (implementation != nullptr) {
    rows.release();
    palette.release();
  }
  return implementation;
}

}  // namespace

GHatchPattern::GHatchPattern(std::int32_t style, const GRGBColor& first, const GRGBColor& second)
    : GBitmap(MakeHatch(style, first, second)) {}

const std::uint8_t* GHatchPattern::RowsOf(std::int32_t style) {
  return kHatchRows[style >= 0 && style < kStyles ? style : kStyles];
}

RWClassID GHatchPattern::ClassId() {
  return vel::classid::kGHatchPattern;
}

RWCollectable* GHatchPattern::Create() {
  return new (std::nothrow) GHatchPattern;
}

RWCollectable* GHatchPattern::CreateInstance() const {
  return Create();
}

RWCollectable* GHatchPattern::Clone() const {
  return new (std::nothrow) GHatchPattern(*this);
}

RWClassID GHatchPattern::IsA() const {
  return ClassId();
}

bool GHatchPattern::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBitmap::IsKindOf(id);
}

std::uint32_t GHatchPattern::StoredByteCount() const {
  // Counted as the save writes it: inside one pass that has entered this object.
  const vel::StoredSizeScope scope(this);
  return GBitmap::StoredByteCount() + vel::kClassVersionSize;
}

void GHatchPattern::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GBitmap>(*this, stream);
}

void GHatchPattern::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GBitmap>(*this, file);
}

void GHatchPattern::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GBitmap>(*this, stream);
}

void GHatchPattern::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GBitmap>(*this, file);
}
