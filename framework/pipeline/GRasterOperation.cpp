// GRasterOperation.
#include "framework/pipeline/GRasterOperation.h"

#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/CommandParts.h"

RWClassID GRasterOperation::ClassId() {
  return vel::classid::kGRasterOperation;
}

RWCollectable* GRasterOperation::Create() {
  return new (std::nothrow) GRasterOperation;
}

RWCollectable* GRasterOperation::CreateInstance() const {
  return Create();
}

RWCollectable* GRasterOperation::Clone() const {
  return new (std::nothrow) GRasterOperation(*this);
}

RWClassID GRasterOperation::IsA() const {
  return ClassId();
}

bool GRasterOperation::IsKindOf(RWClassID id) const {
  return id == ClassId() || GGraphicStateAttribute::IsKindOf(id);
}

RWClassID GRasterOperation::CategoryId() const {
  return vel::classid::kGRasterOperation;
}

bool GRasterOperation::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (!SameClass(other)) {
    return false;
  }
  const auto& operation = static_cast<const GRasterOperation&>(*other);
  return operation.rop_ == rop_ && operation.mode_ == mode_;
}

std::uint16_t GRasterOperation::Accept(GTypedHandlers& handlers) {
  return handlers.HandleRasterOperation(*this);
}

std::uint32_t GRasterOperation::StoredByteCount() const {
  return GGraphicStateAttribute::StoredByteCount() + vel::kClassVersionSize + 2 + 4;
}

void GRasterOperation::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreFieldsAfter<GGraphicStateAttribute>(*this, stream, rop_, mode_);
}

void GRasterOperation::RestoreContents(RWBinaryFile& file) {
  vel::RestoreFieldsAfter<GGraphicStateAttribute>(*this, file, rop_, mode_);
}

void GRasterOperation::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveFieldsAfter<GGraphicStateAttribute>(*this, stream, rop_, mode_);
}

void GRasterOperation::SaveContents(RWBinaryFile& file) const {
  vel::SaveFieldsAfter<GGraphicStateAttribute>(*this, file, rop_, mode_);
}
