// GMedia.
#include "framework/core/GMedia.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"

namespace {

RWCString TextOrEmpty(const char* text) {
  return text != nullptr ? RWCString(text) : RWCString();
}

void CopyPair(std::int16_t* to, const std::int16_t* from) {
  if (from != nullptr) {
    to[0] = from[0];
    to[1] = from[1];
  }
}

}  // namespace

GMedia::GMedia() : GAttribute(vel::key::kMedia) {}

GMedia::GMedia(const char* name,
               const std::int16_t* size,
               const std::int16_t* printable_size,
               const std::int16_t* printable_origin,
               std::int32_t orientation,
               std::int16_t paper_id,
               std::uint16_t resolution_x,
               std::uint16_t resolution_y,
               std::uint32_t key,
               std::uint16_t auxiliary_value,
               const char* second_name,
               const char* media_type)
    : GAttribute(key),
      name_(TextOrEmpty(name)),
      orientation_(orientation),
      resolution_x_(resolution_x),
      resolution_y_(resolution_y),
      auxiliary_value_(auxiliary_value),
      second_name_(TextOrEmpty(second_name)),
      media_type_(TextOrEmpty(media_type)),
      paper_id_(paper_id) {
  CopyPair(size_, size);
  CopyPair(printable_size_, printable_size);
  CopyPair(printable_origin_, printable_origin);
}

RWCollectable* GMedia::Create() {
  return new (std::nothrow) GMedia;
}

RWCollectable* GMedia::CreateInstance() const {
  return Create();
}

RWCollectable* GMedia::Clone() const {
  return new (std::nothrow) GMedia(*this);
}

RWClassID GMedia::IsA() const {
  return ClassId();
}

bool GMedia::IsKindOf(RWClassID id) const {
  return id == ClassId() || GAttribute::IsKindOf(id);
}

void GMedia::SetSecondName(const char* name) {
  second_name_ = TextOrEmpty(name);
}

void GMedia::SetMediaType(const char* type) {
  media_type_ = TextOrEmpty(type);
}

void GMedia::GetPrintableRect(std::int16_t* left,
                              std::int16_t* top,
                              std::int16_t* right,
                              std::int16_t* bottom) const {
  *left = printable_origin_[0];
  *top = printable_origin_[1];
  *right = static_cast<std::int16_t>(printable_origin_[0] + printable_size_[0]);
  *bottom = static_cast<std::int16_t>(printable_origin_[1] + printable_size_[1]);
}

std::uint32_t GMedia::StoredByteCount() const {
  return GAttribute::StoredByteCount() + 40 + static_cast<std::uint32_t>(name_.Length()) +
         static_cast<std::uint32_t>(second_name_.Length()) +
         static_cast<std::uint32_t>(media_type_.Length());
}

template <typename Carrier>
void GMedia::Save(Carrier& carrier) const {
  GAttribute::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteString(carrier, name_);
  for (const std::int16_t* pair : {size_, printable_size_, printable_origin_}) {
    vel::WriteField(carrier, pair[0]);
    vel::WriteField(carrier, pair[1]);
  }
  vel::WriteField(carrier, orientation_);
  vel::WriteField(carrier, resolution_x_);
  vel::WriteField(carrier, resolution_y_);
  vel::WriteField(carrier, auxiliary_value_);
  vel::WriteString(carrier, second_name_);
  vel::WriteString(carrier, media_type_);
  vel::WriteField(carrier, paper_id_);
}

void GMedia::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GMedia::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GMedia::Restore(Carrier& carrier) {
  GAttribute::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  bool good = vel::ReadString(carrier, name_);
  for (std::int16_t* pair : {size_, printable_size_, printable_origin_}) {
    good = good && vel::ReadField(carrier, pair[0]) && vel::ReadField(carrier, pair[1]);
  }
  good = good && vel::ReadField(carrier, orientation_) && vel::ReadField(carrier, resolution_x_) &&
         vel::ReadField(carrier, resolution_y_) && vel::ReadField(carrier, auxiliary_value_) &&
         vel::ReadString(carrier, second_name_) && vel::ReadString(carrier, media_type_) &&
         vel::ReadField(carrier, paper_id_);
  if (!good) {
    vel::FailCarrier(carrier);
  }
}

void GMedia::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GMedia::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

bool GMedia::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GAttribute::IsSameKey(other)) {
    return false;
  }
  const auto& media = static_cast<const GMedia&>(*other);
  auto same_pair = [](const std::int16_t* a, const std::int16_t* b) {
    return a[0] == b[0] && a[1] == b[1];
  };
  return name_ == media.name_ && same_pair(size_, media.size_) &&
         same_pair(printable_size_, media.printable_size_) &&
         same_pair(printable_origin_, media.printable_origin_) &&
         orientation_ == media.orientation_ && resolution_x_ == media.resolution_x_ &&
         resolution_y_ == media.resolution_y_ && auxiliary_value_ == media.auxiliary_value_ &&
         second_name_ == media.second_name_ && media_type_ == media.media_type_ &&
         paper_id_ == media.paper_id_;
}

std::uint16_t GMedia::Accept(GTypedHandlers& handlers) {
  return handlers.HandleMedia(*this);
}
