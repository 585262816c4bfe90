// The shapes that only the render module makes: ellipses, poly-lines and poly-Beziers (with and
// without their own start point), their first points, dispatch and stored forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/GEllipseGraphic.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GPolyBezierGraphic.h"
#include "framework/pipeline/GPolyLineGraphic.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwRecordingHandlers.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;
using vel::test::HexBytes;
namespace classid = vel::classid;

const GPoint kPoints[] = {{1, 2}, {3, 4}, {5, 6}, {-7, 8}};

template <typename Shape>
GBaseObject* Owned(std::uint32_t count, GGraphicBundle* bundle = nullptr) {
  return new Shape(GPointList::CopyOf(kPoints, count), bundle, 0);
}

template <typename Shape>
std::vector<vel::test::FwSample> ListSamples(const std::string& name) {
  return {{name + " no points", [] { return Owned<Shape>(0); }},
          {name + " 1 point", [] { return Owned<Shape>(1); }},
          {name + " 3 points with bundle", [] { return Owned<Shape>(3, new GGraphicBundle); }},
          {name + " without list", [] { return new Shape; }}};
}

FW_PERSIST_SAMPLES(classid::kGEllipseGraphic,
                   {{"ellipse", [] { return new GEllipseGraphic(GRect{-5, 1, 20, 30}, nullptr, 4); }},
                    {"ellipse default", [] { return new GEllipseGraphic; }}});
const vel::test::FwSampleRegistrar kPolyLineSamples(classid::kGPolyLineGraphic,
                                                    ListSamples<GPolyLineGraphic>("poly-line"));
const vel::test::FwSampleRegistrar kPolyLineToSamples(
    classid::kGPolyLineToGraphic, ListSamples<GPolyLineToGraphic>("poly-line-to"));
const vel::test::FwSampleRegistrar kPolyBezierSamples(
    classid::kGPolyBezierGraphic, ListSamples<GPolyBezierGraphic>("poly-bezier"));
const vel::test::FwSampleRegistrar kPolyBezierToSamples(
    classid::kGPolyBezierToGraphic, ListSamples<GPolyBezierToGraphic>("poly-bezier-to"));

TEST(GRenderShapesTest, PolyLineGoldenTakesTheFirstPointAsStart) {
  GPolyLineGraphic line(GPointList::CopyOf(kPoints, 3), nullptr, 0);
  line.SetSerialNumber(0x04030201);
  const Bytes golden = HexBytes(
      "88 88 00 00  92 02 "                     // file magic, class id 658
      "01 00 00 00  00 00 00 00  01 02 03 04 "  // root: version, key 0, serial
      "01 00 00 00  FF FF 00 00 00 00 "         // command version, no bundle
      "01 00 00 00 "                            // graphic version
      "01 00 00 00  02 00 00 00  01 00 00 00 "  // shape version, arc direction 2, list flag
      "02 00 00 00  03 00 04 00  05 00 06 00 "  // two points left in the list
      "01 00 02 00  05 00 06 00 "               // bounds of all three points
      "01 00 02 00  00 00 00 00  00 00 00 00 "  // start (1, 2), end, corner
      "01 00 00 00");                           // poly-line version
  const Bytes saved = vel::test::SaveGraph(Carrier::kFile, &line);
  EXPECT_TRUE(vel::test::BytesEqual(golden, saved));
  EXPECT_EQ(saved.size(), 80u);
  EXPECT_EQ(line.TotalStoredSize(), 80u);
  EXPECT_EQ(line.StoredByteCount(), 74u);
  vel::test::Restored restored = vel::test::RestoreGraph(Carrier::kFile, golden);
  auto* read = dynamic_cast<GPolyLineGraphic*>(restored.object);
  ASSERT_NE(read, nullptr);
  EXPECT_TRUE(read->IsSameKey(&line));
  EXPECT_EQ(read->GetPointCount(), 2u);
  vel::test::DeleteRestored(read);

  GPolyLineToGraphic line_to(GPointList::CopyOf(kPoints, 3), nullptr, 0);
  line_to.SetSerialNumber(0x04030201);
  const Bytes golden_to = HexBytes(
      "88 88 00 00  97 02 "                     // file magic, class id 663
      "01 00 00 00  00 00 00 00  01 02 03 04 "  // root
      "01 00 00 00  FF FF 00 00 00 00 "         // command version, no bundle
      "01 00 00 00 "                            // graphic version
      "01 00 00 00  02 00 00 00  01 00 00 00 "  // shape version, arc direction, list flag
      "03 00 00 00  01 00 02 00  03 00 04 00  05 00 06 00 "  // all three points
      "01 00 02 00  05 00 06 00 "                            // bounds
      "00 00 00 00  00 00 00 00  00 00 00 00 "               // start (0, 0), end, corner
      "01 00 00 00");                                        // poly-line-to version
  const Bytes saved_to = vel::test::SaveGraph(Carrier::kFile, &line_to);
  EXPECT_TRUE(vel::test::BytesEqual(golden_to, saved_to));
  EXPECT_EQ(saved_to.size(), 84u);
}

// The "first point" classes move the first point out of the list; the "To" classes keep it. Each
// case over an owned list and over the caller's array, then copied, made unique and destroyed
// (AddressSanitizer sees any free of a pointer that is not an allocation's start, and any leak).
TEST(GRenderShapesTest, FirstPointTable) {
  using Make = std::function<GShapeGraphic*(GPointList*)>;
  struct Class {
    const char* name;
    Make make;
    bool takes_first;
  };
  const Class classes[] = {
      {"poly-line", [](GPointList* l) { return new GPolyLineGraphic(l, nullptr, 0); }, true},
      {"poly-bezier", [](GPointList* l) { return new GPolyBezierGraphic(l, nullptr, 0); }, true},
      {"poly-line-to", [](GPointList* l) { return new GPolyLineToGraphic(l, nullptr, 0); }, false},
      {"poly-bezier-to", [](GPointList* l) { return new GPolyBezierToGraphic(l, nullptr, 0); },
       false},
  };
  const GPoint original[] = {{1, 2}, {3, 4}, {5, 6}, {-7, 8}};
  for (const Class& c : classes) {
    for (const std::uint32_t count : {3u, 4u, 1u, 0u}) {
      for (const bool owned : {true, false}) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(count) +
                     (owned ? " owned" : " caller's"));
        GPoint callers[4] = {{1, 2}, {3, 4}, {5, 6}, {-7, 8}};
        GPointList* list = owned ? GPointList::CopyOf(callers, count)
                                 : new GPointList(count == 0 ? nullptr : callers, count);
        std::unique_ptr<GShapeGraphic> shape(c.make(list));
        const std::uint32_t kept = c.takes_first && count > 0 ? count - 1 : count;
        const GPoint start = c.takes_first && count > 0 ? callers[0] : GPoint{0, 0};
        const GRect bounds = vel::BoundsOfPoints(callers, count);
        EXPECT_EQ(shape->GetPointCount(), kept);
        EXPECT_EQ(shape->GetStartPoint(), start);
        EXPECT_EQ(shape->GetBounds(), bounds);
        if (kept > 0) {
          EXPECT_EQ(*shape->GetPoint(0), callers[count - kept]);
          EXPECT_EQ(*shape->GetPoint(kept - 1), callers[count - 1]);
        }
        EXPECT_EQ(shape->GetBezierCount(), kept / 3);

        std::unique_ptr<GShapeGraphic> copy(static_cast<GShapeGraphic*>(shape->Clone()));
        ASSERT_NE(copy, nullptr);
        EXPECT_TRUE(copy->IsSameKey(shape.get()));
        copy->MakeUnique();
        shape->MakeUnique();
        EXPECT_TRUE(copy->IsSameKey(shape.get()));
        EXPECT_EQ(copy->GetPointCount(), kept);
        shape.reset();
        copy.reset();
        EXPECT_TRUE(std::equal(callers, callers + 4, original));
      }
    }
  }
  // From 4 points a poly-Bezier keeps one curve.
  GPolyBezierGraphic curve(GPointList::CopyOf(kPoints, 4), nullptr, 0);
  EXPECT_EQ(curve.GetBezierCount(), 1u);
}

TEST(GRenderShapesTest, EllipseAndEqualityAcrossClasses) {
  const GEllipseGraphic ellipse(GRect{1, 2, 30, 40}, nullptr, 0);
  EXPECT_EQ(ellipse.GetPointList(), nullptr);
  EXPECT_EQ(ellipse.GetBounds(), (GRect{1, 2, 30, 40}));
  const GRectangleGraphic rectangle(GRect{1, 2, 30, 40}, nullptr, 0);
  EXPECT_FALSE(ellipse.IsSameKey(&rectangle));
  EXPECT_TRUE(ellipse.IsSameKey(std::make_unique<GEllipseGraphic>(ellipse).get()));

  // The same points as a poly-line and a poly-line-to (both keeping all of them) differ by class.
  GPolyLineToGraphic line_to(GPointList::CopyOf(kPoints, 3), nullptr, 0);
  GPolyBezierToGraphic bezier_to(GPointList::CopyOf(kPoints, 3), nullptr, 0);
  EXPECT_FALSE(line_to.IsSameKey(&bezier_to));
  GPolyLineGraphic line(GPointList::CopyOf(kPoints, 3), nullptr, 0);
  GPolyBezierGraphic bezier(GPointList::CopyOf(kPoints, 3), nullptr, 0);
  EXPECT_FALSE(line.IsSameKey(&bezier));
  EXPECT_TRUE(line.IsSameKey(std::make_unique<GPolyLineGraphic>(line).get()));
}

TEST(GRenderShapesTest, EachShapeCallsItsOneHandler) {
  struct Case {
    std::function<GGraphic*()> make;
    const char* handler;
    RWClassID id;
  };
  const Case cases[] = {
      {[] { return new GEllipseGraphic; }, "HandleEllipseGraphic", classid::kGEllipseGraphic},
      {[] { return new GPolyLineGraphic; }, "HandlePolyLineGraphic", classid::kGPolyLineGraphic},
      {[] { return new GPolyLineToGraphic; }, "HandlePolyLineToGraphic",
       classid::kGPolyLineToGraphic},
      {[] { return new GPolyBezierGraphic; }, "HandlePolyBezierGraphic",
       classid::kGPolyBezierGraphic},
      {[] { return new GPolyBezierToGraphic; }, "HandlePolyBezierToGraphic",
       classid::kGPolyBezierToGraphic},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.handler);
    std::unique_ptr<GGraphic> graphic(c.make());
    vel::test::FwRecordingHandlers handlers;
    handlers.SetStatus(c.handler, 7);
    EXPECT_EQ(graphic->Accept(handlers), 7);
    ASSERT_EQ(handlers.Calls().size(), 1u);
    EXPECT_EQ(handlers.Calls()[0].handler, c.handler);
    EXPECT_EQ(handlers.Calls()[0].object, graphic.get());
    EXPECT_EQ(graphic->IsA(), c.id);
    for (const RWClassID kind : {c.id, classid::kGShapeGraphic, classid::kGGraphic,
                                 classid::kGCommand, classid::kGBaseObject}) {
      EXPECT_TRUE(graphic->IsKindOf(kind)) << kind;
    }
    EXPECT_FALSE(graphic->IsKindOf(classid::kGRectangleGraphic));
    EXPECT_FALSE(graphic->IsKindOf(classid::kGGraphicComposite));
  }
}

}  // namespace
