// MPersistentAssociation.
#include "framework/core/MPersistentAssociation.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "rw/rwstore.h"

namespace vel {

bool SameStoredObject(const RWCollectable* a, const RWCollectable* b) {
  if (a == nullptr || b == nullptr) {
    return a == b;
  }
  if (GBaseObject::IsFrameworkObject(a)) {
    return GBaseObject::IsFrameworkObject(b) &&
           static_cast<const GBaseObject*>(a)->IsSameKey(static_cast<const GBaseObject*>(b));
  }
  return a->IsEqual(b);
}

}  // namespace vel

namespace {

RWCollectable* CloneOf(const RWCollectable* object) {
  return object != nullptr ? object->Clone() : nullptr;
}

}  // namespace

MPersistentAssociation::MPersistentAssociation(RWCollectable* key_object,
                                               RWCollectable* value_object,
                                               std::uint32_t key)
    : GBaseObject(key), key_object_(key_object), value_object_(value_object) {}

MPersistentAssociation::MPersistentAssociation(const MPersistentAssociation& other)
    : GBaseObject(other),
      key_object_(CloneOf(other.key_object_)),
      value_object_(CloneOf(other.value_object_)) {}

MPersistentAssociation& MPersistentAssociation::operator=(const MPersistentAssociation& other) {
  if (&other == this) {
    return *this;
  }
  GBaseObject::operator=(other);
  delete key_object_;
  delete value_object_;
  key_object_ = CloneOf(other.key_object_);
  value_object_ = CloneOf(other.value_object_);
  return *this;
}

MPersistentAssociation::~MPersistentAssociation() {
  delete key_object_;
  delete value_object_;
}

RWClassID MPersistentAssociation::ClassId() {
  return vel::classid::kMPersistentAssociation;
}

RWCollectable* MPersistentAssociation::Create() {
  return new (std::nothrow) MPersistentAssociation;
}

RWCollectable* MPersistentAssociation::CreateInstance() const {
  return Create();
}

RWCollectable* MPersistentAssociation::Clone() const {
  return new (std::nothrow) MPersistentAssociation(*this);
}

RWClassID MPersistentAssociation::IsA() const {
  return ClassId();
}

bool MPersistentAssociation::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool MPersistentAssociation::KeyMatches(const RWCollectable* key_object) const {
  return vel::SameStoredObject(key_object_, key_object);
}

std::uint32_t MPersistentAssociation::StoredByteCount() const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSize);
  const std::uint32_t root = GBaseObject::StoredByteCount();
  const std::uint32_t key = RWTotalStoredSize(key_object_);
  return root + vel::kClassVersionSize + key + RWTotalStoredSize(value_object_);
}

template <typename Carrier>
void MPersistentAssociation::Save(Carrier& carrier) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  carrier << static_cast<const RWCollectable*>(key_object_);
  carrier << static_cast<const RWCollectable*>(value_object_);
}

void MPersistentAssociation::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void MPersistentAssociation::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
bool MPersistentAssociation::RestoreObject(Carrier& carrier, RWCollectable*& object) {
  delete object;
  object = nullptr;
  RWRestoredMember member(carrier, this);
  RWCollectable* read = member.Object();
  if (!vel::CarrierGood(carrier) || (read != nullptr && !member.IsNew())) {
    member.Keep(RWHold::kRefuses);
    vel::FailCarrier(carrier);
    return false;
  }
  member.Keep(read != nullptr ? RWHold::kOwns : RWHold::kRefuses);
  object = read;
  return true;
}

template <typename Carrier>
void MPersistentAssociation::Restore(Carrier& carrier) {
  RWLoadTableScope scope;  // one restore for every record, as the save shares one table
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  if (RestoreObject(carrier, key_object_)) {
    (void)RestoreObject(carrier, value_object_);
  }
}

void MPersistentAssociation::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void MPersistentAssociation::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void MPersistentAssociation::ForgetRestoredMembers() {
  delete key_object_;
  delete value_object_;
  key_object_ = nullptr;
  value_object_ = nullptr;
}

bool MPersistentAssociation::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto& association = static_cast<const MPersistentAssociation&>(*other);
  return vel::SameStoredObject(key_object_, association.key_object_) &&
         vel::SameStoredObject(value_object_, association.value_object_);
}
