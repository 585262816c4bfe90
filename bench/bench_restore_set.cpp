// Restoring a set and an identity set of n values from a binary stream, for n from 25,000 to
// 200,000, beside inserting the same ints into a std::unordered_set. The time per member must not
// grow with n (the complexity fit should read O(N)).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <new>
#include <sstream>
#include <string>
#include <unordered_set>

#include "rw/RWBinaryStream.h"
#include "rw/RWCollectable.h"
#include "rw/RWFactory.h"
#include "rw/RWIdentitySet.h"
#include "rw/RWSet.h"
#include "rw/RWVirtualStream.h"

namespace {

// An int, hashed and matched by value.
class BenchValue : public RWCollectable {
 public:
  explicit BenchValue(int v = 0) : value(v) {}
  RWClassID IsA() const override { return 902; }
  std::uint32_t Hash() const override { return static_cast<std::uint32_t>(value); }
  bool IsEqual(const RWCollectable* other) const override {
    const auto* v = dynamic_cast<const BenchValue*>(other);
    return v != nullptr && v->value == value;
  }
  std::uint32_t StoredByteCount() const override { return 4; }
  void SaveContents(RWVirtualOutStream& stream) const override { stream.Put(value); }
  void RestoreContents(RWVirtualInStream& stream) override { stream.Get(value); }
  static RWCollectable* Create() { return new (std::nothrow) BenchValue; }

  int value;
};

void Register() {
  static const bool registered = [] {
    RWRegisterFoundationClasses();
    AddToFactory(&BenchValue::Create, 902, RWStringID("BenchValue"));
    return true;
  }();
  (void)registered;
}

// The binary stream of a set of the values 0 .. n - 1 (spread over the int range).
template <typename Set>
std::string SavedSet(std::int64_t n) {
  Register();
  Set set(static_cast<std::uint32_t>(n));
  for (std::int64_t i = 0; i < n; ++i) {
    set.Insert(new BenchValue(static_cast<int>(i * 2654435761u)));
  }
  std::ostringstream out;
  {
    RWBinaryOutStream stream(out);
    stream << static_cast<const RWCollectable*>(&set);
  }
  set.ClearAndDestroy();
  return out.str();
}

template <typename Set>
void BM_RestoreSet(benchmark::State& state) {
  const std::string bytes = SavedSet<Set>(state.range(0));
  for (auto _ : state) {
    std::istringstream in(bytes);
    RWBinaryInStream stream(in);
    RWCollectable* restored = nullptr;
    stream >> restored;
    auto* set = dynamic_cast<Set*>(restored);
    if (set == nullptr || set->Entries() != static_cast<std::uint32_t>(state.range(0))) {
      state.SkipWithError("restore failed");
      delete restored;
      break;
    }
    state.PauseTiming();
    set->ClearAndDestroy();
    delete set;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
}

// The baseline: the same ints into a std::unordered_set.
void BM_UnorderedSetInsert(benchmark::State& state) {
  for (auto _ : state) {
    std::unordered_set<int> set;
    for (std::int64_t i = 0; i < state.range(0); ++i) {
      set.insert(static_cast<int>(i * 2654435761u));
    }
    benchmark::DoNotOptimize(set.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_RestoreSet<RWSet>)
    ->RangeMultiplier(2)
    ->Range(25000, 200000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RestoreSet<RWIdentitySet>)
    ->RangeMultiplier(2)
    ->Range(25000, 200000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedSetInsert)
    ->RangeMultiplier(2)
    ->Range(25000, 200000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);

}  // namespace
