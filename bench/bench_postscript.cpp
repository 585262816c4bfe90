// The PostScript emitter's hot writers, each beside what a user would otherwise write: a million
// integers and reals beside snprintf("%d ") and snprintf("%.4f ") into an 8 KB buffer that is
// handed on when full, and 4 MB of hexadecimal image data beside memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/output/postscript/GPSLibWriter.h"

namespace {

constexpr int kNumbers = 1000000;
constexpr std::size_t kHexBytes = 4 * 1024 * 1024;

// Hands the text on to nowhere.
class Sink : public GPSFlushCallback {
 public:
  std::int32_t Flush(const char* buffer, std::uint32_t count) override {
    benchmark::DoNotOptimize(buffer);
    return static_cast<std::int32_t>(count);
  }
};

// The same buffer discipline for the baselines: format into a stack buffer, copy into 8 KB, hand
// the 8 KB on when the next text does not fit.
class PlainBuffer {
 public:
  void Append(const char* text, std::size_t count) {
    if (count > sizeof buffer_ - fill_) {
      benchmark::DoNotOptimize(buffer_);
      fill_ = 0;
    }
    std::memcpy(buffer_ + fill_, text, count);
    fill_ += count;
  }

 private:
  char buffer_[GPSLibWriter::kBufferSize];
  std::size_t fill_ = 0;
};

std::vector<std::int32_t> Integers() {
  std::vector<std::int32_t> values(kNumbers);
  std::uint32_t seed = 12345;
  for (auto& value : values) {
    seed = seed * 1664525u + 1013904223u;
    value = static_cast<std::int32_t>(seed >> 16) - 32768;  // coordinates of a page and beyond
  }
  return values;
}

std::vector<float> Reals() {
  std::vector<float> values(kNumbers);
  std::uint32_t seed = 54321;
  for (auto& value : values) {
    seed = seed * 1664525u + 1013904223u;
    value = static_cast<float>(static_cast<std::int32_t>(seed >> 12) - 524288) / 256.0f;
  }
  return values;
}

void BM_WriteInt(benchmark::State& state) {
  const std::vector<std::int32_t> values = Integers();
  Sink sink;
  GPSLibWriter writer(&sink);
  for (auto _ : state) {
    for (std::int32_t value : values) {
      benchmark::DoNotOptimize(writer.WriteInt(value));
    }
  }
  state.SetItemsProcessed(state.iterations() * kNumbers);
}

void BM_SnprintfInt(benchmark::State& state) {
  const std::vector<std::int32_t> values = Integers();
  PlainBuffer buffer;
  char text[32];
  for (auto _ : state) {
    for (std::int32_t value : values) {
      const int length = std::snprintf(text, sizeof text, "%d ", value);
      buffer.Append(text, static_cast<std::size_t>(length));
    }
  }
  state.SetItemsProcessed(state.iterations() * kNumbers);
}

void BM_WriteReal(benchmark::State& state) {
  const std::vector<float> values = Reals();
  Sink sink;
  GPSLibWriter writer(&sink);
  for (auto _ : state) {
    for (float value : values) {
      benchmark::DoNotOptimize(writer.WriteReal(value));
    }
  }
  state.SetItemsProcessed(state.iterations() * kNumbers);
}

void BM_SnprintfReal(benchmark::State& state) {
  const std::vector<float> values = Reals();
  PlainBuffer buffer;
  char text[64];
  for (auto _ : state) {
    for (float value : values) {
      const int length = std::snprintf(text, sizeof text, "%.4f ", static_cast<double>(value));
      buffer.Append(text, static_cast<std::size_t>(length));
    }
  }
  state.SetItemsProcessed(state.iterations() * kNumbers);
}

std::vector<std::uint8_t> ImageBytes() {
  std::vector<std::uint8_t> bytes(kHexBytes);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
  }
  return bytes;
}

void BM_WriteHex(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes = ImageBytes();
  Sink sink;
  GPSLibWriter writer(&sink);
  for (auto _ : state) {
    benchmark::DoNotOptimize(writer.WriteHex(bytes.data(), kHexBytes));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kHexBytes));
}

void BM_MemcpyHexInput(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes = ImageBytes();
  std::vector<std::uint8_t> copy(kHexBytes);
  for (auto _ : state) {
    std::memcpy(copy.data(), bytes.data(), kHexBytes);
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kHexBytes));
}

BENCHMARK(BM_WriteInt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SnprintfInt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteReal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SnprintfReal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteHex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyHexInput)->Unit(benchmark::kMillisecond);

}  // namespace
