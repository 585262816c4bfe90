// GBaseObject: the abstract root of every persistent object of the framework. It adds to the
// collectable base a 32-bit key by which objects are found inside composites, a process-wide serial
// number and the reference word of counted pointers, and one table of default operations (find,
// collect, remove, replace, count, iterate, deep copy) so that a leaf and a composite answer the
// same questions: a leaf about itself, a composite about its children.
//
// Stored form (after the collectable base, which writes nothing):
//   u32  class version word, 1
//   u32  key
//   u32  serial number
// A restore that meets another version word keeps key and serial number and fails the carrier
// (framework/core/ClassVersion.h). A restored serial number replaces the one taken at construction.
//
// Ownership: operations that add take over the object passed; removals hand the object back to
// the caller (the object itself when nothing else held it, else a Clone); replacements store a
// DeepCopy of what they are given; results of the find-all operations, CreateIterator, Clone and
// DeepCopy belong to the caller. Misses answer null or the empty counted reference.
#pragma once

#include <cstdint>

#include "framework/core/GCountedPtr.h"
#include "rw/RWCollectable.h"
#include "rw/RWRefCounted.h"

class GAttribute;
class GIterator;

class GBaseObject : public RWCollectable {
 public:
  // Reference word -1 (no holder), key 0, the next serial number.
  GBaseObject();
  explicit GBaseObject(std::uint32_t key);
  // Reference word -1; key and serial number copied (no new serial number).
  GBaseObject(const GBaseObject& other);
  // Copies key and serial number unless `other` is this object; never the reference word.
  GBaseObject& operator=(const GBaseObject& other);
  ~GBaseObject() override = default;

  // 12: the version word, the key and the serial number.
  std::uint32_t StoredByteCount() const override;
  // By identity: 0 for the same object, -1 when this address is lower, else 1.
  int Compare(const RWCollectable* other) const override;
  // The key: objects that are IsEqual have equal keys, so a hashed collection finds an equal
  // object (an identity hash would not).
  std::uint32_t Hash() const override;
  // The same class (IsA) and IsSameKey.
  bool IsEqual(const RWCollectable* other) const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;

  // True for the class's own id and the ids of its bases (here only 751).
  virtual bool IsKindOf(RWClassID id) const;
  // Keys equal.
  virtual bool IsSameKey(const GBaseObject* other) const {
    return other != nullptr && other->key_ == key_;
  }
  // Not IsSameKey (through the virtual, so an override counts).
  bool IsDifferentKey(const GBaseObject* other) const { return !IsSameKey(other); }

  // Adding, removing and replacing children: a leaf has none, so these do nothing, answer null,
  // 0 or the empty counted reference.
  virtual void Add(GBaseObject* object);
  virtual void Prepend(GBaseObject* object);
  virtual GBaseObject* RemoveObject(const GBaseObject* object);
  virtual GBaseObject* RemoveByKey(std::uint32_t key);
  virtual GBaseObject* RemoveByClassId(RWClassID id);
  // 1 when a child was replaced by a DeepCopy of `object` (the caller keeps `object`), else 0.
  virtual int ReplaceByKey(std::uint32_t key, const GBaseObject* object);
  virtual int ReplaceByClassId(RWClassID id, const GBaseObject* object);
  // Replaces the child that is `object` itself.
  virtual int ReplaceEqual(const GBaseObject* object, const GBaseObject* replacement);
  virtual int ReplaceKindOf(RWClassID id, const GBaseObject* object);
  // Counted-reference forms of Add, Prepend, the removals and the first two replacements, for the
  // disk-backed composites.
  virtual void AddRef(const GCountedPtr& reference);
  virtual void PrependRef(const GCountedPtr& reference);
  virtual GCountedPtr RemoveRefEqual(const GBaseObject* object);
  virtual GCountedPtr RemoveRefByKey(std::uint32_t key);
  virtual GCountedPtr RemoveRefByClassId(RWClassID id);
  virtual int ReplaceRefByKey(std::uint32_t key, const GCountedPtr& reference);
  virtual int ReplaceRefByClassId(RWClassID id, const GCountedPtr& reference);
  virtual void Clear();

  // Searches: a leaf answers for itself (this object when it matches, else null); a composite
  // for its children, depth first in child order, the first hit winning.
  virtual GBaseObject* FindByKey(std::uint32_t key) const;
  virtual GBaseObject* FindByClassId(RWClassID id) const;
  // Matches by IsSameKey.
  virtual GBaseObject* FindEqual(const GBaseObject* object) const;
  virtual GBaseObject* FindKindOf(RWClassID id) const;
  // Collecting: every matching leaf is given to the collection's Add; returns the collection.
  virtual GBaseObject* CollectByClassId(RWClassID id, GBaseObject* collection) const;
  virtual GBaseObject* CollectByKey(std::uint32_t key, GBaseObject* collection) const;
  // A new persistent composite holding every matching leaf, or null when none matches.
  virtual GBaseObject* FindAllByKey(std::uint32_t key) const;
  virtual GBaseObject* FindAllByClassId(RWClassID id) const;
  virtual GBaseObject* CollectKindOf(RWClassID id, GBaseObject* collection) const;
  virtual GBaseObject* FindAllKindOf(RWClassID id) const;
  // Counted-reference forms of the finds (a leaf: a reference to itself when it matches).
  virtual GCountedPtr GetRefByKey(std::uint32_t key);
  virtual GCountedPtr GetRefByClassId(RWClassID id);
  virtual GCountedPtr GetRefEqual(const GBaseObject* object);

  // Null for a leaf; a composite answers itself.
  virtual const GBaseObject* AsComposite() const;
  // Null unless the object is an attribute (a GAttribute), which answers itself: the test of
  // IsKindOf(attribute) and the cast, for the walks over groups that every command makes. The
  // attribute's construction marks the object, so the answer costs no call (defined in
  // GAttribute.h).
  GAttribute* AsAttribute();
  // The address of the key field.
  virtual const std::uint32_t* Key() const;
  virtual std::uint32_t SerialNumber() const;
  // 1 for a leaf; a composite: its children.
  virtual std::uint32_t Count() const;
  // 1 for a leaf; a composite: 1 + the TotalCount of each child.
  virtual std::uint32_t TotalCount() const;
  // A new iterator over the children (a GNullIterator for a leaf), owned by the caller.
  virtual GIterator* CreateIterator() const;
  // The id the object is filed under: IsA unless a family overrides it.
  virtual RWClassID CategoryId() const;
  // A leaf: its Clone. A composite: a new default object of its class with the same key (and a new
  // serial number) holding a DeepCopy of every child.
  virtual GBaseObject* DeepCopy() const;

  std::uint32_t GetKey() const { return key_; }
  void SetKey(std::uint32_t key) { key_ = key; }
  // Used when objects are re-created from stored records.
  void SetSerialNumber(std::uint32_t serial) { serial_ = serial; }
  // The next serial number, as a new object made on this thread would take it.
  static std::uint32_t TakeSerialNumber();

  // An attribute whose finds answer for itself alone, as a leaf's do (key, class id, kind): the
  // attribute groups' searches test it and need not descend into it. An attribute class whose
  // finds search children of its own says so in its constructors (MarkSearchesChildren).
  bool IsLeafAttribute() const { return attribute_ && !searches_children_; }

  // The reference word: counted holders minus one (-1 when no counted pointer holds the object).
  std::int32_t References() const { return references_.References(); }
  RWRefCounted& ReferenceWord() { return references_; }

  // The empty counted reference that misses answer.
  static GCountedPtr EmptyRef() { return GCountedPtr(); }
  // Typed pointer restore: a test for GBaseObject objects.
  static bool IsFrameworkObject(const RWCollectable* object);

 protected:
  // Set by the constructors of a class whose finds search children of its own, cleared by its
  // destructor (see IsLeafAttribute).
  void MarkSearchesChildren(bool searches) { searches_children_ = searches; }

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);

  RWRefCounted references_{RWRefCounted::kNoHolder};
  std::uint32_t key_ = 0;
  std::uint32_t serial_ = 0;
  // Set while the object is a GAttribute (from its GAttribute construction to that destruction);
  // never copied or assigned.
  bool attribute_ = false;
  bool searches_children_ = false;

  friend class GAttribute;
};

namespace vel {

// What a container or setter does with an object it refuses or replaces: deletes it only when no
// counted pointer holds it and the container does not already hold it (`held_here`).
void DestroyRefused(GBaseObject* object, bool held_here);

// The carrier of a restore is still good. Every subclass's restore starts with its base's and
// stops when the carrier is no longer good.
bool CarrierGood(const RWVirtualInStream& stream);
bool CarrierGood(const RWBinaryFile& file);
// Fails the carrier of a restore.
void FailCarrier(RWVirtualInStream& stream);
void FailCarrier(RWBinaryFile& file);

}  // namespace vel
