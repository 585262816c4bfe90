// The kernel-mode file buffer: a std::streambuf over a handle of the native file layer, so that
// standard streams can read and write files where the runtime's own files are not available.
// Writes gather in a buffer of 4 KB and go out when it is full, on sync, on a seek and on close;
// reads come in pieces of the same size. A failed native call makes the stream operation fail
// (overflow and underflow answer eof, sync -1, a seek -1). As with any file stream, seek between
// reading and writing.
#pragma once

#include <cstdint>
#include <streambuf>

#include "platform/engine/winddi.h"

class KMFileBuffer : public std::streambuf {
 public:
  KMFileBuffer() = default;
  ~KMFileBuffer() override;
  KMFileBuffer(const KMFileBuffer&) = delete;
  KMFileBuffer& operator=(const KMFileBuffer&) = delete;

  // Opens the named file with the native layer's open flags and permission; false when it cannot
  // be opened or a file is already open.
  bool Open(const char* name, std::uint32_t flags, std::uint32_t permission);
  // Writes out what is buffered and closes the handle; false when either failed.
  bool Close();
  bool IsOpen() const { return handle_ != nullptr; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;
  int_type underflow() override;
  pos_type seekoff(off_type offset, std::ios_base::seekdir direction,
                   std::ios_base::openmode which) override;
  pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

 private:
  static constexpr std::size_t kBufferBytes = 4096;

  bool WriteOut();

  HANDLE handle_ = nullptr;
  char put_[kBufferBytes];
  char get_[kBufferBytes];
};
