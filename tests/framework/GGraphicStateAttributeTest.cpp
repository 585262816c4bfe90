// The graphic-state attributes as a family: persistence samples of every class, stored sizes,
// dispatch, kinds and categories, the class version rule, and how pens and brushes hold their
// shared paints.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GCap.h"
#include "framework/pipeline/GColorPaint.h"
#include "framework/pipeline/GDashedPen.h"
#include "framework/pipeline/GFillMode.h"
#include "framework/pipeline/GJoint.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterOperation.h"
#include "framework/pipeline/GTransformAttribute.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwRecordingHandlers.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;
namespace classid = vel::classid;

GColorPaint* Red() {
  return new GColorPaint(new GRGBColor(255, 0, 0, 255));
}

std::unique_ptr<std::uint16_t[]> Dashes(std::initializer_list<std::uint16_t> entries) {
  auto dashes = std::make_unique<std::uint16_t[]>(entries.size());
  std::copy(entries.begin(), entries.end(), dashes.get());
  return dashes;
}

// A no-pen with a paint is never IsSameKey another object (only itself): compare its pen part.
bool SamePenPart(const GBaseObject& original, const GBaseObject& restored) {
  return dynamic_cast<const GPen&>(original).GPen::IsSameKey(&restored);
}

FW_PERSIST_SAMPLES(classid::kGPen,
                   {{"pen default", [] { return new GPen; }},
                    {"pen red", [] { return new GPen(3, Red(), 201); }}});
FW_PERSIST_SAMPLES(classid::kGNoPen,
                   {{"no pen default", [] { return new GNoPen; }},
                    {"no pen keyed", [] { return new GNoPen(4); }},
                    {"no pen with a paint",
                     [] {
                       auto* pen = new GNoPen(1);
                       pen->SetPaint(Red());
                       return pen;
                     },
                     SamePenPart}});
FW_PERSIST_SAMPLES(classid::kGDashedPen,
                   {{"dashed pen default", [] { return new GDashedPen; }},
                    {"dashed pen four dashes", [] {
                       return new GDashedPen(Dashes({10, 20, 30, 40}), 4, 2, Red(), 5, 9);
                     }}});
FW_PERSIST_SAMPLES(classid::kGCap,
                   {{"cap default", [] { return new GCap; }},
                    {"cap outside the codes", [] { return new GCap(-7, 301); }}});
FW_PERSIST_SAMPLES(classid::kGJoint,
                   {{"joint default", [] { return new GJoint; }},
                    {"joint bevel", [] { return new GJoint(2, 351); }},
                    {"joint miter by setter", [] {
                       auto* joint = new GJoint(1);
                       joint->SetJoint(0);
                       return joint;
                     }}});
FW_PERSIST_SAMPLES(classid::kGMiterJoint,
                   {{"miter joint default", [] { return new GMiterJoint; }},
                    {"miter joint 4", [] { return new GMiterJoint(4.0f, 2); }}});
FW_PERSIST_SAMPLES(classid::kGBrush,
                   {{"brush default", [] { return new GBrush; }},
                    {"brush red", [] { return new GBrush(Red(), 251); }}});
FW_PERSIST_SAMPLES(classid::kGNoBrush,
                   {{"no brush default", [] { return new GNoBrush; }},
                    {"no brush keyed", [] { return new GNoBrush(8); }}});
FW_PERSIST_SAMPLES(classid::kGRGBColor,
                   {{"rgb color black", [] { return new GRGBColor; }},
                    {"rgb color", [] { return new GRGBColor(200, 100, 0, 7); }}});
FW_PERSIST_SAMPLES(classid::kGColorPaint,
                   {{"color paint without color", [] { return new GColorPaint; }},
                    {"color paint", [] { return new GColorPaint(new GRGBColor(1, 2, 3, 4), 6); }}});
FW_PERSIST_SAMPLES(classid::kGTransformAttribute,
                   {{"transform default", [] { return new GTransformAttribute; }},
                    {"transform turned", [] {
                       return new GTransformAttribute(270, GPoint{-120, 4800}, GScale{0.5f, 0.25f});
                     }}});
FW_PERSIST_SAMPLES(classid::kGRasterOperation,
                   {{"raster operation default", [] { return new GRasterOperation; }},
                    {"raster operation copy pen",
                     [] { return new GRasterOperation(0xF0, 0, 3); }}});
FW_PERSIST_SAMPLES(classid::kGFillMode,
                   {{"fill mode default", [] { return new GFillMode; }},
                    {"fill mode winding", [] { return new GFillMode(1, 102); }}});

struct ClassCase {
  const char* name;
  std::function<GAttribute*()> make;
  const char* handler;
  RWClassID id;
  RWClassID category;
  std::vector<RWClassID> kinds;  // besides its own id, 753 and 751
};

std::vector<ClassCase> Classes() {
  return {
      {"GPen", [] { return new GPen; }, "HandlePen", 201, 201, {754}},
      {"GNoPen", [] { return new GNoPen; }, "HandleNoPen", 202, 201, {201, 754}},
      {"GDashedPen", [] { return new GDashedPen; }, "HandleDashedPen", 203, 201, {201, 754}},
      {"GCap", [] { return new GCap; }, "HandleCap", 301, 301, {754}},
      {"GJoint", [] { return new GJoint; }, "HandleJoint", 351, 351, {754}},
      {"GMiterJoint", [] { return new GMiterJoint; }, "HandleMiterJoint", 352, 351, {351, 754}},
      {"GBrush", [] { return new GBrush; }, "HandleBrush", 251, 251, {754}},
      {"GNoBrush", [] { return new GNoBrush; }, "HandleNoBrush", 252, 251, {251, 754}},
      {"GRasterOperation",
       [] { return new GRasterOperation; },
       "HandleRasterOperation",
       401,
       401,
       {754}},
      {"GFillMode", [] { return new GFillMode; }, "HandleFillMode", 102, 102, {754}},
      {"GTransformAttribute",
       [] { return new GTransformAttribute; },
       "HandleTransformAttribute",
       103,
       103,
       {}},
  };
}

TEST(GGraphicStateAttributeTest, AcceptCallsExactlyItsOwnHandlerAndAnswersItsStatus) {
  for (const ClassCase& c : Classes()) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GAttribute> attribute(c.make());
    vel::test::FwRecordingHandlers handlers;
    handlers.SetStatus(c.handler, 0x1234);
    EXPECT_EQ(attribute->Accept(handlers), 0x1234);
    ASSERT_EQ(handlers.Calls().size(), 1u);
    EXPECT_EQ(handlers.Calls()[0].handler, c.handler);
    EXPECT_EQ(handlers.Calls()[0].object, attribute.get());
  }
}

TEST(GGraphicStateAttributeTest, ClassIdsKindsAndCategories) {
  const RWClassID family[] = {201, 202, 203, 301, 351, 352, 251, 252, 401, 102, 103, 754, 51, 151};
  for (const ClassCase& c : Classes()) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GAttribute> attribute(c.make());
    EXPECT_EQ(attribute->IsA(), c.id);
    EXPECT_EQ(attribute->CategoryId(), c.category);
    EXPECT_TRUE(attribute->IsKindOf(753));
    EXPECT_TRUE(attribute->IsKindOf(751));
    std::vector<RWClassID> kinds = c.kinds;
    kinds.push_back(c.id);
    for (RWClassID id : family) {
      const bool expected = std::find(kinds.begin(), kinds.end(), id) != kinds.end();
      EXPECT_EQ(attribute->IsKindOf(id), expected) << id;
    }
    EXPECT_EQ(attribute->GetEnabled(), 1);
  }
  GRGBColor color;
  EXPECT_TRUE(color.IsKindOf(53) && color.IsKindOf(51) && color.IsKindOf(751));
  EXPECT_FALSE(color.IsKindOf(753));
  GColorPaint paint;
  EXPECT_TRUE(paint.IsKindOf(152) && paint.IsKindOf(151) && paint.IsKindOf(751));
  EXPECT_FALSE(paint.IsKindOf(51));
}

TEST(GGraphicStateAttributeTest, StoredByteCounts) {
  struct SizeCase {
    const char* name;
    std::function<GBaseObject*()> make;
    std::uint32_t size;
  };
  const SizeCase cases[] = {
      {"pen without paint", [] { return new GPen; }, 36},
      {"pen with a colour paint", [] { return new GPen(1, Red(), 0); }, 78},
      {"no pen", [] { return new GNoPen; }, 40},
      {"dashed pen of 0", [] { return new GDashedPen; }, 46},
      {"dashed pen of 3",
       [] {
         return new GDashedPen(Dashes({1, 2, 3}), 3, 1, nullptr, 0);
       },
       52},
      {"cap", [] { return new GCap; }, 32},
      {"joint", [] { return new GJoint; }, 32},
      {"fill mode", [] { return new GFillMode; }, 32},
      {"miter joint", [] { return new GMiterJoint; }, 40},
      {"brush", [] { return new GBrush; }, 34},
      {"no brush", [] { return new GNoBrush; }, 38},
      {"rgb colour", [] { return new GRGBColor; }, 24},
      {"colour paint", [] { return new GColorPaint(new GRGBColor); }, 46},
      {"transform", [] { return new GTransformAttribute; }, 38},
      {"raster operation", [] { return new GRasterOperation; }, 34},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GBaseObject> object(c.make());
    EXPECT_EQ(object->StoredByteCount(), c.size);
    EXPECT_EQ(vel::test::SaveContentsOf(Carrier::kFile, *object).size(), c.size);
  }
}

TEST(GGraphicStateAttributeTest, UnknownVersionKeepsTheOwnFieldsAndFailsTheCarrier) {
  // A cap 0 stored with its own word (the fourth checked word) written as 2 restores into a
  // default cap as cap 1.
  const GCap round(0, 5);
  for (Carrier carrier : vel::test::kAllCarriers) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    Bytes bytes;
    {
      vel::ScopedClassVersionPatch patch(3, 2);
      bytes = vel::test::SaveContentsOf(carrier, round);
    }
    GCap cap;
    const vel::test::Restored restored = vel::test::RestoreContentsOf(carrier, bytes, cap);
    EXPECT_TRUE(restored.failed);
    EXPECT_EQ(cap.GetCap(), 1);
    EXPECT_EQ(*cap.Key(), 5u);  // the base's fields were read
  }
}

// ---- shared paints

TEST(GGraphicStateAttributeTest, SetPaintOfTheCurrentPaintChangesNothing) {
  GColorPaint* paint = Red();
  GPen pen(1, paint, 0);
  GBrush brush(paint, 0);
  EXPECT_EQ(paint->References(), 1);  // two holders
  pen.SetPaint(paint);
  brush.SetPaint(paint);
  EXPECT_EQ(paint->References(), 1);
  EXPECT_EQ(pen.GetPaint(), paint);
}

TEST(GGraphicStateAttributeTest, ReplacedPaintGoesOnlyWithItsLastReference) {
  GColorPaint* first = Red();
  const GCountedPtr keep(first);
  auto pen = std::make_unique<GPen>(1, first, 0);
  GBrush brush(first, 0);
  EXPECT_EQ(first->References(), 2);
  // Copies share the paint.
  {
    GPen copy(*pen);
    GBrush brush_copy(brush);
    EXPECT_EQ(copy.GetPaint(), first);
    EXPECT_EQ(first->References(), 4);
    copy = *pen;
    EXPECT_EQ(first->References(), 4);
  }
  pen->SetPaint(nullptr);
  brush.SetPaint(Red());
  EXPECT_EQ(first->References(), 0);  // the counted pointer above still holds it
  EXPECT_NE(brush.GetPaint(), nullptr);
  // A paint nothing else holds goes with the pen that replaces it (the sanitizer sees a leak
  // otherwise), and with the pen itself.
  pen->SetPaint(Red());
  pen->SetPaint(Red());
  pen.reset();
}

}  // namespace
