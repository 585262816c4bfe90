// State that the stand-in engine's units share: full logging, the ledger of faults and the live
// counts of semaphores, modules, images and native handles (not part of the engine's interface).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/PlatformTypes.h"

namespace vel::platform::engine::detail {

extern std::atomic<bool> g_full_logging;
extern std::atomic<std::size_t> g_acquires;
extern std::atomic<std::size_t> g_releases;

inline bool FullLogging() { return g_full_logging.load(std::memory_order_relaxed); }

// Records one fault for LedgerProblems.
void AddProblem(std::string problem);

// Live objects of each kind. An object remembers the generation it was made in; ClearLedgers
// starts a new generation, and an object of an older one no longer counts when it goes.
enum class Kind {
  kSemaphore,
  kModule,
  kImage,
  kNativeHandle,
  kSurface,
  kSurfaceLock,
  kPalette,
  kPath,
  kCount
};
std::uint32_t Generation();
// Counts a new object and answers its generation.
std::uint32_t CountCreated(Kind kind);
void CountDeleted(Kind kind, std::uint32_t generation);

// Engine memory's part of the ledger (EngineMemory.cpp).
void MemoryProblems(std::vector<std::string>& problems);
void ClearMemoryLedger();
std::size_t MemoryAllocations();
std::size_t MemoryFrees();

// The four characters of a pool tag in memory order.
std::string TagText(ULONG tag);
// "0x%X" of a number, for log lines.
std::string Hex(std::uint64_t value);

}  // namespace vel::platform::engine::detail
