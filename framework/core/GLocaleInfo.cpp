// GLocaleInfo.
#include "framework/core/GLocaleInfo.h"

#include <new>
#include <type_traits>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

struct NumberField {
  const char* key;
  std::int32_t dflt;
};
struct TextField {
  const char* key;
  const char* dflt;
};

constexpr NumberField kNumbers[GLocaleInfo::kNumberCount] = {
    {"iCountry", 1}, {"iCurrDigits", 2}, {"iCurrency", 0}, {"iDate", 0},
    {"iDigits", 2},  {"iLZero", 1},      {"iMeasure", 1},  {"iNegCurr", 1},
    {"iTime", 0},    {"iTLZero", 0},     {"Locale", 409},
};

constexpr TextField kTexts[GLocaleInfo::kTextCount] = {
    {"s1159", "AM"},        {"s2359", "PM"},
    {"sCountry", "United States"}, {"sCurrency", "$"},
    {"sDate", "/"},         {"sDecimal", "."},
    {"sLanguage", "ENU"},   {"sList", ","},
    {"sLongDate", "dddd, MMMM dd, yyyy"}, {"sShortDate", "M/d/yy"},
    {"sThousand", ","},     {"sTime", ":"},
};

bool ReadNumber(RWVirtualInStream& stream, std::int32_t& value) {
  unsigned long stored = 0;
  stream.Get(stored);
  value = static_cast<std::int32_t>(static_cast<std::uint32_t>(stored));
  return stream.Good() != 0;
}

bool ReadNumber(RWBinaryFile& file, std::int32_t& value) {
  unsigned int stored = 0;
  if (!file.Read(stored)) {
    return false;
  }
  value = static_cast<std::int32_t>(stored);
  return true;
}

bool ReadText(RWVirtualInStream& stream, RWCString& text) {
  text.RestoreFrom(stream);
  return stream.Good() != 0;
}

bool ReadText(RWBinaryFile& file, RWCString& text) {
  return text.RestoreFrom(file);
}

}  // namespace

GLocaleInfo::GLocaleInfo() {
  SetDefaults();
}

GLocaleInfo::GLocaleInfo(std::uint32_t key) : GBaseObject(key) {
  SetDefaults();
}

void GLocaleInfo::SetDefaults() {
  for (int i = 0; i < kNumberCount; ++i) {
    numbers_[i] = kNumbers[i].dflt;
  }
  for (int i = 0; i < kTextCount; ++i) {
    texts_[i] = kTexts[i].dflt;
  }
}

void GLocaleInfo::SetText(Text which, const char* text) {
  texts_[which] = text != nullptr ? text : "";
}

const char* GLocaleInfo::NumberKey(Number which) {
  return kNumbers[which].key;
}

std::int32_t GLocaleInfo::NumberDefault(Number which) {
  return kNumbers[which].dflt;
}

const char* GLocaleInfo::TextKey(Text which) {
  return kTexts[which].key;
}

const char* GLocaleInfo::TextDefault(Text which) {
  return kTexts[which].dflt;
}

RWClassID GLocaleInfo::ClassId() {
  return vel::classid::kGLocaleInfo;
}

RWCollectable* GLocaleInfo::Create() {
  return new (std::nothrow) GLocaleInfo;
}

RWCollectable* GLocaleInfo::CreateInstance() const {
  return Create();
}

RWCollectable* GLocaleInfo::Clone() const {
  return new (std::nothrow) GLocaleInfo(*this);
}

RWClassID GLocaleInfo::IsA() const {
  return ClassId();
}

std::uint32_t GLocaleInfo::StoredByteCount() const {
  std::uint32_t count = GBaseObject::StoredByteCount() + vel::kClassVersionSize + 4 * kNumberCount;
  for (const RWCString& text : texts_) {
    count += 4 + static_cast<std::uint32_t>(text.Length());
  }
  return count;
}

bool GLocaleInfo::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool GLocaleInfo::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto* locale = static_cast<const GLocaleInfo*>(other);
  for (int i = 0; i < kNumberCount; ++i) {
    if (numbers_[i] != locale->numbers_[i]) {
      return false;
    }
  }
  for (int i = 0; i < kTextCount; ++i) {
    if (!(texts_[i] == locale->texts_[i])) {
      return false;
    }
  }
  return true;
}

// The fields are taken only when the whole record was read, so a cut restore leaves the object as
// it was.
template <typename Carrier>
void GLocaleInfo::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::int32_t numbers[kNumberCount];
  RWCString texts[kTextCount];
  for (std::int32_t& number : numbers) {
    if (!ReadNumber(carrier, number)) {
      vel::FailCarrier(carrier);
      return;
    }
  }
  for (RWCString& text : texts) {
    if (!ReadText(carrier, text)) {
      vel::FailCarrier(carrier);
      return;
    }
  }
  for (int i = 0; i < kNumberCount; ++i) {
    numbers_[i] = numbers[i];
  }
  for (int i = 0; i < kTextCount; ++i) {
    texts_[i] = texts[i];
  }
}

void GLocaleInfo::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GLocaleInfo::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GLocaleInfo::SaveContents(RWVirtualOutStream& stream) const {
  GBaseObject::SaveContents(stream);
  vel::WriteClassVersion(stream);
  for (const std::int32_t number : numbers_) {
    stream.Put(static_cast<unsigned long>(static_cast<std::uint32_t>(number)));
  }
  for (const RWCString& text : texts_) {
    text.SaveOn(stream);
  }
}

void GLocaleInfo::SaveContents(RWBinaryFile& file) const {
  GBaseObject::SaveContents(file);
  vel::WriteClassVersion(file);
  for (const std::int32_t number : numbers_) {
    if (!file.Write(static_cast<unsigned int>(number))) {
      return;
    }
  }
  for (const RWCString& text : texts_) {
    if (!text.SaveOn(file)) {
      return;
    }
  }
}
