// GPen and GNoPen.
#include "framework/pipeline/GPen.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/StoredFields.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GPaint.h"

GPen::GPen() = default;

GPen::GPen(std::uint16_t width, GPaint* paint, std::uint32_t key)
    : GGraphicStateAttribute(key), width_(width), paint_(paint) {}

GPen::GPen(const GPen& other) = default;

GPen& GPen::operator=(const GPen& other) {
  if (this != &other) {
    GGraphicStateAttribute::operator=(other);
    width_ = other.width_;
    paint_.Set(other.paint_.Get());
  }
  return *this;
}

RWClassID GPen::ClassId() {
  return vel::classid::kGPen;
}

RWCollectable* GPen::Create() {
  return new (std::nothrow) GPen;
}

RWCollectable* GPen::CreateInstance() const {
  return Create();
}

RWCollectable* GPen::Clone() const {
  return new (std::nothrow) GPen(*this);
}

RWClassID GPen::IsA() const {
  return ClassId();
}

bool GPen::IsKindOf(RWClassID id) const {
  return id == ClassId() || GGraphicStateAttribute::IsKindOf(id);
}

RWClassID GPen::CategoryId() const {
  return vel::classid::kGPen;
}

std::uint16_t GPen::Accept(GTypedHandlers& handlers) {
  return handlers.HandlePen(*this);
}

bool GPen::SamePen(const GBaseObject* other) const {
  if (!SameClass(other) || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto& pen = static_cast<const GPen&>(*other);
  return pen.width_ == width_ && paint_.Matches(pen.paint_);
}

bool GPen::IsSameKey(const GBaseObject* other) const {
  return other == this || SamePen(other);
}

std::uint16_t GPen::SetWidth(std::uint16_t width) {
  width_ = width;
  return width_;
}

void GPen::SetPaint(GPaint* paint) {
  paint_.Set(paint);
}

std::uint32_t GPen::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GGraphicStateAttribute::StoredByteCount() + vel::kClassVersionSize + 2 +
         paint_.StoredSize();
}

template <typename Carrier>
void GPen::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GGraphicStateAttribute::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, width_);
  paint_.Save(carrier);
}

void GPen::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GPen::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GPen::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  paint_.BeginRestore();
  GGraphicStateAttribute::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint16_t width = 0;
  if (!vel::ReadField(carrier, width)) {
    vel::FailCarrier(carrier);
    return;
  }
  if (paint_.Restore(carrier)) {
    width_ = width;
  }
}

void GPen::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GPen::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GPen::ForgetRestoredMembers() {
  paint_.Forget();
}

GNoPen::GNoPen() : GPen(0, nullptr, 0) {}

GNoPen::GNoPen(std::uint32_t key) : GPen(1, nullptr, key) {}

RWClassID GNoPen::ClassId() {
  return vel::classid::kGNoPen;
}

RWCollectable* GNoPen::Create() {
  return new (std::nothrow) GNoPen;
}

RWCollectable* GNoPen::CreateInstance() const {
  return Create();
}

RWCollectable* GNoPen::Clone() const {
  return new (std::nothrow) GNoPen(*this);
}

RWClassID GNoPen::IsA() const {
  return ClassId();
}

bool GNoPen::IsKindOf(RWClassID id) const {
  return id == ClassId() || GPen::IsKindOf(id);
}

bool GNoPen::IsSameKey(const GBaseObject* other) const {
  return other == this || (SamePen(other) && GetPaint() == nullptr);
}

std::uint16_t GNoPen::Accept(GTypedHandlers& handlers) {
  return handlers.HandleNoPen(*this);
}

std::uint32_t GNoPen::StoredByteCount() const {
  return GPen::StoredByteCount() + vel::kClassVersionSize;
}

void GNoPen::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GPen>(*this, stream);
}

void GNoPen::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GPen>(*this, file);
}

void GNoPen::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GPen>(*this, stream);
}

void GNoPen::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GPen>(*this, file);
}
