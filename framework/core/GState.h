// GState: a keyed group of settings in which a category and key is held once. Setting an attribute
// replaces the child of the same category and key instead of adding a second one, and UpdateFrom
// merges another state child by child. A stage keeps its job and page states as GStates, and the
// bundle a command carries is one.
//
// Where SetAttribute puts a changed attribute decides the order in which the group is replayed to
// the output chain, and so the order of the bytes written: the old child at index i is taken out
// and the new one lands at index i + 2 (behind the child that followed the old one's place), or at
// the end when there is no such place.
//
// Stored form: the group's, then
//   u32  class version word, 1 (read back and not checked)
#pragma once

#include <cstdint>

#include "framework/core/GAttributeComposite.h"

class GState : public GAttributeComposite {
 public:
  GState() = default;
  explicit GState(std::uint32_t key) : GAttributeComposite(key) {}
  GState(const GState& other) = default;
  GState& operator=(const GState& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The group's + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;

  // SetAttribute.
  void Add(GBaseObject* object) override;
  // Ownership of `attribute` passes to the state. Null: nothing. No child of its CategoryId and
  // key: appended. The first such child IsSameKey the attribute: the state keeps its child and the
  // attribute is refused (destroyed unless a counted reference holds it or it is that very child).
  // Otherwise the child (index i) is taken out and the attribute inserted at i + 2, or appended.
  void SetAttribute(GBaseObject* attribute);
  // Null: nothing. When `other` has this state's CategoryId and key, each child c of `other`, in
  // order: the first child of this state with c's CategoryId and key is updated from c when it is a
  // GState, else replaced by c itself (shared) when it differs from c; with no such child c is
  // appended (shared). Otherwise `other` itself is placed as SetAttribute does, but left alone when
  // an equal child is there. Every attribute taken in gets enabled flag 1. Answers 0.
  std::int32_t UpdateFrom(GAttribute* other) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GState"; }
  static RWCollectable* Create();

 private:
  enum class OnEqual { kRefuse, kLeave };
  // SetAttribute's placement; answers whether the attribute was taken in.
  bool Place(GBaseObject* attribute, OnEqual on_equal);
  template <typename Carrier>
  void Restore(Carrier& carrier);
};
