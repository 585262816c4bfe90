// GTrayPool.
#include "framework/core/GTrayPool.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTray.h"

RWClassID GTrayPool::ClassId() {
  return vel::classid::kGTrayPool;
}

RWCollectable* GTrayPool::Create() {
  return new (std::nothrow) GTrayPool(0);
}

RWCollectable* GTrayPool::CreateInstance() const {
  return Create();
}

RWCollectable* GTrayPool::Clone() const {
  return new (std::nothrow) GTrayPool(*this);
}

RWClassID GTrayPool::IsA() const {
  return ClassId();
}

bool GTrayPool::IsKindOf(RWClassID id) const {
  return id == ClassId() || GEnumAttribute::IsKindOf(id);
}

std::uint32_t GTrayPool::StoredByteCount() const {
  return GEnumAttribute::StoredByteCount() + vel::kClassVersionSize;
}

void GTrayPool::SaveContents(RWVirtualOutStream& stream) const {
  GEnumAttribute::SaveContents(stream);
  vel::WriteUncheckedClassVersion(stream);
}

void GTrayPool::SaveContents(RWBinaryFile& file) const {
  GEnumAttribute::SaveContents(file);
  vel::WriteUncheckedClassVersion(file);
}

void GTrayPool::RestoreContents(RWVirtualInStream& stream) {
  GEnumAttribute::RestoreContents(stream);
  if (vel::CarrierGood(stream) && !vel::SkipClassVersion(stream)) {
    vel::FailCarrier(stream);
  }
}

void GTrayPool::RestoreContents(RWBinaryFile& file) {
  GEnumAttribute::RestoreContents(file);
  if (vel::CarrierGood(file) && !vel::SkipClassVersion(file)) {
    vel::FailCarrier(file);
  }
}

bool GTrayPool::IsSameKey(const GBaseObject* other) const {
  return other == this ||
         (other != nullptr && other->IsA() == IsA() && GEnumAttribute::IsSameKey(other));
}

GTray* GTrayPool::FindTrayById(std::uint16_t id) const {
  for (std::uint32_t i = 0; i < Count(); ++i) {
    GBaseObject* child = ChildAt(i);
    if (child != nullptr && child->IsA() == vel::classid::kGTray &&
        static_cast<std::uint16_t>(static_cast<GTray*>(child)->GetTrayId()) == id) {
      return static_cast<GTray*>(child);
    }
  }
  return nullptr;
}
