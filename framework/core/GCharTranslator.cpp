// The code-page translator getter (source unit unicode).
#include "framework/core/GCharTranslator.h"

#include <atomic>
#include <memory>

#include "framework/core/DriverError.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GSemaphore.h"

namespace {

std::atomic<GCharTranslator*> g_translator{nullptr};
// Owns the translator; deletes it at unload.
std::unique_ptr<GCharTranslator> g_holder;
GSemaphore* g_lock = nullptr;  // made by CreateLockOnce

constexpr const char* kUnit = "unicode";

}  // namespace

GCharTranslator* GetCodePageTranslator() {
  if (GCharTranslator* translator = g_translator.load(std::memory_order_acquire)) {
    return translator;
  }
  GOSServices* services = GetOSServices();
  if (services == nullptr) {
    return nullptr;
  }
  std::atomic_ref<GSemaphore*> lock_slot(g_lock);
  if (lock_slot.load(std::memory_order_acquire) == nullptr) {
    services->CreateLockOnce(&g_lock);
  }
  GSemaphore* lock = lock_slot.load(std::memory_order_acquire);
  vel::AcquireOrReport(lock, kUnit, 138);
  GCharTranslator* translator = g_translator.load(std::memory_order_acquire);
  if (translator == nullptr) {
    translator = services->CreateCharacterTranslator();
    if (translator != nullptr) {
      g_holder.reset(translator);
      g_translator.store(translator, std::memory_order_release);
    }
  }
  vel::ReleaseOrReport(lock, kUnit, 153);
  return translator;
}

namespace vel {

void ReleaseCodePageTranslator() {
  g_translator.store(nullptr);
  g_holder.reset();
  delete std::atomic_ref<GSemaphore*>(g_lock).exchange(nullptr);
}

}  // namespace vel
