// GCap: the line cap of stroked lines: 0 round, 1 square (projecting), 2 butt (flat). Other codes
// are carried and stored; the output stages write nothing for them.
//
// Stored form (after the graphic-state attribute part):
//   u32  class version word, 1
//   i32  cap
#pragma once

#include <cstdint>

#include "framework/pipeline/GGraphicStateAttribute.h"

class GCap : public GGraphicStateAttribute {
 public:
  // Cap 1 (square), key 0.
  GCap() = default;
  explicit GCap(std::int32_t cap, std::uint32_t key = 0) : GGraphicStateAttribute(key), cap_(cap) {}
  GCap(const GCap& other) = default;
  GCap& operator=(const GCap& other) = default;

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
  // This object; or the same class, key and cap.
  bool IsSameKey(const GBaseObject* other) const override;
  // 301.
  RWClassID CategoryId() const override;
  // HandleCap.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  virtual std::int32_t GetCap() const { return cap_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GCap"; }
  static RWCollectable* Create();

 private:
  std::int32_t cap_ = 1;
};
