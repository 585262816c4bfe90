// The file-space fuzz target in the render flavour: the same inputs and checks, with the files
// going through the kernel-mode file layer. Binds the native file functions once, and empties the
// stand-in's call log after each input so that a long run does not grow without bound.
#include "platform/CallLog.h"
#include "platform/flavour/render/KMNative.h"

#define LLVMFuzzerTestOneInput FileSpaceTestOneInput
#include "fuzz/fuzz_filespace.cpp"
#undef LLVMFuzzerTestOneInput

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  return KMNativeBind() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int result = FileSpaceTestOneInput(data, size);
  vel::platform::ClearCallLog();
  return result;
}
