// The store and read tables of object-graph persistence: per-thread tables that number the objects
// of one save or one restore, and the scopes through which the outermost operation on a thread owns
// its table and every nested save or restore shares it.
//
// Numbering. Index 0 is the nil object, which stands for the null pointer. Every other object gets
// the next index when its record begins (before anything its contents write), identically on save
// and restore, so a later reference to it is its index. A class that is written by its name gives
// its name the next index right after the object; a later object of that class refers to the name
// by that index. Objects and names share one numbering.
//
// Restores of untrusted data rest on the read table's bookkeeping. Every entry knows its kind (an
// object, a class id, or an object that a failed restore has freed), and a reference that names an
// entry of the wrong kind or no entry at all is a bad reference. Records nest at most kMaxDepth
// deep. A record whose restore fails frees the object it made, and with it what that object held
// through the holder protocol below; the failure also marks every entry its record made as freed,
// so nothing can name them again.
//
// Holder protocol. A class that holds what it restores without owning it (the collections, the
// associations) restores each pointer through RWRestoredMember and then says how it keeps the
// result (RWHold). When the holder's restore, or the record around it, fails, the objects it
// received new in this restore are freed (after what they hold in turn) and then the holder is
// told to forget them through RWCollectable::ForgetRestoredMembers. That call reaches every holder
// the failure unwinds: one the restore made (before it is freed, so its destructor touches nothing
// freed), one the caller gave to restore into, and one nested in another. Every class that keeps
// pointers it restored through RWRestoredMember must override it: drop each such pointer, and free
// what it keeps as RWHold::kOwns (the failure has unwound that object's own contents but left the
// object to its owner). Collections clear themselves, associations let go of key and value. After
// the call the holder holds nothing the failed restore gave it and is safe to use and to destroy.
// An object it refused stays alive while a later reference in the same restore may name it, and
// is freed at the end of the restore when none did.
//
// An object named by a reference stays alive after a failure unless every receiver of such a
// reference is either the holder that received it new or the object of the record being read:
// those are unwound with the failure themselves. A reference received elsewhere (a collection
// embedded in another object, a class outside the protocol) may own the object, so it is left
// alone. Objects that other classes receive are theirs: a class that owns what it restores releases
// it in its destructor, which a failed record calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "rw/RWCString.h"
#include "rw/RWDefs.h"
#include "rw/RWError.h"
#include "rw/RWThreadInstanceManager.h"

class RWBinaryFile;
class RWCollectable;
class RWVirtualInStream;

// The process-wide object that stands for the null pointer (class id 0x8007). Made on first use
// and never destroyed.
RWCollectable* RWNilObject();

// Entries of one outermost save (or stored-size pass): object addresses and class names, each
// numbered in the order it was entered. The nil object is entered at 0 on creation.
class RWSaveTable {
 public:
  // What the outermost scope of the table is doing; the other kind of pass must not run inside.
  enum class Purpose { kSave, kSize };
  enum class Outcome { kNew, kKnown, kNoMemory };

  explicit RWSaveTable(Purpose purpose);
  ~RWSaveTable();
  RWSaveTable(const RWSaveTable&) = delete;
  RWSaveTable& operator=(const RWSaveTable&) = delete;

  // Enters a key: kNew with `index` = the number of entries before it, or kKnown with the index it
  // has. Object keys match by address, name keys by their bytes.
  [[nodiscard]] Outcome Add(const RWCollectable* object, std::uint32_t& index);
  [[nodiscard]] Outcome Add(const RWCString& name, std::uint32_t& index);
  // Numbers a new object that nothing else in this save can name (a record that its holder alone
  // holds and writes itself): the index Add would answer with kNew, and no key is entered. A later
  // Add of the same object would not find it.
  std::uint32_t AddUnnamed() { return count_++; }

  std::uint32_t Entries() const { return count_; }
  Purpose GetPurpose() const { return purpose_; }

  // The bookkeeping of one new record while its contents are written (or counted): BeginRecord
  // is false when records would nest deeper than a restore accepts (RWLoadTable::kMaxDepth), so
  // that what one side writes the other reads, and the recursion stays within the stack; the
  // record must then not be written and the save fails. EndRecord after a successful Begin.
  [[nodiscard]] inline bool BeginRecord();
  void EndRecord() { --depth_; }

  static constexpr std::uint32_t kInitialBuckets = 64;

  // Empties a table that never grew beyond its first buckets and nodes, for another save with
  // `purpose` (the nil object entered again at 0); false, and nothing changed, for a larger one.
  bool Reuse(Purpose purpose);
  // For an empty table (as Reuse leaves it).
  void SetPurpose(Purpose purpose) { purpose_ = purpose; }

 private:
  struct Node;
  struct Chunk;

  Outcome Enter(const void* address,
                const RWCString* name,
                std::uint32_t hash,
                std::uint32_t& index);
  Node* NewNode();
  void Grow();

  Purpose purpose_;
  std::uint32_t depth_ = 0;
  Node** buckets_ = nullptr;
  std::uint32_t bucket_count_ = 0;
  std::uint32_t count_ = 0;
  // The keys entered (count_ less the unnamed objects): the load of the buckets.
  std::uint32_t keys_ = 0;
  Chunk* chunks_ = nullptr;
  std::uint32_t chunk_used_ = 0;
};

// Entries of one outermost restore, in the order the records began. See the top of this file.
class RWLoadTable {
 public:
  enum class Kind : std::uint8_t { kObject, kClassId, kFreed };

  // Room for 30 entries; the nil object is entry 0.
  RWLoadTable();
  // Frees what a failed or refused restore left unheld (see SweepOrphans); nothing else.
  ~RWLoadTable();
  RWLoadTable(const RWLoadTable&) = delete;
  RWLoadTable& operator=(const RWLoadTable&) = delete;

  static constexpr std::uint32_t kInitialCapacity = 30;
  // Records nested deeper than this are refused, so corrupt data cannot exhaust the stack. Each
  // level costs about 1 KiB of stack in the library and the class's own restore under the
  // sanitizers; 500 levels leave room for heavier classes within the 1 MiB stack of the threads
  // the system runs on. Sound data nests a few levels deep.
  static constexpr std::uint32_t kMaxDepth = 500;

  std::uint32_t Count() const { return count_; }
  std::uint32_t Capacity() const { return capacity_; }

  // Sweeps the orphans (as the destructor does) and empties a table that never grew beyond its
  // first entries, for another restore (the nil object entered again at 0); false, and only the
  // orphans swept, for a larger one.
  bool Reuse();

  // Appends an entry; false when memory is short (the table grows by the library's buffer rule).
  [[nodiscard]] bool AppendObject(RWCollectable* object, bool made) {
    return AppendEntry(object, made, false);
  }
  [[nodiscard]] bool AppendClassId(RWClassID id);
  // The entry of a new object that a holder made from a record it reads itself, as the record
  // reader would, and keeps as RWHold::kOwns (no holder named, the object made by this restore).
  // The holder brackets the object's contents with BeginRecord and EndRecord or FailRecord.
  [[nodiscard]] bool AppendOwnedObject(RWCollectable* object) {
    return AppendEntry(object, true, true);
  }

  // Resolves a reference: the object of entry k, or false when k is no entry or not an object.
  // A resolved reference marks the entry as named (see RWRestoredMember).
  [[nodiscard]] bool ResolveObject(std::int32_t k, RWCollectable*& object);
  // The class id of entry k, or false when k is no entry or not a class id.
  [[nodiscard]] bool ResolveClassId(std::int32_t k, RWClassID& id) const;

  // The bookkeeping of one record whose object is entry `index`: BeginRecord before its contents
  // are read (false when records nest deeper than kMaxDepth: the record must not be read and the
  // caller fails it), EndRecord after them. FailRecord instead, when they could not be read: it
  // frees what the record made (Unwind).
  [[nodiscard]] bool BeginRecord(std::uint32_t index) {
    if (depth_ >= kMaxDepth) {
      return false;
    }
    records_[depth_++] = index;
    entries_[index].open = true;
    return true;
  }
  void EndRecord(std::uint32_t index) {
    --depth_;
    entries_[index].open = false;
    entries_[index].end = count_;
  }
  void FailRecord(std::uint32_t index);

  // Frees, and makes the holder forget, every object that `holder` received new since entry
  // `start` and alone holds; used by a holder whose own restore failed.
  void UnwindHeldBy(const RWCollectable* holder, std::uint32_t start);
  // Frees every object that was refused and never named afterwards.
  void SweepOrphans();

 private:
  friend class RWRestoredMember;

  struct Entry {
    RWCollectable* object;
    const RWCollectable* holder;  // the holder that received it new, or null
    std::uint32_t end;            // one past the last entry made while its record was read
    RWClassID id;
    Kind kind;
    bool made;    // made by this restore (not the nil object, not an object given to fill)
    bool owned;   // its holder owns it and frees it itself
    bool orphan;  // refused by the holder that received it new
    bool named;   // named by a reference that may keep it (see the top of this file)
    bool open;    // its record is being read
  };

  [[nodiscard]] bool Append(const Entry& entry);
  // An object's entry, in place while the capacity lasts.
  [[nodiscard]] bool AppendEntry(RWCollectable* object, bool made, bool owned) {
    if (count_ < capacity_) {
      Entry& entry = entries_[count_];
      entry = Entry{};
      entry.object = object;
      entry.kind = Kind::kObject;
      entry.made = made;
      entry.owned = owned;
      entry.end = ++count_;
      return true;
    }
    return AppendGrowing(object, made, owned);
  }
  // AppendEntry on a full table.
  [[nodiscard]] bool AppendGrowing(RWCollectable* object, bool made, bool owned);
  // Frees what entry i's object alone holds, makes it forget that, marks the entries of its record
  // freed and frees the object itself when `free_object` and this restore made it.
  void Unwind(std::uint32_t i, bool free_object);
  // Unwinds the entries from `start` to `end` (skipping nested records) that `holder` received new
  // and that nothing else named.
  void UnwindRange(const RWCollectable* holder, std::uint32_t start, std::uint32_t end);
  // The object of the innermost record being read, or null.
  const RWCollectable* CurrentRecordObject() const;
  // Unwinds the orphans from `start` to `end` that nothing named.
  void FreeOrphans(std::uint32_t start, std::uint32_t end);

  Entry* entries_ = nullptr;
  std::uint32_t count_ = 0;
  std::uint32_t capacity_ = 0;
  // Whether a holder has refused an object it received new since the table was emptied (only then
  // can there be orphans to free).
  bool may_have_orphans_ = false;
  // The last entry that ResolveObject resolved, and whether it was named before.
  std::uint32_t last_resolved_ = 0;
  bool last_resolved_was_named_ = false;
  // The entries of the records being read, innermost last.
  std::uint32_t depth_ = 0;
  std::uint32_t records_[kMaxDepth] = {};
};

bool RWSaveTable::BeginRecord() {
  if (depth_ >= RWLoadTable::kMaxDepth) {
    return false;
  }
  ++depth_;
  return true;
}

// The per-thread managers of the two tables.
class RWSaveTableManager : public RWThreadInstanceManager {
 public:
  // The purpose of a table that the next CreateForThread on this thread makes.
  void SetNextPurpose(RWSaveTable::Purpose purpose);
  static RWSaveTableManager& Instance();

 protected:
  void* CreateInstance() override;
  void DeleteInstance(void* instance) override;
};

class RWLoadTableManager : public RWThreadInstanceManager {
 public:
  static RWLoadTableManager& Instance();

 protected:
  void* CreateInstance() override;
  void DeleteInstance(void* instance) override;
};

namespace rwstore_detail {

// The tables of the save and of the restore running on this thread, while one runs.
extern constinit thread_local RWSaveTable* current_save_table;
extern constinit thread_local RWLoadTable* current_load_table;

}  // namespace rwstore_detail

// The table of the save (or stored-size pass) and of the restore running on the calling thread, or
// null while none runs. A class that writes or reads some of its members' records itself numbers
// them in these tables as the record writer and reader would.
inline RWSaveTable* RWCurrentSaveTable() {
  return rwstore_detail::current_save_table;
}
inline RWLoadTable* RWCurrentLoadTable() {
  return rwstore_detail::current_load_table;
}

// Gives the calling thread's save table to one save (or stored-size pass): the outermost scope on
// the thread makes the table and owns it, nested scopes share it. Table() is null only when memory
// is short.
class RWSaveTableScope {
 public:
  // A nested scope costs a look at the thread's table only.
  explicit RWSaveTableScope(RWSaveTable::Purpose purpose)
      : table_(rwstore_detail::current_save_table) {
    if (table_ == nullptr) {
      Open(purpose);
    }
  }
  ~RWSaveTableScope() {
    if (owner_) {
      Close();
    }
  }
  RWSaveTableScope(const RWSaveTableScope&) = delete;
  RWSaveTableScope& operator=(const RWSaveTableScope&) = delete;

  RWSaveTable* Table() const { return table_; }
  bool IsOwner() const { return owner_; }

 private:
  void Open(RWSaveTable::Purpose purpose);
  void Close();

  RWSaveTable* table_ = nullptr;
  bool owner_ = false;
  bool from_manager_ = false;  // the manager made the table (no spare one was kept)
};

// The same for restores. The outermost scope also marks the thread as reading untrusted data
// (RWSoftErrorScope) for as long as it lives, and sweeps orphans before it releases the table.
class RWLoadTableScope {
 public:
  RWLoadTableScope() : table_(rwstore_detail::current_load_table) {
    if (table_ == nullptr) {
      Open();
    }
  }
  ~RWLoadTableScope() {
    if (owner_) {
      Close();
    }
  }
  RWLoadTableScope(const RWLoadTableScope&) = delete;
  RWLoadTableScope& operator=(const RWLoadTableScope&) = delete;

  RWLoadTable* Table() const { return table_; }
  bool IsOwner() const { return owner_; }

 private:
  void Open();
  void Close();

  // Engaged in the outermost scope; nested scopes run inside it. Released after Close, so that
  // errors are still soft while the table frees the orphans.
  std::optional<RWSoftErrorScope> soft_errors_;
  RWLoadTable* table_ = nullptr;
  bool owner_ = false;
  bool from_manager_ = false;  // the manager made the table (no spare one was kept)
};

// How a holder keeps an object that RWRestoredMember gave it.
enum class RWHold {
  kHolds,    // keeps it without owning it
  kOwns,     // keeps it and frees it itself (only for objects it received new)
  kRefuses,  // does not keep it
};

// Restores one pointer for a holder in the holder protocol (see the top of this file), then
// records how the holder kept it. Keep must be called once the holder has decided; an object that
// is never kept counts as refused. The stream (or file) is failed as by operator>>.
class RWRestoredMember {
 public:
  RWRestoredMember(RWVirtualInStream& stream, const RWCollectable* holder);
  RWRestoredMember(RWBinaryFile& file, const RWCollectable* holder);
  ~RWRestoredMember();
  RWRestoredMember(const RWRestoredMember&) = delete;
  RWRestoredMember& operator=(const RWRestoredMember&) = delete;

  // The object restored (null for a null pointer or after a failure).
  RWCollectable* Object() const { return object_; }
  // True when this restore made the object (a new record), false for a reference.
  bool IsNew() const { return is_new_; }
  // True for a reference to a record still being read: an object that holds the holder, directly
  // or through others. A holder that owns what it keeps must refuse it, or the two would own each
  // other.
  bool NamesOpenRecord() const;
  void Keep(RWHold how);

 private:
  void Take(std::uint32_t count_before);

  RWLoadTableScope scope_;
  const RWCollectable* holder_;
  RWCollectable* object_ = nullptr;
  std::uint32_t index_ = 0;  // the object's entry
  bool is_new_ = false;
  bool was_named_ = false;  // a reference's entry was named before this one
  bool kept_ = false;
};
