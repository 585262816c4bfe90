// The device font lists of one printer.
#include "framework/output/GDeviceFontListComposite.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/output/GDeviceFontList.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

GDeviceFontListComposite::GDeviceFontListComposite(std::uint32_t key) : GBaseObject(key) {}

GDeviceFontListComposite::GDeviceFontListComposite(const GDeviceFontListComposite& other)
    : GBaseObject(other), lists_(other.lists_) {}

GDeviceFontListComposite& GDeviceFontListComposite::operator=(
    const GDeviceFontListComposite& other) {
  if (this != &other) {
    GBaseObject::operator=(other);
    lists_.Clear();
    for (std::uint32_t i = 0; i < other.lists_.Count(); ++i) {
      lists_.Add(other.lists_.ChildAt(i));
    }
  }
  return *this;
}

RWClassID GDeviceFontListComposite::ClassId() {
  return vel::classid::kGDeviceFontListComposite;
}

RWCollectable* GDeviceFontListComposite::Create() {
  return new (std::nothrow) GDeviceFontListComposite;
}

RWCollectable* GDeviceFontListComposite::CreateInstance() const {
  return Create();
}

RWCollectable* GDeviceFontListComposite::Clone() const {
  return new (std::nothrow) GDeviceFontListComposite(*this);
}

RWClassID GDeviceFontListComposite::IsA() const {
  return ClassId();
}

bool GDeviceFontListComposite::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool GDeviceFontListComposite::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  return other != nullptr && other->IsA() == IsA() && GBaseObject::IsSameKey(other) &&
         lists_.IsSameKey(&static_cast<const GDeviceFontListComposite*>(other)->lists_);
}

GIterator* GDeviceFontListComposite::CreateIterator() const {
  return lists_.CreateIterator();
}

void GDeviceFontListComposite::Insert(GDeviceFontList* list) {
  lists_.Add(list);
}

GDeviceFontList* GDeviceFontListComposite::Remove(std::uint32_t key) {
  for (std::uint32_t i = 0; i < lists_.Count(); ++i) {
    GBaseObject* child = lists_.ChildAt(i);
    if (child != nullptr && child->GetKey() == key) {
      return static_cast<GDeviceFontList*>(lists_.RemoveObject(child));
    }
  }
  return nullptr;
}

GDeviceFontList* GDeviceFontListComposite::Find(std::uint32_t key) const {
  for (std::uint32_t i = 0; i < lists_.Count(); ++i) {
    GBaseObject* child = lists_.ChildAt(i);
    if (child != nullptr && child->GetKey() == key) {
      return static_cast<GDeviceFontList*>(child);
    }
  }
  return nullptr;
}

void GDeviceFontListComposite::Clear() {
  lists_.Clear();
}

void GDeviceFontListComposite::Merge(const GDeviceFontListComposite& other) {
  for (std::uint32_t i = 0; i < other.lists_.Count(); ++i) {
    GBaseObject* list = other.lists_.ChildAt(i);
    if (list != nullptr && Find(list->GetKey()) == nullptr) {
      lists_.Add(list);
    }
  }
}

void GDeviceFontListComposite::AddAll(const MPersistentComposite& collection) {
  for (std::uint32_t i = 0; i < collection.Count(); ++i) {
    GBaseObject* child = collection.ChildAt(i);
    if (child != nullptr && child->IsKindOf(vel::classid::kGDeviceFontList)) {
      lists_.Add(child);
    }
  }
}

std::uint32_t GDeviceFontListComposite::StoredByteCount() const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSize);
  return GBaseObject::StoredByteCount() + vel::kClassVersionSize + RWTotalStoredSize(&lists_);
}

template <typename Carrier>
void GDeviceFontListComposite::Save(Carrier& carrier) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  carrier << static_cast<const RWCollectable*>(&lists_);
}

void GDeviceFontListComposite::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GDeviceFontListComposite::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GDeviceFontListComposite::Restore(Carrier& carrier) {
  RWLoadTableScope scope;  // one restore for every record, as the save shares one table
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  lists_.Clear();
  RWCollectable* read = carrier >> static_cast<RWCollectable&>(lists_);
  if (!vel::CarrierGood(carrier)) {
    return;
  }
  if (read != &lists_) {
    vel::FailCarrier(carrier);
    return;
  }
  // Only device font lists belong here.
  for (std::uint32_t i = 0; i < lists_.Count(); ++i) {
    GBaseObject* child = lists_.ChildAt(i);
    if (child == nullptr || !child->IsKindOf(vel::classid::kGDeviceFontList)) {
      lists_.Clear();
      vel::FailCarrier(carrier);
      return;
    }
  }
}

void GDeviceFontListComposite::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GDeviceFontListComposite::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GDeviceFontListComposite::ForgetRestoredMembers() {
  lists_.ForgetRestoredMembers();
  GBaseObject::ForgetRestoredMembers();
}
