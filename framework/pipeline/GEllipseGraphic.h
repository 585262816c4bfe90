// GEllipseGraphic: the ellipse inscribed in the shape's bounds; it has no point list.
//
// Stored form (after the shape part):
//   u32  class version word, 1
#pragma once

#include <cstdint>

#include "framework/pipeline/ShapeClass.h"

class GEllipseGraphic : public vel::ShapeClass<GEllipseGraphic> {
 public:
  GEllipseGraphic() = default;
  GEllipseGraphic(const GRect& bounds, GGraphicBundle* bundle, std::uint32_t key)
      : ShapeClass(bounds, bundle, key) {}

  // HandleEllipseGraphic.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GEllipseGraphic"; }
};
