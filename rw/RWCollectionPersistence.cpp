// Saving and restoring collections and associations, on a virtual stream or a binary file.
//
// Collection contents:
//
//   u32   member count n (Put(unsigned int) on a stream, 4 bytes in a file)
//   n     object records (rw/RWCollectablePersistence.cpp), one per member in Apply order
//
// Association contents: the key's object record, then the value's.
#include "rw/RWBTreeDictionary.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWCollectableAssociation.h"
#include "rw/RWCollectionBase.h"
#include "rw/RWHashTable.h"
#include "rw/RWSequenceable.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

// The two carriers seen alike: whether the restore may go on, and failing it.
bool Good(const RWVirtualInStream& stream) {
  return stream.Good() != 0;
}
bool Good(const RWVirtualOutStream& stream) {
  return stream.Good() != 0;
}
bool Good(const RWBinaryFile& file) {
  return !file.Eof() && !file.Error();
}
void Fail(RWVirtualInStream& stream) {
  stream.SetStatus(stream.Status() | kRWStreamFail);
}
void Fail(RWBinaryFile& file) {
  file.SetError();
}

bool ReadCount(RWVirtualInStream& stream, std::uint32_t& count) {
  unsigned int value = 0;
  stream.Get(value);
  count = value;
  return stream.Good() != 0;
}
bool ReadCount(RWBinaryFile& file, std::uint32_t& count) {
  return file.Read(count);
}
void WriteCount(RWVirtualOutStream& stream, std::uint32_t count) {
  stream.Put(static_cast<unsigned int>(count));
}
void WriteCount(RWBinaryFile& file, std::uint32_t count) {
  (void)file.Write(count);
}

template <typename Carrier>
struct Saving {
  Carrier* carrier;
};

template <typename Carrier>
void SaveMember(RWCollectable* item, void* client_data) {
  Carrier& carrier = *static_cast<Saving<Carrier>*>(client_data)->carrier;
  if (Good(carrier)) {
    carrier << item;
  }
}

void AddStoredSize(RWCollectable* item, void* client_data) {
  *static_cast<std::uint32_t*>(client_data) += RWTotalStoredSize(item);
}

template <typename Carrier>
void SaveCollection(const RWCollectionBase& collection, Carrier& carrier) {
  // The members share one table, as their restore does, also when the contents are saved on
  // their own rather than inside the collection's record.
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  WriteCount(carrier, collection.Entries());
  if (!Good(carrier)) {
    return;
  }
  Saving<Carrier> saving{&carrier};
  collection.Apply(SaveMember<Carrier>, &saving);
}

// Reads one member and inserts it; false when the restore must stop.
template <typename Carrier>
bool RestoreMember(RWCollectionBase& collection, Carrier& carrier, bool owns, bool keeps_null) {
  RWRestoredMember member(carrier, &collection);
  if (!Good(carrier)) {
    return false;
  }
  RWCollectable* item = member.Object();
  if (item == nullptr) {
    if (keeps_null) {
      const std::uint32_t before = collection.Entries();
      collection.Insert(nullptr);
      return collection.Entries() == before + 1;
    }
    return true;  // hashed and sorted collections cannot hold null
  }
  if (owns && !member.IsNew()) {
    // A collection that owns its members takes a copy of an object held elsewhere, so that no
    // object has two owners.
    member.Keep(RWHold::kRefuses);
    RWCollectable* copy = item->Clone();
    if (copy == nullptr) {
      return false;
    }
    RWCollectable* held = collection.Insert(copy);
    if (held != copy) {
      delete copy;
    }
    return held != nullptr;
  }
  RWCollectable* held = collection.Insert(item);
  if (held == item) {
    member.Keep(owns ? RWHold::kOwns : RWHold::kHolds);
    return true;
  }
  // Refused: a duplicate stays with the restore (a later reference may name it); an item that
  // cannot be a member at all, or a collection out of memory, fails the restore.
  member.Keep(RWHold::kRefuses);
  return held != nullptr;
}

// A restored hashed collection grows its buckets beyond this many members per bucket.
constexpr std::uint32_t kMembersPerBucket = 4;

template <typename Carrier>
void RestoreCollection(RWCollectionBase& collection, Carrier& carrier) {
  collection.Clear();
  RWLoadTableScope scope;
  RWLoadTable* table = scope.Table();
  if (table == nullptr) {
    Fail(carrier);
    return;
  }
  const std::uint32_t start = table->Count();
  std::uint32_t count = 0;
  if (!ReadCount(carrier, count)) {
    return;
  }
  const bool owns = dynamic_cast<RWBTreeDictionary*>(&collection) != nullptr;
  const bool keeps_null = dynamic_cast<RWSequenceable*>(&collection) != nullptr;
  auto* hashed = dynamic_cast<RWHashTable*>(&collection);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!RestoreMember(collection, carrier, owns, keeps_null)) {
      Fail(carrier);
      table->UnwindHeldBy(&collection, start);
      collection.Clear();
      return;
    }
    // A set compares each new member with its bucket: a table left at its default size would make
    // a large restore quadratic. It grows once the members far outnumber the buckets (the same
    // factor each time, so the restore stays linear); memory short, it keeps its buckets.
    if (hashed != nullptr && hashed->Entries() > kMembersPerBucket * hashed->Buckets()) {
      hashed->Resize(hashed->Entries());
    }
  }
}

// True when following keys through associations comes back to `association`, or goes on for
// longer than any stored graph nests.
bool KeyLoops(const RWCollectableAssociation* association) {
  const RWCollectable* key = association->Key();
  for (std::uint32_t steps = 0; key != nullptr; ++steps) {
    if (key == association || steps == RWLoadTable::kMaxDepth) {
      return true;
    }
    if (key->IsA() != kRWCollectableAssociationClassId) {
      return false;  // other keys (identity associations too) order and match without recursing
    }
    key = static_cast<const RWCollectableAssociation*>(key)->Key();
  }
  return false;
}

}  // namespace

std::uint32_t RWCollectionBase::StoredByteCount() const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSize);  // counted as SaveContents numbers them
  std::uint32_t size = 4;
  Apply(AddStoredSize, &size);
  return size;
}

void RWCollectionBase::SaveContents(RWVirtualOutStream& stream) const {
  SaveCollection(*this, stream);
}

void RWCollectionBase::SaveContents(RWBinaryFile& file) const {
  SaveCollection(*this, file);
}

void RWCollectionBase::RestoreContents(RWVirtualInStream& stream) {
  RestoreCollection(*this, stream);
}

void RWCollectionBase::RestoreContents(RWBinaryFile& file) {
  RestoreCollection(*this, file);
}

void RWCollectionBase::ForgetRestoredMembers() {
  Clear();
}

// The key and the value share one table, as in their restore (see SaveCollection).
std::uint32_t RWCollectableAssociation::StoredByteCount() const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSize);
  const std::uint32_t key_size = RWTotalStoredSize(key_);
  return key_size + RWTotalStoredSize(value_);
}

void RWCollectableAssociation::SaveContents(RWVirtualOutStream& stream) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  stream << key_ << value_;
}

void RWCollectableAssociation::SaveContents(RWBinaryFile& file) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  file << key_ << value_;
}

namespace {

template <typename Carrier>
void RestoreAssociation(RWCollectableAssociation& association,
                        RWCollectable*& key,
                        RWCollectable*& value,
                        Carrier& carrier) {
  key = nullptr;
  value = nullptr;
  RWLoadTableScope scope;
  RWLoadTable* table = scope.Table();
  if (table == nullptr) {
    Fail(carrier);
    return;
  }
  const std::uint32_t start = table->Count();
  {
    RWRestoredMember member(carrier, &association);
    key = member.Object();
    member.Keep(RWHold::kHolds);
  }
  if (Good(carrier)) {
    RWRestoredMember member(carrier, &association);
    value = member.Object();
    member.Keep(RWHold::kHolds);
  }
  if (!Good(carrier) || KeyLoops(&association)) {
    Fail(carrier);
    table->UnwindHeldBy(&association, start);
    key = nullptr;
    value = nullptr;
  }
}

}  // namespace

void RWCollectableAssociation::RestoreContents(RWVirtualInStream& stream) {
  RestoreAssociation(*this, key_, value_, stream);
}

void RWCollectableAssociation::RestoreContents(RWBinaryFile& file) {
  RestoreAssociation(*this, key_, value_, file);
}

void RWCollectableAssociation::ForgetRestoredMembers() {
  key_ = nullptr;
  value_ = nullptr;
}
