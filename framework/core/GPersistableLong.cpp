// GPersistableLong and GPersistableULong.
#include "framework/core/GPersistableLong.h"

#include <new>
#include <type_traits>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

template <typename T>
int CompareValues(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

template <typename Carrier, typename T>
bool ReadValue(Carrier& carrier, T& value) {
  if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
    return carrier.Read(value);
  } else {
    using Stored = std::conditional_t<std::is_signed_v<T>, long, unsigned long>;
    Stored stored = 0;
    carrier.Get(stored);
    if (carrier.Good() == 0) {
      return false;
    }
    value = static_cast<T>(stored);
    return true;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// GPersistableLong

RWClassID GPersistableLong::ClassId() {
  return vel::classid::kGPersistableLong;
}

RWCollectable* GPersistableLong::Create() {
  return new (std::nothrow) GPersistableLong;
}

RWCollectable* GPersistableLong::CreateInstance() const {
  return Create();
}

RWCollectable* GPersistableLong::Clone() const {
  return new (std::nothrow) GPersistableLong(*this);
}

RWClassID GPersistableLong::IsA() const {
  return ClassId();
}

std::uint32_t GPersistableLong::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + 8;
}

int GPersistableLong::Compare(const RWCollectable* other) const {
  if (other == nullptr || other->IsA() != IsA()) {
    return GBaseObject::Compare(other);
  }
  return CompareValues(value_, static_cast<const GPersistableLong*>(other)->value_);
}

std::uint32_t GPersistableLong::Hash() const {
  return static_cast<std::uint32_t>(value_);
}

bool GPersistableLong::IsEqual(const RWCollectable* other) const {
  return other != nullptr && other->IsA() == IsA() &&
         static_cast<const GPersistableLong*>(other)->value_ == value_;
}

bool GPersistableLong::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGPersistableLong || GBaseObject::IsKindOf(id);
}

bool GPersistableLong::IsSameKey(const GBaseObject* other) const {
  return other != nullptr && other->IsA() == IsA() && GBaseObject::IsSameKey(other) &&
         static_cast<const GPersistableLong*>(other)->value_ == value_;
}

template <typename Carrier>
void GPersistableLong::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (vel::CarrierGood(carrier) && vel::ReadClassVersion(carrier)) {
    (void)ReadValue(carrier, value_);
  }
}

void GPersistableLong::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GPersistableLong::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GPersistableLong::SaveContents(RWVirtualOutStream& stream) const {
  GBaseObject::SaveContents(stream);
  vel::WriteClassVersion(stream);
  stream.Put(static_cast<long>(value_));
}

void GPersistableLong::SaveContents(RWBinaryFile& file) const {
  GBaseObject::SaveContents(file);
  vel::WriteClassVersion(file);
  (void)file.Write(static_cast<int>(value_));
}

// ---------------------------------------------------------------------------------------------
// GPersistableULong

RWClassID GPersistableULong::ClassId() {
  return vel::classid::kGPersistableULong;
}

RWCollectable* GPersistableULong::Create() {
  return new (std::nothrow) GPersistableULong;
}

RWCollectable* GPersistableULong::CreateInstance() const {
  return Create();
}

RWCollectable* GPersistableULong::Clone() const {
  return new (std::nothrow) GPersistableULong(*this);
}

RWClassID GPersistableULong::IsA() const {
  return ClassId();
}

std::uint32_t GPersistableULong::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + 8;
}

int GPersistableULong::Compare(const RWCollectable* other) const {
  if (other == nullptr || other->IsA() != IsA()) {
    return GBaseObject::Compare(other);
  }
  return CompareValues(value_, static_cast<const GPersistableULong*>(other)->value_);
}

std::uint32_t GPersistableULong::Hash() const {
  return value_;
}

bool GPersistableULong::IsEqual(const RWCollectable* other) const {
  return other != nullptr && other->IsA() == IsA() &&
         static_cast<const GPersistableULong*>(other)->value_ == value_;
}

bool GPersistableULong::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGPersistableULong || GBaseObject::IsKindOf(id);
}

bool GPersistableULong::IsSameKey(const GBaseObject* other) const {
  return other != nullptr && other->IsA() == IsA() && GBaseObject::IsSameKey(other) &&
         static_cast<const GPersistableULong*>(other)->value_ == value_;
}

template <typename Carrier>
void GPersistableULong::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (vel::CarrierGood(carrier) && vel::ReadClassVersion(carrier)) {
    (void)ReadValue(carrier, value_);
  }
}

void GPersistableULong::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GPersistableULong::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GPersistableULong::SaveContents(RWVirtualOutStream& stream) const {
  GBaseObject::SaveContents(stream);
  vel::WriteClassVersion(stream);
  stream.Put(static_cast<unsigned long>(value_));
}

void GPersistableULong::SaveContents(RWBinaryFile& file) const {
  GBaseObject::SaveContents(file);
  vel::WriteClassVersion(file);
  (void)file.Write(static_cast<unsigned int>(value_));
}
