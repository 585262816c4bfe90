// Insert, find and remove of collectable pointers in RWBTree, RWSet (sized for the members) and
// RWIdentitySet, beside std::set and std::unordered_set of the same pointers ordered and hashed
// the same way, at 1,000 and 100,000 members.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <unordered_set>
#include <vector>

#include "rw/RWBTree.h"
#include "rw/RWCollectable.h"
#include "rw/RWIdentitySet.h"
#include "rw/RWSet.h"

namespace {

// An int compared, hashed and matched by value.
class Number : public RWCollectable {
 public:
  explicit Number(int value) : value_(value) {}
  RWClassID IsA() const override { return 1991; }
  int Compare(const RWCollectable* other) const override {
    const int theirs = static_cast<const Number*>(other)->value_;
    return value_ == theirs ? 0 : (value_ > theirs ? 1 : -1);
  }
  std::uint32_t Hash() const override { return static_cast<std::uint32_t>(value_) * 2654435761u; }
  bool IsEqual(const RWCollectable* other) const override {
    return static_cast<const Number*>(other)->value_ == value_;
  }

 private:
  int value_;
};

struct Less {
  bool operator()(const RWCollectable* a, const RWCollectable* b) const {
    return a->Compare(b) < 0;
  }
};
struct Hash {
  std::size_t operator()(const RWCollectable* item) const { return item->Hash(); }
};
struct Equal {
  bool operator()(const RWCollectable* a, const RWCollectable* b) const { return a->IsEqual(b); }
};

using StdSet = std::set<RWCollectable*, Less>;
using StdUnorderedSet = std::unordered_set<RWCollectable*, Hash, Equal>;

// n distinct numbers in a shuffled order, and probes equal to them in another order.
struct Data {
  explicit Data(int n) {
    std::mt19937 random(1234);
    for (int i = 0; i < n; ++i) {
      members.push_back(std::make_unique<Number>(i * 7));
      probes.push_back(std::make_unique<Number>(i * 7));
    }
    std::shuffle(members.begin(), members.end(), random);
    std::shuffle(probes.begin(), probes.end(), random);
  }
  std::vector<std::unique_ptr<Number>> members;
  std::vector<std::unique_ptr<Number>> probes;
};

const Data& DataOf(int n) {
  static const Data small(1000);
  static const Data large(100000);
  return n == 1000 ? small : large;
}

// Collection adapters with one interface for the benchmark bodies.
struct BTree {
  explicit BTree(int) {}
  void Insert(RWCollectable* item) { tree.Insert(item); }
  bool Find(const RWCollectable* item) const { return tree.Find(item) != nullptr; }
  void Remove(const RWCollectable* item) { tree.Remove(item); }
  RWBTree tree;
};
struct Set {
  explicit Set(int n) : set(static_cast<std::uint32_t>(n)) {}
  void Insert(RWCollectable* item) { set.Insert(item); }
  bool Find(const RWCollectable* item) const { return set.Find(item) != nullptr; }
  void Remove(const RWCollectable* item) { set.Remove(item); }
  RWSet set;
};
struct IdentitySet {
  explicit IdentitySet(int n) : set(static_cast<std::uint32_t>(n)) {}
  void Insert(RWCollectable* item) { set.Insert(item); }
  // Identity: the probes are the members themselves.
  bool Find(const RWCollectable* item) const { return set.Find(item) != nullptr; }
  void Remove(const RWCollectable* item) { set.Remove(item); }
  RWIdentitySet set;
  static constexpr bool kByIdentity = true;
};
struct Ordered {
  explicit Ordered(int) {}
  void Insert(RWCollectable* item) { set.insert(item); }
  bool Find(RWCollectable* item) const { return set.find(item) != set.end(); }
  void Remove(RWCollectable* item) { set.erase(item); }
  StdSet set;
};
struct Unordered {
  explicit Unordered(int n) { set.reserve(static_cast<std::size_t>(n)); }
  void Insert(RWCollectable* item) { set.insert(item); }
  bool Find(RWCollectable* item) const { return set.find(item) != set.end(); }
  void Remove(RWCollectable* item) { set.erase(item); }
  StdUnorderedSet set;
};

template <typename C>
constexpr bool ByIdentity() {
  if constexpr (requires { C::kByIdentity; }) {
    return C::kByIdentity;
  } else {
    return false;
  }
}

// The objects to search and remove with: equal probes, or the members for identity.
template <typename C>
const std::vector<std::unique_ptr<Number>>& Keys(const Data& data) {
  return ByIdentity<C>() ? data.members : data.probes;
}

template <typename C>
void BM_Insert(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Data& data = DataOf(n);
  for (auto _ : state) {
    auto collection = std::make_unique<C>(n);
    for (const auto& member : data.members) {
      collection->Insert(member.get());
    }
    benchmark::DoNotOptimize(collection.get());
    state.PauseTiming();
    collection.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

template <typename C>
void BM_Find(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Data& data = DataOf(n);
  C collection(n);
  for (const auto& member : data.members) {
    collection.Insert(member.get());
  }
  for (auto _ : state) {
    for (const auto& key : Keys<C>(data)) {
      benchmark::DoNotOptimize(collection.Find(key.get()));
    }
  }
  state.SetItemsProcessed(state.iterations() * n);
}

template <typename C>
void BM_Remove(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Data& data = DataOf(n);
  for (auto _ : state) {
    state.PauseTiming();
    auto collection = std::make_unique<C>(n);
    for (const auto& member : data.members) {
      collection->Insert(member.get());
    }
    state.ResumeTiming();
    for (const auto& key : Keys<C>(data)) {
      collection->Remove(key.get());
    }
    benchmark::DoNotOptimize(collection.get());
    state.PauseTiming();
    collection.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

#define VEL_COLLECTION_BENCHMARKS(C)                        \
  BENCHMARK_TEMPLATE(BM_Insert, C)->Arg(1000)->Arg(100000); \
  BENCHMARK_TEMPLATE(BM_Find, C)->Arg(1000)->Arg(100000);   \
  BENCHMARK_TEMPLATE(BM_Remove, C)->Arg(1000)->Arg(100000)

VEL_COLLECTION_BENCHMARKS(BTree);
VEL_COLLECTION_BENCHMARKS(Ordered);
VEL_COLLECTION_BENCHMARKS(Set);
VEL_COLLECTION_BENCHMARKS(IdentitySet);
VEL_COLLECTION_BENCHMARKS(Unordered);

}  // namespace
