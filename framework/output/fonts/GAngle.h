// GAngle: an angle in degrees as a single-precision value, always in [0, 360). The font and text
// classes and the back ends keep character and escapement angles in one.
#pragma once

class GAngle {
 public:
  GAngle() = default;
  // Normalises into [0, 360): the remainder of a division by 360, raised by 360 when negative.
  // A value that is not finite (an infinity, NaN) gives 0.
  explicit GAngle(float degrees);

  float GetValue() const { return degrees_; }
  // Of the angle in radians (degrees x 0.017453292).
  float Sin() const;
  float Cos() const;

  bool operator==(const GAngle& other) const = default;

 private:
  float degrees_ = 0.0F;
};
