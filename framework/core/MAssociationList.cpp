// MAssociationList.
#include "framework/core/MAssociationList.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/MPersistentAssociation.h"

namespace {

int KeyObjectMatches(GCountedPtr* child, void* user) {
  const GBaseObject* object = child->Get();
  return object != nullptr && object->IsA() == vel::classid::kMPersistentAssociation &&
                 static_cast<const MPersistentAssociation*>(object)->KeyMatches(
                     static_cast<const RWCollectable*>(user))
             ? 1
             : 0;
}

}  // namespace

RWClassID MAssociationList::ClassId() {
  return vel::classid::kMAssociationList;
}

RWCollectable* MAssociationList::Create() {
  return new (std::nothrow) MAssociationList(0);
}

RWCollectable* MAssociationList::CreateInstance() const {
  return Create();
}

RWCollectable* MAssociationList::Clone() const {
  return new (std::nothrow) MAssociationList(*this);
}

RWClassID MAssociationList::IsA() const {
  return ClassId();
}

bool MAssociationList::IsKindOf(RWClassID id) const {
  return id == ClassId() || MPersistentComposite::IsKindOf(id);
}

std::uint32_t MAssociationList::StoredByteCount() const {
  return MPersistentComposite::StoredByteCount() + vel::kClassVersionSize;
}

void MAssociationList::SaveContents(RWVirtualOutStream& stream) const {
  MPersistentComposite::SaveContents(stream);
  vel::WriteUncheckedClassVersion(stream);
}

void MAssociationList::SaveContents(RWBinaryFile& file) const {
  MPersistentComposite::SaveContents(file);
  vel::WriteUncheckedClassVersion(file);
}

void MAssociationList::RestoreContents(RWVirtualInStream& stream) {
  MPersistentComposite::RestoreContents(stream);
  if (vel::CarrierGood(stream) && !vel::SkipClassVersion(stream)) {
    vel::FailCarrier(stream);
  }
}

void MAssociationList::RestoreContents(RWBinaryFile& file) {
  MPersistentComposite::RestoreContents(file);
  if (vel::CarrierGood(file) && !vel::SkipClassVersion(file)) {
    vel::FailCarrier(file);
  }
}

bool MAssociationList::IsSameKey(const GBaseObject* other) const {
  return other == this ||
         (other != nullptr && other->IsA() == IsA() && MPersistentComposite::IsSameKey(other));
}

void MAssociationList::Add(GBaseObject* object) {
  if (object != nullptr) {
    vel::DestroyRefused(object, Children().IndexOf(object) != GCountedPtrArray::kNotFound);
  }
}

void MAssociationList::SetAssociation(MPersistentAssociation* association) {
  if (association == nullptr || Children().IndexOf(association) != GCountedPtrArray::kNotFound) {
    return;
  }
  delete RemoveAssociation(association);
  if (!Append(association)) {
    vel::DestroyRefused(association, false);
  }
}

MPersistentAssociation* MAssociationList::FindAssociation(const RWCollectable* key_object) {
  return static_cast<MPersistentAssociation*>(
      FindFirst(&KeyObjectMatches, const_cast<RWCollectable*>(key_object)));
}

RWCollectable* MAssociationList::FindValue(const RWCollectable* key_object) {
  const MPersistentAssociation* association = FindAssociation(key_object);
  return association != nullptr ? association->GetValue() : nullptr;
}

MPersistentAssociation* MAssociationList::RemoveAssociation(
    const MPersistentAssociation* association) {
  return association != nullptr ? RemoveByKeyObject(association->GetKey()) : nullptr;
}

MPersistentAssociation* MAssociationList::RemoveByKeyObject(const RWCollectable* key_object) {
  MPersistentAssociation* found = FindAssociation(key_object);
  return found != nullptr ? static_cast<MPersistentAssociation*>(RemoveObject(found)) : nullptr;
}
