// GGlyphCodeMap: gives each glyph of a large font that a job uses a printer character code, first
// come first served, so that fonts with more glyphs than a code page can be downloaded.
//
// Glyphs below 256, from 0x2000 to 0x20FF and from 0xFF00 up pass through as their own codes.
// Every other glyph g has a slot in page (g - 256) >> 8 at index g & 0xFF; the table of 255 page
// pointers and each page of 256 codes are made when first needed, and a code of 0 means "not yet
// given". Codes are handed out from 256 upward.
//
// GXLGlyphCodeMap, the PCL XL map, never hands out 0x2000-0x20FF: the 64,768 glyphs that can be
// mapped (256 to 0xFEFF outside 0x2000-0x20FF) take codes up to 0xFEFF at most, so they never
// reach the pass-through ranges.
#pragma once

#include <cstdint>

class GGlyphCodeMap {
 public:
  static constexpr std::uint16_t kFirstCode = 256;

  GGlyphCodeMap() = default;
  GGlyphCodeMap(const GGlyphCodeMap&) = delete;
  GGlyphCodeMap& operator=(const GGlyphCodeMap&) = delete;
  // Clears.
  virtual ~GGlyphCodeMap();

  // The printer code of the glyph, handing out the next code to a glyph met for the first time.
  // 0 for a glyph whose page cannot be had (memory short).
  virtual std::uint16_t MapGlyph(std::uint16_t glyph);
  // Frees every page and the page table; codes start at 256 again.
  virtual void Clear();
  // Advances the next code past the one just handed out; answers the new next code.
  virtual std::uint16_t NextCode() = 0;

  std::uint16_t PeekNextCode() const { return next_code_; }

 protected:
  std::uint16_t next_code_ = kFirstCode;

 private:
  static constexpr std::uint32_t kPages = 255;
  std::uint16_t** pages_ = nullptr;
};

class GXLGlyphCodeMap : public GGlyphCodeMap {
 public:
  GXLGlyphCodeMap() = default;
  ~GXLGlyphCodeMap() override = default;

  // The next code + 1, jumping from 0x2000 to 0x2100.
  std::uint16_t NextCode() override;
};
