// Font bytes from outside: a .ttf (or a collection's first face) read through the TrueType
// reader. Every operation that the back ends call runs over the font: the validity test, the
// preload (character sets 16 and 17), the character map for sample codes in every character set
// (horizontal and vertical), glyph data, component caching and metrics for the first 64 glyphs.
// Nothing may crash, hang or read outside a buffer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/output/fonts/GMemoryBlock.h"
#include "tests/support/FwMemoryFontReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) {
    return 0;
  }
  // Byte 0: bit 0 preloads for character set 17 instead of 16, bit 1 turns caching off.
  const std::uint8_t mode = data[0];
  vel::test::MemoryFontReader reader(std::vector<std::uint8_t>(data + 1, data + size), 0, 1);
  reader.SetCaching((mode & 2) == 0);
  GTTFontHandle const font = nullptr;
  (void)reader.HasRequiredTables(font);
  (void)reader.Preload(font, (mode & 1) != 0 ? 17 : 16);
  static constexpr std::uint16_t kCodes[] = {0x20, 0x41, 0xA5, 0xFF, 0x100, 0x4E2D,
                                             0x8140, 0xA4A4, 0xD6D0, 0xF041, 0xFFFF};
  for (std::uint32_t set = 1; set <= 24; ++set) {
    for (std::uint16_t code : kCodes) {
      (void)reader.MapCharToGlyph(font, false, code, set);
      (void)reader.MapCharToGlyph(font, true, code, set);
    }
  }
  std::uint16_t count = 0;
  (void)reader.GetNumGlyphs(font, count);
  std::int16_t descender = 0;
  (void)reader.GetTypoDescender(font, descender);
  for (std::uint32_t g = 0; g < 64; ++g) {
    const auto glyph = static_cast<std::uint16_t>(g);
    GMemoryBlock* block = nullptr;
    (void)reader.GetGlyphData(font, (g & 1) != 0, glyph, block);
    delete block;
    (void)reader.CacheGlyph(font, glyph);
    std::uint16_t advance = 0;
    std::int16_t bearing = 0;
    (void)reader.GetHMetrics(font, glyph, advance, bearing);
    (void)reader.GetVMetrics(font, glyph, advance, bearing);
  }
  return 0;
}
