// Reads a font-list file from arbitrary bytes. The loader must not crash, leak or read outside
// the file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/output/GDeviceFontList.h"
#include "framework/output/InstalledFontLists.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWError.h"

namespace {

void IgnoreErrors(const RWErrorBase&) {}

// The binary file reads an in-memory file, reached by name through /proc.
struct ScratchFile {
  int fd = memfd_create("fuzz_font_list", 0);
  std::string name = "/proc/self/fd/" + std::to_string(fd);
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ScratchFile scratch;
  static const bool hooked = [] {
    SetErrorHook(&IgnoreErrors);
    return true;
  }();
  (void)hooked;
  if (scratch.fd < 0 || ftruncate(scratch.fd, 0) != 0 ||
      pwrite(scratch.fd, data, size, 0) != static_cast<ssize_t>(size)) {
    std::abort();
  }
  RWBinaryFile file(scratch.name.c_str(), "rb");
  GDeviceFontList* list = vel::LoadFontListFile(file, 0x1a4);
  if (list != nullptr) {
    // Records may share bytes, but each after the first has its 4-byte offset in the file.
    if (list->DescriptionCount() > size / 4 + 1) {
      std::abort();
    }
    delete list;
  }
  return 0;
}
