// GBitmapImp::GetRow over one 4858-pixel row (a page's width at 600 dpi) at each depth, beside
// memcpy of the row's stored bytes (the physical limit). Bytes per second count the stored bytes
// read, so each case compares with its memcpy directly. Targets, as a share of memcpy's speed:
// 8-bit and aligned 1-bit at least 0.5, unaligned 1- and 4-bit 0.2, 24-bit 0.15, 16-bit, 32-bit
// and 24-bit to grey 0.05. No case allocates per row.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "framework/pipeline/GBitmapImp.h"

namespace {

constexpr std::int16_t kWidth = 4858;
constexpr std::int16_t kRows = 16;

std::unique_ptr<GBitmapImp> Image(std::uint8_t bits) {
  const std::uint32_t stride = (std::uint32_t{kWidth} * bits / 8 + 4) / 4 * 4;
  const std::uint32_t size = stride * kRows;
  auto* data = new std::uint8_t[size];
  for (std::uint32_t i = 0; i < size; ++i) {
    data[i] = static_cast<std::uint8_t>(i * 131 + 7);
  }
  return std::make_unique<GBitmapImp>(1, data, size, 4, GPoint{0, 0}, GPoint{kWidth, kRows}, bits,
                                      0, 0, nullptr, 1, 0, 0, 0, 0, 0, 0, 0);
}

void Rows(benchmark::State& state, std::uint8_t bits, std::int32_t x0, std::int32_t grey) {
  const auto image = Image(bits);
  std::vector<std::uint8_t> row(4 * kWidth + 16);
  std::int32_t y = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(image->GetRow(row.data(), x0, kWidth, y, grey));
    benchmark::ClobberMemory();
    y = (y + 1) % kRows;
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>((std::int64_t{kWidth - x0} * bits + 7) / 8));
}

void Memcpy(benchmark::State& state, std::uint8_t bits) {
  const auto image = Image(bits);
  const std::uint32_t bytes = image->GetRowBytes();
  // The same destination as the rows get (its placement changes what memcpy costs).
  std::vector<std::uint8_t> row(4 * kWidth + 16);
  std::int32_t y = 0;
  for (auto _ : state) {
    std::memcpy(row.data(), image->GetData() + y * image->GetStride(), bytes);
    benchmark::ClobberMemory();
    y = (y + 1) % kRows;
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

BENCHMARK_CAPTURE(Memcpy, bits_1, 1);
BENCHMARK_CAPTURE(Rows, bits_1_aligned, 1, 0, 0);
BENCHMARK_CAPTURE(Rows, bits_1_unaligned, 1, 3, 0);
BENCHMARK_CAPTURE(Memcpy, bits_4, 4);
BENCHMARK_CAPTURE(Rows, bits_4_unaligned, 4, 1, 0);
BENCHMARK_CAPTURE(Memcpy, bits_8, 8);
BENCHMARK_CAPTURE(Rows, bits_8, 8, 0, 0);
BENCHMARK_CAPTURE(Memcpy, bits_16, 16);
BENCHMARK_CAPTURE(Rows, bits_16, 16, 0, 0);
BENCHMARK_CAPTURE(Memcpy, bits_24, 24);
BENCHMARK_CAPTURE(Rows, bits_24, 24, 0, 0);
BENCHMARK_CAPTURE(Rows, bits_24_grey, 24, 0, 1);
BENCHMARK_CAPTURE(Memcpy, bits_32, 32);
BENCHMARK_CAPTURE(Rows, bits_32, 32, 0, 0);

}  // namespace
