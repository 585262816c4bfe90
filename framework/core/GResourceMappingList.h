// GResourceMappingList: the GResourceMapping children of one kind of item (media or trays), with
// item ids and string ids unique in the list; the device session translates between framework ids
// and DEVMODE ids with it. Plain Add is disabled: mappings enter through AddMapping.
//
// Stored form: the composite's, then a u32 class version word 1 that a restore reads and does not
// check.
#pragma once

#include <cstdint>

#include "framework/core/MPersistentComposite.h"

class GResourceMapping;

class GResourceMappingList : public MPersistentComposite {
 public:
  GResourceMappingList() = default;
  explicit GResourceMappingList(std::uint32_t key) : MPersistentComposite(key) {}
  GResourceMappingList(const GResourceMappingList& other) = default;
  GResourceMappingList& operator=(const GResourceMappingList& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The composite's + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same class, then the composite's equality.
  bool IsSameKey(const GBaseObject* other) const override;
  // Refuses every object (destroyed unless a counted reference or this list holds it).
  void Add(GBaseObject* object) override;

  // 0, nothing added (the caller keeps the mapping), when a mapping of the same item id or the
  // same string id is present; else the list takes the mapping over, appends it and answers 1.
  int AddMapping(GResourceMapping* mapping);
  // The first mapping with the id, or null. FindByItemId compares the item id widened with its
  // sign, so ids from 0x8000 up are never found.
  GResourceMapping* FindByDevModeId(std::uint16_t id);
  GResourceMapping* FindByItemId(std::uint16_t id);
  GResourceMapping* FindByStringId(std::uint32_t id);
  // The first mapping with the id taken out (the caller owns it), or null.
  GResourceMapping* RemoveByDevModeId(std::uint16_t id);
  GResourceMapping* RemoveByItemId(std::uint16_t id);
  GResourceMapping* RemoveByStringId(std::uint32_t id);

  static RWClassID ClassId();
  static const char* ClassName() { return "GResourceMappingList"; }
  static RWCollectable* Create();

 private:
  GResourceMapping* Remove(GResourceMapping* found);
};
