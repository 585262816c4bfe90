// The identity set of collectable pointers.
#include "rw/RWIdentitySet.h"

#include <new>

RWCollectable* RWIdentitySet::CreateInstance() const {
  return new (std::nothrow) RWIdentitySet;
}

RWCollectable* RWIdentitySet::Clone() const {
  return new (std::nothrow) RWIdentitySet(*this);
}

RWClassID RWIdentitySet::IsA() const {
  return kRWIdentitySetClassId;
}

RWCollectable* RWIdentitySet::Create() {
  return new (std::nothrow) RWIdentitySet;
}

std::uint32_t RWIdentitySet::Hash() const {
  return HashWithMembers([](const RWCollectable* member) { return AddressHash(member); },
                         MemberOrder::kAny, Members::kAll);
}

std::uint32_t RWIdentitySet::AddressHash(const void* address) {
  const std::uint32_t a = FoldAddress(address);
  return (a >> 3) ^ a;
}

RWCollectable* RWIdentitySet::Find(const RWCollectable* item) const {
  const RWSlistCollectables* list = item != nullptr ? BucketFor(AddressHash(item)) : nullptr;
  return list != nullptr && list->ContainsReference(item) ? const_cast<RWCollectable*>(item)
                                                          : nullptr;
}

RWCollectable* RWIdentitySet::Insert(RWCollectable* item) {
  if (item == nullptr || Buckets() == 0) {
    return nullptr;
  }
  const std::uint32_t index = BucketIndex(AddressHash(item));
  if (const RWSlistCollectables* list = Bucket(index)) {
    if (list->ContainsReference(item)) {
      return item;
    }
  }
  return InsertInBucket(index, item);
}

std::uint32_t RWIdentitySet::OccurrencesOf(const RWCollectable* item) const {
  return Find(item) != nullptr ? 1 : 0;
}

RWCollectable* RWIdentitySet::Remove(const RWCollectable* item) {
  RWSlistCollectables* list = item != nullptr ? BucketFor(AddressHash(item)) : nullptr;
  RWCollectable* removed = list != nullptr ? list->RemoveReference(item) : nullptr;
  if (removed != nullptr) {
    CountRemoval();
  }
  return removed;
}
