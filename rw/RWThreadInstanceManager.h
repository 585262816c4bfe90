// A per-thread instance: each thread that asks gets its own object from the manager.
//
// A manager takes one per-thread slot when it is made and gives it back when it is destroyed. A
// subclass says how an instance is made and deleted. Every thread starts without an instance;
// CreateForThread gives the calling thread one and DestroyForThread deletes it. Owners pair the
// two calls on each thread: an instance that a thread still holds when it ends is not deleted.
//
// The slots are `thread_local` storage of the library itself, the same in both flavours. There
// are kSlots of them; a manager made when all are taken has no slot: Current then answers null
// and CreateForThread makes nothing and answers null.
#pragma once

#include <cstddef>
#include <cstdint>

class RWThreadInstanceManager {
 public:
  static constexpr std::size_t kSlots = 16;

  RWThreadInstanceManager();
  RWThreadInstanceManager(const RWThreadInstanceManager&) = delete;
  RWThreadInstanceManager& operator=(const RWThreadInstanceManager&) = delete;
  // Gives the slot back. Instances still held by threads are not deleted.
  virtual ~RWThreadInstanceManager();

  // The calling thread's instance, or null.
  void* Current() const;
  // Makes an instance through CreateInstance, keeps it for the calling thread and returns it. A
  // thread that already has one keeps it and gets it back (nothing is made). Null when the manager
  // has no slot or CreateInstance gave null.
  void* CreateForThread();
  // Deletes the calling thread's instance through DeleteInstance and leaves the thread without one.
  // Does nothing when the thread has none.
  void DestroyForThread();

  bool HasSlot() const { return slot_ != kNoSlot; }

 protected:
  virtual void* CreateInstance() = 0;
  virtual void DeleteInstance(void* instance) = 0;

 private:
  static constexpr std::size_t kNoSlot = kSlots;

  std::size_t slot_ = kNoSlot;
  // Tells this manager's values from those a thread kept for an earlier owner of the slot.
  std::uint64_t generation_ = 0;
};
