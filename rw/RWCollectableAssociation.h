// Key/value pairs of collectable pointers: RWCollectableAssociation is ordered and matched through
// the key's own virtual operations, RWCollectableIDAssociation by the key's address. Neither owns
// its key or value.
//
// Ordering and matching turn round so that a collection of associations can be searched with a
// bare key: an association compares and matches as its key does against the searched object.
#pragma once

#include <cstdint>

#include "rw/RWCollectable.h"

inline constexpr RWClassID kRWCollectableAssociationClassId = 0x8008;
inline constexpr RWClassID kRWCollectableIDAssociationClassId = 0x805F;

class RWCollectableAssociation : public RWCollectable {
 public:
  RWCollectableAssociation() = default;
  RWCollectableAssociation(RWCollectable* key, RWCollectable* value) : key_(key), value_(value) {}

  RWCollectable* CreateInstance() const override;
  // A new association with the same key and value pointers.
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The negation of other.Compare(key): the order of the keys' own Compare.
  int Compare(const RWCollectable* other) const override;
  // The key's hash (0 without a key).
  std::uint32_t Hash() const override;
  // other.IsEqual(key).
  bool IsEqual(const RWCollectable* other) const override;
  // Stored form: the key, then the value, each as an object record. A restore sets both to null
  // first. It fails when the key makes the association its own key, directly or through the keys
  // of other associations (ordering and matching would never end).
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // Lets go of key and value.
  void ForgetRestoredMembers() override;

  RWCollectable* Key() const { return key_; }
  RWCollectable* Value() const { return value_; }
  // Stores a new value and returns the old one.
  RWCollectable* SetValue(RWCollectable* value);

  static RWClassID ClassId() { return kRWCollectableAssociationClassId; }
  static const char* ClassName() { return "RWCollectableAssociation"; }
  // The default object: null key and value. Null when memory is short.
  static RWCollectable* Create();

 protected:
  RWCollectable* key_ = nullptr;
  RWCollectable* value_ = nullptr;
};

class RWCollectableIDAssociation : public RWCollectableAssociation {
 public:
  using RWCollectableAssociation::RWCollectableAssociation;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // Compares the key's address with the other's address, or with the other's key's address when
  // the other is an RWCollectableIDAssociation too: -1 below, 0 equal, 1 above.
  int Compare(const RWCollectable* other) const override;
  // The key's address folded to 32 bits, a: (a >> 3) XOR a.
  std::uint32_t Hash() const override;
  // With another RWCollectableIDAssociation: the two keys are the same object; otherwise the
  // other is the key object itself.
  bool IsEqual(const RWCollectable* other) const override;

  static RWClassID ClassId() { return kRWCollectableIDAssociationClassId; }
  static const char* ClassName() { return "RWCollectableIDAssociation"; }
  static RWCollectable* Create();

 private:
  // The other object as an RWCollectableIDAssociation, or null when it is none.
  static const RWCollectableIDAssociation* AsIDAssociation(const RWCollectable* other);
};
