// The engine calls of the render flavour's test services, in a unit of their own: the engine's
// header and the Win32 file header define some of the same constants.
#pragma once

#include <cstdint>

#include "platform/PlatformTypes.h"

class GSemaphore;

namespace vel::test::engine_calls {

DWORD GetPrinterData(HANDLE printer, const char16_t* name, DWORD* type, std::uint8_t* data,
                     DWORD size, DWORD* needed);
DWORD SetPrinterData(HANDLE printer, const char16_t* name, DWORD type, const std::uint8_t* data,
                     DWORD size);
// An engine semaphore as a GSemaphore (re-entrant); null when the engine cannot make one.
GSemaphore* CreateSemaphore();
// `device` stands for an engine device handle.
void BindDevice(void* device, HANDLE printer);
void UnbindDevice(void* device);
const char16_t* DataFileName(void* device);
// The engine's local time folded into one number.
std::uint64_t LocalTime();

}  // namespace vel::test::engine_calls
