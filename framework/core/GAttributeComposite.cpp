// GAttributeComposite: children held by counted references, searched depth first, replayed and
// saved in order; and its iterator.
#include "framework/core/GAttributeComposite.h"

#include <new>
#include <utility>

#include "framework/core/ChildRecords.h"
#include "framework/core/ChildSearch.h"
#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "rw/RWError.h"
#include "rw/rwstore.h"

RWClassID GAttributeComposite::ClassId() {
  return vel::classid::kGAttributeComposite;
}

RWCollectable* GAttributeComposite::Create() {
  return new (std::nothrow) GAttributeComposite;
}

RWCollectable* GAttributeComposite::CreateInstance() const {
  return Create();
}

RWCollectable* GAttributeComposite::Clone() const {
  return new (std::nothrow) GAttributeComposite(*this);
}

RWClassID GAttributeComposite::IsA() const {
  return ClassId();
}

bool GAttributeComposite::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGAttributeComposite || GAttribute::IsKindOf(id);
}

std::uint32_t GAttributeComposite::StoredByteCount() const {
  // One size pass for all children, as their save shares one table.
  RWSaveTableScope scope(RWSaveTable::Purpose::kSize);
  return GAttribute::StoredByteCount() + 8 + vel::ChildRecordsSize(children_);
}

template <typename Carrier>
void GAttributeComposite::Save(Carrier& carrier) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  GAttribute::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::SaveChildRecords(carrier, children_);
}

void GAttributeComposite::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GAttributeComposite::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GAttributeComposite::Restore(Carrier& carrier) {
  RWLoadTableScope scope;  // one restore for every record, as the save shares one table
  GAttribute::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  // Through the virtual, so that a subclass lets go of what points into the children.
  Clear();
  if (!vel::RestoreChildRecords(carrier, children_)) {
    Clear();
  }
}

void GAttributeComposite::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GAttributeComposite::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GAttributeComposite::ForgetRestoredMembers() {
  Clear();
}

bool GAttributeComposite::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GAttribute::IsSameKey(other)) {
    return false;
  }
  const auto* group = dynamic_cast<const GAttributeComposite*>(other);
  if (group == nullptr || group->Count() != Count()) {
    return false;
  }
  for (std::uint32_t i = 0; i < Count(); ++i) {
    const GBaseObject* mine = children_.TargetAt(i);
    const GBaseObject* theirs = group->children_.TargetAt(i);
    if (mine == nullptr || !mine->IsSameKey(theirs)) {
      return false;
    }
  }
  return true;
}

bool GAttributeComposite::Append(GBaseObject* object) {
  if (object == nullptr) {
    return false;
  }
  GCountedPtr reference(object);
  if (children_.Insert(std::move(reference))) {
    return true;
  }
  // Not taken: the object stays as it was (an object nothing held is not deleted here, the
  // caller decides), so its reference is let go without a delete.
  (void)reference.Release();
  return false;
}

void GAttributeComposite::Add(GBaseObject* object) {
  if (object == nullptr) {
    return;
  }
  if (!object->IsKindOf(vel::classid::kGAttribute) || !Append(object)) {
    vel::DestroyRefused(object, children_.IndexOf(object) != GCountedPtrArray::kNotFound);
  }
}

GBaseObject* GAttributeComposite::RemoveObject(const GBaseObject* object) {
  return vel::RemoveFirstChild(
      children_, [object](const GBaseObject* child) { return child == object; },
      [object](GBaseObject* child) { return child->RemoveObject(object); });
}

GBaseObject* GAttributeComposite::RemoveByKey(std::uint32_t key) {
  return vel::RemoveFirstChild(
      children_, [key](const GBaseObject* child) { return *child->Key() == key; },
      [key](GBaseObject* child) { return child->RemoveByKey(key); });
}

GBaseObject* GAttributeComposite::RemoveByClassId(RWClassID id) {
  return vel::RemoveFirstChild(
      children_, [id](const GBaseObject* child) { return child->IsA() == id; },
      [id](GBaseObject* child) { return child->RemoveByClassId(id); });
}

int GAttributeComposite::ReplaceByKey(std::uint32_t key, const GBaseObject* object) {
  return vel::ReplaceFirstChild(
      children_, [key](const GBaseObject* child) { return *child->Key() == key; },
      [key, object](GBaseObject* child) { return child->ReplaceByKey(key, object); }, object);
}

int GAttributeComposite::ReplaceByClassId(RWClassID id, const GBaseObject* object) {
  return vel::ReplaceFirstChild(
      children_, [id](const GBaseObject* child) { return child->IsA() == id; },
      [id, object](GBaseObject* child) { return child->ReplaceByClassId(id, object); }, object);
}

int GAttributeComposite::ReplaceEqual(const GBaseObject* object, const GBaseObject* replacement) {
  return vel::ReplaceFirstChild(
      children_, [object](const GBaseObject* child) { return child == object; },
      [object, replacement](GBaseObject* child) {
        return child->ReplaceEqual(object, replacement);
      },
      replacement);
}

int GAttributeComposite::ReplaceKindOf(RWClassID id, const GBaseObject* object) {
  return vel::ReplaceFirstChild(
      children_, [id](const GBaseObject* child) { return child->IsKindOf(id); },
      [id, object](GBaseObject* child) { return child->ReplaceKindOf(id, object); }, object);
}

void GAttributeComposite::Clear() {
  children_.Empty(kClearedCapacity);
}

template <typename Test, typename Recurse>
GBaseObject* GAttributeComposite::FindFirstMatch(const Test& test, const Recurse& recurse) const {
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

// A leaf attribute's own find answers what the test asked of it already (IsLeafAttribute): the
// searches by key, class and kind descend only into the others.
GBaseObject* GAttributeComposite::FindByKey(std::uint32_t key) const {
  return FindFirstMatch([key](const GBaseObject* child) { return child->GetKey() == key; },
                        [key](const GBaseObject* child) {
                          return child->IsLeafAttribute() ? nullptr : child->FindByKey(key);
                        });
}

GBaseObject* GAttributeComposite::FindByClassId(RWClassID id) const {
  return FindFirstMatch([id](const GBaseObject* child) { return child->IsA() == id; },
                        [id](const GBaseObject* child) {
                          return child->IsLeafAttribute() ? nullptr : child->FindByClassId(id);
                        });
}

GBaseObject* GAttributeComposite::FindEqual(const GBaseObject* object) const {
  // By address first; a leaf child then answers with its own IsSameKey, a nested group by
  // searching its children.
  return FindFirstMatch([object](const GBaseObject* child) { return child == object; },
                        [object](const GBaseObject* child) { return child->FindEqual(object); });
}

GBaseObject* GAttributeComposite::FindKindOf(RWClassID id) const {
  return FindFirstMatch([id](const GBaseObject* child) { return child->IsKindOf(id); },
                        [id](const GBaseObject* child) {
                          return child->IsLeafAttribute() ? nullptr : child->FindKindOf(id);
                        });
}

GBaseObject* GAttributeComposite::CollectByClassId(RWClassID id, GBaseObject* collection) const {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    if (const GBaseObject* child = children_.TargetAt(i)) {
      collection = child->CollectByClassId(id, collection);
    }
  }
  return collection;
}

GBaseObject* GAttributeComposite::CollectByKey(std::uint32_t key, GBaseObject* collection) const {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    if (const GBaseObject* child = children_.TargetAt(i)) {
      collection = child->CollectByKey(key, collection);
    }
  }
  return collection;
}

GBaseObject* GAttributeComposite::CollectKindOf(RWClassID id, GBaseObject* collection) const {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    if (const GBaseObject* child = children_.TargetAt(i)) {
      collection = child->CollectKindOf(id, collection);
    }
  }
  return collection;
}

template <typename Collect>
GBaseObject* GAttributeComposite::FindAll(const Collect& collect) const {
  auto* found = new (std::nothrow) GAttributeComposite;
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

GBaseObject* GAttributeComposite::FindAllByKey(std::uint32_t key) const {
  return FindAll([this, key](GBaseObject* found) { CollectByKey(key, found); });
}

GBaseObject* GAttributeComposite::FindAllByClassId(RWClassID id) const {
  return FindAll([this, id](GBaseObject* found) { CollectByClassId(id, found); });
}

GBaseObject* GAttributeComposite::FindAllKindOf(RWClassID id) const {
  return FindAll([this, id](GBaseObject* found) { CollectKindOf(id, found); });
}

std::uint32_t GAttributeComposite::TotalCount() const {
  std::uint32_t total = 1;
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    if (const GBaseObject* child = children_.TargetAt(i)) {
      total += child->TotalCount();
    }
  }
  return total;
}

GIterator* GAttributeComposite::CreateIterator() const {
  return new (std::nothrow) GAttributeCompositeIterator(children_);
}

std::int32_t GAttributeComposite::UpdateFrom(GAttribute* other) {
  if (other == nullptr) {
    return 0;
  }
  const GCountedPtrArray* children = ChildrenOf(*other);
  if (children == nullptr || other->CategoryId() != CategoryId() || *other->Key() != *Key()) {
    RWCollectable* clone = other->Clone();
    if (auto* copy = dynamic_cast<GBaseObject*>(clone)) {
      Add(copy);
    } else {
      delete clone;
    }
    return 0;
  }
  // The count is taken first: a group updated from itself must not walk what it adds.
  const std::uint32_t count = children->Count();
  for (std::uint32_t i = 0; i < count; ++i) {
    const GBaseObject* child = children->TargetAt(i);
    if (child == nullptr) {
      continue;
    }
    RWCollectable* clone = child->Clone();
    if (auto* copy = dynamic_cast<GBaseObject*>(clone)) {
      Add(copy);
    } else {
      delete clone;
    }
  }
  return 0;
}

std::uint16_t GAttributeComposite::Accept(GTypedHandlers& handlers) {
  std::uint16_t status = 0;
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    // Held while it runs, in case a handler changes this group.
    const GCountedPtr child = children_.At(i);
    auto* attribute = dynamic_cast<GAttribute*>(child.Get());
    if (attribute == nullptr || attribute->GetEnabled() == 0) {
      continue;
    }
    if (const std::uint16_t answer = attribute->Accept(handlers); answer != 0) {
      status = answer;
    }
  }
  SetEnabled(0);
  return status;
}

void GAttributeComposite::EnableAll() {
  // Every page runs this.
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    GBaseObject* child = children_.TargetAt(i);
    if (GAttribute* attribute = child != nullptr ? child->AsAttribute() : nullptr) {
      attribute->SetEnabled(1);
    }
  }
  SetEnabled(1);
}

void GAttributeComposite::DisableAll() {
  // Every page runs this.
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    GBaseObject* child = children_.TargetAt(i);
    if (GAttribute* attribute = child != nullptr ? child->AsAttribute() : nullptr) {
      attribute->SetEnabled(0);
    }
  }
  SetEnabled(0);
}

void GAttributeComposite::ForEach(ChildFunction function, void* user) {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    (void)function(const_cast<GCountedPtr*>(&children_.At(i)), user);
  }
}

GBaseObject* GAttributeComposite::FindFirst(ChildFunction function, void* user) {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    auto* child = const_cast<GCountedPtr*>(&children_.At(i));
    if (function(child, user) != 0) {
      return child->Get();
    }
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// GAttributeCompositeIterator

GBaseObject* GAttributeCompositeIterator::Current() const {
  if (!HasCurrent()) {
    RWRaiseIndex(static_cast<std::size_t>(static_cast<std::uint32_t>(Index())), Children().Count());
    return nullptr;
  }
  return GIndexedIterator::Current();
}

void GAttributeCompositeIterator::ReplaceCurrent(GBaseObject* object) {
  if (object == nullptr) {
    return;
  }
  const GCountedPtr held(object);
  GCountedPtrArray& children = Children();
  std::int32_t position = Index();
  if (HasCurrent()) {
    (void)children.RemoveAt(static_cast<std::uint32_t>(position));
  }
  ++position;
  if (position >= 0 && static_cast<std::uint32_t>(position) < children.Count()) {
    ++position;
    SetIndex(position);
    (void)children.InsertAt(static_cast<std::uint32_t>(position), held);
  } else {
    SetIndex(-1);
    (void)children.Insert(held);
  }
}
