// GValueAttribute: one 16-bit setting under a key; also a flag (set when the value is not 0) and
// the search key of association lists.
//
// Stored form (after the attribute part):
//   u32  class version word, 1
//   u16  value
#pragma once

#include <cstdint>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttribute.h"

class GValueAttribute : public GAttribute {
 public:
  GValueAttribute() = default;
  GValueAttribute(std::uint16_t value, std::uint32_t key) : GAttribute(key), value_(value) {}
  GValueAttribute(const GValueAttribute& other) = default;
  GValueAttribute& operator=(const GValueAttribute& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class, key and value.
  bool IsSameKey(const GBaseObject* other) const override;
  RWClassID CategoryId() const override;
  // HandleValueAttribute.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  std::uint16_t GetValue() const { return value_; }
  // Stores the value and answers it.
  std::uint16_t SetValue(std::uint16_t value) { return value_ = value; }
  // 1 for any non-zero `flag`, else 0.
  void SetFlag(int flag) { value_ = flag != 0 ? 1 : 0; }
  int IsSet() const { return value_ != 0 ? 1 : 0; }
  int IsClear() const { return value_ == 0 ? 1 : 0; }

  static RWClassID ClassId() { return vel::classid::kGValueAttribute; }
  static const char* ClassName() { return "GValueAttribute"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);

  std::uint16_t value_ = 0;
};
