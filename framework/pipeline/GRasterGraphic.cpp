// GRasterGraphic: the image command, its clipped rectangles and its stored form.
#include "framework/pipeline/GRasterGraphic.h"

#include <algorithm>
#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GClipAttribute.h"
#include "framework/pipeline/StoredRect.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

GRasterGraphic::GRasterGraphic(const GBitmap& image, GGraphicBundle* bundle, const GRect& source,
                               const GRect& destination, const GBitmap& second)
    : GRasterGraphic(image, source, destination, second, bundle, 0) {}

GRasterGraphic::GRasterGraphic(const GBitmap& image, const GRect& source,
                               const GRect& destination, const GBitmap& second,
                               GGraphicBundle* bundle, std::uint32_t key)
    : GGraphic(bundle, key),
      image_(image),
      source_(source),
      destination_(destination),
      second_(second) {}

RWClassID GRasterGraphic::ClassId() {
  return vel::classid::kGRasterGraphic;
}

RWCollectable* GRasterGraphic::Create() {
  return new (std::nothrow) GRasterGraphic;
}

RWCollectable* GRasterGraphic::CreateInstance() const {
  return Create();
}

RWCollectable* GRasterGraphic::Clone() const {
  return new (std::nothrow) GRasterGraphic(*this);
}

RWClassID GRasterGraphic::IsA() const {
  return ClassId();
}

bool GRasterGraphic::IsKindOf(RWClassID id) const {
  return id == ClassId() || GGraphic::IsKindOf(id);
}

bool GRasterGraphic::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* raster = dynamic_cast<const GRasterGraphic*>(other);
  return raster != nullptr && SameClass(other) && GCommand::IsSameKey(other) &&
         image_.IsSameKey(&raster->image_) && source_ == raster->source_ &&
         destination_ == raster->destination_ && second_.IsSameKey(&raster->second_);
}

void GRasterGraphic::MakeUnique() {
  image_.MakeUnique();
}

std::uint16_t GRasterGraphic::Accept(GTypedHandlers& handlers) {
  return handlers.HandleRasterGraphic(*this);
}

int GRasterGraphic::ComputeClippedRects(const GClipAttribute* clip, GRect& source,
                                        GRect& destination) const {
  return vel::ComputeClippedRects(source_, destination_, clip, source, destination);
}

namespace {

bool IsEmpty(const GRect& rect) {
  return rect.right <= rect.left || rect.bottom <= rect.top;
}

// The common part of two rectangles; all 0 when they do not overlap.
GRect Intersection(const GRect& a, const GRect& b) {
  const GRect common{std::max(a.left, b.left), std::max(a.top, b.top),
                     std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  return IsEmpty(common) ? GRect{} : common;
}

// floor(a / b) and ceil(a / b) for a >= 0, b > 0.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b;
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
  return (a + b - 1) / b;
}

}  // namespace

namespace vel {

int ComputeClippedRects(const GRect& source, const GRect& destination, const GClipAttribute* clip,
                        GRect& clipped_source, GRect& clipped_destination) {
  clipped_source = GRect{};
  clipped_destination = GRect{};
  if (IsEmpty(source) || IsEmpty(destination)) {
    return 1;
  }
  if (clip == nullptr) {
    clipped_source = source;
    clipped_destination = destination;
    return 1;
  }
  GRect visible = destination;
  GRect bounds;
  if (clip->GetBounds(bounds)) {
    visible = Intersection(destination, bounds);
  }
  if (visible == destination || clip->GetClipRegion() != 0) {
    clipped_source = source;
    clipped_destination = destination;
    return 1;
  }
  if (IsEmpty(visible)) {
    return 1;
  }
  // Products of a 16-bit offset and a 16-bit size need more than 32 bits.
  const std::int64_t sw = std::int64_t{source.right} - source.left;
  const std::int64_t sh = std::int64_t{source.bottom} - source.top;
  const std::int64_t dw = std::int64_t{destination.right} - destination.left;
  const std::int64_t dh = std::int64_t{destination.bottom} - destination.top;
  // The visible part lies inside the destination, so these lie inside (0, 0, sw, sh).
  const std::int64_t left =
      std::clamp<std::int64_t>(FloorDiv((visible.left - destination.left) * sw, dw), 0, sw);
  const std::int64_t right =
      std::clamp<std::int64_t>(CeilDiv((visible.right - destination.left) * sw, dw), 0, sw);
  const std::int64_t top =
      std::clamp<std::int64_t>(FloorDiv((visible.top - destination.top) * sh, dh), 0, sh);
  const std::int64_t bottom =
      std::clamp<std::int64_t>(CeilDiv((visible.bottom - destination.top) * sh, dh), 0, sh);
  const auto narrow = [](std::int64_t value) { return static_cast<std::int16_t>(value); };
  clipped_destination = GRect{narrow(destination.left + left * dw / sw),
                              narrow(destination.top + top * dh / sh),
                              narrow(destination.left + right * dw / sw),
                              narrow(destination.top + bottom * dh / sh)};
  clipped_source = GRect{narrow(source.left + left), narrow(source.top + top),
                         narrow(source.left + right), narrow(source.top + bottom)};
  return clipped_destination == visible ? 1 : 0;
}

}  // namespace vel

std::uint32_t GRasterGraphic::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GGraphic::StoredByteCount() + vel::kClassVersionSize + RWTotalStoredSize(&image_) +
         2 * vel::kStoredRectSize + RWTotalStoredSize(&second_);
}

template <typename Carrier>
void GRasterGraphic::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GGraphic::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  image_.SaveObject(carrier);
  vel::WriteRect(carrier, source_);
  vel::WriteRect(carrier, destination_);
  second_.SaveObject(carrier);
}

void GRasterGraphic::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GRasterGraphic::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GRasterGraphic::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GGraphic::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  // Each bitmap record must fill the graphic's own handle: a reference or a short record is
  // damaged data, and the handle is emptied.
  const auto read_bitmap = [&carrier](GBitmap& bitmap) {
    RWCollectable* restored = carrier >> static_cast<RWCollectable&>(bitmap);
    if (restored != &bitmap || !vel::CarrierGood(carrier)) {
      bitmap = GBitmap();
      return false;
    }
    return true;
  };
  GRect source;
  GRect destination;
  if (!read_bitmap(image_) || !vel::ReadRect(carrier, source) ||
      !vel::ReadRect(carrier, destination) || !read_bitmap(second_)) {
    vel::FailCarrier(carrier);
    return;
  }
  source_ = source;
  destination_ = destination;
}

void GRasterGraphic::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GRasterGraphic::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
