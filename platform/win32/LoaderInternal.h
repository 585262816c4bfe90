// What the loader shares with the resource, version and file calls of the Win32 stand-in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/PlatformTypes.h"
#include "platform/win32/ModuleDescriptor.h"

namespace vel::platform::detail {

// One resource of a module: type and name (integer id, or a folded string), language, bytes.
struct ResourceRecord {
  std::uint16_t type_id = 0;
  std::u16string type_name;  // folded; empty for an integer type
  std::uint16_t name_id = 0;
  std::u16string name_name;  // folded; empty for an integer name
  std::uint16_t language = 0;
  const std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
};

// The resources of a loaded module (or of the process image for null); null when the handle is
// not loaded. The records stay valid while the module is loaded.
const std::vector<ResourceRecord>* ResourcesOf(HMODULE module);

// The bytes of the first RT_VERSION resource of the module found by `name` as LoadLibraryW would
// find it, loaded or not (a module that is not loaded is read without running its entry).
// False when there is no such module or it has no version resource; *error says which.
bool ReadVersionResource(LPCWSTR name, std::vector<std::uint8_t>* bytes, DWORD* error);

// Whether LoadLibraryW would find a module of this name; its Windows-style path when it would.
bool FindModule(LPCWSTR name, std::u16string* windows_path);

// The text of a handle in log lines ("module#3", "null").
std::string ModuleLogText(HMODULE module);

}  // namespace vel::platform::detail
