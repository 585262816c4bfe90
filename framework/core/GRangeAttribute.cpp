// GRangeAttribute.
#include "framework/core/GRangeAttribute.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/StoredFields.h"

GRangeAttribute::GRangeAttribute(std::int16_t minimum,
                                 std::int16_t maximum,
                                 std::uint16_t step,
                                 std::int16_t value,
                                 std::uint32_t key)
    : GAttribute(key), minimum_(minimum), maximum_(maximum), step_(step), value_(value) {
  if (maximum_ < minimum_) {
    maximum_ = minimum_;
  }
  value_ = Clamp(value_);
  if (step_ == 0) {
    step_ = 1;
  }
}

std::int16_t GRangeAttribute::Clamp(std::int32_t value) const {
  if (value < minimum_) {
    return minimum_;
  }
  if (value > maximum_) {
    return maximum_;
  }
  return static_cast<std::int16_t>(value);
}

std::int16_t GRangeAttribute::SetMin(std::int16_t minimum) {
  minimum_ = minimum > maximum_ ? maximum_ : minimum;
  return minimum;
}

std::int16_t GRangeAttribute::SetMax(std::int16_t maximum) {
  maximum_ = maximum < minimum_ ? minimum_ : maximum;
  return maximum;
}

void GRangeAttribute::SetValue(std::int16_t value) {
  value_ = Clamp(value);
}

void GRangeAttribute::Increment() {
  value_ = Clamp(std::int32_t{value_} + step_);
}

void GRangeAttribute::Decrement() {
  value_ = Clamp(std::int32_t{value_} - step_);
}

RWClassID GRangeAttribute::ClassId() {
  return vel::classid::kGRangeAttribute;
}

RWCollectable* GRangeAttribute::Create() {
  return new (std::nothrow) GRangeAttribute;
}

RWCollectable* GRangeAttribute::CreateInstance() const {
  return Create();
}

RWCollectable* GRangeAttribute::Clone() const {
  return new (std::nothrow) GRangeAttribute(*this);
}

RWClassID GRangeAttribute::IsA() const {
  return ClassId();
}

RWClassID GRangeAttribute::CategoryId() const {
  return ClassId();
}

std::uint32_t GRangeAttribute::StoredByteCount() const {
  return GAttribute::StoredByteCount() + 12;
}

template <typename Carrier>
void GRangeAttribute::Restore(Carrier& carrier) {
  GAttribute::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  // Each field is taken as it arrives; a cut record leaves the rest as they were.
  (void)(vel::ReadField(carrier, minimum_) && vel::ReadField(carrier, maximum_) &&
         vel::ReadField(carrier, step_) && vel::ReadField(carrier, value_));
}

void GRangeAttribute::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GRangeAttribute::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GRangeAttribute::SaveContents(RWVirtualOutStream& stream) const {
  GAttribute::SaveContents(stream);
  vel::WriteClassVersion(stream);
  vel::WriteField(stream, minimum_);
  vel::WriteField(stream, maximum_);
  vel::WriteField(stream, step_);
  vel::WriteField(stream, value_);
}

void GRangeAttribute::SaveContents(RWBinaryFile& file) const {
  GAttribute::SaveContents(file);
  vel::WriteClassVersion(file);
  vel::WriteField(file, minimum_);
  vel::WriteField(file, maximum_);
  vel::WriteField(file, step_);
  vel::WriteField(file, value_);
}

bool GRangeAttribute::IsKindOf(RWClassID id) const {
  return id == ClassId() || GAttribute::IsKindOf(id);
}

bool GRangeAttribute::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GAttribute::IsSameKey(other)) {
    return false;
  }
  const auto& range = static_cast<const GRangeAttribute&>(*other);
  return range.minimum_ == minimum_ && range.maximum_ == maximum_ && range.step_ == step_ &&
         range.value_ == value_;
}

std::uint16_t GRangeAttribute::Accept(GTypedHandlers& handlers) {
  return handlers.HandleRangeAttribute(*this);
}
