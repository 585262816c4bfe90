// Descriptions of printer-resident fonts.
#include "framework/output/GDeviceFontDescription.h"

#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GDeviceFontDescription::GDeviceFontDescription(
    const RWCString& name, const RWCString& second_name, std::uint32_t char_set,
    const GValueVector& char_sets, std::uint16_t first_match, std::uint32_t second_match,
    std::uint32_t style_class, std::uint32_t flag, std::uint32_t technology,
    std::int16_t record_value, std::uint16_t reserved, std::uint32_t location_class)
    : name_(name), second_name_(second_name), char_set_(char_set), char_sets_(char_sets),
      first_match_(first_match), second_match_(second_match), style_class_(style_class),
      flag_(flag), technology_(technology), record_value_(record_value), reserved_(reserved),
      location_class_(location_class) {}

RWClassID GDeviceFontDescription::ClassId() {
  return vel::classid::kGDeviceFontDescription;
}

RWCollectable* GDeviceFontDescription::Create() {
  return new (std::nothrow) GDeviceFontDescription;
}

RWCollectable* GDeviceFontDescription::CreateInstance() const {
  return Create();
}

RWCollectable* GDeviceFontDescription::Clone() const {
  return new (std::nothrow) GDeviceFontDescription(*this);
}

RWClassID GDeviceFontDescription::IsA() const {
  return ClassId();
}

bool GDeviceFontDescription::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool GDeviceFontDescription::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto& font = static_cast<const GDeviceFontDescription&>(*other);
  return font.name_ == name_ && font.second_name_ == second_name_ &&
         font.char_set_ == char_set_ && font.first_match_ == first_match_ &&
         font.second_match_ == second_match_ && font.style_class_ == style_class_ &&
         font.flag_ == flag_ && font.technology_ == technology_ &&
         font.record_value_ == record_value_ && font.reserved_ == reserved_ &&
         font.location_class_ == location_class_ && font.char_sets_ == char_sets_;
}

std::uint32_t GDeviceFontDescription::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + static_cast<std::uint32_t>(name_.Length()) +
         static_cast<std::uint32_t>(second_name_.Length()) + 4 * char_sets_.Count() + 46;
}

template <typename Carrier>
void GDeviceFontDescription::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteField(carrier, kVersion);
  vel::WriteString(carrier, name_);
  vel::WriteString(carrier, second_name_);
  vel::WriteField(carrier, char_set_);
  vel::WriteField(carrier, char_sets_.Count());
  for (std::uint32_t i = 0; i < char_sets_.Count(); ++i) {
    vel::WriteField(carrier, static_cast<std::uint32_t>(char_sets_.At(i)));
  }
  vel::WriteField(carrier, first_match_);
  vel::WriteField(carrier, second_match_);
  vel::WriteField(carrier, style_class_);
  vel::WriteField(carrier, flag_);
  vel::WriteField(carrier, technology_);
  vel::WriteField(carrier, record_value_);
  vel::WriteField(carrier, reserved_);
  vel::WriteField(carrier, location_class_);
}

void GDeviceFontDescription::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GDeviceFontDescription::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GDeviceFontDescription::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  std::uint32_t version = 0;
  if (!vel::CarrierGood(carrier) || !vel::ReadField(carrier, version) || version == 0 ||
      version > kVersion) {
    vel::FailCarrier(carrier);
    return;
  }
  RWCString name;
  RWCString second_name;
  std::uint32_t char_set = 0;
  std::uint32_t count = 0;
  if (!vel::ReadString(carrier, name) || !vel::ReadString(carrier, second_name) ||
      !vel::ReadField(carrier, char_set) || !vel::ReadField(carrier, count)) {
    vel::FailCarrier(carrier);
    return;
  }
  // The count is untrusted: the vector grows as values are actually read.
  GValueVector char_sets;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t value = 0;
    if (!vel::ReadField(carrier, value) || !char_sets.Append(static_cast<std::int32_t>(value))) {
      vel::FailCarrier(carrier);
      return;
    }
  }
  std::uint16_t first_match = 0;
  std::uint32_t second_match = 0;
  std::uint32_t style_class = 0;
  std::uint32_t flag = 0;
  std::uint32_t technology = 0;
  std::int16_t record_value = 0;
  std::uint16_t reserved = 0;
  std::uint32_t location_class = 0;
  if (!vel::ReadField(carrier, first_match) || !vel::ReadField(carrier, second_match) ||
      !vel::ReadField(carrier, style_class) || !vel::ReadField(carrier, flag) ||
      !vel::ReadField(carrier, technology) || !vel::ReadField(carrier, record_value) ||
      (version >= 2 &&
       (!vel::ReadField(carrier, reserved) || !vel::ReadField(carrier, location_class)))) {
    vel::FailCarrier(carrier);
    return;
  }
  name_ = name;
  second_name_ = second_name;
  char_set_ = char_set;
  char_sets_ = char_sets;
  first_match_ = first_match;
  second_match_ = second_match;
  style_class_ = style_class;
  flag_ = flag;
  technology_ = technology;
  record_value_ = record_value;
  reserved_ = reserved;
  location_class_ = location_class;
}

void GDeviceFontDescription::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GDeviceFontDescription::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
