// The framework's real number in the kernel-mode flavour: an engine floating-point object, and
// every operation on it done by the engine's FLOATOBJ services, since kernel-mode code may not use
// the floating-point unit. Constants are made from single-precision patterns or whole numbers.
// The user-mode flavour offers the same operations over a double, so framework code is written
// once.
//
// Comparisons order reals by their single-precision values: two reals that round to the same
// single are equal, +0 equals -0, and NaN is unequal to everything and neither less nor greater.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/engine/winddi.h"

class GReal {
 public:
  GReal() { FLOATOBJ_SetFloat(&value_, 0); }
  // From a signed 32-bit or 16-bit whole number.
  GReal(int value) { FLOATOBJ_SetLong(&value_, value); }  // NOLINT(google-explicit-constructor)
  GReal(short value) { FLOATOBJ_SetLong(&value_, value); }  // NOLINT(google-explicit-constructor)

  // A real from the 32-bit IEEE pattern of a single-precision value.
  static GReal FromSingle(std::uint32_t pattern) {
    GReal real;
    FLOATOBJ_SetFloat(&real.value_, static_cast<FLOATL>(pattern));
    return real;
  }
  std::uint32_t ToSingle() const {
    FLOATOBJ copy = value_;
    return static_cast<std::uint32_t>(FLOATOBJ_GetFloat(&copy));
  }
  std::int32_t ToLong() const {
    FLOATOBJ copy = value_;
    return FLOATOBJ_GetLong(&copy);
  }

  GReal& operator+=(GReal other) {
    FLOATOBJ_Add(&value_, &other.value_);
    return *this;
  }
  GReal& operator-=(GReal other) {
    FLOATOBJ_Sub(&value_, &other.value_);
    return *this;
  }
  GReal& operator*=(GReal other) {
    FLOATOBJ_Mul(&value_, &other.value_);
    return *this;
  }
  GReal& operator/=(GReal other) {
    FLOATOBJ_Div(&value_, &other.value_);
    return *this;
  }
  GReal operator-() const {
    GReal copy = *this;
    FLOATOBJ_Neg(&copy.value_);
    return copy;
  }
  GReal operator+() const { return *this; }

  friend GReal operator+(GReal a, GReal b) { return a += b; }
  friend GReal operator-(GReal a, GReal b) { return a -= b; }
  friend GReal operator*(GReal a, GReal b) { return a *= b; }
  friend GReal operator/(GReal a, GReal b) { return a /= b; }

 private:
  FLOATOBJ value_;
};
static_assert(sizeof(GReal) == 8);

inline GReal RealFromSingle(std::uint32_t pattern) { return GReal::FromSingle(pattern); }
inline GReal RealFromFloat(float value) {
  std::uint32_t pattern;
  std::memcpy(&pattern, &value, sizeof pattern);
  return GReal::FromSingle(pattern);
}
// The value rounded to the nearest single: the stored form of a real, and what PCL XL sends.
inline std::uint32_t RealToSingle(GReal x) { return x.ToSingle(); }
inline float RealToFloat(GReal x) {
  const std::uint32_t pattern = x.ToSingle();
  float value;
  std::memcpy(&value, &pattern, sizeof value);
  return value;
}
// The whole-number part, truncated toward zero and saturated at the 32-bit limits; NaN gives 0.
inline std::int32_t RealToLong(GReal x) { return x.ToLong(); }

inline GReal RealAdd(GReal a, GReal b) { return a + b; }
inline GReal RealSubtract(GReal a, GReal b) { return a - b; }
inline GReal RealMultiply(GReal a, GReal b) { return a * b; }
inline GReal RealDivide(GReal a, GReal b) { return a / b; }
inline GReal RealNegate(GReal x) { return -x; }
// n / x and x / n for a 16-bit whole number n.
inline GReal RealShortDivide(std::int16_t n, GReal x) { return GReal(n) / x; }
inline GReal RealDivideShort(GReal x, std::int16_t n) { return x / GReal(n); }
inline GReal RealTruncate(GReal x) { return GReal(static_cast<int>(x.ToLong())); }
// x - RealTruncate(x / y) * y: the remainder with the sign of x.
inline GReal RealModulo(GReal x, GReal y) { return x - RealTruncate(x / y) * y; }

bool RealEqual(GReal a, GReal b);
bool RealLess(GReal a, GReal b);
bool RealGreater(GReal a, GReal b);

// Angles in radians unless the name says degrees. Cosine and sine are within 1e-6 of the exact
// values for angles of a few turns; the arctangent within 1e-6 everywhere.
GReal RealCosine(GReal x);
GReal RealSine(GReal x);
GReal RealCosineOfDegrees(GReal d);
GReal RealSineOfDegrees(GReal d);
// The angle in (-pi/2, pi/2) whose tangent is x.
GReal RealArcTangent(GReal x);
// The angle reduced into [0, 360) degrees, however far outside it lies.
GReal NormalizeAngleDegrees(GReal d);

inline bool operator==(GReal a, GReal b) { return RealEqual(a, b); }
inline bool operator!=(GReal a, GReal b) { return !RealEqual(a, b); }
inline bool operator<(GReal a, GReal b) { return RealLess(a, b); }
inline bool operator>(GReal a, GReal b) { return RealGreater(a, b); }
inline bool operator<=(GReal a, GReal b) { return RealLess(a, b) || RealEqual(a, b); }
inline bool operator>=(GReal a, GReal b) { return RealGreater(a, b) || RealEqual(a, b); }
