// GAttribute: the enabled flag, its stored form and the base merge.
#include "framework/core/GAttribute.h"

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"

std::uint32_t GAttribute::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + 8;
}

template <typename Carrier>
void GAttribute::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (vel::CarrierGood(carrier) && vel::ReadClassVersion(carrier)) {
    (void)vel::ReadField(carrier, enabled_);
  }
}

void GAttribute::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GAttribute::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GAttribute::SaveContents(RWVirtualOutStream& stream) const {
  GBaseObject::SaveContents(stream);
  vel::WriteClassVersion(stream);
  vel::WriteField(stream, enabled_);
}

void GAttribute::SaveContents(RWBinaryFile& file) const {
  GBaseObject::SaveContents(file);
  vel::WriteClassVersion(file);
  vel::WriteField(file, enabled_);
}

bool GAttribute::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGAttribute || GBaseObject::IsKindOf(id);
}

std::int32_t GAttribute::UpdateFrom(GAttribute* other) {
  if (other == nullptr || !IsDifferentKey(other)) {
    return 0;
  }
  GBaseObject::operator=(*other);
  enabled_ = other->enabled_;
  return enabled_;
}
