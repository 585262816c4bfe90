// The stages of a row-source chain one by one: the bitmap reader, the clip, scale and dither
// stages and the padding filter, over scripted rows and small bitmaps.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include "framework/pipeline/GBitmapRowReader.h"
#include "framework/pipeline/GClipRowStage.h"
#include "framework/pipeline/GClipToSingleRectangle.h"
#include "framework/pipeline/GDitherMatrix.h"
#include "framework/pipeline/GDitherRowStage.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterRowFilter.h"
#include "framework/pipeline/GScaleRowStage.h"
#include "tests/support/FwRasterRows.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using vel::test::MakeBitmap;
using vel::test::RasterRow;
using vel::test::ReadRows;
using vel::test::ScriptedRowSource;

// Stages over a source, owned together.
struct Chain {
  std::unique_ptr<GRasterRowSource> below;
  std::unique_ptr<GRasterRowSource> stage;
  bool ready = false;

  Chain(GRasterRowSource* source, GRasterRowSource* on_top) : below(source), stage(on_top) {
    stage->SetInner(below.get());
    ready = stage->Prepare() != 0;
  }
};

// An 8-bit row of `width` pixels whose values are their columns.
Bytes Columns(int width) {
  Bytes row(width);
  std::iota(row.begin(), row.end(), std::uint8_t{0});
  return row;
}

// `height` rows of `bytes`, each row's first byte its own index.
std::vector<ScriptedRowSource::Row> NumberedRows(int height, const Bytes& bytes) {
  std::vector<ScriptedRowSource::Row> rows;
  for (int i = 0; i < height; ++i) {
    Bytes row = bytes;
    row[0] = static_cast<std::uint8_t>(i);
    rows.push_back({row, 1});
  }
  return rows;
}

GPaletteTable* Palette(std::initializer_list<std::uint8_t> greys) {
  GColorPointerVector colors;
  for (std::uint8_t grey : greys) {
    colors.insert(new GRGBColor(grey, grey, grey, 255));
  }
  auto* palette = new GPaletteTable(colors);
  for (std::uint32_t i = 0; i < colors.entries(); ++i) {
    delete colors[i];
  }
  return palette;
}

TEST(GRasterRowStagesTest, IntersectRects) {
  GRect out;
  vel::IntersectRects(GRect{0, 0, 10, 10}, GRect{10, 0, 20, 10}, out);
  EXPECT_EQ(out, (GRect{0, 0, 0, 0}));
  vel::IntersectRects(GRect{0, 0, 10, 10}, GRect{5, 5, 20, 20}, out);
  EXPECT_EQ(out, (GRect{5, 5, 10, 10}));
  vel::IntersectRects(GRect{-32768, -32768, 32767, 32767}, GRect{-5, 3, 7, 32767}, out);
  EXPECT_EQ(out, (GRect{-5, 3, 7, 32767}));
}

TEST(GRasterRowStagesTest, PaddingFilterPadsToTheAlignment) {
  for (const auto& [width, alignment, expected] :
       std::vector<std::tuple<int, std::uint16_t, std::size_t>>{
           {5, 4, 8}, {8, 4, 8}, {1, 8, 8}, {5, 1, 5}, {5, 0, 5}}) {
    Chain chain(new ScriptedRowSource(GRect{0, 0, static_cast<std::int16_t>(width), 1}, 8,
                                      {{Bytes(width, 0xAB), 1}}),
                new GRowPaddingFilter(alignment));
    ASSERT_TRUE(chain.ready);
    const std::vector<RasterRow> rows = ReadRows(*chain.stage);
    ASSERT_EQ(rows.size(), 1u);
    Bytes expected_row(width, 0xAB);
    expected_row.resize(expected, 0);
    EXPECT_EQ(rows[0].bytes, expected_row) << width << " aligned to " << alignment;
  }
  GRowPaddingFilter alone(4);
  EXPECT_EQ(alone.Prepare(), 0);
}

// The source pixel of each output pixel, and the lines each output row stands for, of a scale
// stage over an 8-bit image whose pixels are their column and whose rows start with their row.
struct ScaleResult {
  std::vector<int> columns;       // of the first output row
  std::vector<int> source_rows;   // of each output row
  std::vector<int> repeats;
  std::vector<int> numbers;
};

ScaleResult Scale(int src_w, int src_h, int dst_w, int dst_h) {
  Chain chain(new ScriptedRowSource(GRect{0, 0, static_cast<std::int16_t>(src_w),
                                          static_cast<std::int16_t>(src_h)},
                                    8, NumberedRows(src_h, Columns(src_w))),
              new GScaleRowStage(GRect{10, 20, static_cast<std::int16_t>(10 + dst_w),
                                       static_cast<std::int16_t>(20 + dst_h)}));
  EXPECT_TRUE(chain.ready);
  ScaleResult result;
  for (const RasterRow& row : ReadRows(*chain.stage)) {
    if (result.columns.empty()) {
      result.columns.assign(row.bytes.begin(), row.bytes.end());
      result.columns[0] = 0;  // the row index stands there
    }
    result.source_rows.push_back(row.bytes[0]);
    result.repeats.push_back(row.repeat);
    result.numbers.push_back(row.number);
  }
  return result;
}

TEST(GRasterRowStagesTest, ScaleStageSteps) {
  using V = std::vector<int>;
  const ScaleResult grow = Scale(3, 3, 7, 7);
  EXPECT_EQ(grow.columns, (V{0, 0, 0, 1, 1, 2, 2}));
  EXPECT_EQ(grow.source_rows, (V{0, 1, 2}));
  EXPECT_EQ(grow.repeats, (V{3, 2, 2}));
  EXPECT_EQ(grow.numbers, (V{0, 3, 5}));

  const ScaleResult shrink = Scale(7, 7, 3, 3);
  EXPECT_EQ(shrink.columns, (V{0, 1, 3}));
  EXPECT_EQ(shrink.source_rows, (V{0, 2, 4}));
  EXPECT_EQ(shrink.repeats, (V{1, 1, 1}));

  const ScaleResult doubled = Scale(4, 4, 8, 8);
  EXPECT_EQ(doubled.columns, (V{0, 0, 1, 1, 2, 2, 3, 3}));
  EXPECT_EQ(doubled.repeats, (V{2, 2, 2, 2}));

  const ScaleResult halved = Scale(8, 8, 4, 4);
  EXPECT_EQ(halved.columns, (V{0, 1, 3, 5}));
  EXPECT_EQ(halved.source_rows, (V{0, 2, 4, 6}));
  EXPECT_EQ(halved.numbers, (V{0, 1, 2, 3}));

  // Only one axis scaled: rows pass straight through the other.
  EXPECT_EQ(Scale(4, 2, 4, 5).repeats, (V{3, 2}));
  EXPECT_EQ(Scale(4, 3, 2, 3).columns, (V{0, 1}));

  // Any sizes: every destination line is handed up exactly once.
  for (int src = 1; src <= 9; ++src) {
    for (int dst = 1; dst <= 23; dst += 2) {
      if (src == dst) {
        continue;
      }
      const ScaleResult any = Scale(src, src, dst, dst);
      EXPECT_EQ(std::accumulate(any.repeats.begin(), any.repeats.end(), 0), dst)
          << src << " to " << dst;
      ASSERT_EQ(any.columns.size(), static_cast<std::size_t>(dst));
      if (dst % src == 0) {  // a whole-number growth repeats each pixel alike
        for (int x = 0; x < dst; ++x) {
          EXPECT_EQ(any.columns[x], x / (dst / src)) << src << " to " << dst;
        }
      }
    }
  }
}

TEST(GRasterRowStagesTest, ScaleStagePacksSmallPixelsAndMovesRgbGroups) {
  // 1-bit 1 0 1 1 0 grown to 10 pixels: each doubled, most significant first.
  Chain one(new ScriptedRowSource(GRect{0, 0, 5, 1}, 1, {{Bytes{0xB0}, 1}}),
            new GScaleRowStage(GRect{0, 0, 10, 1}));
  ASSERT_TRUE(one.ready);
  EXPECT_EQ(one.stage->GetRowBytes(), 2u);
  EXPECT_EQ(ReadRows(*one.stage)[0].bytes, (Bytes{0xCF, 0x00}));

  // 4-bit 1 2 3 4 5 6 7 8 shrunk to 4: pixels 0, 1, 3, 5.
  Chain four(new ScriptedRowSource(GRect{0, 0, 8, 1}, 4, {{Bytes{0x12, 0x34, 0x56, 0x78}, 1}}),
             new GScaleRowStage(GRect{0, 0, 4, 1}));
  ASSERT_TRUE(four.ready);
  EXPECT_EQ(ReadRows(*four.stage)[0].bytes, (Bytes{0x12, 0x46}));
  // And grown to 3 from 2: the odd pixel count ends in a high nibble.
  Chain odd(new ScriptedRowSource(GRect{0, 0, 2, 1}, 4, {{Bytes{0x9A}, 1}}),
            new GScaleRowStage(GRect{0, 0, 3, 1}));
  EXPECT_EQ(ReadRows(*odd.stage)[0].bytes, (Bytes{0x99, 0xA0}));

  Chain rgb(new ScriptedRowSource(GRect{0, 0, 2, 1}, 24, {{Bytes{1, 2, 3, 4, 5, 6}, 1}}),
            new GScaleRowStage(GRect{0, 0, 4, 1}));
  ASSERT_TRUE(rgb.ready);
  EXPECT_EQ(ReadRows(*rgb.stage)[0].bytes, (Bytes{1, 2, 3, 1, 2, 3, 4, 5, 6, 4, 5, 6}));
}

// 8-bit rows grown 2x across wide enough for every step of the doubling (64, 32 and 16 pixels
// at a time) and a tail.
TEST(GRasterRowStagesTest, ScaleStageDoublesWideRows) {
  for (const std::int16_t width : {100, 150}) {
    Bytes row(static_cast<std::size_t>(width));
    for (std::size_t x = 0; x < row.size(); ++x) {
      row[x] = static_cast<std::uint8_t>(x * 37 + 11);
    }
    Chain grow(new ScriptedRowSource(GRect{0, 0, width, 1}, 8, {{row, 1}}),
               new GScaleRowStage(GRect{0, 0, static_cast<std::int16_t>(2 * width), 1}));
    ASSERT_TRUE(grow.ready);
    Bytes expected;
    for (const std::uint8_t pixel : row) {
      expected.insert(expected.end(), {pixel, pixel});
    }
    EXPECT_EQ(ReadRows(*grow.stage)[0].bytes, expected) << width;
  }
}

TEST(GRasterRowStagesTest, ScaleStageRefusesWhatWouldNeverEnd) {
  // Zero and negative sizes on either side, and equal sizes.
  for (const auto& [source, destination] : std::vector<std::pair<GRect, GRect>>{
           {GRect{0, 0, 0, 4}, GRect{0, 0, 8, 8}},
           {GRect{0, 0, 4, 4}, GRect{0, 0, 8, 0}},
           {GRect{0, 0, 4, 4}, GRect{8, 0, 0, 8}},
           {GRect{4, 4, 0, 0}, GRect{0, 0, 8, 8}},
           {GRect{0, 0, 4, 4}, GRect{5, 5, 9, 9}}}) {
    Chain chain(new ScriptedRowSource(source, 8, {}), new GScaleRowStage(destination));
    EXPECT_FALSE(chain.ready);
  }
  Chain none(nullptr, new GScaleRowStage(GRect{0, 0, 1, 1}));
  EXPECT_FALSE(none.ready);
  Chain sixteen(new ScriptedRowSource(GRect{0, 0, 1, 1}, 16, {}),
                new GScaleRowStage(GRect{0, 0, 2, 2}));
  EXPECT_FALSE(sixteen.ready);
}

TEST(GRasterRowStagesTest, ScaleStageGrowsOnePixelOverTheWhole16BitRange) {
  Chain wide(new ScriptedRowSource(GRect{0, 0, 1, 1}, 8, {{Bytes{7}, 1}}),
             new GScaleRowStage(GRect{0, 0, 32767, 1}));
  ASSERT_TRUE(wide.ready);
  const std::vector<RasterRow> row = ReadRows(*wide.stage);
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(row[0].bytes, Bytes(32767, 7));

  // 65535 lines from one row: handed up 255 lines at a time, numbered by their first line.
  Chain tall(new ScriptedRowSource(GRect{0, 0, 1, 1}, 8, {{Bytes{9}, 1}}),
             new GScaleRowStage(GRect{-32768, -32768, 32767, 32767}));
  ASSERT_TRUE(tall.ready);
  const std::vector<RasterRow> rows = ReadRows(*tall.stage);
  ASSERT_EQ(rows.size(), 257u);
  std::uint32_t lines = 0;
  for (const RasterRow& r : rows) {
    EXPECT_EQ(r.number, lines);
    EXPECT_EQ(r.bytes.size(), 65535u);
    EXPECT_EQ(r.bytes[65534], 9);
    lines += r.repeat;
  }
  EXPECT_EQ(lines, 65535u);
}

TEST(GRasterRowStagesTest, ClipStageCutsRowsAndColumns) {
  // 1-bit rows of 16 pixels over (0, 0, 16, 6); the clip keeps columns 3 to 12, rows 2 to 4.
  GClipToSingleRectangle clip(GRect{3, 2, 13, 5}, 0, 1, 0);
  Chain chain(new ScriptedRowSource(GRect{0, 0, 16, 6}, 1,
                                    {{Bytes{0x1F, 0xF0}, 1}, {Bytes{0x1F, 0xF0}, 2},
                                     {Bytes{0xAA, 0x55}, 1}, {Bytes{0xFF, 0xFF}, 2}}),
              new GClipRowStage(&clip));
  ASSERT_TRUE(chain.ready);
  GRect rect;
  EXPECT_EQ(*chain.stage->GetRect(rect), (GRect{3, 2, 13, 5}));
  EXPECT_EQ(chain.stage->GetRowBytes(), 3u);
  const std::vector<RasterRow> rows = ReadRows(*chain.stage);
  ASSERT_EQ(rows.size(), 3u);
  // The row for lines 1 and 2 straddles the clipped top: it stands for line 2 alone.
  EXPECT_EQ(rows[0].number, 0);
  EXPECT_EQ(rows[0].repeat, 1);
  // 0x1FF0 from pixel 3: 1111 1111 1 then masked after 10 pixels.
  EXPECT_EQ(rows[0].bytes, (Bytes{0xFF, 0x80}));
  EXPECT_EQ(rows[1].number, 1);
  EXPECT_EQ(rows[1].bytes, (Bytes{0x52, 0x80}));  // 1010 1010 0101 0101 from pixel 3
  // Rows below the clipped bottom are passed on; a reader stops after the clipped height.
  EXPECT_EQ(rows[2].number, 2);
  EXPECT_EQ(rows[2].repeat, 2);

  // 8-bit: whole bytes moved.
  GClipToSingleRectangle cut(GRect{2, 0, 4, 1}, 0, 1, 0);
  Chain bytes(new ScriptedRowSource(GRect{0, 0, 5, 1}, 8, {{Bytes{1, 2, 3, 4, 5}, 1}}),
              new GClipRowStage(&cut));
  ASSERT_TRUE(bytes.ready);
  EXPECT_EQ(ReadRows(*bytes.stage)[0].bytes, (Bytes{3, 4}));
}

TEST(GRasterRowStagesTest, ClipStageReadiness) {
  const auto ready = [](const GClipAttribute* clip) {
    Chain chain(new ScriptedRowSource(GRect{0, 0, 8, 8}, 8, NumberedRows(8, Bytes(8))),
                new GClipRowStage(clip));
    return chain.ready ? ReadRows(*chain.stage).size() : std::size_t{999};
  };
  const GClipToSingleRectangle cuts(GRect{0, 0, 4, 4}, 0, 1, 0);
  const GClipToSingleRectangle exterior(GRect{0, 0, 4, 4}, 1, 1, 0);
  const GClipToSingleRectangle nothing_cut(GRect{-5, -5, 50, 50}, 0, 1, 0);
  const GClipToSingleRectangle nothing_left(GRect{20, 20, 30, 30}, 0, 1, 0);
  EXPECT_EQ(ready(&cuts), 8u);  // rows below the clipped bottom still come
  EXPECT_EQ(ready(&exterior), 999u);
  EXPECT_EQ(ready(&nothing_cut), 999u);
  EXPECT_EQ(ready(nullptr), 999u);
  // A clip that leaves nothing enters the chain and delivers nothing.
  EXPECT_EQ(ready(&nothing_left), 0u);
}

// A 1 x h dither matrix.
GDitherMatrix Matrix(std::uint8_t width, std::uint8_t height, const Bytes& cells) {
  return GDitherMatrix(width, height, cells.data(), 7, 0);
}

TEST(GRasterRowStagesTest, DitherStageThresholdsLevels) {
  // A 1-bit row with levels 0 and 255 against a matrix of 128: 0 stays 0, 1 stays 1.
  std::unique_ptr<GPaletteTable> black_white(Palette({0, 255}));
  const GDitherMatrix half = Matrix(2, 2, Bytes(4, 128));
  Chain one(new ScriptedRowSource(GRect{0, 0, 8, 1}, 1, {{Bytes{0x5C}, 1}}, black_white.get()),
            new GDitherRowStage(&half, GRect{0, 0, 8, 1}));
  ASSERT_TRUE(one.ready);
  EXPECT_EQ(one.stage->GetBitsPerPixel(), 1);
  EXPECT_EQ(one.stage->GetPalette(), nullptr);
  EXPECT_EQ(ReadRows(*one.stage)[0].bytes, Bytes{0x5C});

  // The phase: 8-bit level 128 at left 1 against a 2 x 1 matrix of 0 and 255; the column is
  // (originX + x) mod 2 with x from the left edge, so pixel i meets cell i mod 2.
  const GDitherMatrix pair = Matrix(2, 1, Bytes{0, 255});
  Chain phase(new ScriptedRowSource(GRect{1, 0, 17, 1}, 8, {{Bytes(16, 128), 1}}),
              new GDitherRowStage(&pair, GRect{1, 0, 17, 1}));
  ASSERT_TRUE(phase.ready);
  EXPECT_EQ(ReadRows(*phase.stage)[0].bytes, (Bytes{0xAA, 0xAA}));

  // The matrix row follows the row numbers from the origin's y; bits past the right edge are 1.
  const GDitherMatrix rows = Matrix(1, 3, Bytes{0, 255, 100});
  Chain down(new ScriptedRowSource(GRect{0, 0, 3, 3}, 8,
                                   {{Bytes{50, 50, 50}, 1}, {Bytes{50, 50, 50}, 1},
                                    {Bytes{50, 50, 50}, 1}}),
             new GDitherRowStage(&rows, GRect{0, 1, 3, 4}));
  const std::vector<RasterRow> out = ReadRows(*down.stage);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].bytes, Bytes{0x1F});  // matrix row 1: 255 > 50, cleared
  EXPECT_EQ(out[1].bytes, Bytes{0x1F});  // row 2: 100 > 50
  EXPECT_EQ(out[2].bytes, Bytes{0xFF});  // row 0: 0
}

// Wide rows go through the stage's widest comparisons (64 or 32 pixels at a time where the
// processor has them, with thresholds that repeat every 64 pixels when the matrix width divides
// 64): each bit must still be the level against the cell in column (originX + left + x) mod w and
// row (originY + row number) mod h, first pixel in the high bit, and the bits past the right edge 1.
TEST(GRasterRowStagesTest, DitherStageWideRowsFollowTheMatrix) {
  std::mt19937 random(29);
  struct Case {
    std::uint8_t matrix_width;
    std::uint8_t matrix_height;
    std::int16_t left;
    std::int16_t width;
  };
  for (const Case c : {Case{16, 16, 0, 200}, Case{16, 4, 5, 1000}, Case{64, 1, 3, 129},
                       Case{32, 2, 0, 64}, Case{5, 3, 7, 300}, Case{3, 2, 0, 65},
                       Case{1, 1, 0, 63}, Case{8, 8, 2, 4858}, Case{4, 2, 1, 152}}) {
    Bytes cells(std::size_t{c.matrix_width} * c.matrix_height);
    for (std::uint8_t& cell : cells) {
      cell = static_cast<std::uint8_t>(random());
    }
    const GDitherMatrix matrix = Matrix(c.matrix_width, c.matrix_height, cells);
    constexpr int kRows = 5;
    const GRect rect{c.left, 0, static_cast<std::int16_t>(c.left + c.width), kRows};
    std::vector<ScriptedRowSource::Row> rows;
    for (int y = 0; y < kRows; ++y) {
      Bytes row(static_cast<std::size_t>(c.width));
      for (std::uint8_t& value : row) {
        value = static_cast<std::uint8_t>(random());
      }
      rows.push_back({row, 1});
    }
    const GRect origin{3, 1, 4, 2};  // the dither origin (3, 1)
    Chain chain(new ScriptedRowSource(rect, 8, rows), new GDitherRowStage(&matrix, origin));
    ASSERT_TRUE(chain.ready);
    const std::vector<RasterRow> out = ReadRows(*chain.stage);
    ASSERT_EQ(out.size(), static_cast<std::size_t>(kRows));
    for (int y = 0; y < kRows; ++y) {
      Bytes expected((static_cast<std::size_t>(c.width) + 7) / 8, 0xFF);
      const int matrix_row = (1 + y) % c.matrix_height;
      for (int x = 0; x < c.width; ++x) {
        const std::uint8_t cell =
            cells[static_cast<std::size_t>(matrix_row) * c.matrix_width +
                  static_cast<std::size_t>((3 + c.left + x) % c.matrix_width)];
        if (rows[static_cast<std::size_t>(y)].bytes[static_cast<std::size_t>(x)] < cell) {
          expected[static_cast<std::size_t>(x / 8)] &= static_cast<std::uint8_t>(~(0x80 >> (x % 8)));
        }
      }
      EXPECT_EQ(out[static_cast<std::size_t>(y)].bytes, expected)
          << "matrix " << int{c.matrix_width} << " x " << int{c.matrix_height} << ", left "
          << c.left << ", width " << c.width << ", row " << y;
    }
  }
}

TEST(GRasterRowStagesTest, DitherStageLevelsWithoutOrBeyondThePalette) {
  const GDitherMatrix mid = Matrix(1, 1, Bytes{100});
  const auto dither = [&mid](std::uint8_t bits, const Bytes& row, int width,
                             const GPaletteTable* palette) {
    Chain chain(new ScriptedRowSource(GRect{0, 0, static_cast<std::int16_t>(width), 1}, bits,
                                      {{row, 1}}, palette),
                new GDitherRowStage(&mid, GRect{}));
    EXPECT_TRUE(chain.ready);
    return ReadRows(*chain.stage)[0].bytes;
  };
  // No palette: 4-bit values x 17 (5 x 17 = 85 < 100, 6 x 17 = 102), 8-bit values as they are,
  // 1-bit 0 or 255.
  EXPECT_EQ(dither(4, Bytes{0x56, 0xF0}, 4, nullptr), Bytes{0x6F});
  EXPECT_EQ(dither(8, Bytes{99, 100, 255, 0}, 4, nullptr), Bytes{0x6F});
  EXPECT_EQ(dither(1, Bytes{0xA0}, 4, nullptr), Bytes{0xAF});
  // A 2-entry palette under 8-bit values: values 2 and up are level 0.
  std::unique_ptr<GPaletteTable> two(Palette({255, 255}));
  EXPECT_EQ(dither(8, Bytes{0, 1, 2, 255}, 4, two.get()), Bytes{0xCF});
}

TEST(GRasterRowStagesTest, DitherStageHandsARepeatedRowUpOncePerLine) {
  const GDitherMatrix rows = Matrix(1, 2, Bytes{0, 255});
  auto* source = new ScriptedRowSource(GRect{0, 0, 8, 4}, 8,
                                       {{Bytes(8, 128), 3}, {Bytes(8, 128), 1}});
  Chain chain(source, new GDitherRowStage(&rows, GRect{0, 0, 8, 4}));
  ASSERT_TRUE(chain.ready);
  const std::vector<RasterRow> out = ReadRows(*chain.stage);
  ASSERT_EQ(out.size(), 4u);
  for (std::size_t i = 0; i < out.size(); ++i) {
    EXPECT_EQ(out[i].number, i);
    EXPECT_EQ(out[i].repeat, 1);
    EXPECT_EQ(out[i].bytes, Bytes{static_cast<std::uint8_t>(i % 2 == 0 ? 0xFF : 0x00)});
  }
  EXPECT_EQ(source->Reads(), 2);
}

TEST(GRasterRowStagesTest, DitherStageNeedsAMatrixWithCells) {
  const GDitherMatrix empty;
  const GDitherMatrix no_rows = Matrix(4, 0, Bytes{});
  for (const GDitherMatrix* matrix : {static_cast<const GDitherMatrix*>(nullptr), &empty, &no_rows}) {
    Chain chain(new ScriptedRowSource(GRect{0, 0, 8, 1}, 8, {{Bytes(8), 1}}),
                new GDitherRowStage(matrix, GRect{}));
    EXPECT_FALSE(chain.ready);
  }
  const GDitherMatrix one = Matrix(1, 1, Bytes{1});
  Chain deep(new ScriptedRowSource(GRect{0, 0, 1, 1}, 24, {{Bytes(3), 1}}),
             new GDitherRowStage(&one, GRect{}));
  EXPECT_FALSE(deep.ready);
}

TEST(GRasterRowStagesTest, BitmapReaderReadsTheSourceRectangle) {
  // A 24-bit image of 3 x 2 pixels: red, green, blue / white, black, grey.
  const Bytes pixels{0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 0, 0, 0, 128, 128, 128};
  // A palette beside direct-colour pixels indexes nothing: the reader answers none.
  const GBitmap bitmap = MakeBitmap(3, 2, 24, pixels, Palette({0, 255}));
  GBitmapRowReader rgb(bitmap, GRect{1, 0, 3, 2}, false);
  ASSERT_EQ(rgb.Prepare(), 1);
  EXPECT_EQ(rgb.GetBitsPerPixel(), 24);
  EXPECT_EQ(rgb.GetPalette(), nullptr);
  EXPECT_EQ(rgb.GetRowBytes(), 6u);
  std::vector<RasterRow> rows = ReadRows(rgb);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].bytes, (Bytes{0, 255, 0, 0, 0, 255}));  // red, green, blue order
  EXPECT_EQ(rows[1].number, 1);

  // Reduced: one grey level per pixel, no palette.
  GBitmapRowReader grey(bitmap, GRect{0, 0, 3, 2}, true);
  ASSERT_EQ(grey.Prepare(), 1);
  EXPECT_EQ(grey.GetBitsPerPixel(), 8);
  EXPECT_EQ(grey.GetPalette(), nullptr);
  rows = ReadRows(grey);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].bytes, (Bytes{76, 150, 28}));
  EXPECT_EQ(rows[1].bytes, (Bytes{255, 0, 128}));

  // A 1-bit image keeps its palette; reducing does not apply to it.
  const GBitmap mono = MakeBitmap(8, 1, 1, Bytes{0xF0}, Palette({0, 255}));
  GBitmapRowReader keeps(mono, GRect{0, 0, 8, 1}, true);
  ASSERT_EQ(keeps.Prepare(), 1);
  EXPECT_EQ(keeps.GetBitsPerPixel(), 1);
  EXPECT_NE(keeps.GetPalette(), nullptr);
}

TEST(GRasterRowStagesTest, BitmapReaderReadsPixelsOutsideTheImageAsZero) {
  // 1-bit 8 x 2 image of all ones read through (-3, -1, 6, 3): 9 pixels a row, rows -1 and 2
  // outside, columns -3 to -1 outside.
  const GBitmap mono = MakeBitmap(8, 2, 1, Bytes{0xFF, 0xFF});
  GBitmapRowReader reader(mono, GRect{-3, -1, 6, 3}, false);
  ASSERT_EQ(reader.Prepare(), 1);
  EXPECT_EQ(reader.GetRowBytes(), 2u);
  const std::vector<RasterRow> rows = ReadRows(reader);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].bytes, (Bytes{0, 0}));
  EXPECT_EQ(rows[1].bytes, (Bytes{0x1F, 0x80}));
  EXPECT_EQ(rows[2].bytes, (Bytes{0x1F, 0x80}));
  EXPECT_EQ(rows[3].bytes, (Bytes{0, 0}));

  // 8-bit, running past the right edge.
  const GBitmap bytes = MakeBitmap(3, 1, 8, Bytes{1, 2, 3});
  GBitmapRowReader past(bytes, GRect{1, 0, 5, 1}, false);
  ASSERT_EQ(past.Prepare(), 1);
  EXPECT_EQ(ReadRows(past)[0].bytes, (Bytes{2, 3, 0, 0}));

  // No image at all: no rows.
  GBitmapRowReader none(GBitmap(), GRect{0, 0, 4, 4}, false);
  ASSERT_EQ(none.Prepare(), 1);
  EXPECT_TRUE(ReadRows(none).empty());
}

}  // namespace
