// What a caller of the driver host asks to draw: plain descriptions of paths, clips, brushes,
// bitmaps, colour translations and transforms, from which the engine makes the objects that one
// driver call receives (and frees them when the call returns).
#pragma once

#include <optional>
#include <vector>

#include "platform/engine/winddi.h"

namespace vel::platform::engine {

// One figure of a path: a start point and runs of lines or of Bézier control points (in threes),
// all in 28.4 fixed point.
struct PathRun {
  bool beziers = false;
  std::vector<POINTFIX> points;
};

struct PathFigure {
  POINTFIX start{};
  std::vector<PathRun> runs;
  bool closed = false;
};

using PathSpec = std::vector<PathFigure>;

// A point of whole pixels in 28.4 fixed point.
inline POINTFIX Fix(LONG x, LONG y) { return POINTFIX{x * 16, y * 16}; }

// A clip: none (the whole surface), a region given as rectangles (normalised into bands of
// non-overlapping rectangles), or a path.
struct ClipSpec {
  std::vector<RECTL> rectangles;
  std::optional<PathSpec> path;
  bool IsTrivial() const { return rectangles.empty() && !path; }
};

// A colour translation: the caller chooses the types and whether pulXlate is handed out.
struct XlateSpec {
  USHORT source_type = PAL_RGB;
  USHORT destination_type = PAL_RGB;
  std::vector<ULONG> entries;
  bool null_table = false;  // pulXlate null: the driver must ask XLATEOBJ_piVector
};

// A bitmap of one of the formats 1-8. Uncompressed rows are 4-byte aligned (24-bit pixels B, G,
// R); run-length formats carry the DIB RLE4/RLE8 encoding in `bits`.
struct BitmapSpec {
  ULONG format = BMF_24BPP;
  LONG width = 0;
  LONG height = 0;
  bool top_down = false;
  std::vector<BYTE> bits;
};

// The row stride of an uncompressed format: width × bits per pixel rounded up to 4 bytes.
ULONG BitmapStride(ULONG format, LONG width);

enum class BrushKind { kNone, kSolid, kHatch, kPattern };

// Solid colours are 0x00BBGGRR. A hatch brush (styles 0-5) has the background as translation
// entry 0 and the hatch colour as entry 1; a pattern brush one entry per palette colour.
struct BrushSpec {
  BrushKind kind = BrushKind::kNone;
  ULONG color = 0;
  ULONG hatch = HS_HORIZONTAL;
  ULONG background = 0x00FFFFFF;
  BitmapSpec pattern;
  std::vector<ULONG> palette;

  static BrushSpec Solid(ULONG color) {
    BrushSpec brush;
    brush.kind = BrushKind::kSolid;
    brush.color = color;
    return brush;
  }
  static BrushSpec Hatch(ULONG style, ULONG color, ULONG background) {
    BrushSpec brush;
    brush.kind = BrushKind::kHatch;
    brush.hatch = style;
    brush.color = color;
    brush.background = background;
    return brush;
  }
};

// A transform x' = x·m11 + y·m21 + dx, y' = x·m12 + y·m22 + dy.
struct XformSpec {
  double m11 = 1;
  double m12 = 0;
  double m21 = 0;
  double m22 = 1;
  double dx = 0;
  double dy = 0;
};

// The transform of a font (notional space is y-down like device space): for an em of `em_pixels`
// pixels, `units_per_em` units, escapement e (degrees, counter-clockwise) and width factor w, with
// k = em_pixels / units_per_em: m11 = k·w·cos e, m12 = −k·w·sin e, m21 = k·sin e, m22 = k·cos e,
// no offset. Multiples of 90 degrees are exact.
XformSpec FontTransform(double em_pixels, double units_per_em, double escapement, double width);

// Line attributes with their style array.
struct LineSpec {
  LINEATTRS attributes{LA_GEOMETRIC, JOIN_ROUND, ENDCAP_ROUND, {0}, 0, 0, nullptr, {0}};
  std::vector<FLOAT_LONG> style;
};

// The engine's settings of its objects (process-wide).
struct ObjectSettings {
  ULONG path_record_points = 64;  // most points in one path record
};
void SetObjectSettings(const ObjectSettings& settings);
ObjectSettings GetObjectSettings();

}  // namespace vel::platform::engine
