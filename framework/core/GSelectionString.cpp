// GSelectionString.
#include "framework/core/GSelectionString.h"

#include <new>
#include <type_traits>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"

RWClassID GSelectionString::ClassId() {
  return vel::classid::kGSelectionString;
}

RWCollectable* GSelectionString::Create() {
  return new (std::nothrow) GSelectionString;
}

RWCollectable* GSelectionString::CreateInstance() const {
  return Create();
}

RWCollectable* GSelectionString::Clone() const {
  return new (std::nothrow) GSelectionString(*this);
}

RWClassID GSelectionString::IsA() const {
  return ClassId();
}

bool GSelectionString::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGSelectionString || GBaseObject::IsKindOf(id);
}

std::uint32_t GSelectionString::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + static_cast<std::uint32_t>(text_.Length()) + 10;
}

template <typename Carrier>
void GSelectionString::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
    if (!text_.RestoreFrom(carrier)) {
      vel::FailCarrier(carrier);
      return;
    }
  } else {
    text_.RestoreFrom(carrier);
    if (!vel::CarrierGood(carrier)) {
      return;
    }
  }
  (void)vel::ReadField(carrier, id_);
}

void GSelectionString::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GSelectionString::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GSelectionString::SaveContents(RWVirtualOutStream& stream) const {
  GBaseObject::SaveContents(stream);
  vel::WriteClassVersion(stream);
  text_.SaveOn(stream);
  vel::WriteField(stream, id_);
}

void GSelectionString::SaveContents(RWBinaryFile& file) const {
  GBaseObject::SaveContents(file);
  vel::WriteClassVersion(file);
  (void)text_.SaveOn(file);
  vel::WriteField(file, id_);
}

bool GSelectionString::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto& selection = static_cast<const GSelectionString&>(*other);
  return selection.id_ == id_ && selection.text_ == text_;
}
