// GGraphicStateAttribute.
#include "framework/pipeline/GGraphicStateAttribute.h"

#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/CommandParts.h"

RWClassID GGraphicStateAttribute::ClassId() {
  return vel::classid::kGGraphicStateAttribute;
}

bool GGraphicStateAttribute::IsKindOf(RWClassID id) const {
  return id == ClassId() || GAttribute::IsKindOf(id);
}

bool GGraphicStateAttribute::SameClass(const GBaseObject* other) const {
  return other != nullptr && other->IsA() == IsA() &&
         dynamic_cast<const GGraphicStateAttribute*>(other) != nullptr;
}

std::uint32_t GGraphicStateAttribute::StoredByteCount() const {
  return GAttribute::StoredByteCount() + vel::kClassVersionSize;
}

void GGraphicStateAttribute::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GAttribute>(*this, stream);
}

void GGraphicStateAttribute::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GAttribute>(*this, file);
}

void GGraphicStateAttribute::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GAttribute>(*this, stream);
}

void GGraphicStateAttribute::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GAttribute>(*this, file);
}
