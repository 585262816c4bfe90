// GShapeGraphic and its point list.
#include "framework/pipeline/GShapeGraphic.h"

#include <algorithm>
#include <new>
#include <type_traits>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWError.h"
#include "rw/RWVirtualStream.h"

namespace {

// Points read before the rest of a stored count is believed: a damaged count costs no more than
// this until the points are really there.
constexpr std::uint32_t kInitialReserve = 1024;

constexpr std::uint32_t kPointSize = 4;
// Arc direction and list flag, after the version word.
constexpr std::uint32_t kFixedFieldsSize = 8;
// Bounds, start, end and corner.
constexpr std::uint32_t kGeometrySize = 20;

}  // namespace

namespace vel {

GRect BoundsOfPoints(const GPoint* points, std::uint32_t count) {
  GRect bounds;
  if (points == nullptr || count == 0) {
    return bounds;
  }
  bounds = GRect{points[0].x, points[0].y, points[0].x, points[0].y};
  for (std::uint32_t i = 1; i < count; ++i) {
    Unite(bounds, GRect{points[i].x, points[i].y, points[i].x, points[i].y});
  }
  return bounds;
}

}  // namespace vel

GPointList::GPointList(const GPoint* points, std::uint32_t count)
    : points_(points), count_(points == nullptr ? 0 : count) {}

GPointList* GPointList::CopyOf(const GPoint* points, std::uint32_t count) {
  auto* list = new (std::nothrow) GPointList;
  if (list == nullptr) {
    return nullptr;
  }
  if (points != nullptr && count != 0) {
    list->owned_.reset(new (std::nothrow) GPoint[count]);
    if (list->owned_ == nullptr) {
      delete list;
      return nullptr;
    }
    std::copy(points, points + count, list->owned_.get());
    list->points_ = list->owned_.get();
    list->count_ = count;
  }
  return list;
}

bool GPointList::MakeOwned() {
  if (owned_ != nullptr || points_ == nullptr || count_ == 0) {
    return true;
  }
  std::unique_ptr<GPoint[]> copy(new (std::nothrow) GPoint[count_]);
  if (copy == nullptr) {
    return false;
  }
  std::copy(points_, points_ + count_, copy.get());
  owned_ = std::move(copy);
  points_ = owned_.get();
  return true;
}

bool GPointList::SamePoints(const GPointList& other) const {
  return count_ == other.count_ &&
         (count_ == 0 || std::equal(points_, points_ + count_, other.points_));
}

void GPointList::DropFirst() {
  if (count_ == 0) {
    return;
  }
  ++points_;
  --count_;
}

GShapeGraphic::GShapeGraphic(const GRect& bounds, GGraphicBundle* bundle, std::uint32_t key)
    : GGraphic(bundle, key), bounds_(bounds) {}

GShapeGraphic::GShapeGraphic(GPointList* list, GGraphicBundle* bundle, std::uint32_t key)
    : GGraphic(bundle, key), list_(list) {
  if (list_ != nullptr) {
    bounds_ = vel::BoundsOfPoints(list_->Points(), list_->Count());
  }
}

GShapeGraphic::GShapeGraphic(const GRect& bounds,
                             GPointList* list,
                             GGraphicBundle* bundle,
                             std::uint32_t key)
    : GShapeGraphic(bounds, list, kDefaultArcDirection, bundle, key) {}

GShapeGraphic::GShapeGraphic(const GRect& bounds,
                             GPointList* list,
                             std::int32_t arc_direction,
                             GGraphicBundle* bundle,
                             std::uint32_t key)
    : GGraphic(bundle, key), arc_direction_(arc_direction), list_(list), bounds_(bounds) {}

GShapeGraphic::GShapeGraphic(const GShapeGraphic& other)
    : GGraphic(other),
      arc_direction_(other.arc_direction_),
      bounds_(other.bounds_),
      start_(other.start_),
      end_(other.end_),
      corner_(other.corner_) {
  if (other.list_ == nullptr) {
    return;
  }
  // A failed allocation leaves the copy without a list.
  if (other.list_->IsOwned() != 0) {
    list_.reset(GPointList::CopyOf(other.list_->Points(), other.list_->Count()));
  } else {
    list_.reset(new (std::nothrow) GPointList(other.list_->Points(), other.list_->Count()));
  }
}

GShapeGraphic::~GShapeGraphic() = default;

RWClassID GShapeGraphic::ClassId() {
  return vel::classid::kGShapeGraphic;
}

bool GShapeGraphic::IsKindOf(RWClassID id) const {
  return id == ClassId() || GGraphic::IsKindOf(id);
}

bool GShapeGraphic::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* shape = dynamic_cast<const GShapeGraphic*>(other);
  if (shape == nullptr || !SameClass(other) || !GCommand::IsSameKey(other)) {
    return false;
  }
  if (bounds_ != shape->bounds_ || arc_direction_ != shape->arc_direction_ ||
      start_ != shape->start_ || end_ != shape->end_ || corner_ != shape->corner_) {
    return false;
  }
  if (list_ == nullptr || shape->list_ == nullptr) {
    return list_ == nullptr && shape->list_ == nullptr;
  }
  return list_->SamePoints(*shape->list_);
}

void GShapeGraphic::MakeUnique() {
  if (list_ != nullptr) {
    (void)list_->MakeOwned();
  }
}

void GShapeGraphic::TakeFirstPointAsStart() {
  if (list_ == nullptr || list_->Count() == 0) {
    return;
  }
  start_ = list_->Points()[0];
  list_->DropFirst();
}

std::uint32_t GShapeGraphic::GetPointCount() const {
  return list_ == nullptr ? 0 : list_->Count();
}

const GPoint* GShapeGraphic::GetPoint(std::uint32_t index) const {
  const std::uint32_t count = GetPointCount();
  if (index >= count) {
    RWRaiseIndex(index, count);
    return nullptr;
  }
  return list_->Points() + index;
}

std::uint32_t GShapeGraphic::StoredByteCount() const {
  std::uint32_t size = GGraphic::StoredByteCount() + vel::kClassVersionSize + kFixedFieldsSize +
                       kGeometrySize;
  if (list_ != nullptr) {
    size += 4 + kPointSize * list_->Count();
  }
  return size;
}

template <typename Carrier>
void GShapeGraphic::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GGraphic::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, arc_direction_);
  vel::WriteField(carrier, std::int32_t{list_ != nullptr ? 1 : 0});
  if (list_ != nullptr) {
    vel::WriteField(carrier, list_->Count());
    for (std::uint32_t i = 0; i < list_->Count(); ++i) {
      vel::WriteField(carrier, list_->Points()[i].x);
      vel::WriteField(carrier, list_->Points()[i].y);
    }
  }
  const short geometry[10] = {bounds_.left, bounds_.top, bounds_.right, bounds_.bottom,
                              start_.x,     start_.y,   end_.x,        end_.y,
                              corner_.x,    corner_.y};
  if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
    // Ten 16-bit words in a row: one write.
    (void)carrier.Write(geometry, 10);
  } else {
    for (const short value : geometry) {
      vel::WriteField(carrier, static_cast<std::int16_t>(value));
    }
  }
}

void GShapeGraphic::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GShapeGraphic::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

namespace {

// Reads a stored point list into `points`; false when it is damaged or not all there.
template <typename Carrier>
bool ReadPoints(Carrier& carrier, std::vector<GPoint>& points) {
  std::uint32_t count = 0;
  if (!vel::ReadField(carrier, count) || count > GShapeGraphic::kMaxStoredPoints) {
    return false;
  }
  try {
    points.reserve(std::min(count, kInitialReserve));
    for (std::uint32_t i = 0; i < count; ++i) {
      GPoint point;
      if (!vel::ReadField(carrier, point.x) || !vel::ReadField(carrier, point.y)) {
        return false;
      }
      points.push_back(point);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

template <typename Carrier>
void GShapeGraphic::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GGraphic::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::int32_t arc_direction = 0;
  std::int32_t flag = 0;
  std::vector<GPoint> points;
  if (!vel::ReadField(carrier, arc_direction) || !vel::ReadField(carrier, flag) ||
      (flag != 0 && flag != 1) || (flag == 1 && !ReadPoints(carrier, points))) {
    vel::FailCarrier(carrier);
    return;
  }
  std::int16_t geometry[10] = {};
  if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
    // Ten 16-bit words in a row: one read.
    short words[10] = {};
    if (!carrier.Read(words, 10)) {
      vel::FailCarrier(carrier);
      return;
    }
    for (int i = 0; i < 10; ++i) {
      geometry[i] = static_cast<std::int16_t>(words[i]);
    }
  } else {
    for (std::int16_t& value : geometry) {
      if (!vel::ReadField(carrier, value)) {
        vel::FailCarrier(carrier);
        return;
      }
    }
  }
  std::unique_ptr<GPointList> list;
  if (flag == 1) {
    list.reset(GPointList::CopyOf(points.data(), static_cast<std::uint32_t>(points.size())));
    if (list == nullptr) {
      vel::FailCarrier(carrier);
      return;
    }
  }
  arc_direction_ = arc_direction;
  list_ = std::move(list);
  bounds_ = GRect{geometry[0], geometry[1], geometry[2], geometry[3]};
  start_ = GPoint{geometry[4], geometry[5]};
  end_ = GPoint{geometry[6], geometry[7]};
  corner_ = GPoint{geometry[8], geometry[9]};
}

void GShapeGraphic::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GShapeGraphic::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
