// GFontMetrics.
#include "framework/output/fonts/GFontMetrics.h"

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWCollectable.h"
#include "rw/RWVirtualStream.h"

RWClassID GFontMetrics::ClassId() {
  return vel::classid::kGFontMetrics;
}

bool GFontMetrics::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

std::uint32_t GFontMetrics::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + vel::kClassVersionSize;
}

template <typename Carrier>
void GFontMetrics::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (vel::CarrierGood(carrier)) {
    (void)vel::ReadClassVersion(carrier);
  }
}

void GFontMetrics::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GFontMetrics::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GFontMetrics::SaveContents(RWVirtualOutStream& stream) const {
  GBaseObject::SaveContents(stream);
  vel::WriteClassVersion(stream);
}

void GFontMetrics::SaveContents(RWBinaryFile& file) const {
  GBaseObject::SaveContents(file);
  vel::WriteClassVersion(file);
}

GFontMetrics* ReadFontMetricsFromStream(RWVirtualInStream& stream) {
  GFontMetrics* metrics = nullptr;
  RestorePointer(stream, metrics);
  return metrics;
}

GFontMetrics* ReadFontMetricsFromFile(RWBinaryFile& file) {
  GFontMetrics* metrics = nullptr;
  RestorePointer(file, metrics);
  return metrics;
}
