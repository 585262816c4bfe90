// A concrete shape for tests: the shape base with nothing of its own (the render module's shapes
// are not framework classes). RegisterFrameworkTestClasses registers it.
#pragma once

#include <cstdint>

#include "framework/pipeline/GShapeGraphic.h"

class FwTestShape : public GShapeGraphic {
 public:
  static constexpr RWClassID kClassId = 1987;

  FwTestShape() = default;
  FwTestShape(GPointList* list, GGraphicBundle* bundle, std::uint32_t key)
      : GShapeGraphic(list, bundle, key) {}
  FwTestShape(const FwTestShape& other) = default;

  RWCollectable* CreateInstance() const override { return Create(); }
  RWCollectable* Clone() const override;
  RWClassID IsA() const override { return kClassId; }
  bool IsKindOf(RWClassID id) const override;
  // HandlePolygon.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "FwTestShape"; }
  static RWCollectable* Create();
};
