// Resources of modules for the windowing stand-in, through the module loader's resource calls.
#include "platform/win32/user/ResourceAccess.h"

#include "platform/win32/resources.h"

namespace vel::platform::user {

bool FindModuleResource(HINSTANCE module,
                        int type,
                        LPCWSTR name,
                        const std::uint8_t** data,
                        std::size_t* size) {
  *data = nullptr;
  *size = 0;
  if (module == nullptr) {
    return false;
  }
  HRSRC resource = FindResourceW(module, name, MAKEINTRESOURCEW(static_cast<WORD>(type)));
  if (resource == nullptr) {
    return false;
  }
  HGLOBAL loaded = LoadResource(module, resource);
  const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
  if (bytes == nullptr) {
    return false;
  }
  *data = static_cast<const std::uint8_t*>(bytes);
  *size = SizeofResource(module, resource);
  return true;
}

}  // namespace vel::platform::user
