// GEllipseGraphic.
#include "framework/pipeline/GEllipseGraphic.h"

#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"

RWClassID GEllipseGraphic::ClassId() {
  return vel::classid::kGEllipseGraphic;
}

std::uint16_t GEllipseGraphic::Accept(GTypedHandlers& handlers) {
  return handlers.HandleEllipseGraphic(*this);
}
