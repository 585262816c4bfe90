// The job-file reader: canonical form, the errors of bad input with their positions, and unit
// conversion.
#include "tools/velprint/JobFile.h"

#include <gtest/gtest.h>

#include "tests/velprint/SampleJobs.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace vel::velprint {
namespace {

TEST(JobFileTest, TheCanonicalFormOfEachSampleParsesToTheSameJob) {
  ASSERT_FALSE(SampleJobs().empty());
  for (const auto& sample : SampleJobs()) {
    std::string error;
    auto job = ParseJob(ReadText(sample), sample.string(), &error);
    ASSERT_TRUE(job) << error;
    std::string canonical = CanonicalText(*job);
    auto again = ParseJob(canonical, "canonical", &error);
    ASSERT_TRUE(again) << sample << ": " << error << "\n" << canonical;
    EXPECT_EQ(CanonicalText(*again), canonical) << sample;
    EXPECT_EQ(again->statements.size(), job->statements.size()) << sample;
  }
}

TEST(JobFileTest, CanonicalFormSpellsValuesOneWay) {
  std::string error;
  auto job = ParseJob(
      "vjob 1\nprinter \"A\\x22b\\u00e9\"   # comment\ndc copies=0x2 dpi=600\n"
      "brush solid #ff0000\npath p : M 1in 0 L 2 3 4 5 C 1 2 3 4 5.5 6 Z\n",
      "job.vjob", &error);
  ASSERT_TRUE(job) << error;
  EXPECT_EQ(CanonicalText(*job),
            "vjob 1\nprinter \"A\\\"b\xC3\xA9\"\ndc copies=2 dpi=600\nbrush solid #FF0000\n"
            "path p : M 1in 0 L 2 3 4 5 C 1 2 3 4 5.5 6 Z\n");
  ASSERT_EQ(job->statements[3].Path().size(), 4u);
  EXPECT_EQ(job->statements[3].Path()[1].coordinates.size(), 4u) << "two points after one L";
  EXPECT_EQ(job->statements[2].operands[1].color, 0x0000FFu) << "stored as 0x00BBGGRR";
}

TEST(JobFileTest, ListOptionsAndResolutionsAreSpeltOneWay) {
  std::string error;
  auto job = ParseJob(
      "vjob 1\ndc dpi=0600x0x12C\nbitmap b format=8 size=0x10,04 palette=#ff0000,#00ff00 "
      "fill=noise\npen style=0.5in,10 color=#000000\n",
      "job.vjob", &error);
  ASSERT_TRUE(job) << error;
  EXPECT_EQ(CanonicalText(*job),
            "vjob 1\ndc dpi=600x300\nbitmap b fill=noise format=8 palette=#FF0000,#00FF00 "
            "size=16,4\npen color=#000000 style=0.5in,10\n");
  EXPECT_EQ(job->statements[0].Option("dpi")->Numbers(), (std::vector<std::int64_t>{600, 300}))
      << "a leading zero is decimal, not octal";
  EXPECT_EQ(job->statements[1].Option("palette")->Numbers(),
            (std::vector<std::int64_t>{0x0000FF, 0x00FF00}));
}

TEST(JobFileTest, BadInputNamesItsPositionAndNothingIsKept) {
  const std::string page = "vjob 1\ndc\ndoc\npage\n";
  struct Case {
    std::string text;
    std::string message;
  } cases[] = {
      {"", "job.vjob:1:1: the first line must be 'vjob 1'"},
      {"vjob 2\n", "job.vjob:1:6: unsupported job file version '2'"},
      {"vjob 1\nfrobnicate 1\n", "job.vjob:2:1: unknown statement 'frobnicate'"},
      {"vjob 1\norigin 1\n", "job.vjob:2:9: missing operand: X Y"},
      {"vjob 1\norigin 1 zz\n", "job.vjob:2:10: bad number 'zz'"},
      {"vjob 1\ndc copies=40000\n", "job.vjob:2:4: number out of range: 40000"},
      {"vjob 1\norigin 1 40000\n", "job.vjob:2:10: number out of range: 40000"},
      {"vjob 1\nprinter \"abc\n", "job.vjob:2:9: unterminated string"},
      {"vjob 1\nprinter \"a\\qb\"\n", "job.vjob:2:11: bad escape"},
      {"vjob 1\nprinter \"a\\x4\"\n", "job.vjob:2:11: bad escape"},
      {page + "stroke nothing\n", "job.vjob:5:8: unknown path 'nothing'"},
      {page + "stroke p\npath p : M 0 0 L 1 1\n", "job.vjob:5:8: unknown path 'p'"},
      {"vjob 1\nclip path q\n", "job.vjob:2:11: unknown path 'q'"},
      {"vjob 1\npage\n", "job.vjob:2:1: 'page' out of place"},
      {"vjob 1\ndc\nendpage\n", "job.vjob:3:1: 'endpage' out of place"},
      {page + "printer \"x\"\n", "job.vjob:5:1: 'printer' out of place"},
      {"vjob 1\nexpect true\n", "job.vjob:2:1: 'expect' must follow a call"},
      {"vjob 1\nbrush solid 123456\n", "job.vjob:2:13: bad colour '123456'"},
      {"vjob 1\nbrush hatch zigzag #000000 #FFFFFF\n",
       "job.vjob:2:13: unknown hatch style 'zigzag'"},
      {"vjob 1\ndc orientation=sideways\n",
       "job.vjob:2:4: bad value 'sideways' of option 'orientation'"},
      {"vjob 1\ndc colour=1\n", "job.vjob:2:4: unknown option 'colour'"},
      {"vjob 1\ndc copies=1 copies=2\n", "job.vjob:2:13: option 'copies' given twice"},
      {"vjob 1\npath p : L 1 1\n", "job.vjob:2:10: a figure starts with M"},
      {"vjob 1\npath p : M 1 1 C 1 2 3 4\n", "job.vjob:2:25: missing operand: coordinates of C"},
      {"vjob 1\nclip rects 0 0 1 1, 2 2 3\n", "job.vjob:2:26: missing operand: L T R B"},
      {"vjob 1\nescape passthrough 1B4\n", "job.vjob:2:1: 'escape' out of place"},
      {"vjob 1\ndc\nescape passthrough 1B4\n", "job.vjob:3:20: bad hex bytes"},
      {"vjob 1\nfont f size=10\n", "job.vjob:2:15: a font takes file=FILE or raster"},
      {"vjob 1\ndc dpi=600x0\n", "job.vjob:2:4: number out of range: 0"},
      {"vjob 1\nprinter \"p\"\n" + std::string(70000, 'x') + "\n",
       "job.vjob:3:1: line longer than 64 KiB"},
      {"vjob 1\nfault write\n", "job.vjob:2:12: fault write takes short=N or fail"},
      {"vjob 1\nbitmap b format=24 size=2,2 data=00\n",
       "job.vjob:2:29: size mismatch: data= has 1 bytes, the bitmap takes 16"},
      {"vjob 1\nbitmap b format=8 size=32767,32767 fill=noise\n",
       "job.vjob:2:19: bitmap larger than 256 MiB"},
      {"vjob 1\nbitmap b format=8 size=0,4 fill=noise\n", "job.vjob:2:19: number out of range: 0"},
      {"vjob 1\nbitmap b format=8 size=4 fill=noise\n",
       "job.vjob:2:19: option 'size' takes 2 numbers separated by commas"},
      {"vjob 1\nbitmap b format=12 size=4,4 fill=noise\n",
       "job.vjob:2:10: bad value '12' of option 'format'"},
      {"vjob 1\nbitmap b format=8 size=4,4\n",
       "job.vjob:2:27: a bitmap takes one of data=, file= or fill="},
      {"vjob 1\nbitmap b format=1 size=4,4 palette=#000000,#FFFFFF,#FF0000 fill=noise\n",
       "job.vjob:2:28: a palette of 3 colours for 1-bit pixels"},
      {"vjob 1\nbitmap b format=24 size=4,4 palette=#000000 fill=noise\n",
       "job.vjob:2:29: a palette goes with a format of 1, 4 or 8 bits"},
      {"vjob 1\nbitmap b format=8 size=4,4 file=a.ppm seed=3\n",
       "job.vjob:2:39: seed= goes with fill="},
      {page + "copybits nope 0 0 1 1\n", "job.vjob:5:10: unknown bitmap 'nope'"},
      {page + "bitblt 0 0 1 1 src=nope\n", "job.vjob:5:16: unknown bitmap 'nope'"},
      {page + "bitblt 0 0 1 1 from=1,1\n", "job.vjob:5:16: from= goes with src="},
      {page + "bitblt 0 0 1 1 mask\n", "job.vjob:5:16: mask goes with src="},
      {"vjob 1\nbitmap b format=1 size=1,1 data=00000000\n" + page.substr(7) +
           "stretchblt b 0 0 1 1 from=0,0\n",
       "job.vjob:6:22: option 'from' takes 4 numbers separated by commas"},
      {"vjob 1\nengine time=2023-02-29T00:00:00.000\n",
       "job.vjob:2:8: time out of range: 2023-02-29T00:00:00.000"},
      {"vjob 1\nengine time=2023-02-01\n",
       "job.vjob:2:8: bad time '2023-02-01' (YYYY-MM-DDTHH:MM:SS.mmm)"},
      {page + "text f 0 0 \"x\"\n", "job.vjob:5:6: unknown font 'f'"},
      {"vjob 1\nfont f raster size=9\n" + page.substr(7) + "text f 0 0 \"x\" extra=0,0,1,1;2\n",
       "job.vjob:6:16: option 'extra' takes 4 lengths separated by commas"},
      {"vjob 1\npen style=1,-2 color=#000000\n", "job.vjob:2:5: a style takes lengths of 0 or more"},
      {"vjob 1\ndc\nescape 8 value=1\n", "job.vjob:3:10: option 'value' goes with escape rop"},
      {"vjob 1\ndc\nescape rop\n", "job.vjob:3:11: missing operand: value=N"},
      // Found by fuzzing: an empty hex option printed as a bare flag in the canonical form.
      {"vjob 1\ndc\nescape 8 in=\n", "job.vjob:3:10: option 'in' takes hex bytes"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseJob(c.text, "job.vjob", &error)) << c.text.substr(0, 80);
    EXPECT_EQ(error, c.message) << c.text.substr(0, 80);
  }
}

TEST(JobFileTest, UnitsConvertAtTheResolution) {
  struct Case {
    Length length;
    std::uint32_t dpi;
    std::int32_t pixels;
  } cases[] = {
      {{1, Unit::kInch}, 600, 600},    {{1, Unit::kInch}, 300, 300},
      {{25.4, Unit::kMm}, 600, 600},   {{10, Unit::kMm}, 300, 118},
      {{72, Unit::kPoint}, 600, 600},  {{12, Unit::kPoint}, 300, 50},
      {{-0.5, Unit::kInch}, 300, -150}, {{28.4, Unit::kPixels}, 600, 28},
      {{0.5, Unit::kPixels}, 600, 1},  {{-2.5, Unit::kPixels}, 600, -3},
      {{1, Unit::kMm}, 600, 24},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToPixels(c.length, c.dpi), c.pixels) << c.length.value << " at " << c.dpi;
  }
  // Within the limit as written, out of it once converted.
  EXPECT_EQ(ToPixels({60, Unit::kInch}, 600), std::nullopt);
  EXPECT_EQ(ToPixels({54, Unit::kInch}, 600), 32400);
}

}  // namespace
}  // namespace vel::velprint
