// Per-thread instances over the library's thread-local slots.
#include "rw/RWThreadInstanceManager.h"

#include "rw/RWStaticLock.h"

namespace {

// A thread's value in one slot, tagged with the generation of the manager that stored it.
struct SlotValue {
  std::uint64_t generation;
  void* instance;
};

// Zero-initialised for every thread, without a constructor to run.
thread_local SlotValue t_slots[RWThreadInstanceManager::kSlots];

constinit RWStaticLock g_slot_lock;
bool g_slot_used[RWThreadInstanceManager::kSlots];
std::uint64_t g_last_generation;  // 0 is never handed out, so an unused slot value never matches

}  // namespace

RWThreadInstanceManager::RWThreadInstanceManager() {
  RWLockGuard guard(g_slot_lock);
  for (std::size_t i = 0; i < kSlots; ++i) {
    if (!g_slot_used[i]) {
      g_slot_used[i] = true;
      slot_ = i;
      generation_ = ++g_last_generation;
      return;
    }
  }
}

RWThreadInstanceManager::~RWThreadInstanceManager() {
  if (!HasSlot()) {
    return;
  }
  RWLockGuard guard(g_slot_lock);
  g_slot_used[slot_] = false;
}

void* RWThreadInstanceManager::Current() const {
  if (!HasSlot()) {
    return nullptr;
  }
  const SlotValue& value = t_slots[slot_];
  return value.generation == generation_ ? value.instance : nullptr;
}

void* RWThreadInstanceManager::CreateForThread() {
  if (!HasSlot()) {
    return nullptr;
  }
  if (void* current = Current()) {
    return current;
  }
  void* instance = CreateInstance();
  if (instance != nullptr) {
    t_slots[slot_] = SlotValue{generation_, instance};
  }
  return instance;
}

void RWThreadInstanceManager::DestroyForThread() {
  void* instance = Current();
  if (instance == nullptr) {
    return;
  }
  t_slots[slot_] = SlotValue{0, nullptr};
  DeleteInstance(instance);
}
