// GPolyLineGraphic and GPolyLineToGraphic.
#include "framework/pipeline/GPolyLineGraphic.h"

#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"

GPolyLineGraphic::GPolyLineGraphic(GPointList* list, GGraphicBundle* bundle, std::uint32_t key)
    : ShapeClass(list, bundle, key) {
  TakeFirstPointAsStart();
}

RWClassID GPolyLineGraphic::ClassId() {
  return vel::classid::kGPolyLineGraphic;
}

std::uint16_t GPolyLineGraphic::Accept(GTypedHandlers& handlers) {
  return handlers.HandlePolyLineGraphic(*this);
}

RWClassID GPolyLineToGraphic::ClassId() {
  return vel::classid::kGPolyLineToGraphic;
}

std::uint16_t GPolyLineToGraphic::Accept(GTypedHandlers& handlers) {
  return handlers.HandlePolyLineToGraphic(*this);
}
