// Narrow rows: 8-bit rows that the scale stage doubles across reach the dither stage ungrown,
// through a clip stage that cuts them, and the dither stage grows them in its comparison. Every
// chain must hand up the very bytes it hands up with full rows.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "framework/pipeline/GClipRowStage.h"
#include "framework/pipeline/GClipToSingleRectangle.h"
#include "framework/pipeline/GDitherMatrix.h"
#include "framework/pipeline/GDitherRowStage.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterImageSource.h"
#include "framework/pipeline/GScaleRowStage.h"
#include "tests/support/FwRasterRows.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using vel::test::RasterRow;
using vel::test::ReadRows;
using vel::test::ScriptedRowSource;

// Hands the rows below up unchanged. With `narrow` it passes the narrow-row questions down and
// records whether narrow rows were taken; without, the stages below only ever hand up full rows.
class PassStage : public GRasterRowSource {
 public:
  PassStage(bool narrow, bool* used) : narrow_(narrow), used_(used) {}

  std::uint32_t ReadRow(std::uint8_t* buffer, std::uint16_t& row_number, std::uint32_t& length,
                        std::uint8_t& repeat, std::uint8_t& flag) override {
    return ReadInner(buffer, row_number, length, repeat, flag);
  }
  std::uint32_t GetNarrowFactor() const override {
    return narrow_ ? inner_->GetNarrowFactor() : 1;
  }
  bool UseNarrowRows() override {
    *used_ = narrow_ && inner_->UseNarrowRows();
    return *used_;
  }

 private:
  bool narrow_;
  bool* used_;
};

GPaletteTable* GreyPalette(std::mt19937& random, int count) {
  GColorPointerVector colors;
  for (int i = 0; i < count; ++i) {
    const auto grey = static_cast<std::uint8_t>(random());
    colors.insert(new GRGBColor(grey, grey, grey, 255));
  }
  auto* palette = new GPaletteTable(colors);
  for (std::uint32_t i = 0; i < colors.entries(); ++i) {
    delete colors[i];
  }
  return palette;
}

struct Case {
  std::int16_t width;        // of the source rows, doubled across by the scale stage
  std::int16_t left;         // of the destination
  bool clip;
  std::int16_t clip_left;    // from the destination's left
  std::int16_t clip_right;   // columns cut at the right
  std::int16_t origin_x;     // of the dither origin
  std::uint8_t matrix_width;
  std::uint8_t matrix_height;
  std::int16_t height;       // of the destination; the source has 3 rows
  bool palette;
};

struct Result {
  std::vector<RasterRow> rows;
  bool narrow = false;
};

// The chain source, scale, clip, pass stage, dither over `rows`.
Result Dither(const Case& c, const std::vector<ScriptedRowSource::Row>& rows,
              const GPaletteTable* palette, const GDitherMatrix& matrix, bool narrow) {
  Result result;
  const auto top = static_cast<std::int16_t>(-2);
  const GRect destination{c.left, top, static_cast<std::int16_t>(c.left + 2 * c.width),
                          static_cast<std::int16_t>(top + c.height)};
  const GClipToSingleRectangle clip(
      GRect{static_cast<std::int16_t>(c.left + c.clip_left), static_cast<std::int16_t>(top + 1),
            static_cast<std::int16_t>(destination.right - c.clip_right), 1000},
      0, 1, 0);
  GRasterImageSource chain(
      new ScriptedRowSource(GRect{0, 0, c.width, 3}, 8, rows, palette),
      new GScaleRowStage(destination), c.clip ? new GClipRowStage(&clip) : nullptr,
      new PassStage(narrow, &result.narrow), nullptr,
      new GDitherRowStage(&matrix, GRect{c.origin_x, 1, 0, 0}));
  GRect rect;
  chain.GetRect(rect);
  result.rows = ReadRows(chain, 1u << 20, static_cast<std::uint64_t>(vel::RectHeight(rect)));
  return result;
}

TEST(GRasterNarrowRowsTest, NarrowRowsGiveTheBytesOfFullRows) {
  std::mt19937 random(2929);
  const Case shapes[] = {
      // width, left, clip, clip left, clip right, origin x, matrix, height, palette
      {1, 0, false, 0, 0, 0, 16, 16, 7, false},     {3, 1, false, 0, 0, 1, 16, 16, 7, false},
      {32, 0, true, 0, 1, 0, 16, 16, 7, false},     {33, 5, true, 2, 0, 3, 5, 3, 7, false},
      {64, 0, true, 1, 0, 0, 16, 16, 7, false},     {65, 2, true, 6, 3, 1, 64, 2, 7, true},
      {100, 0, true, 4, 2, 0, 3, 2, 7, false},      {127, 3, false, 0, 0, 2, 1, 1, 7, true},
      {128, 0, true, 0, 0, 0, 16, 16, 7, false},    {129, 1, true, 2, 1, 5, 8, 8, 7, false},
      {200, 0, true, 10, 7, 0, 16, 16, 2, false},   {257, 7, true, 3, 2, 1, 5, 3, 7, false},
      {2429, 0, true, 0, 58, 0, 16, 16, 64, false}, {2429, 0, true, 2, 1, 0, 7, 5, 9, true},
      {1000, 9, true, 12, 13, 3, 32, 4, 7, true},   {40, 0, true, 0, 79, 0, 16, 16, 7, false},
  };
  int narrowed = 0;
  for (const Case& shape : shapes) {
    for (const std::int16_t origin_x : {shape.origin_x, static_cast<std::int16_t>(shape.origin_x + 7)}) {
      Case c = shape;
      c.origin_x = origin_x;
      Bytes cells(std::size_t{c.matrix_width} * c.matrix_height);
      for (std::uint8_t& cell : cells) {
        cell = static_cast<std::uint8_t>(random());
      }
      const GDitherMatrix matrix(c.matrix_width, c.matrix_height, cells.data(), 1, 0);
      std::unique_ptr<GPaletteTable> palette(c.palette ? GreyPalette(random, 200) : nullptr);
      // Three rows, the second short (its missing pixels read as 0; a row of no bytes would end
      // the image).
      std::vector<ScriptedRowSource::Row> rows;
      for (int y = 0; y < 3; ++y) {
        const auto width = static_cast<std::size_t>(c.width);
        Bytes row(y == 1 ? (width + 1) / 2 : width);
        for (std::uint8_t& value : row) {
          value = static_cast<std::uint8_t>(random());
        }
        rows.push_back({row, 1});
      }
      const Result full = Dither(c, rows, palette.get(), matrix, false);
      const Result narrow = Dither(c, rows, palette.get(), matrix, true);
      EXPECT_FALSE(full.narrow);
      // Narrow rows pass the clip (which always cuts the top line) when its left edge falls on a
      // doubled pixel's first column.
      EXPECT_EQ(narrow.narrow, !c.clip || c.clip_left % 2 == 0)
          << "width " << c.width << ", clip left " << c.clip_left;
      narrowed += narrow.narrow ? 1 : 0;
      ASSERT_EQ(narrow.rows.size(), full.rows.size()) << "width " << c.width;
      ASSERT_FALSE(full.rows.empty());
      for (std::size_t i = 0; i < full.rows.size(); ++i) {
        EXPECT_EQ(narrow.rows[i].number, full.rows[i].number);
        EXPECT_EQ(narrow.rows[i].repeat, full.rows[i].repeat);
        EXPECT_EQ(narrow.rows[i].bytes, full.rows[i].bytes)
            << "width " << c.width << ", left " << c.left << ", clip " << c.clip_left << " to -"
            << c.clip_right << ", origin " << c.origin_x << ", matrix "
            << int{c.matrix_width} << " x " << int{c.matrix_height} << ", row " << i;
      }
    }
  }
  EXPECT_GT(narrowed, 20);
}

// Rows that are not doubled 8-bit rows are never handed up narrow.
TEST(GRasterNarrowRowsTest, OnlyRowsDoubledAcrossAtEightBitsComeNarrow) {
  struct Shape {
    std::uint8_t bits;
    std::int16_t width;
    std::int16_t scaled;
    std::uint32_t factor;
  };
  for (const Shape s : {Shape{8, 10, 20, 2}, Shape{8, 10, 30, 1}, Shape{8, 10, 19, 1},
                        Shape{8, 10, 5, 1}, Shape{8, 10, 10, 1}, Shape{4, 10, 20, 1},
                        Shape{1, 10, 20, 1}, Shape{24, 10, 20, 1}}) {
    ScriptedRowSource source(GRect{0, 0, s.width, 2}, s.bits,
                             {{Bytes((std::size_t{s.bits} * s.width + 7) / 8, 9), 1}});
    GScaleRowStage scale(GRect{0, 0, s.scaled, 4});
    scale.SetInner(&source);
    scale.Prepare();
    EXPECT_EQ(scale.GetNarrowFactor(), s.factor) << int{s.bits} << " bits, " << s.scaled;
    EXPECT_EQ(scale.UseNarrowRows(), s.factor == 2);
  }
  // A source whose rows are wider than the doubled row would not fit the caller's buffer.
  ScriptedRowSource wide(GRect{0, 0, 4, 1}, 8, {{Bytes(9, 1), 1}});
  GScaleRowStage scale(GRect{0, 0, 8, 1});
  scale.SetInner(&wide);
  ASSERT_NE(scale.Prepare(), 0);
  EXPECT_EQ(scale.GetNarrowFactor(), 1u);
}

}  // namespace
