// The PCL XL downloaded font: a body that also knows whether the TrueType header declared a
// vertical font, and its handle.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "framework/output/fonts/GDownloadedFont.h"

class GXLDownloadedFontImp : public GDownloadedFontImp {
 public:
  explicit GXLDownloadedFontImp(GLanguagePeripheral* owner) : GDownloadedFontImp(owner) {
    code_view_.fill(kNoCodes.data());
  }

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
  // The number of the `count` printer codes at `codes` that the font does not hold.
  std::uint32_t CountMissing(const std::uint16_t* codes, std::uint32_t count) const;

  // The printer codes the back end gave characters of a text converted into the font's code set,
  // kept so that later texts are converted without reading the font again. `key` names what the
  // codes depend on besides the character (the text's code and the glyph-code map); a new key
  // starts the cache over. kNoCode for a character without one.
  static constexpr std::uint16_t kNoCode = 0xFFFF;
  std::uint16_t CachedCode(std::uint64_t key, std::uint16_t character) const {
    return key == code_key_
               ? static_cast<std::uint16_t>(code_view_[character >> 8][character & 0xFF])
               : kNoCode;
  }
  // CachedCode of each of `count` characters into `codes`, telling whether every character had a
  // code (`complete`) and ORing the codes together (`bits`). When the codes are complete and the
  // bit table is there, `counted` is set and `missing` is the number of codes the font does not
  // hold. A kept code remembers that the font held it until the font next loses a code, so that
  // a text of codes seen held before is counted without asking for each one.
  struct Cached {
    bool complete = false;
    bool counted = false;
    std::uint16_t bits = 0;
    std::uint32_t missing = 0;
  };
  Cached CachedCodes(std::uint64_t key,
                     const std::uint16_t* chars,
                     std::uint32_t count,
                     std::uint16_t* codes);
  // Nothing is kept when memory is short.
  void CacheCode(std::uint64_t key, std::uint16_t character, std::uint16_t code);

 private:
  // A new held mark: every kept code counts as not seen held.
  void ForgetHeld();

  std::uint32_t vertical_ = 0;
  // One bit per printer code held; made with the first code.
  std::unique_ptr<std::uint64_t[]> codes_held_;
  std::uint64_t code_key_ = 0;
  // Pages of 256 entries by the character's high byte, made on first use; the view reads a page
  // of kNoCode for a page not made. An entry holds the code in its low 16 bits and, in its high
  // 16 bits, the held mark at which the code was last seen held (0: not seen).
  static constexpr std::array<std::uint32_t, 256> kNoCodes = [] {
    std::array<std::uint32_t, 256> codes{};
    codes.fill(kNoCode);
    return codes;
  }();
  std::array<std::unique_ptr<std::uint32_t[]>, 256> code_pages_;
  std::array<const std::uint32_t*, 256> code_view_;
  std::uint32_t held_mark_ = 1;
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
