// The job-file reader: canonical form, the errors of bad input with their positions, and unit
// conversion.
#include "tools/velprint/JobFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace vel::velprint {
namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::filesystem::path> Samples() {
  std::vector<std::filesystem::path> samples;
  for (const auto& entry : std::filesystem::directory_iterator(VEL_SAMPLES_DIR)) {
    if (entry.path().extension() == ".vjob") {
      samples.push_back(entry.path());
    }
  }
  std::sort(samples.begin(), samples.end());
  return samples;
}

TEST(JobFileTest, TheCanonicalFormOfEachSampleParsesToTheSameJob) {
  ASSERT_FALSE(Samples().empty());
  for (const auto& sample : Samples()) {
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
  ASSERT_EQ(job->statements[3].path.size(), 4u);
  EXPECT_EQ(job->statements[3].path[1].coordinates.size(), 4u) << "two points after one L";
  EXPECT_EQ(job->statements[2].operands[1].color, 0x0000FFu) << "stored as 0x00BBGGRR";
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
