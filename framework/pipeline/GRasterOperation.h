// GRasterOperation: how drawing combines with what is already on the page: the ternary raster
// operation (0 to 255) of source, pattern and destination, and a mode word. The PCL XL stage sends
// the code; the PostScript stage only looks whether the mode is 0.
//
// Stored form (after the graphic-state attribute part):
//   u32  class version word, 1
//   u16  raster operation
//   i32  mode
#pragma once

#include <cstdint>

#include "framework/pipeline/GGraphicStateAttribute.h"

class GRasterOperation : public GGraphicStateAttribute {
 public:
  // Operation 0, mode 2, key 0.
  GRasterOperation() = default;
  GRasterOperation(std::uint16_t rop, std::int32_t mode, std::uint32_t key = 0)
      : GGraphicStateAttribute(key), rop_(rop), mode_(mode) {}
  GRasterOperation(const GRasterOperation& other) = default;
  GRasterOperation& operator=(const GRasterOperation& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The graphic-state part + 10.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class, operation and mode (the key is not compared).
  bool IsSameKey(const GBaseObject* other) const override;
  // 401.
  RWClassID CategoryId() const override;
  // HandleRasterOperation.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  std::uint16_t GetRop() const { return rop_; }
  std::int32_t GetMode() const { return mode_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GRasterOperation"; }
  static RWCollectable* Create();

 private:
  std::uint16_t rop_ = 0;
  std::int32_t mode_ = 2;
};
