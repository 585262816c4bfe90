// The framework's real number in the user-mode flavour: a double, computed with the processor's
// floating-point unit and the runtime library's functions. The kernel-mode flavour offers the same
// operations over the engine's floating-point object, so framework code is written once.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

using GReal = double;

// A real from a single-precision value, given as the value or as its 32-bit IEEE pattern.
inline GReal RealFromFloat(float value) { return value; }
inline GReal RealFromSingle(std::uint32_t pattern) {
  float value;
  std::memcpy(&value, &pattern, sizeof value);
  return value;
}
// The value rounded to the nearest single: the stored form of a real, and what PCL XL sends.
inline float RealToFloat(GReal x) { return static_cast<float>(x); }
inline std::uint32_t RealToSingle(GReal x) {
  const float value = RealToFloat(x);
  std::uint32_t pattern;
  std::memcpy(&pattern, &value, sizeof pattern);
  return pattern;
}
// The whole-number part, truncated toward zero and saturated at the 32-bit limits; NaN gives 0.
inline std::int32_t RealToLong(GReal x) {
  if (std::isnan(x)) {
    return 0;
  }
  if (x >= 2147483647.0) {
    return 2147483647;
  }
  if (x <= -2147483648.0) {
    return -2147483647 - 1;
  }
  return static_cast<std::int32_t>(x);
}

inline GReal RealAdd(GReal a, GReal b) { return a + b; }
inline GReal RealSubtract(GReal a, GReal b) { return a - b; }
inline GReal RealMultiply(GReal a, GReal b) { return a * b; }
inline GReal RealDivide(GReal a, GReal b) { return a / b; }
inline GReal RealNegate(GReal x) { return -x; }
// n / x and x / n for a 16-bit whole number n.
inline GReal RealShortDivide(std::int16_t n, GReal x) { return n / x; }
inline GReal RealDivideShort(GReal x, std::int16_t n) { return x / n; }
inline GReal RealTruncate(GReal x) { return std::trunc(x); }
// x - RealTruncate(x / y) * y: the remainder with the sign of x.
inline GReal RealModulo(GReal x, GReal y) { return x - std::trunc(x / y) * y; }

inline bool RealEqual(GReal a, GReal b) { return a == b; }
inline bool RealLess(GReal a, GReal b) { return a < b; }
inline bool RealGreater(GReal a, GReal b) { return a > b; }

// Angles in radians unless the name says degrees.
inline GReal RealCosine(GReal x) { return std::cos(x); }
inline GReal RealSine(GReal x) { return std::sin(x); }
inline GReal RealCosineOfDegrees(GReal d) { return std::cos(d * (M_PI / 180.0)); }
inline GReal RealSineOfDegrees(GReal d) { return std::sin(d * (M_PI / 180.0)); }
// The angle in (-pi/2, pi/2) whose tangent is x.
inline GReal RealArcTangent(GReal x) { return std::atan(x); }
// The angle reduced into [0, 360) degrees, however far outside it lies.
inline GReal NormalizeAngleDegrees(GReal d) {
  GReal r = std::fmod(d, 360.0);
  if (r < 0) {
    r += 360.0;
  }
  // A tiny negative remainder plus 360 rounds to 360 itself.
  return r >= 360.0 ? 0.0 : r;
}
