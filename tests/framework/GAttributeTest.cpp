// The scalar attributes: range repair and setters, equality, the base merge, the stored form and
// the one handler each attribute calls.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttribute.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwRecordingHandlers.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::Carrier;
using vel::test::HexBytes;

FW_PERSIST_SAMPLES(vel::classid::kGValueAttribute,
                   {{"value default", [] { return new GValueAttribute; }},
                    {"value disabled", [] {
                       auto* value = new GValueAttribute(0xFFFF, 0xFFFFFFFFu);
                       value->SetEnabled(0);
                       return value;
                     }}});

FW_PERSIST_SAMPLES(vel::classid::kGStringAttribute,
                   {{"string empty", [] { return new GStringAttribute; }},
                    {"string text", [] { return new GStringAttribute("Tray 2 \xE4", 373); }}});

FW_PERSIST_SAMPLES(vel::classid::kGRangeAttribute,
                   {{"range default", [] { return new GRangeAttribute; }},
                    {"range negative", [] { return new GRangeAttribute(-300, -2, 7, -5, 199); }}});

struct RangeCase {
  std::int16_t minimum, maximum;
  std::uint16_t step;
  std::int16_t value;
  std::int16_t want_minimum, want_maximum;
  std::uint16_t want_step;
  std::int16_t want_value;
};

TEST(GRangeAttributeTest, ConstructorRepairsItsArguments) {
  const RangeCase cases[] = {
      {10, 5, 0, 20, 10, 10, 1, 10},  // maximum below minimum, step 0, value above
      {1, 999, 1, 0, 1, 999, 1, 1},   // value below the minimum
      {-5, 5, 3, 2, -5, 5, 3, 2},     // already sound
      {-32768, 32767, 65535, -32768, -32768, 32767, 65535, -32768},
  };
  for (const RangeCase& c : cases) {
    GRangeAttribute range(c.minimum, c.maximum, c.step, c.value, 1);
    EXPECT_EQ(range.GetMin(), c.want_minimum);
    EXPECT_EQ(range.GetMax(), c.want_maximum);
    EXPECT_EQ(range.GetStep(), c.want_step);
    EXPECT_EQ(range.GetValue(), c.want_value);
  }
}

TEST(GRangeAttributeTest, StepZeroFreezesIncrementAndDecrement) {
  GRangeAttribute range(0, 100, 10, 50, 1);
  EXPECT_EQ(range.SetStep(0), 0);
  range.Increment();
  EXPECT_EQ(range.GetValue(), 50);
  range.Decrement();
  EXPECT_EQ(range.GetValue(), 50);
  range.SetStep(30);
  range.Increment();
  range.Increment();
  EXPECT_EQ(range.GetValue(), 100);  // clamped, not 110
  for (int i = 0; i < 5; ++i) {
    range.Decrement();
  }
  EXPECT_EQ(range.GetValue(), 0);
}

TEST(GRangeAttributeTest, StepNearTheLimitsDoesNotWrap) {
  GRangeAttribute range(-32768, 32767, 65535, 32000, 1);
  range.Increment();
  EXPECT_EQ(range.GetValue(), 32767);
  range.Decrement();
  EXPECT_EQ(range.GetValue(), -32768);
}

TEST(GRangeAttributeTest, BoundSettersKeepTheValueUntilItIsSetAgain) {
  GRangeAttribute range(0, 100, 1, 80, 1);
  EXPECT_EQ(range.SetMax(50), 50);
  EXPECT_EQ(range.GetMax(), 50);
  EXPECT_EQ(range.GetValue(), 80);  // not re-clamped
  EXPECT_FALSE(range.Contains(range.GetValue()));
  range.Increment();
  EXPECT_EQ(range.GetValue(), 50);

  // A bound beyond the other bound stops at it, and the setter answers what it was given.
  EXPECT_EQ(range.SetMax(-10), -10);
  EXPECT_EQ(range.GetMax(), 0);
  EXPECT_EQ(range.SetMin(20), 20);
  EXPECT_EQ(range.GetMin(), 0);
  range.SetMax(10);
  range.SetValue(-4);
  EXPECT_EQ(range.GetValue(), 0);
  range.SetValue(11);
  EXPECT_EQ(range.GetValue(), 10);
  EXPECT_TRUE(range.Contains(0));
  EXPECT_TRUE(range.Contains(10));
  EXPECT_FALSE(range.Contains(11));
}

TEST(GAttributeTest, EqualityComparesClassKeyAndContent) {
  GValueAttribute five(5, 7);
  GValueAttribute also_five(5, 7);
  GValueAttribute six(6, 7);
  GValueAttribute other_key(5, 8);
  GStringAttribute lower("abc", 7);
  GStringAttribute upper("ABC", 7);
  GStringAttribute same("abc", 7);
  GRangeAttribute range(0, 10, 1, 5, 7);
  GRangeAttribute other_step(0, 10, 2, 5, 7);

  EXPECT_TRUE(five.IsSameKey(&also_five));
  EXPECT_FALSE(five.IsSameKey(&six));
  EXPECT_FALSE(five.IsSameKey(&other_key));
  EXPECT_TRUE(five.IsDifferentKey(&six));
  EXPECT_FALSE(lower.IsSameKey(&upper));  // letter case counts
  EXPECT_TRUE(lower.IsSameKey(&same));
  EXPECT_FALSE(range.IsSameKey(&other_step));
  EXPECT_FALSE(five.IsSameKey(&range));  // another class with the same key
  EXPECT_FALSE(five.IsSameKey(nullptr));

  GStringAttribute from_null(static_cast<const char*>(nullptr), 1);
  EXPECT_EQ(from_null.GetValue().Length(), 0u);
  lower.SetValue(static_cast<const char*>(nullptr));
  EXPECT_EQ(lower.GetValue().Length(), 0u);
}

TEST(GAttributeTest, ValueFlagsAndKinds) {
  GValueAttribute value(0, 1);
  EXPECT_EQ(value.IsClear(), 1);
  value.SetFlag(-7);
  EXPECT_EQ(value.GetValue(), 1);
  EXPECT_EQ(value.IsSet(), 1);
  EXPECT_EQ(value.SetValue(0xABCD), 0xABCD);
  EXPECT_EQ(value.GetEnabled(), 1);

  const std::unique_ptr<GAttribute> attributes[] = {std::make_unique<GValueAttribute>(),
                                                    std::make_unique<GStringAttribute>(),
                                                    std::make_unique<GRangeAttribute>()};
  for (const auto& attribute : attributes) {
    EXPECT_TRUE(attribute->IsKindOf(attribute->IsA()));
    EXPECT_TRUE(attribute->IsKindOf(vel::classid::kGAttribute));
    EXPECT_TRUE(attribute->IsKindOf(vel::classid::kGBaseObject));
    EXPECT_FALSE(attribute->IsKindOf(vel::classid::kGAttributeComposite));
    EXPECT_EQ(attribute->CategoryId(), attribute->IsA());
    EXPECT_EQ(*attribute->Key(), 0u);
  }
}

TEST(GAttributeTest, UpdateFromCopiesKeySerialAndFlagButNotTheValue) {
  GValueAttribute mine(5, 7);
  GValueAttribute equal(5, 7);
  equal.SetEnabled(0);
  EXPECT_EQ(mine.UpdateFrom(&equal), 0);  // not different: nothing changes
  EXPECT_EQ(mine.GetEnabled(), 1);
  EXPECT_NE(mine.SerialNumber(), equal.SerialNumber());

  GValueAttribute other(9, 7);
  other.SetEnabled(0);
  EXPECT_EQ(mine.UpdateFrom(&other), 0);  // answers the flag taken over
  EXPECT_EQ(mine.GetEnabled(), 0);
  EXPECT_EQ(mine.SerialNumber(), other.SerialNumber());
  EXPECT_EQ(mine.GetValue(), 5);

  GStringAttribute text("a", 3);
  GStringAttribute changed("b", 4);
  EXPECT_EQ(text.UpdateFrom(&changed), 1);
  EXPECT_EQ(*text.Key(), 4u);
  EXPECT_EQ(text.GetValue(), "a");
  EXPECT_EQ(text.UpdateFrom(nullptr), 0);
}

TEST(GAttributeTest, ValueAttributeGoldenInABinaryFile) {
  GValueAttribute value(5, 7);
  value.SetSerialNumber(1);
  // Magic 0x8888, class id 763, root part (version, key 7, serial 1), attribute part (version,
  // enabled 1), value part (version, value 5).
  const Bytes golden = HexBytes(
      "88 88 00 00 FB 02 01 00 00 00 07 00 00 00 01 00 00 00 01 00 00 00 01 00 00 00 01 00 00 00 "
      "05 00");
  EXPECT_TRUE(BytesEqual(golden, vel::test::SaveGraph(Carrier::kFile, &value)));
  EXPECT_EQ(value.TotalStoredSize(), 32u);
  EXPECT_EQ(value.StoredByteCount(), 26u);

  vel::test::Restored restored = vel::test::RestoreGraph(Carrier::kFile, golden);
  auto* read = dynamic_cast<GValueAttribute*>(restored.object);
  ASSERT_NE(read, nullptr);
  EXPECT_TRUE(read->IsSameKey(&value));
  EXPECT_EQ(read->SerialNumber(), 1u);
  vel::test::DeleteRestored(read);
}

TEST(GAttributeTest, StoredSizesFollowTheFields) {
  GStringAttribute text("hello", 1);
  EXPECT_EQ(text.StoredByteCount(), 12u + 8u + 8u + 5u);
  GRangeAttribute range(1, 2, 1, 1, 1);
  EXPECT_EQ(range.StoredByteCount(), 12u + 8u + 12u);
  const Bytes bytes = vel::test::SaveContentsOf(Carrier::kFile, range);
  // minimum, maximum, step, value after the three version words.
  EXPECT_TRUE(BytesEqual(HexBytes("01 00 02 00 01 00 01 00"), Bytes(bytes.end() - 8, bytes.end())));
}

TEST(GAttributeTest, EachAttributeCallsExactlyItsOwnHandler) {
  GValueAttribute value;
  GStringAttribute text;
  GRangeAttribute range;
  vel::test::FwRecordingHandlers handlers;
  handlers.SetStatus("HandleRangeAttribute", 42);
  EXPECT_EQ(value.Accept(handlers), 0);
  EXPECT_EQ(text.Accept(handlers), 0);
  EXPECT_EQ(range.Accept(handlers), 42);
  ASSERT_EQ(handlers.Calls().size(), 3u);
  EXPECT_EQ(handlers.Names(),
            (std::vector<std::string>{"HandleValueAttribute", "HandleStringAttribute",
                                      "HandleRangeAttribute"}));
  EXPECT_EQ(handlers.Calls()[0].object, &value);
  EXPECT_EQ(handlers.Calls()[1].object, &text);
  EXPECT_EQ(handlers.Calls()[2].object, &range);
  // A scalar's own Accept leaves its flag as it was.
  EXPECT_EQ(range.GetEnabled(), 1);
}

}  // namespace
