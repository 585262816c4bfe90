// The PCL XL downloaded font: a body that also knows whether the TrueType header declared a
// vertical font, and its handle.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "framework/output/fonts/GDownloadedFont.h"

class GXLDownloadedFontImp : public GDownloadedFontImp {
 public:
  explicit GXLDownloadedFontImp(GLanguagePeripheral* owner) : GDownloadedFontImp(owner) {}

  void SetVertical(std::uint32_t vertical) { vertical_ = vertical; }
  std::uint32_t IsVertical() const { return vertical_; }

  // The glyph set, with the printer codes (below 0x10000) also kept in a plain bit table: every
  // text asks for each of its codes.
  bool AddGlyph(std::uint32_t glyph) override;
  void RemoveGlyph(std::uint32_t glyph) override;
  bool HasGlyph(std::uint32_t glyph) const override;
  void Release() override;
  // HasGlyph of a printer code, without the call.
  bool HoldsCode(std::uint16_t code) const {
    return codes_held_ != nullptr ? (codes_held_[code / 64] >> (code % 64) & 1) != 0
                                  : GDownloadedFontImp::HasGlyph(code);
  }

  // The printer codes the back end gave characters of a text converted into the font's code set,
  // kept so that later texts are converted without reading the font again. `key` names what the
  // codes depend on besides the character (the text's code and the glyph-code map); a new key
  // starts the cache over. kNoCode for a character without one.
  static constexpr std::uint16_t kNoCode = 0xFFFF;
  std::uint16_t CachedCode(std::uint64_t key, std::uint16_t character) const {
    const std::uint16_t* page = code_pages_[character >> 8].get();
    return key == code_key_ && page != nullptr ? page[character & 0xFF] : kNoCode;
  }
  // Nothing is kept when memory is short.
  void CacheCode(std::uint64_t key, std::uint16_t character, std::uint16_t code);

 private:
  std::uint32_t vertical_ = 0;
  // One bit per printer code held; made with the first code.
  std::unique_ptr<std::uint64_t[]> codes_held_;
  std::uint64_t code_key_ = 0;
  // Pages of 256 codes by the character's high byte, made on first use.
  std::array<std::unique_ptr<std::uint16_t[]>, 256> code_pages_;
};

class GXLDownloadedFont : public GDownloadedFont {
 public:
  // A handle on a new body for the owner (a handle without a body when memory is short).
  explicit GXLDownloadedFont(GLanguagePeripheral* owner);
  // One more handle on the body.
  explicit GXLDownloadedFont(GXLDownloadedFontImp* body) : GDownloadedFont(body) {}

  GDownloadedFont* Clone() const override;

  void SetVertical(std::uint32_t vertical);
  std::uint32_t IsVertical() const;
};
