// MPersistentComposite: the framework's general container, an ordered list of children held by
// counted references. Children are shared: one object may sit in several composites and goes when
// its last counted reference goes. The root's operations answer for the children, depth first in
// child order (the composite's own key is never compared); collecting gathers the matching leaves
// of the whole subtree and never a composite.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   u32  child count n
//   n    object records, one per child in order (a shared child is a reference after its first
//        record)
// A restore clears the composite first (as Clear) and appends every child read. It fails the
// carrier, keeping none of what it read, for a child that is not a framework object and for a
// reference to a record still being read (the composite itself or one that holds it). The children
// are kept by their reference words, outside the restore's bookkeeping, which therefore never frees
// them: when a restore fails, ForgetRestoredMembers (Clear) lets go of them, and what no one else
// holds goes with it.
//
// The composite has no lock of its own: one thread at a time uses it.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/core/GCountedPtrArray.h"

class MPersistentComposite : public GBaseObject {
 public:
  // The capacity that Clear leaves.
  static constexpr std::uint32_t kClearedCapacity = 64;

  MPersistentComposite();
  explicit MPersistentComposite(std::uint32_t key);
  // Root copy (same key and serial number); an array of the source's capacity holding references
  // to the same children.
  MPersistentComposite(const MPersistentComposite& other);
  // Nothing when `other` is this object or IsDifferentKey(other) is false; otherwise key, serial
  // number and children (references to the same ones, in an array of the source's capacity).
  MPersistentComposite& operator=(const MPersistentComposite& other);
  ~MPersistentComposite() override = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;

  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class, key and count with children pairwise not IsDifferentKey.
  bool IsSameKey(const GBaseObject* other) const override;
  // Appends a counted reference (null is ignored; an object the array cannot take is refused).
  void Add(GBaseObject* object) override;
  void Prepend(GBaseObject* object) override;
  // Takes the first match out (depth first) and hands it to the caller: the object itself when the
  // composite held its last reference (its reference word back at -1), else a Clone.
  GBaseObject* RemoveObject(const GBaseObject* object) override;
  GBaseObject* RemoveByKey(std::uint32_t key) override;
  GBaseObject* RemoveByClassId(RWClassID id) override;
  int ReplaceByKey(std::uint32_t key, const GBaseObject* object) override;
  int ReplaceByClassId(RWClassID id, const GBaseObject* object) override;
  int ReplaceEqual(const GBaseObject* object, const GBaseObject* replacement) override;
  int ReplaceKindOf(RWClassID id, const GBaseObject* object) override;
  // Drops every child and leaves capacity 64.
  void Clear() override;
  // A failed restore: Clear.
  void ForgetRestoredMembers() override;
  GBaseObject* FindByKey(std::uint32_t key) const override;
  GBaseObject* FindByClassId(RWClassID id) const override;
  GBaseObject* FindEqual(const GBaseObject* object) const override;
  GBaseObject* FindKindOf(RWClassID id) const override;
  GBaseObject* CollectByClassId(RWClassID id, GBaseObject* collection) const override;
  GBaseObject* CollectByKey(std::uint32_t key, GBaseObject* collection) const override;
  GBaseObject* FindAllByKey(std::uint32_t key) const override;
  GBaseObject* FindAllByClassId(RWClassID id) const override;
  GBaseObject* CollectKindOf(RWClassID id, GBaseObject* collection) const override;
  GBaseObject* FindAllKindOf(RWClassID id) const override;
  const GBaseObject* AsComposite() const override { return this; }
  std::uint32_t Count() const override { return children_.Count(); }
  std::uint32_t TotalCount() const override;
  // A GIndexedIterator over the children.
  GIterator* CreateIterator() const override;

  // Calls `function` with each child's counted reference and `user`, in order.
  using ChildFunction = int (*)(GCountedPtr* child, void* user);
  virtual void ForEach(ChildFunction function, void* user);
  // The same walk, stopping at the first child for which `function` answers non-zero; that
  // child, or null.
  virtual GBaseObject* FindFirst(ChildFunction function, void* user);

  const GCountedPtrArray& Children() const { return children_; }
  GBaseObject* ChildAt(std::uint32_t index) const { return children_.TargetAt(index); }

  static RWClassID ClassId();
  static const char* ClassName() { return "MPersistentComposite"; }
  static RWCollectable* Create();

 protected:
  // Appends a reference to `object`; false (nothing changed) when memory is short.
  bool Append(GBaseObject* object);

 private:
  template <typename Test, typename Recurse>
  GBaseObject* FindFirstMatch(const Test& test, const Recurse& recurse) const;
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  mutable GCountedPtrArray children_;
};
