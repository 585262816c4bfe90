// The hash table of collectable pointers and its iterator.
#include "rw/RWHashTable.h"

#include <new>

#include "rw/RWError.h"

namespace {

struct Walk {
  const RWHashTable* mine;
  const RWHashTable* theirs;
  bool equal = true;
};

void CompareOccurrences(RWCollectable* item, void* client_data) {
  auto* walk = static_cast<Walk*>(client_data);
  if (walk->equal && walk->mine->OccurrencesOf(item) > walk->theirs->OccurrencesOf(item)) {
    walk->equal = false;
  }
}

}  // namespace

RWHashTable::RWHashTable(std::uint32_t buckets) : buckets_(buckets == 0 ? 2 : buckets) {}

RWHashTable::RWHashTable(const RWHashTable& other)
    : RWCollectionBase(other), buckets_(other.Buckets()) {
  CopyBuckets(other);
}

RWHashTable& RWHashTable::operator=(const RWHashTable& other) {
  if (&other == this) {
    return *this;
  }
  Clear();
  if (buckets_.Resize(other.Buckets())) {
    CopyBuckets(other);
  }
  return *this;
}

RWHashTable::~RWHashTable() {
  Clear();
}

void RWHashTable::CopyBuckets(const RWHashTable& other) {
  if (Buckets() != other.Buckets()) {
    return;
  }
  for (std::uint32_t i = 0; i < Buckets(); ++i) {
    const RWSlistCollectables* list = other.Bucket(i);
    if (list == nullptr || list->IsEmpty()) {
      continue;
    }
    // A list that cannot be copied whole is left out, so the count stays true.
    auto* copy = static_cast<RWSlistCollectables*>(list->Clone());
    if (copy != nullptr) {
      buckets_[i] = copy;
      count_ += copy->Entries();
    }
  }
}

RWCollectable* RWHashTable::CreateInstance() const {
  return new (std::nothrow) RWHashTable;
}

RWCollectable* RWHashTable::Clone() const {
  return new (std::nothrow) RWHashTable(*this);
}

RWClassID RWHashTable::IsA() const {
  return kRWHashTableClassId;
}

RWCollectable* RWHashTable::Create() {
  return new (std::nothrow) RWHashTable;
}

bool RWHashTable::IsEqual(const RWCollectable* other) const {
  if (other == nullptr || other->IsA() != IsA()) {
    return false;
  }
  const RWEqualityDepth guard(this, other);
  if (other == this || guard.Exceeded()) {
    return other == this;
  }
  if (bool known = false; guard.Known(&known)) {
    return known;
  }
  const auto* table = dynamic_cast<const RWHashTable*>(other);
  if (table == nullptr || table->Entries() != Entries()) {
    return false;
  }
  // Every member is checked, with this class's own OccurrencesOf on both sides. A temporary set
  // of the distinct members would merge members that are equal by value, which is wrong for the
  // identity set, where distinct objects count apart however equal they are.
  Walk walk{this, table};
  Apply(CompareOccurrences, &walk);
  return guard.Remember(walk.equal);
}

std::uint32_t RWHashTable::Hash() const {
  return HashWithMembers([](const RWCollectable* member) { return member->Hash(); },
                         MemberOrder::kAny, Members::kNotCollections);
}

void RWHashTable::Apply(RWApplyCollectable function, void* client_data) const {
  for (std::uint32_t i = 0; i < Buckets(); ++i) {
    if (const RWSlistCollectables* list = Bucket(i)) {
      list->Apply(function, client_data);
    }
  }
}

void RWHashTable::Clear() {
  for (std::uint32_t i = 0; i < Buckets(); ++i) {
    delete Bucket(i);
    buckets_[i] = nullptr;
  }
  count_ = 0;
}

RWCollectable* RWHashTable::Find(const RWCollectable* item) const {
  if (item == nullptr) {
    return nullptr;
  }
  const RWSlistCollectables* list = BucketFor(item->Hash());
  return list != nullptr ? list->Find(item) : nullptr;
}

RWCollectable* RWHashTable::Insert(RWCollectable* item) {
  if (item == nullptr || Buckets() == 0) {
    return nullptr;
  }
  return InsertInBucket(BucketIndex(item->Hash()), item);
}

std::uint32_t RWHashTable::OccurrencesOf(const RWCollectable* item) const {
  if (item == nullptr) {
    return 0;
  }
  const RWSlistCollectables* list = BucketFor(item->Hash());
  return list != nullptr ? list->OccurrencesOf(item) : 0;
}

RWCollectable* RWHashTable::Remove(const RWCollectable* item) {
  if (item == nullptr) {
    return nullptr;
  }
  RWSlistCollectables* list = BucketFor(item->Hash());
  RWCollectable* removed = list != nullptr ? list->Remove(item) : nullptr;
  if (removed != nullptr) {
    --count_;
  }
  return removed;
}

RWCollectable* RWHashTable::InsertInBucket(std::uint32_t index, RWCollectable* item) {
  if (index >= Buckets()) {
    RWRaiseIndex(index, Buckets());
    return nullptr;
  }
  if (item == nullptr) {
    return nullptr;
  }
  RWSlistCollectables* list = Bucket(index);
  if (list == nullptr) {
    list = new (std::nothrow) RWSlistCollectables;
    if (list == nullptr) {
      return nullptr;
    }
    buckets_[index] = list;
  }
  if (list->Append(item) == nullptr) {
    return nullptr;
  }
  ++count_;
  return item;
}

void RWHashTable::Resize(std::uint32_t buckets) {
  if (buckets == 0) {
    buckets = count_ < 12 ? 16 : static_cast<std::uint32_t>(std::uint64_t{count_} * 3 / 2);
  }
  RWPointerVector old(buckets);
  if (old.Entries() != buckets) {
    return;
  }
  // `old` takes the current buckets; the table gets the new empty ones.
  buckets_.Swap(old);
  const std::uint32_t old_count = count_;
  count_ = 0;
  bool moved = true;
  for (std::uint32_t i = 0; i < old.Entries() && moved; ++i) {
    auto* list = static_cast<RWSlistCollectables*>(old[i]);
    if (list == nullptr) {
      continue;
    }
    RWSlistCollectablesIterator members(*list);
    for (std::uint32_t n = list->Entries(); n > 0 && moved; --n) {
      moved = Insert(members.Next()) != nullptr;
    }
  }
  if (!moved) {
    // Memory ran short: drop the new buckets and keep the old ones, members and all.
    Clear();
    buckets_.Swap(old);
    count_ = old_count;
    return;
  }
  for (std::uint32_t i = 0; i < old.Entries(); ++i) {
    delete static_cast<RWSlistCollectables*>(old[i]);
  }
}

RWHashTableIterator::RWHashTableIterator(RWHashTable& table) : table_(&table) {
  Reset();
}

void RWHashTableIterator::MoveToBucket(std::uint32_t index) {
  bucket_iterator_.reset();
  for (bucket_ = index; bucket_ < table_->Buckets(); ++bucket_) {
    if (RWSlistCollectables* list = table_->Bucket(bucket_)) {
      bucket_iterator_.emplace(*list);
      return;
    }
  }
}

void RWHashTableIterator::Reset() {
  MoveToBucket(0);
}

RWCollectable* RWHashTableIterator::Next() {
  while (bucket_iterator_) {
    if (RWCollectable* item = bucket_iterator_->Next()) {
      return item;
    }
    MoveToBucket(bucket_ + 1);
  }
  return nullptr;
}

RWCollectable* RWHashTableIterator::FindNext(const RWCollectable* item) {
  while (bucket_iterator_) {
    if (RWCollectable* found = bucket_iterator_->FindNext(item)) {
      return found;
    }
    MoveToBucket(bucket_ + 1);
  }
  return nullptr;
}

RWCollectable* RWHashTableIterator::Key() const {
  return bucket_iterator_ ? bucket_iterator_->Key() : nullptr;
}

RWCollectable* RWHashTableIterator::RemoveCurrent() {
  RWCollectable* removed = bucket_iterator_ ? bucket_iterator_->RemoveCurrent() : nullptr;
  if (removed != nullptr) {
    table_->CountRemoval();
  }
  return removed;
}

RWCollectable* RWHashTableIterator::RemoveNext(RWTestCollectable test, const void* client_data) {
  while (bucket_iterator_) {
    if (RWCollectable* removed = bucket_iterator_->RemoveNext(test, client_data)) {
      table_->CountRemoval();
      return removed;
    }
    MoveToBucket(bucket_ + 1);
  }
  return nullptr;
}
