// What the resource compiler writes: the C++ resource table compiled into a module, a readable
// dump of dialogs and strings, and picture files exported from compiled resources.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/velrc/ResourceForms.h"

namespace vel::velrc {

// Names used in the generated table: the header that declares the entry type, the namespace, the
// entry type and the array's name. The table also defines `<symbol>Count`.
struct TableNames {
  std::string header = "platform/win32/ModuleDescriptor.h";
  std::string name_space = "vel::resources";
  std::string type = "vel::platform::ResourceEntry";
  std::string symbol = "kResources";
};

// Writes a C++ source that defines, in the namespace,
//   extern const <type> <symbol>[] = {{{type, nullptr}, {ordinal, name}, language, bytes, size},
//   ...}; extern const std::size_t <symbol>Count;
// where name is null for an ordinal (0 beside a text name) and a UTF-16 text otherwise: the
// resource table of a module descriptor.
void WriteTable(std::ostream& out,
                const std::vector<CompiledResource>& resources,
                const std::string& script_name,
                const TableNames& names);

// Lists every dialog with its items, then every string, one per line.
void WriteDump(std::ostream& out, const ResourceScript& script);

// Writes bitmap_<name>.bmp, cursor_<name>.cur and icon_<name>.ico into `folder` from the
// compiled bitmaps and cursor and icon groups. False with a message when a file cannot be written.
[[nodiscard]] bool ExportPictures(const std::vector<CompiledResource>& resources,
                                  const std::string& folder,
                                  std::string& error);

}  // namespace vel::velrc
