// GColorPaint.
#include "framework/pipeline/GColorPaint.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/output/GLanguagePeripheral.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GColor.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

GColor* CopyOf(const GColor* color) {
  return color != nullptr ? static_cast<GColor*>(color->Clone()) : nullptr;
}

}  // namespace

GColorPaint::GColorPaint(GColor* color, std::uint32_t key) : GPaint(key), color_(color) {}

GColorPaint::GColorPaint(const GColorPaint& other) : GPaint(other), color_(CopyOf(other.color_)) {}

GColorPaint& GColorPaint::operator=(const GColorPaint& other) {
  if (this != &other) {
    GPaint::operator=(other);
    SetColor(CopyOf(other.color_));
  }
  return *this;
}

GColorPaint::~GColorPaint() {
  vel::DestroyRefused(color_, false);
}

RWClassID GColorPaint::ClassId() {
  return vel::classid::kGColorPaint;
}

RWCollectable* GColorPaint::Create() {
  return new (std::nothrow) GColorPaint;
}

RWCollectable* GColorPaint::CreateInstance() const {
  return Create();
}

RWCollectable* GColorPaint::Clone() const {
  return new (std::nothrow) GColorPaint(*this);
}

RWClassID GColorPaint::IsA() const {
  return ClassId();
}

bool GColorPaint::IsKindOf(RWClassID id) const {
  return id == ClassId() || GPaint::IsKindOf(id);
}

bool GColorPaint::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* paint = dynamic_cast<const GColorPaint*>(other);
  if (paint == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  if (color_ == nullptr || paint->color_ == nullptr) {
    return true;
  }
  return color_->IsSameKey(paint->color_);
}

std::uint16_t GColorPaint::AcceptAsPenPaint(GLanguagePeripheral& peripheral) {
  return peripheral.HandleColorPenPaint(*this);
}

std::uint16_t GColorPaint::AcceptAsBrushPaint(GLanguagePeripheral& peripheral) {
  return peripheral.HandleColorBrushPaint(*this);
}

void GColorPaint::SetColor(GColor* color) {
  if (color == color_) {
    return;
  }
  vel::DestroyRefused(color_, false);
  color_ = color;
}

std::uint32_t GColorPaint::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GPaint::StoredByteCount() + vel::kClassVersionSize + RWTotalStoredSize(color_);
}

template <typename Carrier>
void GColorPaint::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GPaint::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  carrier << static_cast<const RWCollectable*>(color_);
}

void GColorPaint::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GColorPaint::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GColorPaint::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  restored_ = nullptr;
  GPaint::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  RWRestoredMember member(carrier, this);
  RWCollectable* read = member.Object();
  auto* color = dynamic_cast<GColor*>(read);
  if (!vel::CarrierGood(carrier) || (read != nullptr && (!member.IsNew() || color == nullptr))) {
    member.Keep(RWHold::kRefuses);
    vel::FailCarrier(carrier);
    return;
  }
  member.Keep(color != nullptr ? RWHold::kOwns : RWHold::kRefuses);
  SetColor(color);
  restored_ = color;
}

void GColorPaint::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GColorPaint::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GColorPaint::ForgetRestoredMembers() {
  if (restored_ != nullptr && restored_ == color_) {
    delete color_;
    color_ = nullptr;
  }
  restored_ = nullptr;
}
