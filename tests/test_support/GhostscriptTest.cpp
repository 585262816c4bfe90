// The Ghostscript runner: a good page passes, a broken one fails, and a filled square renders
// where PostScript puts it.
#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/Ghostscript.h"

namespace vel::test {
namespace {

TEST(GhostscriptTest, OnePageOfTextPasses) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  const GsRun run =
      RunGhostscript(std::string("%!PS-Adobe-3.0\n"
                                 "/Helvetica findfont 12 scalefont setfont\n"
                                 "72 720 moveto (Hello from the test) show\n"
                                 "showpage\n"));
  EXPECT_TRUE(run.Succeeded()) << run.output;
  EXPECT_EQ(run.exit_code, 0);
}

TEST(GhostscriptTest, BrokenPostScriptFails) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  const GsRun run = RunGhostscript(std::string("%!PS\n72 72 moveto nosuchoperator showpage\n"));
  EXPECT_FALSE(run.Succeeded());
  EXPECT_NE(run.output.find("Error:"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("nosuchoperator"), std::string::npos) << run.output;
}

TEST(GhostscriptTest, FilledSquareRendersAtItsPixels) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  // A 200 x 100 point page at 72 dpi: one pixel per point, y grows upwards in PostScript and
  // downwards in the picture. The square covers x 20..60 and y 10..50 in points, so picture rows
  // 100 - 50 = 50 to 100 - 10 = 90.
  GsOptions options;
  options.device = "ppmraw";
  options.resolution = 72;
  const GsRun run = RunGhostscript(std::string("%!PS\n"
                                               "<< /PageSize [200 100] >> setpagedevice\n"
                                               "1 0 0 setrgbcolor 20 10 40 40 rectfill\n"
                                               "showpage\n"),
                                   options);
  ASSERT_TRUE(run.Succeeded()) << run.output;
  ASSERT_EQ(run.pages.size(), 1u);
  const GsPage& page = run.pages[0];
  ASSERT_EQ(page.width, 200);
  ASSERT_EQ(page.height, 100);
  EXPECT_EQ(page.Pixel(21, 51), 0xFF0000u);
  EXPECT_EQ(page.Pixel(40, 70), 0xFF0000u);
  EXPECT_EQ(page.Pixel(58, 88), 0xFF0000u);
  EXPECT_EQ(page.Pixel(18, 70), 0xFFFFFFu);  // left of it
  EXPECT_EQ(page.Pixel(62, 70), 0xFFFFFFu);  // right of it
  EXPECT_EQ(page.Pixel(40, 48), 0xFFFFFFu);  // above it
  EXPECT_EQ(page.Pixel(40, 92), 0xFFFFFFu);  // below it
}

TEST(GhostscriptTest, EveryPageComesBackAndPngFilesAreKept) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  const std::string two_pages =
      "%!PS\n<< /PageSize [20 20] >> setpagedevice showpage 0 setgray 0 0 20 20 rectfill "
      "showpage\n";
  GsOptions ppm;
  ppm.device = "ppmraw";
  const GsRun rendered = RunGhostscript(two_pages, ppm);
  ASSERT_TRUE(rendered.Succeeded()) << rendered.output;
  ASSERT_EQ(rendered.pages.size(), 2u);
  EXPECT_EQ(rendered.pages[0].Pixel(10, 10), 0xFFFFFFu);
  EXPECT_EQ(rendered.pages[1].Pixel(10, 10), 0x000000u);

  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vel-gs-png-" + std::to_string(::getpid()));
  GsOptions png;
  png.device = "png16m";
  png.output_dir = folder;
  const GsRun pictures = RunGhostscript(two_pages, png);
  EXPECT_TRUE(pictures.Succeeded()) << pictures.output;
  ASSERT_EQ(pictures.page_files.size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(pictures.page_files[1]));
  std::filesystem::remove_all(folder);
}

TEST(GhostscriptTest, RunawayJobIsStoppedAtTheTimeLimit) {
  VEL_SKIP_WITHOUT_GHOSTSCRIPT();
  GsOptions options;
  options.time_limit = std::chrono::milliseconds(300);
  const GsRun run = RunGhostscript(std::string("%!PS\n{ } loop\n"), options);
  EXPECT_TRUE(run.timed_out);
  EXPECT_FALSE(run.Succeeded());
}

TEST(GhostscriptTest, PpmParserRefusesShortOrForeignData) {
  GsPage page;
  EXPECT_TRUE(ParsePpm(AsBytes("P6\n# comment\n1 1\n255\n\x01\x02\x03"), &page));
  EXPECT_EQ(page.Pixel(0, 0), 0x010203u);
  EXPECT_FALSE(ParsePpm(AsBytes("P6\n2 2\n255\n\x01\x02\x03"), &page));  // too few pixels
  EXPECT_FALSE(ParsePpm(AsBytes("P5\n1 1\n255\n\x01"), &page));          // grey map
  EXPECT_FALSE(ParsePpm(AsBytes("P6\n1 1\n65535\n\x01\x02\x03"), &page));
}

}  // namespace
}  // namespace vel::test
