// The run builder of the PCL XL back end: which points travel as bytes and which as 16-bit values,
// where runs are cut, and that the points decode back to the absolute points given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/output/XLPointRuns.h"
#include "tests/pclxl/XLTestStream.h"
#include "tests/support/PclXlDecoder.h"

namespace vel::test {
namespace {

struct PointRun {
  int type;   // PointType: 1 bytes, 3 16-bit
  int count;  // NumberOfPoints

  friend bool operator==(const PointRun&, const PointRun&) = default;
};

std::ostream& operator<<(std::ostream& out, const PointRun& run) {
  return out << (run.type == 1 ? "bytes" : "int16") << " x" << run.count;
}

// The points of `steps`, each relative to the one before, from `start`.
std::vector<GPoint> Walk(GPoint start, const std::vector<GPoint>& steps) {
  std::vector<GPoint> points;
  for (const GPoint& step : steps) {
    start = {static_cast<std::int16_t>(start.x + step.x),
             static_cast<std::int16_t>(start.y + step.y)};
    points.push_back(start);
  }
  return points;
}

// A step that fits a byte and one that does not.
constexpr GPoint kNear{10, 10};
constexpr GPoint kFar{200, 0};

std::vector<GPoint> Steps(std::initializer_list<std::pair<GPoint, int>> groups) {
  std::vector<GPoint> steps;
  for (const auto& [step, n] : groups) {
    steps.insert(steps.end(), static_cast<std::size_t>(n), step);
  }
  return steps;
}

struct RunCase {
  const char* name;
  XLRunUnit unit;
  std::vector<GPoint> steps;  // relative to the point before (lines) or absolute offsets below
  std::vector<PointRun> runs;
};

// Bezier steps are given per segment as three points relative to the segment's start, so a
// segment of kNear control points and end point fits.
std::vector<GPoint> Segments(std::initializer_list<std::pair<GPoint, int>> groups) {
  std::vector<GPoint> steps;
  for (const auto& [step, n] : groups) {
    for (int i = 0; i < n; ++i) {
      steps.push_back(step);
      steps.push_back({0, 0});
      steps.push_back({0, 0});
    }
  }
  return steps;
}

const std::vector<RunCase>& RunCases() {
  static const std::vector<RunCase> cases = {
      {"seven points 10 apart from the position: one byte run",
       XLRunUnit::kLinePoint,
       Steps({{{0, 0}, 1}, {kNear, 6}}),
       {{1, 7}}},
      {"a step of 128 does not fit", XLRunUnit::kLinePoint, Steps({{{128, 0}, 1}}), {{3, 1}}},
      {"-127 fits, -128 does not: six and one",
       XLRunUnit::kLinePoint,
       Steps({{{-127, 127}, 6}, {{-128, 0}, 1}}),
       {{1, 6}, {3, 1}}},
      {"five fitting points between far ones stay 16-bit",
       XLRunUnit::kLinePoint,
       Steps({{kFar, 1}, {kNear, 5}, {kFar, 1}}),
       {{3, 7}}},
      {"six fitting points between far ones become bytes",
       XLRunUnit::kLinePoint,
       Steps({{kFar, 1}, {kNear, 6}, {kFar, 1}}),
       {{3, 1}, {1, 6}, {3, 1}}},
      {"one fitting point alone is 16-bit", XLRunUnit::kLinePoint, Steps({{kNear, 1}}), {{3, 1}}},
      {"two fitting points alone are bytes", XLRunUnit::kLinePoint, Steps({{kNear, 2}}), {{1, 2}}},
      {"five fitting points alone are bytes", XLRunUnit::kLinePoint, Steps({{kNear, 5}}), {{1, 5}}},
      {"one to five fitting points after far ones stay 16-bit",
       XLRunUnit::kLinePoint,
       Steps({{kFar, 2}, {kNear, 5}}),
       {{3, 7}}},
      {"a byte run, a far point, then bytes again",
       XLRunUnit::kLinePoint,
       Steps({{kNear, 6}, {kFar, 1}, {kNear, 6}}),
       {{1, 6}, {3, 1}, {1, 6}}},
      {"one fitting segment is 16-bit",
       XLRunUnit::kBezierSegment,
       Segments({{kNear, 1}}),
       {{3, 3}}},
      {"two fitting segments are bytes",
       XLRunUnit::kBezierSegment,
       Segments({{kNear, 2}}),
       {{1, 6}}},
      {"a segment with one far point does not fit",
       XLRunUnit::kBezierSegment,
       Segments({{kNear, 2}, {kFar, 1}, {kNear, 1}}),
       {{1, 6}, {3, 6}}},
      {"trailing points after the last segment are not sent",
       XLRunUnit::kBezierSegment,
       [] {
         auto steps = Segments({{kFar, 1}});
         steps.push_back(kNear);
         steps.push_back(kNear);
         return steps;
       }(),
       {{3, 3}}},
  };
  return cases;
}

// The runs written and the absolute points they decode to.
struct Decoded {
  std::vector<PointRun> runs;
  std::vector<GPoint> points;
};

Decoded DecodeRuns(const Bytes& bytes, XLRunUnit unit, GPoint start) {
  Decoded decoded;
  const XlDecoded items = DecodePclXl(bytes);
  EXPECT_TRUE(items.error.empty()) << items.error;
  std::vector<double> values;
  GPoint base = start;
  for (const XlItem& item : items.items) {
    if (item.kind == XlItemKind::kValue) {
      values.insert(values.end(), item.values.begin(), item.values.end());
    } else if (item.kind == XlItemKind::kOperator) {
      EXPECT_EQ(item.code, unit == XLRunUnit::kLinePoint ? 0x9D : 0x95);
      EXPECT_EQ(values.size(), 2u);
      decoded.runs.push_back({static_cast<int>(values[1]), static_cast<int>(values[0])});
      values.clear();
    } else if (item.kind == XlItemKind::kData) {
      const PointRun& run = decoded.runs.back();
      const std::size_t size = run.type == 1 ? 2 : 4;
      EXPECT_EQ(item.data.size(), size * static_cast<std::size_t>(run.count));
      for (std::size_t at = 0; at + size <= item.data.size(); at += size) {
        const int dx = size == 2
                           ? static_cast<std::int8_t>(item.data[at])
                           : static_cast<std::int16_t>(item.data[at] | item.data[at + 1] << 8);
        const int dy = size == 2
                           ? static_cast<std::int8_t>(item.data[at + 1])
                           : static_cast<std::int16_t>(item.data[at + 2] | item.data[at + 3] << 8);
        const GPoint point{static_cast<std::int16_t>(base.x + dx),
                           static_cast<std::int16_t>(base.y + dy)};
        decoded.points.push_back(point);
        // Lines step from point to point, Bezier points from the end of the segment before.
        if (unit == XLRunUnit::kLinePoint || decoded.points.size() % 3 == 0) {
          base = point;
        }
      }
    }
  }
  return decoded;
}

class XLPointRunsTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(XLPointRunsTest, CutsRunsAndKeepsThePoints) {
  const RunCase& c = GetParam();
  const GPoint start{100, 200};
  std::vector<GPoint> points;
  if (c.unit == XLRunUnit::kLinePoint) {
    points = Walk(start, c.steps);
  } else {
    // Each segment's points are offsets from the end of the segment before.
    GPoint base = start;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      points.push_back({static_cast<std::int16_t>(base.x + c.steps[i].x),
                        static_cast<std::int16_t>(base.y + c.steps[i].y)});
      if (i % 3 == 2) {
        base = points.back();
      }
    }
  }
  TestStream stream;
  XLPathPosition position{start.x, start.y};
  WriteRelativeRuns(stream.get(), c.unit, points.data(), static_cast<std::uint32_t>(points.size()),
                    position);
  const Decoded decoded = DecodeRuns(stream.Output(), c.unit, start);
  EXPECT_EQ(decoded.runs, c.runs);
  const std::size_t sent = c.unit == XLRunUnit::kLinePoint ? points.size() : points.size() / 3 * 3;
  ASSERT_EQ(decoded.points.size(), sent);
  EXPECT_TRUE(std::equal(decoded.points.begin(), decoded.points.end(), points.begin()));
  EXPECT_EQ(position.x, points[sent - 1].x);
  EXPECT_EQ(position.y, points[sent - 1].y);
}

INSTANTIATE_TEST_SUITE_P(Runs,
                         XLPointRunsTest,
                         ::testing::ValuesIn(RunCases()),
                         [](const ::testing::TestParamInfo<RunCase>& info) {
                           return "case" + std::to_string(info.index);
                         });

TEST(XLPointRunsLimitTest, RunsAreCutAtTheLargestPointCount) {
  // 70,001 far points and 69,999 near ones (the first near x is still far from the last far one):
  // each kind in runs of at most 65,535 points.
  std::vector<GPoint> points;
  GPoint p{0, 0};
  for (int i = 0; i < 140000; ++i) {
    p.x =
        static_cast<std::int16_t>(i < 70000 ? (i % 2 == 0 ? 1000 : -1000) : (i % 2 == 0 ? 5 : -5));
    points.push_back(p);
  }
  TestStream stream(65536);
  XLPathPosition position;
  WriteRelativeRuns(stream.get(), XLRunUnit::kLinePoint, points.data(),
                    static_cast<std::uint32_t>(points.size()), position);
  const Decoded decoded = DecodeRuns(stream.Output(), XLRunUnit::kLinePoint, {0, 0});
  EXPECT_EQ(decoded.runs, (std::vector<PointRun>{{3, 65535}, {3, 4466}, {1, 65535}, {1, 4464}}));
  ASSERT_EQ(decoded.points.size(), points.size());
  EXPECT_TRUE(std::equal(decoded.points.begin(), decoded.points.end(), points.begin()));

  // Beziers: 21,845 segments a run.
  std::vector<GPoint> curve;
  for (int i = 0; i < 3 * 22000; ++i) {
    const auto v = static_cast<std::int16_t>(i / 3 % 2 == 0 ? 300 : -300);
    curve.push_back({v, v});
  }
  TestStream bezier_stream(65536);
  XLPathPosition origin;
  WriteRelativeRuns(bezier_stream.get(), XLRunUnit::kBezierSegment, curve.data(),
                    static_cast<std::uint32_t>(curve.size()), origin);
  const Decoded segments = DecodeRuns(bezier_stream.Output(), XLRunUnit::kBezierSegment, {0, 0});
  EXPECT_EQ(segments.runs, (std::vector<PointRun>{{3, 65535}, {3, 465}}));
}

}  // namespace
}  // namespace vel::test
