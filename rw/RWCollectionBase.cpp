// The operations written once for every collection.
#include "rw/RWCollectionBase.h"

#include <new>

#include "rw/RWBTreeDictionary.h"
#include "rw/RWIdentitySet.h"
#include "rw/RWSet.h"
#include "rw/RWSlistCollectables.h"

namespace {

thread_local int t_equality_depth = 0;
// Nested collection comparisons made since the outermost one on this thread began.
thread_local std::uint32_t t_equality_steps = 0;

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

RWEqualityDepth::RWEqualityDepth() {
  if (t_equality_depth == 0) {
    t_equality_steps = 0;
  }
  ++t_equality_depth;
  if (t_equality_steps <= kMaxSteps) {
    ++t_equality_steps;
  }
}

RWEqualityDepth::~RWEqualityDepth() {
  --t_equality_depth;
}

bool RWEqualityDepth::Exceeded() const {
  return t_equality_depth > kMaxDepth || t_equality_steps > kMaxSteps;
}

RWClassID RWCollectionBase::IsA() const {
  return kRWCollectionBaseClassId;
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
