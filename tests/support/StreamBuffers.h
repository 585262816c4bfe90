// Stream buffers for tests of the virtual streams: an input buffer that hands out its bytes in
// small pieces, and an output buffer of fixed capacity whose sync can be made to fail.
#pragma once

#include <cstddef>
#include <streambuf>

#include "tests/support/ByteMatch.h"

namespace vel::test {

// Reads `data`, at most `piece` bytes per request (and per refill), so a reader must ask again.
// Not seekable.
class PieceInBuffer : public std::streambuf {
 public:
  PieceInBuffer(Bytes data, std::size_t piece);

 protected:
  int_type underflow() override;
  std::streamsize xsgetn(char_type* out, std::streamsize count) override;

 private:
  Bytes data_;
  std::size_t piece_;
  std::size_t next_ = 0;  // first byte not yet in the get area
};

// Takes at most `capacity` bytes, then refuses more. Not seekable. Sync answers -1 when
// `sync_fails` is set.
class CappedOutBuffer : public std::streambuf {
 public:
  explicit CappedOutBuffer(std::size_t capacity);

  const Bytes& Written() const { return written_; }
  void SetSyncFails(bool fails) { sync_fails_ = fails; }
  int SyncCount() const { return syncs_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char_type* in, std::streamsize count) override;
  int sync() override;

 private:
  Bytes written_;
  std::size_t capacity_;
  bool sync_fails_ = false;
  int syncs_ = 0;
};

}  // namespace vel::test
