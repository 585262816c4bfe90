// The entry of velres, called by the loader when the module is attached to or detached from the
// process and when threads start and end.
#include "resources/VelresModule.h"

namespace vel::velres {

HANDLE g_module = nullptr;

}  // namespace vel::velres

namespace {

constexpr DWORD kProcessDetach = 0;
constexpr DWORD kProcessAttach = 1;

}  // namespace

extern "C" __attribute__((visibility("default"))) BOOL DllInitialize(HANDLE module, DWORD reason,
                                                                     LPVOID /*reserved*/) {
  if (reason == kProcessAttach) {
    vel::velres::g_module = module;
  } else if (reason == kProcessDetach) {
    vel::velres::g_module = nullptr;
  }
  return TRUE;
}
