// The render flavour's hot paths beside what a user-mode build would use: the kernel-mode real
// applying a 2 x 2 transform to 1,000 points beside double, and the kernel-mode file layer's
// sequential 4 KB writes and reads of 16 MB beside std::FILE.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/CallLog.h"
#include "platform/flavour/render/GReal.h"
#include "platform/flavour/render/KMMapFile.h"
#include "platform/flavour/render/KMNative.h"

namespace {

constexpr int kPoints = 1000;
constexpr std::size_t kChunk = 4096;
constexpr std::size_t kFileBytes = 16u << 20;

template <typename Real>
void Transform(benchmark::State& state, Real m11, Real m12, Real m21, Real m22) {
  std::vector<Real> xs(kPoints);
  std::vector<Real> ys(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    xs[i] = Real(i);
    ys[i] = Real(kPoints - i);
  }
  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) {
      const Real x = xs[i];
      const Real y = ys[i];
      xs[i] = x * m11 + y * m21;
      ys[i] = x * m12 + y * m22;
    }
    benchmark::DoNotOptimize(xs.data());
    benchmark::DoNotOptimize(ys.data());
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_TransformDouble(benchmark::State& state) {
  Transform<double>(state, 0.8, 0.6, -0.6, 0.8);
}
BENCHMARK(BM_TransformDouble);

void BM_TransformGReal(benchmark::State& state) {
  Transform<GReal>(state, RealFromFloat(0.8f), RealFromFloat(0.6f), RealFromFloat(-0.6f),
                   RealFromFloat(0.8f));
}
BENCHMARK(BM_TransformGReal);

std::string TempName() {
  const char* folder = std::getenv("TMPDIR");
  return std::string(folder != nullptr ? folder : "/tmp") + "/bench_kmfile_" +
         std::to_string(::getpid());
}

void BM_WriteStdFile(benchmark::State& state) {
  const std::string name = TempName();
  const std::vector<unsigned char> chunk(kChunk, 0x5A);
  for (auto _ : state) {
    std::FILE* file = std::fopen(name.c_str(), "wb+");
    for (std::size_t done = 0; done < kFileBytes; done += kChunk) {
      std::fwrite(chunk.data(), 1, kChunk, file);
    }
    std::fclose(file);
  }
  std::remove(name.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
}
BENCHMARK(BM_WriteStdFile)->Unit(benchmark::kMillisecond);

void BM_WriteKMMapFile(benchmark::State& state) {
  KMNativeBind();
  const std::string name = TempName();
  const std::vector<unsigned char> chunk(kChunk, 0x5A);
  for (auto _ : state) {
    KMMapFile* file = KMMapFileOpen(name.c_str(), "wb+");
    for (std::size_t done = 0; done < kFileBytes; done += kChunk) {
      KMMapFileWrite(chunk.data(), 1, kChunk, file);
    }
    KMMapFileClose(file);
    state.PauseTiming();
    vel::platform::ClearCallLog();  // the stand-in logs each remap
    state.ResumeTiming();
  }
  std::remove(name.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
}
BENCHMARK(BM_WriteKMMapFile)->Unit(benchmark::kMillisecond);

void MakeFile(const std::string& name) {
  std::FILE* file = std::fopen(name.c_str(), "wb");
  const std::vector<unsigned char> chunk(kChunk, 0xA5);
  for (std::size_t done = 0; done < kFileBytes; done += kChunk) {
    std::fwrite(chunk.data(), 1, kChunk, file);
  }
  std::fclose(file);
}

void BM_ReadStdFile(benchmark::State& state) {
  const std::string name = TempName();
  MakeFile(name);
  std::vector<unsigned char> chunk(kChunk);
  for (auto _ : state) {
    std::FILE* file = std::fopen(name.c_str(), "rb");
    while (std::fread(chunk.data(), 1, kChunk, file) == kChunk) {
      benchmark::DoNotOptimize(chunk.data());
    }
    std::fclose(file);
  }
  std::remove(name.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
}
BENCHMARK(BM_ReadStdFile)->Unit(benchmark::kMillisecond);

void BM_ReadKMMapFile(benchmark::State& state) {
  KMNativeBind();
  const std::string name = TempName();
  MakeFile(name);
  std::vector<unsigned char> chunk(kChunk);
  for (auto _ : state) {
    KMMapFile* file = KMMapFileOpen(name.c_str(), "rb");
    while (KMMapFileRead(chunk.data(), 1, kChunk, file) == kChunk) {
      benchmark::DoNotOptimize(chunk.data());
    }
    KMMapFileClose(file);
    state.PauseTiming();
    vel::platform::ClearCallLog();
    state.ResumeTiming();
  }
  std::remove(name.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
}
BENCHMARK(BM_ReadKMMapFile)->Unit(benchmark::kMillisecond);

}  // namespace
