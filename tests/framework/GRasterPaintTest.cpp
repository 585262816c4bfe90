// The raster paint and its shared implementation: sharing and counts, equality, dispatch to the
// language stage, the stored forms and damaged restores.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/MPersistentComposite.h"
#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GHatchPattern.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterPaint.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/FwTestLanguagePeripheral.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;
using vel::test::HexBytes;
namespace classid = vel::classid;

constexpr std::uint32_t kSerial = 0x04030201;

// A 2 x 2 image at 24 bits per pixel, rows aligned to 4 bytes.
GBitmap TrueColourBitmap() {
  auto* data = new std::uint8_t[16]{1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  return GBitmap(1, data, 16, 4, GPoint{0, 0}, GPoint{2, 2}, 24, 0, 0, nullptr, 0, 0, 0, 0, 0, 0,
                 0, 0);
}

GHatchPattern RedHatch(std::int32_t style) {
  return GHatchPattern(style, GRGBColor(255, 0, 0, 255), GRGBColor(255, 255, 255, 255));
}

GRasterPaint* PaintWithValue(GBitmap bitmap, std::uint16_t value) {
  auto* paint = new GRasterPaint(std::move(bitmap));
  paint->SetValue(value);
  return paint;
}

FW_PERSIST_SAMPLES(classid::kGRasterPaint,
                   {{"raster paint without implementation", [] { return new GRasterPaint; }},
                    {"raster paint empty bitmap",
                     [] { return PaintWithValue(GBitmap(), 7); }},
                    {"raster paint hatch", [] { return PaintWithValue(RedHatch(3), 0); }},
                    {"raster paint 24-bit",
                     [] { return PaintWithValue(TrueColourBitmap(), 513); }}});
FW_PERSIST_SAMPLES(classid::kGRasterPaintImp,
                   {{"raster paint implementation", [] {
                      auto* implementation = new GRasterPaintImp(RedHatch(1));
                      implementation->SetValue(9);
                      return implementation;
                    }}});

// Gives every object of a paint's graph the serial number kSerial.
void SetSerials(GRasterPaint& paint) {
  paint.SetSerialNumber(kSerial);
  auto* implementation = const_cast<GRasterPaintImp*>(paint.GetImplementation());
  if (implementation == nullptr) {
    return;
  }
  implementation->SetSerialNumber(kSerial);
  GBitmap& bitmap = implementation->GetBitmap();
  bitmap.SetSerialNumber(kSerial);
  auto* pixels = const_cast<GBitmapImp*>(bitmap.GetImplementation());
  if (pixels == nullptr) {
    return;
  }
  pixels->SetSerialNumber(kSerial);
  auto* palette = const_cast<GPaletteTable*>(pixels->GetPalette());
  if (palette == nullptr) {
    return;
  }
  palette->SetSerialNumber(kSerial);
  for (std::uint32_t i = 0; i < palette->GetCount(); ++i) {
    const_cast<GColor*>(palette->GetEntry(i))->SetSerialNumber(kSerial);
  }
}

#define ROOT "01 00 00 00  00 00 00 00  01 02 03 04 "

TEST(GRasterPaintTest, Goldens) {
  const std::string head = "88 88 00 00  99 00 " ROOT "01 00 00 00  01 00 00 00 ";
  GRasterPaint none;
  SetSerials(none);
  EXPECT_TRUE(vel::test::BytesEqual(HexBytes(head + "FF FF 00 00 00 00"),
                                    vel::test::SaveGraph(Carrier::kFile, &none)));

  std::unique_ptr<GRasterPaint> empty(PaintWithValue(GBitmap(), 7));
  SetSerials(*empty);
  const Bytes empty_golden = HexBytes(head +
                                      "9A 00 " ROOT "01 00 00 00 "  // the implementation
                                      "27 02 " ROOT "01 00 00 00 "  // its bitmap
                                      "FF FF 00 00 00 00 "          // without pixels
                                      "07 00");                     // the value
  EXPECT_TRUE(vel::test::BytesEqual(empty_golden, vel::test::SaveGraph(Carrier::kFile, empty.get())));
  EXPECT_EQ(empty_golden.size(), 70u);
  EXPECT_EQ(empty->StoredByteCount(), 64u);
  EXPECT_EQ(empty->GetImplementation()->StoredByteCount(), 42u);
  EXPECT_EQ(empty->TotalStoredSize(), 70u);

  std::unique_ptr<GRasterPaint> hatch(PaintWithValue(RedHatch(2), 0));
  SetSerials(*hatch);
  const Bytes hatch_golden = HexBytes(
      head +
      "9A 00 " ROOT "01 00 00 00 "  // the implementation
      "27 02 " ROOT "01 00 00 00 "  // its bitmap (a plain bitmap with the hatch's pixels)
      "28 02 " ROOT "01 00 00 00 "  // the pixels' implementation
      "01 00 00 00  08 00 00 00 "   // owns its 8 bytes
      "00 00 00 00  08 00 08 00 "   // bounds (0, 0, 8, 8)
      "01  00  00 00 00 00  00 00 00 00 "  // 1 bit, format, working size single, top-down
      "01  00 00  00 00 00 00  00 00 "     // alignment 1, no segments
      "00 00 00 00  00 00 00 00 "          // working size not yet known
      "01 00 00 00  01 00 00 00  00 00 00 00 "          // stride 1, row bytes 1, no masks
      "00 00 00 00 00 00  00 00 00 00 00 00  00 00 00 00 00 00 "  // three channels
      "29 02 " ROOT "01 00 00 00  02 00 00 00 "                    // the palette, 2 entries
      "35 00 " ROOT "01 00 00 00  01 00 00 00  FF 00 00 FF "       // entry 0, the first colour
      "35 00 " ROOT "01 00 00 00  01 00 00 00  FF FF FF FF "       // entry 1, the second
      "3F 9F CF E7 F3 F9 FC 7E "                                   // the rows of style 2
      "00 00");                                                    // the value
  EXPECT_TRUE(vel::test::BytesEqual(hatch_golden, vel::test::SaveGraph(Carrier::kFile, hatch.get())));
  EXPECT_EQ(hatch_golden.size(), 237u);
  EXPECT_EQ(hatch->TotalStoredSize(), 237u);

  // Read back: the same paint, with serials.
  for (const Bytes* golden : {&empty_golden, &hatch_golden}) {
    vel::test::Restored restored = vel::test::RestoreGraph(Carrier::kFile, *golden);
    ASSERT_FALSE(restored.failed);
    auto* read = dynamic_cast<GRasterPaint*>(restored.object);
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->IsSameKey(golden == &empty_golden ? empty.get() : hatch.get()));
    EXPECT_EQ(read->GetImplementation()->Uses(), 1);
    vel::test::DeleteRestored(read);
  }
}

TEST(GRasterPaintTest, CopiesShareTheImplementation) {
  const GBitmap bitmap = TrueColourBitmap();
  // Every paint implementation made from the bitmap holds one share of its pixels.
  auto live = [&bitmap] { return bitmap.GetImplementation()->Uses() - 1; };
  {
    auto first = std::make_unique<GRasterPaint>(bitmap);
    GRasterPaint copy(*first);
    EXPECT_EQ(copy.GetImplementation(), first->GetImplementation());
    EXPECT_EQ(copy.GetImplementation()->Uses(), 2);
    first.reset();
    EXPECT_EQ(copy.GetImplementation()->Uses(), 1);
    std::uint8_t row[6] = {};
    EXPECT_EQ(copy.GetBitmap()->GetRow(row, 0, 2, 1, 0), 6u);
    EXPECT_EQ(row[0], 9);  // red of the blue, green, red bytes 7, 8, 9
    EXPECT_EQ(live(), 1);

    GRasterPaint other(bitmap);
    EXPECT_EQ(live(), 2);
    other = copy;  // the other's implementation goes
    EXPECT_EQ(live(), 1);
    EXPECT_EQ(copy.GetImplementation()->Uses(), 2);
    other = other;
    copy = other;  // one implementation on both sides
    EXPECT_EQ(copy.GetImplementation()->Uses(), 2);
    GRasterPaint none;
    copy = none;  // back to none
    EXPECT_EQ(copy.GetImplementation(), nullptr);
    EXPECT_EQ(other.GetImplementation()->Uses(), 1);
    none = other;  // and the other way
    EXPECT_EQ(none.GetImplementation()->Uses(), 2);
    EXPECT_EQ(live(), 1);
  }
  EXPECT_EQ(live(), 0);
}

TEST(GRasterPaintTest, ValueAndBitmapWithoutImplementation) {
  GRasterPaint paint;
  EXPECT_EQ(paint.GetValue(), 0);
  paint.SetValue(5);
  EXPECT_EQ(paint.GetValue(), 0);
  EXPECT_EQ(paint.GetImplementation(), nullptr);
  GBitmap* bitmap = paint.GetBitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_TRUE(bitmap->IsNull());
  ASSERT_NE(paint.GetImplementation(), nullptr);
  EXPECT_EQ(paint.GetImplementation()->Uses(), 1);
  EXPECT_EQ(paint.GetBitmap(), bitmap);
  paint.SetValue(5);
  EXPECT_EQ(paint.GetValue(), 5);
}

// Short of memory: no implementation is made, GetBitmap answers null, and a hatch has no pixels.
TEST(GRasterPaintTest, NoImplementationWhenMemoryIsShort) {
  GRasterPaint paint;
  {
    const vel::test::FailingAllocation refuse(0, -1);
    EXPECT_EQ(paint.GetBitmap(), nullptr);
    const GRasterPaint made(GBitmap{});
    EXPECT_EQ(made.GetImplementation(), nullptr);
  }
  EXPECT_EQ(paint.GetImplementation(), nullptr);
  for (int skip = 0; skip < 5; ++skip) {
    const vel::test::FailingAllocation refuse(skip, 1);
    const GHatchPattern hatch = RedHatch(1);
    EXPECT_TRUE(hatch.IsNull()) << skip;
  }
  EXPECT_NE(paint.GetBitmap(), nullptr);
}

TEST(GRasterPaintTest, Equality) {
  struct Case {
    const char* name;
    std::function<GRasterPaint*()> a;
    std::function<GRasterPaint*()> b;
    bool equal;
  };
  const Case cases[] = {
      {"both without implementation", [] { return new GRasterPaint(); },
       [] { return new GRasterPaint(); }, true},
      {"one without", [] { return new GRasterPaint(); },
       [] { return new GRasterPaint(GBitmap()); }, false},
      {"one without, the other way", [] { return new GRasterPaint(GBitmap()); },
       [] { return new GRasterPaint(); }, false},
      {"equal hatches, different keys", [] { return new GRasterPaint(RedHatch(2), 1); },
       [] { return new GRasterPaint(RedHatch(2), 2); }, true},
      {"different values", [] { return PaintWithValue(RedHatch(2), 1); },
       [] { return PaintWithValue(RedHatch(2), 2); }, false},
      {"different styles", [] { return new GRasterPaint(RedHatch(2)); },
       [] { return new GRasterPaint(RedHatch(3)); }, false},
  };
  for (const Case& c : cases) {
    std::unique_ptr<GRasterPaint> a(c.a());
    std::unique_ptr<GRasterPaint> b(c.b());
    EXPECT_EQ(a->IsSameKey(b.get()), c.equal) << c.name;
  }
  GRasterPaint paint;
  GRasterPaintImp implementation;
  EXPECT_FALSE(paint.IsSameKey(&implementation));
}

// A language stage that records the two raster-paint handlers.
class TestLanguagePeripheral : public FwTestLanguagePeripheral {
 public:
  std::uint16_t HandleRasterPenPaint(GRasterPaint& paint) override {
    calls.emplace_back("pen", &paint);
    return 31;
  }
  std::uint16_t HandleRasterBrushPaint(GRasterPaint& paint) override {
    calls.emplace_back("brush", &paint);
    return 32;
  }
  std::vector<std::pair<std::string, const void*>> calls;
};

TEST(GRasterPaintTest, RasterPaintReachesTheLanguageStage) {
  TestLanguagePeripheral peripheral;
  GRasterPaint paint(RedHatch(0));
  GPaint& as_paint = paint;
  EXPECT_EQ(as_paint.AcceptAsPenPaint(peripheral), 31);
  ASSERT_EQ(peripheral.calls.size(), 1u);
  EXPECT_EQ(peripheral.calls[0], (std::pair<std::string, const void*>("pen", &paint)));
  EXPECT_EQ(as_paint.AcceptAsBrushPaint(peripheral), 32);
  ASSERT_EQ(peripheral.calls.size(), 2u);
  EXPECT_EQ(peripheral.calls[1], (std::pair<std::string, const void*>("brush", &paint)));
  EXPECT_EQ(peripheral.PaintCalls(), 0);

  for (const RWClassID kind : {classid::kGRasterPaint, classid::kGPaint, classid::kGBaseObject}) {
    EXPECT_TRUE(paint.IsKindOf(kind)) << kind;
  }
  EXPECT_FALSE(paint.IsKindOf(classid::kGColorPaint));
  const GRasterPaintImp implementation;
  EXPECT_TRUE(implementation.IsKindOf(classid::kGRasterPaintImp));
  EXPECT_TRUE(implementation.IsKindOf(classid::kGBaseObject));
  EXPECT_FALSE(implementation.IsKindOf(classid::kGPaint));
}

// Two paints of one implementation in one graph: the implementation is written once, then
// referred to, and comes back shared by both with a count of 2.
TEST(GRasterPaintTest, SharedImplementationRestoresShared) {
  GRasterPaint paint(TrueColourBitmap());
  for (const Carrier carrier : vel::test::kAllCarriers) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    MPersistentComposite one;
    one.Add(new GRasterPaint(paint));
    MPersistentComposite two;
    two.Add(new GRasterPaint(paint));
    two.Add(new GRasterPaint(paint));
    const Bytes bytes = vel::test::SaveGraph(carrier, &two);
    if (carrier == Carrier::kFile) {
      EXPECT_EQ(bytes.size(), two.TotalStoredSize());
      // The second paint: class id, root, two version words and a 6-byte reference.
      EXPECT_EQ(bytes.size() - vel::test::SaveGraph(carrier, &one).size(), 2u + 12 + 4 + 4 + 6);
    }
    vel::test::Restored restored = vel::test::RestoreGraph(carrier, bytes);
    ASSERT_FALSE(restored.failed);
    auto* copy = dynamic_cast<MPersistentComposite*>(restored.object);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->Count(), 2u);
    auto* first = dynamic_cast<GRasterPaint*>(copy->ChildAt(0));
    auto* second = dynamic_cast<GRasterPaint*>(copy->ChildAt(1));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->GetImplementation(), second->GetImplementation());
    EXPECT_EQ(first->GetImplementation()->Uses(), 2);
    EXPECT_TRUE(second->IsSameKey(&paint));
    delete copy->RemoveObject(first);
    EXPECT_EQ(second->GetImplementation()->Uses(), 1);
    std::uint8_t row[6] = {};
    EXPECT_EQ(second->GetBitmap()->GetRow(row, 0, 2, 0, 0), 6u);
    EXPECT_EQ(row[5], 4);  // blue of the second pixel (bytes 4, 5, 6)
    vel::test::DeleteRestored(restored.object);
  }
}

// The word after the paint's own: the class version of the raster paint.
constexpr std::size_t kRasterVersionOffset = 4 + 2 + 12 + 4;

TEST(GRasterPaintTest, UnknownVersionKeepsTheImplementationAndFailsTheCarrier) {
  GRasterPaint stored(RedHatch(4));
  Bytes bytes = vel::test::SaveGraph(Carrier::kFile, &stored);
  ASSERT_EQ(bytes[kRasterVersionOffset], 1);
  bytes[kRasterVersionOffset] = 2;
  GRasterPaint paint(TrueColourBitmap());
  const GRasterPaintImp* before = paint.GetImplementation();
  const vel::test::Restored restored = vel::test::RestoreInto(Carrier::kFile, bytes, paint);
  EXPECT_TRUE(restored.failed);
  EXPECT_EQ(paint.GetImplementation(), before);
  EXPECT_EQ(paint.GetImplementation()->Uses(), 1);
}

// Where the implementation belongs the data holds a bitmap's record: the restore fails and the
// paint keeps what it had; a sound record then replaces it.
TEST(GRasterPaintTest, ABitmapWhereTheImplementationBelongsFailsTheRestore) {
  GRasterPaint without;
  Bytes bytes = vel::test::SaveGraph(Carrier::kFile, &without);
  bytes.resize(bytes.size() - 6);  // the nil reference
  const GBitmap bitmap = TrueColourBitmap();
  const Bytes bitmap_record = vel::test::SaveGraph(Carrier::kFile, &bitmap);
  bytes.insert(bytes.end(), bitmap_record.begin() + 4, bitmap_record.end());  // without magic

  GRasterPaint paint(RedHatch(1));
  const GRasterPaintImp* before = paint.GetImplementation();
  EXPECT_TRUE(vel::test::RestoreInto(Carrier::kFile, bytes, paint).failed);
  EXPECT_EQ(paint.GetImplementation(), before);
  EXPECT_EQ(paint.GetImplementation()->Uses(), 1);
  const vel::test::Restored alone = vel::test::RestoreGraph(Carrier::kFile, bytes);
  EXPECT_TRUE(alone.failed);
  EXPECT_EQ(alone.object, nullptr);

  const GRasterPaint sound(TrueColourBitmap());
  EXPECT_FALSE(
      vel::test::RestoreInto(Carrier::kFile, vel::test::SaveGraph(Carrier::kFile, &sound), paint)
          .failed);
  EXPECT_NE(paint.GetImplementation(), before);
  EXPECT_TRUE(paint.IsSameKey(&sound));
  EXPECT_EQ(paint.GetImplementation()->Uses(), 1);
}

// An implementation that another holder received new is not shared by a paint's reference: the
// paint would free it under that holder.
TEST(GRasterPaintTest, AReferenceToAnImplementationNoPaintHoldsFailsTheRestore) {
  auto* implementation = new GRasterPaintImp(TrueColourBitmap());
  MPersistentComposite graph;
  graph.Add(implementation);
  GRasterPaint* paint = new GRasterPaint;
  graph.Add(paint);
  // The paint's nil reference becomes a reference to the implementation (object 2, after the
  // composite).
  for (const Carrier carrier : {Carrier::kFile}) {
    Bytes bytes = vel::test::SaveGraph(carrier, &graph);
    ASSERT_EQ(bytes[bytes.size() - 6], 0xFF);
    ASSERT_EQ(bytes[bytes.size() - 5], 0xFF);
    bytes[bytes.size() - 4] = 2;
    const vel::test::Restored restored = vel::test::RestoreGraph(carrier, bytes);
    EXPECT_TRUE(restored.failed);
    EXPECT_EQ(restored.object, nullptr);
  }
}

}  // namespace
