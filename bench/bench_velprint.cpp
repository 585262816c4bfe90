// velprint's costs: reading a generated job of 100,000 drawing statements beside splitting the
// same text into lines with std::getline (reading should stay within ten times the split), and
// the player's own time per call, the job parsed outside the timing, with the logging driver
// quiet and the host's logging off. Read the render module's page rates against the latter.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <malloc.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "tools/velprint/JobFile.h"
#include "tools/velprint/Player.h"

namespace {

using namespace vel::velprint;

constexpr int kStatements = 100000;

// A page of rectangles, path strokes and fills, text and pattern blits at varying places.
const std::string& JobText() {
  static const std::string text = [] {
    std::string job =
        "vjob 1\nprinter \"Bench\"\ndc dpi=600\ndoc \"Bench\"\npage\n"
        "path p : M 10 10 L 100 10 L 100 100 C 80 120 40 120 10 100 Z\n"
        "font f raster size=10pt\nbrush solid #336699\npen width=2 color=#000000\n";
    for (int i = 0; i < kStatements; ++i) {
      int x = 100 + (i * 37) % 4000;
      int y = 100 + (i * 53) % 6000;
      std::string at = std::to_string(x) + " " + std::to_string(y);
      std::string to = std::to_string(x + 50) + " " + std::to_string(y + 50);
      switch (i % 5) {
        case 0: job += "rect " + at + " " + to + " fill\n"; break;
        case 1: job += "stroke p\n"; break;
        case 2: job += "fill p winding\n"; break;
        case 3: job += "text f " + at + " \"Hello, world\"\n"; break;
        default: job += "bitblt " + at + " " + to + " rop=0xF0F0\n"; break;
      }
    }
    return job + "endpage\nenddoc\n";
  }();
  return text;
}

void BM_ParseJob(benchmark::State& state) {
  // A parsed job of this size takes tens of megabytes; keep freed memory in the heap between
  // runs, as a long-lived process would, so that each run does not pay the kernel's page faults
  // for fresh memory again.
  mallopt(M_MMAP_THRESHOLD, 1 << 25);  // glibc takes at most 32 MiB here
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  for (auto _ : state) {
    std::string error;
    auto job = ParseJob(JobText(), "bench.vjob", &error);
    benchmark::DoNotOptimize(job);
  }
  state.SetItemsProcessed(state.iterations() * kStatements);
}
BENCHMARK(BM_ParseJob)->Unit(benchmark::kMillisecond);

void BM_SplitLines(benchmark::State& state) {
  for (auto _ : state) {
    std::istringstream in(JobText());
    std::string line;
    std::size_t lines = 0;
    while (std::getline(in, line)) {
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetItemsProcessed(state.iterations() * kStatements);
}
BENCHMARK(BM_SplitLines)->Unit(benchmark::kMillisecond);

void BM_PlayPerCall(benchmark::State& state) {
  // Held open so that the quiet switch stays set while the player loads and unloads the module.
  void* module = dlopen(VEL_BENCH_DRIVER, RTLD_NOW);
  if (module != nullptr) {
    auto quiet = reinterpret_cast<void (*)(bool)>(dlsym(module, "LoggingDriverSetQuiet"));
    if (quiet != nullptr) {
      quiet(true);
    }
  }
  std::string error;
  auto job = ParseJob(JobText(), "bench.vjob", &error);
  PlayOptions options;
  options.driver = VEL_BENCH_DRIVER;
  options.output = (std::filesystem::temp_directory_path() / "bench_velprint.prn").string();
  options.quiet = true;
  options.host_log = false;
  std::ostringstream messages;
  for (auto _ : state) {
    benchmark::DoNotOptimize(PlayJob(*job, options, messages));
  }
  state.SetItemsProcessed(state.iterations() * kStatements);
  std::filesystem::remove(options.output);
  if (module != nullptr) {
    dlclose(module);
  }
}
BENCHMARK(BM_PlayPerCall)->Unit(benchmark::kMillisecond);

}  // namespace
