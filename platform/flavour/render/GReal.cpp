// Comparisons and the mathematical functions of the kernel-mode real, on FLOATOBJ operations only.
#include "platform/flavour/render/GReal.h"

namespace {

// Single-precision patterns of the constants.
constexpr std::uint32_t kPi = 0x40490FDB;           // 3.1415927
constexpr std::uint32_t kHalfPi = 0x3FC90FDB;       // 1.5707964
constexpr std::uint32_t kTwoPi = 0x40C90FDB;        // 6.2831855
constexpr std::uint32_t kSixthPi = 0x3F060A92;      // 0.5235988
constexpr std::uint32_t kSqrt3 = 0x3FDDB3D7;        // 1.7320508
constexpr std::uint32_t kTanTwelfthPi = 0x3E8930A3; // 0.2679492

// Cosine on [0, pi/2]: 1 - 0.5 t^2 + 0.041666638 t^4 - 0.0013888362 t^6 + 0.000024760162 t^8
// - 0.00000026051495 t^10, the coefficients rounded to singles; highest power first.
constexpr std::uint32_t kCosine[] = {0xB48BDCE7, 0x37CFB40B, 0xBAB6099C,
                                     0x3D2AAAA3, 0xBF000000, 0x3F800000};

constexpr bool IsNaN(std::uint32_t single) { return (single & 0x7FFFFFFFu) > 0x7F800000u; }

// The single's numeric order as a signed whole number: -0 and +0 give 0.
constexpr std::int64_t OrderKey(std::uint32_t single) {
  const auto magnitude = static_cast<std::int64_t>(single & 0x7FFFFFFFu);
  return (single & 0x80000000u) != 0 ? -magnitude : magnitude;
}

}  // namespace

bool RealEqual(GReal a, GReal b) {
  const std::uint32_t x = a.ToSingle();
  const std::uint32_t y = b.ToSingle();
  return !IsNaN(x) && !IsNaN(y) && OrderKey(x) == OrderKey(y);
}

bool RealLess(GReal a, GReal b) {
  const std::uint32_t x = a.ToSingle();
  const std::uint32_t y = b.ToSingle();
  return !IsNaN(x) && !IsNaN(y) && OrderKey(x) < OrderKey(y);
}

bool RealGreater(GReal a, GReal b) { return RealLess(b, a); }

GReal RealCosine(GReal x) {
  const GReal half_pi = RealFromSingle(kHalfPi);
  GReal r = RealModulo(x, RealFromSingle(kTwoPi));
  if (RealLess(r, 0)) {
    r = -r;
  }
  const GReal quarters = r / half_pi;
  const int quadrant = static_cast<int>(static_cast<std::uint8_t>(RealToLong(quarters))) & 3;
  const GReal fraction = quarters - GReal(static_cast<int>(RealToLong(quarters)));
  const GReal t = (quadrant == 0 || quadrant == 2) ? fraction * half_pi
                                                   : (GReal(1) - fraction) * half_pi;
  const GReal t2 = t * t;
  GReal c = RealFromSingle(kCosine[0]);
  for (std::size_t i = 1; i < sizeof kCosine / sizeof kCosine[0]; ++i) {
    c = c * t2 + RealFromSingle(kCosine[i]);
  }
  return (quadrant == 1 || quadrant == 2) ? -c : c;
}

GReal RealSine(GReal x) { return RealCosine(x - RealFromSingle(kHalfPi)); }

GReal RealCosineOfDegrees(GReal d) { return RealCosine(d * RealFromSingle(kPi) / GReal(180)); }

GReal RealSineOfDegrees(GReal d) { return RealSine(d * RealFromSingle(kPi) / GReal(180)); }

GReal RealArcTangent(GReal x) {
  // atan(-x) = -atan(x); atan(x) = pi/2 - atan(1/x) above 1; above tan(pi/12),
  // atan(x) = pi/6 + atan((x * sqrt3 - 1) / (x + sqrt3)). What is left lies within
  // [0, tan(pi/12)], where the odd series to x^17 is far inside 1e-6.
  const bool negative = RealLess(x, 0);
  if (negative) {
    x = -x;
  }
  const bool inverted = RealGreater(x, 1);
  if (inverted) {
    x = GReal(1) / x;
  }
  const bool shifted = RealGreater(x, RealFromSingle(kTanTwelfthPi));
  if (shifted) {
    const GReal sqrt3 = RealFromSingle(kSqrt3);
    x = (x * sqrt3 - GReal(1)) / (x + sqrt3);
  }
  const GReal x2 = x * x;
  // Horner over the coefficients (-1)^k / (2k + 1), k = 8 down to 0.
  GReal sum = GReal(1) / GReal(17);
  for (int k = 7; k >= 0; --k) {
    sum = GReal(k % 2 == 0 ? 1 : -1) / GReal(2 * k + 1) + x2 * sum;
  }
  GReal result = x * sum;
  if (shifted) {
    result += RealFromSingle(kSixthPi);
  }
  if (inverted) {
    result = RealFromSingle(kHalfPi) - result;
  }
  return negative ? -result : result;
}

GReal NormalizeAngleDegrees(GReal d) {
  const GReal full = GReal(360);
  GReal r = RealModulo(d, full);
  if (RealLess(r, 0)) {
    r += full;
  }
  // A tiny negative remainder plus 360 rounds to 360 itself.
  if (!RealLess(r, full)) {
    r -= full;
  }
  return RealLess(r, 0) ? GReal() : r;
}
