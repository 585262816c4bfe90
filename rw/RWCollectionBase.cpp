// The operations written once for every collection.
#include "rw/RWCollectionBase.h"

#include <functional>
#include <new>
#include <unordered_map>
#include <vector>

#include "rw/RWBTreeDictionary.h"
#include "rw/RWIdentitySet.h"
#include "rw/RWSet.h"
#include "rw/RWSlistCollectables.h"

namespace {

// The comparisons of collections under way on this thread, outermost first, and the results
// remembered within the outermost one.
struct EqualityFrame {
  const RWCollectable* self;
  const RWCollectable* other;
  std::uint32_t nested;  // collection comparisons made directly inside this one
};

struct EqualityPair {
  const RWCollectable* self;
  const RWCollectable* other;
  bool operator==(const EqualityPair&) const = default;
};

struct EqualityPairHash {
  std::size_t operator()(const EqualityPair& pair) const {
    const std::hash<const void*> hash;
    return hash(pair.self) * 31 + hash(pair.other);
  }
};

struct EqualityState {
  std::vector<EqualityFrame> frames;
  std::unordered_map<EqualityPair, bool, EqualityPairHash> known;
};

thread_local EqualityState t_equality;
// A table of remembered results larger than this is released when its comparison ends.
constexpr std::size_t kKeepBuckets = 1024;

// The collection hashes being made on this thread (see RWCollectionBase::Hash).
thread_local int t_hash_depth = 0;

// Spreads a 32-bit value over all bits (the finaliser of MurmurHash3).
std::uint32_t Mix(std::uint32_t h) {
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  h *= 0xC2B2AE35u;
  h ^= h >> 16;
  return h;
}

struct MemberHashing {
  std::uint32_t (*member_hash)(const RWCollectable*);
  bool in_order;
  bool skip_collections;
  std::uint32_t count;
  std::uint32_t combined;
};

void AddMemberHash(RWCollectable* item, void* client_data) {
  auto* hashing = static_cast<MemberHashing*>(client_data);
  if (hashing->skip_collections && dynamic_cast<const RWCollectionBase*>(item) != nullptr) {
    return;
  }
  const std::uint32_t h = Mix(hashing->member_hash(item));
  hashing->combined = hashing->in_order ? hashing->combined * 31 + h : hashing->combined + h;
  ++hashing->count;
}

std::uint32_t ClassHash(RWClassID id) {
  return Mix(id * 0x9E3779B1u);
}

void InsertInto(RWCollectable* item, void* client_data) {
  static_cast<RWCollectionBase*>(client_data)->Insert(item);
}

void RemoveFrom(RWCollectable* item, void* client_data) {
  static_cast<RWCollectionBase*>(client_data)->Remove(item);
}

void InsertCopyInto(RWCollectable* item, void* client_data) {
  if (item == nullptr) {
    return;
  }
  RWCollectable* copy = item->Clone();
  if (copy == nullptr) {
    return;
  }
  if (static_cast<RWCollectionBase*>(client_data)->Insert(copy) != copy) {
    delete copy;
  }
}

void InsertNonNull(RWCollectable* item, void* client_data) {
  if (item != nullptr) {
    static_cast<RWCollectionBase*>(client_data)->Insert(item);
  }
}

void Destroy(RWCollectable* item, void*) {
  delete item;
}

// A dictionary owns its associations and deletes them with itself. One that receives the members
// of another dictionary takes copies of them, so that no association has two owners.
bool TakesCopiesFrom(const RWCollectionBase& target, const RWCollectionBase& source) {
  return &target != &source && dynamic_cast<const RWBTreeDictionary*>(&target) != nullptr &&
         dynamic_cast<const RWBTreeDictionary*>(&source) != nullptr;
}

struct Selection {
  RWTestCollectable test;
  const void* client_data;
  RWCollectionBase* result;
  bool copies;
};

void InsertSelected(RWCollectable* item, void* client_data) {
  auto* selection = static_cast<Selection*>(client_data);
  if (selection->test(item, selection->client_data) == 0) {
    return;
  }
  if (selection->copies) {
    InsertCopyInto(item, selection->result);
  } else {
    selection->result->Insert(item);
  }
}

// Walking a collection while inserting into it could reach the new members (a list appends them
// behind the walk), so a collection that feeds itself walks a snapshot of its members.
void ApplyToSnapshot(const RWCollectionBase& source,
                     RWApplyCollectable function,
                     void* client_data) {
  RWSlistCollectables snapshot;
  source.Apply(InsertInto, &snapshot);
  snapshot.Apply(function, client_data);
}

}  // namespace

RWEqualityDepth::RWEqualityDepth(const RWCollectable* self, const RWCollectable* other)
    : self_(self), other_(other) {
  EqualityState& state = t_equality;
  if (state.frames.empty()) {
    state.known.clear();
  } else {
    ++state.frames.back().nested;
  }
  if (self != nullptr) {
    for (const EqualityFrame& frame : state.frames) {
      if (frame.self == self && frame.other == other) {
        repeated_ = true;
        break;
      }
    }
  }
  state.frames.push_back({self, other, 0});
}

RWEqualityDepth::~RWEqualityDepth() {
  EqualityState& state = t_equality;
  state.frames.pop_back();
  if (state.frames.empty() && state.known.bucket_count() > kKeepBuckets) {
    std::unordered_map<EqualityPair, bool, EqualityPairHash>().swap(state.known);
  }
}

bool RWEqualityDepth::Exceeded() const {
  return repeated_ || t_equality.frames.size() > static_cast<std::size_t>(kMaxDepth);
}

bool RWEqualityDepth::Known(bool* equal) const {
  const EqualityState& state = t_equality;
  if (self_ == nullptr || state.known.empty()) {
    return false;
  }
  const auto found = state.known.find({self_, other_});
  if (found == state.known.end()) {
    return false;
  }
  *equal = found->second;
  return true;
}

bool RWEqualityDepth::Remember(bool equal) const {
  EqualityState& state = t_equality;
  // Only a comparison that branched into several nested ones can be costly to repeat; leaves are
  // cheaper to compare again than to remember. The table grows no faster than the work done.
  if (self_ != nullptr && state.frames.back().nested >= 2) {
    state.known.emplace(EqualityPair{self_, other_}, equal);
  }
  return equal;
}

RWClassID RWCollectionBase::IsA() const {
  return kRWCollectionBaseClassId;
}

std::uint32_t RWCollectionBase::Hash() const {
  if (t_hash_depth > 0) {
    return ClassHash(IsA());
  }
  return Mix(ClassHash(IsA()) + Entries());
}

std::uint32_t RWCollectionBase::HashWithMembers(std::uint32_t (*member_hash)(const RWCollectable*),
                                                MemberOrder order,
                                                Members taken) const {
  if (t_hash_depth > 0) {
    return ClassHash(IsA());
  }
  ++t_hash_depth;
  MemberHashing hashing{member_hash, order == MemberOrder::kAsApplied,
                        taken == Members::kNotCollections, 0, 0};
  Apply(AddMemberHash, &hashing);
  --t_hash_depth;
  return Mix(Mix(ClassHash(IsA()) + hashing.count) ^ hashing.combined);
}

void RWCollectionBase::ClearAndDestroy() {
  // The identity set keeps an object held several times once, so it is deleted once. A member
  // that cannot be entered for want of memory is forgotten rather than risk deleting it twice.
  RWIdentitySet distinct(Entries() / 4);
  Apply(InsertNonNull, &distinct);
  distinct.Apply(Destroy, nullptr);
  distinct.Clear();
  Clear();
}

bool RWCollectionBase::Contains(const RWCollectable* item) const {
  return Find(item) != nullptr;
}

bool RWCollectionBase::RemoveAndDestroy(const RWCollectable* item) {
  RWCollectable* removed = Remove(item);
  if (removed == nullptr) {
    return false;
  }
  delete removed;
  return true;
}

void RWCollectionBase::AddAll(const RWCollectionBase& other) {
  if (TakesCopiesFrom(*this, other)) {
    other.Apply(InsertCopyInto, this);
    return;
  }
  if (&other == this) {
    ApplyToSnapshot(other, InsertInto, this);
    return;
  }
  other.Apply(InsertInto, this);
}

void RWCollectionBase::RemoveAll(const RWCollectionBase& other) {
  if (&other == this) {
    // Every member is removed once for each time it is held: nothing is left.
    Clear();
    return;
  }
  other.Apply(RemoveFrom, this);
}

void RWCollectionBase::CopyInto(RWCollectionBase& other) const {
  other.AddAll(*this);
}

void RWCollectionBase::CopyDeepInto(RWCollectionBase& other) const {
  if (&other == this) {
    ApplyToSnapshot(*this, InsertCopyInto, &other);
    return;
  }
  Apply(InsertCopyInto, &other);
}

RWCollectionBase* RWCollectionBase::Select(RWTestCollectable test, const void* client_data) const {
  RWCollectable* made = CreateInstance();
  auto* result = dynamic_cast<RWCollectionBase*>(made);
  if (result == nullptr) {
    delete made;
    return nullptr;
  }
  Selection selection{test, client_data, result, TakesCopiesFrom(*result, *this)};
  Apply(InsertSelected, &selection);
  return result;
}

RWSet* RWCollectionBase::AsSet() const {
  auto* set = new (std::nothrow) RWSet(Entries() / 2);
  if (set == nullptr) {
    return nullptr;
  }
  Apply(InsertInto, set);
  return set;
}
