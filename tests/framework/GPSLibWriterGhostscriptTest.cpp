// Documents written with the PostScript emitter alone, run through Ghostscript: every operator
// family interprets without an error, a filled rectangle lands at the device pixels where the page
// transform puts it, and every glyph name of the encoding vectors is one the resident fonts know.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/output/postscript/GPSLibWriter.h"
#include "tests/framework/PSTestSink.h"
#include "tests/support/Ghostscript.h"

namespace {

using vel::test::GsOptions;
using vel::test::GsRun;
using vel::test::PSTestSink;
using vel::test::RunGhostscript;

// Collects the statuses of a run of calls; the document tests want every one to be 0.
class Statuses {
 public:
  void operator+=(std::int32_t status) {
    if (status != GPSLibWriter::kOk) {
      ++failures_;
    }
  }
  int Failures() const { return failures_; }

 private:
  int failures_ = 0;
};

// A rectangle of device pixels as a closed path.
void Rectangle(GPSLibWriter& w,
               Statuses& s,
               std::int16_t left,
               std::int16_t top,
               std::int16_t right,
               std::int16_t bottom) {
  s += w.NewPath();
  s += w.MoveTo(left, top);
  s += w.LineTo(right, top);
  s += w.LineTo(right, bottom);
  s += w.LineTo(left, bottom);
  s += w.ClosePath();
}

void FillWithBrush(GPSLibWriter& w, Statuses& s) {
  s += w.GSave();
  s += w.UseBrush();
  s += w.Fill();
  s += w.GRestore();
}

// Page 1: paths, fills, strokes, dashes, arcs, curves, clips and two images. The red rectangle
// covers device pixels 600..1200 in both directions, one to two inches from the top left corner.
void DrawingPage(GPSLibWriter& w, Statuses& s) {
  s += w.PageSetup(612, 792, 0, "", 0, 255);
  // Before any brush or pen: the setup's defaults paint black.
  Rectangle(w, s, 3000, 300, 3100, 400);
  FillWithBrush(w, s);
  s += w.GSave();
  s += w.UsePen();
  s += w.Stroke();
  s += w.GRestore();

  s += w.BeginBrush();
  s += w.SetRGBColor(1.0f, 0.0f, 0.0f);
  s += w.EndDefinition();
  Rectangle(w, s, 600, 600, 1200, 1200);
  FillWithBrush(w, s);

  const std::uint16_t dash[] = {40, 20, 10, 20};
  const std::uint16_t no_dash[] = {0, 0};
  s += w.BeginPen();
  s += w.SetDash(dash, 4, 5);
  s += w.SetLineWidth(6.5f);
  s += w.SetRGBColor(0.0f, 0.0f, 1.0f);
  s += w.EndDefinition();
  s += w.SetLineCap(1);
  s += w.SetLineJoin(2);
  s += w.SetMiterLimit(0.5f);
  s += w.NewPath();
  s += w.MoveTo(1500, 600);
  s += w.LineTo(2500, 700);
  s += w.CurveTo(2600, 800, 2400, 900, 2500, 1000);
  s += w.ArcTo(2000, 1000, 2000, 1200, 50.0f);
  s += w.GSave();
  s += w.UsePen();
  s += w.Stroke();
  s += w.GRestore();
  s += w.SetDash(no_dash, 2, 0);
  s += w.SetSolidLine();
  s += w.NewPath();
  s += w.Arc(4000, 1000, 300.0f, 0.0f, 360.0f);
  s += w.ArcN(4000, 1000, 150.0f, 360.0f, 0.0f);
  s += w.EOFill();

  // A clipped region, then back to the whole page.
  s += w.GSave();
  Rectangle(w, s, 2000, 1500, 2600, 2100);
  s += w.EOClip();
  Rectangle(w, s, 1900, 1400, 2700, 2200);
  s += w.Fill();
  s += w.GRestore();
  s += w.InitClip();
  Rectangle(w, s, 0, 0, 5100, 6600);
  s += w.Clip();

  // A 1-bit indexed image: an 8 x 8 checker over a black and white palette.
  const std::uint8_t palette[] = {0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF};
  const std::uint8_t checker[] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
  s += w.GSave();
  s += w.Translate(600, 3400);
  s += w.Scale(800, -800);
  s += w.SetColorSpace(1, 1, palette);
  s += w.BeginImage(8, 8, 1, 1, 1);
  s += w.WriteHex(checker, sizeof checker);
  s += w.EndImageData();
  s += w.GRestore();

  // An 8-bit RGB image of 40 x 30 samples.
  std::vector<std::uint8_t> rgb(40 * 30 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) {
    rgb[i] = static_cast<std::uint8_t>(i * 7);
  }
  s += w.GSave();
  s += w.Translate(2000, 4000);
  s += w.Scale(1200, -900);
  s += w.SetColorSpace(1, 8, nullptr);
  s += w.BeginImage(40, 30, 1, 8, 0);
  s += w.WriteHex(rgb.data(), static_cast<std::uint32_t>(rgb.size()));
  s += w.EndImageData();
  s += w.GRestore();
  s += w.PageTrailer();
}

// Page 2: a pattern fill and text in every vector, with characters that need escaping.
void PatternAndTextPage(GPSLibWriter& w, Statuses& s) {
  s += w.PageSetup(612, 792, 0, "Plain (recycled)\\", 1, 2);
  std::vector<std::uint8_t> tile(8 * 8 * 3);
  for (std::size_t i = 0; i < tile.size(); ++i) {
    tile[i] = static_cast<std::uint8_t>((i / 3 + i / 24) % 2 == 0 ? 0x20 : 0xE0);
  }
  s += w.GSave();
  s += w.BeginPattern(8, 8, 8);
  s += w.WriteHex(tile.data(), static_cast<std::uint32_t>(tile.size()));
  s += w.EndPattern(1, 1);
  s += w.GRestore();
  s += w.BeginBrush();
  s += w.SetPattern(1);
  s += w.EndDefinition();
  Rectangle(w, s, 300, 300, 2000, 1000);
  FillWithBrush(w, s);

  s += w.BeginBrush();
  s += w.SetRGBColor(0.0f, 0.5f, 0.0f);
  s += w.EndDefinition();
  const char text[] = "A)B\\(\0x\x01\xe9\xa3";
  const auto length = static_cast<std::uint32_t>(sizeof text - 1);
  const std::int16_t advances[] = {40, 40, 40, 40, 40, 40, 40, 40, 40, 40};
  const std::int16_t symbol_sets[] = {293, 180, 620, 621, 629, 295, 296, 310, 0};
  std::int16_t y = 1500;
  for (std::int16_t set : symbol_sets) {
    s += w.DefineEncoding(set);
    s += w.SelectFont(set == 621 ? "Symbol" : "Times-Roman", 60.0f, 0.0f, 0.0f, 1.0f, 1.0f,
                      set == 180 ? 20.0f : 0.0f, set);
    s += w.MoveTo(300, y);
    s += w.GSave();
    s += w.UseBrush();
    s += w.XShow(text, length, advances, 10);
    s += w.GRestore();
    s += w.MoveTo(1500, y);
    s += w.YShow(text, length, advances, 10);
    s += w.MoveTo(2500, y);
    s += w.XYShow(text, length, advances, 10, advances, 3);
    y = static_cast<std::int16_t>(y + 150);
  }
  // A font of size 0 and a show with fewer advances than characters.
  s += w.SelectFont("Helvetica", 0.0f, 0.2f, 0.0f, 0.0f, 0.0f, -0.0f, 629);
  s += w.MoveTo(300, y);
  s += w.XShow("abc", 3, advances, 1);
  s += w.PageTrailer();
}

std::string TwoPageDocument() {
  PSTestSink sink;
  GPSLibWriter w(&sink);
  Statuses s;
  s += w.DocumentSetup(600, 600, 0, 1, 1, 3, 0, 4);
  DrawingPage(w, s);
  PatternAndTextPage(w, s);
  s += w.DocumentTrailer();
  s += w.Flush();
  EXPECT_EQ(0, s.Failures());
  return sink.text;
}

TEST(GPSLibWriterGhostscriptTest, ATwoPageDocumentRunsWithoutError) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  const GsRun run = RunGhostscript(TwoPageDocument());
  EXPECT_TRUE(run.Succeeded()) << run.output;
}

TEST(GPSLibWriterGhostscriptTest, AFilledRectangleLandsAtItsDevicePixels) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  GsOptions options;
  options.device = "ppmraw";
  options.resolution = 72;  // 600 device pixels = 72 rendered pixels
  const GsRun run = RunGhostscript(TwoPageDocument(), options);
  ASSERT_TRUE(run.Succeeded()) << run.output;
  ASSERT_EQ(2u, run.pages.size());
  const vel::test::GsPage& page = run.pages[0];
  ASSERT_EQ(612, page.width);
  ASSERT_EQ(792, page.height);
  // Device pixels 600..1200 are rendered pixels 72..144, counted from the top left.
  EXPECT_EQ(0xFF0000u, page.Pixel(73, 73));
  EXPECT_EQ(0xFF0000u, page.Pixel(108, 108));
  EXPECT_EQ(0xFF0000u, page.Pixel(142, 142));
  EXPECT_EQ(0xFFFFFFu, page.Pixel(70, 108));   // left of it
  EXPECT_EQ(0xFFFFFFu, page.Pixel(146, 108));  // right of it
  EXPECT_EQ(0xFFFFFFu, page.Pixel(108, 70));   // above it
  EXPECT_EQ(0xFFFFFFu, page.Pixel(108, 146));  // below it
  // The black square painted before any brush, at device 3000..3100 x 300..400.
  EXPECT_EQ(0x000000u, page.Pixel(372, 42));
}

// For each vector, prints "MISSING /name in Font" for a name other than /.notdef that the font's
// CharStrings lack, and "checked" at the end.
std::string NameCheck() {
  PSTestSink sink;
  GPSLibWriter w(&sink);
  Statuses s;
  s += w.WriteString(
      "%!PS\r\n"
      "/check { % vector fontname\r\n"
      "  dup findfont /CharStrings get exch 3 -1 roll {\r\n"
      "    dup type /nametype eq {\r\n"
      "      dup /.notdef ne {\r\n"
      "        2 index exch 2 copy known { pop pop } {\r\n"
      "          (MISSING /) print exch pop =only ( in ) print dup = } ifelse\r\n"
      "      } { pop } ifelse\r\n"
      "    } { pop } ifelse\r\n"
      "  } forall pop pop\r\n"
      "} def\r\n");
  for (std::int16_t set : {293, 180, 620, 629}) {
    s += w.DefineEncoding(set);
    for (const char* font : {"Times-Roman", "Helvetica"}) {
      s += w.WriteString("SymbolEcoding");
      s += w.WriteShort(set);
      s += w.WriteString("/");
      s += w.WriteString(font);
      s += w.WriteString(" check\r\n");
    }
  }
  s += w.DefineEncoding(621);
  s += w.WriteString("SymbolEcoding621 /Symbol check\r\n(checked) =\r\n");
  s += w.Flush();
  EXPECT_EQ(0, s.Failures());
  return sink.text;
}

TEST(GPSLibWriterGhostscriptTest, EveryVectorNameIsAGlyphOfTheResidentFonts) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  const GsRun run = RunGhostscript(NameCheck());
  ASSERT_TRUE(run.Succeeded()) << run.output;
  EXPECT_EQ(std::string::npos, run.output.find("MISSING")) << run.output;
  EXPECT_NE(std::string::npos, run.output.find("checked")) << run.output;
}

}  // namespace
