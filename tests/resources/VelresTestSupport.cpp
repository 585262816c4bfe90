// Searches the compiled resource table of velres.
#include "tests/resources/VelresTestSupport.h"

namespace vel::test {

const velres::ResourceEntry* FindVelresResource(std::uint16_t type, std::uint16_t id) {
  for (std::size_t i = 0; i < velres::kResourcesCount; ++i) {
    const velres::ResourceEntry& e = velres::kResources[i];
    if (e.type.id == type && e.type.name == nullptr && e.name.name == nullptr && e.name.id == id) {
      return &e;
    }
  }
  return nullptr;
}

const velres::ResourceEntry* FindVelresResource(std::uint16_t type, const std::u16string& name) {
  for (std::size_t i = 0; i < velres::kResourcesCount; ++i) {
    const velres::ResourceEntry& e = velres::kResources[i];
    if (e.type.id == type && e.name.name != nullptr && name == e.name.name) return &e;
  }
  return nullptr;
}

}  // namespace vel::test
