// GCap.
#include "framework/pipeline/GCap.h"

#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/CommandParts.h"

RWClassID GCap::ClassId() {
  return vel::classid::kGCap;
}

RWCollectable* GCap::Create() {
  return new (std::nothrow) GCap;
}

RWCollectable* GCap::CreateInstance() const {
  return Create();
}

RWCollectable* GCap::Clone() const {
  return new (std::nothrow) GCap(*this);
}

RWClassID GCap::IsA() const {
  return ClassId();
}

bool GCap::IsKindOf(RWClassID id) const {
  return id == ClassId() || GGraphicStateAttribute::IsKindOf(id);
}

RWClassID GCap::CategoryId() const {
  return vel::classid::kGCap;
}

bool GCap::IsSameKey(const GBaseObject* other) const {
  return other == this || (SameClass(other) && GBaseObject::IsSameKey(other) &&
                           static_cast<const GCap&>(*other).cap_ == cap_);
}

std::uint16_t GCap::Accept(GTypedHandlers& handlers) {
  return handlers.HandleCap(*this);
}

std::uint32_t GCap::StoredByteCount() const {
  return GGraphicStateAttribute::StoredByteCount() + vel::kClassVersionSize + 4;
}

void GCap::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreFieldsAfter<GGraphicStateAttribute>(*this, stream, cap_);
}

void GCap::RestoreContents(RWBinaryFile& file) {
  vel::RestoreFieldsAfter<GGraphicStateAttribute>(*this, file, cap_);
}

void GCap::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveFieldsAfter<GGraphicStateAttribute>(*this, stream, cap_);
}

void GCap::SaveContents(RWBinaryFile& file) const {
  vel::SaveFieldsAfter<GGraphicStateAttribute>(*this, file, cap_);
}
