// A vector page of 2,000 graphics (rectangles, 50-point poly-lines, Bezier paths and ellipses, with
// pen and brush changes) through the PCL XL back end's handlers into a memory channel; beside it
// the same operator sequence written directly with the PCL XL writer's functions, and the same
// page sent through the whole chain (printer head, graphic bundles, state replay). Time and bytes
// per page are reported.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GProviderRegistry.h"
#include "framework/core/GState.h"
#include "framework/core/GStatusProvider.h"
#include "framework/output/GKestrix.h"
#include "framework/output/GOutputPort.h"
#include "framework/output/GPJL.h"
#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLPathOperators.h"
#include "framework/output/pclxl/XLStateOperators.h"
#include "framework/output/pclxl/XLStream.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GColorPaint.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GEllipseGraphic.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPathGraphic.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GPolyBezierGraphic.h"
#include "framework/pipeline/GPolyLineGraphic.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "tools/veldata/DriverData.h"

namespace {

constexpr int kGraphics = 2000;
constexpr int kLinePoints = 50;

class MemoryPort : public GOutputPort {
 public:
  MemoryPort() : GOutputPort(RWWString(u"memory")) {}
  std::uint16_t WriteRaw(const void* /*bytes*/,
                         std::uint32_t count,
                         std::uint32_t* written) override {
    bytes_ += count;
    *written = count;
    return 0;
  }
  bool IsUsable() override { return true; }
  static inline std::uint64_t bytes_ = 0;
};

class MemoryProvider : public GStatusProvider {
 public:
  GOutputPort* OpenOutputChannel(GDeviceSession*,
                                 const RWCString&,
                                 std::uint32_t,
                                 const RWWString*) override {
    return new MemoryPort;
  }
  std::uint32_t GetProviderFlags() const override { return 1; }
};

void Send(GPeripheralComposite& head, GCommand* command) {
  GCommandRef(head.ProcessCommand(GCommandRef(command).Release())).Reset();
}

// The page's geometry, made once.
struct Page {
  std::vector<GRect> boxes;
  std::vector<std::vector<GPoint>> lines;   // start point first
  std::vector<std::vector<GPoint>> curves;  // start point first, then 3 segments
};

const Page& ThePage() {
  static const Page page = [] {
    Page p;
    for (int i = 0; i < kGraphics; ++i) {
      const auto x = static_cast<std::int16_t>(100 + (i * 37) % 4500);
      const auto y = static_cast<std::int16_t>(100 + (i * 53) % 6500);
      p.boxes.push_back(
          {x, y, static_cast<std::int16_t>(x + 150), static_cast<std::int16_t>(y + 90)});
      std::vector<GPoint> line;
      for (int j = 0; j <= kLinePoints; ++j) {
        // Mostly short steps, every tenth a long one.
        line.push_back({static_cast<std::int16_t>(x + j * (j % 10 == 0 ? 200 : 7)),
                        static_cast<std::int16_t>(y + (j * 13) % 60)});
      }
      p.lines.push_back(line);
      p.curves.push_back({{x, y},
                          {static_cast<std::int16_t>(x + 40), static_cast<std::int16_t>(y - 30)},
                          {static_cast<std::int16_t>(x + 80), static_cast<std::int16_t>(y + 30)},
                          {static_cast<std::int16_t>(x + 120), y},
                          {static_cast<std::int16_t>(x + 300), static_cast<std::int16_t>(y - 200)},
                          {static_cast<std::int16_t>(x + 400), static_cast<std::int16_t>(y + 200)},
                          {static_cast<std::int16_t>(x + 500), y},
                          {static_cast<std::int16_t>(x + 510), static_cast<std::int16_t>(y + 5)},
                          {static_cast<std::int16_t>(x + 520), static_cast<std::int16_t>(y + 5)},
                          {static_cast<std::int16_t>(x + 530), y}});
    }
    return p;
  }();
  return page;
}

GPointList* List(const std::vector<GPoint>& points) {
  return GPointList::CopyOf(points.data(), static_cast<std::uint32_t>(points.size()));
}

// Graphic i of the page (the four kinds in turn), with a bundle when `bundle` is given.
GGraphic* MakeGraphic(int i, GGraphicBundle* bundle) {
  const Page& page = ThePage();
  switch (i % 4) {
    case 0:
      return new GRectangleGraphic(page.boxes[i], bundle, 0);
    case 1:
      return new GPolyLineGraphic(List(page.lines[i]), bundle, 0);
    case 2: {
      auto* path = new GPathGraphic(bundle, 0);
      path->Add(new GPolyBezierGraphic(List(page.curves[i]), nullptr, 0));
      return path;
    }
    default:
      return new GEllipseGraphic(page.boxes[i], bundle, 0);
  }
}

GColorPaint* Gray(int i) {
  const auto level = static_cast<std::uint8_t>(i * 7);
  return new GColorPaint(new GRGBColor(level, level, level, 0));
}

struct Chain {
  MemoryProvider provider;
  std::unique_ptr<GPeripheralComposite> head;
  GKestrix* kestrix = nullptr;

  Chain() {
    (void)GProviderRegistry::Instance().Register(&provider, "Benchmark Drawing");
    kestrix = vel::data::BuildKestrix(vel::data::BuildLanguageConfiguration());
    head.reset(vel::data::BuildChain(
        nullptr, vel::data::BuildPJL(vel::data::BuildPJLConfiguration()), kestrix));
    Send(*head, new GDocumentStart(RWWString(u"job"), RWWString(u"printer"), nullptr,
                                   new GState(vel::key::kDocumentGroup), 0));
  }
  ~Chain() {
    Send(*head, new GDocumentEnd);
    head.reset();
    (void)GProviderRegistry::Instance().Unregister("Benchmark Drawing");
  }
};

void BM_VectorPageThroughTheHandlers(benchmark::State& state) {
  Chain chain;
  GKestrix& k = *chain.kestrix;
  // The graphics and attributes are made once: the handlers are what is measured.
  std::vector<std::unique_ptr<GGraphic>> graphics;
  std::vector<std::unique_ptr<GPen>> pens;
  std::vector<std::unique_ptr<GBrush>> brushes;
  for (int i = 0; i < kGraphics; ++i) {
    graphics.emplace_back(MakeGraphic(i, nullptr));
    pens.emplace_back(new GPen(static_cast<std::uint16_t>(1 + i % 3), Gray(i)));
    brushes.emplace_back(new GBrush(Gray(i + 1)));
  }
  const std::uint64_t before = MemoryPort::bytes_;
  for (auto _ : state) {
    Send(*chain.head, new GPageStart(new GState(vel::key::kPageGroup), vel::key::kPageGroup));
    for (int i = 0; i < kGraphics; ++i) {
      if (i % 8 == 0) {
        benchmark::DoNotOptimize(k.HandlePen(*pens[i]));
        benchmark::DoNotOptimize(k.HandleBrush(*brushes[i]));
      }
      benchmark::DoNotOptimize(graphics[i]->Accept(k));
    }
    Send(*chain.head, new GPageEnd);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["bytes/page"] =
      static_cast<double>(MemoryPort::bytes_ - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_VectorPageThroughTheHandlers)->Unit(benchmark::kMillisecond);

void BM_VectorPageThroughTheChain(benchmark::State& state) {
  Chain chain;
  const std::uint64_t before = MemoryPort::bytes_;
  for (auto _ : state) {
    Send(*chain.head, new GPageStart(new GState(vel::key::kPageGroup), vel::key::kPageGroup));
    for (int i = 0; i < kGraphics; ++i) {
      auto* bundle = new GGraphicBundle;
      bundle->SetPen(new GPen(static_cast<std::uint16_t>(1 + i / 8 % 3), Gray(i / 8 * 8)));
      bundle->SetBrush(new GBrush(Gray(i / 8 * 8 + 1)));
      Send(*chain.head, MakeGraphic(i, bundle));
    }
    Send(*chain.head, new GPageEnd);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["bytes/page"] =
      static_cast<double>(MemoryPort::bytes_ - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_VectorPageThroughTheChain)->Unit(benchmark::kMillisecond);

class Counter : public GOutputFlushCallback {
 public:
  std::int32_t Flush(XLStream* /*stream*/,
                     std::uintptr_t /*user*/,
                     const std::uint8_t* buffer,
                     std::int32_t count) override {
    benchmark::DoNotOptimize(buffer);
    bytes += static_cast<std::uint64_t>(count);
    return 0;
  }
  std::uint64_t bytes = 0;
};

// The points of a run as 16-bit relative values, as the back end sends a line that has long
// steps (the floor of its run building).
void WriteRelative(XLStream* stream,
                   const std::vector<GPoint>& points,
                   std::size_t first,
                   bool lines) {
  static std::vector<std::uint8_t> data;
  data.clear();
  GPoint base = points[first - 1];
  for (std::size_t i = first; i < points.size(); ++i) {
    const auto dx = static_cast<std::uint16_t>(points[i].x - base.x);
    const auto dy = static_cast<std::uint16_t>(points[i].y - base.y);
    data.insert(data.end(), {static_cast<std::uint8_t>(dx), static_cast<std::uint8_t>(dx >> 8),
                             static_cast<std::uint8_t>(dy), static_cast<std::uint8_t>(dy >> 8)});
    if (lines || (i - first) % 3 == 2) {
      base = points[i];
    }
  }
  const auto count = static_cast<std::uint16_t>(points.size() - first);
  if (lines) {
    XLLineRelPath(stream, count, 3);
  } else {
    XLBezierRelPath(stream, count, 3);
  }
  XLEmbedBytes(stream, data.data(), static_cast<std::uint32_t>(data.size()));
}

void BM_SameOperatorsWrittenDirectly(benchmark::State& state) {
  const Page& page = ThePage();
  Counter counter;
  XLStream* stream = XLCreateStream(8192, &counter, 0);
  for (auto _ : state) {
    for (int i = 0; i < kGraphics; ++i) {
      if (i % 8 == 0) {
        XLSetLineDashSolid(stream, 0);
        XLSetPenWidthUInt16(stream, static_cast<std::uint16_t>(1 + i % 3));
        XLSetColorSpace(stream, 1);
        XLSetPenSourceGray(stream, static_cast<std::uint8_t>(i * 7));
        XLSetColorSpace(stream, 1);
        XLSetBrushSourceGray(stream, static_cast<std::uint8_t>((i + 1) * 7));
      }
      const GRect& b = page.boxes[i];
      switch (i % 4) {
        case 0:
          XLNewPath(stream);
          XLRectanglePathSInt16(stream, b.left, b.top, b.right, b.bottom);
          XLPaintPath(stream);
          break;
        case 1:
          XLNewPath(stream);
          XLSetCursorSInt16(stream, page.lines[i][0].x, page.lines[i][0].y);
          WriteRelative(stream, page.lines[i], 1, true);
          XLPaintPath(stream);
          break;
        case 2:
          XLNewPath(stream);
          XLSetCursorSInt16(stream, page.curves[i][0].x, page.curves[i][0].y);
          WriteRelative(stream, page.curves[i], 1, false);
          XLPaintPath(stream);
          break;
        default:
          XLNewPath(stream);
          XLEllipsePathSInt16(stream, b.left, b.top, b.right, b.bottom);
          XLPaintPath(stream);
          break;
      }
    }
    XLFlushStream(stream);
  }
  XLCloseStream(stream);
  state.SetItemsProcessed(state.iterations());
  state.counters["bytes/page"] =
      static_cast<double>(counter.bytes) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SameOperatorsWrittenDirectly)->Unit(benchmark::kMillisecond);

}  // namespace
