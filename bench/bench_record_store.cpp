// 100 pages of 500 small attributes each: stored in a disk-backed composite and loaded back
// (every page through the store's iterator), beside saving the same pages to a binary file of the
// foundation one after another and restoring them (the baseline; the target is within three times
// its time).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkClasses.h"
#include "framework/core/GIterator.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/MPersistentComposite.h"
#include "framework/core/MPersistentCompositeOnDisk.h"
#include "framework/core/StringWidth.h"
#include "rw/RWBinaryFile.h"

namespace {

constexpr int kPages = 100;
constexpr int kAttributes = 500;

std::string TempFile(const char* what) {
  return (std::filesystem::temp_directory_path() /
          ("bench_record_store_" + std::string(what) + "_" + std::to_string(::getpid())))
      .string();
}

std::vector<GCountedPtr> Pages() {
  std::vector<GCountedPtr> pages;
  for (int page = 0; page < kPages; ++page) {
    auto* composite = new MPersistentComposite(static_cast<std::uint32_t>(page));
    for (int i = 0; i < kAttributes; ++i) {
      composite->Add(new GValueAttribute(static_cast<std::uint16_t>(i), 200 + i % 50));
    }
    pages.emplace_back(composite);
  }
  return pages;
}

void Register() {
  static const bool registered = [] {
    GRegisterFrameworkClasses();
    return true;
  }();
  (void)registered;
}

void BM_RecordStoreStoreAndLoad(benchmark::State& state) {
  Register();
  const std::vector<GCountedPtr> pages = Pages();
  const std::string name = TempFile("store");
  RWWString wide;
  (void)WidenString(RWCString(name.c_str()), wide);
  for (auto _ : state) {
    std::filesystem::remove(name);
    MPersistentCompositeOnDisk store(wide, 1, 0);
    for (const GCountedPtr& page : pages) {
      store.AddRef(page);
    }
    std::unique_ptr<GIterator> iterator(store.CreateIterator());
    std::uint32_t loaded = 0;
    while (iterator->Advance() != 0) {
      loaded += iterator->CurrentRef()->Count();
    }
    if (loaded != kPages * kAttributes) {
      state.SkipWithError("pages lost");
    }
  }
  state.SetItemsProcessed(state.iterations() * kPages * kAttributes);
}
BENCHMARK(BM_RecordStoreStoreAndLoad)->Unit(benchmark::kMillisecond);

void BM_BinaryFileSaveAndRestore(benchmark::State& state) {
  Register();
  const std::vector<GCountedPtr> pages = Pages();
  const std::string name = TempFile("file");
  for (auto _ : state) {
    std::filesystem::remove(name);
    RWBinaryFile file(name.c_str(), "wb+");
    for (const GCountedPtr& page : pages) {
      file << static_cast<const RWCollectable*>(page.Get());
    }
    (void)file.SeekTo(0);
    std::uint32_t loaded = 0;
    for (int page = 0; page < kPages; ++page) {
      RWCollectable* read = nullptr;
      file >> read;
      auto* object = dynamic_cast<GBaseObject*>(read);
      loaded += object != nullptr ? object->Count() : 0;
      delete read;
    }
    if (loaded != kPages * kAttributes) {
      state.SkipWithError("pages lost");
    }
  }
  std::filesystem::remove(name);
  state.SetItemsProcessed(state.iterations() * kPages * kAttributes);
}
BENCHMARK(BM_BinaryFileSaveAndRestore)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
