// Reading and writing the narrow strings of stored framework objects on both carriers, as the
// foundation library writes an RWCString (u32 length, then the bytes).
#pragma once

#include "framework/core/GBaseObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWCString.h"
#include "rw/RWVirtualStream.h"

namespace vel {

inline void WriteString(RWVirtualOutStream& stream, const RWCString& text) {
  text.SaveOn(stream);
}

inline void WriteString(RWBinaryFile& file, const RWCString& text) {
  (void)text.SaveOn(file);
}

// False (and the carrier failed) when the string could not be had.
[[nodiscard]] inline bool ReadString(RWVirtualInStream& stream, RWCString& text) {
  text.RestoreFrom(stream);
  return CarrierGood(stream);
}

[[nodiscard]] inline bool ReadString(RWBinaryFile& file, RWCString& text) {
  if (!text.RestoreFrom(file)) {
    FailCarrier(file);
    return false;
  }
  return true;
}

}  // namespace vel
