// The static lock of a source unit: made on first use, exactly once even when several threads
// arrive at once, and never destroyed, so it stays valid for code that runs during unload.
#pragma once

#include <mutex>

#include "vel_flavour.h"

class RWStaticLock {
 public:
  constexpr RWStaticLock() = default;
  RWStaticLock(const RWStaticLock&) = delete;
  RWStaticLock& operator=(const RWStaticLock&) = delete;

  // The lock is recursive in both flavours.
  void Acquire();
  void Release();

  bool IsCreated() const { return created_; }

 private:
  std::once_flag once_;
  bool created_ = false;
  vel::flavour::LockPrimitive primitive_;
};

// Holds a static lock for one scope.
class RWLockGuard {
 public:
  explicit RWLockGuard(RWStaticLock& lock) : lock_(lock) { lock_.Acquire(); }
  ~RWLockGuard() { lock_.Release(); }
  RWLockGuard(const RWLockGuard&) = delete;
  RWLockGuard& operator=(const RWLockGuard&) = delete;

 private:
  RWStaticLock& lock_;
};
