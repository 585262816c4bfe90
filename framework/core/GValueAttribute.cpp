// GValueAttribute.
#include "framework/core/GValueAttribute.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/StoredFields.h"

RWCollectable* GValueAttribute::Create() {
  return new (std::nothrow) GValueAttribute;
}

RWCollectable* GValueAttribute::CreateInstance() const {
  return Create();
}

RWCollectable* GValueAttribute::Clone() const {
  return new (std::nothrow) GValueAttribute(*this);
}

RWClassID GValueAttribute::IsA() const {
  return ClassId();
}

RWClassID GValueAttribute::CategoryId() const {
  return ClassId();
}

std::uint32_t GValueAttribute::StoredByteCount() const {
  return GAttribute::StoredByteCount() + 6;
}

template <typename Carrier>
void GValueAttribute::Restore(Carrier& carrier) {
  GAttribute::RestoreContents(carrier);
  if (vel::CarrierGood(carrier) && vel::ReadClassVersion(carrier)) {
    (void)vel::ReadField(carrier, value_);
  }
}

void GValueAttribute::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GValueAttribute::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GValueAttribute::SaveContents(RWVirtualOutStream& stream) const {
  GAttribute::SaveContents(stream);
  vel::WriteClassVersion(stream);
  vel::WriteField(stream, value_);
}

void GValueAttribute::SaveContents(RWBinaryFile& file) const {
  GAttribute::SaveContents(file);
  vel::WriteClassVersion(file);
  vel::WriteField(file, value_);
}

bool GValueAttribute::IsKindOf(RWClassID id) const {
  return id == ClassId() || GAttribute::IsKindOf(id);
}

bool GValueAttribute::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  return other != nullptr && other->IsA() == IsA() && GAttribute::IsSameKey(other) &&
         static_cast<const GValueAttribute*>(other)->value_ == value_;
}

std::uint16_t GValueAttribute::Accept(GTypedHandlers& handlers) {
  return handlers.HandleValueAttribute(*this);
}
