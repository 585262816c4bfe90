// The hottest path of printing: every command of a job goes through ProcessCommand of every stage
// of the chain (expand, merge the bundle, attach the state, run the handler). A pass-through
// command carrying a graphics bundle of six attributes is sent through a peripheral composite of
// three stages; beside it, a loop makes the same handler calls (seven a stage: six attributes and
// the command) as plain virtual calls, the floor of any double dispatch. Commands per second are
// reported, with the allocations a command costs on the steady path (the target is none).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GPassThroughCommand.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

// The program's own operators count every allocation. GCC takes the inlined pair of the replaced
// operators for a mismatch of new and free; they are one matched malloc/free pair.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* block = std::malloc(size == 0 ? 1 : size)) {
    return block;
  }
  throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}

void operator delete(void* block) noexcept {
  std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}

namespace {

constexpr int kStages = 3;
constexpr int kAttributes = 6;

// A stage whose handlers do a little work each, so that neither side can be optimised away.
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
  long Sum() const { return sum_; }

 private:
  long sum_ = 0;
};

GState* SixAttributeBundle() {
  auto* bundle = new GState(vel::key::kGraphicsGroup);
  for (int i = 0; i < kAttributes; ++i) {
    bundle->Add(new GValueAttribute(static_cast<std::uint16_t>(i + 1), 500 + i));
  }
  return bundle;
}

void BM_CompositeOfThreeStages(benchmark::State& state) {
  GPeripheralComposite chain;
  CountingStage* stages[kStages];
  for (auto*& stage : stages) {
    stage = new CountingStage;
    chain.Add(stage);
  }
  auto* command = new GPassThroughCommand;
  command->SetGraphicBundle(SixAttributeBundle());
  const GCommandRef held(command);
  // The first command fills the stages' graphics groups.
  (void)chain.ProcessCommand(command);
  const long before = allocations.load();
  for (auto _ : state) {
    benchmark::DoNotOptimize(chain.ProcessCommand(command));
  }
  state.counters["allocations/command"] = benchmark::Counter(
      static_cast<double>(allocations.load() - before) / static_cast<double>(state.iterations()));
  state.SetItemsProcessed(state.iterations());
  benchmark::DoNotOptimize(stages[kStages - 1]->Sum());
}
BENCHMARK(BM_CompositeOfThreeStages);

void BM_SameHandlerCallsAsVirtualCalls(benchmark::State& state) {
  CountingStage stages[kStages];
  GTypedHandlers* handlers[kStages] = {&stages[0], &stages[1], &stages[2]};
  GValueAttribute attributes[kAttributes];
  for (int i = 0; i < kAttributes; ++i) {
    attributes[i].SetValue(static_cast<std::uint16_t>(i + 1));
  }
  GPassThroughCommand command;
  for (auto _ : state) {
    for (GTypedHandlers* stage : handlers) {
      benchmark::DoNotOptimize(stage);
      for (GValueAttribute& attribute : attributes) {
        benchmark::DoNotOptimize(stage->HandleValueAttribute(attribute));
      }
      benchmark::DoNotOptimize(stage->HandlePassThroughCommand(command));
    }
  }
  state.SetItemsProcessed(state.iterations());
  benchmark::DoNotOptimize(stages[kStages - 1].Sum());
}
BENCHMARK(BM_SameHandlerCallsAsVirtualCalls);

}  // namespace
