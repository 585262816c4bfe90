// GGraphicComposite: a graphic made of child graphics, held by counted references in an embedded
// MPersistentComposite. A stage expands it child by child (AsComposite answers the list); the
// composite itself calls no handler.
//
// Only graphics are taken in. The composite passes on to its list: adding, the removals, the
// replacements, Clear, the finds and the collecting operations, Count and TotalCount; Prepend and
// the counted-reference forms keep the leaf behaviour of the root.
//
// Stored form (after the graphic part):
//   u32  class version word, 1
//        the embedded list as an object record (class header and contents), read back into the
//        embedded list
#pragma once

#include <cstdint>

#include "framework/core/MPersistentComposite.h"
#include "framework/pipeline/GGraphic.h"

class GGraphicComposite : public GGraphic {
 public:
  // No children, no bundle.
  explicit GGraphicComposite(std::uint32_t key = 0) : GGraphic(key) {}
  // `bundle` (null allowed) gets key 244.
  GGraphicComposite(GGraphicBundle* bundle, std::uint32_t key) : GGraphic(bundle, key) {}
  // Shares the bundle and the children.
  GGraphicComposite(const GGraphicComposite& other) = default;
  GGraphicComposite& operator=(const GGraphicComposite& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The graphic part + 4 + the list's object record.
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

  // A kind of GGraphic is appended; anything else is destroyed (unless a counted reference holds
  // it or the list already holds it) and nothing is added.
  void Add(GBaseObject* object) override;
  GBaseObject* RemoveObject(const GBaseObject* object) override;
  GBaseObject* RemoveByKey(std::uint32_t key) override;
  GBaseObject* RemoveByClassId(RWClassID id) override;
  int ReplaceByKey(std::uint32_t key, const GBaseObject* object) override;
  int ReplaceByClassId(RWClassID id, const GBaseObject* object) override;
  int ReplaceEqual(const GBaseObject* object, const GBaseObject* replacement) override;
  int ReplaceKindOf(RWClassID id, const GBaseObject* object) override;
  void Clear() override;
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
  std::uint32_t TotalCount() const override { return children_.TotalCount(); }
  // An index iterator over the children.
  GIterator* CreateIterator() const override;

  // MakeUnique of every child, in order.
  void MakeUnique() override;
  // Calls no handler; 0.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  const MPersistentComposite& Children() const { return children_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GGraphicComposite"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  MPersistentComposite children_;
};
