// GStatusProvider.
#include "framework/core/GStatusProvider.h"

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"

RWClassID GStatusProvider::ClassId() {
  return vel::classid::kGStatusProvider;
}

std::uint32_t GStatusProvider::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + vel::kClassVersionSize;
}

bool GStatusProvider::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGStatusProvider || GBaseObject::IsKindOf(id);
}

template <typename Carrier>
void GStatusProvider::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (vel::CarrierGood(carrier)) {
    (void)vel::ReadClassVersion(carrier);
  }
}

void GStatusProvider::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GStatusProvider::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GStatusProvider::SaveContents(RWVirtualOutStream& stream) const {
  GBaseObject::SaveContents(stream);
  vel::WriteClassVersion(stream);
}

void GStatusProvider::SaveContents(RWBinaryFile& file) const {
  GBaseObject::SaveContents(file);
  vel::WriteClassVersion(file);
}

GStatusChannel* GStatusProvider::OpenStatusChannel(GDeviceSession* /*owner*/,
                                                   const RWCString& /*registered_name*/,
                                                   std::uint32_t /*flags*/,
                                                   const RWWString* /*argument*/) {
  return nullptr;
}

GOutputPort* GStatusProvider::OpenOutputChannel(GDeviceSession* /*owner*/,
                                                const RWCString& /*registered_name*/,
                                                std::uint32_t /*flags*/,
                                                const RWWString* /*argument*/) {
  return nullptr;
}

std::int32_t GStatusProvider::Supports(std::uint32_t flags) const {
  return (GetProviderFlags() & flags) == flags ? 1 : 0;
}
