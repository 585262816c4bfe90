// GAngle.
#include "framework/output/fonts/GAngle.h"

#include <cmath>

namespace {

// Pi / 180 as a single-precision constant.
constexpr float kRadiansPerDegree = 0.017453292F;

}  // namespace

GAngle::GAngle(float degrees) {
  if (!std::isfinite(degrees)) {
    return;
  }
  float reduced = std::fmod(degrees, 360.0F);
  if (reduced < 0.0F) {
    reduced += 360.0F;
  }
  // A tiny negative remainder raised by 360 rounds to 360 itself.
  degrees_ = reduced >= 360.0F ? 0.0F : reduced;
}

float GAngle::Sin() const {
  return std::sin(degrees_ * kRadiansPerDegree);
}

float GAngle::Cos() const {
  return std::cos(degrees_ * kRadiansPerDegree);
}
