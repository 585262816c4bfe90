// Saving and restoring the driver data of the builder's model (the composite a driver data file
// holds: the peripheral chain with the printer configuration, and the two mapping lists) on the
// binary and the portable stream. Bytes per second are reported, to read beside bench_persist's
// stream rows (the foundation's own object graph on the same carriers).
#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <string>

#include "framework/core/FrameworkClasses.h"
#include "framework/core/MPersistentComposite.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWCollectable.h"
#include "rw/RWPortableStream.h"
#include "tools/veldata/DriverData.h"

namespace {

enum Format { kPortable, kBinary };

const MPersistentComposite& Model() {
  static const MPersistentComposite* model = [] {
    GRegisterFrameworkClasses();
    return vel::data::BuildModel(vel::data::kDefaultModel);
  }();
  return *model;
}

std::string Save(Format format, const RWCollectable* root) {
  std::ostringstream out;
  if (format == kPortable) {
    RWPortableOutStream stream(out);
    stream << root;
  } else {
    RWBinaryOutStream stream(out);
    stream << root;
  }
  return out.str();
}

RWCollectable* Restore(Format format, const std::string& bytes) {
  std::istringstream in(bytes);
  RWCollectable* root = nullptr;
  if (format == kPortable) {
    RWPortableInStream stream(in);
    stream >> root;
  } else {
    RWBinaryInStream stream(in);
    stream >> root;
  }
  return root;
}

void BM_SaveDriverData(benchmark::State& state) {
  const auto format = static_cast<Format>(state.range(0));
  const RWCollectable* root = &Model();
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = Save(format, root).size();
    benchmark::DoNotOptimize(bytes);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_RestoreDriverData(benchmark::State& state) {
  const auto format = static_cast<Format>(state.range(0));
  const std::string bytes = Save(format, &Model());
  for (auto _ : state) {
    RWCollectable* root = Restore(format, bytes);
    if (root == nullptr) {
      state.SkipWithError("restore failed");
      break;
    }
    state.PauseTiming();
    delete root;
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

BENCHMARK(BM_SaveDriverData)->Arg(kBinary)->Arg(kPortable);
BENCHMARK(BM_RestoreDriverData)->Arg(kBinary)->Arg(kPortable);

}  // namespace

BENCHMARK_MAIN();
