// A full page of raster (4,960 x 7,016 pixels, A4 at 600 dpi) through the PCL XL back end's image
// handler into a memory channel: 1 bit and 8-bit gray, a text-like picture and noise, with
// CompressMode 0 (rows padded) and 1 (run-length). Bytes out per page and the compression ratio
// (bytes out / padded raw bytes) are reported; beside it memcpy of the same padded rows, the
// bandwidth floor.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GProviderRegistry.h"
#include "framework/core/GState.h"
#include "framework/core/GStatusProvider.h"
#include "framework/core/GValueAttribute.h"
#include "framework/output/GKestrix.h"
#include "framework/output/GOutputPort.h"
#include "framework/output/GPJL.h"
#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GRasterGraphic.h"
#include "tools/veldata/DriverData.h"

namespace {

constexpr int kWidth = 4960;
constexpr int kHeight = 7016;

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

std::size_t RowBytes(int bits) {
  return (static_cast<std::size_t>(bits) * kWidth + 7) / 8;
}

// The pixels of a page: text-like (white with lines of dark glyph-sized marks) or noise.
const std::vector<std::uint8_t>& Pixels(int bits, bool text) {
  static std::vector<std::uint8_t> cache[2][2];
  std::vector<std::uint8_t>& pixels = cache[bits == 8][text];
  if (!pixels.empty()) {
    return pixels;
  }
  const std::size_t row = RowBytes(bits);
  pixels.resize(row * kHeight);
  std::uint32_t seed = 12345;
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* out = pixels.data() + row * static_cast<std::size_t>(y);
    for (int x = 0; x < kWidth; ++x) {
      bool dark = false;
      if (text) {
        // Lines of text 100 pixels apart, 50 high; glyphs 30 wide with 10 between, strokes inside.
        const int line_y = y % 100;
        const int glyph_x = x % 40;
        dark = line_y >= 30 && line_y < 80 && glyph_x < 30 && x > 300 && x < kWidth - 300 &&
               (glyph_x % 10 < 3 || line_y % 25 < 3);
      } else {
        seed = seed * 1103515245u + 12345u;
        dark = (seed >> 16) % 2 == 0;
      }
      if (bits == 1) {
        // 1 is white: the gray space of PCL XL.
        if (!dark) {
          out[x / 8] = static_cast<std::uint8_t>(out[x / 8] | (0x80 >> (x % 8)));
        }
      } else {
        seed = seed * 1103515245u + 12345u;
        out[x] = dark ? static_cast<std::uint8_t>(seed >> 24 & 0x3F) : (text ? 255 : 200);
      }
    }
  }
  return pixels;
}

GBitmap PageBitmap(int bits, bool text) {
  const std::vector<std::uint8_t>& pixels = Pixels(bits, text);
  return GBitmap(0, const_cast<std::uint8_t*>(pixels.data()),
                 static_cast<std::uint32_t>(pixels.size()), 1, GPoint{0, 0},
                 GPoint{kWidth, kHeight}, static_cast<std::uint8_t>(bits), 0, 0, nullptr, 0, 0, 0,
                 0, 0, 0, 0, 0);
}

// args: bits per pixel, text (1) or noise (0), CompressMode (0 or 1).
void BM_RasterPageThroughTheBackEnd(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const bool text = state.range(1) != 0;
  const bool run_length = state.range(2) != 0;
  MemoryProvider provider;
  (void)GProviderRegistry::Instance().Register(&provider, "Benchmark Raster");
  GKestrix* kestrix = vel::data::BuildKestrix(vel::data::BuildLanguageConfiguration());
  std::unique_ptr<GPeripheralComposite> head(vel::data::BuildChain(
      nullptr, vel::data::BuildPJL(vel::data::BuildPJLConfiguration()), kestrix));
  auto* settings = new GState(vel::key::kDocumentGroup);
  settings->Add(new GValueAttribute(run_length ? 3 : 0, vel::key::kDocumentStartValue297));
  // 8-bit gray travels as it is (no dithering to one bit).
  auto* resolution = new GState(vel::key::kPageStartGroup);
  resolution->Add(new GValueAttribute(600, vel::key::kResolutionX));
  resolution->Add(new GValueAttribute(600, vel::key::kResolutionY));
  resolution->Add(new GValueAttribute(2, vel::key::kBitsPerPixel));
  settings->Add(resolution);
  Send(*head, new GDocumentStart(RWWString(u"job"), RWWString(u"printer"), nullptr, settings, 0));
  const GBitmap bitmap = PageBitmap(bits, text);
  const GRect rect{0, 0, kWidth, kHeight};
  GRasterGraphic graphic(bitmap, nullptr, rect, rect, GBitmap());
  const std::uint64_t before = MemoryPort::bytes_;
  for (auto _ : state) {
    Send(*head, new GPageStart(new GState(vel::key::kPageGroup), vel::key::kPageGroup));
    benchmark::DoNotOptimize(kestrix->HandleRasterGraphic(graphic));
    Send(*head, new GPageEnd);
  }
  const double out =
      static_cast<double>(MemoryPort::bytes_ - before) / static_cast<double>(state.iterations());
  const double raw = static_cast<double>((RowBytes(bits) + 3) / 4 * 4) * kHeight;
  state.counters["bytes/page"] = out;
  state.counters["ratio"] = out / raw;
  state.SetBytesProcessed(static_cast<std::int64_t>(raw) * state.iterations());
  Send(*head, new GDocumentEnd);
  head.reset();
  (void)GProviderRegistry::Instance().Unregister("Benchmark Raster");
}
BENCHMARK(BM_RasterPageThroughTheBackEnd)
    ->ArgsProduct({{1, 8}, {1, 0}, {0, 1}})
    ->ArgNames({"bits", "text", "rle"})
    ->Unit(benchmark::kMillisecond);

// memcpy of the same padded rows into a 16 KB block, the floor of the image path.
void BM_MemcpyOfThePaddedRows(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const std::vector<std::uint8_t>& pixels = Pixels(bits, true);
  const std::size_t row = RowBytes(bits);
  const std::size_t padded = (row + 3) / 4 * 4;
  std::vector<std::uint8_t> block(16384 + padded);
  for (auto _ : state) {
    std::size_t used = 0;
    for (int y = 0; y < kHeight; ++y) {
      if (used + padded > 16384) {
        benchmark::DoNotOptimize(block.data());
        used = 0;
      }
      std::memcpy(block.data() + used, pixels.data() + row * static_cast<std::size_t>(y), row);
      std::memset(block.data() + used + row, 0, padded - row);
      used += padded;
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(padded) * kHeight * state.iterations());
}
BENCHMARK(BM_MemcpyOfThePaddedRows)
    ->Arg(1)
    ->Arg(8)
    ->ArgNames({"bits"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
