// BookletLock: a token-owned, re-entrant lock of the process.
#include "framework/pipeline/BookletLock.h"

#include "framework/core/DriverError.h"

namespace vel {

namespace {

constexpr const char* kUnit = "BookletLock";
constexpr std::uint16_t kAcquireFailed = 301;
constexpr std::uint16_t kReleaseFailed = 302;

}  // namespace

BookletLock& BookletLock::Instance() {
  // Never destroyed: a job still running while the module unloads may hold it.
  static BookletLock* const lock = new BookletLock;
  return *lock;
}

void BookletLock::Acquire(const void* token) {
  if (token == nullptr) {
    ReportDriverError(2, kAcquireFailed, kUnit, __LINE__, "");
    return;
  }
  std::unique_lock<std::mutex> hold(mutex_);
  freed_.wait(hold, [&] { return holds_ == 0 || owner_ == token; });
  owner_ = token;
  ++holds_;
}

void BookletLock::Release(const void* token) {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    if (token != nullptr && holds_ != 0 && owner_ == token) {
      if (--holds_ == 0) {
        owner_ = nullptr;
        freed_.notify_all();
      }
      return;
    }
  }
  ReportDriverError(2, kReleaseFailed, kUnit, __LINE__, "");
}

bool BookletLock::IsHeldBy(const void* token) const {
  std::lock_guard<std::mutex> hold(mutex_);
  return holds_ != 0 && owner_ == token;
}

bool BookletLock::IsFree() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return holds_ == 0;
}

}  // namespace vel
