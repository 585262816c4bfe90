// GRectangleGraphic: a rectangle to draw; its geometry is the shape's bounds.
//
// Stored form (after the shape part):
//   u32  class version word, 1
#pragma once

#include <cstdint>

#include "framework/pipeline/GShapeGraphic.h"

class GRectangleGraphic : public GShapeGraphic {
 public:
  GRectangleGraphic() = default;
  GRectangleGraphic(const GRect& bounds, GGraphicBundle* bundle, std::uint32_t key)
      : GShapeGraphic(bounds, bundle, key) {}
  GRectangleGraphic(const GRectangleGraphic& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The shape part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 659, 651, 602, 601 and 751.
  bool IsKindOf(RWClassID id) const override;
  // HandleRectangleGraphic.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GRectangleGraphic"; }
  static RWCollectable* Create();
};
