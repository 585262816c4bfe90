// GClipAttribute: the abstract base of the clips a graphic bundle carries (the whole page, a path,
// a list of rectangles, one rectangle). Every clip is filed under the category 756, so a state
// holds one clip per key and a later clip takes the place of an earlier one unless they are equal.
//
// Fill rule: 0 even-odd, 1 non-zero winding. Region: 0 interior (keep what lies inside), 1
// exterior. A default clip holds 2 for both, which the output stages apply as nothing.
//
// Stored form (after the graphic-state attribute part):
//   u32  class version word, 1
//   i32  fill rule
//   i32  clip region
#pragma once

#include <cstdint>

#include "framework/pipeline/GGraphicStateAttribute.h"
#include "framework/pipeline/GRect.h"

class GClipAttribute : public GGraphicStateAttribute {
 public:
  // Neither value set: the default of both.
  static constexpr std::int32_t kUnset = 2;

  // Region and fill rule 2, key 0.
  GClipAttribute() = default;
  GClipAttribute(std::int32_t clip_region, std::int32_t fill_rule, std::uint32_t key)
      : GGraphicStateAttribute(key), fill_rule_(fill_rule), clip_region_(clip_region) {}
  GClipAttribute(const GClipAttribute& other) = default;
  GClipAttribute& operator=(const GClipAttribute& other) = default;

  // The base part + 12.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 756, 754, 753 and 751.
  bool IsKindOf(RWClassID id) const override;
  // Same key, fill rule and region; the class is the subclasses' test.
  bool IsSameKey(const GBaseObject* other) const override;
  // 756 for every clip.
  RWClassID CategoryId() const override;

  // Fills `bounds` with the clip's bounding rectangle and answers true; false (nothing filled)
  // when the clip has none.
  virtual bool GetBounds(GRect& bounds) const = 0;

  std::int32_t GetClipRegion() const { return clip_region_; }
  // The fill rule.
  std::int32_t GetFillMode() const { return fill_rule_; }
  void SetClipRegion(std::int32_t region) { clip_region_ = region; }
  void SetFillRule(std::int32_t rule) { fill_rule_ = rule; }

  static RWClassID ClassId();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  std::int32_t fill_rule_ = kUnset;
  std::int32_t clip_region_ = kUnset;
};
