// GConfiguration: a composite that refuses an object equal to one it holds.
#include "framework/core/GConfiguration.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"

RWClassID GConfiguration::ClassId() {
  return vel::classid::kGConfiguration;
}

RWCollectable* GConfiguration::Create() {
  return new (std::nothrow) GConfiguration;
}

RWCollectable* GConfiguration::CreateInstance() const {
  return Create();
}

RWCollectable* GConfiguration::Clone() const {
  return new (std::nothrow) GConfiguration(*this);
}

RWClassID GConfiguration::IsA() const {
  return ClassId();
}

bool GConfiguration::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGConfiguration || MPersistentComposite::IsKindOf(id);
}

std::uint32_t GConfiguration::StoredByteCount() const {
  return MPersistentComposite::StoredByteCount() + vel::kClassVersionSize;
}

void GConfiguration::SaveContents(RWVirtualOutStream& stream) const {
  MPersistentComposite::SaveContents(stream);
  vel::WriteClassVersion(stream);
}

void GConfiguration::SaveContents(RWBinaryFile& file) const {
  MPersistentComposite::SaveContents(file);
  vel::WriteClassVersion(file);
}

void GConfiguration::RestoreContents(RWVirtualInStream& stream) {
  MPersistentComposite::RestoreContents(stream);
  if (vel::CarrierGood(stream)) {
    (void)vel::ReadClassVersion(stream);
  }
}

void GConfiguration::RestoreContents(RWBinaryFile& file) {
  MPersistentComposite::RestoreContents(file);
  if (vel::CarrierGood(file)) {
    (void)vel::ReadClassVersion(file);
  }
}

void GConfiguration::Add(GBaseObject* object) {
  if (object == nullptr || Children().IndexOf(object) != GCountedPtrArray::kNotFound) {
    return;
  }
  if (object->IsA() != vel::classid::kGConfiguration) {
    for (std::uint32_t i = 0; i < Count(); ++i) {
      const GBaseObject* child = ChildAt(i);
      if (child != nullptr && object->IsSameKey(child)) {
        vel::DestroyRefused(object, false);
        return;
      }
    }
  }
  MPersistentComposite::Add(object);
}
