// GPaint.
#include "framework/pipeline/GPaint.h"

#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/CommandParts.h"

RWClassID GPaint::ClassId() {
  return vel::classid::kGPaint;
}

bool GPaint::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

std::uint32_t GPaint::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + vel::kClassVersionSize;
}

void GPaint::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GBaseObject>(*this, stream);
}

void GPaint::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GBaseObject>(*this, file);
}

void GPaint::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GBaseObject>(*this, stream);
}

void GPaint::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GBaseObject>(*this, file);
}
