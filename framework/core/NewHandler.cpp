// The out-of-memory handler (source unit newhndlr).
//
// The reserve is freed and made outside the handler's lock, so the allocator can be entered again
// from inside the handler (a nested failure finds no reserve and reports) without deadlock.
#include "framework/core/NewHandler.h"

#include <atomic>
#include <new>

#include "framework/core/DriverError.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GSemaphore.h"

namespace {

GSemaphore* g_lock = nullptr;  // made by CreateLockOnce; read through atomic_ref
bool g_installed = false;
std::new_handler g_previous = nullptr;
std::uint32_t g_reserve_size = 0;
void* g_reserve = nullptr;
std::atomic<std::uint32_t> g_live_reserve_size{0};

constexpr const char* kUnit = "newhndlr";

GSemaphore* Lock() {
  return std::atomic_ref<GSemaphore*>(g_lock).load(std::memory_order_acquire);
}

void* AllocateReserve(std::uint32_t size) {
  return ::operator new(size, std::nothrow);
}

void FreeReserve(void* block) {
  ::operator delete(block);
}

// Keeps `block` as the reserve, freeing one that appeared meanwhile (outside the lock).
void KeepReserve(void* block, std::uint32_t size) {
  vel::AcquireOrReport(Lock(), kUnit, 140);
  void* old = g_reserve;
  g_reserve = block;
  g_live_reserve_size.store(block != nullptr ? size : 0);
  vel::ReleaseOrReport(Lock(), kUnit, 144);
  FreeReserve(old);
}

// What the allocator calls: another try, or (render flavour giving up) the allocation's failure.
void NewHandlerEntry() {
  if (OutOfMemoryHandler() == 0) {
    throw std::bad_alloc();
  }
}

// The driver server's out-of-memory step: 1 when it freed something. Otherwise it switches the
// spares off and reports (2, 101), which ends the UI process.
std::int32_t DriverServerFreesMemory() {
  vel::GDriverServerSteps* steps = vel::DriverServerSteps();
  if (steps != nullptr && steps->FreeMemory() != 0) {
    return 1;
  }
  if (steps != nullptr) {
    steps->DisableSpares();
  }
  ReportDriverError(2, vel::kOutOfMemoryError, "gbnewhnd", 148, "");
  return 0;
}

}  // namespace

void InstallNewHandler(std::uint32_t reserve) {
  if (Lock() == nullptr) {
    GOSServices* services = GetOSServices();
    if (services == nullptr) {
      return;
    }
    services->CreateLockOnce(&g_lock);
  }
  vel::AcquireOrReport(Lock(), kUnit, 90);
  if (!g_installed) {
    g_previous = std::set_new_handler(&NewHandlerEntry);
    g_installed = true;
  }
  if (reserve != 0) {
    g_reserve_size = reserve;
  }
  const std::uint32_t size = g_reserve_size;
  vel::ReleaseOrReport(Lock(), kUnit, 101);
  KeepReserve(AllocateReserve(size), size);
}

void RemoveNewHandler() {
  GSemaphore* lock = Lock();
  vel::AcquireOrReport(lock, kUnit, 160);
  if (g_installed) {
    std::set_new_handler(g_previous);
    g_previous = nullptr;
    g_installed = false;
  }
  void* reserve = g_reserve;
  g_reserve = nullptr;
  g_live_reserve_size.store(0);
  vel::ReleaseOrReport(lock, kUnit, 170);
  FreeReserve(reserve);
  std::atomic_ref<GSemaphore*>(g_lock).store(nullptr, std::memory_order_release);
  delete lock;
}

std::int32_t OutOfMemoryHandler() {
  vel::AcquireOrReport(Lock(), kUnit, 430);
  void* reserve = g_reserve;
  const std::uint32_t size = g_reserve_size;
  g_reserve = nullptr;
  g_live_reserve_size.store(0);
  vel::ReleaseOrReport(Lock(), kUnit, 436);
  if (reserve == nullptr) {
    ReportDriverError(2, vel::kOutOfMemoryError, kUnit, 444, "");
    return 0;
  }
  FreeReserve(reserve);
  if (DriverServerFreesMemory() == 0) {
    return 0;
  }
  KeepReserve(AllocateReserve(size), size);
  return 1;
}

namespace vel {

std::uint32_t NewHandlerReserveSize() {
  return g_live_reserve_size.load();
}

bool NewHandlerInstalled() {
  return std::get_new_handler() == &NewHandlerEntry;
}

}  // namespace vel
