// GClipToRectangle: the clip to a list of rectangles, kept in order.
//
// Stored form (after the clip part):
//   u32  class version word, 1
//   u32  rectangle count n
//   n x  (i16 left, top, right, bottom)
// A restore replaces the rectangles with those read. A count above kMaxStoredRectangles or
// rectangles that are not all there fail the carrier and leave the clip as it was.
#pragma once

#include <cstdint>

#include "framework/pipeline/GClipAttribute.h"
#include "framework/pipeline/GRectOrderedVector.h"

class GClipToRectangle : public GClipAttribute {
 public:
  // Restores refuse larger counts: no clip region of a page has that many bands.
  static constexpr std::uint32_t kMaxStoredRectangles = 1u << 20;

  // Clip defaults, no rectangles (capacity 1).
  GClipToRectangle() = default;
  // A copy of `rectangles` (same capacity, entries and count).
  GClipToRectangle(const GRectOrderedVector& rectangles,
                   std::int32_t clip_region,
                   std::int32_t fill_rule,
                   std::uint32_t key);
  // One rectangle (capacity 1).
  GClipToRectangle(const GRect& rectangle,
                   std::int32_t clip_region,
                   std::int32_t fill_rule,
                   std::uint32_t key);
  GClipToRectangle(const GClipToRectangle& other) = default;
  GClipToRectangle& operator=(const GClipToRectangle& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The clip part + 8 + 8 n.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The class, the clip test and the same rectangles in the same order.
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleClipToRectangle.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;
  // The union of the rectangles and true; false (nothing filled) when there are none.
  bool GetBounds(GRect& bounds) const override;

  // Rectangle `i`; all zero at or past the count.
  GRect GetRectangle(std::uint32_t i) const;
  std::uint32_t GetRectangleCount() const { return rectangles_.Count(); }
  const GRectOrderedVector& Rectangles() const { return rectangles_; }
  GRectOrderedVector& Rectangles() { return rectangles_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GClipToRectangle"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  GRectOrderedVector rectangles_;
};
