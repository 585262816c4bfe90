// A text and graphics page (rectangles in changing pens and brushes, ellipses, poly-lines, an
// image, and 40 lines of 80 characters in a printer font) through the printer head, the PJL
// envelope and the PostScript back end into a memory channel, beside the same PostScript written
// straight with the emitter's functions, and beside the same commands through the PCL XL back
// end. Time, bytes and channel writes per page are reported.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GProviderRegistry.h"
#include "framework/core/GState.h"
#include "framework/core/GStatusProvider.h"
#include "framework/core/GConfiguration.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "framework/output/GKestrix.h"
#include "framework/output/GOutputPort.h"
#include "framework/output/GPJL.h"
#include "framework/output/GPostScript.h"
#include "framework/output/fonts/GFont.h"
#include "framework/output/fonts/GFontImp.h"
#include "framework/output/postscript/GPSLibWriter.h"
#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GColorPaint.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GEllipseGraphic.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GPolyLineGraphic.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterGraphic.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "framework/pipeline/GTextStringGraphic.h"
#include "tools/veldata/DriverData.h"

namespace {

constexpr int kPages = 20;
constexpr int kRectangles = 200;
constexpr int kEllipses = 50;
constexpr int kLines = 50;
constexpr int kTextLines = 40;
constexpr std::int16_t kTextSize = 100;
constexpr std::int16_t kAdvance = 55;
constexpr char kTextLine[] =
    "The quick brown fox jumps over the lazy dog, 0123456789 (x\\y); pack my box: five";
constexpr int kTextLength = sizeof(kTextLine) - 1;

// A realised TrueType font as the render module hands it over: Arial at 100 pixels, Western
// Latin, which the printer holds as Helvetica.
class BenchFontImp : public GFontImp {
 public:
  BenchFontImp(const GFontFaceRecord& face, const GFontInstanceRecord& instance)
      : GFontImp(nullptr, face, instance) {}
  std::int32_t FontKind() const override { return 3; }
  std::uint32_t EncodingCode() const override { return GetMetricBlock().char_set; }
  std::int32_t DownloadCode(std::uint32_t, std::uint32_t) override { return 1; }
  std::int32_t DownloadGlyphs(const void*, std::uint32_t) override { return 1; }
};

class BenchFont : public GFont {
 public:
  using GFont::GFont;
  std::uint32_t EncodingCode() const override { return GetMetricBlock().char_set; }
  std::int32_t FontKind() const override { return 3; }
  RWCollectable* Clone() const override { return new BenchFont(*this); }
};

GFontImp* ArialImplementation() {
  GFontFaceRecord face;
  face.name = "Arial";
  face.weight = 400;
  face.char_set = 4;
  face.size = kTextSize;
  face.first_char = 0x20;
  face.last_char = 0xFF;
  GFontInstanceRecord instance;
  instance.weight = 400;
  instance.flags = GFontInstanceRecord::kOutlineDownload;
  return new BenchFontImp(face, instance);
}

// One line of text at `y`, as the render module makes it: the characters' positions.
GTextStringGraphic* TextLine(GFontImp* implementation, std::int16_t y) {
  GPoint positions[kTextLength];
  auto* codes = new std::uint16_t[kTextLength];
  for (int i = 0; i < kTextLength; ++i) {
    positions[i] = GPoint{static_cast<std::int16_t>(300 + i * kAdvance), y};
    codes[i] = static_cast<std::uint8_t>(kTextLine[i]);
  }
  return new GTextStringGraphic(new BenchFont(implementation, nullptr), codes, 1, 4, positions,
                                kTextLength, nullptr);
}

class MemoryPort : public GOutputPort {
 public:
  MemoryPort() : GOutputPort(RWWString(u"memory")) { bytes_.reserve(1 << 20); }
  std::uint16_t WriteRaw(const void* bytes, std::uint32_t count, std::uint32_t* written) override {
    const auto* begin = static_cast<const std::uint8_t*>(bytes);
    bytes_.insert(bytes_.end(), begin, begin + count);
    *written = count;
    ++writes_;
    total_ += count;
    return 0;
  }
  bool IsUsable() override { return true; }
  static inline long writes_ = 0;
  static inline long total_ = 0;

 private:
  std::vector<std::uint8_t> bytes_;
};

class MemoryProvider : public GStatusProvider {
 public:
  GOutputPort* OpenOutputChannel(GDeviceSession*, const RWCString&, std::uint32_t,
                                 const RWWString*) override {
    return new MemoryPort;
  }
  std::uint32_t GetProviderFlags() const override { return 1; }
};

GGraphicBundle* Bundle(int i) {
  auto* bundle = new GGraphicBundle;
  const auto shade = static_cast<std::uint8_t>(i * 37);
  bundle->SetPen(new GPen(static_cast<std::uint16_t>(1 + i % 3),
                          new GColorPaint(new GRGBColor(shade, 0, 0, 255))));
  bundle->SetBrush(new GBrush(new GColorPaint(new GRGBColor(0, shade, 255, 255))));
  return bundle;
}

GBitmap Image() {
  constexpr std::int16_t kSide = 64;
  auto* data = new std::uint8_t[kSide * kSide * 3];
  for (int i = 0; i < kSide * kSide * 3; ++i) {
    data[i] = static_cast<std::uint8_t>(i * 7);
  }
  return GBitmap(1, data, kSide * kSide * 3, 4, GPoint{0, 0}, GPoint{kSide, kSide}, 24, 1, 0,
                 nullptr, 0, 0, 0, 0, 0, 0, 0, 0);
}

GState* PageGroup() {
  const std::int16_t size[2] = {5100, 6600};
  const std::int16_t printable[2] = {4900, 6400};
  const std::int16_t origin[2] = {100, 100};
  auto* group = new GState(vel::key::kPageGroup);
  group->Add(new GMedia("Paper", size, printable, origin, 0, 2, 600, 600,
                        vel::key::kSelectedMedia, 0, "Paper", "Plain"));
  return group;
}

void Send(GPeripheralComposite& head, GCommand* command) {
  GCommandRef(head.ProcessCommand(GCommandRef(command).Release())).Reset();
}

void SendPage(GPeripheralComposite& head, const GBitmap& image, GFontImp* font) {
  Send(head, new GPageStart(PageGroup(), vel::key::kPageGroup));
  for (int i = 0; i < kRectangles; ++i) {
    const auto x = static_cast<std::int16_t>(100 + (i % 20) * 200);
    const auto y = static_cast<std::int16_t>(100 + (i / 20) * 300);
    Send(head, new GRectangleGraphic(GRect{x, y, static_cast<std::int16_t>(x + 150),
                                           static_cast<std::int16_t>(y + 200)},
                                     Bundle(i % 4), 0));
  }
  for (int i = 0; i < kEllipses; ++i) {
    const auto x = static_cast<std::int16_t>(100 + i * 80);
    Send(head, new GEllipseGraphic(GRect{x, 3500, static_cast<std::int16_t>(x + 70), 3600},
                                   Bundle(i % 4), 0));
  }
  const GPoint points[] = {{100, 4000}, {900, 4100}, {1700, 4000}, {2500, 4100}};
  for (int i = 0; i < kLines; ++i) {
    Send(head, new GPolyLineGraphic(GPointList::CopyOf(points, 4), Bundle(i % 4), 0));
  }
  Send(head, new GRasterGraphic(image, Bundle(0), GRect{0, 0, 64, 64},
                                GRect{1000, 5000, 1640, 5640}, GBitmap()));
  for (int i = 0; i < kTextLines; ++i) {
    Send(head, TextLine(font, static_cast<std::int16_t>(4300 + i * 50)));
  }
  Send(head, new GPageEnd);
}

void RunThroughTheHead(benchmark::State& state, GPeripheral* back_end) {
  MemoryProvider provider;
  (void)GProviderRegistry::Instance().Register(&provider, "Benchmark Memory");
  std::unique_ptr<GPeripheralComposite> head(vel::data::BuildChain(
      nullptr, vel::data::BuildPJL(vel::data::BuildPJLConfiguration()), back_end));
  const GBitmap image = Image();
  // Held here as well, so that the fonts of the pages share one implementation.
  const BenchFont font(ArialImplementation(), nullptr);
  MemoryPort::writes_ = 0;
  MemoryPort::total_ = 0;
  for (auto _ : state) {
    Send(*head, new GDocumentStart(RWWString(u"job"), RWWString(u"printer"), nullptr,
                                   new GState(vel::key::kDocumentGroup), 0));
    for (int i = 0; i < kPages; ++i) {
      SendPage(*head, image, font.GetImplementation());
    }
    Send(*head, new GDocumentEnd);
  }
  const auto pages = static_cast<double>(state.iterations() * kPages);
  state.SetItemsProcessed(state.iterations() * kPages);
  state.counters["writes/page"] = static_cast<double>(MemoryPort::writes_) / pages;
  state.counters["bytes/page"] = static_cast<double>(MemoryPort::total_) / pages;
  head.reset();
  (void)GProviderRegistry::Instance().Unregister("Benchmark Memory");
}

void BM_PostScriptPageThroughThePrinterHead(benchmark::State& state) {
  GConfiguration* configuration = vel::data::BuildLanguageConfiguration();
  auto* fonts = new GDeviceFontListComposite(vel::key::kDeviceFontLists);
  fonts->Insert(vel::data::BuildPostScriptResidentFonts());
  configuration->Add(fonts);
  RunThroughTheHead(state, vel::data::BuildPostScript(configuration));
}
BENCHMARK(BM_PostScriptPageThroughThePrinterHead)->Unit(benchmark::kMillisecond);

void BM_PclXlPageThroughThePrinterHead(benchmark::State& state) {
  RunThroughTheHead(state, vel::data::BuildKestrix(vel::data::BuildLanguageConfiguration()));
}
BENCHMARK(BM_PclXlPageThroughThePrinterHead)->Unit(benchmark::kMillisecond);

class Collector : public GPSFlushCallback {
 public:
  std::int32_t Flush(const char* buffer, std::uint32_t count) override {
    bytes.insert(bytes.end(), buffer, buffer + count);
    return 0;
  }
  std::vector<char> bytes;
};

// The same page's PostScript, written with the emitter's functions.
void BM_SamePostScriptWrittenDirectly(benchmark::State& state) {
  std::vector<std::int16_t> advances(kTextLength, kAdvance);
  advances.back() = 0;
  // The back end prints grey (the language configuration's colour mode): the image goes out as
  // 8-bit grey samples.
  std::vector<std::uint8_t> pixels(64 * 64);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    pixels[i] = static_cast<std::uint8_t>(i * 21);
  }
  const auto style = [](GPSLibWriter& w, int i) {
    const float shade = static_cast<float>(static_cast<std::uint8_t>(i * 37)) / 255.0f;
    (void)w.BeginPen();
    (void)w.SetSolidLine();
    (void)w.SetLineWidth(static_cast<float>(1 + i % 3));
    (void)w.SetRGBColor(shade, 0.0f, 0.0f);
    (void)w.EndDefinition();
    (void)w.BeginBrush();
    (void)w.SetRGBColor(0.0f, shade, 1.0f);
    (void)w.EndDefinition();
  };
  const auto paint = [](GPSLibWriter& w) {
    (void)w.GSave();
    (void)w.UseBrush();
    (void)w.EOFill();
    (void)w.GRestore();
    (void)w.GSave();
    (void)w.UsePen();
    (void)w.Stroke();
    (void)w.GRestore();
    (void)w.ClosePath();
  };
  for (auto _ : state) {
    Collector collector;
    GPSLibWriter w(&collector);
    (void)w.DocumentSetup(600, 600, 0, 0, 0, 1, 0, 4);
    for (int page = 0; page < kPages; ++page) {
      (void)w.PageSetup(612, 792, 0, "Plain", 0, 0);
      for (int i = 0; i < kRectangles; ++i) {
        const auto x = static_cast<std::int16_t>(100 + (i % 20) * 200);
        const auto y = static_cast<std::int16_t>(100 + (i / 20) * 300);
        style(w, i % 4);
        (void)w.NewPath();
        (void)w.MoveTo(x, y);
        (void)w.LineTo(static_cast<std::int16_t>(x + 150), y);
        (void)w.LineTo(static_cast<std::int16_t>(x + 150), static_cast<std::int16_t>(y + 200));
        (void)w.LineTo(x, static_cast<std::int16_t>(y + 200));
        (void)w.ClosePath();
        paint(w);
      }
      for (int i = 0; i < kEllipses; ++i) {
        const auto x = static_cast<std::int16_t>(100 + i * 80);
        style(w, i % 4);
        (void)w.NewPath();
        (void)w.WriteString("CM ");
        (void)w.Translate(static_cast<std::int16_t>(x + 35), 3550);
        (void)w.Scale(1.0f, 100.0f / 70.0f);
        (void)w.MoveTo(35, 0);
        (void)w.Arc(0, 0, 35.0f, 0.0f, 360.0f);
        (void)w.ClosePath();
        (void)w.WriteString("SM ");
        paint(w);
      }
      for (int i = 0; i < kLines; ++i) {
        style(w, i % 4);
        (void)w.NewPath();
        (void)w.MoveTo(100, 4000);
        (void)w.LineTo(900, 4100);
        (void)w.LineTo(1700, 4000);
        (void)w.LineTo(2500, 4100);
        paint(w);
      }
      style(w, 0);
      (void)w.GSave();
      (void)w.Translate(1000, 5640);
      (void)w.Scale(640, -640);
      (void)w.SetColorSpace(0, 8, nullptr);
      (void)w.BeginImage(64, 64, 0, 8, 0);
      (void)w.WriteHex(pixels.data(), static_cast<std::uint32_t>(pixels.size()));
      (void)w.EndImageData();
      (void)w.GRestore();
      if (page == 0) {
        (void)w.DefineEncoding(629);
      }
      (void)w.SelectFont("Helvetica", kTextSize, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 629);
      for (int i = 0; i < kTextLines; ++i) {
        (void)w.GSave();
        (void)w.MoveTo(300, static_cast<std::int16_t>(4300 + i * 50));
        (void)w.UseBrush();
        (void)w.XShow(kTextLine, kTextLength, advances.data(), kTextLength);
        (void)w.GRestore();
      }
      (void)w.PageTrailer();
      (void)w.Flush();
    }
    (void)w.DocumentTrailer();
    (void)w.Flush();
    benchmark::DoNotOptimize(collector.bytes.data());
    state.counters["bytes/page"] = static_cast<double>(collector.bytes.size()) / kPages;
  }
  state.SetItemsProcessed(state.iterations() * kPages);
}
BENCHMARK(BM_SamePostScriptWrittenDirectly)->Unit(benchmark::kMillisecond);

}  // namespace
