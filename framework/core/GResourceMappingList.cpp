// GResourceMappingList.
#include "framework/core/GResourceMappingList.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GResourceMapping.h"

namespace {

const GResourceMapping* AsMapping(const GCountedPtr* child) {
  const GBaseObject* object = child->Get();
  return object != nullptr && object->IsA() == vel::classid::kGResourceMapping
             ? static_cast<const GResourceMapping*>(object)
             : nullptr;
}

int DevModeIdMatches(GCountedPtr* child, void* user) {
  const GResourceMapping* mapping = AsMapping(child);
  return mapping != nullptr && mapping->GetDevModeId() == *static_cast<std::uint16_t*>(user);
}

int ItemIdMatches(GCountedPtr* child, void* user) {
  const GResourceMapping* mapping = AsMapping(child);
  // The item id widened with its sign against the unsigned id.
  return mapping != nullptr &&
         std::int32_t{mapping->GetItemId()} == std::int32_t{*static_cast<std::uint16_t*>(user)};
}

int StringIdMatches(GCountedPtr* child, void* user) {
  const GResourceMapping* mapping = AsMapping(child);
  return mapping != nullptr && mapping->GetStringId() == *static_cast<std::uint32_t*>(user);
}

}  // namespace

RWClassID GResourceMappingList::ClassId() {
  return vel::classid::kGResourceMappingList;
}

RWCollectable* GResourceMappingList::Create() {
  return new (std::nothrow) GResourceMappingList(0);
}

RWCollectable* GResourceMappingList::CreateInstance() const {
  return Create();
}

RWCollectable* GResourceMappingList::Clone() const {
  return new (std::nothrow) GResourceMappingList(*this);
}

RWClassID GResourceMappingList::IsA() const {
  return ClassId();
}

bool GResourceMappingList::IsKindOf(RWClassID id) const {
  return id == ClassId() || MPersistentComposite::IsKindOf(id);
}

std::uint32_t GResourceMappingList::StoredByteCount() const {
  return MPersistentComposite::StoredByteCount() + vel::kClassVersionSize;
}

void GResourceMappingList::SaveContents(RWVirtualOutStream& stream) const {
  MPersistentComposite::SaveContents(stream);
  vel::WriteUncheckedClassVersion(stream);
}

void GResourceMappingList::SaveContents(RWBinaryFile& file) const {
  MPersistentComposite::SaveContents(file);
  vel::WriteUncheckedClassVersion(file);
}

void GResourceMappingList::RestoreContents(RWVirtualInStream& stream) {
  MPersistentComposite::RestoreContents(stream);
  if (vel::CarrierGood(stream) && !vel::SkipClassVersion(stream)) {
    vel::FailCarrier(stream);
  }
}

void GResourceMappingList::RestoreContents(RWBinaryFile& file) {
  MPersistentComposite::RestoreContents(file);
  if (vel::CarrierGood(file) && !vel::SkipClassVersion(file)) {
    vel::FailCarrier(file);
  }
}

bool GResourceMappingList::IsSameKey(const GBaseObject* other) const {
  return other == this ||
         (other != nullptr && other->IsA() == IsA() && MPersistentComposite::IsSameKey(other));
}

void GResourceMappingList::Add(GBaseObject* object) {
  if (object != nullptr) {
    vel::DestroyRefused(object, Children().IndexOf(object) != GCountedPtrArray::kNotFound);
  }
}

int GResourceMappingList::AddMapping(GResourceMapping* mapping) {
  if (mapping == nullptr) {
    return 0;
  }
  std::int16_t item_id = mapping->GetItemId();
  std::uint32_t string_id = mapping->GetStringId();
  auto same_item = [](GCountedPtr* child, void* user) -> int {
    const GResourceMapping* held = AsMapping(child);
    return held != nullptr && held->GetItemId() == *static_cast<std::int16_t*>(user);
  };
  if (FindFirst(same_item, &item_id) != nullptr ||
      FindFirst(&StringIdMatches, &string_id) != nullptr) {
    return 0;
  }
  return Append(mapping) ? 1 : 0;
}

GResourceMapping* GResourceMappingList::FindByDevModeId(std::uint16_t id) {
  return static_cast<GResourceMapping*>(FindFirst(&DevModeIdMatches, &id));
}

GResourceMapping* GResourceMappingList::FindByItemId(std::uint16_t id) {
  return static_cast<GResourceMapping*>(FindFirst(&ItemIdMatches, &id));
}

GResourceMapping* GResourceMappingList::FindByStringId(std::uint32_t id) {
  return static_cast<GResourceMapping*>(FindFirst(&StringIdMatches, &id));
}

GResourceMapping* GResourceMappingList::Remove(GResourceMapping* found) {
  return found != nullptr ? static_cast<GResourceMapping*>(RemoveObject(found)) : nullptr;
}

GResourceMapping* GResourceMappingList::RemoveByDevModeId(std::uint16_t id) {
  return Remove(FindByDevModeId(id));
}

GResourceMapping* GResourceMappingList::RemoveByItemId(std::uint16_t id) {
  return Remove(FindByItemId(id));
}

GResourceMapping* GResourceMappingList::RemoveByStringId(std::uint32_t id) {
  return Remove(FindByStringId(id));
}
