// GFillMode.
#include "framework/pipeline/GFillMode.h"

#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/CommandParts.h"

RWClassID GFillMode::ClassId() {
  return vel::classid::kGFillMode;
}

RWCollectable* GFillMode::Create() {
  return new (std::nothrow) GFillMode;
}

RWCollectable* GFillMode::CreateInstance() const {
  return Create();
}

RWCollectable* GFillMode::Clone() const {
  return new (std::nothrow) GFillMode(*this);
}

RWClassID GFillMode::IsA() const {
  return ClassId();
}

bool GFillMode::IsKindOf(RWClassID id) const {
  return id == ClassId() || GGraphicStateAttribute::IsKindOf(id);
}

RWClassID GFillMode::CategoryId() const {
  return vel::classid::kGFillMode;
}

bool GFillMode::IsSameKey(const GBaseObject* other) const {
  return other == this ||
         (SameClass(other) && static_cast<const GFillMode&>(*other).fill_mode_ == fill_mode_);
}

std::uint16_t GFillMode::Accept(GTypedHandlers& handlers) {
  return handlers.HandleFillMode(*this);
}

std::uint32_t GFillMode::StoredByteCount() const {
  return GGraphicStateAttribute::StoredByteCount() + vel::kClassVersionSize + 4;
}

void GFillMode::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreFieldsAfter<GGraphicStateAttribute>(*this, stream, fill_mode_);
}

void GFillMode::RestoreContents(RWBinaryFile& file) {
  vel::RestoreFieldsAfter<GGraphicStateAttribute>(*this, file, fill_mode_);
}

void GFillMode::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveFieldsAfter<GGraphicStateAttribute>(*this, stream, fill_mode_);
}

void GFillMode::SaveContents(RWBinaryFile& file) const {
  vel::SaveFieldsAfter<GGraphicStateAttribute>(*this, file, fill_mode_);
}
