// The encoding vectors of the PostScript emitter: 256 glyph names per vector, one per code.
#pragma once

#include <cstdint>

namespace vel::ps {

extern const char* const kCodePage1250[256];  // Eastern European Latin
extern const char* const kCodePage1254[256];  // Turkish Latin
extern const char* const kCodePage1257[256];  // Baltic Latin
extern const char* const kCodePage1252[256];  // Western Latin, accents at codes 0 to 20
extern const char* const kSymbol[256];        // the resident Symbol font's own encoding

struct EncodingVector {
  const char* const* names;  // 256 entries
  // The array opens with the number 0: when the vector is merged into a font's encoding the names
  // after it are placed from code 0 on.
  bool leading_zero;
};

// The vector written for a symbol-set number: 293, 180, 620 and 621 have their own, 295, 296 and
// 310 share 620's, and every other number gets the Western Latin vector (629).
inline EncodingVector EncodingVectorFor(std::int32_t symbol_set) {
  switch (symbol_set) {
    case 293:
      return {kCodePage1250, false};
    case 180:
      return {kCodePage1254, false};
    case 620:
    case 295:
    case 296:
    case 310:
      return {kCodePage1257, false};
    case 621:
      return {kSymbol, false};
    default:
      return {kCodePage1252, true};
  }
}

}  // namespace vel::ps
