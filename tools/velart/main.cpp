// velart: writes the resource module's pictures into a folder (velart folder).
#include <fstream>
#include <iostream>
#include <string>

#include "tools/velart/Artwork.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: velart folder\n";
    return 2;
  }
  std::string folder = argv[1];
  if (!folder.empty() && folder.back() != '/')
    folder += '/';
  for (const vel::velart::ArtworkFile& file : vel::velart::DrawArtwork()) {
    std::ofstream out(folder + file.name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.bytes.data()),
              static_cast<std::streamsize>(file.bytes.size()));
    if (!out) {
      std::cerr << "velart: cannot write " << folder << file.name << "\n";
      return 1;
    }
  }
  return 0;
}
