// A module shared library for the loader tests: an entry that counts its calls, one string block
// and one export.
#include "platform/win32/ModuleDescriptor.h"
#include "platform/win32/text.h"
#include "platform/win32/winspool.h"

namespace {

int attach_calls = 0;
int detach_calls = 0;
HINSTANCE own_handle = nullptr;

BOOL Entry(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == 1) {
    ++attach_calls;
    own_handle = module;
  } else if (reason == 0) {
    ++detach_calls;
    own_handle = nullptr;
  }
  return 1;
}

// Block 1 (ids 0..15): id 1 "Tray 1", id 2 empty, the rest absent (empty).
constexpr std::uint8_t kStrings[] = {
    0, 0,                                                                    // id 0: empty
    6, 0, 'T', 0, 'r', 0, 'a', 0, 'y', 0, ' ', 0, '1', 0,                    // id 1: "Tray 1"
    0, 0, 0,   0, 0,   0, 0,   0, 0,   0, 0,   0, 0,   0, 0, 0, 0, 0, 0, 0,  // ids 2..11
    0, 0, 0,   0, 0,   0, 0,   0,                                            // ids 12..15
};

constexpr vel::platform::ResourceEntry kResources[] = {
    {{vel::platform::kRtString, nullptr}, {1, nullptr}, 1033, kStrings, sizeof kStrings},
    {{0, u"CUSTOM"}, {0, u"Blob"}, 1033, kStrings, 4},
};

constexpr vel::platform::ModuleDescriptor kDescriptor{vel::platform::kModuleDescriptorVersion,
                                                      Entry, kResources,
                                                      sizeof kResources / sizeof kResources[0]};

}  // namespace

VEL_MODULE_EXPORT const vel::platform::ModuleDescriptor* VelModuleDescriptor() {
  return &kDescriptor;
}

// The entry's calls so far and the handle the attach received.
VEL_MODULE_EXPORT int TestModuleAttachCalls() {
  return attach_calls;
}
VEL_MODULE_EXPORT int TestModuleDetachCalls() {
  return detach_calls;
}
VEL_MODULE_EXPORT HINSTANCE TestModuleOwnHandle() {
  return own_handle;
}

// Sets the last error through the host's platform: one platform per process.
VEL_MODULE_EXPORT void TestModuleSetLastError(DWORD error) {
  SetLastError(error);
}

// Writes a printer-data value through a handle the host opened, then sets the last error: the
// host sees both.
VEL_MODULE_EXPORT DWORD TestModuleWritePrinterData(HANDLE printer) {
  DWORD value = 1;
  char16_t name[] = u"RegWriteTest";
  const DWORD result =
      SetPrinterDataW(printer, name, REG_DWORD, reinterpret_cast<LPBYTE>(&value), sizeof value);
  SetLastError(1234);
  return result;
}
