// GDeviceFontListComposite: the device font lists of one printer, one per source, found by the
// source's attribute key. The lists are held by counted references, so one list may sit in
// several composites.
//
// Stored form (after the root part):
//   u32  class version word, 1
//        the persistent composite of the lists, an object record
// A restore clears the composite first and then restores into it.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/core/MPersistentComposite.h"

class GDeviceFontList;
class GIterator;

class GDeviceFontListComposite : public GBaseObject {
 public:
  explicit GDeviceFontListComposite(std::uint32_t key = 0);
  // The root part copied; the lists shared with `other`.
  GDeviceFontListComposite(const GDeviceFontListComposite& other);
  // Clears the lists, then shares `other`'s.
  GDeviceFontListComposite& operator=(const GDeviceFontListComposite& other);
  ~GDeviceFontListComposite() override = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: lets go of the lists.
  void ForgetRestoredMembers() override;
  bool IsKindOf(RWClassID id) const override;
  // The same class, equal keys, and lists pairwise equal.
  bool IsSameKey(const GBaseObject* other) const override;
  // Iterates the lists.
  GIterator* CreateIterator() const override;

  // Takes `list` over (null is ignored).
  void Insert(GDeviceFontList* list);
  // Takes the list with that key out and hands it to the caller (as MPersistentComposite's
  // removals do), or null.
  GDeviceFontList* Remove(std::uint32_t key);
  // The list with that key, or null.
  GDeviceFontList* Find(std::uint32_t key) const;
  void Clear() override;
  std::uint32_t Count() const override { return lists_.Count(); }
  // Every list of `other` whose key is not present here is added (shared).
  void Merge(const GDeviceFontListComposite& other);
  // Every device font list among the children of `collection` is added (shared).
  void AddAll(const MPersistentComposite& collection);
  const MPersistentComposite& Lists() const { return lists_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GDeviceFontListComposite"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  MPersistentComposite lists_;
};
