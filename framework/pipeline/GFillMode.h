// GFillMode: how paths are filled: 0 even-odd, 1 non-zero winding. Any other code (the default 2
// among them) is carried and applies nothing: the output stages only clear the enabled flag.
//
// Stored form (after the graphic-state attribute part):
//   u32  class version word, 1
//   i32  fill mode
#pragma once

#include <cstdint>

#include "framework/pipeline/GGraphicStateAttribute.h"

class GFillMode : public GGraphicStateAttribute {
 public:
  // Mode 2, key 0.
  GFillMode() = default;
  explicit GFillMode(std::int32_t fill_mode, std::uint32_t key = 0)
      : GGraphicStateAttribute(key), fill_mode_(fill_mode) {}
  GFillMode(const GFillMode& other) = default;
  GFillMode& operator=(const GFillMode& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The graphic-state part + 8.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and mode (the key is not compared).
  bool IsSameKey(const GBaseObject* other) const override;
  // 102.
  RWClassID CategoryId() const override;
  // HandleFillMode.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  std::int32_t GetFillMode() const { return fill_mode_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GFillMode"; }
  static RWCollectable* Create();

 private:
  std::int32_t fill_mode_ = 2;
};
