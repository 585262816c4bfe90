// The resource table that velrc writes for velres: one entry per resource, in the order of type,
// name and language.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vel::velres {

// A type or name: an integer id when `name` is null, else the text.
struct ResourceId {
  std::uint16_t id;
  const char16_t* name;
};

struct ResourceEntry {
  ResourceId type;             // 1 cursor, 2 bitmap, 3 icon, 4 menu, 5 dialog, 6 string block,
                               // 12 cursor group, 14 icon group, 16 version
  ResourceId name;
  std::uint16_t language;      // 1033
  const std::uint8_t* data;    // the resource in the platform's binary form
  std::uint32_t size;          // bytes of data
};

extern const ResourceEntry kResources[];
extern const std::size_t kResourcesCount;

}  // namespace vel::velres
