// Stand-in engine services: semaphores with their ledger, last error, local time, debug output.
#include "platform/engine/winddi.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <new>
#include <string>
#include <thread>

#include "platform/CallLog.h"
#include "platform/engine/EngineFixture.h"
#include "platform/engine/EngineLedger.h"

using vel::platform::LogCall;
using vel::platform::ShouldFail;
namespace detail = vel::platform::engine::detail;

struct HSEMAPHORE__ {
  std::recursive_mutex mutex;
  // The holder and its depth are written only by the holder, under the mutex; other threads read
  // them to detect a release by a thread that does not hold the semaphore.
  std::atomic<std::thread::id> owner{};
  std::atomic<int> depth{0};
  std::uint32_t generation = 0;
};

namespace {

thread_local ULONG t_last_error = 0;

constexpr ENG_TIME_FIELDS kDefaultTime = {2000, 1, 1, 0, 0, 0, 0, 6};

struct Clock {
  std::mutex mutex;
  ENG_TIME_FIELDS time = kDefaultTime;
};

Clock& GetClock() {
  static Clock* clock = new Clock;
  return *clock;
}

}  // namespace

HSEMAPHORE EngCreateSemaphore() {
  if (ShouldFail("EngCreateSemaphore")) {
    LogCall("EngCreateSemaphore = null (forced)");
    return nullptr;
  }
  auto* semaphore = new (std::nothrow) HSEMAPHORE__;
  if (semaphore != nullptr) {
    semaphore->generation = detail::CountCreated(detail::Kind::kSemaphore);
  }
  LogCall(semaphore != nullptr ? "EngCreateSemaphore" : "EngCreateSemaphore = null");
  return semaphore;
}

void EngAcquireSemaphore(HSEMAPHORE semaphore) {
  if (semaphore == nullptr) {
    // A caller that never checked a failed creation: recorded, and nothing to lock.
    detail::AddProblem("EngAcquireSemaphore of a null semaphore");
    return;
  }
  semaphore->mutex.lock();
  semaphore->owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
  semaphore->depth.fetch_add(1, std::memory_order_relaxed);
  detail::g_acquires.fetch_add(1, std::memory_order_relaxed);
  if (detail::FullLogging()) {
    LogCall("EngAcquireSemaphore");
  }
}

void EngReleaseSemaphore(HSEMAPHORE semaphore) {
  if (semaphore == nullptr) {
    detail::AddProblem("EngReleaseSemaphore of a null semaphore");
    return;
  }
  if (semaphore->depth.load(std::memory_order_relaxed) == 0 ||
      semaphore->owner.load(std::memory_order_relaxed) != std::this_thread::get_id()) {
    // Unlocking a lock this thread does not hold would break the lock itself: record and refuse.
    detail::AddProblem("EngReleaseSemaphore by a thread that does not hold the semaphore");
    return;
  }
  if (semaphore->depth.fetch_sub(1, std::memory_order_relaxed) == 1) {
    semaphore->owner.store(std::thread::id(), std::memory_order_relaxed);
  }
  detail::g_releases.fetch_add(1, std::memory_order_relaxed);
  semaphore->mutex.unlock();
  if (detail::FullLogging()) {
    LogCall("EngReleaseSemaphore");
  }
}

void EngDeleteSemaphore(HSEMAPHORE semaphore) {
  if (semaphore == nullptr) {
    LogCall("EngDeleteSemaphore(null)");
    return;
  }
  LogCall("EngDeleteSemaphore");
  if (semaphore->depth.load(std::memory_order_relaxed) > 0) {
    detail::AddProblem("EngDeleteSemaphore of a semaphore that is held");
    if (semaphore->owner.load(std::memory_order_relaxed) != std::this_thread::get_id()) {
      // Another thread holds it and will release it: the lock must outlive that release.
      return;
    }
    while (semaphore->depth.fetch_sub(1, std::memory_order_relaxed) > 0) {
      semaphore->mutex.unlock();
    }
  }
  detail::CountDeleted(detail::Kind::kSemaphore, semaphore->generation);
  delete semaphore;
}

ULONG EngGetLastError() { return t_last_error; }

void EngSetLastError(ULONG error) { t_last_error = error; }

void EngQueryLocalTime(PENG_TIME_FIELDS time) {
  Clock& clock = GetClock();
  std::lock_guard<std::mutex> lock(clock.mutex);
  *time = clock.time;
  LogCall("EngQueryLocalTime");
}

namespace {
std::atomic<bool> g_debug_print_echo{true};
}  // namespace

void EngDebugPrint(const char* prefix, const char* format, va_list arguments) {
  char text[1024];
  std::vsnprintf(text, sizeof text, format, arguments);
  std::string line = std::string(prefix != nullptr ? prefix : "") + text;
  if (g_debug_print_echo.load(std::memory_order_relaxed)) {
    std::fprintf(stderr, "%s", line.c_str());
    std::fflush(stderr);
  }
  LogCall("EngDebugPrint(" + line + ")");
}

void EngDebugBreak() { LogCall("EngDebugBreak"); }

namespace vel::platform::engine {

void SetDebugPrintEcho(bool on) { g_debug_print_echo.store(on, std::memory_order_relaxed); }

CallCounters Counters() {
  CallCounters counters;
  counters.allocations = detail::MemoryAllocations();
  counters.frees = detail::MemoryFrees();
  counters.acquires = detail::g_acquires.load();
  counters.releases = detail::g_releases.load();
  return counters;
}

void SetLocalTime(const ENG_TIME_FIELDS& time) {
  Clock& clock = GetClock();
  std::lock_guard<std::mutex> lock(clock.mutex);
  clock.time = time;
}

void ResetLocalTime() { SetLocalTime(kDefaultTime); }

}  // namespace vel::platform::engine
