// The paint of a pen or a brush.
#include "framework/pipeline/PaintSlot.h"

#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/GPaint.h"
#include "framework/pipeline/HeldRecord.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace vel {

PaintSlot::PaintSlot(GPaint* paint) : paint_(paint) {}

PaintSlot::PaintSlot(const PaintSlot& other) : paint_(other.paint_) {}

PaintSlot& PaintSlot::operator=(const PaintSlot& other) {
  paint_ = other.paint_;
  return *this;
}

GPaint* PaintSlot::Get() const {
  return static_cast<GPaint*>(paint_.Get());
}

void PaintSlot::Set(GPaint* paint) {
  if (paint != paint_.Get()) {
    paint_ = GCountedPtr(paint);
  }
}

bool PaintSlot::Matches(const PaintSlot& other) const {
  const GBaseObject* mine = paint_.Get();
  const GBaseObject* theirs = other.paint_.Get();
  if (mine == nullptr || theirs == nullptr) {
    return mine == theirs;
  }
  return mine->IsSameKey(theirs);
}

std::uint32_t PaintSlot::StoredSize() const {
  return RWTotalStoredSize(paint_.Get());
}

void PaintSlot::Save(RWVirtualOutStream& stream) const {
  stream << static_cast<const RWCollectable*>(paint_.Get());
}

void PaintSlot::Save(RWBinaryFile& file) const {
  file << static_cast<const RWCollectable*>(paint_.Get());
}

template <typename Carrier>
bool PaintSlot::RestoreFrom(Carrier& carrier) {
  GBaseObject* paint = nullptr;
  if (!RestoreHeldRecord(carrier, classid::kGPaint, paint)) {
    return false;
  }
  Set(static_cast<GPaint*>(paint));
  restored_ = paint;
  return true;
}

bool PaintSlot::Restore(RWVirtualInStream& stream) {
  return RestoreFrom(stream);
}

bool PaintSlot::Restore(RWBinaryFile& file) {
  return RestoreFrom(file);
}

void PaintSlot::Forget() {
  if (restored_ != nullptr && restored_ == paint_.Get()) {
    paint_.Reset();
  }
  restored_ = nullptr;
}

}  // namespace vel
