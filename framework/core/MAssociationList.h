// MAssociationList: a list of MPersistentAssociation children with at most one association per
// key object; it answers which value belongs to a key object. Plain Add is disabled: associations
// enter through SetAssociation.
//
// Stored form: the composite's, then a u32 class version word 1 that a restore reads and does not
// check.
#pragma once

#include <cstdint>

#include "framework/core/MPersistentComposite.h"

class MPersistentAssociation;

class MAssociationList : public MPersistentComposite {
 public:
  MAssociationList() = default;
  explicit MAssociationList(std::uint32_t key) : MPersistentComposite(key) {}
  MAssociationList(const MAssociationList& other) = default;
  MAssociationList& operator=(const MAssociationList& other) = default;

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

  // Takes over `association`: an association with an equal key object is removed and destroyed,
  // the new one appended. An association the list already holds stays as it is.
  void SetAssociation(MPersistentAssociation* association);
  // The first association whose key object equals `key_object`, or null.
  MPersistentAssociation* FindAssociation(const RWCollectable* key_object);
  // Its value object, or null.
  RWCollectable* FindValue(const RWCollectable* key_object);
  // Take out the first association whose key object equals the given association's, or the given
  // key object; the caller owns the result. Null when none matches.
  MPersistentAssociation* RemoveAssociation(const MPersistentAssociation* association);
  MPersistentAssociation* RemoveByKeyObject(const RWCollectable* key_object);

  static RWClassID ClassId();
  static const char* ClassName() { return "MAssociationList"; }
  static RWCollectable* Create();
};
