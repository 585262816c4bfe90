// GGraphicStateAttribute: the abstract base of the attributes that describe how a drawing command
// is drawn (pens, brushes, caps, joints, raster operations, fill modes, clips). A graphic bundle
// holds them; a graphic state files each by its CategoryId and key, so a later attribute of the
// same category and key takes the place of an earlier one unless the two are IsSameKey. An output
// stage writes an attribute and clears its enabled flag, so unchanged state is not sent again.
//
// Stored form (after the attribute part):
//   u32  class version word, 1
#pragma once

#include <cstdint>

#include "framework/core/GAttribute.h"

class GGraphicStateAttribute : public GAttribute {
 public:
  // Key 0, enabled.
  GGraphicStateAttribute() = default;
  explicit GGraphicStateAttribute(std::uint32_t key) : GAttribute(key) {}
  GGraphicStateAttribute(const GGraphicStateAttribute& other) = default;
  GGraphicStateAttribute& operator=(const GGraphicStateAttribute& other) = default;

  // The attribute part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 754, 753 and 751.
  bool IsKindOf(RWClassID id) const override;

  static RWClassID ClassId();

 protected:
  // The class test that every IsSameKey of the family starts with: `other` is an object of this
  // object's class (IsA) and a graphic-state attribute.
  bool SameClass(const GBaseObject* other) const;
};
