// The one global of velres: its module handle while the module is attached to the process.
#pragma once

#include "platform/win32/windows.h"

namespace vel::velres {

extern HANDLE g_module;

}  // namespace vel::velres

// The module's entry: reason 1 (process attach) keeps the handle, 0 (process detach) clears it,
// 2 and 3 (thread attach and detach) change nothing; the answer is always TRUE.
extern "C" BOOL DllInitialize(HANDLE module, DWORD reason, LPVOID reserved);
