// GPolyBezierGraphic and GPolyBezierToGraphic.
#include "framework/pipeline/GPolyBezierGraphic.h"

#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"

GPolyBezierGraphic::GPolyBezierGraphic(GPointList* list, GGraphicBundle* bundle, std::uint32_t key)
    : ShapeClass(list, bundle, key) {
  TakeFirstPointAsStart();
}

RWClassID GPolyBezierGraphic::ClassId() {
  return vel::classid::kGPolyBezierGraphic;
}

std::uint16_t GPolyBezierGraphic::Accept(GTypedHandlers& handlers) {
  return handlers.HandlePolyBezierGraphic(*this);
}

RWClassID GPolyBezierToGraphic::ClassId() {
  return vel::classid::kGPolyBezierToGraphic;
}

std::uint16_t GPolyBezierToGraphic::Accept(GTypedHandlers& handlers) {
  return handlers.HandlePolyBezierToGraphic(*this);
}
