// GJobAbort.
#include "framework/pipeline/GJobAbort.h"

#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/CommandParts.h"

// ---- GJobAbort

RWClassID GJobAbort::ClassId() {
  return vel::classid::kGJobAbort;
}

RWCollectable* GJobAbort::Create() {
  return new (std::nothrow) GJobAbort;
}

RWCollectable* GJobAbort::CreateInstance() const {
  return Create();
}

RWCollectable* GJobAbort::Clone() const {
  return new (std::nothrow) GJobAbort(*this);
}

RWClassID GJobAbort::IsA() const {
  return ClassId();
}

bool GJobAbort::IsKindOf(RWClassID id) const {
  return id == ClassId() || GCommand::IsKindOf(id);
}

bool GJobAbort::IsSameKey(const GBaseObject* other) const {
  return other == this || (SameClass(other) && GCommand::IsSameKey(other));
}

std::uint16_t GJobAbort::Accept(GTypedHandlers& handlers) {
  return handlers.HandleJobAbort(*this);
}

std::uint32_t GJobAbort::StoredByteCount() const {
  return GCommand::StoredByteCount() + vel::kClassVersionSize;
}

void GJobAbort::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GCommand>(*this, stream);
}

void GJobAbort::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GCommand>(*this, file);
}

void GJobAbort::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GCommand>(*this, stream);
}

void GJobAbort::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GCommand>(*this, file);
}
