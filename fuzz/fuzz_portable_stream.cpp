// Fuzzes the portable stream reader: every get operation over untrusted bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz/StreamFuzzDriver.h"
#include "rw/RWPortableStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vel::fuzz::Drive<RWPortableInStream>(data, size);
  return 0;
}
