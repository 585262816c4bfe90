// GRasterRowSource: the defaults of a row stage, which ask the source below.
#include "framework/pipeline/GRasterRowSource.h"

std::int32_t GRasterRowSource::Prepare() {
  ready_ = 1;
  return 1;
}

std::uint32_t GRasterRowSource::GetRowBytes() const {
  return inner_ == nullptr ? 0 : inner_->GetRowBytes();
}

GRect* GRasterRowSource::GetRect(GRect& rect) const {
  if (inner_ == nullptr) {
    rect = GRect{};
    return &rect;
  }
  return inner_->GetRect(rect);
}

std::uint8_t GRasterRowSource::GetBitsPerPixel() const {
  return inner_ == nullptr ? 0 : inner_->GetBitsPerPixel();
}

const GPaletteTable* GRasterRowSource::GetPalette() const {
  return inner_ == nullptr ? nullptr : inner_->GetPalette();
}

std::uint32_t GRasterRowSource::GetNarrowFactor() const { return 1; }

bool GRasterRowSource::UseNarrowRows() { return false; }

std::uint32_t GRasterRowSource::ReadInner(std::uint8_t* buffer, std::uint16_t& row_number,
                                          std::uint32_t& length, std::uint8_t& repeat,
                                          std::uint8_t& flag) {
  if (inner_ == nullptr) {
    length = 0;
    return 0;
  }
  return inner_->ReadRow(buffer, row_number, length, repeat, flag);
}

GRect* GRectRowStage::GetRect(GRect& rect) const {
  rect = rect_;
  return &rect;
}
