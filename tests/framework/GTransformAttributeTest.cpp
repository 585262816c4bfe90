// The page transform, the raster operation and the fill mode: stored forms, equality, the
// transform arithmetic and the concatenation the page filters use.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "framework/core/GState.h"
#include "framework/pipeline/GFillMode.h"
#include "framework/pipeline/GMarkerCommands.h"
#include "framework/pipeline/GRasterOperation.h"
#include "framework/pipeline/GTransformAttribute.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTranscript.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::Carrier;
using vel::test::HexBytes;

GTransformAttribute T(std::int16_t rotation,
                      std::int16_t x,
                      std::int16_t y,
                      float scale_x,
                      float scale_y) {
  return GTransformAttribute(rotation, GPoint{x, y}, GScale{scale_x, scale_y});
}

GTransformAttribute T(std::int16_t rotation, std::int16_t x, std::int16_t y, float scale) {
  return T(rotation, x, y, scale, scale);
}

// "rotation (x, y) sx,sy" with the scales as "%.7g".
std::string Text(const GTransformAttribute& transform) {
  char scale[64];
  std::snprintf(scale, sizeof scale, "%.7g,%.7g", static_cast<double>(transform.GetScale().x),
                static_cast<double>(transform.GetScale().y));
  return std::to_string(transform.GetRotation()) + " (" +
         std::to_string(transform.GetTranslation().x) + ", " +
         std::to_string(transform.GetTranslation().y) + ") " + scale;
}

TEST(GTransformAttributeTest, DefaultGolden) {
  GTransformAttribute transform;
  transform.SetSerialNumber(0x0D0C0B0A);
  const Bytes golden = HexBytes(
      "88 88 00 00  67 00 "                     // file magic, class id 103
      "01 00 00 00  00 00 00 00  0A 0B 0C 0D "  // root: version, key 0, serial
      "01 00 00 00  01 00 00 00 "               // attribute: version, enabled
      "01 00 00 00  00 00  00 00  00 00 "       // own version, rotation, translation
      "00 00 80 3F  00 00 80 3F");              // scale 1.0, 1.0
  EXPECT_TRUE(BytesEqual(golden, vel::test::SaveGraph(Carrier::kFile, &transform)));
  vel::test::Restored restored = vel::test::RestoreGraph(Carrier::kFile, golden);
  auto* read = dynamic_cast<GTransformAttribute*>(restored.object);
  ASSERT_NE(read, nullptr);
  EXPECT_TRUE(read->IsSameKey(&transform));
  EXPECT_EQ(read->GetEnabled(), 1);
  vel::test::DeleteRestored(read);
}

TEST(GTransformAttributeTest, AccessorsAndCopies) {
  GTransformAttribute transform;
  EXPECT_EQ(Text(transform), "0 (0, 0) 1,1");
  const std::int16_t rotation = 90;
  EXPECT_EQ(transform.SetRotation(rotation), 90);
  transform.SetTranslation(GPoint{-5, 7});
  transform.SetScale(0.5f, 2.0f);
  transform.SetKey(3);
  transform.SetEnabled(0);
  const GTransformAttribute copy(transform);
  EXPECT_EQ(Text(copy), "90 (-5, 7) 0.5,2");
  EXPECT_EQ(*copy.Key(), 3u);
  EXPECT_EQ(copy.SerialNumber(), transform.SerialNumber());
  EXPECT_EQ(copy.GetEnabled(), 0);
}

TEST(GTransformAttributeTest, TranscriptLine) {
  auto* bundle = new GState(244);
  bundle->Add(new GTransformAttribute(T(90, -12, 30, 0.75f, 2.0f)));
  const GNullCommand command(bundle, 0);
  EXPECT_EQ(vel::test::FwTranscriptRecorder::Line("GNullCommand", command),
            "GNullCommand 0: 0 = transform(rotation 90, translation -12,30, scale 0.75,2)");
}

TEST(GTransformAttributeTest, Operators) {
  const GTransformAttribute a = T(90, 100, 50, 0.5f);
  const GTransformAttribute b = T(0, 10, 10, 2.0f, 1.0f);
  const GTransformAttribute c = T(-7, 30000, -9, 3.0f, 0.25f);
  const GTransformAttribute zero = T(0, 0, 3, 0.0f, 2.0f);
  struct OperatorCase {
    const char* name;
    std::function<GTransformAttribute()> result;
    const char* expected;
  };
  const OperatorCase cases[] = {
      {"a + b", [&] { return a + b; }, "90 (110, 60) 1,0.5"},
      {"a - b", [&] { return a - b; }, "90 (90, 40) 0.25,0.5"},
      {"a * b", [&] { return a * b; }, "0 (1000, 500) 1,0.5"},
      {"a / b", [&] { return a / c; }, "-12 (0, -5) 0.1666667,2"},
      {"16-bit wrap of +", [&] { return c + c; }, "-14 (-5536, -18) 9,0.0625"},
      {"signed division", [&] { return c / b; }, "-7 (3000, 0) 1.5,0.25"},
      {"a + k", [&] { return a + std::int16_t{10}; }, "100 (110, 60) 10.5,10.5"},
      {"a - k", [&] { return a - std::int16_t{10}; }, "80 (90, 40) -9.5,-9.5"},
      {"a * k", [&] { return a * std::int16_t{-2}; }, "-180 (-200, -100) -1,-1"},
      {"a / k", [&] { return a / std::int16_t{-4}; }, "-22 (-25, -12) -0.125,-0.125"},
      {"16-bit wrap of * k", [&] { return c * std::int16_t{3}; }, "-21 (24464, -27) 9,0.75"},
      {"division by a zero k keeps every dividend", [&] { return a / std::int16_t{0}; },
       "90 (100, 50) 0.5,0.5"},
      {"division by zero components keeps those dividends", [&] { return a / zero; },
       "90 (100, 16) 0.5,0.25"},
      {"subtraction divides scales, a zero scale keeps the dividend", [&] { return a - zero; },
       "90 (100, 47) 0.5,0.25"},
  };
  for (const OperatorCase& c : cases) {
    SCOPED_TRACE(c.name);
    const GTransformAttribute result = c.result();
    EXPECT_EQ(Text(result), c.expected);
    EXPECT_EQ(*result.Key(), 0u);
  }
}

TEST(GTransformAttributeTest, Concatenate) {
  struct ConcatenateCase {
    GTransformAttribute earlier;
    GTransformAttribute later;
    const char* expected;
  };
  const ConcatenateCase cases[] = {
      {T(0, 0, 0, 0.5f), T(0, 170, 220, 1.0f), "0 (170, 220) 0.5,0.5"},
      // Fit-to-size centring, then an n-up cell: the plain sum would give (346, 417).
      {T(0, 170, 220, 1.0f), T(0, 176, 197, 0.4740385f), "0 (256, 301) 0.4740385,0.4740385"},
      {T(0, 100, 50, 1.0f), T(90, 1000, 2000, 0.5f), "90 (1025, 1950) 0.5,0.5"},
      {T(0, 100, 50, 1.0f), T(180, 1000, 2000, 0.5f), "180 (950, 1975) 0.5,0.5"},
      {T(0, 100, 50, 1.0f), T(270, 1000, 2000, 0.5f), "270 (975, 2050) 0.5,0.5"},
      {T(0, 100, 50, 1.0f), T(-90, 1000, 2000, 0.5f), "-90 (975, 2050) 0.5,0.5"},
      {T(90, -30000, 0, 1.0f), T(0, -30000, 0, 1.0f), "90 (-32768, 0) 1,1"},
      {T(0, 30000, 0, 1.0f), T(0, 30000, 0, 2.0f), "0 (32767, 0) 2,2"},
  };
  for (const ConcatenateCase& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(Text(Concatenate(c.earlier, c.later)), c.expected);
  }
  EXPECT_EQ(Text(T(0, 170, 220, 1.0f) + T(0, 176, 197, 0.4740385f)),
            "0 (346, 417) 0.4740385,0.4740385");
}

TEST(GTransformAttributeTest, ConcatenateEqualsTheSumWhereThePlainSumIsRight) {
  const GTransformAttribute cases[][2] = {
      // The earlier transform does not translate.
      {T(90, 0, 0, 0.5f, 0.25f), T(180, 40, -60, 3.0f, 2.0f)},
      {T(0, 0, 0, 1.0f), T(270, 1000, 2000, 0.5f)},
      // The later one neither turns nor scales.
      {T(90, 300, -200, 0.5f), T(0, 40, 60, 1.0f)},
      {T(270, -5, 7, 2.0f, 3.0f), T(0, -1000, 0, 1.0f)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Text(c[0]) + " then " + Text(c[1]));
    EXPECT_TRUE(
        Concatenate(c[0], c[1]).IsSameKey(&static_cast<const GTransformAttribute&>(c[0] + c[1])));
  }
}

TEST(GTransformAttributeTest, Equality) {
  struct EqualCase {
    const char* name;
    std::function<GBaseObject*()> a;
    std::function<GBaseObject*()> b;
    bool equal;
  };
  const EqualCase cases[] = {
      {"transforms alike", [] { return new GTransformAttribute(T(90, 1, 2, 0.5f)); },
       [] { return new GTransformAttribute(T(90, 1, 2, 0.5f)); }, true},
      {"transforms of different keys", [] { return new GTransformAttribute(T(90, 1, 2, 0.5f)); },
       [] {
         auto* transform = new GTransformAttribute(T(90, 1, 2, 0.5f));
         transform->SetKey(1);
         return transform;
       },
       false},
      {"transforms of different scales y",
       [] { return new GTransformAttribute(T(90, 1, 2, 0.5f)); },
       [] { return new GTransformAttribute(T(90, 1, 2, 0.5f, 0.4f)); }, false},
      {"transforms of different translations",
       [] { return new GTransformAttribute(T(90, 1, 2, 0.5f)); },
       [] { return new GTransformAttribute(T(90, 1, 3, 0.5f)); }, false},
      {"transforms of different rotations",
       [] { return new GTransformAttribute(T(90, 1, 2, 0.5f)); },
       [] { return new GTransformAttribute(T(180, 1, 2, 0.5f)); }, false},
      {"raster operations of different keys", [] { return new GRasterOperation(0xCC, 2, 1); },
       [] { return new GRasterOperation(0xCC, 2, 2); }, true},
      {"raster operations of different codes", [] { return new GRasterOperation(0xCC, 2, 1); },
       [] { return new GRasterOperation(0xCD, 2, 1); }, false},
      {"raster operations of different modes", [] { return new GRasterOperation(0xCC, 2, 1); },
       [] { return new GRasterOperation(0xCC, 0, 1); }, false},
      {"fill modes of different keys", [] { return new GFillMode(1, 1); },
       [] { return new GFillMode(1, 2); }, true},
      {"fill modes of different codes", [] { return new GFillMode(1, 1); },
       [] { return new GFillMode(0, 1); }, false},
      {"a fill mode and a raster operation", [] { return new GFillMode(0, 0); },
       [] { return new GRasterOperation(0, 0, 0); }, false},
  };
  for (const EqualCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GBaseObject> a(c.a());
    std::unique_ptr<GBaseObject> b(c.b());
    EXPECT_EQ(a->IsSameKey(b.get()), c.equal);
  }
  EXPECT_EQ(GRasterOperation().GetRop(), 0);
  EXPECT_EQ(GRasterOperation().GetMode(), 2);
  EXPECT_EQ(GFillMode().GetFillMode(), 2);
}

}  // namespace
