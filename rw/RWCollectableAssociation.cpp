// Associations of a collectable key with a collectable value.
#include "rw/RWCollectableAssociation.h"

#include <cstdint>
#include <new>

namespace {

int CompareAddresses(const void* mine, const void* theirs) {
  const auto a = reinterpret_cast<std::uintptr_t>(mine);
  const auto b = reinterpret_cast<std::uintptr_t>(theirs);
  return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace

const RWCollectableIDAssociation* RWCollectableIDAssociation::AsIDAssociation(
    const RWCollectable* other) {
  return other != nullptr && other->IsA() == kRWCollectableIDAssociationClassId
             ? dynamic_cast<const RWCollectableIDAssociation*>(other)
             : nullptr;
}

RWCollectable* RWCollectableAssociation::CreateInstance() const {
  return new (std::nothrow) RWCollectableAssociation;
}

RWCollectable* RWCollectableAssociation::Clone() const {
  return new (std::nothrow) RWCollectableAssociation(key_, value_);
}

RWClassID RWCollectableAssociation::IsA() const {
  return kRWCollectableAssociationClassId;
}

int RWCollectableAssociation::Compare(const RWCollectable* other) const {
  if (other == nullptr) {
    return key_ == nullptr ? 0 : 1;
  }
  // Negated as a sign, so that any result of the other's Compare turns round safely.
  const int theirs = other->Compare(key_);
  return theirs < 0 ? 1 : (theirs > 0 ? -1 : 0);
}

std::uint32_t RWCollectableAssociation::Hash() const {
  return key_ != nullptr ? key_->Hash() : 0;
}

bool RWCollectableAssociation::IsEqual(const RWCollectable* other) const {
  return other != nullptr && other->IsEqual(key_);
}

RWCollectable* RWCollectableAssociation::SetValue(RWCollectable* value) {
  RWCollectable* old = value_;
  value_ = value;
  return old;
}

RWCollectable* RWCollectableAssociation::Create() {
  return new (std::nothrow) RWCollectableAssociation;
}

RWCollectable* RWCollectableIDAssociation::CreateInstance() const {
  return new (std::nothrow) RWCollectableIDAssociation;
}

RWCollectable* RWCollectableIDAssociation::Clone() const {
  return new (std::nothrow) RWCollectableIDAssociation(key_, value_);
}

RWClassID RWCollectableIDAssociation::IsA() const {
  return kRWCollectableIDAssociationClassId;
}

int RWCollectableIDAssociation::Compare(const RWCollectable* other) const {
  if (const auto* association = AsIDAssociation(other)) {
    return CompareAddresses(key_, association->key_);
  }
  return CompareAddresses(key_, other);
}

std::uint32_t RWCollectableIDAssociation::Hash() const {
  const std::uint32_t a = FoldAddress(key_);
  return (a >> 3) ^ a;
}

bool RWCollectableIDAssociation::IsEqual(const RWCollectable* other) const {
  if (const auto* association = AsIDAssociation(other)) {
    return association->key_ == key_;
  }
  return other == key_;
}

RWCollectable* RWCollectableIDAssociation::Create() {
  return new (std::nothrow) RWCollectableIDAssociation;
}
