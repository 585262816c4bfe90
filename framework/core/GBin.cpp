// GBin.
#include "framework/core/GBin.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTray.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"

GBin::GBin(const char* name, std::int16_t bin_id, std::uint32_t key)
    : GAttribute(key), name_(name != nullptr ? RWCString(name) : RWCString()), bin_id_(bin_id) {}

GBin::GBin(const char* name,
           std::int16_t bin_id,
           std::int32_t first_value,
           std::int32_t second_value,
           std::int32_t capacity,
           std::int32_t level,
           std::int32_t third_value,
           std::int32_t fourth_value,
           std::uint32_t key)
    : GAttribute(key),
      name_(name != nullptr ? RWCString(name) : RWCString()),
      bin_id_(bin_id),
      first_value_(first_value),
      second_value_(second_value),
      capacity_(capacity),
      level_(level),
      third_value_(third_value),
      fourth_value_(fourth_value) {}

RWClassID GBin::ClassId() {
  return vel::classid::kGBin;
}

RWCollectable* GBin::Create() {
  return new (std::nothrow) GBin;
}

RWCollectable* GBin::CreateInstance() const {
  return Create();
}

RWCollectable* GBin::Clone() const {
  return new (std::nothrow) GBin(*this);
}

RWClassID GBin::IsA() const {
  return ClassId();
}

bool GBin::IsKindOf(RWClassID id) const {
  return id == ClassId() || GAttribute::IsKindOf(id);
}

void GBin::SetName(const char* name) {
  name_ = name != nullptr ? RWCString(name) : RWCString();
}

int GBin::SetLevel(std::int32_t value, int as_percentage) {
  return vel::SetLevel(capacity_, level_, value, as_percentage);
}

std::uint32_t GBin::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + 34 + static_cast<std::uint32_t>(name_.Length());
}

template <typename Carrier>
void GBin::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteString(carrier, name_);
  vel::WriteField(carrier, bin_id_);
  for (std::int32_t value :
       {first_value_, second_value_, capacity_, level_, third_value_, fourth_value_}) {
    vel::WriteField(carrier, value);
  }
}

void GBin::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GBin::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GBin::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  bool good = vel::ReadString(carrier, name_) && vel::ReadField(carrier, bin_id_);
  for (std::int32_t* value :
       {&first_value_, &second_value_, &capacity_, &level_, &third_value_, &fourth_value_}) {
    good = good && vel::ReadField(carrier, *value);
  }
  if (!good) {
    vel::FailCarrier(carrier);
  }
}

void GBin::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GBin::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

bool GBin::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto& bin = static_cast<const GBin&>(*other);
  return name_ == bin.name_ && bin_id_ == bin.bin_id_ && first_value_ == bin.first_value_ &&
         second_value_ == bin.second_value_ && capacity_ == bin.capacity_ && level_ == bin.level_ &&
         third_value_ == bin.third_value_ && fourth_value_ == bin.fourth_value_;
}

std::uint16_t GBin::Accept(GTypedHandlers& /*handlers*/) {
  return 1;
}
