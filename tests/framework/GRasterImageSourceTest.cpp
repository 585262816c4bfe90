// The chain a back end builds over an image: which stages enter it for each dither mode, clip and
// scale, what it does to the destination rectangle, and the rows read through it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/pipeline/GBitmapRowReader.h"
#include "framework/pipeline/GClipRowStage.h"
#include "framework/pipeline/GClipToSingleRectangle.h"
#include "framework/pipeline/GDitherMatrix.h"
#include "framework/pipeline/GDitherRowStage.h"
#include "framework/pipeline/GRasterGraphic.h"
#include "framework/pipeline/GRasterImageSource.h"
#include "framework/pipeline/GRasterRowFilter.h"
#include "framework/pipeline/GScaleRowStage.h"
#include "tests/support/FwRasterRows.h"
#include "tests/support/PackBits.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using vel::test::MakeBitmap;
using vel::test::RasterRow;
using vel::test::ReadRows;

const char* StageName(const GRasterRowSource* stage) {
  if (dynamic_cast<const GBitmapRowReader*>(stage) != nullptr) return "reader";
  if (dynamic_cast<const GScaleRowStage*>(stage) != nullptr) return "scale";
  if (dynamic_cast<const GClipRowStage*>(stage) != nullptr) return "clip";
  if (dynamic_cast<const GDitherRowStage*>(stage) != nullptr) return "dither";
  if (dynamic_cast<const GRowPaddingFilter*>(stage) != nullptr) return "padding";
  if (dynamic_cast<const GRowRunLengthFilter*>(stage) != nullptr) return "run-length";
  return "?";
}

// The stages of a chain, bottom first.
std::string Stages(const GRasterImageSource& chain) {
  std::string names;
  for (const GRasterRowSource* stage = chain.GetInner(); stage != nullptr;
       stage = stage->GetInner()) {
    names = std::string(StageName(stage)) + (names.empty() ? "" : " ") + names;
  }
  return names;
}

// An 8-bit image whose pixel (x, y) is y x 16 + x.
GBitmap Ramp(int width, int height) {
  Bytes pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      pixels.push_back(static_cast<std::uint8_t>(y * 16 + x));
    }
  }
  return MakeBitmap(width, height, 8, pixels);
}

const std::uint8_t kCells[4] = {64, 128, 192, 255};

struct ChainCase {
  const char* name;
  int bits;                      // of the image: 8 or 1
  GRect source;
  GRect destination;
  const GClipToSingleRectangle* clip;
  std::int32_t mode;
  bool matrix;
  const char* stages;
  GRect destination_after;
};

TEST(GRasterImageSourceTest, StagesForEachModeClipAndScale) {
  const GClipToSingleRectangle cut(GRect{10, 10, 12, 14}, 0, 1, 0);
  const GClipToSingleRectangle cut_wide(GRect{0, 0, 12, 12}, 0, 1, 0);
  const GClipToSingleRectangle cut_large(GRect{0, 0, 20, 20}, 0, 1, 0);
  const GClipToSingleRectangle exterior(GRect{10, 10, 12, 14}, 1, 1, 0);
  const GRect all{0, 0, 8, 8};
  const GRect small{10, 10, 14, 14};
  const GRect large{10, 10, 26, 26};
  const ChainCase cases[] = {
      {"mode 0 shrinking", 8, all, small, nullptr, 0, true, "reader scale padding", small},
      {"mode 0 shrinking, clipped", 8, all, small, &cut, 0, true, "reader scale clip padding",
       GRect{10, 10, 12, 14}},
      {"mode 0 shrinking, exterior clip", 8, all, small, &exterior, 0, true,
       "reader scale padding", small},
      // The clipped area decides: 10 x 10 > 8 x 8.
      {"mode 0 growing, clipped", 8, all, large, &cut_large, 0, true, "reader padding", large},
      {"mode 1 growing, clipped", 8, all, large, &cut_wide, 1, true,
       "reader scale clip dither padding", GRect{10, 10, 12, 12}},
      {"mode 1 same size", 8, all, GRect{2, 2, 10, 10}, nullptr, 1, true,
       "reader dither padding", GRect{2, 2, 10, 10}},
      {"mode 1 without a matrix", 8, all, large, nullptr, 1, false, "reader scale padding",
       large},
      {"mode 2, 8 bits x 64 > 16 x 16", 8, all, large, nullptr, 2, true,
       "reader scale dither padding", large},
      {"mode 2, 1 bit x 64 <= 16 x 16", 1, all, large, nullptr, 2, true, "reader padding",
       large},
      {"mode 2, 1 bit shrinking", 1, all, small, nullptr, 2, true,
       "reader scale dither padding", small},
      {"another mode", 8, all, small, &cut, 7, true, "reader padding", small},
      // 6554 x 6554 x 100 passes 2^32: the areas are compared in 64 bits.
      {"mode 0, source area above 2^32 / 100", 8, GRect{0, 0, 6554, 6554},
       GRect{0, 0, 100, 100}, nullptr, 0, true, "reader scale padding", GRect{0, 0, 100, 100}},
      // A reversed destination has area 0; the scale stage refuses it.
      {"mode 0, reversed destination", 8, all, GRect{10, 0, 0, 10}, nullptr, 0, true,
       "reader padding", GRect{10, 0, 0, 10}},
  };
  const GDitherMatrix matrix(2, 2, kCells, 3, 0);
  for (const ChainCase& c : cases) {
    const GBitmap bitmap =
        c.bits == 8 ? Ramp(8, 8) : MakeBitmap(8, 8, 1, Bytes(8, 0x5A));
    GRect destination = c.destination;
    GRasterImageSource chain(c.source, destination, c.clip, bitmap, 0, c.mode,
                             c.matrix ? &matrix : nullptr, new GRowPaddingFilter(4));
    EXPECT_EQ(Stages(chain), c.stages) << c.name;
    EXPECT_EQ(destination, c.destination_after) << c.name;
  }
}

TEST(GRasterImageSourceTest, ReadingTheTopsHeightGivesTheClippedImage) {
  // 8 x 8 shrunk to 4 x 4 keeps columns 0, 1, 3, 5 and rows 0, 2, 4, 6; the clip keeps
  // destination columns 1 and 2 and rows 1 and 2.
  const GClipToSingleRectangle clip(GRect{1, 1, 3, 3}, 0, 1, 0);
  GRect destination{0, 0, 4, 4};
  GRasterImageSource chain(GRect{0, 0, 8, 8}, destination, &clip, Ramp(8, 8), 0, 0, nullptr,
                           new GRowPaddingFilter(1));
  ASSERT_EQ(Stages(chain), "reader scale clip padding");
  GRect top;
  chain.GetRect(top);
  EXPECT_EQ(top, (GRect{1, 1, 3, 3}));
  EXPECT_EQ(destination, top);
  const std::vector<RasterRow> rows = ReadRows(chain, ~std::size_t{0}, vel::RectHeight(top));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].bytes, (Bytes{2 * 16 + 1, 2 * 16 + 3}));
  EXPECT_EQ(rows[1].bytes, (Bytes{4 * 16 + 1, 4 * 16 + 3}));
  // The chain goes on below the clipped bottom: only the height counts.
  const std::vector<RasterRow> below = ReadRows(chain);
  ASSERT_EQ(below.size(), 1u);
  EXPECT_EQ(below[0].bytes, (Bytes{6 * 16 + 1, 6 * 16 + 3}));
}

TEST(GRasterImageSourceTest, AnUnscaledClipIsMovedIntoImagePixels) {
  // The right half of a 16 x 8 image, drawn at (100, 0) unscaled, clipped at page column 104:
  // image columns 8 to 11 remain.
  const GClipToSingleRectangle clip(GRect{0, 0, 104, 8}, 0, 1, 0);
  GRect destination{100, 0, 108, 8};
  GRasterImageSource chain(GRect{8, 0, 16, 8}, destination, &clip, Ramp(16, 8), 0, 1, nullptr,
                           new GRowPaddingFilter(1));
  ASSERT_EQ(Stages(chain), "reader clip padding");
  EXPECT_EQ(destination, (GRect{100, 0, 104, 8}));
  GRect top;
  EXPECT_EQ(vel::RectWidth(*chain.GetRect(top)), 4);
  const std::vector<RasterRow> rows = ReadRows(chain);
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(rows[3].bytes, (Bytes{3 * 16 + 8, 3 * 16 + 9, 3 * 16 + 10, 3 * 16 + 11}));
}

TEST(GRasterImageSourceTest, TheBackEndsChainRunsEndToEnd) {
  // A 24-bit image in grey through scale, clip, dither and run-length, as the PCL XL back end
  // builds it: every row decodes to the dithered width padded to 4.
  Bytes pixels;
  for (int i = 0; i < 40 * 30; ++i) {
    pixels.push_back(static_cast<std::uint8_t>(i));
    pixels.push_back(static_cast<std::uint8_t>(i * 7));
    pixels.push_back(static_cast<std::uint8_t>(i * 13));
  }
  const GDitherMatrix matrix(2, 2, kCells, 3, 0);
  const GClipToSingleRectangle clip(GRect{0, 0, 70, 50}, 0, 1, 0);
  GRect destination{5, 5, 85, 65};
  GRasterImageSource chain(GRect{0, 0, 40, 30}, destination, &clip,
                           MakeBitmap(40, 30, 24, pixels), 0, 2, &matrix,
                           new GRowRunLengthFilter(4));
  ASSERT_EQ(Stages(chain), "reader scale clip dither run-length");
  EXPECT_EQ(chain.GetBitsPerPixel(), 1);
  GRect top;
  chain.GetRect(top);
  EXPECT_EQ(top, (GRect{5, 5, 70, 50}));
  const std::vector<RasterRow> rows = ReadRows(chain, ~std::size_t{0}, vel::RectHeight(top));
  ASSERT_EQ(rows.size(), 45u);
  for (const RasterRow& row : rows) {
    EXPECT_TRUE(vel::test::UnpackBits(row.bytes, 12).has_value());  // 65 bits: 9 bytes, then 3
  }
}

TEST(GRasterImageSourceTest, ARasterGraphicsClippedRectanglesFeedTheChain) {
  // An 8 x 8 image drawn at twice its size, the page limit cutting at column 18: the left half
  // of the image fills the visible part, and the dithered chain delivers exactly that part.
  const GRasterGraphic graphic(Ramp(8, 8), nullptr, GRect{0, 0, 8, 8}, GRect{10, 10, 26, 26},
                               GBitmap());
  const GClipToSingleRectangle limit(GRect{0, 0, 18, 30}, 0, 1, 177);
  GRect source;
  GRect destination;
  ASSERT_EQ(graphic.ComputeClippedRects(&limit, source, destination), 1);
  EXPECT_EQ(source, (GRect{0, 0, 4, 8}));
  EXPECT_EQ(destination, (GRect{10, 10, 18, 26}));
  GBitmap image;
  graphic.GetBitmap(image);
  const GDitherMatrix matrix(2, 2, kCells, 3, 0);
  GRasterImageSource chain(source, destination, &limit, image, 0, 2, &matrix,
                           new GRowPaddingFilter(4));
  EXPECT_EQ(Stages(chain), "reader scale dither padding");
  GRect top;
  EXPECT_EQ(*chain.GetRect(top), (GRect{10, 10, 18, 26}));
  const std::vector<RasterRow> rows = ReadRows(chain, ~std::size_t{0}, 16);
  ASSERT_EQ(rows.size(), 16u);
  for (const RasterRow& row : rows) {
    EXPECT_EQ(row.bytes.size(), 4u);  // one byte of 8 pixels, padded to 4
  }
}

TEST(GRasterImageSourceTest, DegenerateImagesFinish) {
  const GDitherMatrix matrix(2, 2, kCells, 3, 0);
  const GDitherMatrix empty;
  const GClipToSingleRectangle everything(GRect{-32768, -32768, 32767, 32767}, 0, 1, 0);
  const GRect whole{-32768, -32768, 32767, 32767};
  struct Degenerate {
    GRect source;
    GRect destination;
    std::int32_t mode;
    const GDitherMatrix* matrix;
  };
  for (const Degenerate& d : std::vector<Degenerate>{
           {GRect{0, 0, 1, 1}, GRect{0, 0, 32767, 1}, 1, &matrix},
           {GRect{0, 0, 1, 1}, whole, 1, &matrix},
           {whole, whole, 2, &empty},
           {GRect{0, 0, 0, 0}, GRect{0, 0, 5, 5}, 1, &matrix},
           {GRect{0, 0, 4, 4}, GRect{0, 0, -5, 5}, 1, &matrix},
           {GRect{5, 5, 0, 0}, GRect{0, 0, 5, 5}, 2, nullptr}}) {
    for (GRasterRowFilter* filter :
         {static_cast<GRasterRowFilter*>(new GRowPaddingFilter(4)),
          static_cast<GRasterRowFilter*>(new GRowRunLengthFilter(8))}) {
      GRect destination = d.destination;
      GRasterImageSource chain(d.source, destination, &everything, Ramp(2, 2), 0, d.mode,
                               d.matrix, filter);
      GRect top;
      chain.GetRect(top);
      const std::vector<RasterRow> rows = ReadRows(chain, 300, vel::RectHeight(top));
      EXPECT_LE(rows.size(), 300u);
    }
  }
}

}  // namespace
