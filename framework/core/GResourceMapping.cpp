// GResourceMapping.
#include "framework/core/GResourceMapping.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"

RWClassID GResourceMapping::ClassId() {
  return vel::classid::kGResourceMapping;
}

RWCollectable* GResourceMapping::Create() {
  return new (std::nothrow) GResourceMapping;
}

RWCollectable* GResourceMapping::CreateInstance() const {
  return Create();
}

RWCollectable* GResourceMapping::Clone() const {
  return new (std::nothrow) GResourceMapping(*this);
}

RWClassID GResourceMapping::IsA() const {
  return ClassId();
}

bool GResourceMapping::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

std::uint32_t GResourceMapping::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + 12;
}

template <typename Carrier>
void GResourceMapping::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, string_id_);
  vel::WriteField(carrier, devmode_id_);
  vel::WriteField(carrier, item_id_);
}

void GResourceMapping::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GResourceMapping::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GResourceMapping::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  if (!vel::ReadField(carrier, string_id_) || !vel::ReadField(carrier, devmode_id_) ||
      !vel::ReadField(carrier, item_id_)) {
    vel::FailCarrier(carrier);
  }
}

void GResourceMapping::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GResourceMapping::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

bool GResourceMapping::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto& mapping = static_cast<const GResourceMapping&>(*other);
  return string_id_ == mapping.string_id_ && devmode_id_ == mapping.devmode_id_ &&
         item_id_ == mapping.item_id_;
}
