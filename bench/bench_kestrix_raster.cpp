// A full page of raster (4,960 x 7,016 pixels, A4 at 600 dpi) through the PCL XL back end's image
// handler into a memory channel: 1 bit and 8-bit gray, a page of text (see TextInk) and noise, with
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

// A page of small text, one byte per pixel (1: ink), about 5.8% of it inked: 600-pixel (1 inch)
// margins; glyphs with a cap height of 36 pixels (an em of about 52: 6-point type at 600 dpi),
// x-height 25 and descenders 11, strokes 3 pixels wide, advances of 12 to 38 pixels; words of 1
// to 9 glyphs 14 pixels apart; lines 72 pixels apart; paragraphs of 4 to 11 lines with an
// indented first line starting with a capital, a short last line and a 36-pixel gap after it.
// The glyphs are letter-like sets of stems, bars, bowls and slanted strokes, picked from a fixed
// pseudo-random sequence, so every run draws the same page.
std::vector<std::uint8_t> TextInk() {
  constexpr int kMargin = 600;
  constexpr int kCap = 36;
  constexpr int kXHeight = 25;
  constexpr int kDescender = 11;
  constexpr int kStroke = 3;
  constexpr int kLinePitch = 72;
  constexpr int kSpace = 14;
  std::vector<std::uint8_t> ink(static_cast<std::size_t>(kWidth) * kHeight);
  std::uint32_t seed = 2024;
  const auto next = [&seed](std::uint32_t range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % range;
  };
  const auto fill = [&ink](int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y) {
      std::memset(ink.data() + static_cast<std::size_t>(y) * kWidth + left, 1,
                  static_cast<std::size_t>(right - left));
    }
  };
  // A slanted stroke from (x0, top) to (x1, bottom).
  const auto slant = [&fill](int x0, int top, int x1, int bottom) {
    for (int y = top; y < bottom; ++y) {
      const int x = x0 + (x1 - x0) * (y - top) / (bottom - top);
      fill(x, y, x + kStroke + 1, y + 1);
    }
  };
  // Draws glyph `kind` with its left edge at x on baseline b; answers its advance.
  const auto glyph = [&](int kind, int x, int b) {
    const int xt = b - kXHeight;  // top of the lower-case letters
    const int at = b - kCap;      // top of capitals and ascenders
    const int l = x + 3;          // the ink starts 3 pixels into the advance
    switch (kind) {
      case 0:  // l
        fill(l, at, l + kStroke, b);
        return 12;
      case 1:  // i
        fill(l, xt, l + kStroke, b);
        fill(l, at, l + kStroke, at + kStroke);
        return 12;
      case 2:  // n
        fill(l, xt, l + kStroke, b);
        fill(l + 15, xt, l + 15 + kStroke, b);
        fill(l, xt, l + 19, xt + kStroke);
        return 25;
      case 3:  // o
        fill(l, xt, l + kStroke, b);
        fill(l + 16, xt, l + 16 + kStroke, b);
        fill(l, xt, l + 20, xt + kStroke);
        fill(l, b - kStroke, l + 20, b);
        return 26;
      case 4:  // e
        fill(l, xt, l + kStroke, b);
        fill(l + 16, xt, l + 16 + kStroke, xt + 13);
        fill(l, xt, l + 20, xt + kStroke);
        fill(l, xt + 11, l + 20, xt + 11 + kStroke);
        fill(l, b - kStroke, l + 20, b);
        return 26;
      case 5:  // v
        slant(l, xt, l + 8, b);
        slant(l + 16, xt, l + 8, b);
        return 26;
      case 6:  // p
        fill(l, xt, l + kStroke, b + kDescender);
        fill(l + 16, xt, l + 16 + kStroke, b - 6);
        fill(l, xt, l + 20, xt + kStroke);
        fill(l, b - 6 - kStroke, l + 20, b - 6);
        return 26;
      case 7:  // d
        fill(l, xt + 6, l + kStroke, b);
        fill(l + 16, at, l + 16 + kStroke, b);
        fill(l, xt + 6, l + 20, xt + 6 + kStroke);
        fill(l, b - kStroke, l + 20, b);
        return 26;
      case 8:  // t
        fill(l + 4, at + 6, l + 4 + kStroke, b);
        fill(l, xt, l + 12, xt + kStroke);
        fill(l + 4, b - kStroke, l + 12, b);
        return 17;
      case 9:  // m
        fill(l, xt, l + kStroke, b);
        fill(l + 14, xt, l + 14 + kStroke, b);
        fill(l + 28, xt, l + 28 + kStroke, b);
        fill(l, xt, l + 32, xt + kStroke);
        return 38;
      case 10:  // a
        fill(l + 2, xt, l + 18, xt + kStroke);
        fill(l + 14, xt, l + 14 + kStroke, b);
        fill(l, xt + 11, l + 18, xt + 11 + kStroke);
        fill(l, xt + 11, l + kStroke, b);
        fill(l, b - kStroke, l + 18, b);
        return 24;
      case 11:  // s
        fill(l, xt, l + 16, xt + kStroke);
        fill(l, xt, l + kStroke, xt + 12);
        fill(l, xt + 11, l + 16, xt + 11 + kStroke);
        fill(l + 12, xt + 11, l + 12 + kStroke, b);
        fill(l, b - kStroke, l + 16, b);
        return 22;
      case 12:  // H
        fill(l, at, l + kStroke, b);
        fill(l + 22, at, l + 22 + kStroke, b);
        fill(l, at + 16, l + 26, at + 16 + kStroke);
        return 33;
      default:  // T
        fill(l, at, l + 26, at + kStroke);
        fill(l + 11, at, l + 11 + kStroke, b);
        return 32;
    }
  };
  const int right = kWidth - kMargin;
  int baseline = kMargin + kCap;
  while (baseline + kDescender <= kHeight - kMargin) {
    const int lines = 4 + static_cast<int>(next(8));
    for (int line = 0; line < lines && baseline + kDescender <= kHeight - kMargin; ++line) {
      const bool first = line == 0;
      const bool last = line == lines - 1;
      // A short last line ends between a fifth and nine tenths of the way across.
      const int end = last ? kMargin + (right - kMargin) * (20 + static_cast<int>(next(71))) / 100
                           : right;
      int x = kMargin + (first ? 100 : 0);
      bool capital = first;
      while (true) {
        const int letters = 1 + static_cast<int>(next(9));
        if (x + letters * 26 > end) {
          break;  // the word would pass the line's end
        }
        for (int k = 0; k < letters; ++k) {
          x += glyph(capital ? 12 + static_cast<int>(next(2)) : static_cast<int>(next(12)), x,
                     baseline);
          capital = false;
        }
        x += kSpace;
      }
      baseline += kLinePitch;
    }
    baseline += kLinePitch / 2;
  }
  return ink;
}

// The pixels of a page: small text (see TextInk) or noise.
const std::vector<std::uint8_t>& Pixels(int bits, bool text) {
  static std::vector<std::uint8_t> cache[2][2];
  std::vector<std::uint8_t>& pixels = cache[bits == 8][text];
  if (!pixels.empty()) {
    return pixels;
  }
  const std::size_t row = RowBytes(bits);
  pixels.resize(row * kHeight);
  const std::vector<std::uint8_t> ink = text ? TextInk() : std::vector<std::uint8_t>();
  std::uint32_t seed = 12345;
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* out = pixels.data() + row * static_cast<std::size_t>(y);
    for (int x = 0; x < kWidth; ++x) {
      bool dark = false;
      if (text) {
        dark = ink[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] != 0;
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
