// GObjectCache: persistent objects kept by a 32-bit key, saved and restored as a whole, and
// purged by the verdict of a state callback. The TrueType font pool keeps its readers in one, and
// the downloaded-font table its font implementations.
//
// Stored form (in a virtual stream or a binary file):
//   u32  count of entries
//   per entry: u32 key, then the value as an object record
#pragma once

#include <cstdint>

#include "rw/RWDefs.h"

class RWBTreeDictionary;
class RWBinaryFile;
class RWCollectable;
class RWVirtualInStream;
class RWVirtualOutStream;

// The cache's state callback: (first object, second object, state) -> verdict.
//   state 1  purge: (null, value); 1 removes the entry
//   state 3  restored value for a new key: (new value, null)
//   state 5  restored value meets the held value of its key: (new, held); 1 replaces the held one
using GObjectCacheCallback = std::uint32_t (*)(RWCollectable* first, RWCollectable* second,
                                               std::uint32_t state);
// The save filter: (value, state, user data). State 0 counts (1: the entry is saved), state 1
// asks again right before the entry is written (1: write it), state 2 follows the write.
using GObjectCacheFilter = std::uint32_t (*)(RWCollectable* value, std::uint32_t state,
                                             void* user_data);

class GObjectCache {
 public:
  // Restored values must be framework objects of kind `value_kind` (IsKindOf), each read as a new
  // object record; anything else fails the restore.
  GObjectCache(GObjectCacheCallback callback, RWClassID value_kind);
  GObjectCache(const GObjectCache&) = delete;
  GObjectCache& operator=(const GObjectCache&) = delete;
  // Deletes every key and value.
  ~GObjectCache();

  // Takes the value under the key: 1, or 0 (nothing taken) when the key is present or memory is
  // short.
  int Insert(std::uint32_t key, RWCollectable* value);
  // Takes the entry out: the value (now the caller's) or null.
  RWCollectable* Remove(std::uint32_t key);
  RWCollectable* Find(std::uint32_t key) const;
  int Contains(std::uint32_t key) const { return Find(key) != nullptr ? 1 : 0; }
  std::uint32_t Count() const;
  // A new array (owned by the caller, delete[]) of every key, ascending; answers its length.
  std::uint32_t Keys(std::uint32_t*& keys) const;
  // Calls `function(key, value, data)` for every entry, in ascending key order.
  void Apply(void (*function)(std::uint32_t key, RWCollectable* value, void* data),
             void* data) const;

  // The entries that `filter` passes (all without a filter). The file form answers 0 once the
  // file reports an error, else 1; the stream form answers 1.
  int Save(RWVirtualOutStream& stream, GObjectCacheFilter filter, void* user_data) const;
  int Save(RWBinaryFile& file, GObjectCacheFilter filter, void* user_data) const;
  // Merges the stored entries into the cache (see the callback's states 3 and 5). Answers 1 when
  // every entry was read, 0 when the data failed (the entries read before it are kept).
  int Restore(RWVirtualInStream& stream);
  int Restore(RWBinaryFile& file);
  // Removes and deletes every entry for which the callback answers 1 in state 1.
  void Purge();

 private:
  template <typename Carrier>
  int SaveTo(Carrier& carrier, GObjectCacheFilter filter, void* user_data) const;
  template <typename Carrier>
  int RestoreFrom(Carrier& carrier);
  void Merge(std::uint32_t key, RWCollectable* value);

  GObjectCacheCallback callback_;
  RWClassID value_kind_;
  RWBTreeDictionary* dictionary_;
};
