// The framework's real in the flavour under test: arithmetic, comparisons, the mathematical
// functions and the stored form, which is the same four bytes in both flavours.
#include "rw/GRealStore.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include <gtest/gtest.h>

#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/TempDir.h"
#include "vel_flavour.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::HexBytes;
using vel::test::TempDir;

constexpr bool kRender = vel::flavour::kIsRenderFlavour;

double AsDouble(GReal x) { return RealToFloat(x); }

// A real with a value finer than a single: the sum of two singles.
GReal Fine(double value) {
  const float high = static_cast<float>(value);
  return RealFromFloat(high) + RealFromFloat(static_cast<float>(value - high));
}

TEST(GRealTest, ArithmeticAndWholeNumbers) {
  const GReal a = RealFromFloat(2.75f);
  EXPECT_EQ(RealToLong(RealTruncate(a)), 2);
  EXPECT_EQ(RealToLong(RealTruncate(-a)), -2);
  EXPECT_FLOAT_EQ(AsDouble(RealAdd(a, GReal(1))), 3.75f);
  EXPECT_FLOAT_EQ(AsDouble(RealSubtract(a, GReal(3))), -0.25f);
  EXPECT_FLOAT_EQ(AsDouble(RealMultiply(a, GReal(short{4}))), 11.0f);
  EXPECT_FLOAT_EQ(AsDouble(RealDivide(a, GReal(2))), 1.375f);
  EXPECT_FLOAT_EQ(AsDouble(RealNegate(a)), -2.75f);
  EXPECT_FLOAT_EQ(AsDouble(RealShortDivide(11, a)), 4.0f);
  EXPECT_FLOAT_EQ(AsDouble(RealDivideShort(a, 11)), 0.25f);
  EXPECT_FLOAT_EQ(AsDouble(RealModulo(GReal(-7), GReal(3))), -1.0f);
  EXPECT_FLOAT_EQ(AsDouble(RealModulo(RealFromFloat(7.5f), GReal(2))), 1.5f);
  EXPECT_EQ(RealToLong(GReal(-2147483647 - 1) * GReal(2)), -2147483647 - 1);
  EXPECT_EQ(RealToLong(GReal(0) / GReal(0)), 0);
  EXPECT_EQ(RealToSingle(RealFromSingle(0x3F000000)), 0x3F000000u);
  GReal b{};
  EXPECT_EQ(RealToSingle(b), 0u);
  b = 5;
  b += GReal(2);
  b *= GReal(3);
  b -= GReal(1);
  b /= GReal(4);
  EXPECT_FLOAT_EQ(AsDouble(b), 5.0f);
  const GRealPoint point(GReal(3), RealFromFloat(-1.5f));
  EXPECT_FLOAT_EQ(AsDouble(point.GetX()), 3.0f);
  EXPECT_FLOAT_EQ(AsDouble(point.GetY()), -1.5f);
}

TEST(GRealTest, Comparisons) {
  struct Case {
    GReal a;
    GReal b;
    bool less;
    bool equal;
  };
  const GReal nan = GReal(0) / GReal(0);
  const Case cases[] = {
      {GReal(-2), GReal(-1), true, false},
      {GReal(-1), GReal(2), true, false},
      {GReal(3), GReal(3), false, true},
      {GReal(0), -GReal(0), false, true},  // +0 and -0 after a negation
      {RealFromFloat(0.5f), RealFromFloat(0.25f), false, false},
      {nan, GReal(1), false, false},
      {nan, nan, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << AsDouble(c.a) << " vs " << AsDouble(c.b));
    EXPECT_EQ(RealLess(c.a, c.b), c.less);
    EXPECT_EQ(RealEqual(c.a, c.b), c.equal);
    EXPECT_EQ(RealGreater(c.a, c.b), !c.less && !c.equal && !std::isnan(AsDouble(c.a)));
    EXPECT_EQ(c.a < c.b, c.less);
    EXPECT_EQ(c.a == c.b, c.equal);
  }
  // The kernel-mode real compares single-precision values; the user-mode one compares doubles.
  EXPECT_EQ(RealEqual(Fine(0.1), Fine(0.1 + 1e-12)), kRender);
  EXPECT_TRUE(RealEqual(-GReal(0), GReal(0)));
}

TEST(GRealTest, CosineAndSineFollowTheRuntime) {
  const double pi = std::acos(-1.0);
  double worst = 0;
  for (int i = 0; i < 10000; ++i) {
    const double x = -4 * pi + 8 * pi * i / 9999.0;
    const GReal real = Fine(x);
    const double exact = RealToFloat(real) + (x - static_cast<float>(x));
    worst = std::max(worst, std::fabs(AsDouble(RealCosine(real)) - std::cos(exact)));
    worst = std::max(worst, std::fabs(AsDouble(RealSine(real)) - std::sin(exact)));
  }
  EXPECT_LT(worst, 1e-6);
  EXPECT_NEAR(AsDouble(RealCosine(GReal(0))), 1.0, 1e-6);
  EXPECT_NEAR(AsDouble(RealCosine(RealFromFloat(3.1415927f))), -1.0, 1e-6);
  EXPECT_NEAR(AsDouble(RealSine(RealFromFloat(1.5707964f))), 1.0, 1e-6);
  EXPECT_NEAR(AsDouble(RealCosineOfDegrees(GReal(90))), 0.0, 1e-6);
  EXPECT_NEAR(AsDouble(RealSineOfDegrees(GReal(30))), 0.5, 1e-6);
}

TEST(GRealTest, ArcTangentIsTrue) {
  double worst = 0;
  for (int i = -2000; i <= 2000; ++i) {
    const double x = std::sinh(i / 200.0);  // dense near 0, out to about 11000
    worst = std::max(worst, std::fabs(AsDouble(RealArcTangent(Fine(x))) - std::atan(x)));
  }
  EXPECT_LT(worst, 1e-6);
  // The angle of a vector, as the escapement code computes it: dy / dx = 1 / -1.
  EXPECT_NEAR(AsDouble(RealArcTangent(GReal(-1))), -0.7853981633974483, 1e-6);
}

TEST(GRealTest, NormalizeAngleReducesFully) {
  const struct {
    float in;
    float out;
  } cases[] = {{-450, 270}, {-90, 270}, {-360, 0}, {-1080.5f, 359.5f}, {0, 0},
               {45, 45},    {360, 0},   {720, 0},  {1000, 280},        {359.5f, 359.5f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_NEAR(AsDouble(NormalizeAngleDegrees(RealFromFloat(c.in))), c.out, 1e-4);
  }
  const GReal tiny_negative = RealFromFloat(-1e-30f);
  const double reduced = AsDouble(NormalizeAngleDegrees(tiny_negative));
  EXPECT_GE(reduced, 0.0);
  EXPECT_LT(reduced, 360.0);
}

// Reals as both flavours store them: each test binary checks the same golden bytes, so what one
// flavour writes the other reads.
const char kGolden[] =
    "00 00 00 3F"   // 0.5
    "00 00 00 C0"   // -2
    "DB 0F 49 40"   // 3.1415927
    "00 00 00 80"   // -0
    "00 00 B4 43";  // 360
GReal GoldenValues(int i) {
  const GReal values[] = {RealFromFloat(0.5f), GReal(-2), RealFromSingle(0x40490FDB), -GReal(0),
                          GReal(360)};
  return values[i];
}

TEST(GRealTest, StoredFormOnTheBinaryStream) {
  std::stringstream bytes;
  {
    RWBinaryOutStream out(bytes);
    for (int i = 0; i < 5; ++i) {
      SaveRealToStream(out, GoldenValues(i));
    }
    EXPECT_NE(out.Good(), 0);
  }
  const std::string text = bytes.str();
  EXPECT_TRUE(BytesEqual(HexBytes(kGolden), Bytes(text.begin(), text.end())));

  const Bytes golden = HexBytes(kGolden);
  std::stringstream in_bytes(std::string(golden.begin(), golden.end()));
  RWBinaryInStream in(in_bytes);
  for (int i = 0; i < 5; ++i) {
    GReal value = GReal(99);
    RestoreRealFromStream(in, value);
    EXPECT_EQ(RealToSingle(value), RealToSingle(GoldenValues(i))) << i;
  }
  GReal untouched = GReal(7);
  RestoreRealFromStream(in, untouched);
  EXPECT_NE(in.Fail(), 0);
  EXPECT_EQ(RealToLong(untouched), 7);
}

TEST(GRealTest, StoredFormOnTheBinaryFile) {
  TempDir dir;
  const std::string name = dir.File("reals.bin");
  {
    RWBinaryFile file(name.c_str(), "wb+");
    for (int i = 0; i < 5; ++i) {
      EXPECT_TRUE(SaveRealToFile(file, GoldenValues(i)));
    }
  }
  std::ifstream raw(name, std::ios::binary);
  EXPECT_TRUE(BytesEqual(HexBytes(kGolden), Bytes(std::istreambuf_iterator<char>(raw),
                                                  std::istreambuf_iterator<char>())));
  RWBinaryFile file(name.c_str(), "rb");
  for (int i = 0; i < 5; ++i) {
    GReal value{};
    ASSERT_TRUE(RestoreRealFromFile(file, value));
    EXPECT_EQ(RealToSingle(value), RealToSingle(GoldenValues(i))) << i;
  }
  GReal untouched = GReal(7);
  EXPECT_FALSE(RestoreRealFromFile(file, untouched));
  EXPECT_EQ(RealToLong(untouched), 7);
}

}  // namespace
