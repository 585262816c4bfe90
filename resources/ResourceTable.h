// The resource table that velrc writes for velres (one entry per resource, in the order of type,
// name and language), in the form of the loader's module descriptor.
#pragma once

#include <cstddef>

#include "platform/win32/ModuleDescriptor.h"

namespace vel::velres {

extern const vel::platform::ResourceEntry kResources[];
extern const std::size_t kResourcesCount;

}  // namespace vel::velres
