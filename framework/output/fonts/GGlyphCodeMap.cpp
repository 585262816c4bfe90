// GGlyphCodeMap and GXLGlyphCodeMap.
#include "framework/output/fonts/GGlyphCodeMap.h"

#include <new>

namespace {

constexpr std::uint32_t kPageSize = 256;

bool PassesThrough(std::uint16_t glyph) {
  return glyph < 256 || (glyph >= 0x2000 && glyph <= 0x20FF) || glyph >= 0xFF00;
}

}  // namespace

GGlyphCodeMap::~GGlyphCodeMap() {
  GGlyphCodeMap::Clear();
}

std::uint16_t GGlyphCodeMap::MapGlyph(std::uint16_t glyph) {
  if (PassesThrough(glyph)) {
    return glyph;
  }
  if (pages_ == nullptr) {
    pages_ = new (std::nothrow) std::uint16_t*[kPages]();
    if (pages_ == nullptr) {
      return 0;
    }
  }
  std::uint16_t*& page = pages_[(glyph - 256U) >> 8];
  if (page == nullptr) {
    page = new (std::nothrow) std::uint16_t[kPageSize]();
    if (page == nullptr) {
      return 0;
    }
  }
  std::uint16_t& code = page[glyph & 0xFFU];
  if (code == 0) {
    code = next_code_;
    (void)NextCode();
  }
  return code;
}

void GGlyphCodeMap::Clear() {
  if (pages_ != nullptr) {
    for (std::uint32_t i = 0; i < kPages; ++i) {
      delete[] pages_[i];
    }
    delete[] pages_;
    pages_ = nullptr;
  }
  next_code_ = kFirstCode;
}

std::uint16_t GXLGlyphCodeMap::NextCode() {
  ++next_code_;
  if (next_code_ == 0x2000) {
    next_code_ = 0x2100;
  }
  return next_code_;
}
