// GMediaPool and its media iterator.
#include "framework/core/GMediaPool.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GCountedPtrArray.h"
#include "framework/core/GMedia.h"

RWClassID GMediaPool::ClassId() {
  return vel::classid::kGMediaPool;
}

RWCollectable* GMediaPool::Create() {
  return new (std::nothrow) GMediaPool(0);
}

RWCollectable* GMediaPool::CreateInstance() const {
  return Create();
}

RWCollectable* GMediaPool::Clone() const {
  return new (std::nothrow) GMediaPool(*this);
}

RWClassID GMediaPool::IsA() const {
  return ClassId();
}

bool GMediaPool::IsKindOf(RWClassID id) const {
  return id == ClassId() || GEnumAttribute::IsKindOf(id);
}

std::uint32_t GMediaPool::StoredByteCount() const {
  return GEnumAttribute::StoredByteCount() + vel::kClassVersionSize;
}

void GMediaPool::SaveContents(RWVirtualOutStream& stream) const {
  GEnumAttribute::SaveContents(stream);
  vel::WriteUncheckedClassVersion(stream);
}

void GMediaPool::SaveContents(RWBinaryFile& file) const {
  GEnumAttribute::SaveContents(file);
  vel::WriteUncheckedClassVersion(file);
}

void GMediaPool::RestoreContents(RWVirtualInStream& stream) {
  GEnumAttribute::RestoreContents(stream);
  if (vel::CarrierGood(stream) && !vel::SkipClassVersion(stream)) {
    vel::FailCarrier(stream);
  }
}

void GMediaPool::RestoreContents(RWBinaryFile& file) {
  GEnumAttribute::RestoreContents(file);
  if (vel::CarrierGood(file) && !vel::SkipClassVersion(file)) {
    vel::FailCarrier(file);
  }
}

bool GMediaPool::IsSameKey(const GBaseObject* other) const {
  return other == this ||
         (other != nullptr && other->IsA() == IsA() && GEnumAttribute::IsSameKey(other));
}

GIterator* GMediaPool::CreateMediaIterator(std::int32_t orientation,
                                           std::uint16_t resolution_x,
                                           std::uint16_t resolution_y) const {
  // The iterator walks the children in place, as the group's own iterator does.
  auto& children = const_cast<GCountedPtrArray&>(Children());
  return new (std::nothrow) GMediaIterator(children, orientation, resolution_x, resolution_y);
}

GMedia* GMediaPool::FindByPaperId(std::int16_t paper_id,
                                  std::int32_t orientation,
                                  std::uint16_t resolution_x,
                                  std::uint16_t resolution_y) const {
  auto& children = const_cast<GCountedPtrArray&>(Children());
  GMediaIterator media(children, orientation, resolution_x, resolution_y);
  while (media.Advance() != 0) {
    auto* medium = static_cast<GMedia*>(media.Current());
    if (medium->GetPaperId() == paper_id) {
      return medium;
    }
  }
  return nullptr;
}

int GMediaIterator::Advance() {
  const auto count = static_cast<std::int32_t>(Children().Count());
  for (std::int32_t index = Index() + 1;; ++index) {
    if (index >= count) {
      SetIndex(-1);
      return 0;
    }
    SetIndex(index);
    const GBaseObject* child = Children().TargetAt(static_cast<std::uint32_t>(index));
    if (child == nullptr || child->IsA() != vel::classid::kGMedia) {
      continue;  // a restored pool may hold other attributes
    }
    const auto* medium = static_cast<const GMedia*>(child);
    if (medium->GetOrientation() == orientation_ && medium->GetResolutionX() == resolution_x_ &&
        medium->GetResolutionY() == resolution_y_) {
      return 1;
    }
  }
}
