// Creation, flushing and closing of PCL XL output streams, and the texts of their error codes.
#include "framework/output/pclxl/XLStream.h"

#include <new>

namespace {

// Error code -> text. -3 and -8 have no text of their own and fall through to the undefined one.
struct ErrorText {
  std::int16_t code;
  const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {kXLNoError, "XL Library: No Errors Detected"},
    {kXLInitializationFailed, "XL Library: Initialization Failed"},
    {kXLOperatorUndefined, "XL Library: Operator Number Undefined"},
    {kXLOutOfMemory, "XL Library: Out of Memory"},
    {kXLBadBufferSize, "XL Library: A Stream Buffer Size of Zero Was Requested"},
    {kXLBufferOverflow, "XL Library: Stream Output Buffer Overflowed"},
    {kXLFlushFailed, "XL Library: Attempt to Flush Output Buffer Failed"},
    {kXLCountTooLarge, "XL Library: Count Too Large for Its Field"},
};

constexpr char kUndefinedErrorText[] = "XL Library: Number of Error Reported is Undefined";

XLStream* Fail(XLStream* stream, std::int16_t code, std::int16_t* cause) {
  delete stream;
  if (cause != nullptr) {
    *cause = code;
  }
  return nullptr;
}

}  // namespace

XLStream* XLCreateStream(std::int32_t size,
                         GOutputFlushCallback* flush_callback,
                         std::uintptr_t user_word,
                         std::int16_t* cause) {
  auto* stream = new (std::nothrow) XLStream{};
  if (stream == nullptr) {
    return Fail(nullptr, kXLOutOfMemory, cause);
  }
  if (flush_callback == nullptr) {
    return Fail(stream, kXLNoFlushCallback, cause);
  }
  // A flush leaves room for any single value only when the buffer holds at least 4 bytes.
  if (size < kXLMinimumBufferSize) {
    return Fail(stream, kXLBadBufferSize, cause);
  }
  stream->buffer = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)];
  if (stream->buffer == nullptr) {
    return Fail(stream, kXLOutOfMemory, cause);
  }
  stream->size = size;
  stream->free_bytes = size;
  stream->write_ptr = stream->buffer;
  stream->end = stream->buffer + size;
  stream->total_bytes = 0;
  stream->error = kXLNoError;
  stream->error_count = 0;
  stream->flush_callback = flush_callback;
  stream->user_word = user_word;
  if (cause != nullptr) {
    *cause = kXLNoError;
  }
  return stream;
}

std::int32_t XLCloseStream(XLStream* stream) {
  if (stream == nullptr) {
    return 0;
  }
  const std::int32_t total = stream->total_bytes;
  delete[] stream->buffer;
  delete stream;
  return total;
}

void XLFlushStream(XLStream* stream) {
  if (stream == nullptr || stream->flush_callback == nullptr) {
    return;
  }
  stream->flush_callback->Flush(stream, stream->user_word, stream->buffer,
                                stream->size - stream->free_bytes);
  // Empty the buffer here as well, so that a callback which forgets to cannot make the next
  // write run past its end.
  stream->free_bytes = stream->size;
  stream->write_ptr = stream->buffer;
}

const char* XLErrorText(std::int16_t code) {
  for (const ErrorText& entry : kErrorTexts) {
    if (entry.code == code) {
      return entry.text;
    }
  }
  return kUndefinedErrorText;
}
