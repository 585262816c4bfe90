// Scripts and picture files held in memory for the resource compiler's tests.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/velart/Artwork.h"
#include "tools/velrc/ResourceForms.h"
#include "tools/velrc/ScriptReader.h"

namespace vel::test {

// Read options whose loader serves `files` by name, and the generated artwork by its file names.
inline velrc::ReadOptions MemoryFiles(std::map<std::string, std::string> files = {}) {
  static const std::vector<velart::ArtworkFile> artwork = velart::DrawArtwork();
  for (const velart::ArtworkFile& file : artwork) {
    files.emplace(file.name, std::string(file.bytes.begin(), file.bytes.end()));
  }
  auto shared = std::make_shared<std::map<std::string, std::string>>(std::move(files));
  velrc::ReadOptions options;
  options.loader = [shared](const std::string& path, std::string& contents) {
    auto it = shared->find(path);
    if (it == shared->end())
      return false;
    contents = it->second;
    return true;
  };
  return options;
}

// Reads and compiles `text` as "test.vrc"; the error text ("file:line: message") when it fails.
inline std::string Compile(const std::string& text,
                           std::vector<velrc::CompiledResource>& out,
                           const velrc::ReadOptions& options = MemoryFiles()) {
  velrc::ResourceScript script;
  velrc::ScriptError error;
  if (!velrc::ReadScriptText("test.vrc", text, options, script, error) ||
      !velrc::CompileResources(script, out, error)) {
    return error.Format();
  }
  return "";
}

// The one compiled resource of a type and ordinal name; null when there is none.
inline const velrc::CompiledResource* Find(const std::vector<velrc::CompiledResource>& resources,
                                           std::uint16_t type,
                                           std::uint16_t id) {
  for (const velrc::CompiledResource& r : resources) {
    if (r.type == type && r.name.is_ordinal && r.name.ordinal == id)
      return &r;
  }
  return nullptr;
}

}  // namespace vel::test
