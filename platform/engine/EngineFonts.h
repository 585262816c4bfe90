// Engine font objects and strings: what a host asks for (a TrueType face, or the engine's small
// built-in raster font, at a size, escapement and width), and the settings of the text calls.
#pragma once

#include <string>
#include <vector>

#include "platform/engine/winddi.h"

namespace vel::platform::engine {

struct FontSpec {
  std::string path;        // a .ttf, or a collection with face_index; empty: the raster font
  ULONG face_index = 0;
  double em_pixels = 50;   // the em in device pixels
  double escapement = 0;   // degrees, counter-clockwise
  double width = 1;        // width factor
  bool bold = false;       // simulated
  bool italic = false;     // simulated
  bool device = false;     // a device font (FO_TYPE_DEVICE): drivers draw it or refuse it
  bool vertical = false;   // the names get a leading "@"
};

// A new font object; null when the file cannot be read as a font. Its IFIMETRICS, transform,
// file view and glyphs are what the FONTOBJ_ calls answer.
FONTOBJ* CreateFontObject(const FontSpec& spec);
void DeleteFontObject(FONTOBJ* font);
// How often FONTOBJ_cGetGlyphs gave the glyph of this font.
ULONG GlyphRequests(FONTOBJ* font, HGLYPH glyph);

struct TextSettings {
  ULONG batch = 0;                  // glyphs per STROBJ_bEnum batch; 0: all at once
  bool null_glyph_positions = false;  // pgp null: drivers must enumerate
  DWORD code_page = 1252;           // what STROBJ_dwGetCodePage answers
  bool empty_glyph_one_pixel = false;  // an empty glyph comes as 1 × 1 (else 0 × 0)
  bool no_charsets = false;         // dpCharSets 0 for every font
};
void SetTextSettings(const TextSettings& settings);
TextSettings GetTextSettings();

// A string to draw: characters (glyphs from the font's character map; for the raster font the
// character code), or glyph indices.
struct TextSpec {
  std::u16string text;
  std::vector<HGLYPH> glyphs;  // glyph-index text when not empty
  POINTL origin{0, 0};         // device pixels of the first glyph
  ULONG char_inc = 0;          // a fixed advance, in pixels, instead of the font's
  FLONG accel = 0;             // added to flAccel (SO_DO_NOT_SUBSTITUTE_DEVICE_FONT, ...)
};

}  // namespace vel::platform::engine
