// The stand-in engine's ledgers, counters and fixture switches that belong to no single unit.
#include "platform/engine/EngineLedger.h"

#include <mutex>
#include <vector>

#include "platform/engine/EngineFixture.h"

namespace vel::platform::engine {
namespace detail {

std::atomic<bool> g_full_logging{false};
std::atomic<std::size_t> g_acquires{0};
std::atomic<std::size_t> g_releases{0};

namespace {

struct Ledger {
  std::mutex mutex;
  std::vector<std::string> problems;
};

Ledger& GetLedger() {
  static Ledger* ledger = new Ledger;
  return *ledger;
}

std::atomic<std::int64_t> g_live[static_cast<int>(Kind::kCount)];
std::atomic<std::uint32_t> g_generation{0};

}  // namespace

void AddProblem(std::string problem) {
  Ledger& ledger = GetLedger();
  std::lock_guard<std::mutex> lock(ledger.mutex);
  ledger.problems.push_back(std::move(problem));
}

std::uint32_t Generation() { return g_generation.load(std::memory_order_relaxed); }

std::uint32_t CountCreated(Kind kind) {
  g_live[static_cast<int>(kind)].fetch_add(1, std::memory_order_relaxed);
  return Generation();
}

void CountDeleted(Kind kind, std::uint32_t generation) {
  if (generation == Generation()) {
    g_live[static_cast<int>(kind)].fetch_sub(1, std::memory_order_relaxed);
  }
}

std::string TagText(ULONG tag) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    char c = static_cast<char>((tag >> (8 * i)) & 0xFF);
    text += (c >= 0x20 && c < 0x7F) ? c : '.';
  }
  return text;
}

std::string Hex(std::uint64_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return "0x" + text;
}

}  // namespace detail

void SetFullLogging(bool on) { detail::g_full_logging = on; }

std::vector<std::string> LedgerProblems() {
  std::vector<std::string> problems;
  {
    detail::Ledger& ledger = detail::GetLedger();
    std::lock_guard<std::mutex> lock(ledger.mutex);
    problems = ledger.problems;
  }
  detail::MemoryProblems(problems);
  struct Named {
    detail::Kind kind;
    const char* what;
  };
  static constexpr Named kNames[] = {{detail::Kind::kSemaphore, "semaphore(s) never deleted"},
                                     {detail::Kind::kModule, "module(s) never freed"},
                                     {detail::Kind::kImage, "image(s) never unloaded"},
                                     {detail::Kind::kNativeHandle, "native handle(s) never closed"},
                                     {detail::Kind::kSurface, "surface(s) never deleted"},
                                     {detail::Kind::kSurfaceLock, "surface lock(s) never released"},
                                     {detail::Kind::kPalette, "palette(s) never deleted"},
                                     {detail::Kind::kPath, "path(s) never deleted"}};
  for (const Named& named : kNames) {
    std::int64_t count = detail::g_live[static_cast<int>(named.kind)].load();
    if (count > 0) {
      problems.push_back(std::to_string(count) + " " + named.what);
    }
  }
  return problems;
}

void ClearLedgers() {
  {
    detail::Ledger& ledger = detail::GetLedger();
    std::lock_guard<std::mutex> lock(ledger.mutex);
    ledger.problems.clear();
  }
  detail::g_generation.fetch_add(1);
  detail::ClearMemoryLedger();
  detail::g_acquires = 0;
  detail::g_releases = 0;
  for (int i = 0; i < static_cast<int>(detail::Kind::kCount); ++i) {
    detail::g_live[i] = 0;
  }
}

}  // namespace vel::platform::engine
