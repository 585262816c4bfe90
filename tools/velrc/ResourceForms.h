// The platform's binary forms of resources, made from a parsed script: dialog templates, string
// blocks, device-independent bitmaps, cursors and icons with their groups, menu templates and the
// version block.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/velrc/ResourceScript.h"
#include "tools/velrc/ScriptReader.h"

namespace vel::velrc {

struct CompiledResource {
  std::uint16_t type = 0;
  NameOrOrdinal name;
  std::uint16_t language = 0;
  std::vector<std::uint8_t> bytes;
  SourcePlace place;
};

// Compiles every resource of the script, in the order of type, then name (ordinals by number
// before texts), then language. False with the error on the first picture file that is not valid.
[[nodiscard]] bool CompileResources(const ResourceScript& script,
                                    std::vector<CompiledResource>& resources,
                                    ScriptError& error);

// The single forms, for tests and for the dump.
std::vector<std::uint8_t> DialogTemplate(const Dialog& dialog);
std::vector<std::uint8_t> MenuTemplate(const Menu& menu);
std::vector<std::uint8_t> VersionBlock(const VersionInfo& info);

}  // namespace vel::velrc
