// A module that a test loads with dlopen: it reaches the engine that its host sees.
#include "platform/engine/winddi.h"

extern "C" __attribute__((visibility("default"))) void* ModuleWriteAndAllocate(HANDLE printer) {
  char16_t name[] = u"FromModule";
  DWORD value = 42;
  if (EngSetPrinterData(printer, name, REG_DWORD, reinterpret_cast<LPBYTE>(&value), 4) != 0) {
    return nullptr;
  }
  return EngAllocMem(0, 48, 0x6C646F4D);  // "Modl"
}
