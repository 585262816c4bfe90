// GCommandComposite: a command that holds an ordered list of child commands in memory and travels
// down the chain as one command. No stage handles the composite itself: a stage breaks it up and
// sends each child on in order. Page filters build them to send several commands where one came
// in.
//
// The children sit in an embedded MPersistentComposite, held by counted references. Only commands
// are taken in. The composite passes on to its list: adding and prepending (of commands), the
// removals, the replacements, the finds and the collecting operations, AsComposite (the list),
// Count and TotalCount; Clear, the counted-reference forms and the counted-reference lookups keep
// the leaf behaviour of the root (they do nothing, find nothing or answer 0).
//
// Stored form (after the command part):
//   u32  class version word, 1
//        the embedded list as an object record (class header and contents), read back into the
//        embedded list
#pragma once

#include <cstdint>

#include "framework/core/MPersistentComposite.h"
#include "framework/pipeline/GCommand.h"

class GCommandComposite : public GCommand {
 public:
  // No children, no bundle.
  explicit GCommandComposite(std::uint32_t key = 0) : GCommand(key) {}
  // `bundle` (null allowed) gains a reference.
  GCommandComposite(GState* bundle, std::uint32_t key) : GCommand(bundle, key) {}
  // Shares the bundle and the children.
  GCommandComposite(const GCommandComposite& other) = default;
  GCommandComposite& operator=(const GCommandComposite& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The command part + 4 + the list's object record.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: lets go of the bundle and the children.
  void ForgetRestoredMembers() override;
  bool IsKindOf(RWClassID id) const override;
  // The class, the command test, then the lists' IsSameKey.
  bool IsSameKey(const GBaseObject* other) const override;

  // A kind of GCommand is appended (prepended); anything else is destroyed (unless a counted
  // reference holds it or the list already holds it) and nothing is added.
  void Add(GBaseObject* object) override;
  void Prepend(GBaseObject* object) override;
  GBaseObject* RemoveObject(const GBaseObject* object) override;
  GBaseObject* RemoveByKey(std::uint32_t key) override;
  GBaseObject* RemoveByClassId(RWClassID id) override;
  int ReplaceByKey(std::uint32_t key, const GBaseObject* object) override;
  int ReplaceByClassId(RWClassID id, const GBaseObject* object) override;
  int ReplaceEqual(const GBaseObject* object, const GBaseObject* replacement) override;
  int ReplaceKindOf(RWClassID id, const GBaseObject* object) override;
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
  // The embedded list.
  const GBaseObject* AsComposite() const override { return &children_; }
  std::uint32_t Count() const override { return children_.Count(); }
  // 1 + the TotalCount of each child.
  std::uint32_t TotalCount() const override { return children_.TotalCount(); }
  // An iterator over the children, before the first one (index -1); advancing past the last
  // answers 0 and goes back to -1.
  GIterator* CreateIterator() const override;

  // MakeUnique of every child, in order.
  void MakeUnique() override;
  // Calls no handler; 0.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  const MPersistentComposite& Children() const { return children_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GCommandComposite"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  MPersistentComposite children_;
};
