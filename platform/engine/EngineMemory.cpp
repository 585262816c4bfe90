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
  std::atomic<bool> used{false};
  std::atomic<ULONG> tag{0};
  std::atomic<std::int64_t> blocks{0};
  std::atomic<std::int64_t> bytes{0};
};

struct MemoryTable {
  Slot slots[kSlots];
  std::atomic<std::size_t> used_slots{0};
  std::mutex insert_mutex;
  std::atomic<std::uint32_t> generation{0};
  std::atomic<std::size_t> allocations{0};
  std::atomic<std::size_t> frees{0};
};

MemoryTable& GetMemoryLedger() {
  static MemoryTable* ledger = new MemoryTable;
  return *ledger;
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
  ledger.slots[used].used.store(true, std::memory_order_relaxed);
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
  for (Slot& slot : ledger.slots) {
    slot.blocks = 0;
    slot.bytes = 0;
  }
  ledger.allocations = 0;
  ledger.frees = 0;
}

}  // namespace detail

std::vector<MemoryLedgerEntry> MemoryLedger() {
  auto& ledger = GetMemoryLedger();
  std::vector<MemoryLedgerEntry> entries;
  std::size_t used = ledger.used_slots.load(std::memory_order_acquire);
  for (std::size_t i = 0; i < used; ++i) {
    std::int64_t blocks = ledger.slots[i].blocks.load();
    if (blocks > 0) {
      entries.push_back(MemoryLedgerEntry{ledger.slots[i].tag.load(),
                                          static_cast<std::size_t>(blocks),
                                          static_cast<std::size_t>(ledger.slots[i].bytes.load())});
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

std::size_t MemoryAllocations() { return GetMemoryLedger().allocations.load(); }
std::size_t MemoryFrees() { return GetMemoryLedger().frees.load(); }

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
  ledger.slots[slot].blocks.fetch_add(1, std::memory_order_relaxed);
  ledger.slots[slot].bytes.fetch_add(cj, std::memory_order_relaxed);
  ledger.allocations.fetch_add(1, std::memory_order_relaxed);
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
  if (header.generation == ledger.generation.load(std::memory_order_relaxed)) {
    ledger.slots[header.slot].blocks.fetch_sub(1, std::memory_order_relaxed);
    ledger.slots[header.slot].bytes.fetch_sub(header.size, std::memory_order_relaxed);
  }
  ledger.frees.fetch_add(1, std::memory_order_relaxed);
  header.magic = kFreedMagic;
  std::memcpy(raw, &header, sizeof header);
  if (FullLogging()) {
    vel::platform::LogCall("EngFreeMem(" + std::to_string(header.size) + " bytes, '" +
                           detail::TagText(ledger.slots[header.slot].tag.load()) + "')");
  }
  std::free(raw);
}
