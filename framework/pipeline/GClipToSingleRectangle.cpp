// GClipToSingleRectangle.
#include "framework/pipeline/GClipToSingleRectangle.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/StoredRect.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

RWClassID GClipToSingleRectangle::ClassId() {
  return vel::classid::kGClipToSingleRectangle;
}

RWCollectable* GClipToSingleRectangle::Create() {
  return new (std::nothrow) GClipToSingleRectangle;
}

RWCollectable* GClipToSingleRectangle::CreateInstance() const {
  return Create();
}

RWCollectable* GClipToSingleRectangle::Clone() const {
  return new (std::nothrow) GClipToSingleRectangle(*this);
}

RWClassID GClipToSingleRectangle::IsA() const {
  return ClassId();
}

bool GClipToSingleRectangle::IsKindOf(RWClassID id) const {
  return id == ClassId() || GClipAttribute::IsKindOf(id);
}

bool GClipToSingleRectangle::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* clip = dynamic_cast<const GClipToSingleRectangle*>(other);
  return clip != nullptr && SameClass(other) && GClipAttribute::IsSameKey(other) &&
         rectangle_ == clip->rectangle_;
}

std::uint16_t GClipToSingleRectangle::Accept(GTypedHandlers& handlers) {
  return handlers.HandleClipToSingleRectangle(*this);
}

bool GClipToSingleRectangle::GetBounds(GRect& bounds) const {
  bounds = rectangle_;
  return true;
}

std::uint32_t GClipToSingleRectangle::StoredByteCount() const {
  return GClipAttribute::StoredByteCount() + vel::kClassVersionSize + vel::kStoredRectSize;
}

template <typename Carrier>
void GClipToSingleRectangle::Save(Carrier& carrier) const {
  GClipAttribute::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteRect(carrier, rectangle_);
}

void GClipToSingleRectangle::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GClipToSingleRectangle::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GClipToSingleRectangle::Restore(Carrier& carrier) {
  GClipAttribute::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  GRect rectangle;
  if (!vel::ReadRect(carrier, rectangle)) {
    vel::FailCarrier(carrier);
    return;
  }
  rectangle_ = rectangle;
}

void GClipToSingleRectangle::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GClipToSingleRectangle::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
