// The point runs of the PCL XL back end: a poly-line or a chain of Bezier segments sent as
// relative coordinates, cut into runs of signed bytes or signed 16-bit values, whichever is
// shorter for the run.
//
// Coordinates are made relative first: a line point to the point before it, each of the three
// points of a Bezier segment (control point 1, control point 2, end point) to the end point of the
// segment before it; the first unit to the path position. A unit (a line point, or a Bezier
// segment) fits a byte when every coordinate of it lies in -127..127.
//
// Runs: the builder starts with a 16-bit run. A fitting unit in a 16-bit run is taken in
// tentatively; once fitting units from there on cover six points (six line points, two
// segments), the 16-bit run is cut before them and they start a byte run, which lasts to the next
// unit that does not fit. Short fitting stretches so stay in the 16-bit run. At the end, a run in
// its tentative state is sent as bytes when it holds fitting units only (and more than one), else
// as 16-bit values.
//
// Each run is written as LineRelPath or BezierRelPath with NumberOfPoints (uint16) and PointType
// (1 sbyte, 3 sint16), then one embedded data block of the points' x, y in order (low byte
// first). NumberOfPoints is 16-bit: a longer run is written as several operators of at most
// kMaxRunPoints points (kMaxRunPoints / 3 segments) each.
#pragma once

#include <cstdint>

#include "framework/output/pclxl/XLStream.h"
#include "framework/pipeline/GPoint.h"

namespace vel {

enum class XLRunUnit { kLinePoint, kBezierSegment };

// The most points one operator carries (a whole number of segments for Beziers).
inline constexpr std::uint32_t kMaxRunPoints = 65535;

// The path position the runs start from and end at.
struct XLPathPosition {
  std::int16_t x = 0;
  std::int16_t y = 0;
};

// Writes `count` points (for Beziers a multiple of 3; a trailing one or two points are not sent)
// as relative runs from `position`, which becomes the last absolute point sent. Nothing for no
// whole unit.
void WriteRelativeRuns(XLStream* stream,
                       XLRunUnit unit,
                       const GPoint* points,
                       std::uint32_t count,
                       XLPathPosition& position);

}  // namespace vel
