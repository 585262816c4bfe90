// GClipToRectangle.
#include "framework/pipeline/GClipToRectangle.h"

#include <algorithm>
#include <new>
#include <vector>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/StoredRect.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

// Rectangles read before the rest of a stored count is believed.
constexpr std::uint32_t kInitialReserve = 256;

}  // namespace

GClipToRectangle::GClipToRectangle(const GRectOrderedVector& rectangles,
                                   std::int32_t clip_region,
                                   std::int32_t fill_rule,
                                   std::uint32_t key)
    : GClipAttribute(clip_region, fill_rule, key), rectangles_(rectangles) {}

GClipToRectangle::GClipToRectangle(const GRect& rectangle,
                                   std::int32_t clip_region,
                                   std::int32_t fill_rule,
                                   std::uint32_t key)
    : GClipAttribute(clip_region, fill_rule, key) {
  (void)rectangles_.insert(rectangle);
}

RWClassID GClipToRectangle::ClassId() {
  return vel::classid::kGClipToRectangle;
}

RWCollectable* GClipToRectangle::Create() {
  return new (std::nothrow) GClipToRectangle;
}

RWCollectable* GClipToRectangle::CreateInstance() const {
  return Create();
}

RWCollectable* GClipToRectangle::Clone() const {
  return new (std::nothrow) GClipToRectangle(*this);
}

RWClassID GClipToRectangle::IsA() const {
  return ClassId();
}

bool GClipToRectangle::IsKindOf(RWClassID id) const {
  return id == ClassId() || GClipAttribute::IsKindOf(id);
}

bool GClipToRectangle::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* clip = dynamic_cast<const GClipToRectangle*>(other);
  if (clip == nullptr || !SameClass(other) || !GClipAttribute::IsSameKey(other) ||
      clip->GetRectangleCount() != GetRectangleCount()) {
    return false;
  }
  for (std::uint32_t i = 0; i < GetRectangleCount(); ++i) {
    if (GetRectangle(i) != clip->GetRectangle(i)) {
      return false;
    }
  }
  return true;
}

std::uint16_t GClipToRectangle::Accept(GTypedHandlers& handlers) {
  return handlers.HandleClipToRectangle(*this);
}

GRect GClipToRectangle::GetRectangle(std::uint32_t i) const {
  return i < rectangles_.Count() ? *rectangles_.At(i) : GRect{};
}

bool GClipToRectangle::GetBounds(GRect& bounds) const {
  if (rectangles_.Count() == 0) {
    return false;
  }
  GRect united = *rectangles_.At(0);
  for (std::uint32_t i = 1; i < rectangles_.Count(); ++i) {
    vel::Unite(united, *rectangles_.At(i));
  }
  bounds = united;
  return true;
}

std::uint32_t GClipToRectangle::StoredByteCount() const {
  return GClipAttribute::StoredByteCount() + vel::kClassVersionSize + 4 +
         vel::kStoredRectSize * rectangles_.Count();
}

template <typename Carrier>
void GClipToRectangle::Save(Carrier& carrier) const {
  GClipAttribute::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, rectangles_.Count());
  for (std::uint32_t i = 0; i < rectangles_.Count(); ++i) {
    vel::WriteRect(carrier, *rectangles_.At(i));
  }
}

void GClipToRectangle::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GClipToRectangle::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

namespace {

template <typename Carrier>
bool ReadRectangles(Carrier& carrier, std::vector<GRect>& rectangles) {
  std::uint32_t count = 0;
  if (!vel::ReadField(carrier, count) || count > GClipToRectangle::kMaxStoredRectangles) {
    return false;
  }
  try {
    rectangles.reserve(std::min(count, kInitialReserve));
    for (std::uint32_t i = 0; i < count; ++i) {
      GRect rect;
      if (!vel::ReadRect(carrier, rect)) {
        return false;
      }
      rectangles.push_back(rect);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

template <typename Carrier>
void GClipToRectangle::Restore(Carrier& carrier) {
  GClipAttribute::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::vector<GRect> read;
  if (!ReadRectangles(carrier, read)) {
    vel::FailCarrier(carrier);
    return;
  }
  GRectOrderedVector rectangles(static_cast<std::uint32_t>(read.size()));
  for (const GRect& rect : read) {
    if (!rectangles.insert(rect)) {
      vel::FailCarrier(carrier);
      return;
    }
  }
  rectangles_ = std::move(rectangles);
}

void GClipToRectangle::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GClipToRectangle::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
