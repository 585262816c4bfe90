// Platform side of the user-mode flavour.
#include "vel_flavour.h"

#include <cstdlib>

namespace vel::flavour {

void DefaultFatalError(const char* text) {
  MessageBoxA(nullptr, text, "Fatal Error", MB_ICONHAND | MB_TASKMODAL);
  std::exit(1);
}

}  // namespace vel::flavour
