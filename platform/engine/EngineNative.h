// The native file functions and run-time helpers of the engine's built-in system image (not part
// of the engine's interface: a module reaches them through EngFindImageProcAddress).
#pragma once

#include <string>

#include "platform/engine/winddi.h"

namespace vel::platform::engine::native {

// The address of the image's function of that name (exact spelling), or null.
PVOID FindFunction(const std::string& name);

}  // namespace vel::platform::engine::native
