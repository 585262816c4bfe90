// The page filters stand in every job's chain, so every graphic of every page passes through each
// of them. A page of 10,000 rectangles, each with its own bundle of pen, brush, clip, raster
// operation and fill mode as the render module makes them, is sent one graphic at a time through
// a chain of the scale-page filter (50 %), the n-up filter (4 pages a sheet) and a counting stage
// that merges and attaches each bundle as a back end does. Beside it: the same chain with both
// filters switched off by the document's settings (the common case), and the counting stage
// alone, the floor. Graphics per second are reported; the target is the filtered chain at 0.6 x
// the counting stage alone or better.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GClipToPage.h"
#include "framework/pipeline/GColorPaint.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GFillMode.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GNupFilter.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterOperation.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "framework/pipeline/GScalePageFilter.h"
#include "framework/pipeline/GTransformAttribute.h"

namespace {

namespace key = vel::key;

constexpr int kGraphics = 10000;

// The end of the chain: merges and attaches each bundle (the peripheral's own handling) and
// counts the rectangles and the attributes it is handed.
class CountingStage : public GPeripheral {
 public:
  RWCollectable* Clone() const override { return new CountingStage(*this); }
  std::uint16_t HandleRectangleGraphic(GRectangleGraphic& /*graphic*/) override {
    ++graphics;
    return 0;
  }
  std::uint16_t HandlePen(GPen& /*pen*/) override {
    ++attributes;
    return 0;
  }
  std::uint16_t HandleBrush(GBrush& /*brush*/) override {
    ++attributes;
    return 0;
  }

  long graphics = 0;
  long attributes = 0;
};

GMedia* Letter(std::uint32_t k) {
  const std::int16_t size[2] = {5100, 6600};
  const std::int16_t printable[2] = {4860, 6360};
  const std::int16_t origin[2] = {120, 120};
  return new GMedia("Letter", size, printable, origin, 0, 1, 600, 600, k, 0, "", "");
}

void Send(GPeripheral& head, GCommand* command) {
  const GCommandRef held(command);
  const GCommandRef out(head.ProcessCommand(held.Get()));
  benchmark::DoNotOptimize(out.Get());
}

GColorPaint* Paint(int level) {
  const auto value = static_cast<std::uint8_t>(level);
  return new GColorPaint(new GRGBColor(value, value, value, 0));
}

enum class Kind { kFiltered, kSwitchedOff, kStageAlone };

void BM_PageOfRectangles(benchmark::State& state, Kind kind) {
  GPeripheralComposite head;
  if (kind != Kind::kStageAlone) {
    head.Add(new GScalePageFilter);
    head.Add(new GNupFilter);
  }
  auto* stage = new CountingStage;
  head.Add(stage);
  head.Reset();
  auto* document = new GState(key::kDocumentGroup);
  document->Add(Letter(key::kSelectedMedia));
  document->Add(new GValueAttribute(0, key::kOrientation));
  if (kind == Kind::kFiltered) {
    document->Add(new GValueAttribute(50, key::kScalePercentage));
    auto* nup = new GState(key::kNupGroup);
    nup->Add(new GValueAttribute(4, key::kPagesPerSheet));
    document->Add(nup);
  }
  Send(head, new GDocumentStart(RWWString(u"job"), RWWString(u"printer"), nullptr, document, 0));
  for (auto _ : state) {
    auto* page = new GState(key::kPageGroup);
    page->Add(Letter(key::kSelectedMedia));
    page->Add(new GValueAttribute(0, key::kOrientation));
    page->Add(new GTransformAttribute(0, GPoint{120, 120}, GScale{}));
    Send(head, new GPageStart(page, 0));
    for (int i = 0; i < kGraphics; ++i) {
      auto* bundle = new GGraphicBundle;
      bundle->SetPen(new GPen(static_cast<std::uint16_t>(1 + i % 3), Paint(i % 200)));
      bundle->SetBrush(new GBrush(Paint((i + 1) % 200)));
      bundle->SetClip(new GClipToPage(key::kBundleClip));
      bundle->SetRasterOperation(new GRasterOperation(252, 2));
      bundle->SetFillMode(new GFillMode(i % 2));
      const auto x = static_cast<std::int16_t>(i % 100 * 48);
      const auto y = static_cast<std::int16_t>(i / 100 * 64);
      Send(head, new GRectangleGraphic(
                     GRect{x, y, static_cast<std::int16_t>(x + 40), static_cast<std::int16_t>(y + 60)},
                     bundle, 0));
    }
    Send(head, new GPageEnd(0));
  }
  Send(head, new GDocumentEnd(0));
  state.SetItemsProcessed(state.iterations() * kGraphics);
  state.counters["graphics/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kGraphics,
                         benchmark::Counter::kIsRate);
  if (stage->graphics != static_cast<long>(state.iterations()) * kGraphics) {
    state.SkipWithError("graphics were lost on the way");
  }
}

BENCHMARK_CAPTURE(BM_PageOfRectangles, scale_page_and_nup, Kind::kFiltered)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PageOfRectangles, filters_switched_off, Kind::kSwitchedOff)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PageOfRectangles, counting_stage_alone, Kind::kStageAlone)
    ->Unit(benchmark::kMillisecond);

}  // namespace
