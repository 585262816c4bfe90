// Saving and restoring an object graph of 100,000 small objects with sharing on each carrier,
// beside memcpy of the binary stream's bytes (the physical limit). Objects per second are reported.
//
// The graph: a list of 100,000 nodes; node i holds the int i, one of 100 shared leaves and node
// i - 1, so every node is met once as a record and again as a reference.
#include <benchmark/benchmark.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWByteOrderStream.h"
#include "rw/RWCollectable.h"
#include "rw/RWFactory.h"
#include "rw/RWPortableStream.h"
#include "rw/RWSlistCollectables.h"
#include "rw/rwstore.h"

namespace {

constexpr int kNodes = 100000;
constexpr int kLeaves = 100;

class BenchLeaf : public RWCollectable {
 public:
  RWClassID IsA() const override { return 901; }
  static RWCollectable* Create() { return new (std::nothrow) BenchLeaf; }
};

class BenchNode : public RWCollectable {
 public:
  RWClassID IsA() const override { return 900; }
  std::uint32_t StoredByteCount() const override {
    return 4 + RWTotalStoredSize(leaf) + RWTotalStoredSize(previous);
  }
  void SaveContents(RWVirtualOutStream& stream) const override {
    stream.Put(value);
    stream << leaf << previous;
  }
  void SaveContents(RWBinaryFile& file) const override {
    (void)file.Write(value);
    file << leaf << previous;
  }
  void RestoreContents(RWVirtualInStream& stream) override { Restore(stream); }
  void RestoreContents(RWBinaryFile& file) override { Restore(file); }
  void ForgetRestoredMembers() override { leaf = previous = nullptr; }
  static RWCollectable* Create() { return new (std::nothrow) BenchNode; }

  int value = 0;
  RWCollectable* leaf = nullptr;
  RWCollectable* previous = nullptr;

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier) {
    if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
      (void)carrier.Read(value);
    } else {
      carrier.Get(value);
    }
    for (RWCollectable** slot : {&leaf, &previous}) {
      RWRestoredMember member(carrier, this);
      *slot = member.Object();
      member.Keep(RWHold::kHolds);
    }
  }
};

// The graph, made once.
class Graph {
 public:
  Graph() {
    static const bool registered = [] {
      RWRegisterFoundationClasses();
      AddToFactory(&BenchNode::Create, 900, RWStringID("BenchNode"));
      AddToFactory(&BenchLeaf::Create, 901, RWStringID("BenchLeaf"));
      return true;
    }();
    (void)registered;
    for (int i = 0; i < kLeaves; ++i) {
      leaves_.push_back(new BenchLeaf);
    }
    BenchNode* previous = nullptr;
    for (int i = 0; i < kNodes; ++i) {
      auto* node = new BenchNode;
      node->value = i;
      node->leaf = leaves_[i % kLeaves];
      node->previous = previous;
      list_.Insert(node);
      previous = node;
    }
  }
  ~Graph() {
    list_.ClearAndDestroy();
    for (RWCollectable* leaf : leaves_) {
      delete leaf;
    }
  }

  const RWSlistCollectables& Root() const { return list_; }
  static Graph& Instance() {
    static Graph graph;
    return graph;
  }

 private:
  RWSlistCollectables list_;
  std::vector<RWCollectable*> leaves_;
};

// Deletes a restored graph.
void DeleteRestored(RWCollectable* root) {
  auto* list = dynamic_cast<RWSlistCollectables*>(root);
  if (list == nullptr) {
    delete root;
    return;
  }
  std::vector<RWCollectable*> leaves;
  list->Apply(
      [](RWCollectable* item, void* client) {
        auto* node = static_cast<BenchNode*>(item);
        auto* found = static_cast<std::vector<RWCollectable*>*>(client);
        if (node->value < kLeaves) {
          found->push_back(node->leaf);
        }
      },
      &leaves);
  list->ClearAndDestroy();
  delete list;
  for (RWCollectable* leaf : leaves) {
    delete leaf;
  }
}

enum Format { kPortable, kBinary, kByteOrder };

std::string Save(Format format) {
  std::ostringstream out;
  const RWCollectable* root = &Graph::Instance().Root();
  if (format == kPortable) {
    RWPortableOutStream stream(out);
    stream << root;
  } else if (format == kBinary) {
    RWBinaryOutStream stream(out);
    stream << root;
  } else {
    RWByteOrderOutStream stream(out, 2);
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
  } else if (format == kBinary) {
    RWBinaryInStream stream(in);
    stream >> root;
  } else {
    RWByteOrderInStream stream(in);
    stream >> root;
  }
  return root;
}

void BM_SaveStream(benchmark::State& state) {
  const auto format = static_cast<Format>(state.range(0));
  Graph::Instance();
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = Save(format).size();
    benchmark::DoNotOptimize(bytes);
  }
  state.SetItemsProcessed(state.iterations() * (kNodes + kLeaves));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_RestoreStream(benchmark::State& state) {
  const auto format = static_cast<Format>(state.range(0));
  const std::string bytes = Save(format);
  for (auto _ : state) {
    RWCollectable* root = Restore(format, bytes);
    if (root == nullptr) {
      state.SkipWithError("restore failed");
      break;
    }
    state.PauseTiming();
    DeleteRestored(root);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * (kNodes + kLeaves));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// The binary file works on an in-memory file reached by name, so the disk is not measured.
std::string ScratchName() {
  static const int fd = memfd_create("bench_persist", 0);
  return "/proc/self/fd/" + std::to_string(fd);
}

void BM_SaveFile(benchmark::State& state) {
  Graph::Instance();
  const std::string name = ScratchName();
  for (auto _ : state) {
    RWBinaryFile file(name.c_str(), "wb+");
    file << &Graph::Instance().Root();
    (void)file.Flush();
  }
  state.SetItemsProcessed(state.iterations() * (kNodes + kLeaves));
}

void BM_RestoreFile(benchmark::State& state) {
  Graph::Instance();
  const std::string name = ScratchName();
  {
    RWBinaryFile file(name.c_str(), "wb+");
    file << &Graph::Instance().Root();
  }
  for (auto _ : state) {
    RWBinaryFile file(name.c_str(), "rb");
    RWCollectable* root = nullptr;
    file >> root;
    if (root == nullptr) {
      state.SkipWithError("restore failed");
      break;
    }
    state.PauseTiming();
    DeleteRestored(root);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * (kNodes + kLeaves));
}

void BM_TotalStoredSize(benchmark::State& state) {
  const RWCollectable& root = Graph::Instance().Root();
  for (auto _ : state) {
    benchmark::DoNotOptimize(root.TotalStoredSize());
  }
  state.SetItemsProcessed(state.iterations() * (kNodes + kLeaves));
}

// The physical limit: copying the binary stream's bytes.
void BM_MemcpyBinaryBytes(benchmark::State& state) {
  const std::string bytes = Save(kBinary);
  std::vector<char> target(bytes.size());
  for (auto _ : state) {
    std::memcpy(target.data(), bytes.data(), bytes.size());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * (kNodes + kLeaves));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

BENCHMARK(BM_SaveStream)
    ->ArgName("portable|binary|byteorder")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RestoreStream)
    ->ArgName("portable|binary|byteorder")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RestoreFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TotalStoredSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyBinaryBytes)->Unit(benchmark::kMillisecond);

}  // namespace
