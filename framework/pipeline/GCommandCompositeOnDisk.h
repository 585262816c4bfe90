// GCommandCompositeOnDisk: a command that holds an ordered list of child commands as records of a
// disk-backed store, so that a stage can keep whole pages without holding them in memory (the
// booklet records every page of a document in one each and replays them at the document end). No
// stage handles the composite itself: a stage breaks it up, fetching each record from the store,
// and writes a record that it replaced back in its place.
//
// The children live in an embedded MPersistentCompositeOnDisk: composites on one file name share
// one store and see each other's records. Children are added with AddRef only (each becomes a new
// record; anything that is not a command is refused and left to its holder); the composite passes
// on the removals, the replacements and the lookups by counted reference, Count, TotalCount and
// ReplaceChild (the store's replacement by serial number). Everything else (Add, Prepend and
// PrependRef, the plain-pointer finds, Clear) keeps the leaf behaviour of the root.
//
// The bundle given through AssignGraphicBundle is kept as a record of the store with key 406 (one
// at a time) and GetGraphicBundleRef reads it back without taking it out; SetGraphicBundle,
// ReleaseGraphicBundle and GetGraphicBundle work on the command's own bundle, which names the
// page's font file (407) and the render device (408, its cookie as hexadecimal text).
//
// A closed composite (a recorded page, closed at its end) stays closed: a lookup, removal or
// replacement on it opens its file for that operation only. (A stage that changes one record of
// each page it walks would otherwise leave every page of a document open, each holding a file and
// its cached pages, until the pages go.)
//
// Iterating selects that font file as the current one of the device's downloaded-font table,
// under the booklet lock, so that restored text resolves its fonts against it; then it walks the
// records on a store handle of its own, which it closes when it is destroyed.
//
// Stored form (after the command part):
//   u32  class version word, 1
//        the embedded store as an object record (class header and contents: its file name, not
//        its records), read back into the embedded store
#pragma once

#include <cstdint>

#include "framework/core/MPersistentCompositeOnDisk.h"
#include "framework/pipeline/GCommand.h"
#include "framework/pipeline/GCommandRef.h"

class GCommandCompositeOnDisk : public GCommand {
 public:
  // No file, closed, delete flag 0.
  GCommandCompositeOnDisk();
  // Opens the store of that name (shared with every composite that has it open). With delete flag
  // 1 the file is deleted when the last composite on it has gone.
  GCommandCompositeOnDisk(const RWWString& file_name, std::int32_t delete_flag, std::uint32_t key);
  // The same with a command bundle (null allowed), which gains a reference.
  GCommandCompositeOnDisk(const RWWString& file_name,
                          GState* bundle,
                          std::int32_t delete_flag,
                          std::uint32_t key);
  // Shares the bundle; one more user of the same file.
  GCommandCompositeOnDisk(const GCommandCompositeOnDisk& other) = default;
  GCommandCompositeOnDisk& operator=(const GCommandCompositeOnDisk&) = delete;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The command part + 4 + the store's object record (2 + its StoredByteCount).
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The class, the command test, then the stores' IsSameKey.
  bool IsSameKey(const GBaseObject* other) const override;

  // A kind of GCommand becomes a new record; anything else is refused and not destroyed.
  void AddRef(const GCountedPtr& reference) override;
  GCountedPtr RemoveRefEqual(const GBaseObject* object) override;
  GCountedPtr RemoveRefByKey(std::uint32_t key) override;
  GCountedPtr RemoveRefByClassId(RWClassID id) override;
  int ReplaceRefByKey(std::uint32_t key, const GCountedPtr& reference) override;
  int ReplaceRefByClassId(RWClassID id, const GCountedPtr& reference) override;
  GCountedPtr GetRefByKey(std::uint32_t key) override;
  GCountedPtr GetRefByClassId(RWClassID id) override;
  GCountedPtr GetRefEqual(const GBaseObject* object) override;
  // The embedded store.
  const GBaseObject* AsComposite() const override { return &store_; }
  std::uint32_t Count() const override;
  std::uint32_t TotalCount() const override;
  // Selects the recorded font file (see above), then a walk over the records in order; the
  // current item is had as a counted reference only (CurrentRef), a new object read from the file.
  GIterator* CreateIterator() const override;

  // Calls no handler; 0.
  std::uint16_t Accept(GTypedHandlers& handlers) override;
  // Stores `result` in place of the record of `child` (found by its serial number): non-zero when
  // a record was replaced.
  int ReplaceChild(const GCommand& child, const GCommandRef& result);

  // Takes the key-406 record out, then stores the new bundle (given key 406) as a record; an empty
  // reference only takes the old one out. A target that is not a GState is ignored.
  void AssignGraphicBundle(const GCountedPtr& bundle) override;
  // The key-406 record read from the store (it stays there); empty when there is none.
  void GetGraphicBundleRef(GCountedPtr& bundle) const override;

  std::int32_t GetState() const { return store_.GetState(); }
  void Close() { store_.Close(); }
  // While open, the store's file error (0 when the file is usable).
  std::uint32_t GetFileStatus() { return store_.GetFileStatus(); }
  const MPersistentCompositeOnDisk& Store() const { return store_; }

  // The cookie that the key-408 text names: its leading hexadecimal digits, kept to the low 32
  // bits; 0 (no device has it) when it starts with none.
  static std::uint32_t ParseDeviceCookie(const RWCString& text);

  static RWClassID ClassId();
  static const char* ClassName() { return "GCommandCompositeOnDisk"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  // Makes the font file that the command bundle names current in the device's table.
  void SelectRecordedFontFile(const void* token) const;
  // Runs `operation` on the store; a closed store is closed again after it.
  template <typename Operation>
  auto KeepingClosed(Operation operation) const {
    const bool closed = store_.GetState() != MPersistentCompositeOnDisk::kOpen;
    auto result = operation();
    if (closed) {
      store_.Close();
    }
    return result;
  }

  mutable MPersistentCompositeOnDisk store_;
};
