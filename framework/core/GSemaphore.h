// GSemaphore: the framework's abstract lock. Each module makes its own kind through the services'
// CreateSemaphore: the UI module a semaphore of count 1 (not re-entrant), the render module an
// engine semaphore (re-entrant).
#pragma once

#include <cstdint>

class GSemaphore {
 public:
  virtual ~GSemaphore() = default;
  // 0 on success, -2 on failure.
  virtual std::int32_t Release() = 0;
  // Waits without a time limit: 0 on success, non-zero on failure.
  virtual std::int32_t Acquire() = 0;
};

// Error ids of lock failures: every process-wide table reports a failed Acquire as 301 and a
// Release that answers -2 as 302, with severity 2 (framework/core/DriverError.h).
namespace vel {
inline constexpr std::uint16_t kLockAcquireFailed = 301;
inline constexpr std::uint16_t kLockReleaseFailed = 302;
inline constexpr std::int32_t kReleaseFailed = -2;
}  // namespace vel
