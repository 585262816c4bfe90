// Configuration of the user-mode (UI) flavour of the shared code. The render flavour has a header
// of the same name; each flavoured library sees exactly one of them.
#pragma once

#include "platform/flavour/ui/GReal.h"
#include "platform/flavour/GRealPoint.h"
#include "platform/flavour/ui/FileSeam.h"
#include "platform/flavour/ui/ModuleSeam.h"
#include "platform/win32/windows.h"

namespace vel::flavour {

inline constexpr bool kIsRenderFlavour = false;
inline constexpr const char kName[] = "ui";

// The primitive under each source unit's static lock: a Win32 critical section (recursive).
class LockPrimitive {
 public:
  // Returns false when the platform could not make the lock.
  bool Create() {
    InitializeCriticalSection(&section_);
    return section_.impl != nullptr;
  }
  void Acquire() { EnterCriticalSection(&section_); }
  void Release() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

// What the foundation library's default error hook does with an error's text: shows it in a
// task-modal message box captioned "Fatal Error", then ends the process with exit code 1.
[[noreturn]] void DefaultFatalError(const char* text);

}  // namespace vel::flavour
