// GStringAttribute: a narrow string setting under a key (names, PJL texts, add-on library names).
//
// Stored form (after the attribute part):
//   u32  class version word, 1
//        the string in the string format of the carrier (in a binary file: u32 length, the bytes)
#pragma once

#include <cstdint>

#include "framework/core/GAttribute.h"
#include "rw/RWCString.h"

class GStringAttribute : public GAttribute {
 public:
  GStringAttribute() = default;
  // A null `text` is the empty string.
  GStringAttribute(const char* text, std::uint32_t key);
  GStringAttribute(const RWCString& value, std::uint32_t key) : GAttribute(key), value_(value) {}
  GStringAttribute(const GStringAttribute& other) = default;
  // Key, serial number, enabled flag and value (nothing for self-assignment).
  GStringAttribute& operator=(const GStringAttribute& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and key and the same bytes (letter case counts).
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleStringAttribute.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  const RWCString& GetValue() const { return value_; }
  void SetValue(const RWCString& value) { value_ = value; }
  // A null `text` sets the empty string.
  void SetValue(const char* text);

  static RWClassID ClassId();
  static const char* ClassName() { return "GStringAttribute"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);

  RWCString value_;
};
