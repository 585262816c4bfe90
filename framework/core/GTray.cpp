// GTray.
#include "framework/core/GTray.h"

#include <algorithm>
#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"
#include "rw/rwstore.h"

namespace vel {

int SetLevel(std::int32_t capacity, std::int32_t& level, std::int32_t value, int as_percentage) {
  if (as_percentage == 0) {
    if (capacity > value) {
      level = value;
      return 1;
    }
    return 0;
  }
  if (capacity <= 0 || value > 100) {
    return 0;
  }
  const std::int64_t sheets = std::int64_t{capacity} * value / 100;
  level = static_cast<std::int32_t>(std::clamp<std::int64_t>(sheets, 0, capacity));
  return 1;
}

}  // namespace vel

namespace {

GMedia* CopyOf(const GMedia* media) {
  return media != nullptr ? new (std::nothrow) GMedia(*media) : nullptr;
}

}  // namespace

GTray::GTray(const char* name, std::int16_t tray_id, std::uint32_t key)
    : GAttribute(key), name_(name != nullptr ? RWCString(name) : RWCString()), tray_id_(tray_id) {}

GTray::GTray(const char* name,
             std::int16_t tray_id,
             std::int32_t first_value,
             std::int32_t second_value,
             std::int32_t capacity,
             std::int32_t level,
             GMedia* media,
             std::uint32_t key)
    : GAttribute(key),
      name_(name != nullptr ? RWCString(name) : RWCString()),
      tray_id_(tray_id),
      first_value_(first_value),
      second_value_(second_value),
      capacity_(capacity),
      level_(level),
      media_(media) {}

GTray::GTray(const GTray& other)
    : GAttribute(other),
      name_(other.name_),
      tray_id_(other.tray_id_),
      first_value_(other.first_value_),
      second_value_(other.second_value_),
      capacity_(other.capacity_),
      level_(other.level_),
      media_(CopyOf(other.media_)) {}

GTray& GTray::operator=(const GTray& other) {
  if (&other == this) {
    return *this;
  }
  GAttribute::operator=(other);
  name_ = other.name_;
  tray_id_ = other.tray_id_;
  first_value_ = other.first_value_;
  second_value_ = other.second_value_;
  capacity_ = other.capacity_;
  level_ = other.level_;
  SetMedia(CopyOf(other.media_));
  return *this;
}

GTray::~GTray() {
  delete media_;
}

RWClassID GTray::ClassId() {
  return vel::classid::kGTray;
}

RWCollectable* GTray::Create() {
  return new (std::nothrow) GTray;
}

RWCollectable* GTray::CreateInstance() const {
  return Create();
}

RWCollectable* GTray::Clone() const {
  return new (std::nothrow) GTray(*this);
}

RWClassID GTray::IsA() const {
  return ClassId();
}

bool GTray::IsKindOf(RWClassID id) const {
  return id == ClassId() || GAttribute::IsKindOf(id);
}

void GTray::SetMedia(GMedia* media) {
  if (media == media_) {
    return;
  }
  delete media_;
  media_ = media;
}

GMedia* GTray::ReleaseMedia() {
  GMedia* media = media_;
  media_ = nullptr;
  return media;
}

int GTray::SetLevel(std::int32_t value, int as_percentage) {
  return vel::SetLevel(capacity_, level_, value, as_percentage);
}

std::uint32_t GTray::StoredByteCount() const {
  const std::uint32_t size =
      GAttribute::StoredByteCount() + 30 + static_cast<std::uint32_t>(name_.Length());
  return media_ != nullptr ? size + RWTotalStoredSize(media_) : size;
}

template <typename Carrier>
void GTray::Save(Carrier& carrier) const {
  GAttribute::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteString(carrier, name_);
  vel::WriteField(carrier, tray_id_);
  vel::WriteField(carrier, first_value_);
  vel::WriteField(carrier, second_value_);
  vel::WriteField(carrier, capacity_);
  vel::WriteField(carrier, level_);
  vel::WriteField(carrier, std::int32_t{media_ != nullptr ? 1 : 0});
  if (media_ != nullptr) {
    carrier << static_cast<const RWCollectable*>(media_);
  }
}

void GTray::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GTray::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GTray::Restore(Carrier& carrier) {
  GAttribute::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  SetMedia(nullptr);
  std::int32_t present = 0;
  const bool good = vel::ReadString(carrier, name_) && vel::ReadField(carrier, tray_id_) &&
                    vel::ReadField(carrier, first_value_) &&
                    vel::ReadField(carrier, second_value_) && vel::ReadField(carrier, capacity_) &&
                    vel::ReadField(carrier, level_) && vel::ReadField(carrier, present);
  if (!good) {
    vel::FailCarrier(carrier);
    return;
  }
  if (present != 1) {
    return;
  }
  // The tray keeps a copy: what the record made stays the restore's, so a later reference to it
  // in the same graph names an object nobody else owns.
  RWRestoredMember member(carrier, nullptr);
  RWCollectable* object = member.Object();
  member.Keep(RWHold::kRefuses);
  if (!vel::CarrierGood(carrier)) {
    return;
  }
  if (object == nullptr || object->IsA() != vel::classid::kGMedia || member.NamesOpenRecord()) {
    vel::FailCarrier(carrier);
    return;
  }
  media_ = CopyOf(static_cast<const GMedia*>(object));
}

void GTray::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GTray::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

bool GTray::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GAttribute::IsSameKey(other)) {
    return false;
  }
  const auto& tray = static_cast<const GTray&>(*other);
  if (name_ != tray.name_ || tray_id_ != tray.tray_id_ || first_value_ != tray.first_value_ ||
      second_value_ != tray.second_value_ || capacity_ != tray.capacity_ || level_ != tray.level_) {
    return false;
  }
  if (media_ == nullptr || tray.media_ == nullptr) {
    return media_ == tray.media_;
  }
  return media_->IsSameKey(tray.media_);
}

std::uint16_t GTray::Accept(GTypedHandlers& handlers) {
  return handlers.HandleTray(*this);
}
