// GTransformAttribute: the page transform that the page filters (n-up, fit-to-size, scale-page)
// put into a page's state, so that the output stage places, rotates and scales the page: a
// rotation in degrees, a translation of the page origin in the page's units, and a scale per axis.
//
// Stored form (after the attribute part):
//   u32  class version word, 1
//   i16  rotation, degrees
//   i16  translation x
//   i16  translation y
//   f32  scale x
//   f32  scale y
//
// The arithmetic operators work component by component (rotation and translation in 16 bits,
// wrapping around; scale in floats) and give a new transform with key 0. A division by zero
// leaves the component as it was (the dividend). Concatenate places one transform after another.
#pragma once

#include <cstdint>

#include "framework/core/GAttribute.h"
#include "framework/pipeline/GPoint.h"

// A scale per axis.
struct GScale {
  float x = 1.0f;
  float y = 1.0f;

  friend bool operator==(const GScale& a, const GScale& b) = default;
};

class GTransformAttribute : public GAttribute {
 public:
  // Rotation 0, translation (0, 0), scale (1, 1), key 0.
  GTransformAttribute() = default;
  // Key 0.
  GTransformAttribute(std::int16_t rotation, GPoint translation, GScale scale);
  // The attribute part (key, serial number, enabled flag) and every field.
  GTransformAttribute(const GTransformAttribute& other) = default;
  GTransformAttribute& operator=(const GTransformAttribute& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The attribute part + 18.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and key, rotation and translation, and scales equal as
  // floats.
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleTransformAttribute.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  void SetScale(float x, float y) { scale_ = {x, y}; }
  void SetTranslation(GPoint translation) { translation_ = translation; }
  std::int16_t SetRotation(const std::int16_t& rotation) { return rotation_ = rotation; }
  GScale GetScale() const { return scale_; }
  GPoint GetTranslation() const { return translation_; }
  std::int16_t GetRotation() const { return rotation_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GTransformAttribute"; }
  static RWCollectable* Create();

 private:
  std::int16_t rotation_ = 0;
  GPoint translation_;
  GScale scale_;
};

// Component by component: rotation and translation added, scales multiplied.
GTransformAttribute operator+(const GTransformAttribute& a, const GTransformAttribute& b);
// Rotation and translation subtracted, scales divided.
GTransformAttribute operator-(const GTransformAttribute& a, const GTransformAttribute& b);
// Everything multiplied.
GTransformAttribute operator*(const GTransformAttribute& a, const GTransformAttribute& b);
// Everything divided (rotation and translation as signed integers, truncating).
GTransformAttribute operator/(const GTransformAttribute& a, const GTransformAttribute& b);
// Every component (rotation, both translations, both scales) op k.
GTransformAttribute operator+(const GTransformAttribute& a, std::int16_t k);
GTransformAttribute operator-(const GTransformAttribute& a, std::int16_t k);
GTransformAttribute operator*(const GTransformAttribute& a, std::int16_t k);
GTransformAttribute operator/(const GTransformAttribute& a, std::int16_t k);

// The transform that places a page as `earlier` does and then as `later` does (key 0): rotations
// added, scales multiplied per axis, and the earlier translation scaled by the later scale,
// turned by the later rotation and added to the later translation. On the y-down page the turn by
// a is (x, y) -> (x cos a + y sin a, -x sin a + y cos a), exact for multiples of 90 degrees; the
// translation is computed in floats and each coordinate truncated toward zero and clamped to 16
// bits. It equals the component sum (operator+) when the earlier transform has no translation or
// the later one has rotation 0 and scale 1.
GTransformAttribute Concatenate(const GTransformAttribute& earlier,
                                const GTransformAttribute& later);
