// The entry of velres and its one global: the module handle while the module is attached.
#pragma once

#include "platform/PlatformTypes.h"

namespace vel::velres {

extern HINSTANCE g_module;

}  // namespace vel::velres

// Reason 1 (process attach) keeps the handle, 0 (process detach) clears it, 2 and 3 (thread
// attach and detach) change nothing; the answer is always TRUE.
extern "C" BOOL DllInitialize(HINSTANCE module, DWORD reason, LPVOID reserved);
