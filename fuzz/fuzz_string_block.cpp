// Fuzz target: LoadStringW over an arbitrary RT_STRING block of a virtual module.
#include <cstdint>
#include <vector>

#include "platform/CallLog.h"
#include "platform/win32/loader.h"
#include "platform/win32/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vel::platform::VirtualModule module;
  module.path = u"C:\\fuzz\\strings.dll";
  vel::platform::VirtualModule::Resource block;
  block.type = {vel::platform::kRtString, nullptr};
  block.name = {1, nullptr};
  block.bytes.assign(data, data + size);
  module.resources.push_back(block);
  vel::platform::RegisterVirtualModule(module);
  HMODULE handle = LoadLibraryW(u"strings.dll");
  if (handle == nullptr) {
    vel::platform::ClearCallLog();
    return 0;
  }
  WCHAR buffer[40];
  for (UINT id = 0; id < 17; ++id) {
    LoadStringW(handle, id, buffer, 40);
    LoadStringW(handle, id, buffer, 3);
    const WCHAR* text = nullptr;
    const int length = LoadStringW(handle, id, reinterpret_cast<LPWSTR>(&text), 0);
    volatile WCHAR sink = 0;
    if (length > 0) {
      sink = sink + text[0] + text[length - 1];
    }
  }
  FreeLibrary(handle);
  // The log would grow with every input (and look like a leak to the fuzzer).
  vel::platform::ClearCallLog();
  return 0;
}
