// Platform side of the kernel-mode flavour.
#include "vel_flavour.h"

#include <cstdarg>

#include "platform/win32/windows.h"

namespace vel::flavour {
namespace {

void DebugPrint(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  EngDebugPrint("", format, arguments);
  va_end(arguments);
}

}  // namespace

void DefaultFatalError(const char* text) {
  // The engine has no thread-id service of its own; the id is the platform's current thread id.
  DebugPrint("(%lX) ", static_cast<unsigned long>(GetCurrentThreadId()));
  DebugPrint("RW!FtlErr: %s", text);
  EngDebugBreak();
}

}  // namespace vel::flavour
