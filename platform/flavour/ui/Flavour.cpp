// Platform side of the user-mode flavour.
#include "vel_flavour.h"

#include <sys/stat.h>

#include <cstdlib>

namespace vel::flavour {

void DefaultFatalError(const char* text) {
  MessageBoxA(nullptr, text, "Fatal Error", MB_ICONHAND | MB_TASKMODAL);
  std::exit(1);
}

}  // namespace vel::flavour

namespace vel::flavour {

std::int64_t FileLength(File* file) {
  if (file == nullptr || std::fflush(file) != 0) {
    return -1;
  }
  struct stat info;
  if (::fstat(::fileno(file), &info) != 0) {
    return -1;
  }
  return info.st_size;
}

}  // namespace vel::flavour
