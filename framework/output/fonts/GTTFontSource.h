// GTTFontSource: the TrueType data of a font, as the language back ends read it to download the
// font as outlines. A TrueType font implementation offers it beside its GFontImp part (the
// platform's TrueType implementation forwards each call to its pooled GTTFontFile with the
// platform's font handle); a bitmap font has none. TrueTypeSourceOf finds it for a GFont.
//
// Tables are named by their cache numbers (vel::truetype::TableIndex). Blocks handed out belong
// to the caller. Every answer is as the TrueType reader gives it: 0 for a missing table, a
// failed read or an unmapped character.
#pragma once

#include <cstdint>

class GFont;
class GMemoryBlock;

class GTTFontSource {
 public:
  // Bytes of part of a table: `length` on success, 0 on failure.
  virtual std::uint32_t ReadTableData(std::uint32_t index,
                                      std::uint32_t offset,
                                      bool cache,
                                      std::uint8_t* buffer,
                                      std::uint32_t length) = 0;
  // The whole table as a new block, and its length (0 and no block for a missing table).
  virtual std::uint32_t GetTable(std::uint32_t index, bool cache, GMemoryBlock*& block) = 0;
  // The table's length (0 when the font has no such table).
  virtual std::uint32_t GetTableSize(std::uint32_t index) = 0;
  // The outline bytes of a glyph as a new block (an empty one for an empty glyph; none on
  // failure), and their length.
  virtual std::uint32_t GetGlyphData(bool cache, std::uint16_t glyph, GMemoryBlock*& block) = 0;
  // The glyph of a character code in a character set (its vertical form when `vertical`).
  virtual std::uint16_t MapCharToGlyph(bool vertical,
                                       std::uint16_t code,
                                       std::uint32_t char_set) = 0;
  // Caches a glyph and its components: 1, or 0 on failure.
  virtual int CacheGlyph(std::uint16_t glyph) = 0;
  // Decoded values and metrics: 1 with the value set, 0 when it cannot be read.
  virtual int GetNumGlyphs(std::uint16_t& count) = 0;
  virtual int GetTypoDescender(std::int16_t& descender) = 0;
  virtual int GetHMetrics(std::uint16_t glyph, std::uint16_t& advance, std::int16_t& bearing) = 0;
  virtual int GetVMetrics(std::uint16_t glyph, std::uint16_t& advance, std::int16_t& bearing) = 0;

 protected:
  ~GTTFontSource() = default;
};

// The TrueType data of the font's implementation, or null (no implementation, or a font that is
// not TrueType).
GTTFontSource* TrueTypeSourceOf(const GFont& font);
