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
  ForgetHeld();
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
    ForgetHeld();
  }
}

void GXLDownloadedFontImp::ForgetHeld() {
  if (++held_mark_ <= 0xFFFF) {
    return;
  }
  // The marks wrapped: the entries' marks are cleared, and marks start over.
  held_mark_ = 1;
  for (auto& page : code_pages_) {
    if (page != nullptr) {
      for (std::uint32_t i = 0; i < 256; ++i) {
        page[i] &= 0xFFFF;
      }
    }
  }
}

std::uint32_t GXLDownloadedFontImp::CountMissing(const std::uint16_t* codes,
                                                 std::uint32_t count) const {
  const std::uint64_t* table = codes_held_.get();
  std::uint32_t missing = 0;
  if (table == nullptr) {
    for (std::uint32_t i = 0; i < count; ++i) {
      missing += GDownloadedFontImp::HasGlyph(codes[i]) ? 0 : 1;
    }
    return missing;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    missing += static_cast<std::uint32_t>(~(table[codes[i] / 64] >> (codes[i] % 64)) & 1);
  }
  return missing;
}

GXLDownloadedFontImp::Cached GXLDownloadedFontImp::CachedCodes(std::uint64_t key,
                                                               const std::uint16_t* chars,
                                                               std::uint32_t count,
                                                               std::uint16_t* codes) {
  Cached cached;
  if (key != code_key_) {
    std::fill_n(codes, count, kNoCode);
    cached.complete = count == 0;
    return cached;
  }
  // One pass for the codes; the characters whose codes were not seen held at this mark (those
  // without a code among them) are looked at again. The entries with the mark taken out are ORed:
  // the codes' bits below, and above them nothing unless some code was not seen held.
  const std::uint32_t mark = held_mark_;
  std::uint32_t ored = 0;
  // Most texts keep to one page of characters: then the page is looked up once.
  std::uint16_t any = 0;
  std::uint16_t all = 0xFFFF;
  for (std::uint32_t i = 0; i < count; ++i) {
    any |= chars[i];
    all &= chars[i];
  }
  if (((any ^ all) >> 8) == 0) {
    const std::uint32_t* page = code_view_[any >> 8];
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t entry = page[chars[i] & 0xFF];
      codes[i] = static_cast<std::uint16_t>(entry);
      ored |= entry ^ mark << 16;
    }
  } else {
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t entry = code_view_[chars[i] >> 8][chars[i] & 0xFF];
      codes[i] = static_cast<std::uint16_t>(entry);
      ored |= entry ^ mark << 16;
    }
  }
  const bool unseen = ored >> 16 != 0;
  cached.bits = static_cast<std::uint16_t>(ored);
  cached.complete = true;
  const std::uint64_t* table = codes_held_.get();
  std::uint32_t missing = 0;
  for (std::uint32_t i = 0; unseen && i < count; ++i) {
    const std::uint16_t code = codes[i];
    if (code == kNoCode) {
      cached.complete = false;
      break;
    }
    // A character with a code has its page.
    std::uint32_t& entry = code_pages_[chars[i] >> 8][chars[i] & 0xFF];
    if ((entry >> 16) == mark) {
      continue;
    }
    if (table != nullptr && (table[code / 64] >> (code % 64) & 1) != 0) {
      entry = code | mark << 16;
    } else {
      ++missing;
    }
  }
  cached.counted = cached.complete && table != nullptr;
  cached.missing = missing;
  return cached;
}

void GXLDownloadedFontImp::CacheCode(std::uint64_t key,
                                     std::uint16_t character,
                                     std::uint16_t code) {
  if (key != code_key_) {
    for (auto& page : code_pages_) {
      page.reset();
    }
    code_view_.fill(kNoCodes.data());
    code_key_ = key;
  }
  std::unique_ptr<std::uint32_t[]>& page = code_pages_[character >> 8];
  if (page == nullptr) {
    page.reset(new (std::nothrow) std::uint32_t[256]);
    if (page == nullptr) {
      return;
    }
    std::fill_n(page.get(), 256, kNoCode);
    code_view_[character >> 8] = page.get();
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
