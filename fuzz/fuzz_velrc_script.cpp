// Arbitrary bytes as a resource script, read and compiled as the build compiles velres: includes
// find the real id header and texts, picture files are the generated artwork. The same bytes are
// also offered to the picture-file readers. Every fault must come back as an error with a place.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tools/velart/Artwork.h"
#include "tools/velrc/PictureFiles.h"
#include "tools/velrc/ResourceForms.h"
#include "tools/velrc/ScriptReader.h"

namespace {

const std::map<std::string, std::string>& Files() {
  static const std::map<std::string, std::string> files = [] {
    std::map<std::string, std::string> out;
    for (const char* name : {"ResourceIds.h", "velres_strings.vrc"}) {
      std::ifstream in(std::string(VELRES_SOURCE_DIR) + "/" + name, std::ios::binary);
      std::ostringstream text;
      text << in.rdbuf();
      out[name] = text.str();
    }
    for (const vel::velart::ArtworkFile& file : vel::velart::DrawArtwork()) {
      out[file.name] = std::string(file.bytes.begin(), file.bytes.end());
    }
    return out;
  }();
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vel::velrc::ReadOptions options;
  options.loader = [](const std::string& path, std::string& contents) {
    auto it = Files().find(path);
    if (it == Files().end())
      return false;
    contents = it->second;
    return true;
  };
  vel::velrc::ResourceScript script;
  vel::velrc::ScriptError error;
  std::vector<vel::velrc::CompiledResource> resources;
  std::string text(reinterpret_cast<const char*>(data), size);
  if (vel::velrc::ReadScriptText("fuzz.vrc", text, options, script, error)) {
    (void)vel::velrc::CompileResources(script, resources, error);
  } else if (error.place.line <= 0 || error.message.empty()) {
    __builtin_trap();  // a fault without a place
  }

  vel::velrc::Bytes bytes(data, data + size);
  vel::velrc::Bytes dib;
  std::vector<vel::velrc::IconImage> images;
  std::string message;
  (void)vel::velrc::ReadBitmapFile(bytes, dib, message);
  (void)vel::velrc::ReadIconFile(bytes, 1, images, message);
  (void)vel::velrc::ReadIconFile(bytes, 2, images, message);
  return 0;
}
