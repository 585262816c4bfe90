// The glyph set of the downloaded fonts beside std::set<uint32_t>, over 30,000 numbers spread like
// the glyph ids of a CJK text as the PCL XL back end keeps them (glyph id + 0x10000): ids drawn
// with a skew toward the common characters from a font of 40,000 glyphs. Add builds a set, Contains
// asks for every number of the text (hits and misses alike), ForEach walks the set.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <set>
#include <vector>

#include "framework/output/fonts/GSparseBitSet.h"

namespace {

constexpr std::uint32_t kGlyphs = 40000;
constexpr std::uint32_t kNumbers = 30000;

// The numbers of the text, in text order (repeats included), from a fixed generator.
const std::vector<std::uint32_t>& Text() {
  static const std::vector<std::uint32_t> text = [] {
    std::vector<std::uint32_t> numbers;
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    auto next = [&state] {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      return static_cast<std::uint32_t>(state >> 11);
    };
    std::set<std::uint32_t> distinct;
    while (distinct.size() < kNumbers) {
      // The square of a uniform value: low ids (the common characters) come up more often.
      const double u = (next() % 1000000) / 1000000.0;
      const auto glyph = static_cast<std::uint32_t>(u * u * kGlyphs);
      const std::uint32_t number = 0x10000 + glyph % kGlyphs;
      numbers.push_back(number);
      distinct.insert(number);
    }
    return numbers;
  }();
  return text;
}

// Every number from 0x10000 to 0x10000 + kGlyphs, so that misses are asked as well.
const std::vector<std::uint32_t>& Queries() {
  static const std::vector<std::uint32_t> queries = [] {
    std::vector<std::uint32_t> all;
    for (std::uint32_t glyph = 0; glyph < kGlyphs; ++glyph) {
      all.push_back(0x10000 + (glyph * 7919U) % kGlyphs);
    }
    return all;
  }();
  return queries;
}

void BM_GlyphSetAdd(benchmark::State& state) {
  for (auto _ : state) {
    GSparseBitSet set;
    for (std::uint32_t number : Text()) {
      (void)set.Add(number);
    }
    benchmark::DoNotOptimize(set.BlockCount());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Text().size()));
}
BENCHMARK(BM_GlyphSetAdd)->Unit(benchmark::kMillisecond);

void BM_StdSetInsert(benchmark::State& state) {
  for (auto _ : state) {
    std::set<std::uint32_t> set;
    for (std::uint32_t number : Text()) {
      set.insert(number);
    }
    benchmark::DoNotOptimize(set.size());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Text().size()));
}
BENCHMARK(BM_StdSetInsert)->Unit(benchmark::kMillisecond);

void BM_GlyphSetContains(benchmark::State& state) {
  GSparseBitSet set;
  for (std::uint32_t number : Text()) {
    (void)set.Add(number);
  }
  for (auto _ : state) {
    std::uint32_t found = 0;
    for (std::uint32_t number : Queries()) {
      found += set.Contains(number) ? 1 : 0;
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Queries().size()));
}
BENCHMARK(BM_GlyphSetContains)->Unit(benchmark::kMillisecond);

void BM_StdSetCount(benchmark::State& state) {
  const std::set<std::uint32_t> set(Text().begin(), Text().end());
  for (auto _ : state) {
    std::uint32_t found = 0;
    for (std::uint32_t number : Queries()) {
      found += static_cast<std::uint32_t>(set.count(number));
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Queries().size()));
}
BENCHMARK(BM_StdSetCount)->Unit(benchmark::kMillisecond);

void BM_GlyphSetForEach(benchmark::State& state) {
  GSparseBitSet set;
  for (std::uint32_t number : Text()) {
    (void)set.Add(number);
  }
  for (auto _ : state) {
    std::uint32_t sum = 0;
    (void)set.ForEach(
        [](std::uint32_t number, void* context) -> std::uint32_t {
          *static_cast<std::uint32_t*>(context) += number;
          return 1;
        },
        &sum);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kNumbers));
}
BENCHMARK(BM_GlyphSetForEach)->Unit(benchmark::kMillisecond);

void BM_StdSetWalk(benchmark::State& state) {
  const std::set<std::uint32_t> set(Text().begin(), Text().end());
  for (auto _ : state) {
    std::uint32_t sum = 0;
    for (std::uint32_t number : set) {
      sum += number;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kNumbers));
}
BENCHMARK(BM_StdSetWalk)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
