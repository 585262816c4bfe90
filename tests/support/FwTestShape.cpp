// FwTestShape.
#include "tests/support/FwTestShape.h"

#include <new>

#include "framework/core/GTypedHandlers.h"

RWCollectable* FwTestShape::Clone() const {
  return new (std::nothrow) FwTestShape(*this);
}

RWCollectable* FwTestShape::Create() {
  return new (std::nothrow) FwTestShape;
}

bool FwTestShape::IsKindOf(RWClassID id) const {
  return id == kClassId || GShapeGraphic::IsKindOf(id);
}

std::uint16_t FwTestShape::Accept(GTypedHandlers& handlers) {
  return handlers.HandlePolygon(*this);
}
