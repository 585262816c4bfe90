// Colours and colour paints: the 8-bit arithmetic, the stored form, equality, the colour a paint
// owns, and the dispatch of a colour paint to the language stage.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/MPersistentComposite.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GColorPaint.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GRGBColor.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestLanguagePeripheral.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::Carrier;
using vel::test::HexBytes;

std::string Text(const GRGBColor& color) {
  return std::to_string(color.GetRed()) + "," + std::to_string(color.GetGreen()) + "," +
         std::to_string(color.GetBlue()) + "/" + std::to_string(color.GetFourthByte());
}

TEST(GColorTest, Arithmetic) {
  const GRGBColor a(200, 100, 0, 7);
  const GRGBColor b(100, 200, 1, 9);
  const GRGBColor c(20, 0, 10, 0);
  const GRGBColor d(7, 3, 2, 1);
  struct ArithmeticCase {
    const char* name;
    std::function<GRGBColor()> result;
    const char* expected;
  };
  const ArithmeticCase cases[] = {
      {"colour + colour wraps", [&] { return a + b; }, "44,44,1/255"},
      {"byte - colour wraps", [&] { return 10 - c; }, "246,10,0/255"},
      {"colour - colour", [&] { return a - b; }, "100,156,255/255"},
      {"colour * colour", [&] { return a * d; }, "120,44,0/255"},
      {"colour / colour truncates", [&] { return a / d; }, "28,33,0/255"},
      {"colour + byte", [&] { return a + 100; }, "44,200,100/255"},
      {"colour - byte", [&] { return a - 1; }, "199,99,255/255"},
      {"colour * byte", [&] { return a * 2; }, "144,200,0/255"},
      {"colour / byte", [&] { return a / 3; }, "66,33,0/255"},
      {"byte + colour", [&] { return 100 + a; }, "44,200,100/255"},
      {"byte * colour", [&] { return 3 * d; }, "21,9,6/255"},
      {"byte / colour", [&] { return 100 / d; }, "14,33,50/255"},
      {"colour / zero byte keeps the dividend", [&] { return a / 0; }, "200,100,0/255"},
      {"colour / colour with zero components", [&] { return d / a; }, "0,0,2/255"},
      {"byte / colour with zero components", [&] { return 9 / c; }, "0,9,0/255"},
      {"+= colour", [&] { return GRGBColor(a) += b; }, "44,44,1/255"},
      {"-= colour", [&] { return GRGBColor(a) -= b; }, "100,156,255/255"},
      {"*= colour", [&] { return GRGBColor(a) *= d; }, "120,44,0/255"},
      {"/= colour", [&] { return GRGBColor(a) /= d; }, "28,33,0/255"},
      {"/= colour with zero components", [&] { return GRGBColor(d) /= c; }, "0,3,0/255"},
      {"+= byte", [&] { return GRGBColor(a) += 56; }, "0,156,56/255"},
      {"-= byte", [&] { return GRGBColor(c) -= 20; }, "0,236,246/255"},
      {"*= byte", [&] { return GRGBColor(d) *= 100; }, "188,44,200/255"},
      {"/= byte", [&] { return GRGBColor(a) /= 2; }, "100,50,0/255"},
      {"/= zero byte", [&] { return GRGBColor(a) /= 0; }, "200,100,0/255"},
  };
  for (const ArithmeticCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Text(c.result()), c.expected);
  }
  // The operands are left alone.
  EXPECT_EQ(Text(a), "200,100,0/7");
}

// A colour whose fourth byte setter is watched: the compound operators set it through the setter.
class WatchedColor : public GRGBColor {
 public:
  using GRGBColor::GRGBColor;
  std::uint8_t SetFourthByte(std::uint8_t value) override {
    ++calls;
    return GRGBColor::SetFourthByte(value);
  }
  int calls = 0;
};

TEST(GColorTest, CompoundOperatorsAndSetRGBGoThroughTheFourthByteSetter) {
  WatchedColor color(1, 2, 3, 4);
  color += 1;
  EXPECT_EQ(color.calls, 1);
  color.SetRGB(9, 8, 7, 6);
  EXPECT_EQ(color.calls, 2);
  EXPECT_EQ(Text(color), "9,8,7/6");
  const GRGBColor from_triple(GRGBTriple(5, 6, 7), 255);
  EXPECT_EQ(Text(from_triple), "5,6,7/255");
  EXPECT_EQ(Text(from_triple.AsRGBColor()), "5,6,7/255");
}

TEST(GColorTest, RGBColorGoldenAndEquality) {
  GRGBColor color(200, 100, 0, 7);
  color.SetSerialNumber(0x04030201);
  const Bytes golden = HexBytes(
      "88 88 00 00  35 00 "                     // file magic, class id 53
      "01 00 00 00  00 00 00 00  01 02 03 04 "  // root: version, key 0, serial
      "01 00 00 00 "                            // colour version
      "01 00 00 00  C8 64 00 07");              // own version, red, green, blue, fourth byte
  EXPECT_TRUE(BytesEqual(golden, vel::test::SaveGraph(Carrier::kFile, &color)));
  vel::test::Restored restored = vel::test::RestoreGraph(Carrier::kFile, golden);
  auto* read = dynamic_cast<GRGBColor*>(restored.object);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(Text(*read), "200,100,0/7");
  EXPECT_EQ(read->SerialNumber(), 0x04030201u);
  vel::test::DeleteRestored(read);

  GRGBColor keyed(200, 100, 0, 7);
  keyed.SetKey(99);
  EXPECT_TRUE(color.IsSameKey(&keyed));  // the key is not compared
  const GRGBColor other_fourth(200, 100, 0, 8);
  EXPECT_FALSE(color.IsSameKey(&other_fourth));
}

TEST(GColorTest, ColourPaintEquality) {
  struct PaintCase {
    const char* name;
    std::function<GColorPaint*()> a;
    std::function<GColorPaint*()> b;
    bool equal;
  };
  const PaintCase cases[] = {
      {"different keys", [] { return new GColorPaint(new GRGBColor(1, 2, 3, 4), 1); },
       [] { return new GColorPaint(new GRGBColor(1, 2, 3, 4), 2); }, false},
      {"same key, one without a colour", [] { return new GColorPaint(nullptr, 1); },
       [] { return new GColorPaint(new GRGBColor(1, 2, 3, 4), 1); }, true},
      {"same key, the other without a colour",
       [] { return new GColorPaint(new GRGBColor(1, 2, 3, 4), 1); },
       [] { return new GColorPaint(nullptr, 1); }, true},
      {"same key, different colours", [] { return new GColorPaint(new GRGBColor(1, 2, 3, 4), 1); },
       [] { return new GColorPaint(new GRGBColor(1, 2, 3, 5), 1); }, false},
      {"same key, equal colours", [] { return new GColorPaint(new GRGBColor(1, 2, 3, 4), 1); },
       [] { return new GColorPaint(new GRGBColor(1, 2, 3, 4), 1); }, true},
  };
  for (const PaintCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GColorPaint> a(c.a());
    std::unique_ptr<GColorPaint> b(c.b());
    EXPECT_EQ(a->IsSameKey(b.get()), c.equal);
  }
  // So a pen painted with a colourless paint equals a red pen of the same key and width.
  GPen red(1, new GColorPaint(new GRGBColor(255, 0, 0, 255)), 0);
  GPen colourless(1, new GColorPaint, 0);
  EXPECT_TRUE(colourless.IsSameKey(&red));
  EXPECT_TRUE(red.IsSameKey(&colourless));
}

TEST(GColorTest, ColourPaintOwnsItsColour) {
  auto* color = new GRGBColor(1, 2, 3, 4);
  GColorPaint paint(color);
  paint.SetColor(color);  // the colour held: nothing happens (no dangling pointer)
  EXPECT_EQ(paint.GetColor(), color);
  EXPECT_EQ(Text(paint.GetColor()->AsRGBColor()), "1,2,3/4");

  GColorPaint copy(paint);
  ASSERT_NE(copy.GetColor(), nullptr);
  EXPECT_NE(copy.GetColor(), color);
  EXPECT_TRUE(copy.GetColor()->IsSameKey(color));
  copy = copy;
  copy = GColorPaint();
  EXPECT_EQ(copy.GetColor(), nullptr);

  // A colour a counted reference holds is not deleted when the paint lets go of it.
  auto* shared = new GRGBColor(5, 5, 5, 5);
  const GCountedPtr keep(shared);
  paint.SetColor(shared);  // deletes the first colour
  paint.SetColor(nullptr);
  EXPECT_EQ(shared->References(), 0);
}

TEST(GColorTest, ColourPaintGolden) {
  GColorPaint paint(new GRGBColor(200, 100, 0, 7));
  EXPECT_EQ(paint.StoredByteCount(), 46u);
  const Bytes bytes = vel::test::SaveContentsOf(Carrier::kFile, paint);
  ASSERT_EQ(bytes.size(), 46u);
  // After the root part: paint version, own version, then the colour's record (class id 53 and
  // its 24 bytes).
  EXPECT_TRUE(BytesEqual(HexBytes("01 00 00 00  01 00 00 00  35 00"),
                         Bytes(bytes.begin() + 12, bytes.begin() + 22)));
  EXPECT_TRUE(BytesEqual(HexBytes("01 00 00 00  01 00 00 00  C8 64 00 07"),
                         Bytes(bytes.end() - 12, bytes.end())));
}

TEST(GColorTest, ColourRecordNamedTwiceFailsTheRestore) {
  // A forged graph in which a paint's colour is a reference to a colour another object owns: the
  // paint refuses it rather than owning it twice.
  auto* color = new GRGBColor(1, 2, 3, 4);
  const GCountedPtr keep(color);
  MPersistentComposite graph;
  graph.Add(color);
  graph.Add(new GColorPaint(color));
  for (Carrier carrier : vel::test::kAllCarriers) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    const vel::test::Restored restored =
        vel::test::RestoreGraph(carrier, vel::test::SaveGraph(carrier, &graph));
    EXPECT_TRUE(restored.failed);
    EXPECT_EQ(restored.object, nullptr);
  }
}

// A language stage that records the two colour-paint handlers.
class TestLanguagePeripheral : public FwTestLanguagePeripheral {
 public:
  std::uint16_t HandleColorPenPaint(GColorPaint& paint) override {
    calls.push_back({"pen", &paint});
    return 21;
  }
  std::uint16_t HandleColorBrushPaint(GColorPaint& paint) override {
    calls.push_back({"brush", &paint});
    return 22;
  }
  std::vector<std::pair<std::string, const void*>> calls;
};

TEST(GColorTest, ColourPaintReachesTheLanguageStage) {
  TestLanguagePeripheral peripheral;
  GColorPaint paint(new GRGBColor(1, 2, 3, 255));
  GPaint& as_paint = paint;
  EXPECT_EQ(as_paint.AcceptAsPenPaint(peripheral), 21);
  EXPECT_EQ(as_paint.AcceptAsBrushPaint(peripheral), 22);
  ASSERT_EQ(peripheral.calls.size(), 2u);
  EXPECT_EQ(peripheral.calls[0].first, "pen");
  EXPECT_EQ(peripheral.calls[0].second, &paint);
  EXPECT_EQ(peripheral.calls[1].first, "brush");
}

}  // namespace
