// GPolyBezierGraphic and GPolyBezierToGraphic: cubic Bezier segments, three points each (two
// control points and the end), GetBezierCount of them.
// GPolyBezierGraphic is a figure of its own: the first point of the list it is built from becomes
// its start point and leaves the list. GPolyBezierToGraphic continues the figure from the current
// position and keeps every point.
//
// Stored form of each (after the shape part):
//   u32  class version word, 1
#pragma once

#include <cstdint>

#include "framework/pipeline/ShapeClass.h"

class GPolyBezierGraphic : public vel::ShapeClass<GPolyBezierGraphic> {
 public:
  GPolyBezierGraphic() = default;
  // Takes the list over; the bounds are those of every point, the first point then becomes the
  // start point. From an empty list the start point stays (0, 0).
  GPolyBezierGraphic(GPointList* list, GGraphicBundle* bundle, std::uint32_t key);

  // HandlePolyBezierGraphic.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GPolyBezierGraphic"; }
};

class GPolyBezierToGraphic : public vel::ShapeClass<GPolyBezierToGraphic> {
 public:
  GPolyBezierToGraphic() = default;
  // Takes the list over and keeps every point; the bounds are those of the points.
  GPolyBezierToGraphic(GPointList* list, GGraphicBundle* bundle, std::uint32_t key)
      : ShapeClass(list, bundle, key) {}

  // HandlePolyBezierToGraphic.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GPolyBezierToGraphic"; }
};
