// MPersistentComposite: children held by counted references, searched depth first, saved in order.
#include "framework/core/MPersistentComposite.h"

#include <new>
#include <type_traits>
#include <utility>

#include "framework/core/ChildSearch.h"
#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GIndexedIterator.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

template <typename Carrier>
bool ReadCount(Carrier& carrier, std::uint32_t& count) {
  if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
    return carrier.Read(count);
  } else {
    unsigned long value = 0;
    carrier.Get(value);
    count = static_cast<std::uint32_t>(value);
    return carrier.Good() != 0;
  }
}

void WriteCount(RWVirtualOutStream& stream, std::uint32_t count) {
  stream.Put(static_cast<unsigned long>(count));
}

void WriteCount(RWBinaryFile& file, std::uint32_t count) {
  (void)file.Write(static_cast<unsigned int>(count));
}

}  // namespace

MPersistentComposite::MPersistentComposite() = default;

MPersistentComposite::MPersistentComposite(std::uint32_t key) : GBaseObject(key) {}

MPersistentComposite::MPersistentComposite(const MPersistentComposite& other)
    : GBaseObject(other), children_(other.children_) {}

MPersistentComposite& MPersistentComposite::operator=(const MPersistentComposite& other) {
  if (this == &other || !IsDifferentKey(&other)) {
    return *this;
  }
  GBaseObject::operator=(other);
  children_ = other.children_;
  return *this;
}

RWClassID MPersistentComposite::ClassId() {
  return vel::classid::kMPersistentComposite;
}

RWCollectable* MPersistentComposite::Create() {
  return new (std::nothrow) MPersistentComposite;
}

RWCollectable* MPersistentComposite::CreateInstance() const {
  return Create();
}

RWCollectable* MPersistentComposite::Clone() const {
  return new (std::nothrow) MPersistentComposite(*this);
}

RWClassID MPersistentComposite::IsA() const {
  return ClassId();
}

bool MPersistentComposite::IsKindOf(RWClassID id) const {
  return id == vel::classid::kMPersistentComposite || GBaseObject::IsKindOf(id);
}

std::uint32_t MPersistentComposite::StoredByteCount() const {
  // One size pass for all children, as their save shares one table.
  RWSaveTableScope scope(RWSaveTable::Purpose::kSize);
  std::uint32_t size = GBaseObject::StoredByteCount() + 8;
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    size += RWTotalStoredSize(children_.TargetAt(i));
  }
  return size;
}

template <typename Carrier>
void MPersistentComposite::Save(Carrier& carrier) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  WriteCount(carrier, children_.Count());
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    carrier << static_cast<const RWCollectable*>(children_.TargetAt(i));
  }
}

void MPersistentComposite::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void MPersistentComposite::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void MPersistentComposite::Restore(Carrier& carrier) {
  RWLoadTableScope scope;  // one restore for every record, as the save shares one table
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  Clear();
  std::uint32_t count = 0;
  if (!ReadCount(carrier, count)) {
    return;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    // No holder is named: the child is kept by its reference word, which the restore's
    // bookkeeping never frees (see the top of the header).
    RWRestoredMember member(carrier, nullptr);
    RWCollectable* object = member.Object();
    const bool accepted = vel::CarrierGood(carrier) &&
                          (object == nullptr || GBaseObject::IsFrameworkObject(object)) &&
                          !member.NamesOpenRecord();
    if (!accepted) {
      member.Keep(RWHold::kRefuses);
      vel::FailCarrier(carrier);
      Clear();
      return;
    }
    member.Keep(member.IsNew() ? RWHold::kOwns : RWHold::kHolds);
    if (object == nullptr) {
      continue;  // a composite holds no empty entries
    }
    // Restores grow the array by doubling, so a long list costs linear time.
    // The array's storage is made at its first insertion, so that one may fail as well as a growth
    // (a child refused so goes with `held`).
    GCountedPtr held(static_cast<GBaseObject*>(object));
    if ((children_.Count() == children_.Capacity() &&
         !children_.Resize(children_.Capacity() < 32 ? 64 : 2 * children_.Capacity())) ||
        !children_.Insert(std::move(held))) {
      vel::FailCarrier(carrier);
      Clear();
      return;
    }
  }
}

void MPersistentComposite::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void MPersistentComposite::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

bool MPersistentComposite::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* composite = dynamic_cast<const MPersistentComposite*>(other);
  if (composite == nullptr || composite->IsA() != IsA() || *composite->Key() != *Key() ||
      composite->Count() != Count()) {
    return false;
  }
  for (std::uint32_t i = 0; i < Count(); ++i) {
    const GBaseObject* mine = children_.TargetAt(i);
    const GBaseObject* theirs = composite->children_.TargetAt(i);
    if (mine == nullptr || mine->IsDifferentKey(theirs)) {
      return false;
    }
  }
  return true;
}

bool MPersistentComposite::Append(GBaseObject* object) {
  return object != nullptr && children_.Insert(GCountedPtr(object));
}

void MPersistentComposite::Add(GBaseObject* object) {
  if (object != nullptr && !Append(object)) {
    vel::DestroyRefused(object, children_.IndexOf(object) != GCountedPtrArray::kNotFound);
  }
}

void MPersistentComposite::Prepend(GBaseObject* object) {
  if (object != nullptr && !children_.InsertAt(0, GCountedPtr(object))) {
    vel::DestroyRefused(object, children_.IndexOf(object) != GCountedPtrArray::kNotFound);
  }
}

GBaseObject* MPersistentComposite::RemoveObject(const GBaseObject* object) {
  return vel::RemoveFirstChild(
      children_, [object](const GBaseObject* child) { return child == object; },
      [object](GBaseObject* child) { return child->RemoveObject(object); });
}

GBaseObject* MPersistentComposite::RemoveByKey(std::uint32_t key) {
  return vel::RemoveFirstChild(
      children_, [key](const GBaseObject* child) { return *child->Key() == key; },
      [key](GBaseObject* child) { return child->RemoveByKey(key); });
}

GBaseObject* MPersistentComposite::RemoveByClassId(RWClassID id) {
  return vel::RemoveFirstChild(
      children_, [id](const GBaseObject* child) { return child->IsA() == id; },
      [id](GBaseObject* child) { return child->RemoveByClassId(id); });
}

int MPersistentComposite::ReplaceByKey(std::uint32_t key, const GBaseObject* object) {
  return vel::ReplaceFirstChild(
      children_, [key](const GBaseObject* child) { return *child->Key() == key; },
      [key, object](GBaseObject* child) { return child->ReplaceByKey(key, object); }, object);
}

int MPersistentComposite::ReplaceByClassId(RWClassID id, const GBaseObject* object) {
  return vel::ReplaceFirstChild(
      children_, [id](const GBaseObject* child) { return child->IsA() == id; },
      [id, object](GBaseObject* child) { return child->ReplaceByClassId(id, object); }, object);
}

int MPersistentComposite::ReplaceEqual(const GBaseObject* object, const GBaseObject* replacement) {
  return vel::ReplaceFirstChild(
      children_, [object](const GBaseObject* child) { return child == object; },
      [object, replacement](GBaseObject* child) {
        return child->ReplaceEqual(object, replacement);
      },
      replacement);
}

int MPersistentComposite::ReplaceKindOf(RWClassID id, const GBaseObject* object) {
  return vel::ReplaceFirstChild(
      children_, [id](const GBaseObject* child) { return child->IsKindOf(id); },
      [id, object](GBaseObject* child) { return child->ReplaceKindOf(id, object); }, object);
}

void MPersistentComposite::Clear() {
  children_.Empty(children_.Capacity() == kClearedCapacity ? children_.Capacity()
                                                           : kClearedCapacity);
}

void MPersistentComposite::ForgetRestoredMembers() {
  Clear();
}

template <typename Test, typename Recurse>
GBaseObject* MPersistentComposite::FindFirstMatch(const Test& test, const Recurse& recurse) const {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    const GBaseObject* child = children_.TargetAt(i);
    if (child == nullptr) {
      continue;
    }
    if (test(child)) {
      return const_cast<GBaseObject*>(child);
    }
    if (GBaseObject* found = recurse(child)) {
      return found;
    }
  }
  return nullptr;
}

GBaseObject* MPersistentComposite::FindByKey(std::uint32_t key) const {
  return FindFirstMatch([key](const GBaseObject* child) { return child->GetKey() == key; },
                        [key](const GBaseObject* child) { return child->FindByKey(key); });
}

GBaseObject* MPersistentComposite::FindByClassId(RWClassID id) const {
  return FindFirstMatch([id](const GBaseObject* child) { return child->IsA() == id; },
                        [id](const GBaseObject* child) { return child->FindByClassId(id); });
}

GBaseObject* MPersistentComposite::FindEqual(const GBaseObject* object) const {
  return FindFirstMatch([object](const GBaseObject* child) { return child->IsSameKey(object); },
                        [object](const GBaseObject* child) { return child->FindEqual(object); });
}

GBaseObject* MPersistentComposite::FindKindOf(RWClassID id) const {
  return FindFirstMatch([id](const GBaseObject* child) { return child->IsKindOf(id); },
                        [id](const GBaseObject* child) { return child->FindKindOf(id); });
}

GBaseObject* MPersistentComposite::CollectByClassId(RWClassID id, GBaseObject* collection) const {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    if (const GBaseObject* child = children_.TargetAt(i)) {
      child->CollectByClassId(id, collection);
    }
  }
  return collection;
}

GBaseObject* MPersistentComposite::CollectByKey(std::uint32_t key, GBaseObject* collection) const {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    if (const GBaseObject* child = children_.TargetAt(i)) {
      child->CollectByKey(key, collection);
    }
  }
  return collection;
}

GBaseObject* MPersistentComposite::CollectKindOf(RWClassID id, GBaseObject* collection) const {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    if (const GBaseObject* child = children_.TargetAt(i)) {
      child->CollectKindOf(id, collection);
    }
  }
  return collection;
}

namespace {

// The find-all operations: collect into a new composite; null when nothing was found.
template <typename Collect>
GBaseObject* FindAll(const Collect& collect) {
  auto* found = new (std::nothrow) MPersistentComposite;
  if (found == nullptr) {
    return nullptr;
  }
  collect(found);
  if (found->Count() == 0) {
    delete found;
    return nullptr;
  }
  return found;
}

}  // namespace

GBaseObject* MPersistentComposite::FindAllByKey(std::uint32_t key) const {
  return FindAll([this, key](GBaseObject* found) { CollectByKey(key, found); });
}

GBaseObject* MPersistentComposite::FindAllByClassId(RWClassID id) const {
  return FindAll([this, id](GBaseObject* found) { CollectByClassId(id, found); });
}

GBaseObject* MPersistentComposite::FindAllKindOf(RWClassID id) const {
  return FindAll([this, id](GBaseObject* found) { CollectKindOf(id, found); });
}

std::uint32_t MPersistentComposite::TotalCount() const {
  std::uint32_t total = 1;
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    if (const GBaseObject* child = children_.TargetAt(i)) {
      total += child->TotalCount();
    }
  }
  return total;
}

GIterator* MPersistentComposite::CreateIterator() const {
  return new (std::nothrow) GIndexedIterator(children_);
}

void MPersistentComposite::ForEach(ChildFunction function, void* user) {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    (void)function(const_cast<GCountedPtr*>(&children_.At(i)), user);
  }
}

GBaseObject* MPersistentComposite::FindFirst(ChildFunction function, void* user) {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    auto* child = const_cast<GCountedPtr*>(&children_.At(i));
    if (function(child, user) != 0) {
      return child->Get();
    }
  }
  return nullptr;
}
