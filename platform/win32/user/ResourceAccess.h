// How the windowing stand-in reaches the resources of a module (dialog templates, cursors and
// icons): through the platform's module loader and resource calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32/ModuleDescriptor.h"
#include "platform/win32/user/winuser.h"

namespace vel::platform::user {

// The bytes of a module's resource (a name or an ordinal), or false when there is none.
bool FindModuleResource(HINSTANCE module,
                        int type,
                        LPCWSTR name,
                        const std::uint8_t** data,
                        std::size_t* size);

}  // namespace vel::platform::user
