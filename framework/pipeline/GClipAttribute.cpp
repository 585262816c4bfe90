// GClipAttribute.
#include "framework/pipeline/GClipAttribute.h"

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

RWClassID GClipAttribute::ClassId() {
  return vel::classid::kGClipAttribute;
}

bool GClipAttribute::IsKindOf(RWClassID id) const {
  return id == ClassId() || GGraphicStateAttribute::IsKindOf(id);
}

RWClassID GClipAttribute::CategoryId() const {
  return ClassId();
}

bool GClipAttribute::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* clip = dynamic_cast<const GClipAttribute*>(other);
  return clip != nullptr && GBaseObject::IsSameKey(other) && fill_rule_ == clip->fill_rule_ &&
         clip_region_ == clip->clip_region_;
}

std::uint32_t GClipAttribute::StoredByteCount() const {
  return GGraphicStateAttribute::StoredByteCount() + vel::kClassVersionSize + 8;
}

template <typename Carrier>
void GClipAttribute::Save(Carrier& carrier) const {
  GGraphicStateAttribute::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, fill_rule_);
  vel::WriteField(carrier, clip_region_);
}

void GClipAttribute::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GClipAttribute::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GClipAttribute::Restore(Carrier& carrier) {
  GGraphicStateAttribute::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::int32_t fill_rule = 0;
  std::int32_t clip_region = 0;
  if (!vel::ReadField(carrier, fill_rule) || !vel::ReadField(carrier, clip_region)) {
    vel::FailCarrier(carrier);
    return;
  }
  fill_rule_ = fill_rule;
  clip_region_ = clip_region;
}

void GClipAttribute::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GClipAttribute::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
