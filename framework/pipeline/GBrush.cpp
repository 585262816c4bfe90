// GBrush and GNoBrush.
#include "framework/pipeline/GBrush.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GPaint.h"

GBrush::GBrush(GPaint* paint, std::uint32_t key) : GGraphicStateAttribute(key), paint_(paint) {}

GBrush& GBrush::operator=(const GBrush& other) {
  if (this != &other) {
    GGraphicStateAttribute::operator=(other);
    paint_.Set(other.paint_.Get());
  }
  return *this;
}

RWClassID GBrush::ClassId() {
  return vel::classid::kGBrush;
}

RWCollectable* GBrush::Create() {
  return new (std::nothrow) GBrush;
}

RWCollectable* GBrush::CreateInstance() const {
  return Create();
}

RWCollectable* GBrush::Clone() const {
  return new (std::nothrow) GBrush(*this);
}

RWClassID GBrush::IsA() const {
  return ClassId();
}

bool GBrush::IsKindOf(RWClassID id) const {
  return id == ClassId() || GGraphicStateAttribute::IsKindOf(id);
}

RWClassID GBrush::CategoryId() const {
  return vel::classid::kGBrush;
}

bool GBrush::IsSameKey(const GBaseObject* other) const {
  return other == this || (SameClass(other) && GBaseObject::IsSameKey(other) &&
                           paint_.Matches(static_cast<const GBrush&>(*other).paint_));
}

std::uint16_t GBrush::Accept(GTypedHandlers& handlers) {
  return handlers.HandleBrush(*this);
}

void GBrush::SetPaint(GPaint* paint) {
  paint_.Set(paint);
}

std::uint32_t GBrush::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GGraphicStateAttribute::StoredByteCount() + vel::kClassVersionSize + paint_.StoredSize();
}

template <typename Carrier>
void GBrush::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GGraphicStateAttribute::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  paint_.Save(carrier);
}

void GBrush::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GBrush::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GBrush::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  paint_.BeginRestore();
  GGraphicStateAttribute::RestoreContents(carrier);
  if (vel::CarrierGood(carrier) && vel::ReadClassVersion(carrier)) {
    (void)paint_.Restore(carrier);
  }
}

void GBrush::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GBrush::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GBrush::ForgetRestoredMembers() {
  paint_.Forget();
}

RWClassID GNoBrush::ClassId() {
  return vel::classid::kGNoBrush;
}

RWCollectable* GNoBrush::Create() {
  return new (std::nothrow) GNoBrush;
}

RWCollectable* GNoBrush::CreateInstance() const {
  return Create();
}

RWCollectable* GNoBrush::Clone() const {
  return new (std::nothrow) GNoBrush(*this);
}

RWClassID GNoBrush::IsA() const {
  return ClassId();
}

bool GNoBrush::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBrush::IsKindOf(id);
}

bool GNoBrush::IsSameKey(const GBaseObject* other) const {
  return other == this || (SameClass(other) && GBaseObject::IsSameKey(other));
}

std::uint16_t GNoBrush::Accept(GTypedHandlers& handlers) {
  return handlers.HandleNoBrush(*this);
}

std::uint32_t GNoBrush::StoredByteCount() const {
  return GBrush::StoredByteCount() + vel::kClassVersionSize;
}

void GNoBrush::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GBrush>(*this, stream);
}

void GNoBrush::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GBrush>(*this, file);
}

void GNoBrush::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GBrush>(*this, stream);
}

void GNoBrush::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GBrush>(*this, file);
}
