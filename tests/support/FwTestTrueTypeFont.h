// A TrueType font for the back ends' tests: a font implementation over a font image in memory,
// read through a pooled GTTFontFile as the platform's TrueType fonts read theirs, and a font that
// holds one. The bitmap code query renders through the FreeType metrics of the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/output/fonts/GTTFontSource.h"
#include "tests/support/FwMemoryFontReader.h"
#include "tests/support/FwTestFonts.h"

class GTTFontFile;

class FwTestTrueTypeFontImp : public FwTestFontImp, public GTTFontSource {
 public:
  // The font image `source` (kept by the caller while the implementation lives) through the
  // process's font pool; `metrics` (taken over) answers the code queries. A pool that cannot open
  // the font leaves the implementation without TrueType data (every read answers 0).
  FwTestTrueTypeFontImp(const vel::test::TestFontPool::FontSource& source,
                        const GFontFaceRecord& face,
                        const GFontInstanceRecord& instance,
                        GFontMetrics* metrics);
  ~FwTestTrueTypeFontImp() override;

  std::uint32_t ReadTableData(std::uint32_t index,
                              std::uint32_t offset,
                              bool cache,
                              std::uint8_t* buffer,
                              std::uint32_t length) override;
  std::uint32_t GetTable(std::uint32_t index, bool cache, GMemoryBlock*& block) override;
  std::uint32_t GetTableSize(std::uint32_t index) override;
  std::uint32_t GetGlyphData(bool cache, std::uint16_t glyph, GMemoryBlock*& block) override;
  std::uint16_t MapCharToGlyph(bool vertical, std::uint16_t code, std::uint32_t char_set) override;
  int CacheGlyph(std::uint16_t glyph) override;
  int GetNumGlyphs(std::uint16_t& count) override;
  int GetTypoDescender(std::int16_t& descender) override;
  int GetHMetrics(std::uint16_t glyph, std::uint16_t& advance, std::int16_t& bearing) override;
  int GetVMetrics(std::uint16_t glyph, std::uint16_t& advance, std::int16_t& bearing) override;

  GTTFontFile* File() const { return file_; }

 private:
  GTTFontFile* file_ = nullptr;
};

namespace vel::test {

// A font of the tests over an image: the face record of the file at `pixel_size` in character set
// `char_set`, the instance with `flags`. The image and its path are the caller's, kept while the
// font lives. Fonts made from one source share one pooled reader.
struct TestTrueType {
  std::string path;  // the pool's key, and where FreeType reads the file for the code queries
  std::vector<std::uint8_t> image;
  TestFontPool::FontSource Source() const { return {path, 0, &image}; }
};
// A new font (the caller owns it) over a new implementation. `face` may be changed by the test
// first through `adjust`.
FwTestFont* MakeTrueTypeFont(const TestTrueType& font,
                             const GFontFaceRecord& face,
                             const GFontInstanceRecord& instance);

}  // namespace vel::test
