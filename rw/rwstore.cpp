// The store and read tables of object-graph persistence and their per-thread scopes.
#include "rw/rwstore.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <new>

#include "rw/NextBufferSize.h"
#include "rw/RWCollectable.h"

RWCollectable* RWNilObject() {
  // Never destroyed: a save or restore on another thread may still use it while the process ends.
  static RWCollectable* const nil = new RWCollectable;
  return nil;
}

// ---------------------------------------------------------------------------------------------
// RWSaveTable: a chained hash set whose nodes come from chunks that only grow until the table dies.

struct RWSaveTable::Node {
  Node* next = nullptr;
  const void* address = nullptr;  // object keys
  RWCString name;                 // name keys
  std::uint32_t hash = 0;
  std::uint32_t index = 0;
  bool is_name = false;
};

struct RWSaveTable::Chunk {
  Chunk* next = nullptr;
  Node* nodes = nullptr;
  std::uint32_t capacity = 0;
};

namespace {

// Object keys hash as their address a folded to 32 bits: (a >> 3) XOR a.
std::uint32_t AddressHash(const void* address) {
  const std::uint32_t a = RWCollectable::FoldAddress(address);
  return (a >> 3) ^ a;
}

// Spreads a key hash over a power-of-two bucket count (Fibonacci hashing): aligned addresses
// differ only in their middle bits.
std::uint32_t BucketOf(std::uint32_t hash, std::uint32_t bucket_count) {
  return static_cast<std::uint32_t>((std::uint64_t{hash} * 0x9E3779B1u) & 0xFFFFFFFFu) >>
         (32 - std::countr_zero(bucket_count));
}

constexpr std::uint32_t kFirstChunk = 16;
constexpr std::uint32_t kLargestChunk = 4096;

}  // namespace

RWSaveTable::RWSaveTable(Purpose purpose) : purpose_(purpose) {
  buckets_ = new (std::nothrow) Node*[kInitialBuckets]();
  if (buckets_ != nullptr) {
    bucket_count_ = kInitialBuckets;
  }
  std::uint32_t nil_index = 0;
  (void)Add(RWNilObject(), nil_index);
}

RWSaveTable::~RWSaveTable() {
  while (chunks_ != nullptr) {
    Chunk* next = chunks_->next;
    delete[] chunks_->nodes;
    delete chunks_;
    chunks_ = next;
  }
  delete[] buckets_;
}

RWSaveTable::Outcome RWSaveTable::Add(const RWCollectable* object, std::uint32_t& index) {
  return Enter(object, nullptr, AddressHash(object), index);
}

RWSaveTable::Outcome RWSaveTable::Add(const RWCString& name, std::uint32_t& index) {
  return Enter(nullptr, &name, name.Hash(), index);
}

RWSaveTable::Outcome RWSaveTable::Enter(const void* address,
                                        const RWCString* name,
                                        std::uint32_t hash,
                                        std::uint32_t& index) {
  if (buckets_ == nullptr) {
    return Outcome::kNoMemory;
  }
  Node*& head = buckets_[BucketOf(hash, bucket_count_)];
  for (Node* node = head; node != nullptr; node = node->next) {
    if (node->hash != hash || node->is_name != (name != nullptr)) {
      continue;
    }
    if (name != nullptr ? node->name == *name : node->address == address) {
      index = node->index;
      return Outcome::kKnown;
    }
  }
  Node* node = NewNode();
  if (node == nullptr) {
    return Outcome::kNoMemory;
  }
  node->address = address;
  if (name != nullptr) {
    node->name = *name;
    node->is_name = true;
  }
  node->hash = hash;
  node->index = count_;
  node->next = head;
  head = node;
  index = count_++;
  if (++keys_ > 2 * bucket_count_) {
    Grow();
  }
  return Outcome::kNew;
}

bool RWSaveTable::Reuse(Purpose purpose) {
  if (buckets_ == nullptr || bucket_count_ != kInitialBuckets ||
      (chunks_ != nullptr && chunks_->next != nullptr)) {
    return false;
  }
  depth_ = 0;
  purpose_ = purpose;
  // The nil object's node, the first one made, stays: it is entered again as it was.
  Node* nodes = chunks_ != nullptr ? chunks_->nodes : nullptr;
  const bool keeps_nil = chunk_used_ > 0 && !nodes[0].is_name && nodes[0].address == RWNilObject();
  for (std::uint32_t i = 0; i < chunk_used_; ++i) {
    Node& node = nodes[i];
    buckets_[BucketOf(node.hash, kInitialBuckets)] = nullptr;
    if (node.is_name) {
      node.name = RWCString();
      node.is_name = false;
    }
  }
  if (keeps_nil) {
    nodes[0].next = nullptr;
    buckets_[BucketOf(nodes[0].hash, kInitialBuckets)] = &nodes[0];
    chunk_used_ = 1;
    count_ = 1;
    keys_ = 1;
    return true;
  }
  chunk_used_ = 0;
  count_ = 0;
  keys_ = 0;
  std::uint32_t nil_index = 0;
  (void)Add(RWNilObject(), nil_index);
  return true;
}

RWSaveTable::Node* RWSaveTable::NewNode() {
  if (chunks_ == nullptr || chunk_used_ == chunks_->capacity) {
    const std::uint32_t capacity =
        chunks_ == nullptr ? kFirstChunk : std::min(2 * chunks_->capacity, kLargestChunk);
    auto* chunk = new (std::nothrow) Chunk;
    if (chunk == nullptr) {
      return nullptr;
    }
    chunk->nodes = new (std::nothrow) Node[capacity];
    if (chunk->nodes == nullptr) {
      delete chunk;
      return nullptr;
    }
    chunk->capacity = capacity;
    chunk->next = chunks_;
    chunks_ = chunk;
    chunk_used_ = 0;
  }
  return &chunks_->nodes[chunk_used_++];
}

void RWSaveTable::Grow() {
  if (bucket_count_ > 0x10000000u) {
    return;
  }
  const std::uint32_t new_count = 4 * bucket_count_;
  Node** buckets = new (std::nothrow) Node*[new_count]();
  if (buckets == nullptr) {
    return;  // the table keeps working with longer chains
  }
  for (std::uint32_t i = 0; i < bucket_count_; ++i) {
    for (Node* node = buckets_[i]; node != nullptr;) {
      Node* next = node->next;
      Node*& head = buckets[BucketOf(node->hash, new_count)];
      node->next = head;
      head = node;
      node = next;
    }
  }
  delete[] buckets_;
  buckets_ = buckets;
  bucket_count_ = new_count;
}

// ---------------------------------------------------------------------------------------------
// RWLoadTable

RWLoadTable::RWLoadTable() {
  entries_ = new (std::nothrow) Entry[kInitialCapacity];
  if (entries_ != nullptr) {
    capacity_ = kInitialCapacity;
  }
  (void)AppendObject(RWNilObject(), false);
}

RWLoadTable::~RWLoadTable() {
  SweepOrphans();
  delete[] entries_;
}

bool RWLoadTable::Reuse() {
  SweepOrphans();
  if (entries_ == nullptr || capacity_ != kInitialCapacity || count_ == 0) {
    return false;
  }
  // The nil object's entry, as the constructor made it.
  Entry nil{};
  nil.object = RWNilObject();
  nil.kind = Kind::kObject;
  nil.end = 1;
  entries_[0] = nil;
  count_ = 1;
  may_have_orphans_ = false;
  last_resolved_ = 0;
  last_resolved_was_named_ = false;
  depth_ = 0;
  return true;
}

bool RWLoadTable::Append(const Entry& entry) {
  if (count_ == capacity_) {
    const std::uint32_t capacity = NextBufferSize(capacity_, 4);
    if (capacity <= capacity_) {
      return false;
    }
    Entry* entries = new (std::nothrow) Entry[capacity];
    if (entries == nullptr) {
      return false;
    }
    for (std::uint32_t i = 0; i < count_; ++i) {
      entries[i] = entries_[i];
    }
    delete[] entries_;
    entries_ = entries;
    capacity_ = capacity;
  }
  entries_[count_] = entry;
  entries_[count_].end = count_ + 1;
  ++count_;
  return true;
}

bool RWLoadTable::AppendGrowing(RWCollectable* object, bool made, bool owned) {
  Entry entry{};
  entry.object = object;
  entry.kind = Kind::kObject;
  entry.made = made;
  entry.owned = owned;
  return Append(entry);
}

bool RWLoadTable::AppendClassId(RWClassID id) {
  Entry entry{};
  entry.id = id;
  entry.kind = Kind::kClassId;
  return Append(entry);
}

bool RWLoadTable::ResolveObject(std::int32_t k, RWCollectable*& object) {
  if (k < 0 || static_cast<std::uint32_t>(k) >= count_ || entries_[k].kind != Kind::kObject) {
    return false;
  }
  Entry& entry = entries_[k];
  last_resolved_ = static_cast<std::uint32_t>(k);
  last_resolved_was_named_ = entry.named;
  entry.named = true;
  object = entry.object;
  return true;
}

bool RWLoadTable::ResolveClassId(std::int32_t k, RWClassID& id) const {
  if (k < 0 || static_cast<std::uint32_t>(k) >= count_ || entries_[k].kind != Kind::kClassId) {
    return false;
  }
  id = entries_[k].id;
  return true;
}

void RWLoadTable::FailRecord(std::uint32_t index) {
  if (entries_[index].open) {
    --depth_;
    entries_[index].open = false;
  }
  entries_[index].end = count_;
  FreeOrphans(index + 1, count_);
  Unwind(index, true);
}

const RWCollectable* RWLoadTable::CurrentRecordObject() const {
  return depth_ > 0 ? entries_[records_[depth_ - 1]].object : nullptr;
}

void RWLoadTable::Unwind(std::uint32_t i, bool free_object) {
  const Entry& entry = entries_[i];
  if (entry.kind != Kind::kObject) {
    return;
  }
  RWCollectable* object = entry.object;
  const std::uint32_t end = entry.end;
  const bool made = entry.made;
  UnwindRange(object, i + 1, end);
  // The holder forgets what was freed, so that nothing (its destructor, an owner that destroys its
  // members, the caller that gave it) reaches it through the holder again.
  object->ForgetRestoredMembers();
  for (std::uint32_t k = i; k < end; ++k) {
    entries_[k].kind = Kind::kFreed;
  }
  if (free_object && made) {
    delete object;
  }
}

void RWLoadTable::UnwindRange(const RWCollectable* holder, std::uint32_t start, std::uint32_t end) {
  for (std::uint32_t k = start; k < end;) {
    const Entry& entry = entries_[k];
    const std::uint32_t next = entry.end > k ? entry.end : k + 1;
    if (entry.kind == Kind::kObject && entry.holder == holder && entry.made && !entry.named) {
      Unwind(k, !entry.owned);
    }
    k = next;
  }
}

void RWLoadTable::UnwindHeldBy(const RWCollectable* holder, std::uint32_t start) {
  if (may_have_orphans_) {
    FreeOrphans(start, count_);
  }
  UnwindRange(holder, start, count_);
}

void RWLoadTable::FreeOrphans(std::uint32_t start, std::uint32_t end) {
  // Latest first, so that an orphan inside another orphan's record is reached before the outer
  // one marks its record freed.
  for (std::uint32_t k = end; k > start;) {
    --k;
    const Entry& entry = entries_[k];
    if (entry.kind == Kind::kObject && entry.orphan && entry.made && !entry.named) {
      Unwind(k, true);
    }
  }
}

void RWLoadTable::SweepOrphans() {
  if (may_have_orphans_) {
    FreeOrphans(1, count_);
  }
}

// ---------------------------------------------------------------------------------------------
// Managers and scopes

namespace {

thread_local RWSaveTable::Purpose t_next_purpose = RWSaveTable::Purpose::kSave;

}  // namespace

void RWSaveTableManager::SetNextPurpose(RWSaveTable::Purpose purpose) {
  t_next_purpose = purpose;
}

RWSaveTableManager& RWSaveTableManager::Instance() {
  // Never destroyed, like the thread slots it holds.
  static RWSaveTableManager* const manager = new RWSaveTableManager;
  return *manager;
}

namespace {

// Small tables that a save or restore on this thread left, emptied and kept for the next one:
// saving or restoring many small objects one by one (records of a store) then makes no table each
// time.
thread_local std::unique_ptr<RWSaveTable> t_spare_save_table;
thread_local std::unique_ptr<RWLoadTable> t_spare_load_table;

}  // namespace

void* RWSaveTableManager::CreateInstance() {
  if (t_spare_save_table != nullptr) {
    // Emptied when it was kept.
    t_spare_save_table->SetPurpose(t_next_purpose);
    return t_spare_save_table.release();
  }
  return new (std::nothrow) RWSaveTable(t_next_purpose);
}

void RWSaveTableManager::DeleteInstance(void* instance) {
  std::unique_ptr<RWSaveTable> table(static_cast<RWSaveTable*>(instance));
  if (t_spare_save_table == nullptr && table != nullptr && table->Reuse(t_next_purpose)) {
    t_spare_save_table = std::move(table);
  }
}

RWLoadTableManager& RWLoadTableManager::Instance() {
  static RWLoadTableManager* const manager = new RWLoadTableManager;
  return *manager;
}

void* RWLoadTableManager::CreateInstance() {
  if (t_spare_load_table != nullptr) {
    return t_spare_load_table.release();
  }
  auto* table = new (std::nothrow) RWLoadTable;
  if (table != nullptr && table->Count() == 0) {
    delete table;  // not even the nil entry fitted
    return nullptr;
  }
  return table;
}

void RWLoadTableManager::DeleteInstance(void* instance) {
  std::unique_ptr<RWLoadTable> table(static_cast<RWLoadTable*>(instance));
  if (t_spare_load_table == nullptr && table != nullptr && table->Reuse()) {
    t_spare_load_table = std::move(table);
  }
}

// The table of the save and of the restore running on this thread, while one runs: a nested scope
// shares it without asking the manager. An outermost scope takes the thread's spare table itself
// when there is one (records saved or restored one by one take no other step), and asks the
// manager otherwise.
constinit thread_local RWSaveTable* rwstore_detail::current_save_table = nullptr;
constinit thread_local RWLoadTable* rwstore_detail::current_load_table = nullptr;

void RWSaveTableScope::Open(RWSaveTable::Purpose purpose) {
  if (t_spare_save_table != nullptr) {
    table_ = t_spare_save_table.release();
    table_->SetPurpose(purpose);
  } else {
    RWSaveTableManager& manager = RWSaveTableManager::Instance();
    manager.SetNextPurpose(purpose);
    table_ = static_cast<RWSaveTable*>(manager.CreateForThread());
    from_manager_ = true;
  }
  owner_ = table_ != nullptr;
  rwstore_detail::current_save_table = table_;
}

void RWSaveTableScope::Close() {
  rwstore_detail::current_save_table = nullptr;
  if (from_manager_) {
    RWSaveTableManager::Instance().DestroyForThread();
    return;
  }
  std::unique_ptr<RWSaveTable> table(table_);
  if (t_spare_save_table == nullptr && table->Reuse(RWSaveTable::Purpose::kSave)) {
    t_spare_save_table = std::move(table);
  }
}

void RWLoadTableScope::Open() {
  soft_errors_.emplace();
  if (t_spare_load_table != nullptr) {
    table_ = t_spare_load_table.release();
  } else {
    table_ = static_cast<RWLoadTable*>(RWLoadTableManager::Instance().CreateForThread());
    from_manager_ = true;
  }
  owner_ = table_ != nullptr;
  rwstore_detail::current_load_table = table_;
}

void RWLoadTableScope::Close() {
  rwstore_detail::current_load_table = nullptr;
  // The table's destructor, or its Reuse, frees the orphans; errors are still soft while it does.
  if (from_manager_) {
    RWLoadTableManager::Instance().DestroyForThread();
    return;
  }
  std::unique_ptr<RWLoadTable> table(table_);
  if (t_spare_load_table == nullptr && table->Reuse()) {
    t_spare_load_table = std::move(table);
  }
}

// ---------------------------------------------------------------------------------------------
// RWRestoredMember

RWRestoredMember::RWRestoredMember(RWVirtualInStream& stream, const RWCollectable* holder)
    : holder_(holder) {
  const std::uint32_t before = scope_.Table() != nullptr ? scope_.Table()->Count() : 0;
  stream >> object_;
  Take(before);
}

RWRestoredMember::RWRestoredMember(RWBinaryFile& file, const RWCollectable* holder)
    : holder_(holder) {
  const std::uint32_t before = scope_.Table() != nullptr ? scope_.Table()->Count() : 0;
  file >> object_;
  Take(before);
}

void RWRestoredMember::Take(std::uint32_t count_before) {
  RWLoadTable* table = scope_.Table();
  if (object_ == nullptr || table == nullptr) {
    return;
  }
  if (count_before < table->count_ &&
      table->entries_[count_before].kind == RWLoadTable::Kind::kObject &&
      table->entries_[count_before].object == object_ && table->entries_[count_before].made) {
    is_new_ = true;
    index_ = count_before;
    return;
  }
  index_ = table->last_resolved_;
  was_named_ = table->last_resolved_was_named_;
}

void RWRestoredMember::Keep(RWHold how) {
  RWLoadTable* table = scope_.Table();
  if (kept_ || object_ == nullptr || table == nullptr) {
    kept_ = true;
    return;
  }
  kept_ = true;
  RWLoadTable::Entry& entry = table->entries_[index_];
  if (entry.kind != RWLoadTable::Kind::kObject || entry.object != object_) {
    return;
  }
  if (is_new_) {
    entry.holder = holder_;
    entry.owned = how == RWHold::kOwns;
    entry.orphan = how == RWHold::kRefuses;
    table->may_have_orphans_ = table->may_have_orphans_ || entry.orphan;
    return;
  }
  // A reference. A holder that does not keep it leaves the entry as it was.
  if (how == RWHold::kRefuses) {
    entry.named = was_named_;
    return;
  }
  // The holder that received it new, or the object of the record being read (which a failed
  // restore unwinds before it frees what it named), does not keep the object from being freed with
  // the restore. Any other receiver, an embedded collection or a class outside the holder protocol,
  // may own it: then the object is left alone. A refused object that a holder now keeps is no
  // orphan any more (it is still freed with the holder that refused it when a restore fails).
  entry.orphan = false;
  if (holder_ != nullptr && (holder_ == entry.holder || holder_ == table->CurrentRecordObject())) {
    entry.named = was_named_;
  }
}

bool RWRestoredMember::NamesOpenRecord() const {
  const RWLoadTable* table = scope_.Table();
  if (object_ == nullptr || is_new_ || table == nullptr || index_ >= table->count_) {
    return false;
  }
  const RWLoadTable::Entry& entry = table->entries_[index_];
  return entry.kind == RWLoadTable::Kind::kObject && entry.object == object_ && entry.open;
}

RWRestoredMember::~RWRestoredMember() {
  Keep(RWHold::kRefuses);
}
