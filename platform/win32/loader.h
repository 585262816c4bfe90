// Stand-in Win32 module loader: LoadLibraryW and its kin over virtual modules that a test or a
// host registers in-process, and over module shared libraries of this host that export the
// descriptor of platform/win32/ModuleDescriptor.h.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/PlatformTypes.h"
#include "platform/win32/ModuleDescriptor.h"

inline constexpr DWORD DLL_PROCESS_DETACH = 0;
inline constexpr DWORD DLL_PROCESS_ATTACH = 1;
inline constexpr DWORD DLL_THREAD_ATTACH = 2;
inline constexpr DWORD DLL_THREAD_DETACH = 3;

// Loads a module by bare name ("velres", "velres.dll"; the ".dll" is optional and case does not
// count) or by Windows-style path. A module already loaded by either form gets count + 1 and
// the same handle. The first load calls the entry with (handle, DLL_PROCESS_ATTACH, null); when
// that answers FALSE the entry gets (handle, DLL_PROCESS_DETACH, null), the module is unloaded and
// the answer is null with 1114. Unknown module: null and 126.
HMODULE LoadLibraryW(LPCWSTR name);
// Count - 1; at 0 the entry gets DLL_PROCESS_DETACH and the module is forgotten. FALSE and 6 for
// a handle that is not loaded.
BOOL FreeLibrary(HMODULE module);
// An export by its exact name; null and 127 when there is none.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// The module's Windows-style path; null module: the process's own image. A short buffer is cut to
// size - 1 characters and a NUL, answers size and sets 122; otherwise the answer is the length.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
// A loaded module by name or path without changing its count; null: the process's own image.
HMODULE GetModuleHandleW(LPCWSTR name);

namespace vel::platform {

// A module registered in-process. Its base name is the last component of `path`.
struct VirtualModule {
  std::u16string path;  // Windows-style, e.g. u"C:\\WINNT\\System32\\qzkeys32.dll"
  ModuleEntry entry = nullptr;
  std::map<std::string, FARPROC> exports;
  struct Resource {
    ResourceId type;  // string names are copied
    ResourceId name;
    std::uint16_t language = 1033;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Resource> resources;

  // Adds an export of any function type.
  template <typename Function>
  void Export(const std::string& name, Function* function) {
    exports[name] = reinterpret_cast<FARPROC>(function);
  }
};

// Registers (or replaces, by path ignoring case) a virtual module. A loaded instance keeps the
// definition it was loaded from until it is freed.
void RegisterVirtualModule(VirtualModule module);
void UnregisterVirtualModule(const std::u16string& path);

// The folder where bare module names are looked up as shared libraries (file name: the base name
// without ".dll" plus the host's module suffix, matched ignoring case), and the Windows-style
// folder that such modules report as their path.
void SetModuleFolder(const std::string& host_folder, const std::u16string& windows_folder);

// The Windows-style path of the process's own image (GetModuleFileNameW of null).
void SetProcessImagePath(const std::u16string& path);

// Test hooks: the load count of a handle (0 when not loaded); loads of a base name that fail
// with `error` as if the module were missing.
int ModuleLoadCount(HMODULE module);
void FailModuleLoad(const std::u16string& name, DWORD error = ERROR_MOD_NOT_FOUND);

// Forgets the registered virtual modules, the folder, the failures and the process image path.
// Loaded modules stay loaded.
void ResetLoaderFixture();

// The host suffix of module files (".so").
const char* ModuleFileSuffix();

}  // namespace vel::platform
