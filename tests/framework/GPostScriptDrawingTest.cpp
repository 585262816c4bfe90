// The PostScript back end's drawing: figures, paths, pens, brushes, clips, images, patterns and
// scan-line rasters, written through the real printer head, checked as text where the bytes
// matter, run through Ghostscript, and rendered where the result must land on the page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/GValueAttribute.h"
#include "framework/output/GPostScript.h"
#include "framework/pipeline/GBitmap.h"
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
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GPathGraphic.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GPolyBezierGraphic.h"
#include "framework/pipeline/GPolyLineGraphic.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterGraphic.h"
#include "framework/pipeline/GRasterOperation.h"
#include "framework/pipeline/GRasterPaint.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "tests/framework/PSTestSink.h"
#include "tests/support/FwJobHarness.h"
#include "tests/support/FwTestShape.h"
#include "tests/support/Ghostscript.h"
#include "tools/veldata/DriverData.h"

namespace vel::test {
namespace {

// A shape of the render module's kinds (arcs, chords, pies, polygons, rounded rectangles and the
// scan-line steps), which no framework class dispatches: it calls the handler it is made with.
using ShapeHandler = std::uint16_t (GTypedHandlers::*)(GGraphic&);

class RenderShape : public FwTestShape {
 public:
  RenderShape(ShapeHandler handler, const std::vector<GPoint>& points, GGraphicBundle* bundle)
      : FwTestShape(GPointList::CopyOf(points.data(), static_cast<std::uint32_t>(points.size())),
                    bundle, 0),
        handler_(handler) {}
  RenderShape(const RenderShape& other) = default;
  RWCollectable* Clone() const override { return new RenderShape(*this); }
  std::uint16_t Accept(GTypedHandlers& handlers) override { return (handlers.*handler_)(*this); }

 private:
  ShapeHandler handler_;
};

// An arc-like shape over `bounds` from `start` to `end` in `direction`.
RenderShape* ArcShape(ShapeHandler handler, GRect bounds, GPoint start, GPoint end,
                      std::int32_t direction, GGraphicBundle* bundle = nullptr) {
  auto* shape = new RenderShape(handler, {{bounds.left, bounds.top}, {bounds.right, bounds.bottom}},
                                bundle);
  shape->SetStartPoint(start);
  shape->SetEndPoint(end);
  shape->SetArcDirection(direction);
  return shape;
}

GColorPaint* Colour(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return new GColorPaint(new GRGBColor(r, g, b, 255));
}

// A bundle of the attributes given (each taken over; null ones skipped).
GGraphicBundle* Bundle(GPen* pen, GBrush* brush, GClipAttribute* clip = nullptr) {
  auto* bundle = new GGraphicBundle;
  bundle->SetPen(pen);
  bundle->SetBrush(brush);
  bundle->SetClip(clip);
  return bundle;
}

GGraphicBundle* Filled(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return Bundle(new GNoPen, new GBrush(Colour(r, g, b)));
}

// A bitmap of `bits` per pixel, `width` x `height`, from rows given top first (each
// (width x bits + 7) / 8 bytes), with a palette of the colours given (none when empty).
GBitmap MakeBitmap(std::uint8_t bits, std::int16_t width, std::int16_t height,
                   const std::vector<std::uint8_t>& rows, const std::vector<GRGBColor>& colours) {
  const std::uint32_t row_bytes = (static_cast<std::uint32_t>(width) * bits + 7) / 8;
  const std::uint32_t stride = (row_bytes + 3) & ~3u;
  auto* data = new std::uint8_t[stride * height]();
  for (std::int16_t y = 0; y < height; ++y) {
    std::memcpy(data + stride * y, rows.data() + row_bytes * y, row_bytes);
  }
  GPaletteTable* palette = nullptr;
  if (!colours.empty()) {
    std::vector<GRGBColor> copies = colours;
    GColorPointerVector vector;
    for (GRGBColor& colour : copies) {
      vector.insert(&colour);
    }
    palette = new GPaletteTable(vector);
  }
  return GBitmap(1, data, stride * height, 4, GPoint{0, 0}, GPoint{width, height}, bits, 1, 0,
                 palette, 0, 0, 0, 0, 0, 0, 0, 0);
}

// The 8 x 8 checker of 0xAA and 0x55 rows, one bit per pixel, white and black.
GBitmap Checker() {
  return MakeBitmap(1, 8, 8, {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55},
                    {GRGBColor(255, 255, 255, 255), GRGBColor(0, 0, 0, 255)});
}

// The job settings of a resolution.
void SetResolution(JobHarness& harness, std::uint16_t dpi) {
  auto* group = new GAttributeComposite(vel::key::kPageStartGroup);
  group->Add(new GValueAttribute(dpi, vel::key::kResolutionX));
  group->Add(new GValueAttribute(dpi, vel::key::kResolutionY));
  harness.SetJobSetting(group);
}

std::shared_ptr<const GMedia> Letter(std::uint16_t dpi) {
  return MakeTestMedia(2, static_cast<std::int16_t>(85 * dpi / 10),
                       static_cast<std::int16_t>(11 * dpi), nullptr, dpi);
}

std::shared_ptr<const GMedia> A3(std::uint16_t dpi) {
  // 297 x 420 mm.
  return MakeTestMedia(8, static_cast<std::int16_t>(297 * dpi * 10 / 254),
                       static_cast<std::int16_t>(420 * dpi * 10 / 254), nullptr, dpi);
}

// One job: a document of the pages given (media per page, the commands of each), at `dpi`.
struct Page {
  std::shared_ptr<const GMedia> media;
  std::vector<GCommand*> commands;
};

class Job {
 public:
  explicit Job(std::uint16_t dpi = 300, bool colour = true)
      : harness_(vel::data::BuildPostScript(nullptr)), dpi_(dpi) {
    SetResolution(harness_, dpi);
    harness_.SetJobValue(vel::key::kDocumentStartValue296, colour ? 0 : 1);
  }
  JobHarness& Harness() { return harness_; }

  // Runs the pages; every status must be 0.
  void Run(std::vector<Page> pages) {
    ASSERT_EQ(harness_.StartDocument(u"Drawing"), 0);
    for (Page& page : pages) {
      ASSERT_EQ(harness_.StartPage(PageSettings{0, {}, {}, page.media ? page.media : Letter(dpi_)}),
                0);
      for (GCommand* command : page.commands) {
        ASSERT_EQ(harness_.Send(command), 0);
      }
      ASSERT_EQ(harness_.EndPage(), 0);
    }
    ASSERT_EQ(harness_.EndDocument(), 0);
  }

  // The PostScript of the last job, without the PJL envelope.
  std::string PostScript() const {
    const std::string text = harness_.LastJob().Text();
    const std::size_t start = text.find("%!PS-Adobe");
    const std::size_t end = text.find("%%EOF\r\n");
    if (start == std::string::npos || end == std::string::npos) {
      return {};
    }
    return text.substr(start, end + 7 - start);
  }

  // The drawing of the first page: after the page setup, before the page trailer (whose first
  // line scales by the resolution / 72).
  std::string FirstPageBody() const {
    const std::string text = PostScript();
    const std::size_t start = text.find("%%EndPageSetup\r\n");
    const float factor = static_cast<float>(dpi_) * 0.013888889f;
    const std::string trailer = EmitPS([&](GPSLibWriter& w) { return w.Scale(factor, -factor); });
    const std::size_t end = text.find(trailer + "0 -", start);
    if (start == std::string::npos || end == std::string::npos) {
      return {};
    }
    return text.substr(start + 16, end - start - 16);
  }

 private:
  JobHarness harness_;
  std::uint16_t dpi_;
};

// --- What is written -----------------------------------------------------------------------------

TEST(GPostScriptDrawingTest, FiguresWriteTheirPathsAndPaintOnlyAtTheTop) {
  const std::string rectangle =
      "0 0 moveto 10 0 lineto \r\n10 10 lineto \r\n0 10 lineto \r\nclosepath ";
  struct Case {
    const char* name;
    std::vector<GCommand*> commands;
    std::string body;
  };
  auto* path = new GPathGraphic(Bundle(new GNoPen, new GNoBrush), 0);
  path->Add(new GRectangleGraphic(GRect{0, 0, 10, 10}, nullptr, 0));
  auto* poly_line = new GPolyLineGraphic(
      GPointList::CopyOf(std::vector<GPoint>{{1, 2}, {3, 4}, {5, 6}}.data(), 3),
      Bundle(new GNoPen, new GNoBrush), 0);
  Case cases[] = {
      {"no pen and no brush: the path and closepath",
       {new GRectangleGraphic(GRect{0, 0, 10, 10}, Bundle(new GNoPen, new GNoBrush), 0)},
       "newpath " + rectangle + "closepath "},
      {"a rectangle inside a path: one newpath, one paint",
       {path},
       "newpath " + rectangle + "closepath "},
      {"a poly-line starts at its start point",
       {poly_line},
       "newpath 1 2 moveto 3 4 lineto \r\n5 6 lineto \r\nclosepath "},
      {"a cap of 3 and a raster operation write nothing",
       {new GRectangleGraphic(GRect{0, 0, 10, 10}, [] {
          GGraphicBundle* bundle = Bundle(new GNoPen, new GNoBrush);
          bundle->SetCap(new GCap(3));
          bundle->SetRasterOperation(new GRasterOperation(0xCC, 1));
          return bundle;
        }(), 0)},
       "newpath " + rectangle + "closepath "},
      {"a round rectangle with a corner of height 0 is a rectangle",
       {[] {
          auto* shape = new RenderShape(&GTypedHandlers::HandleRoundRectangle, {{0, 0}, {10, 10}},
                                        Bundle(new GNoPen, new GNoBrush));
          shape->SetCornerSize(GPoint{4, 0});
          return shape;
        }()},
       "newpath " + rectangle + "closepath "},
      {"an arc of width 0 is its bounding path",
       {ArcShape(&GTypedHandlers::HandleArc, GRect{5, 0, 5, 10}, {5, 0}, {5, 10}, 1,
                 Bundle(new GNoPen, new GNoBrush))},
       "newpath 5 0 moveto 5 0 lineto \r\n5 10 lineto \r\n5 10 lineto \r\nclosepath closepath "},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    Job job;
    job.Run({Page{nullptr, c.commands}});
    EXPECT_EQ(job.FirstPageBody(), c.body);
  }
}

TEST(GPostScriptDrawingTest, AnExcludingClipSurroundsItWithThePageAtTheJobsResolution) {
  struct Case {
    std::uint16_t dpi;
    bool a3;
    const char* page;
  };
  const Case cases[] = {
      {600, false, "0 0 moveto 5100 0 lineto \r\n5100 6600 lineto \r\n0 6600 lineto \r\n"},
      {300, false, "0 0 moveto 2550 0 lineto \r\n2550 3300 lineto \r\n0 3300 lineto \r\n"},
      // A3: 842 x 1191 points at 600 dpi, 842 x 1190 at 300 (the media's pixels rounded).
      {600, true, "0 0 moveto 7017 0 lineto \r\n7017 9925 lineto \r\n0 9925 lineto \r\n"},
      {300, true, "0 0 moveto 3508 0 lineto \r\n3508 4958 lineto \r\n0 4958 lineto \r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    Job job(c.dpi);
    job.Run({Page{c.a3 ? A3(c.dpi) : Letter(c.dpi),
                  {new GRectangleGraphic(
                      GRect{10, 10, 20, 20},
                      Bundle(new GNoPen, new GNoBrush,
                             new GClipToSingleRectangle(GRect{1, 2, 3, 4}, 1, 1, 0)),
                      0)}}});
    const std::string clip =
        "initclip newpath 1 2 moveto 3 2 lineto \r\n3 4 lineto \r\n1 4 lineto \r\nclosepath " +
        std::string(c.page) + "closepath eoclip newpath ";
    EXPECT_EQ(job.FirstPageBody().substr(0, clip.size()), clip);
  }
}

// --- Ghostscript runs ----------------------------------------------------------------------------

// Every figure, degenerate ones included, paths inside paths, line state and every clip.
std::vector<Page> FigurePages(std::uint16_t dpi) {
  auto pen = [] { return new GPen(4, Colour(0, 0, 0)); };
  auto brush = [] { return new GBrush(Colour(0, 128, 255)); };
  std::vector<GCommand*> figures;
  figures.push_back(new GRectangleGraphic(GRect{100, 100, 400, 300}, Bundle(pen(), brush()), 0));
  for (const GPoint corner : {GPoint{60, 40}, GPoint{40, 60}, GPoint{0, 30}, GPoint{900, 900}}) {
    auto* round = new RenderShape(&GTypedHandlers::HandleRoundRectangle, {{500, 100}, {800, 300}},
                                  Bundle(pen(), brush()));
    round->SetCornerSize(corner);
    figures.push_back(round);
  }
  figures.push_back(new GEllipseGraphic(GRect{100, 400, 400, 600}, Bundle(pen(), brush()), 0));
  figures.push_back(new GEllipseGraphic(GRect{450, 450, 450, 450}, Bundle(pen(), brush()), 0));
  figures.push_back(new GEllipseGraphic(GRect{450, 400, 450, 600}, Bundle(pen(), brush()), 0));
  for (const ShapeHandler handler :
       {&GTypedHandlers::HandleArc, &GTypedHandlers::HandleChord, &GTypedHandlers::HandlePie}) {
    for (const std::int32_t direction : {1, 2}) {
      figures.push_back(ArcShape(handler, GRect{500, 400, 800, 600}, {800, 500}, {650, 400},
                                 direction, Bundle(pen(), brush())));
    }
    figures.push_back(ArcShape(handler, GRect{500, 700, 500, 900}, {500, 700}, {500, 900}, 1,
                               Bundle(pen(), brush())));
    figures.push_back(ArcShape(handler, GRect{500, 700, 800, 700}, {650, 700}, {650, 700}, 1,
                               Bundle(pen(), brush())));
  }
  figures.push_back(new RenderShape(&GTypedHandlers::HandlePolygon,
                                    {{100, 700}, {300, 650}, {400, 900}, {150, 850}},
                                    Bundle(pen(), brush())));
  figures.push_back(new RenderShape(&GTypedHandlers::HandlePolygon, {}, Bundle(pen(), brush())));
  const std::vector<GPoint> line = {{100, 1000}, {300, 1100}, {500, 1000}, {700, 1100}};
  figures.push_back(new GPolyLineGraphic(GPointList::CopyOf(line.data(), 4),
                                         Bundle(pen(), new GNoBrush), 0));
  figures.push_back(new GPolyLineToGraphic(GPointList::CopyOf(line.data(), 4),
                                           Bundle(pen(), new GNoBrush), 0));
  figures.push_back(new GPolyBezierGraphic(GPointList::CopyOf(line.data(), 4),
                                           Bundle(pen(), new GNoBrush), 0));
  figures.push_back(new GPolyBezierToGraphic(GPointList::CopyOf(line.data(), 3),
                                             Bundle(pen(), new GNoBrush), 0));
  figures.push_back(new GPolyBezierGraphic(GPointList::CopyOf(line.data(), 1),
                                           Bundle(pen(), new GNoBrush), 0));
  // A closed path holding a rectangle, an ellipse and a nested open path of two poly-lines.
  auto* outer = new GPathGraphic(Bundle(pen(), brush()), 0);
  outer->SetClosed(1);
  outer->Add(new GRectangleGraphic(GRect{100, 1200, 300, 1400}, nullptr, 0));
  outer->Add(new GEllipseGraphic(GRect{150, 1250, 250, 1350}, nullptr, 0));
  auto* inner = new GPathGraphic(0);
  inner->Add(new GPolyLineGraphic(GPointList::CopyOf(line.data(), 3), nullptr, 0));
  inner->Add(new GPolyLineToGraphic(GPointList::CopyOf(line.data() + 1, 3), nullptr, 0));
  outer->Add(inner);
  figures.push_back(outer);
  // Line state: caps, joints, a miter limit, fill modes, a dashed pen, raster operations.
  for (std::int32_t value = 0; value < 4; ++value) {
    GGraphicBundle* bundle = Bundle(pen(), brush());
    bundle->SetCap(new GCap(value));
    bundle->SetJoint(new GJoint(value));
    bundle->SetFillMode(new GFillMode(value % 2));
    bundle->SetRasterOperation(new GRasterOperation(0xCC, value % 2));
    figures.push_back(new GRectangleGraphic(GRect{400, 1200, 600, 1400}, bundle, 0));
  }
  GGraphicBundle* mitred = Bundle(
      new GDashedPen(std::unique_ptr<std::uint16_t[]>(new std::uint16_t[2]{20, 10}), 2, 6,
                     Colour(255, 0, 0), 5),
      brush());
  mitred->SetJoint(new GMiterJoint(0.5f));
  figures.push_back(new GRectangleGraphic(GRect{700, 1200, 900, 1400}, mitred, 0));

  // Every clip, each followed by a figure that it clips.
  std::vector<GCommand*> clips;
  auto clipped = [&](GClipAttribute* clip) {
    clips.push_back(new GRectangleGraphic(GRect{0, 0, 1000, 1000}, Bundle(pen(), brush(), clip), 0));
  };
  clipped(new GClipToPage);
  for (const std::int32_t region : {0, 1, 2}) {
    for (const std::int32_t rule : {0, 1}) {
      auto* clip_path = new GPathGraphic(0);
      clip_path->SetClosed(1);
      clip_path->Add(new GEllipseGraphic(GRect{100, 100, 600, 500}, nullptr, 0));
      clipped(new GClipToPath(clip_path, region, rule, 0));
      GRectOrderedVector two;
      two.insert(GRect{100, 100, 300, 300});
      two.insert(GRect{200, 200, 500, 400});
      clipped(new GClipToRectangle(two, region, rule, 0));
      clipped(new GClipToRectangle(GRectOrderedVector(), region, rule, 0));
      clipped(new GClipToSingleRectangle(GRect{300, 300, 700, 700}, region, rule, 0));
    }
  }
  clipped(new GClipToPath(nullptr, 0, 1, 0));
  return {Page{Letter(dpi), figures}, Page{A3(dpi), clips}};
}

TEST(GPostScriptDrawingTest, FiguresPathsAndClipsRunInGhostscript) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  for (const std::uint16_t dpi : {300, 600}) {
    SCOPED_TRACE(dpi);
    Job job(dpi);
    job.Run(FigurePages(dpi));
    const GsRun run = RunGhostscript(job.PostScript());
    EXPECT_TRUE(run.Succeeded()) << run.output;
  }
}

// Images at 1, 4, 8 and 24 bits, with and without palettes; pattern pens and brushes; scan-line
// rasters.
std::vector<GCommand*> RasterCommands() {
  std::vector<GCommand*> commands;
  const std::vector<GRGBColor> two = {GRGBColor(255, 0, 0, 255), GRGBColor(0, 0, 255, 255)};
  const std::vector<GRGBColor> three = {GRGBColor(255, 0, 0, 255), GRGBColor(0, 255, 0, 255),
                                        GRGBColor(0, 0, 255, 255)};
  std::vector<std::uint8_t> rgb;
  for (int i = 0; i < 5 * 3 * 3; ++i) {
    rgb.push_back(static_cast<std::uint8_t>(i * 17));
  }
  const GBitmap images[] = {
      MakeBitmap(1, 5, 3, {0xA8, 0x50, 0xF8}, two),
      MakeBitmap(1, 5, 3, {0xA8, 0x50, 0xF8}, {}),
      MakeBitmap(4, 5, 3, {0x01, 0x20, 0x10, 0x12, 0x00, 0x10, 0x22, 0x11, 0x00}, three),
      MakeBitmap(4, 5, 3, {0x01, 0x23, 0x40, 0x56, 0x78, 0x90, 0xAB, 0xCD, 0xE0}, {}),
      MakeBitmap(8, 5, 3, {0, 1, 2, 1, 0, 2, 2, 2, 1, 1, 0, 0, 0, 0, 2}, three),
      MakeBitmap(8, 5, 3, {0, 64, 128, 192, 255, 1, 2, 3, 4, 5, 9, 8, 7, 6, 5}, {}),
      MakeBitmap(24, 5, 3, rgb, {}),
  };
  std::int16_t x = 100;
  for (const GBitmap& image : images) {
    commands.push_back(new GRasterGraphic(image, Filled(0, 0, 0), GRect{0, 0, 5, 3},
                                          GRect{x, 100, static_cast<std::int16_t>(x + 100), 160},
                                          GBitmap()));
    // Part of the image, and an image partly off the printable area.
    commands.push_back(new GRasterGraphic(image, Filled(0, 0, 0), GRect{1, 1, 4, 3},
                                          GRect{x, 200, static_cast<std::int16_t>(x + 60), 240},
                                          GBitmap()));
    commands.push_back(new GRasterGraphic(image, Filled(0, 0, 0), GRect{0, 0, 5, 3},
                                          GRect{static_cast<std::int16_t>(x - 150), -50, x, 40},
                                          GBitmap()));
    x = static_cast<std::int16_t>(x + 150);
  }
  // Pattern brushes and pens, of each depth.
  std::int16_t y = 400;
  for (const GBitmap& image : images) {
    commands.push_back(new GRectangleGraphic(
        GRect{100, y, 500, static_cast<std::int16_t>(y + 80)},
        Bundle(new GPen(12, new GRasterPaint(Checker())), new GBrush(new GRasterPaint(image))), 0));
    y = static_cast<std::int16_t>(y + 100);
  }
  commands.push_back(new GRectangleGraphic(GRect{600, 400, 700, 500},
                                           Bundle(new GNoPen, new GBrush(new GRasterPaint())), 0));
  // A scan-line raster of three lines.
  GGraphicBundle* fill = Filled(0, 160, 0);
  commands.push_back(new RenderShape(&GTypedHandlers::HandleRasterBegin, {}, fill));
  for (std::int16_t line = 0; line < 3; ++line) {
    commands.push_back(new RenderShape(
        &GTypedHandlers::HandleRasterRow,
        {{0, static_cast<std::int16_t>(1200 + line)}, {600, 650}, {700, 720}}, nullptr));
  }
  commands.push_back(new RenderShape(&GTypedHandlers::HandleRasterEnd, {}, nullptr));
  return commands;
}

TEST(GPostScriptDrawingTest, ImagesPatternsAndScanLinesRunInGhostscriptInColourAndGrey) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  for (const bool colour : {true, false}) {
    SCOPED_TRACE(colour ? "colour" : "grey");
    Job job(300, colour);
    job.Run({Page{nullptr, RasterCommands()}});
    const GsRun run = RunGhostscript(job.PostScript());
    EXPECT_TRUE(run.Succeeded()) << run.output;
  }
}

TEST(GPostScriptDrawingTest, TwoJobsWithAJobAbortBetweenThemRunInGhostscript) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  Job job;
  JobHarness& harness = job.Harness();
  ASSERT_EQ(harness.StartDocument(u"First"), 0);
  ASSERT_EQ(harness.StartPage(PageSettings{0, {}, {}, Letter(300)}), 0);
  ASSERT_EQ(harness.Send(new GEllipseGraphic(GRect{0, 0, 100, 50}, Filled(0, 0, 0), 0)), 0);
  ASSERT_EQ(harness.AbortJob(), 0);
  job.Run({Page{nullptr, {new GEllipseGraphic(GRect{0, 0, 100, 50}, Filled(0, 0, 0), 0)}}});
  const std::vector<JobOutput> jobs = harness.Jobs();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].Text().find("%!PS"), std::string::npos);
  const GsRun run = RunGhostscript(job.PostScript());
  EXPECT_TRUE(run.Succeeded()) << run.output;
}

// --- Rendered pages ------------------------------------------------------------------------------

// Renders the job's first page at 50 dpi (a job at 300 dpi: 6 job pixels per rendered pixel).
GsPage Render(const Job& job) {
  GsOptions options;
  options.device = "ppmraw";
  options.resolution = 50;
  const GsRun run = RunGhostscript(job.PostScript(), options);
  EXPECT_TRUE(run.Succeeded()) << run.output;
  return run.pages.empty() ? GsPage() : run.pages.front();
}

constexpr std::uint32_t kWhite = 0xFFFFFF;

TEST(GPostScriptDrawingTest, ARectangleLandsAtItsPositionInItsColour) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  Job job;
  job.Run({Page{nullptr,
                {new GRectangleGraphic(GRect{600, 600, 1200, 900}, Filled(255, 0, 0), 0)}}});
  const GsPage page = Render(job);
  ASSERT_EQ(page.width, 425);
  EXPECT_EQ(page.Pixel(150, 125), 0xFF0000u);
  EXPECT_EQ(page.Pixel(95, 125), kWhite);
  EXPECT_EQ(page.Pixel(150, 155), kWhite);
  EXPECT_EQ(page.Pixel(205, 125), kWhite);
}

TEST(GPostScriptDrawingTest, AnImageLandsInItsRowsAndWhatFollowsItInItsOwnPlace) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  Job job;
  // Rows of blue, green, red bytes: green everywhere.
  std::vector<std::uint8_t> pixels;
  for (int i = 0; i < 4; ++i) {
    pixels.insert(pixels.end(), {0, 255, 0});
  }
  job.Run({Page{nullptr,
                {new GRasterGraphic(MakeBitmap(24, 2, 2, pixels, {}), Filled(0, 0, 0),
                                    GRect{0, 0, 2, 2}, GRect{300, 600, 600, 900}, GBitmap()),
                 new GRectangleGraphic(GRect{900, 900, 1200, 1200}, Filled(0, 0, 255), 0)}}});
  const GsPage page = Render(job);
  ASSERT_GT(page.width, 0);
  EXPECT_EQ(page.Pixel(75, 125), 0x00FF00u);  // inside the destination
  EXPECT_EQ(page.Pixel(75, 95), kWhite);      // one destination height higher
  EXPECT_EQ(page.Pixel(175, 175), 0x0000FFu);
  EXPECT_EQ(page.Pixel(75, 175), kWhite);
}

TEST(GPostScriptDrawingTest, AOneBitCheckerPatternRendersBlackAndWhiteOnly) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  // Patterns scaled by the resolution: at 300 dpi each bit of the checker is 2 x 2 pixels, one
  // pixel of a rendering at 150 dpi.
  Job job;
  job.Harness().SetJobValue(vel::key::kScalePatterns, 1);
  job.Run({Page{nullptr,
                {new GRectangleGraphic(GRect{600, 600, 1200, 1200},
                                       Bundle(new GNoPen, new GBrush(new GRasterPaint(Checker()))),
                                       0)}}});
  GsOptions options;
  options.device = "ppmraw";
  options.resolution = 150;
  const GsRun run = RunGhostscript(job.PostScript(), options);
  ASSERT_TRUE(run.Succeeded()) << run.output;
  ASSERT_FALSE(run.pages.empty());
  const GsPage& page = run.pages.front();
  int black = 0;
  int white = 0;
  for (int y = 303; y < 597; ++y) {
    for (int x = 303; x < 597; ++x) {
      const std::uint32_t pixel = page.Pixel(x, y);
      ASSERT_TRUE(pixel == 0 || pixel == kWhite) << std::hex << pixel << " at " << x << "," << y;
      (pixel == 0 ? black : white) += 1;
    }
  }
  EXPECT_GT(black, 40000);
  EXPECT_GT(white, 40000);
}

TEST(GPostScriptDrawingTest, AnExcludingClipOnA3LeavesNothingPaintedInsideIt) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  Job job(600);
  const std::shared_ptr<const GMedia> a3 = A3(600);
  job.Run({Page{a3,
                {new GRectangleGraphic(
                    GRect{0, 0, 7016, 9921},
                    Bundle(new GNoPen, new GBrush(Colour(255, 0, 0)),
                           new GClipToSingleRectangle(GRect{1200, 1200, 2400, 2400}, 1, 1, 0)),
                    0)}}});
  const GsPage page = Render(job);
  ASSERT_GT(page.height, 800);
  EXPECT_EQ(page.Pixel(150, 150), kWhite);        // inside the clip
  EXPECT_EQ(page.Pixel(50, 50), 0xFF0000u);       // outside, near the top left
  EXPECT_EQ(page.Pixel(570, 800), 0xFF0000u);     // outside, beyond a Letter page
}

TEST(GPostScriptDrawingTest, APieRunsCounterClockwiseFromItsStartPoint) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  Job job;
  // The quarter from the right (start) up to the top (end), counter-clockwise on the page.
  job.Run({Page{nullptr,
                {ArcShape(&GTypedHandlers::HandlePie, GRect{600, 600, 1200, 1200}, {1200, 900},
                          {900, 600}, 1, Filled(255, 0, 0))}}});
  const GsPage page = Render(job);
  ASSERT_GT(page.width, 0);
  EXPECT_EQ(page.Pixel(170, 130), 0xFF0000u);  // upper right quarter
  EXPECT_EQ(page.Pixel(170, 170), kWhite);     // lower right
  EXPECT_EQ(page.Pixel(130, 130), kWhite);     // upper left
}

TEST(GPostScriptDrawingTest, APolyLinesFirstSegmentStartsAtItsStartPoint) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  Job job;
  const std::vector<GPoint> points = {{300, 300}, {900, 300}, {900, 900}};
  job.Run({Page{nullptr,
                {new GPolyLineGraphic(GPointList::CopyOf(points.data(), 3),
                                      Bundle(new GPen(30, Colour(0, 0, 0)), new GNoBrush), 0)}}});
  const GsPage page = Render(job);
  ASSERT_GT(page.width, 0);
  EXPECT_EQ(page.Pixel(100, 50), 0u);   // on the first segment
  EXPECT_EQ(page.Pixel(150, 100), 0u);  // on the second
  EXPECT_EQ(page.Pixel(100, 100), kWhite);
}

}  // namespace
}  // namespace vel::test
