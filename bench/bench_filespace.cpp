// Insert and find of record-store keys (serial numbers in hexadecimal) in the on-disk B-tree with
// the record store's geometry (10 cached blocks, key length 16, order 10, minimum fill 10), beside
// std::map of the same keys, at 10,000 and 100,000 keys.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "rw/RWDiskBTree.h"
#include "rw/RWFileSpaceManager.h"

namespace {

std::vector<std::string> Keys(std::size_t count) {
  std::vector<std::string> keys;
  keys.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    char text[16];
    std::snprintf(text, sizeof text, "%zx", 1000 + i);
    keys.emplace_back(text);
  }
  std::shuffle(keys.begin(), keys.end(), std::mt19937(42));
  return keys;
}

std::string TempFile() {
  return (std::filesystem::temp_directory_path() /
          ("bench_filespace_" + std::to_string(::getpid()) + ".bin"))
      .string();
}

// A fresh file holding a tree of the keys.
struct DiskTree {
  explicit DiskTree(const std::vector<std::string>& keys) : name(TempFile()) {
    std::filesystem::remove(name);
    manager = std::make_unique<RWFileSpaceManager>(name.c_str());
    tree = std::make_unique<RWDiskBTree>(manager.get(), 10, false, 16, false, -1, false, 10, 10);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      (void)tree->InsertKeyAndValue(keys[i].c_str(), static_cast<std::int32_t>(i));
    }
  }
  ~DiskTree() {
    tree.reset();
    manager.reset();
    std::filesystem::remove(name);
  }
  std::string name;
  std::unique_ptr<RWFileSpaceManager> manager;
  std::unique_ptr<RWDiskBTree> tree;
};

void BM_DiskBTreeInsert(benchmark::State& state) {
  const auto keys = Keys(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    DiskTree disk(keys);
    benchmark::DoNotOptimize(disk.tree->Entries());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdMapInsert(benchmark::State& state) {
  const auto keys = Keys(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::map<std::string, std::int32_t> map;
    for (std::size_t i = 0; i < keys.size(); ++i) {
      map.emplace(keys[i], static_cast<std::int32_t>(i));
    }
    benchmark::DoNotOptimize(map.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_DiskBTreeFind(benchmark::State& state) {
  const auto keys = Keys(static_cast<std::size_t>(state.range(0)));
  DiskTree disk(keys);
  std::size_t i = 0;
  for (auto _ : state) {
    std::int32_t value = 0;
    benchmark::DoNotOptimize(disk.tree->FindKeyAndValue(keys[i].c_str(), nullptr, &value));
    benchmark::DoNotOptimize(value);
    i = i + 1 == keys.size() ? 0 : i + 1;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_StdMapFind(benchmark::State& state) {
  const auto keys = Keys(static_cast<std::size_t>(state.range(0)));
  std::map<std::string, std::int32_t> map;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    map.emplace(keys[i], static_cast<std::int32_t>(i));
  }
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(map.find(keys[i]));
    i = i + 1 == keys.size() ? 0 : i + 1;
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_DiskBTreeInsert)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdMapInsert)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiskBTreeFind)->Arg(10000)->Arg(100000);
BENCHMARK(BM_StdMapFind)->Arg(10000)->Arg(100000);

}  // namespace
