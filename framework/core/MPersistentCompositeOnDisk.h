// MPersistentCompositeOnDisk: a composite whose children live in a record file rather than in
// memory. Each child added is written to the file at once; each child asked for is read back and
// handed out under a counted reference. Objects handed out are new objects read from the file:
// changing them changes the file only when they are stored again (a replace operation).
//
// The composite is a small handle (file name, open state, delete flag) on a shared
// MPersistentCompositeOnDiskImp, which owns the open file. Every composite of the process open on
// one file name shares one implementation, found through the process-wide list of open stores,
// which holds one entry per open composite (a copy of an open composite is one more entry).
//
// The record file is a file of the file space manager holding an on-disk B-tree (16-byte text keys,
// order 10, compared as NUL-terminated bytes) from record names (framework/core/GRecord.h) to the
// offsets of the stored objects, each an outermost object record in a block of exactly its size.
// The list of top-level records (the index, a GRecordComposite) is stored under the key
// "IndexOfRecords". Opening the file reads it and leaves it in place; closing a file whose records
// were added, taken or replaced writes a new index, names it under the key and then gives the old
// one's space back (a file only read is not written at all).
//
// Storing an object: a disk-backed composite (781) or the page pipeline's on-disk command
// composite (606) is stored as itself (its file name, not its children) under a proxy record; a
// leaf under a plain record; an in-memory composite as its own record with its children stored
// each under its own record, the composite itself written as a copy without children. Record keys
// stay unique: an object whose key is already in the file is stored as a copy with a fresh serial
// number (the caller's object is not changed). A record is written only into a block of its exact
// size: a class that writes more or fewer bytes than it reports is refused (the error is set, no
// key is inserted) and no neighbouring block is touched.
//
// Failures: a file that cannot be opened or created, a corrupt file and any failed read or write
// set the error (GetFileStatus), which is never cleared; while the file is in error nothing more
// is read or written, loads answer the empty reference and the index is not written back.
//
// Threads: one process-wide store lock guards the list of open stores, opening and closing, and
// every operation of an implementation (stores, removals, replacements, gets, counts, iteration).
// It is taken before any counted-reference lock.
//
// Stored form of the composite (after the root part):
//   u32 class version 1, i32 state (1 open, 2 closed), file name (u32 length + bytes),
//   i32 delete flag
// A restored composite shares an implementation already open on its file at once; otherwise it
// opens the file at its first use.
// The implementation stores only its root part and class version word 1.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/core/GBaseObject.h"
#include "framework/core/GIterator.h"
#include "framework/core/GRecord.h"
#include "framework/core/RecordOffsets.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"

class RWDiskBTree;
class RWFileSpaceManager;
class RWStaticLock;

class MPersistentCompositeOnDiskImp : public GBaseObject, public GRecordStore {
 public:
  // No file, an empty index, an empty name.
  MPersistentCompositeOnDiskImp();
  // Opens (or creates) the named file and takes its index out of it.
  MPersistentCompositeOnDiskImp(const RWCString& name, std::uint32_t key);
  // As the default constructor: a copy opens no file.
  MPersistentCompositeOnDiskImp(const MPersistentCompositeOnDiskImp& other);
  MPersistentCompositeOnDiskImp& operator=(const MPersistentCompositeOnDiskImp&) = delete;
  // Writes the index back and closes the file; deletes it when a composite asked for that.
  ~MPersistentCompositeOnDiskImp() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same class and the same records in index order.
  bool IsSameKey(const GBaseObject* other) const override;

  // Stores the object and appends its record to the index (PrependRef appends as well).
  void AddRef(const GCountedPtr& reference) override;
  void PrependRef(const GCountedPtr& reference) override;
  GCountedPtr RemoveRefEqual(const GBaseObject* object) override;
  GCountedPtr RemoveRefByKey(std::uint32_t key) override;
  GCountedPtr RemoveRefByClassId(RWClassID id) override;
  int ReplaceRefByKey(std::uint32_t key, const GCountedPtr& reference) override;
  int ReplaceRefByClassId(RWClassID id, const GCountedPtr& reference) override;
  // Replaces the stored object whose serial number is that of `object`.
  virtual int ReplaceRefEqual(const GBaseObject* object, const GCountedPtr& reference);
  // Empties the file and the index.
  void Clear() override;
  GCountedPtr GetRefByKey(std::uint32_t key) override;
  GCountedPtr GetRefByClassId(RWClassID id) override;
  GCountedPtr GetRefEqual(const GBaseObject* object) override;
  // The index's record count: the stored leaves and proxies (a stored composite counts its
  // children, not itself).
  std::uint32_t Count() const override;
  std::uint32_t TotalCount() const override;
  // A GRecordStoreIterator over the top-level records.
  GIterator* CreateIterator() const override;

  // The record store (under the store lock, which the callers hold).
  GCountedPtr LoadRecord(const GRecord& record) override;
  GCountedPtr TakeRecord(const GRecord& record) override;
  GRecordRef ReplaceRecord(const GRecord& record, const GCountedPtr& object) override;
  // Stores the object and its children; appends the record to the index unless `for_child`.
  // The empty reference when nothing could be stored.
  GRecordRef StoreObject(const GCountedPtr& object, bool for_child);

  // 1 when the file could not be opened or an operation on it failed, else 0.
  std::uint32_t GetError() const;
  // The same, for a caller that holds the store lock.
  std::uint32_t ErrorHeld() const;
  const RWCString& FileName() const { return file_name_; }
  // The file is deleted when this implementation closes it.
  void DeleteFileOnClose() { delete_on_close_ = true; }
  // The top-level records (for tests and the iterator; under the store lock).
  const GRecordComposite& Index() const { return index_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "MPersistentCompositeOnDiskImp"; }
  static RWCollectable* Create();

 private:
  friend class GRecordStoreIterator;

  void OpenFile();
  void CloseFile();
  bool FileGood() const;
  void FailFile();
  bool KeyPresent(std::uint32_t serial);
  // StoreObject for an object the caller holds, with the file good.
  GRecordRef StoreHeld(const GBaseObject& object, bool for_child);
  // Writes an outermost object record into a new block of exactly its size; its offset, or -1.
  std::int32_t WriteObject(const RWCollectable& object);
  // The same for the index, whose stored size is this store's own to know: written first where
  // the block is taken when the space comes from the end, measured there, and allocated at that
  // size (no pass of its own to count the bytes).
  std::int32_t WriteIndex();
  bool WriteRecord(const GRecord& record, const GBaseObject& object);
  GCountedPtr ReadRecord(const GRecord& record, bool take);
  // Takes the objects of the child records out again (a composite whose store failed).
  void TakeChildren(GRecordComposite& record);

  std::unique_ptr<RWFileSpaceManager> manager_;
  std::unique_ptr<RWDiskBTree> tree_;
  // The tree's pairs (by the serial numbers that name the records) while the file is open.
  RecordOffsets offsets_;
  GRecordComposite index_;
  // Where the index read at opening lies (-1: none), and whether the index may have changed since
  // (then the file gets a new one at closing).
  std::int32_t index_offset_ = -1;
  bool index_changed_ = false;
  RWCString file_name_;
  std::uint32_t error_ = 0;
  bool delete_on_close_ = false;
};

class MPersistentCompositeOnDisk : public GBaseObject {
 public:
  static constexpr std::int32_t kOpen = 1;
  static constexpr std::int32_t kClosed = 2;

  // Closed, no file name.
  explicit MPersistentCompositeOnDisk(std::int32_t delete_flag = 0);
  // The name narrowed to 8 bits, then opened. With delete flag 1 the file is deleted when the last
  // composite that opened it has gone.
  MPersistentCompositeOnDisk(const RWWString& name, std::int32_t delete_flag, std::uint32_t key);
  // Open on the same file when the other is open (one more user of it).
  MPersistentCompositeOnDisk(const MPersistentCompositeOnDisk& other);
  MPersistentCompositeOnDisk& operator=(const MPersistentCompositeOnDisk& other);
  ~MPersistentCompositeOnDisk() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The root part + 16 + the file name's length.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same object; or the same class, file name, state, implementation and delete flag.
  bool IsSameKey(const GBaseObject* other) const override;

  // Forwarded to the implementation (opening the composite first when it is closed).
  void AddRef(const GCountedPtr& reference) override;
  void PrependRef(const GCountedPtr& reference) override;
  GCountedPtr RemoveRefEqual(const GBaseObject* object) override;
  GCountedPtr RemoveRefByKey(std::uint32_t key) override;
  GCountedPtr RemoveRefByClassId(RWClassID id) override;
  int ReplaceRefByKey(std::uint32_t key, const GCountedPtr& reference) override;
  int ReplaceRefByClassId(RWClassID id, const GCountedPtr& reference) override;
  virtual int ReplaceRefEqual(const GBaseObject* object, const GCountedPtr& reference);
  void Clear() override;
  GCountedPtr GetRefByKey(std::uint32_t key) override;
  GCountedPtr GetRefByClassId(RWClassID id) override;
  GCountedPtr GetRefEqual(const GBaseObject* object) override;
  std::uint32_t Count() const override;
  std::uint32_t TotalCount() const override;
  GIterator* CreateIterator() const override;
  const GBaseObject* AsComposite() const override { return this; }
  // A copy on the same file (the children are the file's).
  GBaseObject* DeepCopy() const override;

  // Opens the composite on the named file; nothing when it is open.
  void Open(const RWCString& name);
  // Closes it; the last composite on a file closes the file. Nothing when it is closed.
  void Close();
  std::int32_t GetState() const { return state_; }
  std::int32_t GetDeleteFlag() const { return delete_flag_; }
  // The file name (the implementation's while there is one).
  RWCString GetFileName(RWCString& name) const;
  // While open, the implementation's error (kept); else the last kept value.
  std::uint32_t GetFileStatus();
  // The shared implementation (empty while never opened).
  GCountedPtr Implementation() const;

  static RWClassID ClassId();
  static const char* ClassName() { return "MPersistentCompositeOnDisk"; }
  static RWCollectable* Create();
  // The store lock.
  static RWStaticLock& StoreLock();
  // Entries in the list of open stores.
  static std::uint32_t OpenStoreEntries();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  // The implementation, opening the composite first when it is closed.
  MPersistentCompositeOnDiskImp* Use(GCountedPtr& holder) const;

  RWCString file_name_;
  std::int32_t state_ = kClosed;
  GCountedPtr imp_;
  std::int32_t delete_flag_ = 0;
  std::uint32_t file_status_ = 0;
  // The composite has opened its file: with the delete flag, it deletes the file at the end.
  bool used_file_ = false;
};

// The iterator of a disk-backed composite over its top-level records. Items are loaded from the
// file as they are asked for; Current (a plain pointer) is always null. It keeps the
// implementation alive and stays on its item when other records are added or removed.
class GRecordStoreIterator : public GIterator {
 public:
  explicit GRecordStoreIterator(const GCountedPtr& implementation);

  GBaseObject* Current() const override { return nullptr; }
  void ReplaceCurrent(GBaseObject* object) override;
  int Advance() override;
  void Reset() override;
  GCountedPtr CurrentRef() const override;
  // Takes the current object out of the store.
  void RemoveCurrent() override;
  // Stores `reference` in place of the current object.
  void ReplaceCurrentRef(const GCountedPtr& reference) override;
  int StepBack() override;

 private:
  MPersistentCompositeOnDiskImp& Imp() const;
  // The current record's index in the list now, or -1 when it has gone.
  std::int64_t Locate() const;

  GCountedPtr implementation_;
  GRecordRef current_;
  std::int64_t position_ = -1;
};
