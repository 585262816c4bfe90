// Access to velres for its tests: the module as the loader loads it from the build's module
// folder, and its resources through the platform's resource calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/PlatformTypes.h"

namespace vel::test {

// velres, loaded once for the test binary (and kept loaded); null when the load failed.
HMODULE Velres();

struct ResourceBytes {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

// A resource of velres by integer type and name; empty when there is none.
ResourceBytes VelresResource(std::uint16_t type, std::uint16_t id);

}  // namespace vel::test
