// GDashedPen: a pen that strokes dashed lines. Its dash array holds the on and off lengths,
// alternating, in the pen's units; the dash offset is the distance into the pattern at which a
// stroke starts. The pen owns its array (copies get arrays of their own) and holds no array, with
// a count of 0, when it has no dashes.
//
// Stored form (after the pen part):
//   u32  class version word, 1
//   u16  dash offset
//   u32  dash count n
//   u16  dash lengths, n of them
// A stored count above kMaxDashCount, or one that the entries after it do not fill, fails the
// carrier and leaves the pen as it was; nothing is allocated before the entries have been read.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/pipeline/GPen.h"

class GDashedPen : public GPen {
 public:
  // The most dash entries a stored pen may carry. Dash patterns are short (drawing interfaces take
  // a few dozen entries at most); the bound keeps damaged counts from sizing allocations.
  static constexpr std::uint32_t kMaxDashCount = 1024;

  // No dashes, width 0, no paint, key 0.
  GDashedPen();
  // Takes `dash_array` as its own; a null array makes the count 0. `paint` (null allowed) gains a
  // reference.
  GDashedPen(std::unique_ptr<std::uint16_t[]> dash_array,
             std::uint32_t dash_count,
             std::uint16_t width,
             GPaint* paint,
             std::uint16_t dash_offset,
             std::uint32_t key = 0);
  // An array of its own with the same entries (none when the other has none, or when memory is
  // short: count 0 then); shares the paint.
  GDashedPen(const GDashedPen& other);
  GDashedPen& operator=(const GDashedPen& other);
  ~GDashedPen() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The pen part + 10 + 2 for each entry.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the pen test, the same count and offset and the entries equal one by one.
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleDashedPen.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  // The entries (null when there are none) and their count.
  const std::uint16_t* GetDashArray() const { return dashes_.get(); }
  std::uint32_t GetDashCount() const { return dash_count_; }
  std::uint16_t GetDashOffset() const { return dash_offset_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GDashedPen"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  // Takes a copy of the other's entries.
  void CopyDashes(const GDashedPen& other);

  std::unique_ptr<std::uint16_t[]> dashes_;
  std::uint32_t dash_count_ = 0;
  std::uint16_t dash_offset_ = 0;
};
