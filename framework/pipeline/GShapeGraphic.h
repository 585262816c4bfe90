// GShapeGraphic: the abstract base of the graphics whose geometry is a bounding rectangle, an
// optional list of points and a few extra points (start and end of an arc, corner size of a
// rounded rectangle). The render module derives its ellipses, poly-lines and Bezier curves from
// it; GRectangleGraphic is the one the framework itself stores.
//
// The point list either points at the caller's array (not owned: the shape never frees it) or
// holds an array of its own. MakeUnique and copying make the array the shape's own when it is
// shared.
//
// Stored form (after the graphic part):
//   u32  class version word, 1
//   i32  arc direction (2 by default)
//   i32  list flag: 1 when a point list follows, else 0
//   u32  point count n             } only when the flag is 1
//   n x  (i16 x, i16 y)            }
//   i16  bounds left, top, right, bottom
//   i16  start x, start y, end x, end y, corner x, corner y
// A restore builds an owned list (flag 1) or none (flag 0). Another flag, a count above
// kMaxStoredPoints or points that are not all there fail the carrier and leave the shape as it was.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/pipeline/GGraphic.h"
#include "framework/pipeline/GPoint.h"
#include "framework/pipeline/GRect.h"

// The points of a shape: the caller's array or one of the list's own.
class GPointList {
 public:
  // Points at the caller's array, which must outlive the list (not owned).
  GPointList(const GPoint* points, std::uint32_t count);
  // An owned copy of `count` points; null when memory is short.
  static GPointList* CopyOf(const GPoint* points, std::uint32_t count);
  GPointList(const GPointList&) = delete;
  GPointList& operator=(const GPointList&) = delete;

  // 1 when the array is the list's own.
  std::int32_t IsOwned() const { return owned_ != nullptr ? 1 : 0; }
  std::uint32_t Count() const { return count_; }
  const GPoint* Points() const { return points_; }
  // Copies a caller's array into one of the list's own; false (unchanged) when memory is short.
  bool MakeOwned();
  // The same points in the same order.
  bool SamePoints(const GPointList& other) const;
  // Steps past the first point (the count falls by one; an empty list stays empty). An owned
  // array stays allocated from its start, which the list keeps and frees.
  void DropFirst();

 private:
  GPointList() = default;

  const GPoint* points_ = nullptr;
  std::unique_ptr<GPoint[]> owned_;
  std::uint32_t count_ = 0;
};

class GShapeGraphic : public GGraphic {
 public:
  // Restores refuse larger point counts: no shape of a page holds that many.
  static constexpr std::uint32_t kMaxStoredPoints = 1u << 22;
  // Arc direction of a new shape.
  static constexpr std::int32_t kDefaultArcDirection = 2;

  // No bundle, no list, all points 0.
  GShapeGraphic() = default;
  GShapeGraphic(const GRect& bounds, GGraphicBundle* bundle, std::uint32_t key);
  // Takes the list over; the bounds are those of its points ((0, 0, 0, 0) for none).
  GShapeGraphic(GPointList* list, GGraphicBundle* bundle, std::uint32_t key);
  GShapeGraphic(const GRect& bounds, GPointList* list, GGraphicBundle* bundle, std::uint32_t key);
  GShapeGraphic(const GRect& bounds,
                GPointList* list,
                std::int32_t arc_direction,
                GGraphicBundle* bundle,
                std::uint32_t key);
  // Shares the bundle; an owned array is copied, a caller's array is pointed at again.
  GShapeGraphic(const GShapeGraphic& other);
  GShapeGraphic& operator=(const GShapeGraphic&) = delete;
  ~GShapeGraphic() override;

  // The graphic part + 12 + (4 + 4 n with a list) + 20.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 651, 602, 601 and 751.
  bool IsKindOf(RWClassID id) const override;
  // The class, the command test, bounds, arc direction, the three points and the point lists
  // (both absent, or the same points in order).
  bool IsSameKey(const GBaseObject* other) const override;
  // Copies a caller's array into one of the shape's own.
  void MakeUnique() override;

  const GRect& GetBounds() const { return bounds_; }
  void SetStartPoint(const GPoint& point) { start_ = point; }
  const GPoint& GetStartPoint() const { return start_; }
  void SetEndPoint(const GPoint& point) { end_ = point; }
  const GPoint& GetEndPoint() const { return end_; }
  void SetArcDirection(std::int32_t direction) { arc_direction_ = direction; }
  std::int32_t GetArcDirection() const { return arc_direction_; }
  void SetCornerSize(const GPoint& size) { corner_ = size; }
  const GPoint& GetCornerSize() const { return corner_; }
  // 0 without a list.
  std::uint32_t GetPointCount() const;
  // Point count / 3.
  std::uint32_t GetBezierCount() const { return GetPointCount() / 3; }
  // Point `index`; at or past the count the library's index error is raised and the answer is
  // null.
  const GPoint* GetPoint(std::uint32_t index) const;
  const GPointList* GetPointList() const { return list_.get(); }

  static RWClassID ClassId();

 protected:
  // Makes the list's first point the start point and drops it from the list; without a point the
  // start point and the list stay as they are. The bounds keep every point.
  void TakeFirstPointAsStart();

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  std::int32_t arc_direction_ = kDefaultArcDirection;
  std::unique_ptr<GPointList> list_;
  GRect bounds_;
  GPoint start_;
  GPoint end_;
  GPoint corner_;
};

namespace vel {

// The bounds of `count` points: the smallest and largest x and y; (0, 0, 0, 0) for none.
GRect BoundsOfPoints(const GPoint* points, std::uint32_t count);

}  // namespace vel
