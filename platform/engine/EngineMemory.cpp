// Engine memory: EngAllocMem and EngFreeMem over the C heap, with a ledger of live blocks and
// bytes per pool tag.
//
// Each block is preceded by a 16-byte header:
//   0  4  magic (kLiveMagic while allocated, kFreedMagic once freed)
//   4  4  size asked for
//   8  4  ledger slot of the tag
//  12  4  ledger generation the block was allocated in
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/CallLog.h"
#include "platform/engine/EngineFixture.h"
#include "platform/engine/EngineLedger.h"

namespace vel::platform::engine {
namespace {

using detail::FullLogging;
using detail::Hex;
using detail::TagText;

constexpr std::uint32_t kLiveMagic = 0x4D656D45;   // "EmeM"
constexpr std::uint32_t kFreedMagic = 0x65657246;  // "Free"
constexpr unsigned char kFillPattern = 0xE5;
constexpr std::size_t kHeaderSize = 16;

struct Header {
  std::uint32_t magic;
  std::uint32_t size;
  std::uint32_t slot;
  std::uint32_t generation;
};
static_assert(sizeof(Header) == kHeaderSize);

// One slot per pool tag; the last slot gathers the tags that find no free slot.
constexpr std::size_t kSlots = 128;

struct Slot {
  std::atomic<ULONG> tag{0};
};

// The counts are kept per thread, so that the hot path makes no read-modify-write on shared
// memory: a shard is written only by its thread (a load and a store) and read by anyone. A block
// freed on another thread than the one that allocated it is subtracted there; the sum over the
// shards is the ledger. Shards of threads that ended are handed to new threads.
struct Shard {
  std::atomic<std::int64_t> blocks[kSlots] = {};
  std::atomic<std::int64_t> bytes[kSlots] = {};
  std::atomic<std::int64_t> allocations{0};
  std::atomic<std::int64_t> frees{0};
};

struct MemoryTable {
  Slot slots[kSlots];
  std::atomic<std::size_t> used_slots{0};
  std::mutex insert_mutex;
  std::atomic<std::uint32_t> generation{0};
  std::mutex shards_mutex;
  std::vector<Shard*> shards;       // every shard ever made (never freed)
  std::vector<Shard*> free_shards;  // shards whose thread ended
};

MemoryTable& GetMemoryLedger() {
  static MemoryTable* ledger = new MemoryTable;
  return *ledger;
}

extern thread_local Shard* t_shard;

struct ShardHolder {
  Shard* shard = nullptr;
  ~ShardHolder() {
    t_shard = nullptr;
    if (shard != nullptr) {
      MemoryTable& ledger = GetMemoryLedger();
      std::lock_guard<std::mutex> lock(ledger.shards_mutex);
      ledger.free_shards.push_back(shard);
    }
  }
};

// The thread's shard, reached without a call on the hot path: a plain thread-local pointer (the
// holder that returns the shard at thread end is touched only once per thread).
thread_local Shard* t_shard __attribute__((tls_model("initial-exec"))) = nullptr;  // NOLINT

Shard& TakeShard() {
  thread_local ShardHolder holder;
  MemoryTable& ledger = GetMemoryLedger();
  std::lock_guard<std::mutex> lock(ledger.shards_mutex);
  if (!ledger.free_shards.empty()) {
    holder.shard = ledger.free_shards.back();
    ledger.free_shards.pop_back();
  } else {
    holder.shard = new Shard;
    ledger.shards.push_back(holder.shard);
  }
  t_shard = holder.shard;
  return *holder.shard;
}

inline Shard& ThisThreadShard() { return t_shard != nullptr ? *t_shard : TakeShard(); }

// Only the shard's own thread changes a count, so a load and a store suffice.
void Bump(std::atomic<std::int64_t>& count, std::int64_t by) {
  count.store(count.load(std::memory_order_relaxed) + by, std::memory_order_relaxed);
}

template <typename Read>
std::int64_t SumShards(MemoryTable& ledger, Read read) {
  std::lock_guard<std::mutex> lock(ledger.shards_mutex);
  std::int64_t sum = 0;
  for (Shard* shard : ledger.shards) {
    sum += read(*shard);
  }
  return sum;
}

std::uint32_t FindSlot(MemoryTable& ledger, ULONG tag) {
  std::size_t used = ledger.used_slots.load(std::memory_order_acquire);
  for (std::size_t i = 0; i < used; ++i) {
    if (ledger.slots[i].tag.load(std::memory_order_relaxed) == tag) {
      return static_cast<std::uint32_t>(i);
    }
  }
  std::lock_guard<std::mutex> lock(ledger.insert_mutex);
  used = ledger.used_slots.load(std::memory_order_relaxed);
  for (std::size_t i = 0; i < used; ++i) {
    if (ledger.slots[i].tag.load(std::memory_order_relaxed) == tag) {
      return static_cast<std::uint32_t>(i);
    }
  }
  if (used == kSlots) {
    return kSlots - 1;
  }
  ledger.slots[used].tag.store(tag, std::memory_order_relaxed);
  ledger.used_slots.store(used + 1, std::memory_order_release);
  return static_cast<std::uint32_t>(used);
}

}  // namespace

namespace detail {

void MemoryProblems(std::vector<std::string>& problems) {
  for (const MemoryLedgerEntry& entry : MemoryLedger()) {
    problems.push_back("engine memory never freed: " + std::to_string(entry.blocks) +
                       " block(s), " + std::to_string(entry.bytes) + " bytes of tag '" +
                       TagText(entry.tag) + "'");
  }
}

void ClearMemoryLedger() {
  MemoryTable& ledger = GetMemoryLedger();
  ledger.generation.fetch_add(1);
  std::lock_guard<std::mutex> lock(ledger.shards_mutex);
  for (Shard* shard : ledger.shards) {
    for (std::size_t i = 0; i < kSlots; ++i) {
      shard->blocks[i] = 0;
      shard->bytes[i] = 0;
    }
    shard->allocations = 0;
    shard->frees = 0;
  }
}

}  // namespace detail

std::vector<MemoryLedgerEntry> MemoryLedger() {
  auto& ledger = GetMemoryLedger();
  std::vector<MemoryLedgerEntry> entries;
  std::size_t used = ledger.used_slots.load(std::memory_order_acquire);
  for (std::size_t i = 0; i < used; ++i) {
    std::int64_t blocks = SumShards(ledger, [i](Shard& shard) { return shard.blocks[i].load(); });
    std::int64_t bytes = SumShards(ledger, [i](Shard& shard) { return shard.bytes[i].load(); });
    if (blocks > 0) {
      entries.push_back(MemoryLedgerEntry{ledger.slots[i].tag.load(),
                                          static_cast<std::size_t>(blocks),
                                          static_cast<std::size_t>(bytes)});
    }
  }
  std::sort(entries.begin(), entries.end(),
            [](const MemoryLedgerEntry& a, const MemoryLedgerEntry& b) { return a.tag < b.tag; });
  return entries;
}

std::size_t LiveBlocks(ULONG tag) {
  for (const MemoryLedgerEntry& entry : MemoryLedger()) {
    if (entry.tag == tag) {
      return entry.blocks;
    }
  }
  return 0;
}

std::size_t LiveBytes(ULONG tag) {
  for (const MemoryLedgerEntry& entry : MemoryLedger()) {
    if (entry.tag == tag) {
      return entry.bytes;
    }
  }
  return 0;
}

namespace detail {

std::size_t MemoryAllocations() {
  return static_cast<std::size_t>(
      SumShards(GetMemoryLedger(), [](Shard& shard) { return shard.allocations.load(); }));
}

std::size_t MemoryFrees() {
  return static_cast<std::size_t>(
      SumShards(GetMemoryLedger(), [](Shard& shard) { return shard.frees.load(); }));
}

}  // namespace detail
}  // namespace vel::platform::engine

using vel::platform::engine::detail::FullLogging;

PVOID EngAllocMem(ULONG flags, ULONG cj, ULONG tag) {
  using namespace vel::platform::engine;
  if (vel::platform::ShouldFail("EngAllocMem")) {
    if (FullLogging()) {
      vel::platform::LogCall("EngAllocMem(" + detail::Hex(flags) + ", " + std::to_string(cj) +
                             ", '" + detail::TagText(tag) + "') = null (forced)");
    }
    return nullptr;
  }
  auto* raw = static_cast<unsigned char*>(std::malloc(kHeaderSize + std::size_t{cj}));
  if (raw == nullptr) {
    return nullptr;
  }
  auto& ledger = GetMemoryLedger();
  std::uint32_t slot = FindSlot(ledger, tag);
  Header header{kLiveMagic, cj, slot, ledger.generation.load(std::memory_order_relaxed)};
  std::memcpy(raw, &header, sizeof header);
  unsigned char* block = raw + kHeaderSize;
  std::memset(block, (flags & FL_ZERO_MEMORY) != 0 ? 0 : kFillPattern, cj);
  Shard& shard = ThisThreadShard();
  Bump(shard.blocks[slot], 1);
  Bump(shard.bytes[slot], cj);
  Bump(shard.allocations, 1);
  if (FullLogging()) {
    vel::platform::LogCall("EngAllocMem(" + detail::Hex(flags) + ", " + std::to_string(cj) +
                           ", '" + detail::TagText(tag) + "')");
  }
  return block;
}

void EngFreeMem(PVOID block) {
  using namespace vel::platform::engine;
  if (block == nullptr) {
    return;
  }
  unsigned char* raw = static_cast<unsigned char*>(block) - kHeaderSize;
  Header header;
  std::memcpy(&header, raw, sizeof header);
  if (header.magic != kLiveMagic || header.slot >= kSlots) {
    detail::AddProblem("EngFreeMem of a block the engine did not allocate (or freed twice)");
    return;
  }
  auto& ledger = GetMemoryLedger();
  Shard& shard = ThisThreadShard();
  if (header.generation == ledger.generation.load(std::memory_order_relaxed)) {
    Bump(shard.blocks[header.slot], -1);
    Bump(shard.bytes[header.slot], -static_cast<std::int64_t>(header.size));
  }
  Bump(shard.frees, 1);
  header.magic = kFreedMagic;
  std::memcpy(raw, &header, sizeof header);
  if (FullLogging()) {
    vel::platform::LogCall("EngFreeMem(" + std::to_string(header.size) + " bytes, '" +
                           detail::TagText(ledger.slots[header.slot].tag.load()) + "')");
  }
  std::free(raw);
}
