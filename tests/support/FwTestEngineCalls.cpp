// The engine calls of the render flavour's test services.
#include "tests/support/FwTestEngineCalls.h"

#include <new>

#include "framework/core/GSemaphore.h"
#include "platform/engine/EngineFixture.h"
#include "platform/engine/winddi.h"

namespace vel::test::engine_calls {
namespace {

class EngineSemaphore : public GSemaphore {
 public:
  explicit EngineSemaphore(HSEMAPHORE semaphore) : semaphore_(semaphore) {}
  ~EngineSemaphore() override { EngDeleteSemaphore(semaphore_); }
  std::int32_t Release() override {
    EngReleaseSemaphore(semaphore_);
    return 0;
  }
  std::int32_t Acquire() override {
    EngAcquireSemaphore(semaphore_);
    return 0;
  }

 private:
  HSEMAPHORE semaphore_;
};

}  // namespace

DWORD GetPrinterData(HANDLE printer, const char16_t* name, DWORD* type, std::uint8_t* data,
                     DWORD size, DWORD* needed) {
  return EngGetPrinterData(printer, const_cast<LPWSTR>(name), type, data, size, needed);
}

DWORD SetPrinterData(HANDLE printer, const char16_t* name, DWORD type, const std::uint8_t* data,
                     DWORD size) {
  return EngSetPrinterData(printer, const_cast<LPWSTR>(name), type, const_cast<LPBYTE>(data),
                           size);
}

GSemaphore* CreateSemaphore() {
  HSEMAPHORE semaphore = EngCreateSemaphore();
  if (semaphore == nullptr) {
    return nullptr;
  }
  auto* lock = new (std::nothrow) EngineSemaphore(semaphore);
  if (lock == nullptr) {
    EngDeleteSemaphore(semaphore);
  }
  return lock;
}

void BindDevice(void* device, HANDLE printer) {
  vel::platform::engine::BindDevice(static_cast<HDEV>(device), printer);
}

void UnbindDevice(void* device) {
  vel::platform::engine::UnbindDevice(static_cast<HDEV>(device));
}

const char16_t* DataFileName(void* device) {
  return EngGetPrinterDataFileName(static_cast<HDEV>(device));
}

std::uint64_t LocalTime() {
  ENG_TIME_FIELDS time{};
  EngQueryLocalTime(&time);
  return (static_cast<std::uint64_t>(time.usYear) << 40) ^
         (static_cast<std::uint64_t>(time.usMonth) << 32) ^
         (static_cast<std::uint64_t>(time.usDay) << 24) ^ (time.usHour << 16) ^
         (time.usMinute << 10) ^ (time.usSecond << 4) ^ time.usMilliseconds;
}

}  // namespace vel::test::engine_calls
