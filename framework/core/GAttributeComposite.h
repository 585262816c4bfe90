// GAttributeComposite: an attribute that holds an ordered list of child attributes, the grouping of
// every set of settings (a stage's job and page states, the bundle a command carries, an
// enumeration's choices, the quick-set pool). Children are held by counted references: a child may
// sit in several groups at once and goes with its last reference. Order is insertion order and
// matters: Accept replays it and every search answers the first hit in it.
//
// The root's operations answer for the children, each child tested before the walk descends into
// it (depth first, pre-order), so a nested group can itself be found:
// - finds answer the first match; FindEqual matches a child by address, and a leaf child by its
//   own IsSameKey (a nested group only by address);
// - removals take the first match out and hand it to the caller: the child itself when the group
//   held its last reference, else a Clone (the child stays with its other holders);
// - replacements point the first match's entry at a DeepCopy of the replacement (the caller keeps
//   the replacement) and answer 1;
// - collecting gathers matching leaves, never a group; the find-all forms answer a new group of
//   them, or null.
//
// Stored form (after the attribute part):
//   u32  class version word, 1
//   u32  child count n
//   n    object records, one per child in order
// A restore clears the group (capacity 64) and appends every child read, without Add's type
// test. A failed restore lets go of what it had appended.
//
// No lock of its own: one thread at a time changes a group.
#pragma once

#include <cstdint>

#include "framework/core/GAttribute.h"
#include "framework/core/GCountedPtrArray.h"
#include "framework/core/GIndexedIterator.h"

class GAttributeComposite : public GAttribute {
 public:
  // The capacity that Clear and a restore leave.
  static constexpr std::uint32_t kClearedCapacity = 64;

  // Empty, capacity 10, enabled.
  GAttributeComposite() { MarkSearchesChildren(true); }
  explicit GAttributeComposite(std::uint32_t key) : GAttribute(key) { MarkSearchesChildren(true); }
  // Same key, serial number and enabled flag; the same capacity and references to the same
  // children (shared, not copied).
  GAttributeComposite(const GAttributeComposite& other)
      : GAttribute(other), children_(other.children_) {
    MarkSearchesChildren(true);
  }
  GAttributeComposite& operator=(const GAttributeComposite& other) = default;
  ~GAttributeComposite() override { MarkSearchesChildren(false); }

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The attribute part + 8 + the children's object records.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: Clear.
  void ForgetRestoredMembers() override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class, key and count, children pairwise IsSameKey.
  bool IsSameKey(const GBaseObject* other) const override;

  // Appends the attribute (ownership passes to the group). Null is ignored; an object that is not
  // an attribute is refused (destroyed unless a counted reference or this group holds it). No
  // duplicate check.
  void Add(GBaseObject* object) override;
  GBaseObject* RemoveObject(const GBaseObject* object) override;
  GBaseObject* RemoveByKey(std::uint32_t key) override;
  GBaseObject* RemoveByClassId(RWClassID id) override;
  int ReplaceByKey(std::uint32_t key, const GBaseObject* object) override;
  int ReplaceByClassId(RWClassID id, const GBaseObject* object) override;
  int ReplaceEqual(const GBaseObject* object, const GBaseObject* replacement) override;
  int ReplaceKindOf(RWClassID id, const GBaseObject* object) override;
  // Drops every child; the capacity becomes 64.
  void Clear() override;
  GBaseObject* FindByKey(std::uint32_t key) const override;
  GBaseObject* FindByClassId(RWClassID id) const override;
  GBaseObject* FindEqual(const GBaseObject* object) const override;
  GBaseObject* FindKindOf(RWClassID id) const override;
  GBaseObject* CollectByClassId(RWClassID id, GBaseObject* collection) const override;
  GBaseObject* CollectByKey(std::uint32_t key, GBaseObject* collection) const override;
  GBaseObject* CollectKindOf(RWClassID id, GBaseObject* collection) const override;
  GBaseObject* FindAllByKey(std::uint32_t key) const override;
  GBaseObject* FindAllByClassId(RWClassID id) const override;
  GBaseObject* FindAllKindOf(RWClassID id) const override;
  const GBaseObject* AsComposite() const override { return this; }
  const GAttributeComposite* AsAttributeGroup() const override { return this; }
  // The direct children.
  std::uint32_t Count() const override { return children_.Count(); }
  std::uint32_t TotalCount() const override;
  // A GAttributeCompositeIterator, owned by the caller.
  GIterator* CreateIterator() const override;

  // Null: nothing. When `other` has this group's CategoryId and key, a Clone of each of its
  // children is added (through Add, in its order); otherwise a Clone of `other` itself. Answers 0.
  std::int32_t UpdateFrom(GAttribute* other) override;
  // Replays the enabled children in order (each child's Accept); the last non-zero status wins.
  // Then the group's own enabled flag becomes 0. The group's own flag is not looked at first.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  // Enabled flags of the direct children and then the group's own: 1, respectively 0.
  virtual void EnableAll();
  virtual void DisableAll();
  // Calls `function` with each child's counted reference and `user`, in order.
  using ChildFunction = int (*)(GCountedPtr* child, void* user);
  virtual void ForEach(ChildFunction function, void* user);
  // The first child for which `function` answers non-zero, or null.
  virtual GBaseObject* FindFirst(ChildFunction function, void* user);

  const GCountedPtrArray& Children() const { return children_; }
  GBaseObject* ChildAt(std::uint32_t index) const { return children_.TargetAt(index); }

  static RWClassID ClassId();
  static const char* ClassName() { return "GAttributeComposite"; }
  static RWCollectable* Create();

 protected:
  GCountedPtrArray& MutableChildren() { return children_; }
  // Appends a reference; false (nothing changed) when memory is short.
  bool Append(GBaseObject* object);
  // The index of the first child with `object`'s CategoryId and key, or kNotFound.
  std::uint32_t IndexOfSameCategoryAndKey(const GBaseObject& object) const {
    return IndexOfCategoryAndKey(object.CategoryId(), object.GetKey());
  }
  // The index of the first child with that CategoryId and key, or kNotFound. Every bundle a stage
  // merges runs this once per attribute: the key is compared first, from the field itself, and the
  // category only for a child of the same key.
  std::uint32_t IndexOfCategoryAndKey(RWClassID category, std::uint32_t key) const {
    const std::uint32_t count = children_.Count();
    for (std::uint32_t i = 0; i < count; ++i) {
      const GBaseObject* child = children_.TargetAt(i);
      if (child != nullptr && child->GetKey() == key && child->CategoryId() == category) {
        return i;
      }
    }
    return GCountedPtrArray::kNotFound;
  }
  // The children of another group for UpdateFrom: an array, or null for an attribute that holds
  // none.
  static const GCountedPtrArray* ChildrenOf(const GAttribute& attribute) {
    const GAttributeComposite* group = attribute.AsAttributeGroup();
    return group != nullptr ? &group->children_ : nullptr;
  }

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Test, typename Recurse>
  GBaseObject* FindFirstMatch(const Test& test, const Recurse& recurse) const;
  template <typename Collect>
  GBaseObject* FindAll(const Collect& collect) const;

  mutable GCountedPtrArray children_;
};

// The iterator over a group's children (position -1 before the first child and after the last).
// Current off the children raises the library's index error and answers null.
class GAttributeCompositeIterator : public GIndexedIterator {
 public:
  explicit GAttributeCompositeIterator(GCountedPtrArray& children) : GIndexedIterator(children) {}

  GBaseObject* Current() const override;
  // Wraps `object` in a counted reference; when the position is on a child, that child is taken
  // out. The position then moves on by one; when it is still below the count it moves on once more
  // and the object is inserted there, otherwise the position becomes -1 and the object is
  // appended.
  void ReplaceCurrent(GBaseObject* object) override;
};
