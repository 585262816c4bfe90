// A PCL XL stream for tests whose flush callback collects every byte and records each flush.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/output/pclxl/XLStream.h"
#include "tests/support/ByteMatch.h"

namespace vel::test {

class CollectingFlush : public GOutputFlushCallback {
 public:
  std::int32_t Flush(XLStream* stream,
                     std::uintptr_t user_word,
                     const std::uint8_t* buffer,
                     std::int32_t byte_count) override {
    bytes.insert(bytes.end(), buffer, buffer + byte_count);
    flushes.push_back(byte_count);
    user_words.push_back(user_word);
    if (empties_buffer) {
      stream->free_bytes = stream->size;
      stream->write_ptr = stream->buffer;
    }
    return 0;
  }

  Bytes bytes;                             // everything flushed so far
  std::vector<std::int32_t> flushes;       // byte count of each call
  std::vector<std::uintptr_t> user_words;  // user word of each call
  bool empties_buffer = true;              // as a well-behaved callback does
};

// Owns a stream over a CollectingFlush.
class TestStream {
 public:
  explicit TestStream(std::int32_t size = 8192) : stream_(XLCreateStream(size, &flush_, 0)) {}
  ~TestStream() { XLCloseStream(stream_); }
  TestStream(const TestStream&) = delete;
  TestStream& operator=(const TestStream&) = delete;

  XLStream* get() const { return stream_; }
  CollectingFlush& flush() { return flush_; }

  // Flushes and returns everything written so far.
  const Bytes& Output() {
    XLFlushStream(stream_);
    return flush_.bytes;
  }

 private:
  CollectingFlush flush_;
  XLStream* stream_;
};

}  // namespace vel::test
