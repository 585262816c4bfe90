// How the windowing stand-in reaches the resources of a module (dialog templates, cursors and
// icons): through the platform's module loader and resource calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32/user/winuser.h"

namespace vel::platform::user {

// Resource types by their ordinals.
inline constexpr int kResourceCursor = 1;
inline constexpr int kResourceIcon = 3;
inline constexpr int kResourceDialog = 5;
inline constexpr int kResourceGroupCursor = 12;
inline constexpr int kResourceGroupIcon = 14;

// The bytes of a module's resource (a name or an ordinal), or false when there is none.
bool FindModuleResource(HINSTANCE module, int type, LPCWSTR name, const std::uint8_t** data,
                        std::size_t* size);

}  // namespace vel::platform::user
