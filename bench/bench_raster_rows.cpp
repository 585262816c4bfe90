// The row-source chain over a page-wide row (4858 pixels, 600 dpi): the padding and run-length
// filters (the latter also over rows that differ from read to read), a 2x grow at 8 and 24 bits,
// the dither stage, and the chain the PCL XL back end builds (reader, scale, clip, dither,
// run-length) over a 24-bit image in grey. Each case counts the bytes it hands up and sits beside
// memcpy of as many bytes. Targets, as a share of memcpy's speed: padding 0.5, run-length 0.1,
// scale and dither 0.05, the whole chain 0.03.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GClipToSingleRectangle.h"
#include "framework/pipeline/GDitherMatrix.h"
#include "framework/pipeline/GDitherRowStage.h"
#include "framework/pipeline/GRasterImageSource.h"
#include "framework/pipeline/GRasterRowFilter.h"
#include "framework/pipeline/GScaleRowStage.h"

namespace {

constexpr std::int16_t kWidth = 4858;

// A source of rows of one size over a fixed rectangle; subclasses hand up the rows.
class FixedSource : public GRasterRowSource {
 public:
  FixedSource(std::int32_t width, std::int32_t height, std::uint8_t bits, std::size_t row_bytes)
      : rect_{0, 0, static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)},
        bits_(bits) {
    row_bytes_ = static_cast<std::uint32_t>(row_bytes);
    ready_ = 1;
  }

  std::uint32_t GetRowBytes() const override { return row_bytes_; }
  GRect* GetRect(GRect& rect) const override {
    rect = rect_;
    return &rect;
  }
  std::uint8_t GetBitsPerPixel() const override { return bits_; }

 protected:
  // Copies `row` out as the next line.
  void HandUp(const std::vector<std::uint8_t>& row, std::uint8_t* buffer, std::uint16_t& row_number,
              std::uint32_t& length, std::uint8_t& repeat, std::uint8_t& flag) {
    std::memcpy(buffer, row.data(), row.size());
    row_number = line_++;
    length = row_bytes_;
    repeat = 1;
    flag = 1;
  }

 private:
  GRect rect_;
  std::uint8_t bits_;
  std::uint16_t line_ = 0;
};

// Hands up the same row again and again, numbering the lines.
class LoopSource : public FixedSource {
 public:
  LoopSource(std::int32_t width, std::int32_t height, std::uint8_t bits, std::vector<std::uint8_t> row)
      : FixedSource(width, height, bits, row.size()), row_(std::move(row)) {}

  std::uint32_t ReadRow(std::uint8_t* buffer, std::uint16_t& row_number, std::uint32_t& length,
                        std::uint8_t& repeat, std::uint8_t& flag) override {
    HandUp(row_, buffer, row_number, length, repeat, flag);
    return 0;
  }

 private:
  std::vector<std::uint8_t> row_;
};

// Hands up rows from a set in turn, numbering the lines: the rows differ from one read to the next.
class CycleSource : public FixedSource {
 public:
  CycleSource(std::int32_t width, std::uint8_t bits, std::vector<std::vector<std::uint8_t>> rows)
      : FixedSource(width, static_cast<std::int32_t>(rows.size()), bits, rows.front().size()),
        rows_(std::move(rows)) {}

  std::uint32_t ReadRow(std::uint8_t* buffer, std::uint16_t& row_number, std::uint32_t& length,
                        std::uint8_t& repeat, std::uint8_t& flag) override {
    const std::vector<std::uint8_t>& row = rows_[next_];
    next_ = next_ + 1 == rows_.size() ? 0 : next_ + 1;
    HandUp(row, buffer, row_number, length, repeat, flag);
    return 0;
  }

 private:
  std::vector<std::vector<std::uint8_t>> rows_;
  std::size_t next_ = 0;
};

// 64 one-bit rows of a printed page: lines of text (words of glyph bytes between white gaps),
// blank rows, and a band of dithered grey (a few byte patterns in runs of varying length).
std::vector<std::vector<std::uint8_t>> TextPageRows(std::size_t bytes) {
  static const std::uint8_t kGrey[] = {0x88, 0x22, 0xAA, 0x55, 0xAA, 0xDD, 0x77};
  std::vector<std::vector<std::uint8_t>> rows;
  std::uint32_t seed = 2029;
  const auto next = [&seed](std::uint32_t range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % range;
  };
  for (int r = 0; r < 64; ++r) {
    std::vector<std::uint8_t> row(bytes, 0);
    if (r % 8 != 7) {
      for (std::size_t x = next(40); x < bytes;) {
        const std::size_t span = 1 + next(r >= 40 && r < 48 ? 30 : 12);
        for (std::size_t k = 0; k < span && x < bytes; ++k, ++x) {
          row[x] = r >= 40 && r < 48 ? kGrey[(x / 24 + r) % 7]
                                     : static_cast<std::uint8_t>(next(4) == 0 ? 0xFF : next(256));
        }
        x += r >= 40 && r < 48 ? next(3) : 3 + next(40);
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

// A row like a scanned page's: stretches of one value, gradients and noise.
std::vector<std::uint8_t> PageRow(std::size_t bytes) {
  std::vector<std::uint8_t> row(bytes);
  std::uint32_t seed = 12345;
  for (std::size_t i = 0; i < bytes; ++i) {
    seed = seed * 1103515245u + 12345u;
    const std::size_t part = i * 4 / bytes;
    row[i] = part == 0   ? 0xFF
             : part == 1 ? static_cast<std::uint8_t>(i / 7)
             : part == 2 ? static_cast<std::uint8_t>(seed >> 24)
                         : 0x00;
  }
  return row;
}

const GDitherMatrix& Matrix() {
  static const GDitherMatrix matrix = [] {
    std::uint8_t cells[256];
    for (int i = 0; i < 256; ++i) {
      cells[i] = static_cast<std::uint8_t>((i * 97) % 256);
    }
    return GDitherMatrix(16, 16, cells, 1, 0);
  }();
  return matrix;
}

// Reads rows from `stage` over `source`, counting the bytes handed up; a stage that runs out is
// made again.
template <typename MakeStage>
void ReadStage(benchmark::State& state, GRasterRowSource& source, MakeStage make) {
  std::unique_ptr<GRasterRowSource> stage(make());
  stage->SetInner(&source);
  if (stage->Prepare() == 0) {
    state.SkipWithError("stage not ready");
    return;
  }
  std::vector<std::uint8_t> buffer(stage->GetRowBytes());
  std::int64_t bytes = 0;
  for (auto _ : state) {
    std::uint16_t number;
    std::uint32_t length;
    std::uint8_t repeat;
    std::uint8_t flag;
    stage->ReadRow(buffer.data(), number, length, repeat, flag);
    if (length == 0) {
      state.PauseTiming();
      stage.reset(make());
      stage->SetInner(&source);
      stage->Prepare();
      state.ResumeTiming();
    }
    bytes += length;
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(bytes);
}

void Memcpy(benchmark::State& state) {
  const auto bytes = static_cast<std::size_t>(state.range(0));
  std::vector<std::uint8_t> from(bytes, 1);
  std::vector<std::uint8_t> to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

void Padding(benchmark::State& state) {
  LoopSource source(kWidth - 1, 1, 8, PageRow(kWidth - 1));
  ReadStage(state, source, [] { return new GRowPaddingFilter(4); });
}

void RunLength(benchmark::State& state) {
  LoopSource source(kWidth, 1, 1, PageRow((kWidth + 7) / 8));
  ReadStage(state, source, [] { return new GRowRunLengthFilter(4); });
}

// The run-length filter over rows that differ from one read to the next (TextPageRows), each
// beside memcpy of the same 608 bytes in Memcpy/608.
void RunLengthPageRows(benchmark::State& state) {
  CycleSource source(kWidth, 1, TextPageRows((kWidth + 7) / 8));
  ReadStage(state, source, [] { return new GRowRunLengthFilter(4); });
}

void Grow(benchmark::State& state, std::uint8_t bits) {
  LoopSource source(kWidth / 2, 16000, bits, PageRow(std::size_t{kWidth / 2} * bits / 8));
  ReadStage(state, source, [] { return new GScaleRowStage(GRect{0, 0, kWidth, 32000}); });
}

void Dither(benchmark::State& state) {
  LoopSource source(kWidth, 1, 8, PageRow(kWidth));
  ReadStage(state, source, [] { return new GDitherRowStage(&Matrix(), GRect{0, 0, kWidth, 1}); });
}

// The PCL XL back end's chain in grey: a 24-bit image of half the page's width, grown 2x,
// clipped, dithered and run-length encoded; one iteration reads every line of it.
void Chain(benchmark::State& state) {
  constexpr std::int16_t kRows = 32;
  const std::uint32_t stride = (std::uint32_t{kWidth / 2} * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> pixels;
  for (int y = 0; y < kRows; ++y) {
    std::vector<std::uint8_t> row = PageRow(stride);
    pixels.insert(pixels.end(), row.begin(), row.end());
  }
  auto* data = new std::uint8_t[pixels.size()];
  std::memcpy(data, pixels.data(), pixels.size());
  const GBitmap bitmap(1, data, static_cast<std::uint32_t>(pixels.size()), 4, GPoint{0, 0},
                       GPoint{kWidth / 2, kRows}, 24, 0, 0, nullptr, 0, 0, 0, 0, 0, 0, 0, 0);
  const GClipToSingleRectangle clip(GRect{0, 0, kWidth - 58, 6600}, 0, 1, 0);
  std::vector<std::uint8_t> buffer;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    GRect destination{0, 0, kWidth, 2 * kRows};
    GRasterImageSource chain(GRect{0, 0, kWidth / 2, kRows}, destination, &clip, bitmap, 0, 2,
                             &Matrix(), new GRowRunLengthFilter(4));
    buffer.resize(chain.GetRowBytes());
    GRect top;
    chain.GetRect(top);
    for (int line = 0; line < vel::RectHeight(top);) {
      std::uint16_t number;
      std::uint32_t length;
      std::uint8_t repeat;
      std::uint8_t flag;
      chain.ReadRow(buffer.data(), number, length, repeat, flag);
      if (length == 0) {
        break;
      }
      bytes += length;
      line += repeat;
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(bytes);
  state.counters["bytes_per_image"] =
      static_cast<double>(bytes) / static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
}

BENCHMARK(Memcpy)->Arg(4860)->Arg(608)->Arg(kWidth)->Arg(3 * kWidth)->Arg(608 * 64);
BENCHMARK(Padding);
BENCHMARK(RunLength);
BENCHMARK(RunLengthPageRows);
BENCHMARK_CAPTURE(Grow, bits_8, 8);
BENCHMARK_CAPTURE(Grow, bits_24, 24);
BENCHMARK(Dither);
BENCHMARK(Chain);

}  // namespace
