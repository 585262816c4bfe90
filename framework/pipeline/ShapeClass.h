// vel::ShapeClass: what every concrete shape whose own part is only its class version word shares
// (factory, copy, class id, kinds, stored form); the class adds its constructors and its Accept.
//
// Stored form (after the shape part):
//   u32  class version word, 1
#pragma once

#include <cstdint>
#include <new>

#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GShapeGraphic.h"

namespace vel {

template <typename Derived>
class ShapeClass : public GShapeGraphic {
 public:
  using GShapeGraphic::GShapeGraphic;

  RWCollectable* CreateInstance() const override { return Create(); }
  RWCollectable* Clone() const override {
    return new (std::nothrow) Derived(static_cast<const Derived&>(*this));
  }
  RWClassID IsA() const override { return Derived::ClassId(); }
  // The shape part + 4.
  std::uint32_t StoredByteCount() const override {
    return GShapeGraphic::StoredByteCount() + kClassVersionSize;
  }
  void RestoreContents(RWVirtualInStream& stream) override {
    RestoreVersionAfter<GShapeGraphic>(*this, stream);
  }
  void RestoreContents(RWBinaryFile& file) override {
    RestoreVersionAfter<GShapeGraphic>(*this, file);
  }
  void SaveContents(RWVirtualOutStream& stream) const override {
    SaveVersionAfter<GShapeGraphic>(*this, stream);
  }
  void SaveContents(RWBinaryFile& file) const override {
    SaveVersionAfter<GShapeGraphic>(*this, file);
  }
  // The class's own id, then 651, 602, 601 and 751.
  bool IsKindOf(RWClassID id) const override {
    return id == Derived::ClassId() || GShapeGraphic::IsKindOf(id);
  }

  static RWCollectable* Create() { return new (std::nothrow) Derived; }
};

}  // namespace vel
