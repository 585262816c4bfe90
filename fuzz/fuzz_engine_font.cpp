// An arbitrary font file through the engine's font objects: the metrics, a string and the glyph
// bits of the first glyphs.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/engine/EngineFonts.h"
#include "platform/engine/EngineObjects.h"

using namespace vel::platform::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/fuzz_engine_font_" + std::to_string(getpid()) + ".ttf";
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  } else {
    return 0;
  }
  FontSpec spec;
  spec.path = path;
  spec.em_pixels = 24;
  spec.escapement = size % 4 * 90;
  spec.bold = (size & 4) != 0;
  FONTOBJ* font = CreateFontObject(spec);
  if (font == nullptr) {
    return 0;
  }
  IFIMETRICS* ifi = FONTOBJ_pifi(font);
  volatile std::uint16_t sink = ifi->usWinWeight;
  (void)sink;
  for (HGLYPH glyph = 0; glyph < 8; ++glyph) {
    PVOID bits = nullptr;
    FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &glyph, &bits);
  }
  detail::EndFontCall(font);
  auto string = detail::MakeString(font, TextSpec{u"Ag \u00e9", {}, POINTL{0, 0}, 0, 0},
                                   POINTL{0, 0});
  string.reset();
  DeleteFontObject(font);
  return 0;
}
