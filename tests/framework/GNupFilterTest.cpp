// The n-up filter: the grid, cells and page transforms of hand-computed cases, page orders, the
// duplex flip, whole jobs against transcripts written by hand, the documents it leaves alone
// (settings absent, one page per sheet, settings outside its domain), and its stored form.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/output/GKestrix.h"
#include "framework/output/GPJL.h"
#include "framework/pipeline/GCommandComposite.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GNupFilter.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "framework/pipeline/GTransformAttribute.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/FwJobHarness.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTranscript.h"
#include "tests/support/FwTranscriptPeripheral.h"
#include "tools/veldata/DriverData.h"

namespace {

namespace key = vel::key;
using vel::test::FormatMedia;
using vel::test::FormatTransform;

struct Paper {
  std::int16_t width, height, printable_width, printable_height, origin_x, origin_y;
};

constexpr Paper kLetter{5100, 6600, 4860, 6360, 120, 120};
constexpr Paper kLetterSideways{6600, 5100, 6360, 4860, 120, 120};

GMedia* MakeMedia(const Paper& paper, std::int32_t orientation = 0) {
  const std::int16_t size[2] = {paper.width, paper.height};
  const std::int16_t printable[2] = {paper.printable_width, paper.printable_height};
  const std::int16_t origin[2] = {paper.origin_x, paper.origin_y};
  return new GMedia("Letter", size, printable, origin, orientation, 1, 600, 600,
                    key::kSelectedMedia, 0, "", "");
}

std::string MediaText(const Paper& paper) {
  return FormatMedia("Letter", paper.width, paper.height, paper.origin_x, paper.origin_y, 0);
}

struct Settings {
  std::optional<int> pages_per_sheet = 2;
  std::optional<int> page_order = 0;
  int frames = 0;
  bool group = true;
  bool media = true;
  Paper paper = kLetter;
  std::optional<int> duplex;
};

GDocumentStart* DocumentStart(const Settings& settings) {
  auto* bundle = new GState(key::kDocumentGroup);
  if (settings.group) {
    auto* group = new GState(key::kNupGroup);
    if (settings.pages_per_sheet) {
      group->Add(new GValueAttribute(static_cast<std::uint16_t>(*settings.pages_per_sheet),
                                     key::kPagesPerSheet));
    }
    group->Add(new GValueAttribute(static_cast<std::uint16_t>(settings.frames), key::kNupFrames));
    if (settings.page_order) {
      group->Add(new GValueAttribute(static_cast<std::uint16_t>(*settings.page_order),
                                     key::kPageOrder));
    }
    bundle->Add(group);
  }
  if (settings.media) {
    bundle->Add(MakeMedia(settings.paper));
  }
  bundle->Add(new GValueAttribute(0, key::kOrientation));
  if (settings.duplex) {
    bundle->Add(new GValueAttribute(static_cast<std::uint16_t>(*settings.duplex), key::kDuplex));
  }
  return new GDocumentStart(RWWString(), RWWString(), nullptr, bundle, 0);
}

GPageStart* PageStart(const Paper& paper = kLetter) {
  auto* bundle = new GState(key::kPageGroup);
  bundle->Add(MakeMedia(paper));
  bundle->Add(new GValueAttribute(0, key::kOrientation));
  return new GPageStart(bundle, 0);
}

// A chain of the filter and the transcript stage behind it.
class NupChain {
 public:
  NupChain() { filter_.Reset(); }

  void Send(GCommand* command) {
    GCommandRef held(command);
    GCommandRef filtered(filter_.ProcessCommand(held.Release()));
    GCommandRef sunk(sink_.ProcessCommand(filtered.Release()));
  }

  // A document of `pages` pages, each holding one rectangle.
  void Document(const Settings& settings, int pages, bool graphic_transform = false) {
    Send(DocumentStart(settings));
    for (int page = 0; page < pages; ++page) {
      Send(PageStart(settings.paper));
      auto* bundle = new GGraphicBundle;
      if (graphic_transform) {
        bundle->SetAttribute(new GTransformAttribute);
      }
      Send(new GRectangleGraphic(GRect{10, 10, 20, 20}, bundle, 0));
      Send(new GPageEnd(0));
    }
    Send(new GDocumentEnd(0));
  }

  GNupFilter& Filter() { return filter_; }
  FwTranscriptPeripheral& Sink() { return sink_; }
  const std::vector<std::string>& Lines() const { return sink_.Lines(); }

 private:
  GNupFilter filter_;
  FwTranscriptPeripheral sink_;
};

// ---------------------------------------------------------------------------------------------
// Geometry by hand

struct GridCase {
  const char* name;
  Paper paper;
  int pages_per_sheet;
  std::vector<std::int64_t> candidates;
  int winner;
  int columns, rows;
  int sheet_width, sheet_height, sheet_orientation;
  int cell_width, cell_height;
  std::vector<GPoint> translations;
  const char* scale;  // seven significant digits
};

std::vector<GPoint> Steps(GPoint first, int columns, int rows, int across, int down) {
  std::vector<GPoint> points;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      points.push_back(GPoint{static_cast<std::int16_t>(first.x + c * across),
                              static_cast<std::int16_t>(first.y + r * down)});
    }
  }
  return points;
}

const GridCase kGridCases[] = {
    {"letter 2", kLetter, 2, {1535, 379, 2633, 651}, 3, 2, 1, 6600, 5100, 90, 3165, 4860,
     {{194, 576}, {3389, 576}}, "0.6205882"},
    {"letter 4", kLetter, 4, {763, 763, 1310, 1310}, 0, 2, 2, 5100, 6600, 0, 2415, 3165,
     {{176, 196}, {2621, 196}, {176, 3391}, {2621, 3391}}, "0.4735294"},
    {"sideways 2", kLetterSideways, 2, {2633, 651, 1535, 379}, 2, 1, 2, 5100, 6600, 0, 4860,
     3165, {{576, 194}, {576, 3389}}, "0.6205882"},
    {"letter 6", kLetter, 6, {1150, 505, 1978, 869}, 3, 3, 2, 6600, 5100, 90, 2100, 2415,
     {{280, 163}, {2410, 163}, {4540, 163}, {280, 2608}, {2410, 2608}, {4540, 2608}},
     "0.3659091"},
    {"letter 9", kLetter, 9, {761, 761, 1312, 1312}, 0, 3, 3, 5100, 6600, 0, 1600, 2100,
     Steps({157, 172}, 3, 3, 1630, 2130), "0.3137255"},
};

// The translations of the transforms that place a page of `paper` in each cell, in filling order.
std::vector<GPoint> CellTranslations(const GNupFilter& filter, const Paper& paper) {
  std::vector<GPoint> points;
  const GNupCell page(0, GPoint{paper.origin_x, paper.origin_y}, GPoint{paper.width, paper.height},
                      0);
  for (const GNupCell& cell : filter.GetCells()) {
    points.push_back(GNupFilter::CellTransform(cell, page).GetTranslation());
  }
  return points;
}

TEST(GNupFilterTest, LaysOutTheHandComputedGrids) {
  for (const GridCase& c : kGridCases) {
    SCOPED_TRACE(c.name);
    NupChain chain;
    Settings settings;
    settings.paper = c.paper;
    settings.pages_per_sheet = c.pages_per_sheet;
    chain.Send(DocumentStart(settings));
    const GNupFilter& filter = chain.Filter();
    ASSERT_TRUE(filter.IsEnabled());
    EXPECT_EQ(std::vector<std::int64_t>(filter.GetCandidates(), filter.GetCandidates() + 4),
              c.candidates);
    EXPECT_EQ(filter.GetWinner(), c.winner);
    EXPECT_EQ(filter.GetColumns(), c.columns);
    EXPECT_EQ(filter.GetRows(), c.rows);
    EXPECT_EQ(filter.GetSheetWidth(), c.sheet_width);
    EXPECT_EQ(filter.GetSheetHeight(), c.sheet_height);
    EXPECT_EQ(filter.GetSheetOrientation(), c.sheet_orientation);
    ASSERT_FALSE(filter.GetCells().empty());
    EXPECT_EQ(filter.GetCells()[0].GetSize(),
              (GPoint{static_cast<std::int16_t>(c.cell_width),
                      static_cast<std::int16_t>(c.cell_height)}));
    EXPECT_EQ(CellTranslations(filter, c.paper), c.translations);
    EXPECT_EQ(vel::test::FormatReal(filter.GetScaleX()), c.scale);
    EXPECT_EQ(filter.GetScaleY(), filter.GetScaleX());
    EXPECT_EQ(filter.GetTransform().GetScale().x, filter.GetScaleX());
    const GNupCell page(0, GPoint{c.paper.origin_x, c.paper.origin_y},
                        GPoint{c.paper.width, c.paper.height}, 0);
    EXPECT_EQ(vel::test::FormatReal(
                  GNupFilter::CellTransform(filter.GetCells()[0], page).GetScale().x),
              c.scale);
  }
}

TEST(GNupFilterTest, PageOrdersFillTheCellsInTheirOrder) {
  const struct {
    int order;
    std::vector<GPoint> cells;
  } cases[] = {
      {1, {{176, 196}, {176, 3391}, {2621, 196}, {2621, 3391}}},
      {2, {{2621, 196}, {176, 196}, {2621, 3391}, {176, 3391}}},
      {3, {{2621, 196}, {2621, 3391}, {176, 196}, {176, 3391}}},
  };
  for (const auto& c : cases) {
    NupChain chain;
    Settings settings;
    settings.pages_per_sheet = 4;
    settings.page_order = c.order;
    chain.Send(DocumentStart(settings));
    EXPECT_EQ(CellTranslations(chain.Filter(), kLetter), c.cells) << "order " << c.order;
  }
}

TEST(GNupFilterTest, TurningTheSheetSwapsTheDuplexBinding) {
  const struct {
    Paper paper;
    int pages_per_sheet;
    int duplex;
    int sent;
  } cases[] = {
      {kLetter, 2, 1, 2},         {kLetter, 2, 2, 1}, {kLetter, 2, 0, 0},
      {kLetter, 6, 1, 2},         {kLetter, 4, 1, 1}, {kLetter, 9, 2, 2},
      {kLetterSideways, 2, 1, 1},
  };
  for (const auto& c : cases) {
    NupChain chain;
    Settings settings;
    settings.paper = c.paper;
    settings.pages_per_sheet = c.pages_per_sheet;
    settings.duplex = c.duplex;
    chain.Send(DocumentStart(settings));
    ASSERT_FALSE(chain.Lines().empty());
    const std::string& line = chain.Lines().back();
    EXPECT_NE(line.find("253 = " + std::to_string(c.sent)), std::string::npos)
        << c.pages_per_sheet << " per sheet, duplex " << c.duplex << ": " << line;
  }
}

// ---------------------------------------------------------------------------------------------
// Transcripts by hand

std::string Placement(int x, int y, const char* scale) {
  return "GNullCommand 0: 0 = transform(rotation 0, translation " + std::to_string(x) + "," +
         std::to_string(y) + ", scale " + scale + "," + scale + ")";
}

std::string FrameTail(const char* pen) {
  return ": 0 = " + FormatTransform(0, 0, 0, 1, 1) +
         "; 177 = clip to page; 182 = fill mode 0; 183 = rop 240 mode 0; 154 = no brush; 160 = " +
         pen;
}

const std::string kFramePen = "pen(width 2, rgb(0, 0, 0, 255))";

TEST(GNupFilterTest, TwoPerSheetWithFramesMatchesTheTranscriptByHand) {
  NupChain chain;
  Settings settings;
  settings.frames = 1;
  settings.duplex = 1;
  chain.Document(settings, 3, true);
  const std::string media = MediaText(kLetter);
  const std::string frame1 = "GRectangleGraphic 0 (118, 118, 3287, 4982)" + FrameTail(kFramePen.c_str());
  const std::string frame2 = "GRectangleGraphic 0 (3313, 118, 6482, 4982)" + FrameTail(kFramePen.c_str());
  const std::string graphic1 = "GRectangleGraphic 0 (10, 10, 20, 20): 0 = " +
                               FormatTransform(0, 194, 576, 0.6205882, 0.6205882);
  const std::string graphic2 = "GRectangleGraphic 0 (10, 10, 20, 20): 0 = " +
                               FormatTransform(0, 3389, 576, 0.6205882, 0.6205882);
  const std::vector<std::string> expected = {
      "GDocumentStart 0: 328 = { 266 = 2; 267 = 1; 268 = 0 }; 259 = " + media +
          "; 265 = 0; 253 = 2",
      "GPageStart 0: 265 = 90; 259 = " + media,
      Placement(194, 576, "0.6205882"),
      graphic1,
      frame1,
      "GNullCommand 0:",
      "GNullCommand 0:",
      Placement(3389, 576, "0.6205882"),
      graphic2,
      frame2,
      "GPageEnd 0:",
      "GPageStart 0: 265 = 90; 259 = " + media,
      Placement(194, 576, "0.6205882"),
      graphic1,
      frame1,
      "GNullCommand 0:",
      "GPageEnd 0:",
      "GDocumentEnd 0:",
  };
  EXPECT_EQ(chain.Lines(), expected);
}

TEST(GNupFilterTest, FivePagesFourPerSheetFrameOnlyTheFilledCells) {
  for (const int frames : {1, 0}) {
    SCOPED_TRACE(frames);
    NupChain chain;
    Settings settings;
    settings.pages_per_sheet = 4;
    settings.frames = frames;
    settings.page_order = 2;
    chain.Document(settings, 5);
    const std::vector<std::string> lines = chain.Lines();
    const std::string pen = frames != 0 ? kFramePen : "no pen";
    // Page order 2 fills the top row from the right.
    const std::vector<std::string> cells = {
        "(2563, 118, 4982, 3287)", "(118, 118, 2537, 3287)", "(2563, 3313, 4982, 6482)",
        "(118, 3313, 2537, 6482)"};
    std::vector<std::string> framed;
    int page_starts = 0;
    int page_ends = 0;
    for (const std::string& line : lines) {
      if (line.find(FrameTail(pen.c_str())) != std::string::npos) {
        framed.push_back(frames != 0 ? line.substr(line.find('('), line.find(')') - line.find('(') + 1)
                                     : line);
      }
      page_starts += line.rfind("GPageStart", 0) == 0 ? 1 : 0;
      page_ends += line.rfind("GPageEnd", 0) == 0 ? 1 : 0;
    }
    ASSERT_EQ(framed.size(), 5u);
    if (frames != 0) {
      EXPECT_EQ(framed, (std::vector<std::string>{cells[0], cells[1], cells[2], cells[3],
                                                  cells[0]}));
    } else {
      EXPECT_EQ(framed[0], "GNullCommand 0" + FrameTail("no pen"));
    }
    EXPECT_EQ(page_starts, 2);
    EXPECT_EQ(page_ends, 2);
    // The fifth page start passes, its page end becomes a null command, and a new page end goes
    // before the document end.
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], "GNullCommand 0:");
    EXPECT_EQ(lines[lines.size() - 2], "GPageEnd 0:");
    EXPECT_EQ(lines.back(), "GDocumentEnd 0:");
  }
}

TEST(GNupFilterTest, AGraphicWithoutATransformKeepsItsBundle) {
  NupChain chain;
  Settings settings;
  chain.Send(DocumentStart(settings));
  chain.Send(PageStart());
  auto* bundle = new GGraphicBundle;
  auto* graphic = new GRectangleGraphic(GRect{1, 2, 3, 4}, bundle, 0);
  GCommandRef held(graphic);
  GCommandRef out(chain.Filter().ProcessCommand(graphic));
  EXPECT_EQ(out.Get(), graphic);
  EXPECT_EQ(graphic->GetGraphicBundle(), bundle);
  EXPECT_EQ(bundle->Children().Count(), 0u);
  (void)out.Release();
}

// ---------------------------------------------------------------------------------------------
// Documents left alone

TEST(GNupFilterTest, DocumentsOutsideItsDomainPassUnchanged) {
  Settings no_group;
  no_group.group = false;
  Settings one;
  one.pages_per_sheet = 1;
  Settings none_per_sheet;
  none_per_sheet.pages_per_sheet = 0;
  Settings negative;
  negative.pages_per_sheet = 65535;  // -1 as a 16-bit value
  Settings missing_count;
  missing_count.pages_per_sheet.reset();
  Settings order_four;
  order_four.page_order = 4;
  Settings order_negative;
  order_negative.page_order = 65535;
  Settings no_media;
  no_media.media = false;
  Settings tiny_paper;
  tiny_paper.paper = Paper{200, 200, 200, 200, 0, 0};
  Settings zero_paper;
  zero_paper.paper = Paper{0, 0, 0, 0, 0, 0};
  Settings too_many;
  too_many.pages_per_sheet = 32767;
  const struct {
    const char* name;
    Settings settings;
  } cases[] = {{"no group", no_group},         {"one per sheet", one},
               {"none per sheet", none_per_sheet}, {"negative", negative},
               {"no count", missing_count},     {"order 4", order_four},
               {"order -1", order_negative},    {"no media", no_media},
               {"tiny paper", tiny_paper},      {"zero paper", zero_paper},
               {"32767 per sheet", too_many}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NupChain plain;
    plain.Filter().Disable();
    plain.Document(c.settings, 3, true);
    NupChain chain;
    chain.Document(c.settings, 3, true);
    EXPECT_FALSE(chain.Filter().IsEnabled());
    EXPECT_EQ(chain.Lines(), plain.Lines());
  }
}

TEST(GNupFilterTest, AJobThroughTheFixturesChainPassesWithTheFilterSwitchedOff) {
  GPeripheralComposite* head =
      vel::data::BuildChain(nullptr, vel::data::BuildPJL(vel::data::BuildPJLConfiguration()),
                            vel::data::BuildKestrix(vel::data::BuildLanguageConfiguration()));
  // The n-up filter is the last of the page filters, just ahead of the printer.
  auto* filter = dynamic_cast<GNupFilter*>(head->ChildAt(head->Count() - 2));
  ASSERT_NE(filter, nullptr);
  vel::test::JobHarness harness(vel::test::JobHarness::OverChain{head});
  EXPECT_EQ(harness.RunJob({vel::test::PageSettings{}, vel::test::PageSettings{}}), 0);
  EXPECT_FALSE(filter->IsEnabled());
  EXPECT_FALSE(harness.LastJob().XLPart().empty());
}

TEST(GNupFilterTest, APageStartWithoutMediaOrOrientationUsesTheSheetsAndAPageOfNoSizeStaysPut) {
  NupChain chain;
  Settings settings;
  chain.Send(DocumentStart(settings));
  chain.Send(new GPageStart(0));
  ASSERT_GE(chain.Lines().size(), 3u);
  EXPECT_EQ(chain.Lines()[2], Placement(194, 576, "0.6205882"));

  const GNupCell cell(0, GPoint{120, 120}, GPoint{3165, 4860}, 0);
  const GTransformAttribute none =
      GNupFilter::CellTransform(cell, GNupCell(0, GPoint{0, 0}, GPoint{0, 6600}, 0));
  EXPECT_TRUE(none.IsSameKey(&static_cast<const GTransformAttribute&>(GTransformAttribute())));
}

TEST(GNupFilterTest, CellTransformClampsWhatDoesNotFitSixteenBits) {
  const GNupCell cell(0, GPoint{100, 100}, GPoint{30000, 30000}, 0);
  const GNupCell page(0, GPoint{32767, 32767}, GPoint{1, 1}, 0);
  const GTransformAttribute transform = GNupFilter::CellTransform(cell, page);
  EXPECT_EQ(transform.GetScale().x, 30000.0f);
  // 100 + 32767 wraps in 16 bits; the shift itself is clamped, not undefined.
  EXPECT_EQ(transform.GetTranslation().x, static_cast<std::int16_t>(100 + 32767));
}

TEST(GNupFilterTest, RotatedPagesTurnAboutTheCell) {
  const GNupCell cell(0, GPoint{120, 120}, GPoint{3165, 4860}, 0);
  const struct {
    std::int16_t rotation;
    GPoint translation;
  } cases[] = {{90, {194, 4524}}, {180, {3228, 3716}}, {270, {3211, 576}}};
  for (const auto& c : cases) {
    const GTransformAttribute transform = GNupFilter::CellTransform(
        cell, GNupCell(0, GPoint{120, 120}, GPoint{6600, 5100}, c.rotation));
    EXPECT_EQ(transform.GetRotation(), c.rotation);
    EXPECT_EQ(transform.GetTranslation(), c.translation) << c.rotation;
  }
}

// ---------------------------------------------------------------------------------------------
// Stored form

FW_PERSIST_SAMPLES(vel::classid::kGNupFilter,
                   {{"n-up filter", [] { return new GNupFilter; }},
                    {"n-up filter after a document start", [] {
                       auto* filter = new GNupFilter;
                       Settings settings;
                       settings.pages_per_sheet = 4;
                       settings.frames = 1;
                       GCommandRef start(DocumentStart(settings));
                       (void)filter->ProcessCommand(start.Get());
                       GCommandRef page(PageStart());
                       GCommandRef out(filter->ProcessCommand(page.Release()));
                       return filter;
                     }}});

TEST(GNupFilterTest, StoresItsFieldsAfterThePeripheralPart) {
  const GNupFilter filter;
  const vel::test::Bytes bytes = vel::test::SaveContentsOf(vel::test::Carrier::kFile, filter);
  ASSERT_EQ(bytes.size(), filter.StoredByteCount());
  // Each media record: its class header and contents.
  const std::size_t media = GMedia().StoredByteCount() + 2;
  ASSERT_GT(bytes.size(), 40 + 2 * media);
  const std::size_t own = bytes.size() - 40 - 2 * media;
  EXPECT_EQ(vel::test::Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(own),
                             bytes.begin() + static_cast<std::ptrdiff_t>(own + 40)),
            vel::test::Bytes({0x03, 0, 0, 0,                          // class version word
                              0x78, 0, 0x78, 0, 0x78, 0, 0x78, 0,      // margins 120
                              0x1E, 0, 0, 0, 0x1E, 0, 0, 0,            // gutters 30
                              0x02, 0, 0, 0,                           // 2 per sheet, order 0
                              0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,      // sizes, orientations
                              0, 0, 0, 0}));                           // frames
}

TEST(GNupFilterTest, ARestoreResetsTheRunTimeFieldsAndAnotherVersionKeepsTheStoredOnes) {
  NupChain chain;
  Settings settings;
  settings.pages_per_sheet = 4;
  chain.Send(DocumentStart(settings));
  chain.Send(PageStart());
  for (const auto carrier : vel::test::kAllCarriers) {
    const vel::test::Bytes bytes = vel::test::SaveGraph(carrier, &chain.Filter());
    const vel::test::Restored restored = vel::test::RestoreGraph(carrier, bytes);
    ASSERT_FALSE(restored.failed);
    std::unique_ptr<GNupFilter> copy(dynamic_cast<GNupFilter*>(restored.object));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetPagesPerSheet(), 4);
    EXPECT_EQ(copy->GetSheetWidth(), 5100);
    EXPECT_EQ(copy->GetScaleX(), 0.0f);
    EXPECT_EQ(copy->GetPageCounter(), 0);
    EXPECT_EQ(copy->GetRows(), 0);
    EXPECT_TRUE(copy->GetTransform().IsSameKey(&static_cast<const GTransformAttribute&>(
        GTransformAttribute())));
  }
}

}  // namespace
