// GAttribute: the abstract base of the framework's settings. An attribute is a keyed persistent
// object with an enabled flag (1 while the setting still has to be applied; a stage of the output
// chain clears it once it has written the setting) that a stage applies by visiting it: Accept
// calls the one typed handler of the stage that belongs to the attribute's class.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   i32  enabled flag
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"

class GAttributeComposite;
class GTypedHandlers;

class GAttribute : public GBaseObject {
 public:
  // Key 0, enabled.
  GAttribute() { attribute_ = true; }
  explicit GAttribute(std::uint32_t key) : GBaseObject(key) { attribute_ = true; }
  // Root copy (key and serial number) and the enabled flag.
  GAttribute(const GAttribute& other) : GBaseObject(other), enabled_(other.enabled_) {
    attribute_ = true;
  }
  GAttribute& operator=(const GAttribute& other) = default;
  ~GAttribute() override { attribute_ = false; }

  // The root part + 8.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // Null unless the attribute is a group (a kind of GAttributeComposite), which answers itself.
  virtual const GAttributeComposite* AsAttributeGroup() const { return nullptr; }

  // Merges `other` into this attribute. The base: nothing (answer 0) when `other` is not different
  // by key (IsDifferentKey); otherwise this attribute takes the other's key, serial number and
  // enabled flag and answers the flag. The value fields of the scalar attributes are not copied:
  // merging values is a group's job.
  virtual std::int32_t UpdateFrom(GAttribute* other);
  // Calls the one handler of `handlers` that belongs to this attribute's class with the attribute
  // and answers its status.
  [[nodiscard]] virtual std::uint16_t Accept(GTypedHandlers& handlers) = 0;

  std::int32_t GetEnabled() const { return enabled_; }
  void SetEnabled(std::int32_t enabled) { enabled_ = enabled; }

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);

  std::int32_t enabled_ = 1;
};

inline GAttribute* GBaseObject::AsAttribute() {
  return attribute_ ? static_cast<GAttribute*>(this) : nullptr;
}
