// GTextGraphic.
#include "framework/pipeline/GTextGraphic.h"

#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/CommandParts.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

RWClassID GTextGraphic::ClassId() {
  return vel::classid::kGTextGraphic;
}

RWCollectable* GTextGraphic::Create() {
  return new (std::nothrow) GTextGraphic;
}

RWCollectable* GTextGraphic::CreateInstance() const {
  return Create();
}

RWCollectable* GTextGraphic::Clone() const {
  return new (std::nothrow) GTextGraphic(*this);
}

RWClassID GTextGraphic::IsA() const {
  return ClassId();
}

bool GTextGraphic::IsKindOf(RWClassID id) const {
  return id == ClassId() || GGraphicComposite::IsKindOf(id);
}

std::uint16_t GTextGraphic::Accept(GTypedHandlers& handlers) {
  return handlers.HandleTextGraphic(*this);
}

std::uint32_t GTextGraphic::StoredByteCount() const {
  return GGraphicComposite::StoredByteCount() + vel::kClassVersionSize;
}

void GTextGraphic::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GGraphicComposite>(*this, stream);
}

void GTextGraphic::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GGraphicComposite>(*this, file);
}

void GTextGraphic::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GGraphicComposite>(*this, stream);
}

void GTextGraphic::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GGraphicComposite>(*this, file);
}
