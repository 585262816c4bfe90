// GXLDownloadedFont.
#include "framework/output/fonts/GXLDownloadedFont.h"

#include <algorithm>
#include <new>

namespace {

constexpr std::uint32_t kCodeLimit = 0x10000;
constexpr std::uint32_t kCodeWords = kCodeLimit / 64;

}  // namespace

bool GXLDownloadedFontImp::AddGlyph(std::uint32_t glyph) {
  if (!GDownloadedFontImp::AddGlyph(glyph)) {
    return false;
  }
  if (glyph < kCodeLimit) {
    if (codes_held_ == nullptr) {
      // Made late (memory was short before): it takes the codes the set already holds.
      codes_held_.reset(new (std::nothrow) std::uint64_t[kCodeWords]());
      if (codes_held_ != nullptr) {
        (void)ForEachGlyph(
            [](std::uint32_t held, void* table) -> std::uint32_t {
              if (held < kCodeLimit) {
                static_cast<std::uint64_t*>(table)[held / 64] |= std::uint64_t{1} << (held % 64);
              }
              return 0;
            },
            codes_held_.get());
      }
    }
    if (codes_held_ != nullptr) {
      codes_held_[glyph / 64] |= std::uint64_t{1} << (glyph % 64);
    }
  }
  return true;
}

void GXLDownloadedFontImp::RemoveGlyph(std::uint32_t glyph) {
  GDownloadedFontImp::RemoveGlyph(glyph);
  if (glyph < kCodeLimit && codes_held_ != nullptr) {
    codes_held_[glyph / 64] &= ~(std::uint64_t{1} << (glyph % 64));
  }
}

bool GXLDownloadedFontImp::HasGlyph(std::uint32_t glyph) const {
  if (glyph < kCodeLimit && codes_held_ != nullptr) {
    return (codes_held_[glyph / 64] >> (glyph % 64) & 1) != 0;
  }
  return GDownloadedFontImp::HasGlyph(glyph);
}

void GXLDownloadedFontImp::Release() {
  const bool held = GetByteCount() != 0;
  GDownloadedFontImp::Release();
  if (held) {
    codes_held_.reset();
  }
}

void GXLDownloadedFontImp::CacheCode(std::uint64_t key,
                                     std::uint16_t character,
                                     std::uint16_t code) {
  if (key != code_key_) {
    for (auto& page : code_pages_) {
      page.reset();
    }
    code_key_ = key;
  }
  std::unique_ptr<std::uint16_t[]>& page = code_pages_[character >> 8];
  if (page == nullptr) {
    page.reset(new (std::nothrow) std::uint16_t[256]);
    if (page == nullptr) {
      return;
    }
    std::fill_n(page.get(), 256, kNoCode);
  }
  page[character & 0xFF] = code;
}

GXLDownloadedFont::GXLDownloadedFont(GLanguagePeripheral* owner)
    : GDownloadedFont(new (std::nothrow) GXLDownloadedFontImp(owner)) {}

GDownloadedFont* GXLDownloadedFont::Clone() const {
  return new (std::nothrow) GXLDownloadedFont(static_cast<GXLDownloadedFontImp*>(Body()));
}

void GXLDownloadedFont::SetVertical(std::uint32_t vertical) {
  if (Body() != nullptr) {
    static_cast<GXLDownloadedFontImp*>(Body())->SetVertical(vertical);
  }
}

std::uint32_t GXLDownloadedFont::IsVertical() const {
  return Body() != nullptr ? static_cast<GXLDownloadedFontImp*>(Body())->IsVertical() : 0;
}
