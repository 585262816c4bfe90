// GClipToSingleRectangle: the clip to one rectangle.
//
// Stored form (after the clip part):
//   u32  class version word, 1
//   i16  left, top, right, bottom
#pragma once

#include <cstdint>

#include "framework/pipeline/GClipAttribute.h"

class GClipToSingleRectangle : public GClipAttribute {
 public:
  // Clip defaults, the rectangle all zero.
  GClipToSingleRectangle() = default;
  GClipToSingleRectangle(const GRect& rectangle,
                         std::int32_t clip_region,
                         std::int32_t fill_rule,
                         std::uint32_t key)
      : GClipAttribute(clip_region, fill_rule, key), rectangle_(rectangle) {}
  GClipToSingleRectangle(const GClipToSingleRectangle& other) = default;
  GClipToSingleRectangle& operator=(const GClipToSingleRectangle& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The clip part + 12.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The class, the clip test and the rectangle.
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleClipToSingleRectangle.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;
  // The rectangle; true.
  bool GetBounds(GRect& bounds) const override;

  const GRect& GetRectangle() const { return rectangle_; }
  void SetRectangle(const GRect& rectangle) { rectangle_ = rectangle; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GClipToSingleRectangle"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  GRect rectangle_;
};
