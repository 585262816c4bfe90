// Helpers that the units of the PCL XL stream writer share; not part of its interface.
#pragma once

#include <cstdint>

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLStream.h"

namespace vel::xl {

// Records an error: the code replaces the current one and the error count grows.
inline void RaiseError(XLStream* stream, std::int16_t code) {
  stream->error = code;
  stream->error_count = static_cast<std::int16_t>(stream->error_count + 1);
}

// Makes room for a unit of n bytes (n <= kXLMinimumBufferSize): flushes when fewer are free.
// Returns false, with kXLFlushFailed raised, when the buffer could not be emptied.
inline bool MakeRoom(XLStream* stream, std::int32_t n) {
  if (stream->free_bytes >= n) {
    return true;
  }
  XLFlushStream(stream);
  if (stream->free_bytes >= n) {
    return true;
  }
  RaiseError(stream, kXLFlushFailed);
  return false;
}

// Accounts for n bytes just stored at write_ptr.
inline void Advance(XLStream* stream, std::int32_t n) {
  stream->write_ptr += n;
  stream->free_bytes -= n;
  // Modular, like the 32-bit counter it is: a job past 2 GiB wraps instead of overflowing.
  stream->total_bytes = static_cast<std::int32_t>(static_cast<std::uint32_t>(stream->total_bytes) +
                                                  static_cast<std::uint32_t>(n));
}

// Typed writers by C++ type, so that one template serves the four number types of an operator's
// variants (SInt16, UInt16, SInt32, Real32) and the ubyte and uint32 forms.
inline void Value(XLStream* s, std::uint8_t v) {
  XLUByte(s, v);
}
inline void Value(XLStream* s, std::uint16_t v) {
  XLUInt16(s, v);
}
inline void Value(XLStream* s, std::uint32_t v) {
  XLUInt32(s, v);
}
inline void Value(XLStream* s, std::int16_t v) {
  XLSInt16(s, v);
}
inline void Value(XLStream* s, std::int32_t v) {
  XLSInt32(s, v);
}
inline void Value(XLStream* s, float v) {
  XLReal32(s, v);
}

inline void Pair(XLStream* s, std::uint8_t x, std::uint8_t y) {
  XLUByteXY(s, x, y);
}
inline void Pair(XLStream* s, std::uint16_t x, std::uint16_t y) {
  XLUInt16XY(s, x, y);
}
inline void Pair(XLStream* s, std::uint32_t x, std::uint32_t y) {
  XLUInt32XY(s, x, y);
}
inline void Pair(XLStream* s, std::int16_t x, std::int16_t y) {
  XLSInt16XY(s, x, y);
}
inline void Pair(XLStream* s, std::int32_t x, std::int32_t y) {
  XLSInt32XY(s, x, y);
}
inline void Pair(XLStream* s, float x, float y) {
  XLReal32XY(s, x, y);
}

inline void Box(XLStream* s, std::uint16_t l, std::uint16_t t, std::uint16_t r, std::uint16_t b) {
  XLUInt16Box(s, l, t, r, b);
}
inline void Box(XLStream* s, std::int16_t l, std::int16_t t, std::int16_t r, std::int16_t b) {
  XLSInt16Box(s, l, t, r, b);
}
inline void Box(XLStream* s, std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
  XLSInt32Box(s, l, t, r, b);
}
inline void Box(XLStream* s, float l, float t, float r, float b) {
  XLReal32Box(s, l, t, r, b);
}

}  // namespace vel::xl
