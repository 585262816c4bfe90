// What a module of this host carries in place of the platform's image: its entry function and its
// resource table, which the loader reaches through one exported descriptor function. The resource
// compiler writes the table; the loader (platform/win32/loader.h) and the resource calls
// (platform/win32/resources.h) read it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/PlatformTypes.h"

namespace vel::platform {

// A resource type or name: an integer id when `name` is null, else a string, which the resource
// calls compare ignoring case.
struct ResourceId {
  std::uint16_t id = 0;
  const char16_t* name = nullptr;
};

// One resource in the platform's binary form (a string block, a dialog template, a version block).
struct ResourceEntry {
  ResourceId type;
  ResourceId name;
  std::uint16_t language = 0;  // 1033 for English (United States)
  const std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
};

// The module's entry: (module, reason, reserved), reasons DLL_PROCESS_ATTACH (1) and
// DLL_PROCESS_DETACH (0). An attach that answers FALSE makes the load fail.
using ModuleEntry = BOOL (*)(HINSTANCE module, DWORD reason, LPVOID reserved);

inline constexpr std::uint32_t kModuleDescriptorVersion = 1;

struct ModuleDescriptor {
  std::uint32_t version = kModuleDescriptorVersion;
  ModuleEntry entry = nullptr;  // null: the module has no entry
  const ResourceEntry* resources = nullptr;
  std::size_t resource_count = 0;
};

// Every module shared library exports one function of this name and type:
//   VEL_MODULE_EXPORT const vel::platform::ModuleDescriptor* VelModuleDescriptor();
// The descriptor and the table it points to live as long as the module is loaded. Its other
// exports (the functions GetProcAddress finds) are the extern "C" functions it marks with
// VEL_MODULE_EXPORT.
inline constexpr char kModuleDescriptorExport[] = "VelModuleDescriptor";
using ModuleDescriptorFunction = const ModuleDescriptor* (*)();

// Integer ids of the platform's resource types, for tables.
inline constexpr std::uint16_t kRtCursor = 1;
inline constexpr std::uint16_t kRtBitmap = 2;
inline constexpr std::uint16_t kRtIcon = 3;
inline constexpr std::uint16_t kRtMenu = 4;
inline constexpr std::uint16_t kRtDialog = 5;
inline constexpr std::uint16_t kRtString = 6;
inline constexpr std::uint16_t kRtRcData = 10;
inline constexpr std::uint16_t kRtGroupCursor = 12;
inline constexpr std::uint16_t kRtGroupIcon = 14;
inline constexpr std::uint16_t kRtVersion = 16;

}  // namespace vel::platform

// Marks a function that a module exports by name (its descriptor, its entry points).
#define VEL_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
