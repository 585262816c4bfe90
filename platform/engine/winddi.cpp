// Stand-in graphics engine semaphores and debug output.
#include "platform/engine/winddi.h"

#include <cstdio>
#include <mutex>
#include <new>
#include <string>

#include "platform/CallLog.h"

struct HSEMAPHORE__ {
  std::recursive_mutex mutex;
};

HSEMAPHORE EngCreateSemaphore() {
  if (vel::platform::ShouldFail("EngCreateSemaphore")) {
    return nullptr;
  }
  return new (std::nothrow) HSEMAPHORE__;
}

void EngAcquireSemaphore(HSEMAPHORE semaphore) {
  semaphore->mutex.lock();
}

void EngReleaseSemaphore(HSEMAPHORE semaphore) {
  semaphore->mutex.unlock();
}

void EngDeleteSemaphore(HSEMAPHORE semaphore) {
  delete semaphore;
}

void EngDebugPrint(const char* prefix, const char* format, va_list arguments) {
  char text[1024];
  std::vsnprintf(text, sizeof text, format, arguments);
  std::string line = std::string(prefix != nullptr ? prefix : "") + text;
  std::fprintf(stderr, "%s", line.c_str());
  std::fflush(stderr);
  vel::platform::LogCall("EngDebugPrint(" + line + ")");
}

void EngDebugBreak() {
  vel::platform::LogCall("EngDebugBreak");
}
