// MPersistentAssociation: a key object paired with a value object, both owned by the association
// (any registered persistent class); the entries of an association list.
//
// Stored form (after the root part):
//   u32  class version word, 1
//        the key object as an object record (the nil record for none)
//        the value object as an object record
// A restore destroys the old key object before it reads the new one, and the old value object
// before the new value. The association owns what it reads, so a record that names an object read
// before (a reference) fails the carrier: two owners of one object would free it twice.
#pragma once

#include "framework/core/GBaseObject.h"

class MPersistentAssociation : public GBaseObject {
 public:
  MPersistentAssociation() = default;
  // Takes over both objects.
  MPersistentAssociation(RWCollectable* key_object, RWCollectable* value_object, std::uint32_t key);
  // A Clone of each object of `other` (null stays null).
  MPersistentAssociation(const MPersistentAssociation& other);
  MPersistentAssociation& operator=(const MPersistentAssociation& other);
  ~MPersistentAssociation() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The root part + 4 + both objects' records.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: the objects it read are freed.
  void ForgetRestoredMembers() override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and key, equal key objects and equal value objects.
  bool IsSameKey(const GBaseObject* other) const override;

  RWCollectable* GetKey() const { return key_object_; }
  RWCollectable* GetValue() const { return value_object_; }
  // Whether the key object equals `key_object`: the stored key object's IsSameKey for framework
  // objects, IsEqual for others; two null keys are equal.
  bool KeyMatches(const RWCollectable* key_object) const;

  static RWClassID ClassId();
  static const char* ClassName() { return "MPersistentAssociation"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  bool RestoreObject(Carrier& carrier, RWCollectable*& object);

  RWCollectable* key_object_ = nullptr;
  RWCollectable* value_object_ = nullptr;
};

namespace vel {

// Equality of two stored objects of the paper-handling lookups: framework objects by IsSameKey,
// others by IsEqual; null equals only null.
bool SameStoredObject(const RWCollectable* a, const RWCollectable* b);

}  // namespace vel
