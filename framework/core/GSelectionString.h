// GSelectionString: a persistent pair of a 16-bit id and a narrow string, kept in configurations
// (the output back ends read the string). What the ids mean is up to the configuration.
//
// Stored form (after the root part):
//   u32  class version word, 1
//        the string (in a binary file: u32 length, then the bytes)
//   u16  id
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "rw/RWCString.h"

class GSelectionString : public GBaseObject {
 public:
  GSelectionString() = default;
  GSelectionString(const RWCString& text, std::uint16_t id, std::uint32_t key)
      : GBaseObject(key), id_(id), text_(text) {}
  GSelectionString(const GSelectionString& other) = default;
  // The root part (key and serial number), then id and string.
  GSelectionString& operator=(const GSelectionString& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The root part + the string's length + 10.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class, key and id and the same bytes.
  bool IsSameKey(const GBaseObject* other) const override;

  const RWCString& GetString() const { return text_; }
  std::uint16_t GetId() const { return id_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GSelectionString"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);

  std::uint16_t id_ = 0;
  RWCString text_;
};
