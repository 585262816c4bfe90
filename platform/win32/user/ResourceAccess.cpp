// Resources of modules for the windowing stand-in.
#include "platform/win32/user/ResourceAccess.h"

namespace vel::platform::user {

bool FindModuleResource(HINSTANCE, int, LPCWSTR, const std::uint8_t** data, std::size_t* size) {
  // The module loader is not part of this library yet: no module holds resources.
  *data = nullptr;
  *size = 0;
  return false;
}

}  // namespace vel::platform::user
