// GTTFontPool: the process-wide owner of the TrueType readers in use, so that every job and every
// downloaded font that needs one font shares one reader and its caches. It hands out font ids,
// counts references, saves the readers an owner asked for and merges readers read back, and
// purges what nobody uses.
//
// Locking: every pool operation (except Instance, DestroyInstance, NextFontId and NewFontFile)
// runs under the pool's lock, and takes a reader's own lock inside it, never the other way round:
// pool, then reader, everywhere. A lock that cannot be taken is reported as (2, 301), a release
// that fails as (2, 302), unit "ttflpool"; the operation goes on.
//
// Reference counts: a reader counts 1 for the pool's hold plus 1 for each GTTFontFile.
#pragma once

#include <atomic>
#include <cstdint>

#include "rw/RWWString.h"

class GObjectCache;
class GSemaphore;
class GTTFontFile;
class GTTFontReader;
class RWBinaryFile;
class RWVirtualInStream;
class RWVirtualOutStream;

class GTTFontPool {
 public:
  // Makes the lock (through the services) and an empty cache.
  GTTFontPool();
  GTTFontPool(const GTTFontPool&) = delete;
  GTTFontPool& operator=(const GTTFontPool&) = delete;
  // Lets go of every reader (see ReleaseAll) and deletes the lock.
  virtual ~GTTFontPool();

  // The render module's pool: the pooled font file for a font object of the platform.
  virtual GTTFontFile* OpenFontFile(void* font_object) = 0;
  // Unlinks and deletes the in-use entry that identifies the reader (not the reader).
  virtual void RemoveInUse(const GTTFontReader* reader);

  // The process-wide pool, or null. SetInstance stores one (the render module's start-up);
  // DestroyInstance deletes it and clears the pointer.
  static GTTFontPool* Instance();
  static void SetInstance(GTTFontPool* pool);
  static void DestroyInstance();

  // Lets go of every reader and every in-use entry, and numbers fonts from 0 again.
  void Reset();
  // Drops the owner from every reader's users, and removes the readers that nobody uses and
  // only the pool holds.
  void Purge(std::uint32_t owner);
  void PurgeAll();
  // The next font id (post-increment, atomic).
  std::uint32_t NextFontId() { return next_font_id_.fetch_add(1); }
  // Holds the reader under its font id (one more reference when it was not held yet); 1.
  int Add(GTTFontReader* reader);
  // The reader of the id with one more reference; null when absent, or when it knows less than
  // `change_count` (a stale copy).
  GTTFontReader* Lookup(std::uint32_t font_id, std::uint32_t change_count);
  // A handle lets go of the reader: 1 when the reader was deleted.
  int Release(GTTFontReader* reader);
  // Takes the reader out of the pool without touching its count: the reader, or null.
  GTTFontReader* Remove(std::uint32_t font_id);
  // Takes the reader out and drops the pool's reference (deleting it at 0): 1 when it was held.
  int Drop(std::uint32_t font_id);
  int Contains(std::uint32_t font_id);
  std::uint32_t Count();
  // Takes every reader out and drops the pool's reference on each; a reader that a handle still
  // uses lives on until its last handle lets go.
  void ReleaseAll();
  // A new handle on the reader for this pool (one more reference).
  GTTFontFile* NewFontFile(GTTFontReader* reader);

  // Writes the readers that asked to be saved for the owner, and clears those requests.
  int Save(RWVirtualOutStream& stream, std::uint32_t owner);
  int Save(RWBinaryFile& file, std::uint32_t owner);
  // Merges the stored readers: a reader the pool lacks is taken; of two copies of one font the
  // one that knows more wins.
  int Restore(RWVirtualInStream& stream);
  int Restore(RWBinaryFile& file);
  // The same through a file of the services' file holders; 0 when the file cannot be used.
  // RestoreFromFile makes the owner a user of every reader it reads.
  int SaveToFile(const RWWString& name, std::uint32_t owner);
  int RestoreFromFile(const RWWString& name, std::uint32_t owner);

 protected:
  // Records a reader as in use (the render module's pool decides which).
  void AddInUse(const GTTFontReader* reader);
  bool IsInUse(const GTTFontReader* reader);

 private:
  class PoolLock;
  struct InUse;

  void ReleaseAllLocked();
  void ClearInUse();
  void RemoveInUseLocked(const GTTFontReader* reader);

  InUse* in_use_ = nullptr;
  GSemaphore* lock_ = nullptr;
  GObjectCache* cache_ = nullptr;
  std::atomic<std::uint32_t> next_font_id_{0};
};
