// GRectangleGraphic.
#include "framework/pipeline/GRectangleGraphic.h"

#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/CommandParts.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

RWClassID GRectangleGraphic::ClassId() {
  return vel::classid::kGRectangleGraphic;
}

RWCollectable* GRectangleGraphic::Create() {
  return new (std::nothrow) GRectangleGraphic;
}

RWCollectable* GRectangleGraphic::CreateInstance() const {
  return Create();
}

RWCollectable* GRectangleGraphic::Clone() const {
  return new (std::nothrow) GRectangleGraphic(*this);
}

RWClassID GRectangleGraphic::IsA() const {
  return ClassId();
}

bool GRectangleGraphic::IsKindOf(RWClassID id) const {
  return id == ClassId() || GShapeGraphic::IsKindOf(id);
}

std::uint16_t GRectangleGraphic::Accept(GTypedHandlers& handlers) {
  return handlers.HandleRectangleGraphic(*this);
}

std::uint32_t GRectangleGraphic::StoredByteCount() const {
  return GShapeGraphic::StoredByteCount() + vel::kClassVersionSize;
}

void GRectangleGraphic::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GShapeGraphic>(*this, stream);
}

void GRectangleGraphic::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GShapeGraphic>(*this, file);
}

void GRectangleGraphic::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GShapeGraphic>(*this, stream);
}

void GRectangleGraphic::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GShapeGraphic>(*this, file);
}
