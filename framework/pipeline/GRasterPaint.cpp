// GRasterPaint and its shared GRasterPaintImp.
#include "framework/pipeline/GRasterPaint.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"
#include "framework/output/GLanguagePeripheral.h"
#include "framework/pipeline/CommandParts.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

void LetGo(GRasterPaintImp* implementation) {
  if (implementation != nullptr && implementation->ReleaseUse() < 1) {
    delete implementation;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// GRasterPaintImp

GRasterPaintImp::GRasterPaintImp(const GRasterPaintImp& other)
    : GBaseObject(other), bitmap_(other.bitmap_), value_(other.value_) {}

GRasterPaintImp& GRasterPaintImp::operator=(const GRasterPaintImp& other) {
  if (this != &other) {
    GBaseObject::operator=(other);
    bitmap_ = other.bitmap_;
    value_ = other.value_;
  }
  return *this;
}

RWClassID GRasterPaintImp::ClassId() {
  return vel::classid::kGRasterPaintImp;
}

RWCollectable* GRasterPaintImp::Create() {
  return new (std::nothrow) GRasterPaintImp;
}

RWCollectable* GRasterPaintImp::CreateInstance() const {
  return Create();
}

RWCollectable* GRasterPaintImp::Clone() const {
  return new (std::nothrow) GRasterPaintImp(*this);
}

RWClassID GRasterPaintImp::IsA() const {
  return ClassId();
}

bool GRasterPaintImp::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool GRasterPaintImp::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* implementation = dynamic_cast<const GRasterPaintImp*>(other);
  return implementation != nullptr && other->IsA() == IsA() &&
         implementation->value_ == value_ && bitmap_.IsSameKey(&implementation->bitmap_);
}

std::uint32_t GRasterPaintImp::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GBaseObject::StoredByteCount() + vel::kClassVersionSize + RWTotalStoredSize(&bitmap_) +
         sizeof(value_);
}

template <typename Carrier>
void GRasterPaintImp::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  bitmap_.SaveObject(carrier);
  vel::WriteField(carrier, value_);
}

void GRasterPaintImp::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GRasterPaintImp::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GRasterPaintImp::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  // The record must fill the bitmap member itself: a reference or the nil object is damaged data.
  const RWCollectable* restored = carrier >> static_cast<RWCollectable&>(bitmap_);
  std::uint16_t value = 0;
  if (restored != &bitmap_ || !vel::CarrierGood(carrier) || !vel::ReadField(carrier, value)) {
    vel::FailCarrier(carrier);
    return;
  }
  value_ = value;
}

void GRasterPaintImp::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GRasterPaintImp::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

// ---------------------------------------------------------------------------------------------
// GRasterPaint

GRasterPaint::GRasterPaint(GBitmap bitmap, std::uint32_t key) : GPaint(key) {
  Share(new (std::nothrow) GRasterPaintImp(bitmap));
}

GRasterPaint::GRasterPaint(const GRasterPaint& other) : GPaint(other) {
  Share(other.implementation_);
}

GRasterPaint& GRasterPaint::operator=(const GRasterPaint& other) {
  GPaint::operator=(other);
  Share(other.implementation_);
  return *this;
}

GRasterPaint::~GRasterPaint() {
  LetGo(implementation_);
}

void GRasterPaint::Share(GRasterPaintImp* implementation) {
  if (implementation == implementation_) {
    return;
  }
  if (implementation != nullptr) {
    implementation->AddUse();
  }
  GRasterPaintImp* old = implementation_;
  implementation_ = implementation;
  LetGo(old);
}

RWClassID GRasterPaint::ClassId() {
  return vel::classid::kGRasterPaint;
}

RWCollectable* GRasterPaint::Create() {
  return new (std::nothrow) GRasterPaint;
}

RWCollectable* GRasterPaint::CreateInstance() const {
  return Create();
}

RWCollectable* GRasterPaint::Clone() const {
  return new (std::nothrow) GRasterPaint(*this);
}

RWClassID GRasterPaint::IsA() const {
  return ClassId();
}

bool GRasterPaint::IsKindOf(RWClassID id) const {
  return id == ClassId() || GPaint::IsKindOf(id);
}

bool GRasterPaint::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* paint = dynamic_cast<const GRasterPaint*>(other);
  if (paint == nullptr || other->IsA() != IsA()) {
    return false;
  }
  if (implementation_ == nullptr || paint->implementation_ == nullptr) {
    return implementation_ == paint->implementation_;
  }
  return implementation_->IsSameKey(paint->implementation_);
}

std::uint16_t GRasterPaint::AcceptAsPenPaint(GLanguagePeripheral& peripheral) {
  return peripheral.HandleRasterPenPaint(*this);
}

std::uint16_t GRasterPaint::AcceptAsBrushPaint(GLanguagePeripheral& peripheral) {
  return peripheral.HandleRasterBrushPaint(*this);
}

std::uint16_t GRasterPaint::GetValue() const {
  return implementation_ == nullptr ? 0 : implementation_->GetValue();
}

void GRasterPaint::SetValue(std::uint16_t value) {
  if (implementation_ != nullptr) {
    implementation_->SetValue(value);
  }
}

GBitmap* GRasterPaint::GetBitmap() {
  if (implementation_ == nullptr) {
    Share(new (std::nothrow) GRasterPaintImp);
  }
  return implementation_ == nullptr ? nullptr : &implementation_->GetBitmap();
}

std::uint32_t GRasterPaint::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GPaint::StoredByteCount() + vel::kClassVersionSize +
         RWTotalStoredSize(implementation_);
}

template <typename Carrier>
void GRasterPaint::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GPaint::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  carrier << static_cast<const RWCollectable*>(implementation_);
}

void GRasterPaint::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GRasterPaint::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GRasterPaint::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GPaint::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  // The implementation is kept by its count, which the restore's bookkeeping never frees: a paint
  // the failed restore made lets go of it in its destructor. A reference shares an implementation
  // only when an earlier paint of this restore holds it; one that another holder received new
  // belongs to that holder.
  RWRestoredMember member(carrier, nullptr);
  RWCollectable* object = member.Object();
  auto* implementation = dynamic_cast<GRasterPaintImp*>(object);
  const bool refused =
      !vel::CarrierGood(carrier) || (object != nullptr && implementation == nullptr) ||
      member.NamesOpenRecord() ||
      (implementation != nullptr && !member.IsNew() && implementation->Uses() < 1);
  if (refused) {
    member.Keep(RWHold::kRefuses);
    vel::FailCarrier(carrier);
    return;
  }
  member.Keep(member.IsNew() ? RWHold::kOwns : RWHold::kHolds);
  Share(implementation);
}

void GRasterPaint::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GRasterPaint::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
