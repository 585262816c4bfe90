// Text strings and their conversion between encoding kinds.
#include "framework/output/GTextString.h"

#include <new>
#include <utility>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GCharTranslator.h"
#include "framework/core/StoredFields.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"


GTextString::GTextString(GCharacterBuffer codes, std::uint16_t length, std::uint32_t char_size,
                         std::uint32_t kind)
    : codes_(std::move(codes)), length_(length), char_size_(char_size), kind_(kind) {}

GTextString::GTextString(const GTextString& other)
    : GBaseObject(other), codes_(GCharacterBuffer::CopyOf(other.codes_)), length_(other.length_),
      char_size_(other.char_size_), kind_(other.kind_) {}

GTextString& GTextString::operator=(const GTextString& other) {
  if (this != &other) {
    GBaseObject::operator=(other);
    codes_ = GCharacterBuffer::CopyOf(other.codes_);
    length_ = other.length_;
    char_size_ = other.char_size_;
    kind_ = other.kind_;
  }
  return *this;
}

bool GTextString::IsSingleByteKind(std::uint32_t kind) {
  return (kind >= 3 && kind <= 12) || kind == 14 || kind == 15 || (kind >= 24 && kind <= 52);
}

GTextString::GTextString(const GTextString& source, std::uint32_t kind,
                         GCharTranslator* translator)
    : length_(source.length_), kind_(kind) {
  if (kind == source.kind_) {
    codes_ = GCharacterBuffer::CopyOf(source.codes_);
    char_size_ = source.char_size_;
    return;
  }
  if (kind == 2 && source.char_size_ == 1) {
    codes_ = GCharacterBuffer::CopyOf(source.codes_);
    char_size_ = 1;
    return;
  }
  if (kind != 2 && (source.kind_ == 1 || source.kind_ == 2 || kind == 1)) {
    char_size_ = 1;
    codes_ = GCharacterBuffer::Zeros(1, length_);
    return;
  }
  GCharTranslator* system = GetCodePageTranslator();
  const bool to_bytes = source.kind_ == kTranslatorKind && IsSingleByteKind(kind);
  char_size_ = to_bytes ? 1 : 2;
  codes_ = GCharacterBuffer::Zeros(char_size_, length_);
  for (std::uint32_t i = 0; i < length_; ++i) {
    const std::uint16_t code = source.GetCharAt(i);
    std::uint16_t converted = 0;
    if (kind == 2) {
      converted = translator != nullptr ? translator->ToMultiByte(code, kind) : 0;
    } else if (system == nullptr) {
      converted = 0;
    } else if (to_bytes) {
      converted = system->ToMultiByte(code, kind) & 0xFF;
    } else if (kind == kTranslatorKind) {
      converted = system->ToWide(code, source.kind_);
    } else {
      converted = system->ToMultiByte(code, kind);
    }
    (void)codes_.Set(i, converted);
  }
}

RWClassID GTextString::ClassId() {
  return vel::classid::kGTextString;
}

RWCollectable* GTextString::Create() {
  return new (std::nothrow) GTextString;
}

RWCollectable* GTextString::CreateInstance() const {
  return Create();
}

RWCollectable* GTextString::Clone() const {
  return new (std::nothrow) GTextString(*this);
}

RWClassID GTextString::IsA() const {
  return ClassId();
}

bool GTextString::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool GTextString::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto& text = static_cast<const GTextString&>(*other);
  return text.length_ == length_ && text.char_size_ == char_size_ && text.kind_ == kind_ &&
         codes_.SameElements(text.codes_);
}

const void* GTextString::MakeOwned() {
  (void)codes_.MakeOwned();
  return codes_.Data();
}

std::uint32_t GTextString::StoredByteCount() const {
  const std::uint32_t width = char_size_ == 1 || char_size_ == 2 ? char_size_ : 0;
  return GBaseObject::StoredByteCount() + vel::kClassVersionSize + 10 + length_ * width;
}

template <typename Carrier>
void GTextString::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, length_);
  vel::WriteField(carrier, char_size_);
  vel::WriteField(carrier, kind_);
  if (char_size_ == 1 || char_size_ == 2) {
    vel::WriteElements(carrier, codes_, length_, char_size_);
  }
}

void GTextString::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GTextString::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GTextString::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint16_t length = 0;
  std::uint32_t char_size = 0;
  std::uint32_t kind = 0;
  if (!vel::ReadField(carrier, length) || !vel::ReadField(carrier, char_size) ||
      !vel::ReadField(carrier, kind)) {
    vel::FailCarrier(carrier);
    return;
  }
  GCharacterBuffer codes;
  if ((char_size == 1 || char_size == 2) && !vel::ReadElements(carrier, codes, length, char_size)) {
    vel::FailCarrier(carrier);
    return;
  }
  codes_ = std::move(codes);
  length_ = length;
  char_size_ = char_size;
  kind_ = kind;
}

void GTextString::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GTextString::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
