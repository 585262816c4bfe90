// Loads velres and reads its resources through the loader and the resource calls.
#include "tests/resources/VelresTestSupport.h"

#include "platform/win32/loader.h"
#include "platform/win32/resources.h"

namespace vel::test {

HMODULE Velres() {
  static HMODULE module = [] {
    vel::platform::SetModuleFolder(VELRES_DIR, u"C:\\WINNT\\System32\\spool\\drivers\\w32x86\\2");
    return LoadLibraryW(u"velres.dll");
  }();
  return module;
}

ResourceBytes VelresResource(std::uint16_t type, std::uint16_t id) {
  HMODULE module = Velres();
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
  if (found == nullptr)
    return {};
  HGLOBAL loaded = LoadResource(module, found);
  return ResourceBytes{static_cast<const std::uint8_t*>(LockResource(loaded)),
                       SizeofResource(module, found)};
}

}  // namespace vel::test
