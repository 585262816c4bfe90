// Reading job settings and configuration entries: the 16-bit value of a value or range attribute
// and the text of a string attribute, found by key in a group (a job-settings group, a
// configuration).
#pragma once

#include <cstdint>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GBaseObject.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"

namespace vel {

// The attribute with `key` in `group` (searched as the group searches), or null.
inline GBaseObject* FindSetting(const GBaseObject* group, std::uint32_t key) {
  return group != nullptr ? group->FindByKey(key) : nullptr;
}

// The 16 bits of a value attribute or a range attribute; false (and `value` unchanged) for
// anything else.
inline bool ReadSettingValue(const GBaseObject* object, std::uint16_t& value) {
  if (object == nullptr) {
    return false;
  }
  // Settings are read on every page: the two classes themselves are recognised without a cast
  // search, anything else (a class derived from them) by the casts below.
  const RWClassID id = object->IsA();
  if (id == vel::classid::kGValueAttribute) {
    value = static_cast<const GValueAttribute*>(object)->GetValue();
    return true;
  }
  if (id == vel::classid::kGRangeAttribute) {
    value = static_cast<std::uint16_t>(static_cast<const GRangeAttribute*>(object)->GetValue());
    return true;
  }
  if (const auto* v = dynamic_cast<const GValueAttribute*>(object)) {
    value = v->GetValue();
    return true;
  }
  if (const auto* r = dynamic_cast<const GRangeAttribute*>(object)) {
    value = static_cast<std::uint16_t>(r->GetValue());
    return true;
  }
  return false;
}

// The value of the setting `key` of `group`, or `fallback` when there is none.
inline std::uint16_t SettingValueOr(const GBaseObject* group, std::uint32_t key,
                                    std::uint16_t fallback) {
  std::uint16_t value = fallback;
  return ReadSettingValue(FindSetting(group, key), value) ? value : fallback;
}

// The text of a string attribute, or null.
inline const RWCString* SettingText(const GBaseObject* object) {
  const auto* s = dynamic_cast<const GStringAttribute*>(object);
  return s != nullptr ? &s->GetValue() : nullptr;
}

}  // namespace vel
