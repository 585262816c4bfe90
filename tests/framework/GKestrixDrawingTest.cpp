// The PCL XL back end's drawing: the operators and values of every shape, path, pen, brush,
// colour, line and fill attribute and clip, the path position they leave, long poly-lines, and the
// graphics state of a second page. Every job is checked by the independent job checker.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/output/GKestrix.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GCap.h"
#include "framework/pipeline/GClipToPage.h"
#include "framework/pipeline/GClipToPath.h"
#include "framework/pipeline/GClipToRectangle.h"
#include "framework/pipeline/GClipToSingleRectangle.h"
#include "framework/pipeline/GColorPaint.h"
#include "framework/pipeline/GDashedPen.h"
#include "framework/pipeline/GEllipseGraphic.h"
#include "framework/pipeline/GFillMode.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GJoint.h"
#include "framework/pipeline/GPathGraphic.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GPolyBezierGraphic.h"
#include "framework/pipeline/GPolyLineGraphic.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterOperation.h"
#include "framework/pipeline/GRectOrderedVector.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "tests/support/FwJobHarness.h"
#include "tests/support/PclXlCheckRules.h"
#include "tests/support/PclXlChecker.h"

namespace vel::test {
namespace {

// "Name Attr=v,v Attr=v data[n]".
std::string Describe(const XlOperation& operation) {
  std::string text = XlOperatorName(operation.code);
  for (const XlAttribute& a : operation.attributes) {
    text += " " + XlAttributeName(a.id) + "=";
    for (std::size_t i = 0; i < a.values.size(); ++i) {
      text += (i == 0 ? "" : ",") + std::to_string(static_cast<long>(a.values[i]));
    }
  }
  if (operation.has_data) {
    text += " data[" + std::to_string(operation.data.size()) + "]";
  }
  return text;
}

const PageSettings kPage{0, {}, {}, MakeTestMedia(2, 5100, 6600)};

struct DrawOptions {
  bool rgb = false;  // colour mode 1 (job setting 296 = 0)
  bool warnings_allowed = false;
};

// Draws on the only page of a job and answers the page's operations after BeginPage and
// SetClipMode, up to EndPage; the job must pass the checker.
std::vector<std::string> Drawn(const std::function<void(GKestrix&)>& draw,
                               const DrawOptions& options = {}) {
  JobHarness harness;
  if (options.rgb) {
    harness.SetJobValue(vel::key::kDocumentStartValue296, 0);
  }
  EXPECT_EQ(harness.StartDocument(), 0);
  EXPECT_EQ(harness.StartPage(kPage), 0);
  draw(*harness.Kestrix());
  EXPECT_EQ(harness.EndPage(), 0);
  EXPECT_EQ(harness.EndDocument(), 0);
  const Bytes bytes = harness.LastJob().bytes;
  EXPECT_TRUE(PassesPclXlCheck(bytes, {}, !options.warnings_allowed));
  const XlCheckResult result = PclXlChecker().Check(bytes);
  std::vector<std::string> seen;
  if (result.job.pages.size() != 1) {
    ADD_FAILURE() << "pages: " << result.job.pages.size();
    return seen;
  }
  const std::vector<XlOperation>& ops = result.job.pages[0].operations;
  for (std::size_t i = 2; i + 1 < ops.size(); ++i) {
    seen.push_back(Describe(ops[i]));
  }
  return seen;
}

GPointList* Points(std::initializer_list<GPoint> points) {
  return GPointList::CopyOf(points.begin(), static_cast<std::uint32_t>(points.size()));
}

constexpr GRect kBox{10, 20, 110, 220};

// A shape of the bounds with a start and an end point, as the render side builds arcs, chords
// and pies.
std::unique_ptr<GEllipseGraphic> ArcShape(std::int32_t direction) {
  auto shape = std::make_unique<GEllipseGraphic>(kBox, nullptr, 0);
  shape->SetStartPoint({110, 120});
  shape->SetEndPoint({60, 20});
  shape->SetArcDirection(direction);
  return shape;
}

GColorPaint* Paint(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return new GColorPaint(new GRGBColor(r, g, b, 0));
}

struct HandlerCase {
  const char* name;
  std::function<void(GKestrix&)> draw;
  std::vector<std::string> ops;
  DrawOptions options = {};
};

const std::vector<HandlerCase>& HandlerCases() {
  static const std::vector<HandlerCase> cases = {
      {"rectangle",
       [](GKestrix& k) {
         GRectangleGraphic g(kBox, nullptr, 0);
         EXPECT_EQ(k.HandleRectangleGraphic(g), 0);
       },
       {"NewPath", "RectanglePath BoundingBox=10,20,110,220", "PaintPath"}},
      {"ellipse",
       [](GKestrix& k) {
         GEllipseGraphic g(kBox, nullptr, 0);
         EXPECT_EQ(k.HandleEllipseGraphic(g), 0);
       },
       {"NewPath", "EllipsePath BoundingBox=10,20,110,220", "PaintPath"}},
      {"round rectangle",
       [](GKestrix& k) {
         GRectangleGraphic g(kBox, nullptr, 0);
         g.SetCornerSize({30, 40});
         EXPECT_EQ(k.HandleRoundRectangle(g), 0);
       },
       {"NewPath", "RoundRectanglePath BoundingBox=10,20,110,220 EllipseDimension=30,40",
        "PaintPath"}},
      {"clockwise chord runs from its end point",
       [](GKestrix& k) { EXPECT_EQ(k.HandleChord(*ArcShape(0)), 0); },
       {"NewPath", "ChordPath BoundingBox=10,20,110,220 StartPoint=60,20 EndPoint=110,120",
        "PaintPath"}},
      {"counter-clockwise chord",
       [](GKestrix& k) { EXPECT_EQ(k.HandleChord(*ArcShape(1)), 0); },
       {"NewPath", "ChordPath BoundingBox=10,20,110,220 StartPoint=110,120 EndPoint=60,20",
        "PaintPath"}},
      {"clockwise pie runs from its end point",
       [](GKestrix& k) { EXPECT_EQ(k.HandlePie(*ArcShape(0)), 0); },
       {"NewPath", "PiePath BoundingBox=10,20,110,220 StartPoint=60,20 EndPoint=110,120",
        "PaintPath"}},
      {"counter-clockwise pie",
       [](GKestrix& k) { EXPECT_EQ(k.HandlePie(*ArcShape(2)), 0); },
       {"NewPath", "PiePath BoundingBox=10,20,110,220 StartPoint=110,120 EndPoint=60,20",
        "PaintPath"}},
      {"arcs keep their points and send the direction",
       [](GKestrix& k) {
         EXPECT_EQ(k.HandleArc(*ArcShape(0)), 0);
         EXPECT_EQ(k.HandleArc(*ArcShape(2)), 0);
       },
       {"NewPath",
        "ArcPath BoundingBox=10,20,110,220 StartPoint=110,120 EndPoint=60,20 ArcDirection=0",
        "PaintPath", "NewPath",
        "ArcPath BoundingBox=10,20,110,220 StartPoint=110,120 EndPoint=60,20 ArcDirection=1",
        "PaintPath"}},
      {"poly-line from its start point",
       [](GKestrix& k) {
         GPolyLineGraphic g(Points({{1000, 1000}, {1200, 1000}, {1200, 1300}}), nullptr, 0);
         EXPECT_EQ(k.HandlePolyLineGraphic(g), 0);
       },
       {"NewPath", "SetCursor Point=1000,1000", "LineRelPath NumberOfPoints=2 PointType=3 data[8]",
        "PaintPath"}},
      {"poly-line-to continues from the path position",
       [](GKestrix& k) {
         GPolyLineToGraphic g(Points({{5, 5}, {10, 10}}), nullptr, 0);
         EXPECT_EQ(k.HandlePolyLineToGraphic(g), 0);
       },
       {"LineRelPath NumberOfPoints=2 PointType=1 data[4]", "PaintPath"},
       {.warnings_allowed = true}},
      {"polygon of one point",
       [](GKestrix& k) {
         GPolyLineToGraphic g(Points({{300, 400}}), nullptr, 0);
         EXPECT_EQ(k.HandlePolygon(g), 0);
       },
       {"NewPath", "SetCursor Point=300,400", "LineRelPath NumberOfPoints=1 PointType=3 data[4]",
        "CloseSubPath", "PaintPath"}},
      {"polygon without points",
       [](GKestrix& k) {
         GEllipseGraphic g(kBox, nullptr, 0);
         EXPECT_EQ(k.HandlePolygon(g), 0);
       },
       {"NewPath"}},
      {"poly-Bezier of 3n + 1 points",
       [](GKestrix& k) {
         GPolyBezierGraphic g(
             Points({{0, 0}, {300, 0}, {300, 300}, {0, 300}, {-300, 300}, {-300, 0}, {0, 0}}),
             nullptr, 0);
         EXPECT_EQ(k.HandlePolyBezierGraphic(g), 0);
       },
       {"NewPath", "SetCursor Point=0,0", "BezierRelPath NumberOfPoints=6 PointType=3 data[24]",
        "PaintPath"}},
      {"poly-Bezier of 3n + 2 points drops the last",
       [](GKestrix& k) {
         GPolyBezierGraphic g(Points({{0, 0}, {300, 0}, {300, 300}, {0, 300}, {5, 5}}), nullptr, 0);
         EXPECT_EQ(k.HandlePolyBezierGraphic(g), 0);
       },
       {"NewPath", "SetCursor Point=0,0", "BezierRelPath NumberOfPoints=3 PointType=3 data[12]",
        "PaintPath"}},
      {"poly-Bezier-to of 3n + 2 points drops the last two",
       [](GKestrix& k) {
         GPolyBezierToGraphic g(Points({{300, 0}, {300, 300}, {0, 300}, {5, 5}, {6, 6}}), nullptr,
                                0);
         EXPECT_EQ(k.HandlePolyBezierToGraphic(g), 0);
       },
       {"BezierRelPath NumberOfPoints=3 PointType=3 data[12]", "PaintPath"},
       {.warnings_allowed = true}},
      {"poly-Bezier of one point writes an empty path",
       [](GKestrix& k) {
         GPolyBezierGraphic g(Points({{7, 7}}), nullptr, 0);
         EXPECT_EQ(k.HandlePolyBezierGraphic(g), 0);
       },
       {"NewPath", "PaintPath"},
       {.warnings_allowed = true}},
      {"a path paints its members once and closes a closed subpath",
       [](GKestrix& k) {
         GPathGraphic path(nullptr, 0);
         path.Add(new GRectangleGraphic(kBox, nullptr, 0));
         auto* figure = new GPathGraphic(nullptr, 0);
         figure->Add(new GPolyLineGraphic(Points({{0, 0}, {500, 0}, {500, 500}}), nullptr, 0));
         figure->SetClosed(1);
         path.Add(figure);
         EXPECT_EQ(k.HandlePathGraphic(path), 0);
         EXPECT_EQ(k.GetPathDepth(), 0);
       },
       {"NewPath", "RectanglePath BoundingBox=10,20,110,220", "SetCursor Point=0,0",
        "LineRelPath NumberOfPoints=2 PointType=3 data[8]", "CloseSubPath", "PaintPath"}},
      {"pen with a gray paint: red is 76",
       [](GKestrix& k) {
         GPen pen(5, Paint(255, 0, 0));
         EXPECT_EQ(k.HandlePen(pen), 0);
       },
       {"SetLineDash SolidLine=0", "SetPenWidth PenWidth=5", "SetColorSpace ColorSpace=1",
        "SetPenSource GrayLevel=76"}},
      {"dashed pen",
       [](GKestrix& k) {
         std::unique_ptr<std::uint16_t[]> dashes(new std::uint16_t[2]{30, 10});
         GDashedPen pen(std::move(dashes), 2, 3, Paint(0, 0, 0), 7);
         EXPECT_EQ(k.HandleDashedPen(pen), 0);
       },
       {"SetLineDash LineDashStyle=30,10 DashOffset=7", "SetPenWidth PenWidth=3",
        "SetColorSpace ColorSpace=1", "SetPenSource GrayLevel=0"}},
      {"dashed pen without dashes draws solid",
       [](GKestrix& k) {
         GDashedPen pen(nullptr, 0, 2, nullptr, 0);
         EXPECT_EQ(k.HandleDashedPen(pen), 0);
       },
       {"SetLineDash SolidLine=0", "SetPenWidth PenWidth=2"}},
      {"brush in gray: white is 255",
       [](GKestrix& k) {
         GBrush brush(Paint(255, 255, 255));
         EXPECT_EQ(k.HandleBrush(brush), 0);
         GBrush bare(nullptr);
         EXPECT_EQ(k.HandleBrush(bare), 0);
         GColorPaint colourless;
         EXPECT_EQ(k.HandleColorBrushPaint(colourless), 0);
       },
       {"SetColorSpace ColorSpace=1", "SetBrushSource GrayLevel=255"}},
      {"brush and pen in RGB",
       [](GKestrix& k) {
         GBrush brush(Paint(255, 0, 0));
         EXPECT_EQ(k.HandleBrush(brush), 0);
         GPen pen(1, Paint(1, 2, 3));
         EXPECT_EQ(k.HandlePen(pen), 0);
       },
       {"SetColorSpace ColorSpace=2", "SetBrushSource RGBColor=255,0,0", "SetLineDash SolidLine=0",
        "SetPenWidth PenWidth=1", "SetColorSpace ColorSpace=2", "SetPenSource RGBColor=1,2,3"},
       {.rgb = true}},
      {"no pen, no brush",
       [](GKestrix& k) {
         GNoPen pen;
         GNoBrush brush;
         EXPECT_EQ(k.HandleNoPen(pen), 0);
         EXPECT_EQ(k.HandleNoBrush(brush), 0);
       },
       {"SetPenSource NullPen=0", "SetBrushSource NullBrush=0"}},
      {"caps 0 to 3",
       [](GKestrix& k) {
         for (int cap = 0; cap < 4; ++cap) {
           GCap attribute(cap);
           EXPECT_EQ(k.HandleCap(attribute), 0);
         }
       },
       {"SetLineCap LineCapStyle=1", "SetLineCap LineCapStyle=2", "SetLineCap LineCapStyle=0"}},
      {"joints 0 to 4 and a miter joint",
       [](GKestrix& k) {
         for (int joint = 0; joint < 5; ++joint) {
           GJoint attribute;
           attribute.SetJoint(joint);
           EXPECT_EQ(k.HandleJoint(attribute), 0);
         }
         GMiterJoint miter(4.7f);
         EXPECT_EQ(k.HandleMiterJoint(miter), 0);
       },
       {"SetLineJoin LineJoinStyle=0", "SetLineJoin LineJoinStyle=1", "SetLineJoin LineJoinStyle=2",
        "SetLineJoin LineJoinStyle=3", "SetMiterLimit MiterLength=4",
        "SetLineJoin LineJoinStyle=0"}},
      {"fill modes 0 to 2 and a raster operation",
       [](GKestrix& k) {
         for (int mode = 0; mode < 3; ++mode) {
           GFillMode attribute(mode);
           EXPECT_EQ(k.HandleFillMode(attribute), 0);
         }
         GRasterOperation rop(0xCC, 0);
         EXPECT_EQ(k.HandleRasterOperation(rop), 0);
       },
       {"SetFillMode FillMode=1", "SetFillMode FillMode=0", "SetROP ROP3=204"}},
      {"clip to the page and to a single rectangle",
       [](GKestrix& k) {
         GClipToPage page;
         EXPECT_EQ(k.HandleClipToPage(page), 0);
         GClipToSingleRectangle single(kBox, 1, 0, 0);
         EXPECT_EQ(k.HandleClipToSingleRectangle(single), 0);
         GClipToSingleRectangle neither(kBox, 2, 2, 0);
         EXPECT_EQ(k.HandleClipToSingleRectangle(neither), 0);
       },
       {"SetClipToPage", "SetClipMode ClipMode=1",
        "SetClipRectangle BoundingBox=10,20,110,220 ClipRegion=1",
        "SetClipRectangle BoundingBox=10,20,110,220 ClipRegion=0"}},
      {"clips to zero, one and three rectangles",
       [](GKestrix& k) {
         GRectOrderedVector none;
         GClipToRectangle empty(none, 0, 1, 0);
         EXPECT_EQ(k.HandleClipToRectangle(empty), 0);
         GClipToRectangle one(kBox, 0, 1, 0);
         EXPECT_EQ(k.HandleClipToRectangle(one), 0);
         GRectOrderedVector three;
         for (std::int16_t i = 0; i < 3; ++i) {
           (void)three.insert(GRect{std::int16_t(100 * i), 0, std::int16_t(100 * i + 50), 50});
         }
         GClipToRectangle many(three, 1, 0, 0);
         EXPECT_EQ(k.HandleClipToRectangle(many), 0);
       },
       {"SetClipMode ClipMode=0", "SetClipMode ClipMode=0",
        "SetClipRectangle BoundingBox=10,20,110,220 ClipRegion=0", "SetClipMode ClipMode=1",
        "NewPath", "RectanglePath BoundingBox=0,0,50,50", "RectanglePath BoundingBox=100,0,150,50",
        "RectanglePath BoundingBox=200,0,250,50", "SetClipReplace ClipRegion=1"}},
      {"clip to a path builds it without painting",
       [](GKestrix& k) {
         auto* path = new GPathGraphic(nullptr, 0);
         path->Add(new GEllipseGraphic(kBox, nullptr, 0));
         GClipToPath clip(path, 0, 1, 0);
         EXPECT_EQ(k.HandleClipToPath(clip), 0);
         EXPECT_EQ(k.GetClipPathFlag(), 0);
       },
       {"SetClipMode ClipMode=0", "NewPath", "EllipsePath BoundingBox=10,20,110,220",
        "SetClipReplace ClipRegion=0"}},
      {"clip to no path still replaces the clip",
       [](GKestrix& k) {
         GClipToPath clip(nullptr, 0, 0, 0);
         EXPECT_EQ(k.HandleClipToPath(clip), 0);
       },
       {"SetClipMode ClipMode=1", "SetClipReplace ClipRegion=0"},
       {.warnings_allowed = true}},
  };
  return cases;
}

class GKestrixHandlerTest : public ::testing::TestWithParam<HandlerCase> {};

TEST_P(GKestrixHandlerTest, WritesItsOperators) {
  const HandlerCase& c = GetParam();
  EXPECT_EQ(Drawn(c.draw, c.options), c.ops);
}

INSTANTIATE_TEST_SUITE_P(Handlers,
                         GKestrixHandlerTest,
                         ::testing::ValuesIn(HandlerCases()),
                         [](const ::testing::TestParamInfo<HandlerCase>& info) {
                           return "case" + std::to_string(info.index);
                         });

TEST(GKestrixAttributeTest, EveryAttributeIsDisabledOnceHandledEvenWhenNothingIsWritten) {
  (void)Drawn([](GKestrix& k) {
    GCap cap(3);
    GJoint joint(9);
    GFillMode fill(7);
    GPen pen(1, nullptr);
    GClipToPage clip;
    for (GAttribute* attribute :
         std::initializer_list<GAttribute*>{&cap, &joint, &fill, &pen, &clip}) {
      attribute->SetEnabled(1);
    }
    EXPECT_EQ(k.HandleCap(cap), 0);
    EXPECT_EQ(k.HandleJoint(joint), 0);
    EXPECT_EQ(k.HandleFillMode(fill), 0);
    EXPECT_EQ(k.HandlePen(pen), 0);
    EXPECT_EQ(k.HandleClipToPage(clip), 0);
    for (GAttribute* attribute :
         std::initializer_list<GAttribute*>{&cap, &joint, &fill, &pen, &clip}) {
      EXPECT_EQ(attribute->GetEnabled(), 0);
    }
  });
}

TEST(GKestrixPathPositionTest, ShapesLeaveTheTopLeftAndArcsThePointOnTheEllipse) {
  struct ArcEnd {
    GRect bounds;
    GPoint end;
    GPoint position;
  };
  // Semi-axes 100 and 50: the ray at 45 degrees meets the ellipse at 44.72 from the centre.
  const std::vector<ArcEnd> ends = {
      {{-100, -50, 100, 50}, {10, 10}, {44, 44}},
      {{-100, -50, 100, 50}, {-10, 10}, {-44, 44}},
      {{-100, -50, 100, 50}, {-10, -10}, {-44, -44}},
      {{-100, -50, 100, 50}, {10, -10}, {44, -44}},
      {{-100, -50, 100, 50}, {0, 30}, {0, 50}},
      {{-100, -50, 100, 50}, {0, -30}, {0, -50}},
      {{-100, -50, 100, 50}, {-70, 0}, {-100, 0}},
      // The whole ellipse at negative coordinates: centre (-200, -150), truncated toward zero.
      {{-300, -200, -100, -100}, {-190, -140}, {-155, -105}},
      {{-300, -200, -100, -100}, {-210, -160}, {-244, -194}},
  };
  (void)Drawn([&](GKestrix& k) {
    GRectangleGraphic rectangle(kBox, nullptr, 0);
    EXPECT_EQ(k.HandleRectangleGraphic(rectangle), 0);
    EXPECT_EQ(k.GetPathX(), 10);
    EXPECT_EQ(k.GetPathY(), 20);
    for (const ArcEnd& e : ends) {
      GEllipseGraphic arc(e.bounds, nullptr, 0);
      arc.SetEndPoint(e.end);
      EXPECT_EQ(k.HandleArc(arc), 0);
      EXPECT_EQ(k.GetPathX(), e.position.x) << e.end.x << "," << e.end.y;
      EXPECT_EQ(k.GetPathY(), e.position.y) << e.end.x << "," << e.end.y;
    }
  });
}

TEST(GKestrixPolyLineTest, SeventyThousandPointsTravelInRunsTheCheckerAccepts) {
  std::vector<GPoint> points;
  for (int i = 0; i < 70001; ++i) {
    points.push_back({static_cast<std::int16_t>(i % 2 == 0 ? 100 : 4000),
                      static_cast<std::int16_t>(100 + i % 5000)});
  }
  std::vector<std::string> ops = Drawn([&](GKestrix& k) {
    GPolyLineGraphic line(GPointList::CopyOf(points.data(), 70001), nullptr, 0);
    ASSERT_EQ(line.GetPointCount(), 70000u);
    EXPECT_EQ(k.HandlePolyLineGraphic(line), 0);
  });
  EXPECT_EQ(ops, (std::vector<std::string>{
                     "NewPath", "SetCursor Point=100,100",
                     "LineRelPath NumberOfPoints=65535 PointType=3 data[262140]",
                     "LineRelPath NumberOfPoints=4465 PointType=3 data[17860]", "PaintPath"}));
}

TEST(GKestrixPageStateTest, TheSecondPageSetsPenAndBrushBeforeItsFirstPaint) {
  JobHarness harness;
  auto rectangle = [] {
    auto* bundle = new GGraphicBundle;
    bundle->SetPen(new GPen(4, Paint(0, 0, 0)));
    bundle->SetBrush(new GBrush(Paint(128, 128, 128)));
    bundle->SetClip(new GClipToSingleRectangle(GRect{0, 0, 2000, 2000}, 0, 1, 0));
    return new GRectangleGraphic(kBox, bundle, 0);
  };
  ASSERT_EQ(harness.StartDocument(), 0);
  for (int page = 0; page < 2; ++page) {
    ASSERT_EQ(harness.StartPage(kPage), 0);
    ASSERT_EQ(harness.Send(rectangle()), 0);
    ASSERT_EQ(harness.Send(rectangle()), 0);
    ASSERT_EQ(harness.EndPage(), 0);
  }
  ASSERT_EQ(harness.EndDocument(), 0);
  const Bytes bytes = harness.LastJob().bytes;
  EXPECT_TRUE(PassesPclXlCheck(bytes, {}, true));
  const XlCheckResult result = PclXlChecker().Check(bytes);
  ASSERT_EQ(result.job.pages.size(), 2u);
  for (const XlPage& page : result.job.pages) {
    std::vector<std::string> before_paint;
    int paints = 0;
    int pens = 0;
    for (const XlOperation& op : page.operations) {
      const std::string name = XlOperatorName(op.code);
      paints += name == "PaintPath" ? 1 : 0;
      pens += name == "SetPenWidth" ? 1 : 0;
      if (paints == 0) {
        before_paint.push_back(name);
      }
    }
    EXPECT_EQ(paints, 2);
    // Sent once a page, before the first paint.
    EXPECT_EQ(pens, 1);
    for (const char* name : {"SetPenWidth", "SetPenSource", "SetBrushSource", "SetClipRectangle"}) {
      EXPECT_NE(std::find(before_paint.begin(), before_paint.end(), name), before_paint.end())
          << name;
    }
  }
}

}  // namespace
}  // namespace vel::test
