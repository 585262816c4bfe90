// The hashed set of collectable pointers and its set algebra.
#include "rw/RWSet.h"

#include <new>

namespace {

void Destroy(RWCollectable* item, void*) {
  delete item;
}

struct Containment {
  const RWSet* other;
  bool all = true;
};

void CheckContained(RWCollectable* item, void* client_data) {
  auto* containment = static_cast<Containment*>(client_data);
  if (containment->all && !containment->other->Contains(item)) {
    containment->all = false;
  }
}

struct Intersecting {
  const RWSet* other;
  RWSet* result;
};

void InsertIfContained(RWCollectable* item, void* client_data) {
  const auto* intersecting = static_cast<Intersecting*>(client_data);
  if (intersecting->other->Contains(item)) {
    intersecting->result->Insert(item);
  }
}

}  // namespace

RWCollectable* RWSet::CreateInstance() const {
  return new (std::nothrow) RWSet;
}

RWCollectable* RWSet::Clone() const {
  return new (std::nothrow) RWSet(*this);
}

RWClassID RWSet::IsA() const {
  return kRWSetClassId;
}

RWCollectable* RWSet::Create() {
  return new (std::nothrow) RWSet;
}

void RWSet::ClearAndDestroy() {
  Apply(Destroy, nullptr);
  Clear();
}

RWCollectable* RWSet::Insert(RWCollectable* item) {
  if (item == nullptr || Buckets() == 0) {
    return nullptr;
  }
  const std::uint32_t index = BucketIndex(item->Hash());
  if (const RWSlistCollectables* list = Bucket(index)) {
    if (RWCollectable* present = list->Find(item)) {
      return present;
    }
    // An object that is not equal to itself is still held only once: ClearAndDestroy deletes
    // every member.
    if (list->ContainsReference(item)) {
      return item;
    }
  }
  return InsertInBucket(index, item);
}

std::uint32_t RWSet::OccurrencesOf(const RWCollectable* item) const {
  return Find(item) != nullptr ? 1 : 0;
}

bool RWSet::IsSubsetOf(const RWSet& other) const {
  Containment containment{&other};
  Apply(CheckContained, &containment);
  return containment.all;
}

bool RWSet::IsProperSubsetOf(const RWSet& other) const {
  return other.Entries() > Entries() && IsSubsetOf(other);
}

RWSet& RWSet::IntersectWith(const RWSet& other) {
  if (other.IsEmpty()) {
    Clear();
    return *this;
  }
  RWSetIterator members(*this);
  while (RWCollectable* item = members.Next()) {
    if (!other.Contains(item)) {
      members.RemoveCurrent();
    }
  }
  return *this;
}

RWSet& RWSet::Intersection(const RWSet& other, RWSet& result) const {
  const bool walk_other = other.Entries() <= Entries();
  Intersecting intersecting{walk_other ? this : &other, &result};
  (walk_other ? other : *this).Apply(InsertIfContained, &intersecting);
  return result;
}
