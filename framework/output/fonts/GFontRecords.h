// The two records that describe a realised font to the framework: the face (what the typeface is,
// its metrics and character range) and the instance (how this use of it is drawn, and how it may
// be sent to the printer). A font implementation keeps both; the downloaded-font lists keep copies
// to find a font again, and the language back ends match the face against resident fonts.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"
#include "vel_flavour.h"

struct GFontFaceRecord {
  std::int16_t resolution_x = 0;       // 600
  std::int16_t resolution_y = 0;       // 600
  std::int16_t ascender = 0;           // font units
  std::int16_t internal_leading = 0;   // font units
  std::int16_t external_leading = 0;   // device pixels
  std::uint32_t italic = 0;            // matched against a resident font's match value
  std::uint32_t underline = 0;
  std::uint32_t strike_out = 0;
  std::uint16_t weight = 0;            // matched against a resident font's match code
  std::uint32_t char_set = 0;          // the framework's character-set code
  float width_scale = 1.0F;            // horizontal scale
  float height_scale = 1.0F;           // vertical scale
  std::int16_t size = 0;               // em height in device pixels
  std::uint32_t fixed_pitch = 0;
  std::uint32_t family_class = 0;
  std::int16_t average_width = 0;
  std::int16_t max_width = 0;
  std::uint16_t first_char = 0;
  std::uint16_t last_char = 0;
  std::uint16_t default_char = 0;
  std::uint16_t break_char = 0;
  RWCString name;                      // the face name
  std::uint32_t vertical = 0;          // 1: written vertically

  bool operator==(const GFontFaceRecord& other) const = default;
};

struct GFontInstanceRecord {
  // Bits of `flags`.
  static constexpr std::uint32_t kBitmapDownload = 1;   // send as bitmap glyphs, never match a
                                                        // resident font
  static constexpr std::uint32_t kOutlineDownload = 2;  // outline download allowed (or resident)

  GReal escapement = GReal(0);         // degrees
  GReal char_angle = GReal(0);         // degrees
  std::uint16_t weight = 0;            // with simulated bold
  std::uint32_t italic = 0;            // with simulated italic
  std::uint32_t underline = 0;
  std::uint32_t strike_out = 0;
  std::uint32_t flags = 0;             // download flags

  // Every field but the download flags.
  bool SameDrawing(const GFontInstanceRecord& other) const {
    return escapement == other.escapement && char_angle == other.char_angle &&
           weight == other.weight && italic == other.italic && underline == other.underline &&
           strike_out == other.strike_out;
  }
};
