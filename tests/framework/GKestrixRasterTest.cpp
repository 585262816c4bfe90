// The PCL XL back end's raster output: images of every depth, with and without palettes, in gray
// and RGB, run-length encoded or not, rebuilt by the job checker from their blocks; the block
// cuts; clipping to the page; raster patterns and the paints that select them; scan lines; and
// images whose memory cannot be had.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/output/GKestrix.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GClipToSingleRectangle.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GPolyLineGraphic.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterGraphic.h"
#include "framework/pipeline/GRasterImageSource.h"
#include "framework/pipeline/GRasterPaint.h"
#include "framework/pipeline/GRasterRowFilter.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/FwJobHarness.h"
#include "tests/support/FwRasterRows.h"
#include "tests/support/PclXlCheckRules.h"
#include "tests/support/PclXlChecker.h"

namespace vel::test {
namespace {

struct JobSettings {
  bool rgb = false;
  bool halftone = false;  // no dithering in gray
  std::uint16_t compression = 3;
  std::optional<std::uint16_t> scale_patterns;
};

void Configure(JobHarness& harness, const JobSettings& settings) {
  if (settings.rgb) {
    harness.SetJobValue(vel::key::kDocumentStartValue296, 0);
  }
  harness.SetJobValue(vel::key::kDocumentStartValue297, settings.compression);
  if (settings.scale_patterns) {
    harness.SetJobValue(vel::key::kScalePatterns, *settings.scale_patterns);
  }
  if (settings.halftone) {
    auto* group = new GState(vel::key::kPageStartGroup);
    group->Add(new GValueAttribute(600, vel::key::kResolutionX));
    group->Add(new GValueAttribute(600, vel::key::kResolutionY));
    group->Add(new GValueAttribute(2, vel::key::kBitsPerPixel));
    harness.SetJobSetting(group);
  }
}

// Runs `draw` on the page of a one-page job and answers the checked job.
XlJob DrawJob(const JobSettings& settings,
              const std::function<void(JobHarness&, GKestrix&)>& draw,
              const PageSettings& page = {0, {}, {}, MakeTestMedia(2, 5100, 6600)},
              bool warnings_allowed = false) {
  JobHarness harness;
  Configure(harness, settings);
  EXPECT_EQ(harness.StartDocument(), 0);
  EXPECT_EQ(harness.StartPage(page), 0);
  draw(harness, *harness.Kestrix());
  EXPECT_EQ(harness.EndPage(), 0);
  EXPECT_EQ(harness.EndDocument(), 0);
  const Bytes bytes = harness.LastJob().bytes;
  EXPECT_TRUE(PassesPclXlCheck(bytes, {}, !warnings_allowed));
  return PclXlChecker().Check(bytes).job;
}

// The page's operators after BeginPage and SetClipMode, up to EndPage, by name.
std::vector<std::string> PageOperators(const XlJob& job) {
  std::vector<std::string> names;
  if (job.pages.size() != 1) {
    ADD_FAILURE() << "pages: " << job.pages.size();
    return names;
  }
  const std::vector<XlOperation>& ops = job.pages[0].operations;
  for (std::size_t i = 2; i + 1 < ops.size(); ++i) {
    names.push_back(XlOperatorName(ops[i].code));
  }
  return names;
}

const XlOperation* FindOperation(const XlJob& job, const std::string& name, int nth = 0) {
  for (const XlOperation& op : job.operations) {
    if (XlOperatorName(op.code) == name && nth-- == 0) {
      return &op;
    }
  }
  return nullptr;
}

std::vector<double> Values(const XlOperation* op, std::uint8_t id) {
  const XlAttribute* attribute = op != nullptr ? op->Find(id) : nullptr;
  return attribute != nullptr ? attribute->values : std::vector<double>{};
}

// Pixels of a pseudo-random picture.
std::vector<std::uint8_t> Noise(std::size_t bytes, std::uint32_t seed) {
  std::vector<std::uint8_t> data(bytes);
  for (std::uint8_t& b : data) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(seed >> 16);
  }
  return data;
}

// A palette of exactly `entries` colours.
GPaletteTable* Palette(int entries) {
  std::vector<std::unique_ptr<GRGBColor>> colors;
  GColorPointerVector pointers;
  for (int i = 0; i < entries; ++i) {
    colors.emplace_back(new GRGBColor(static_cast<std::uint8_t>(i * 40),
                                      static_cast<std::uint8_t>(255 - i * 7),
                                      static_cast<std::uint8_t>(i * 3), 0));
    pointers.insert(colors.back().get());
  }
  return new GPaletteTable(pointers);
}

// The rows the row-source chain hands up for the image, padded to 4 bytes: what the printer must
// rebuild from the blocks.
std::vector<Bytes> ChainRows(const GKestrix& kestrix,
                             const GBitmap& bitmap,
                             const GRect& source,
                             GRect destination) {
  const bool rgb = kestrix.GetColorMode() == 1;
  const bool dither = !rgb && kestrix.GetHalftoneFlag() == 0;
  GRasterImageSource chain(source, destination, nullptr, bitmap, rgb ? 1 : 0, dither ? 2 : 0,
                           dither ? kestrix.GetDitherMatrix() : nullptr, new GRowPaddingFilter(4));
  std::vector<Bytes> rows;
  for (const RasterRow& row : ReadRows(chain)) {
    for (int i = 0; i < row.repeat; ++i) {
      rows.push_back(row.bytes);
    }
  }
  return rows;
}

struct ImageCase {
  int bits;
  int palette;  // entries, 0 for none
  bool rgb;
  std::uint16_t compression;
};

std::string Name(const ImageCase& c) {
  return std::to_string(c.bits) + "bit_palette" + std::to_string(c.palette) +
         (c.rgb ? "_rgb" : "_gray") + "_compression" + std::to_string(c.compression);
}

std::vector<ImageCase> ImageCases() {
  std::vector<ImageCase> cases;
  for (int bits : {1, 4, 8, 24}) {
    for (int palette : {0, 1}) {
      if (bits == 24 && palette != 0) {
        continue;
      }
      for (bool rgb : {false, true}) {
        for (std::uint16_t compression : {3, 0}) {
          // Palettes one entry short of 2^bits (padded) or, for 1 bit, one longer (cut).
          const int entries = bits == 1 ? 3 : (1 << bits) - 1;
          cases.push_back({bits, palette != 0 ? entries : 0, rgb, compression});
        }
      }
    }
  }
  return cases;
}

class GKestrixImageTest : public ::testing::TestWithParam<ImageCase> {};

TEST_P(GKestrixImageTest, TheCheckerRebuildsTheRowsOfTheChain) {
  const ImageCase& c = GetParam();
  const int width = 37;
  const int height = 11;
  const std::size_t row_bytes = (static_cast<std::size_t>(c.bits) * width + 7) / 8;
  const GBitmap bitmap = MakeBitmap(width, height, c.bits, Noise(row_bytes * height, 7 + c.bits),
                                    c.palette != 0 ? Palette(c.palette) : nullptr);
  // A source cut out of the image, drawn at twice its size.
  const GRect source{3, 2, 35, 10};
  const GRect destination{300, 400, 364, 416};
  std::vector<Bytes> expected;
  const XlJob job =
      DrawJob({.rgb = c.rgb, .compression = c.compression}, [&](JobHarness&, GKestrix& k) {
        expected = ChainRows(k, bitmap, source, destination);
        GRasterGraphic graphic(bitmap, nullptr, source, destination, GBitmap());
        EXPECT_EQ(k.HandleRasterGraphic(graphic), 0);
      });
  ASSERT_EQ(job.rasters.size(), 1u);
  const XlRaster& image = job.rasters[0];
  EXPECT_FALSE(image.pattern);
  EXPECT_EQ(image.rows, expected);
  EXPECT_EQ(image.height, static_cast<long>(expected.size()));
  EXPECT_EQ(image.dest_width, 64);
  EXPECT_EQ(image.dest_height, 16);
  for (int mode : image.compress_modes) {
    EXPECT_EQ(mode, c.compression == 3 ? 1 : 0);
  }
  // Indexed pixels declare a palette of 2^bits entries; dithered gray rows are direct.
  const XlOperation* space = FindOperation(job, "SetColorSpace");
  ASSERT_NE(space, nullptr);
  // Pixels of up to 8 bits without a palette are gray levels in RGB output too (direct RGB
  // pixels would need three components each: the printer would read the rows wrongly).
  const bool rgb_space = c.rgb && (c.palette != 0 || c.bits == 24);
  EXPECT_EQ(Values(space, xl_attr::kColorSpace), std::vector<double>{rgb_space ? 2.0 : 1.0});
  const std::vector<double> palette = Values(space, xl_attr::kPaletteData);
  if (image.color_mapping == 1) {
    EXPECT_NE(c.palette, 0);
    EXPECT_EQ(palette.size(), static_cast<std::size_t>((rgb_space ? 3 : 1) << image.bits));
  } else {
    EXPECT_TRUE(palette.empty());
  }
  EXPECT_EQ(Values(FindOperation(job, "SetCursor"), 0x4C), (std::vector<double>{300, 400}));
}

INSTANTIATE_TEST_SUITE_P(Images,
                         GKestrixImageTest,
                         ::testing::ValuesIn(ImageCases()),
                         [](const ::testing::TestParamInfo<ImageCase>& info) {
                           return Name(info.param);
                         });

TEST(GKestrixImageTest, DirectRowsArriveAsTheyAreInTheBitmap) {
  // 8-bit gray without dithering and 24-bit RGB, drawn at their own size: the rows are the
  // bitmap's bytes, padded to 4.
  for (const int bits : {8, 24}) {
    const int width = 5;
    const std::size_t row_bytes = static_cast<std::size_t>(bits / 8 * width);
    const std::vector<std::uint8_t> pixels = Noise(row_bytes * 3, 99);
    const GBitmap bitmap = MakeBitmap(width, 3, bits, pixels);
    const XlJob job = DrawJob({.rgb = bits == 24, .halftone = true}, [&](JobHarness&, GKestrix& k) {
      GRasterGraphic graphic(bitmap, nullptr, {0, 0, 5, 3}, {0, 0, 5, 3}, GBitmap());
      EXPECT_EQ(k.HandleRasterGraphic(graphic), 0);
    });
    ASSERT_EQ(job.rasters.size(), 1u);
    ASSERT_EQ(job.rasters[0].rows.size(), 3u);
    for (std::size_t y = 0; y < 3; ++y) {
      Bytes row(pixels.begin() + static_cast<long>(y * row_bytes),
                pixels.begin() + static_cast<long>((y + 1) * row_bytes));
      // 24-bit pixels are stored blue, green, red and sent red, green, blue.
      for (std::size_t x = 0; bits == 24 && x + 2 < row.size(); x += 3) {
        std::swap(row[x], row[x + 2]);
      }
      row.resize((row.size() + 3) / 4 * 4, 0);
      EXPECT_EQ(job.rasters[0].rows[y], row) << bits << " bits, row " << y;
    }
  }
}

TEST(GKestrixImageTest, PalettesArePaddedOrCutToTwoToTheBits) {
  struct PaletteCase {
    int bits;
    int entries;
    bool rgb;
    std::size_t bytes;
  };
  for (const PaletteCase& c : {PaletteCase{1, 2, false, 2}, PaletteCase{4, 3, false, 16},
                               PaletteCase{4, 3, true, 48}, PaletteCase{1, 5, true, 6}}) {
    const GBitmap bitmap = MakeBitmap(8, 1, c.bits, Noise(c.bits, 1), Palette(c.entries));
    const XlJob job = DrawJob({.rgb = c.rgb, .halftone = true}, [&](JobHarness&, GKestrix& k) {
      GRasterGraphic graphic(bitmap, nullptr, {0, 0, 8, 1}, {0, 0, 8, 1}, GBitmap());
      EXPECT_EQ(k.HandleRasterGraphic(graphic), 0);
    });
    const XlOperation* space = FindOperation(job, "SetColorSpace");
    const std::vector<double> palette = Values(space, xl_attr::kPaletteData);
    ASSERT_EQ(palette.size(), c.bytes) << c.bits << " bits, " << c.entries << " entries";
    // The bitmap's entries as gray levels or RGB bytes, then zeros up to 2^bits entries.
    const GPaletteTable* table = bitmap.GetPalette();
    ASSERT_NE(table, nullptr);
    std::vector<double> expected;
    for (std::uint32_t i = 0; i < (1u << c.bits); ++i) {
      const GRGBColor color =
          i < table->GetCount() ? table->GetEntry(i)->AsRGBColor() : GRGBColor();
      const std::uint32_t r = i < table->GetCount() ? color.GetRed() : 0;
      const std::uint32_t g = i < table->GetCount() ? color.GetGreen() : 0;
      const std::uint32_t b = i < table->GetCount() ? color.GetBlue() : 0;
      if (c.rgb) {
        expected.insert(expected.end(), {double(r), double(g), double(b)});
      } else {
        expected.push_back(double((30 * r + 59 * g + 11 * b) / 100));
      }
    }
    EXPECT_EQ(palette, expected);
    ASSERT_EQ(job.rasters.size(), 1u);
    EXPECT_EQ(job.rasters[0].color_mapping, 1);
  }
}

TEST(GKestrixImageTest, BlocksJoinRowsWhileOneMoreRowStaysBelowTheBlockSize) {
  struct BlockCase {
    int width;  // 8-bit gray pixels a row, or 24-bit RGB pixels
    bool rgb;
    int height;
    std::vector<double> block_heights;
  };
  // Rows of 1000 bytes: 16 a block (16,000 + 1,000 reaches 16,384). Rows of 18,000 bytes: one a
  // block.
  for (const BlockCase& c :
       {BlockCase{1000, false, 40, {16, 16, 8}}, BlockCase{6000, true, 3, {1, 1, 1}}}) {
    const int bytes = c.rgb ? 3 * c.width : c.width;
    const GBitmap bitmap = MakeBitmap(c.width, c.height, c.rgb ? 24 : 8,
                                      Noise(static_cast<std::size_t>(bytes) * c.height, 5));
    const GRect rect{0, 0, static_cast<std::int16_t>(c.width), static_cast<std::int16_t>(c.height)};
    const XlJob job = DrawJob({.rgb = c.rgb, .halftone = true, .compression = 0},
                              [&](JobHarness&, GKestrix& k) {
                                GRasterGraphic graphic(bitmap, nullptr, rect, rect, GBitmap());
                                EXPECT_EQ(k.HandleRasterGraphic(graphic), 0);
                              },
                              {0, {}, {}, MakeTestMedia(99, 7000, 7000)});
    std::vector<double> heights;
    std::vector<double> starts;
    double line = 0;
    for (const XlOperation& op : job.operations) {
      if (XlOperatorName(op.code) == "ReadImage") {
        starts.push_back(Values(&op, xl_attr::kStartLine)[0]);
        heights.push_back(Values(&op, xl_attr::kBlockHeight)[0]);
        EXPECT_EQ(starts.back(), line);
        line += heights.back();
        EXPECT_EQ(op.data.size(), static_cast<std::size_t>(heights.back() * ((bytes + 3) / 4 * 4)));
      }
    }
    EXPECT_EQ(heights, c.block_heights) << c.width;
    ASSERT_EQ(job.rasters.size(), 1u);
    EXPECT_EQ(job.rasters[0].rows.size(), static_cast<std::size_t>(c.height));
  }
}

TEST(GKestrixImageTest, ImagesAreCutToThePrintableAreaAndTheClip) {
  const GBitmap bitmap = MakeBitmap(100, 10, 8, Noise(1000, 3));
  auto draw_at = [&](GRect destination, GGraphicBundle* bundle) {
    return DrawJob({.halftone = true}, [&](JobHarness& harness, GKestrix&) {
      ASSERT_EQ(
          harness.Send(new GRasterGraphic(bitmap, bundle, {0, 0, 100, 10}, destination, GBitmap())),
          0);
    });
  };
  // The printable area is 4900 x 6400: an image beyond it writes nothing; one across its right
  // edge keeps the part inside.
  EXPECT_EQ(PageOperators(draw_at({5000, 100, 5100, 110}, nullptr)), std::vector<std::string>{});
  const XlJob across = draw_at({4850, 100, 4950, 110}, nullptr);
  ASSERT_EQ(across.rasters.size(), 1u);
  EXPECT_EQ(across.rasters[0].width, 50);
  EXPECT_EQ(across.rasters[0].dest_width, 50);
  // A clip outside the destination: only the clip is written.
  auto* bundle = new GGraphicBundle;
  bundle->SetClip(new GClipToSingleRectangle(GRect{0, 0, 50, 50}, 0, 1, 0));
  EXPECT_EQ(PageOperators(draw_at({1000, 1000, 1100, 1010}, bundle)),
            (std::vector<std::string>{"SetClipMode", "SetClipRectangle"}));
}

TEST(GKestrixImageTest, AnEmptyDeliveredRectangleWritesBeginAndEndOnly) {
  const GBitmap bitmap = MakeBitmap(4, 4, 8, Noise(16, 3));
  // The checker warns of the image of no height.
  const XlJob job = DrawJob(
      {.halftone = true},
      [&](JobHarness&, GKestrix& k) {
        EXPECT_EQ(k.SendImage(bitmap, nullptr, {0, 0, 4, 0}, {0, 0, 4, 4}, false, 0), 0);
      },
      {0, {}, {}, MakeTestMedia(2, 5100, 6600)}, true);
  EXPECT_EQ(PageOperators(job),
            (std::vector<std::string>{"SetColorSpace", "SetCursor", "BeginImage", "EndImage"}));
}

TEST(GKestrixImageTest, AnImageWhoseMemoryCannotBeHadWritesNothingAndAnswers5) {
  const GBitmap bitmap = MakeBitmap(64, 16, 8, Noise(64 * 16, 3));
  // Each allocation of the image refused in turn: the handler answers 5 and writes nothing, or
  // (a stage the chain can do without) the whole image.
  for (int skip = 0;; ++skip) {
    int refused = 0;
    std::uint16_t status = 0;
    const XlJob job = DrawJob({.halftone = true}, [&](JobHarness&, GKestrix& k) {
      GRasterGraphic graphic(bitmap, nullptr, {0, 0, 64, 16}, {0, 0, 32, 8}, GBitmap());
      const FailingAllocation failing(skip);
      status = k.HandleRasterGraphic(graphic);
      refused = failing.Refused();
    });
    if (refused == 0) {
      EXPECT_GT(skip, 3);
      break;
    }
    if (status != 0) {
      EXPECT_EQ(status, GKestrix::kStreamFailed) << skip;
      EXPECT_EQ(PageOperators(job), std::vector<std::string>{}) << skip;
    } else {
      // Without its scale stage the image goes at its own size, which the printer scales.
      ASSERT_EQ(job.rasters.size(), 1u) << skip;
      EXPECT_EQ(job.rasters[0].rows.size(), static_cast<std::size_t>(job.rasters[0].height))
          << skip;
      EXPECT_EQ(job.rasters[0].dest_width, 32) << skip;
    }
  }
}

// --- Patterns ----------------------------------------------------------------------------------

TEST(GKestrixPatternTest, PatternsKeepTheirAspectWhenScaled) {
  struct PatternCase {
    int width;
    int height;
    std::optional<std::uint16_t> scale_patterns;
    std::vector<double> destination;
  };
  for (const PatternCase& c : {PatternCase{8, 8, 1, {32, 32}}, PatternCase{8, 6, 1, {32, 24}},
                               PatternCase{8, 6, 0, {8, 6}}}) {
    const GBitmap bitmap =
        MakeBitmap(c.width, c.height, 1, Noise(static_cast<std::size_t>(c.height), 4));
    const XlJob job = DrawJob({.scale_patterns = c.scale_patterns}, [&](JobHarness&, GKestrix& k) {
      EXPECT_EQ(k.DownloadPattern(bitmap, 7), 1);
    });
    const XlOperation* begin = FindOperation(job, "BeginRastPattern");
    ASSERT_NE(begin, nullptr);
    EXPECT_EQ(Values(begin, xl_attr::kDestinationSize), c.destination);
    EXPECT_EQ(Values(begin, xl_attr::kPatternDefineID), std::vector<double>{7});
    EXPECT_EQ(Values(begin, xl_attr::kPatternPersistence), std::vector<double>{0});
    ASSERT_EQ(job.rasters.size(), 1u);
    EXPECT_TRUE(job.rasters[0].pattern);
    EXPECT_EQ(job.rasters[0].width, c.width);
    EXPECT_EQ(job.rasters[0].rows.size(), static_cast<std::size_t>(c.height));
    // Patterns are never run-length encoded, whatever the compression.
    for (int mode : job.rasters[0].compress_modes) {
      EXPECT_EQ(mode, 0);
    }
  }
}

TEST(GKestrixPatternTest, RasterPaintsSelectPatternOneAndAnEmptyOneTheNullSource) {
  const GBitmap hatch = MakeBitmap(8, 8, 1, Noise(8, 2));
  const XlJob job = DrawJob({}, [&](JobHarness&, GKestrix& k) {
    GPen pen(2, new GRasterPaint(hatch));
    EXPECT_EQ(k.HandlePen(pen), 0);
    GBrush brush(new GRasterPaint(hatch));
    EXPECT_EQ(k.HandleBrush(brush), 0);
    GPen empty_pen(2, new GRasterPaint());
    EXPECT_EQ(k.HandlePen(empty_pen), 0);
    GBrush empty_brush(new GRasterPaint(GBitmap()));
    EXPECT_EQ(k.HandleBrush(empty_brush), 0);
  });
  std::vector<std::string> sources;
  for (const XlOperation& op : job.operations) {
    const std::string name = XlOperatorName(op.code);
    if (name == "SetPenSource" || name == "SetBrushSource") {
      sources.push_back(name + " " + XlAttributeName(op.attributes.at(0).id) + "=" +
                        std::to_string(static_cast<int>(op.attributes.at(0).values.at(0))));
    }
  }
  EXPECT_EQ(sources, (std::vector<std::string>{
                         "SetPenSource PatternSelectID=1", "SetBrushSource PatternSelectID=1",
                         "SetPenSource NullPen=0", "SetBrushSource NullBrush=0"}));
  EXPECT_EQ(job.rasters.size(), 2u);
}

// --- Scan lines --------------------------------------------------------------------------------

TEST(GKestrixScanLineTest, RowsBetweenBeginAndEndSendGapAndRunPairs) {
  const XlJob job = DrawJob({}, [&](JobHarness&, GKestrix& k) {
    GPolyLineToGraphic marker(nullptr, nullptr, 0);
    EXPECT_EQ(k.HandleRasterBegin(marker), 0);
    EXPECT_EQ(k.GetScanFlag(), 1);
    const GPoint row[] = {{0, 50}, {10, 20}, {30, 35}, {300, 700}};
    GPolyLineToGraphic line(GPointList::CopyOf(row, 4), nullptr, 0);
    EXPECT_EQ(k.HandleRasterRow(line), 0);
    const GPoint lone[] = {{0, 51}};
    GPolyLineToGraphic single(GPointList::CopyOf(lone, 1), nullptr, 0);
    EXPECT_EQ(k.HandleRasterRow(single), 0);
    EXPECT_EQ(k.HandleRasterEnd(marker), 0);
    EXPECT_EQ(k.GetScanFlag(), 0);
  });
  EXPECT_EQ(PageOperators(job), (std::vector<std::string>{"BeginScan", "ScanLineRel", "EndScan"}));
  const XlOperation* scan = FindOperation(job, "ScanLineRel");
  ASSERT_NE(scan, nullptr);
  // Runs 10-20, 30-35, 300-700: (0, 10), (10, 5), (265, 400), 16-bit values (one is above 255).
  const Bytes expected = {3,             // scan line records follow
                          10, 0, 50, 0,  // x of the first run, y of the line
                          3,  0, 2,      // three pairs of 16-bit values
                          0,  0, 10, 0, 10, 0, 5, 0, 9, 1, 144, 1};
  EXPECT_EQ(scan->data, expected);
}

}  // namespace
}  // namespace vel::test
