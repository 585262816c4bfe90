// Reader of resource scripts: a subset of the platform's resource-script language with a small
// preprocessor (#include, #define of object-like macros, #undef, #pragma), LANGUAGE, DIALOG,
// STRINGTABLE, BITMAP, CURSOR, ICON, MENU and VERSIONINFO.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/velrc/ResourceScript.h"

namespace vel::velrc {

// The first fault found in a script, with its place; Format() gives "file:line: message".
struct ScriptError {
  SourcePlace place;
  std::string message;

  std::string Format() const;
};

// Reads a file named by a path into contents; false when there is none. The default reads the
// disk; the fuzz target and the tests serve files from memory.
using FileLoader = std::function<bool(const std::string& path, std::string& contents)>;

struct ReadOptions {
  // Folders searched after the folder of the file that names an include or a picture.
  std::vector<std::string> include_dirs;
  FileLoader loader;
};

// Reads the script at `path`. On a fault answers false with the error filled; `script` then holds
// what was read before it.
[[nodiscard]] bool ReadScript(const std::string& path,
                              const ReadOptions& options,
                              ResourceScript& script,
                              ScriptError& error);

// The same over a script held in memory, named `name` in messages and for relative paths.
[[nodiscard]] bool ReadScriptText(const std::string& name,
                                  std::string_view text,
                                  const ReadOptions& options,
                                  ResourceScript& script,
                                  ScriptError& error);

}  // namespace vel::velrc
