// GTrayPool: the printer's input trays as an enumeration of GTray choices, the current choice
// being the selected tray, with a lookup by tray id.
//
// Stored form: the enumeration's, then a u32 class version word 1 that a restore reads and does
// not check.
#pragma once

#include <cstdint>

#include "framework/core/GEnumAttribute.h"

class GTray;

class GTrayPool : public GEnumAttribute {
 public:
  GTrayPool() = default;
  explicit GTrayPool(std::uint32_t key) : GEnumAttribute(key) {}
  GTrayPool(const GTrayPool& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The enumeration's + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same class, then the enumeration's equality.
  bool IsSameKey(const GBaseObject* other) const override;

  // The first tray in pool order whose 16-bit id is `id`, or null.
  GTray* FindTrayById(std::uint16_t id) const;

  static RWClassID ClassId();
  static const char* ClassName() { return "GTrayPool"; }
  static RWCollectable* Create();
};
