// The stand-in engine must stay out of the way of the render module's page rates: FLOATOBJ
// arithmetic beside double, engine memory (with its ledger) beside malloc, and job output through
// EngWritePrinter to a file sink beside fwrite.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/engine/winddi.h"
#include "platform/spooler/PrinterStore.h"

namespace {

constexpr std::size_t kValues = 1000000;

std::vector<double> Inputs() {
  std::vector<double> values(kValues);
  for (std::size_t i = 0; i < kValues; ++i) {
    values[i] = 0.5 + static_cast<double>(i % 1000) * 0.001;
  }
  return values;
}

// sum += x * scale over a million values.
void BM_MultiplyAddDouble(benchmark::State& state) {
  std::vector<double> values = Inputs();
  for (auto _ : state) {
    double sum = 0;
    double scale = 1.25;
    for (double x : values) {
      sum += x * scale;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kValues));
}
BENCHMARK(BM_MultiplyAddDouble);

void BM_MultiplyAddFloatObj(benchmark::State& state) {
  std::vector<double> inputs = Inputs();
  std::vector<FLOATOBJ> values(kValues);
  std::memcpy(values.data(), inputs.data(), kValues * sizeof(double));
  for (auto _ : state) {
    FLOATOBJ sum;
    FLOATOBJ_SetLong(&sum, 0);
    FLOATOBJ scale;
    FLOATOBJ_SetFloat(&scale, 0x3FA00000);  // 1.25
    for (FLOATOBJ x : values) {
      FLOATOBJ_Mul(&x, &scale);
      FLOATOBJ_Add(&sum, &x);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kValues));
}
BENCHMARK(BM_MultiplyAddFloatObj);

void BM_MallocFree64(benchmark::State& state) {
  for (auto _ : state) {
    void* block = std::malloc(64);
    benchmark::DoNotOptimize(block);
    std::free(block);
  }
}
BENCHMARK(BM_MallocFree64);

void BM_EngAllocFree64(benchmark::State& state) {
  for (auto _ : state) {
    void* block = EngAllocMem(0, 64, 0x79626744);
    benchmark::DoNotOptimize(block);
    EngFreeMem(block);
  }
}
BENCHMARK(BM_EngAllocFree64);

constexpr std::size_t kJobBytes = 16 * 1024 * 1024;
constexpr std::size_t kChunk = 4096;

std::string TempPath(const char* name) {
  return std::string(P_tmpdir) + "/" + name + "-" + std::to_string(::getpid());
}

void BM_Fwrite16MB(benchmark::State& state) {
  std::vector<char> chunk(kChunk, 'x');
  std::string path = TempPath("bench-fwrite");
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    for (std::size_t done = 0; done < kJobBytes; done += kChunk) {
      std::fwrite(chunk.data(), 1, kChunk, file);
    }
    std::fclose(file);
  }
  std::remove(path.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kJobBytes));
}
BENCHMARK(BM_Fwrite16MB)->Unit(benchmark::kMillisecond);

void BM_EngWritePrinter16MB(benchmark::State& state) {
  namespace spooler = vel::platform::spooler;
  spooler::OpenStore("");
  spooler::PrinterRecord printer;
  printer.name = u"Bench";
  spooler::PutPrinter(printer);
  std::vector<char> chunk(kChunk, 'x');
  std::string path = TempPath("bench-engwrite");
  for (auto _ : state) {
    HANDLE handle = spooler::OpenPrinterHandle(u"Bench", 8);
    spooler::SetOutputFile(handle, path);
    for (std::size_t done = 0; done < kJobBytes; done += kChunk) {
      DWORD written = 0;
      EngWritePrinter(handle, chunk.data(), kChunk, &written);
    }
    spooler::ClosePrinterHandle(handle);
  }
  std::remove(path.c_str());
  spooler::ResetStore();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kJobBytes));
}
BENCHMARK(BM_EngWritePrinter16MB)->Unit(benchmark::kMillisecond);

}  // namespace
