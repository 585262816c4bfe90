// Character advances of a run of text.
#include "framework/output/GTextEscapements.h"

#include <cmath>
#include <new>
#include <utility>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

// Negates every element of an owned buffer in place.
void Negate(GCharacterBuffer& buffer) {
  for (std::uint32_t i = 0; i < buffer.Count(); ++i) {
    (void)buffer.Set(i, static_cast<std::uint16_t>(-static_cast<std::int16_t>(buffer.At(i))));
  }
}

}  // namespace

GTextEscapements::GTextEscapements(GCharacterBuffer x, GCharacterBuffer y, std::uint16_t count)
    : x_(std::move(x)), y_(std::move(y)), count_(count) {}

GTextEscapements::GTextEscapements(float angle, GCharacterBuffer advances)
    : count_(static_cast<std::uint16_t>(advances.Count())) {
  if (angle == 0.0F) {
    x_ = std::move(advances);
    return;
  }
  if (angle == 270.0F) {
    y_ = std::move(advances);
    return;
  }
  if (angle == 90.0F || angle == 180.0F) {
    (void)advances.MakeOwned();
    Negate(advances);
    (angle == 90.0F ? y_ : x_) = std::move(advances);
    return;
  }
  const float radians = angle * 0.017453292F;
  const float c = std::cos(radians);
  const float s = std::sin(radians);
  (void)advances.MakeOwned();
  GCharacterBuffer y = GCharacterBuffer::Zeros(2, count_);
  // The running sum is signed: negative advances move the text backwards along its baseline.
  std::int32_t sum = 0;
  std::int64_t previous_x = 0;
  std::int64_t previous_y = 0;
  for (std::uint32_t i = 0; i < count_; ++i) {
    sum += static_cast<std::int16_t>(advances.At(i));
    const float total = static_cast<float>(sum);
    const auto x = static_cast<std::int64_t>(std::trunc(c * total + 0.5F));
    const auto y_position = static_cast<std::int64_t>(std::trunc(-(s * total + 0.5F)));
    (void)advances.Set(i, static_cast<std::uint16_t>(x - previous_x));
    (void)y.Set(i, static_cast<std::uint16_t>(y_position - previous_y));
    previous_x = x;
    previous_y = y_position;
  }
  x_ = std::move(advances);
  y_ = std::move(y);
}

GTextEscapements::GTextEscapements(const GTextEscapements& other)
    : GBaseObject(other), x_(GCharacterBuffer::CopyOf(other.x_)),
      y_(GCharacterBuffer::CopyOf(other.y_)), count_(other.count_) {}

GTextEscapements& GTextEscapements::operator=(const GTextEscapements& other) {
  if (this != &other) {
    GBaseObject::operator=(other);
    x_ = GCharacterBuffer::CopyOf(other.x_);
    y_ = GCharacterBuffer::CopyOf(other.y_);
    count_ = other.count_;
  }
  return *this;
}

void GTextEscapements::Set(GCharacterBuffer& array, std::uint32_t index, std::int16_t value) {
  if (array.IsEmpty()) {
    if (value == 0) {
      return;
    }
    array = GCharacterBuffer::Zeros(2, count_);
  }
  if (array.MakeOwned() && index < count_) {
    (void)array.Set(index, static_cast<std::uint16_t>(value));
  }
}

RWClassID GTextEscapements::ClassId() {
  return vel::classid::kGTextEscapements;
}

RWCollectable* GTextEscapements::Create() {
  return new (std::nothrow) GTextEscapements;
}

RWCollectable* GTextEscapements::CreateInstance() const {
  return Create();
}

RWCollectable* GTextEscapements::Clone() const {
  return new (std::nothrow) GTextEscapements(*this);
}

RWClassID GTextEscapements::IsA() const {
  return ClassId();
}

bool GTextEscapements::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool GTextEscapements::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto& escapements = static_cast<const GTextEscapements&>(*other);
  return escapements.count_ == count_ && x_.SameElements(escapements.x_) &&
         y_.SameElements(escapements.y_);
}

std::uint32_t GTextEscapements::StoredByteCount() const {
  std::uint32_t size = GBaseObject::StoredByteCount() + vel::kClassVersionSize + 2 + 4 + 4;
  if (!x_.IsEmpty()) {
    size += 2U * count_;
  }
  if (!y_.IsEmpty()) {
    size += 2U * count_;
  }
  return size;
}

template <typename Carrier>
void GTextEscapements::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, count_);
  for (const GCharacterBuffer* array : {&x_, &y_}) {
    const bool present = !array->IsEmpty();
    vel::WriteField(carrier, std::uint32_t{present ? 1U : 0U});
    if (present) {
      vel::WriteElements(carrier, *array, count_, 2);
    }
  }
}

void GTextEscapements::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GTextEscapements::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GTextEscapements::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint16_t count = 0;
  if (!vel::ReadField(carrier, count)) {
    vel::FailCarrier(carrier);
    return;
  }
  GCharacterBuffer arrays[2];
  for (GCharacterBuffer& array : arrays) {
    std::uint32_t flag = 0;
    if (!vel::ReadField(carrier, flag) || flag > 1 ||
        (flag == 1 && !vel::ReadElements(carrier, array, count, 2))) {
      vel::FailCarrier(carrier);
      return;
    }
  }
  x_ = std::move(arrays[0]);
  y_ = std::move(arrays[1]);
  count_ = count;
}

void GTextEscapements::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GTextEscapements::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
