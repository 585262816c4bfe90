// Fuzzes the binary stream reader: every get operation over untrusted bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz/StreamFuzzDriver.h"
#include "rw/RWBinaryStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vel::fuzz::Drive<RWBinaryInStream>(data, size);
  return 0;
}
