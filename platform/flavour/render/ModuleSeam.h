// The module seam of the kernel-mode flavour: the render module loads no add-on libraries, so
// every load fails.
#pragma once

namespace vel::flavour {

inline void* LoadModule(const char16_t* /*name*/) {
  return nullptr;
}
inline void (*FindModuleEntry(void* /*module*/, const char* /*name*/))() {
  return nullptr;
}
inline void FreeModule(void* /*module*/) {}

}  // namespace vel::flavour
