// A job of 100 Letter pages of 1,000 rectangles each through the booklet filter (every page
// recorded into its record file, then replayed in booklet order through the inner n-up stage into
// a counting stage), beside the same job through the n-up filter at two pages per sheet, all in
// memory, into the same counting stage. Graphics per second are reported; the booklet's target is
// at least a tenth of the in-memory rate.
//
// The job has no device session, so the temporary directory is empty and the page files land in
// the working directory: the benchmark works in a folder of its own under the system's temporary
// directory, and removes it when the benchmarks are done.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "framework/core/FrameworkClasses.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GBookletFilter.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GNupFilter.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "rw/RWFactory.h"

namespace {

namespace key = vel::key;

constexpr int kPages = 100;
constexpr int kGraphicsPerPage = 1000;

// Counts what reaches the end of the chain.
class CountingStage : public GPeripheral {
 public:
  RWCollectable* Clone() const override { return new CountingStage(*this); }
  std::uint16_t HandleRectangleGraphic(GRectangleGraphic& /*graphic*/) override {
    ++graphics_;
    return 0;
  }
  long Graphics() const { return graphics_; }

 private:
  long graphics_ = 0;
};

// The benchmark's folder: made and entered at the first benchmark, left and removed (with any file
// a job left in it) when the process ends.
class WorkFolder {
 public:
  WorkFolder()
      : folder_(std::filesystem::temp_directory_path() /
                ("bench_booklet_" + std::to_string(::getpid()))),
        previous_(std::filesystem::current_path()) {
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
  }
  ~WorkFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(folder_, ignored);
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

 private:
  std::filesystem::path folder_;
  std::filesystem::path previous_;
};

void Prepare() {
  static const bool registered = [] {
    RWRegisterFoundationClasses();
    GRegisterFrameworkClasses();
    return true;
  }();
  (void)registered;
  static const WorkFolder folder;
}

GMedia* Letter(std::uint32_t media_key) {
  const std::int16_t size[2] = {5100, 6600};
  const std::int16_t printable[2] = {4860, 6360};
  const std::int16_t origin[2] = {120, 120};
  return new GMedia("Letter", size, printable, origin, 0, 1, 600, 600, media_key, 0, "", "");
}

GDocumentStart* DocumentStart(bool booklet) {
  auto* bundle = new GState(key::kDocumentGroup);
  bundle->Add(Letter(key::kSelectedMedia));
  bundle->Add(new GValueAttribute(0, key::kOrientation));
  if (booklet) {
    bundle->Add(new GValueAttribute(1, key::kBookletMode));
    bundle->Add(Letter(key::kBookletSheetMedia));
  } else {
    auto* group = new GState(key::kNupGroup);
    group->Add(new GValueAttribute(2, key::kPagesPerSheet));
    group->Add(new GValueAttribute(0, key::kPageOrder));
    group->Add(new GValueAttribute(0, key::kNupFrames));
    bundle->Add(group);
  }
  return new GDocumentStart(RWWString(), RWWString(), nullptr, bundle, 0);
}

GPageStart* PageStart() {
  auto* bundle = new GState(key::kPageGroup);
  bundle->Add(Letter(key::kSelectedMedia));
  bundle->Add(new GValueAttribute(0, key::kOrientation));
  return new GPageStart(bundle, 0);
}

// The whole job through `filter` into `sink`.
void RunJob(GPeripheral& filter, CountingStage& sink, bool booklet) {
  auto send = [&](GCommand* command) {
    GCommandRef held(command);
    GCommandRef filtered(filter.ProcessCommand(held.Release()));
    GCommandRef sunk(sink.ProcessCommand(filtered.Release()));
  };
  send(DocumentStart(booklet));
  for (int page = 0; page < kPages; ++page) {
    send(PageStart());
    for (int i = 0; i < kGraphicsPerPage; ++i) {
      const auto left = static_cast<std::int16_t>(i % 4000);
      send(new GRectangleGraphic(GRect{left, 100, static_cast<std::int16_t>(left + 50), 300},
                                 new GGraphicBundle, static_cast<std::uint32_t>(i)));
    }
    send(new GPageEnd(0));
  }
  send(new GDocumentEnd(0));
}

void Report(benchmark::State& state, long graphics) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kPages *
                          kGraphicsPerPage);
  state.counters["graphics/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kPages * kGraphicsPerPage,
      benchmark::Counter::kIsRate);
  if (graphics != static_cast<long>(state.iterations()) * kPages * kGraphicsPerPage) {
    state.SkipWithError("graphics lost on the way");
  }
}

void BM_BookletRecordAndReplay(benchmark::State& state) {
  Prepare();
  long graphics = 0;
  for (auto _ : state) {
    GBookletFilter booklet;
    CountingStage sink;
    booklet.Reset();
    RunJob(booklet, sink, true);
    graphics += sink.Graphics();
  }
  Report(state, graphics);
}
BENCHMARK(BM_BookletRecordAndReplay)->Unit(benchmark::kMillisecond);

void BM_NupTwoPerSheetInMemory(benchmark::State& state) {
  Prepare();
  long graphics = 0;
  for (auto _ : state) {
    GNupFilter nup;
    CountingStage sink;
    nup.Reset();
    RunJob(nup, sink, false);
    graphics += sink.Graphics();
  }
  Report(state, graphics);
}
BENCHMARK(BM_NupTwoPerSheetInMemory)->Unit(benchmark::kMillisecond);

}  // namespace
