// The per-page path of printing through the render device: a page start built from the job's
// settings, 50 graphics each carrying a six-attribute bundle sent with SendGraphic, and a page end
// sent with SendCommand, over the chain of the peripheral chain benchmark (a composite of three
// stages). Beside it, the same commands (a page start with the same bundle, the graphics, a page
// end) go straight through the chain's ProcessCommand, as the chain benchmark sends them. Pages
// per second are reported; the device should add at most 25% to the chain's cost.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GPrinterKey.h"
#include "framework/core/GRenderDevice.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPassThroughCommand.h"

namespace {

namespace key = vel::key;

constexpr int kStages = 3;
constexpr int kAttributes = 6;
constexpr int kGraphicsPerPage = 50;

class CountingStage : public GPeripheral {
 public:
  RWCollectable* Clone() const override { return new CountingStage(*this); }
  std::uint16_t HandleValueAttribute(GValueAttribute& attribute) override {
    sum_ += attribute.GetValue();
    return 0;
  }
  std::uint16_t HandlePassThroughCommand(GPassThroughCommand& /*command*/) override {
    ++sum_;
    return 0;
  }
  std::uint16_t HandlePageStart(GPageStart& /*command*/) override {
    ++sum_;
    return 0;
  }
  std::uint16_t HandlePageEnd(GPageEnd& /*command*/) override {
    ++sum_;
    return 0;
  }
  long Sum() const { return sum_; }

 private:
  long sum_ = 0;
};

GPeripheralComposite* Chain() {
  auto* chain = new GPeripheralComposite;
  for (int i = 0; i < kStages; ++i) {
    chain->Add(new CountingStage);
  }
  return chain;
}

GState* SixAttributeBundle() {
  auto* bundle = new GState(key::kGraphicsGroup);
  for (int i = 0; i < kAttributes; ++i) {
    bundle->Add(new GValueAttribute(static_cast<std::uint16_t>(i + 1), 500 + i));
  }
  return bundle;
}

GCommand* Graphic() {
  auto* command = new GPassThroughCommand;
  command->SetGraphicBundle(SixAttributeBundle());
  return command;
}

// The page settings of a job: page copies in part 363, orientation in part 362, a tray in 364.
GAttributeComposite* JobSettings() {
  auto* settings = new GAttributeComposite(0);
  auto* document = new GAttributeComposite(key::kDocumentBundleSettings);
  document->Add(new GValueAttribute(0, key::kOrientation));
  settings->Add(document);
  auto* page = new GAttributeComposite(key::kPageBundleSettings);
  page->Add(new GValueAttribute(1, key::kPageCopies));
  settings->Add(page);
  auto* job = new GAttributeComposite(key::kJobOptions);
  job->Add(new GValueAttribute(1, key::kTraySelection));
  settings->Add(job);
  return settings;
}

class BenchDevice : public GRenderDevice {
 public:
  GAttributeComposite* CreateDefaultAttributes() override { return nullptr; }
  GAttributeComposite* CreateAttributeGroup() override { return JobSettings(); }
  GPrinterKey* GetPrinterKey() override { return nullptr; }
  GAttributeComposite* DelegateToOwner() override { return JobSettings(); }
  std::uint16_t EnsureDocumentStarted() override { return 0; }
};

void BM_PageThroughTheRenderDevice(benchmark::State& state) {
  BenchDevice device;
  device.SetConfiguration(Chain());
  device.ResetJob();
  for (auto _ : state) {
    device.SetPagePending(1);
    for (int i = 0; i < kGraphicsPerPage; ++i) {
      benchmark::DoNotOptimize(device.SendGraphic(Graphic()));
    }
    benchmark::DoNotOptimize(device.SendCommand(device.MakePageEnd()));
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PageThroughTheRenderDevice);

void BM_SamePageThroughTheChain(benchmark::State& state) {
  GPeripheralComposite* chain = Chain();
  auto send = [chain](GCommand* command) { GCommandRef result(chain->ProcessCommand(command)); };
  for (auto _ : state) {
    auto* page_bundle = new GState(key::kPageGroup);
    page_bundle->Add(new GValueAttribute(1, key::kPageCopies));
    page_bundle->Add(new GValueAttribute(0, key::kOrientation));
    page_bundle->Add(new GValueAttribute(1, key::kTraySelection));
    send(new GPageStart(page_bundle, 0));
    for (int i = 0; i < kGraphicsPerPage; ++i) {
      send(Graphic());
    }
    auto* end_bundle = new GState(key::kPageGroup);
    end_bundle->Add(new GValueAttribute(1, key::kPageCopies));
    send(new GPageEnd(end_bundle, 0));
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  delete chain;
}
BENCHMARK(BM_SamePageThroughTheChain);

}  // namespace
