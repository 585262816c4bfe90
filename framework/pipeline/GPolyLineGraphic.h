// GPolyLineGraphic and GPolyLineToGraphic: connected straight segments.
// GPolyLineGraphic is a figure of its own: the first point of the list it is built from becomes
// its start point and leaves the list. GPolyLineToGraphic continues the figure from the current
// position and keeps every point.
//
// Stored form of each (after the shape part):
//   u32  class version word, 1
#pragma once

#include <cstdint>

#include "framework/pipeline/ShapeClass.h"

class GPolyLineGraphic : public vel::ShapeClass<GPolyLineGraphic> {
 public:
  GPolyLineGraphic() = default;
  // Takes the list over; the bounds are those of every point, the first point then becomes the
  // start point. From an empty list the start point stays (0, 0).
  GPolyLineGraphic(GPointList* list, GGraphicBundle* bundle, std::uint32_t key);

  // HandlePolyLineGraphic.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GPolyLineGraphic"; }
};

class GPolyLineToGraphic : public vel::ShapeClass<GPolyLineToGraphic> {
 public:
  GPolyLineToGraphic() = default;
  // Takes the list over and keeps every point; the bounds are those of the points.
  GPolyLineToGraphic(GPointList* list, GGraphicBundle* bundle, std::uint32_t key)
      : ShapeClass(list, bundle, key) {}

  // HandlePolyLineToGraphic.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GPolyLineToGraphic"; }
};
