// GColor.
#include "framework/pipeline/GColor.h"

#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/CommandParts.h"

RWClassID GColor::ClassId() {
  return vel::classid::kGColor;
}

bool GColor::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

std::uint32_t GColor::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + vel::kClassVersionSize;
}

void GColor::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GBaseObject>(*this, stream);
}

void GColor::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GBaseObject>(*this, file);
}

void GColor::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GBaseObject>(*this, stream);
}

void GColor::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GBaseObject>(*this, file);
}
