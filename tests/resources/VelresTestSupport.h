// Access to the resources of velres for its tests: the compiled table, searched by type and name.
#pragma once

#include <cstdint>
#include <string>

#include "resources/ResourceTable.h"

namespace vel::test {

// The resource of an integer type and integer name (any language); null when there is none.
const velres::ResourceEntry* FindVelresResource(std::uint16_t type, std::uint16_t id);
// The same for a text name.
const velres::ResourceEntry* FindVelresResource(std::uint16_t type, const std::u16string& name);

}  // namespace vel::test
