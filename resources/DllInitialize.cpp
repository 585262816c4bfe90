// The entry of velres, called by the loader when the module is attached to or detached from the
// process and when threads start and end.
#include "platform/win32/ModuleDescriptor.h"
#include "resources/VelresModule.h"

namespace vel::velres {

HINSTANCE g_module = nullptr;

}  // namespace vel::velres

namespace {

constexpr DWORD kProcessDetach = 0;
constexpr DWORD kProcessAttach = 1;

}  // namespace

VEL_MODULE_EXPORT BOOL DllInitialize(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason == kProcessAttach) {
    vel::velres::g_module = module;
  } else if (reason == kProcessDetach) {
    vel::velres::g_module = nullptr;
  }
  return TRUE;
}
