// Reading and writing the strings of stored framework objects on both carriers, as the foundation
// library writes them: an RWCString as its u32 length and then the bytes, an RWWString as its u32
// length in characters and then the 16-bit characters.
#pragma once

#include "framework/core/GBaseObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWCString.h"
#include "rw/RWVirtualStream.h"
#include "rw/RWWString.h"

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

inline void WriteString(RWVirtualOutStream& stream, const RWWString& text) {
  text.SaveOn(stream);
}

inline void WriteString(RWBinaryFile& file, const RWWString& text) {
  (void)text.SaveOn(file);
}

[[nodiscard]] inline bool ReadString(RWVirtualInStream& stream, RWWString& text) {
  text.RestoreFrom(stream);
  return CarrierGood(stream);
}

[[nodiscard]] inline bool ReadString(RWBinaryFile& file, RWWString& text) {
  if (!text.RestoreFrom(file)) {
    FailCarrier(file);
    return false;
  }
  return true;
}

// The stored size of a wide string: its length word and 2 bytes a character.
inline std::uint32_t StoredWideSize(const RWWString& text) {
  return 4 + 2 * static_cast<std::uint32_t>(text.Length());
}

}  // namespace vel
