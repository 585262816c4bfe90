// GStringAttribute.
#include "framework/core/GStringAttribute.h"

#include <new>
#include <type_traits>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "rw/RWBinaryFile.h"

GStringAttribute::GStringAttribute(const char* text, std::uint32_t key) : GAttribute(key) {
  SetValue(text);
}

void GStringAttribute::SetValue(const char* text) {
  value_ = text != nullptr ? RWCString(text) : RWCString();
}

RWClassID GStringAttribute::ClassId() {
  return vel::classid::kGStringAttribute;
}

RWCollectable* GStringAttribute::Create() {
  return new (std::nothrow) GStringAttribute;
}

RWCollectable* GStringAttribute::CreateInstance() const {
  return Create();
}

RWCollectable* GStringAttribute::Clone() const {
  return new (std::nothrow) GStringAttribute(*this);
}

RWClassID GStringAttribute::IsA() const {
  return ClassId();
}

std::uint32_t GStringAttribute::StoredByteCount() const {
  return GAttribute::StoredByteCount() + 8 + static_cast<std::uint32_t>(value_.Length());
}

template <typename Carrier>
void GStringAttribute::Restore(Carrier& carrier) {
  GAttribute::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
    if (!value_.RestoreFrom(carrier)) {
      vel::FailCarrier(carrier);
    }
  } else {
    value_.RestoreFrom(carrier);
  }
}

void GStringAttribute::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GStringAttribute::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GStringAttribute::SaveContents(RWVirtualOutStream& stream) const {
  GAttribute::SaveContents(stream);
  vel::WriteClassVersion(stream);
  value_.SaveOn(stream);
}

void GStringAttribute::SaveContents(RWBinaryFile& file) const {
  GAttribute::SaveContents(file);
  vel::WriteClassVersion(file);
  (void)value_.SaveOn(file);
}

bool GStringAttribute::IsKindOf(RWClassID id) const {
  return id == ClassId() || GAttribute::IsKindOf(id);
}

bool GStringAttribute::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  return other != nullptr && other->IsA() == IsA() && GAttribute::IsSameKey(other) &&
         static_cast<const GStringAttribute*>(other)->value_ == value_;
}

std::uint16_t GStringAttribute::Accept(GTypedHandlers& handlers) {
  return handlers.HandleStringAttribute(*this);
}
