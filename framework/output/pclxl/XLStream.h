// The PCL XL output stream: one fixed buffer that empties itself through a flush callback, and a
// sticky error code that silences every writer once it is set.
//
// A stream belongs to one back-end object and is used by one thread at a time. No writer
// allocates: everything goes through the buffer given at creation. The writers (XLEncoder.h and
// the operator units) take a valid stream; only XLCloseStream and XLFlushStream accept null, so a
// caller whose XLCreateStream failed can still close and flush without looking.
#pragma once

#include <cstdint>

struct XLStream;

// Receives the stream's bytes when its buffer is full and on explicit flushes.
class GOutputFlushCallback {
 public:
  // Hands on byte_count bytes starting at buffer (byte_count = size - free_bytes). The result is
  // not looked at: a failure to deliver is the callback's own business. The stream marks its
  // buffer empty when the call returns, whether or not the callback did so itself. The callback
  // must not write to the stream it is flushing.
  virtual std::int32_t Flush(XLStream* stream,
                             std::uintptr_t user_word,
                             const std::uint8_t* buffer,
                             std::int32_t byte_count) = 0;

 protected:
  ~GOutputFlushCallback() = default;
};

// Error codes. Stream errors are sticky: nothing in the library clears them.
inline constexpr std::int16_t kXLNoError = 0;
inline constexpr std::int16_t kXLInitializationFailed = -1;  // for callers; never raised here
inline constexpr std::int16_t kXLOperatorUndefined = -2;
inline constexpr std::int16_t kXLAttributeUndefined = -3;  // shares the undefined-code text
inline constexpr std::int16_t kXLOutOfMemory = -4;
inline constexpr std::int16_t kXLBadBufferSize = -5;    // zero, negative or below 4 bytes
inline constexpr std::int16_t kXLBufferOverflow = -6;   // for callers; never raised here
inline constexpr std::int16_t kXLFlushFailed = -7;      // a full buffer could not be emptied
inline constexpr std::int16_t kXLNoFlushCallback = -8;  // shares the undefined-code text
inline constexpr std::int16_t kXLCountTooLarge = -9;    // a count or length beyond its field

// The library's own banner. The PCL XL back end writes its own copyright and version text as the
// stream header's comment instead.
inline constexpr char kXLBanner[] = "PCL XL Stream Creator Library.  Revision: 4.0";

// The smallest buffer accepted: one 4-byte value must fit into an empty buffer.
inline constexpr std::int32_t kXLMinimumBufferSize = 4;

// The stream. Callers read error and error_count directly; a flush callback may mark the buffer
// empty (write_ptr = buffer, free_bytes = size).
// Invariant: buffer + size - free_bytes == write_ptr.
struct XLStream {
  std::uint8_t* buffer;                  // output buffer, allocated by the library
  std::int32_t size;                     // buffer size in bytes, as requested at creation
  std::int32_t free_bytes;               // bytes still free in the buffer
  std::uint8_t* write_ptr;               // next byte to write
  std::uint8_t* end;                     // buffer + size
  std::int32_t total_bytes;              // bytes written since creation (a flush keeps it)
  std::int16_t error;                    // current error code, kXLNoError when none
  std::int16_t error_count;              // number of errors recorded since creation
  GOutputFlushCallback* flush_callback;  // receives full buffers; never null in a working stream
  std::uintptr_t user_word;              // opaque, passed back to every flush call
};

// Creates a stream with a buffer of size bytes. Returns null when the structure or the buffer
// cannot be allocated (kXLOutOfMemory), when flush_callback is null (kXLNoFlushCallback) or when
// size is below kXLMinimumBufferSize (kXLBadBufferSize); the checks run in that order, the
// structure first. When cause is given it receives the failure's code, or kXLNoError.
[[nodiscard]] XLStream* XLCreateStream(std::int32_t size,
                                       GOutputFlushCallback* flush_callback,
                                       std::uintptr_t user_word,
                                       std::int16_t* cause = nullptr);

// Frees the buffer and the structure and returns total_bytes. It does not flush: flush first.
// A null stream gives 0.
std::int32_t XLCloseStream(XLStream* stream);

// Hands the buffered bytes to the flush callback and marks the buffer empty. Does nothing for a
// null stream or a stream without a callback.
void XLFlushStream(XLStream* stream);

// The text of an error code; every code without a text of its own gives
// "XL Library: Number of Error Reported is Undefined".
const char* XLErrorText(std::int16_t code);
