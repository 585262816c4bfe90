// The TrueType reader beside FreeType over a large CJK font (Droid Sans Fallback): character
// mapping against FT_Get_Char_Index, and glyph outlines, cold (read from the font) and warm (from
// the glyph cache), against FT_Load_Glyph unscaled and unhinted.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "framework/output/fonts/GMemoryBlock.h"
#include "tests/support/FwMemoryFontReader.h"

namespace {

constexpr const char* kFontPath = "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf";

struct Font {
  std::vector<std::uint8_t> image;
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  std::vector<std::uint32_t> codes;  // every mapped code up to 0xFFFF
  std::uint32_t glyphs = 0;

  Font() {
    std::ifstream in(kFontPath, std::ios::binary);
    image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (image.empty() || FT_Init_FreeType(&library) != 0 ||
        FT_New_Memory_Face(library, image.data(), static_cast<FT_Long>(image.size()), 0,
                           &face) != 0) {
      face = nullptr;
      return;
    }
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    FT_UInt glyph = 0;
    for (FT_ULong code = FT_Get_First_Char(face, &glyph); glyph != 0 && code <= 0xFFFF;
         code = FT_Get_Next_Char(face, code, &glyph)) {
      codes.push_back(static_cast<std::uint32_t>(code));
    }
    glyphs = static_cast<std::uint32_t>(face->num_glyphs);
  }
};

const Font& TheFont() {
  static const Font font;
  return font;
}

bool Ready(benchmark::State& state) {
  if (TheFont().face == nullptr) {
    state.SkipWithError("DroidSansFallbackFull.ttf is missing: install fonts-droid-fallback");
    return false;
  }
  return true;
}

void BM_ReaderMapCharToGlyph(benchmark::State& state) {
  if (!Ready(state)) {
    return;
  }
  vel::test::MemoryFontReader reader(TheFont().image, 0, 1);
  (void)reader.MapCharToGlyph(nullptr, false, 'A', 16);  // the character map is read once
  for (auto _ : state) {
    std::uint32_t sum = 0;
    for (std::uint32_t code : TheFont().codes) {
      sum += reader.MapCharToGlyph(nullptr, false, static_cast<std::uint16_t>(code), 16);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * TheFont().codes.size()));
}
BENCHMARK(BM_ReaderMapCharToGlyph)->Unit(benchmark::kMillisecond);

void BM_FreeTypeGetCharIndex(benchmark::State& state) {
  if (!Ready(state)) {
    return;
  }
  for (auto _ : state) {
    std::uint32_t sum = 0;
    for (std::uint32_t code : TheFont().codes) {
      sum += FT_Get_Char_Index(TheFont().face, code);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * TheFont().codes.size()));
}
BENCHMARK(BM_FreeTypeGetCharIndex)->Unit(benchmark::kMillisecond);

// Every glyph's outline bytes; `warm` serves them from the glyph cache.
void ReadGlyphs(benchmark::State& state, bool warm) {
  if (!Ready(state)) {
    return;
  }
  vel::test::MemoryFontReader reader(TheFont().image, 0, 1);
  std::uint16_t count = 0;
  (void)reader.GetNumGlyphs(nullptr, count);
  for (std::uint32_t g = 0; g < count; ++g) {
    GMemoryBlock* block = nullptr;
    (void)reader.GetGlyphData(nullptr, warm, static_cast<std::uint16_t>(g), block);
    delete block;
  }
  for (auto _ : state) {
    std::uint32_t bytes = 0;
    for (std::uint32_t g = 0; g < count; ++g) {
      GMemoryBlock* block = nullptr;
      bytes += reader.GetGlyphData(nullptr, warm, static_cast<std::uint16_t>(g), block);
      delete block;
    }
    benchmark::DoNotOptimize(bytes);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count));
}

void BM_ReaderGlyphDataCold(benchmark::State& state) {
  ReadGlyphs(state, false);
}
BENCHMARK(BM_ReaderGlyphDataCold)->Unit(benchmark::kMillisecond);

void BM_ReaderGlyphDataWarm(benchmark::State& state) {
  ReadGlyphs(state, true);
}
BENCHMARK(BM_ReaderGlyphDataWarm)->Unit(benchmark::kMillisecond);

void BM_FreeTypeLoadGlyph(benchmark::State& state) {
  if (!Ready(state)) {
    return;
  }
  for (auto _ : state) {
    long points = 0;
    for (std::uint32_t g = 0; g < TheFont().glyphs; ++g) {
      if (FT_Load_Glyph(TheFont().face, g, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0) {
        points += TheFont().face->glyph->outline.n_points;
      }
    }
    benchmark::DoNotOptimize(points);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * TheFont().glyphs));
}
BENCHMARK(BM_FreeTypeLoadGlyph)->Unit(benchmark::kMillisecond);

}  // namespace
