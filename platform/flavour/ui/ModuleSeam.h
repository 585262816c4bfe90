// The module seam of the user-mode flavour: add-on libraries are loaded through the platform's
// module loader.
#pragma once

#include "platform/win32/loader.h"

namespace vel::flavour {

// A module by file name: its handle, or null when it cannot be loaded.
inline void* LoadModule(const char16_t* name) {
  return LoadLibraryW(name);
}
// An exported function by its 8-bit name, or null.
inline void (*FindModuleEntry(void* module, const char* name))() {
  return GetProcAddress(module, name);
}
inline void FreeModule(void* module) {
  (void)FreeLibrary(module);
}

}  // namespace vel::flavour
