// Persistence stream holders: a standard stream over a memory buffer or a file, and the virtual
// stream of the chosen format on top of it, packaged for one save or one restore.
//
//   format  virtual stream
//   0       portable text (RWPortableInStream / RWPortableOutStream)
//   1       binary (RWBinaryInStream / RWBinaryOutStream)
//   2       byte-order tagged, in the host's order (the reader checks the 9-byte header in its
//           constructor, the writer writes it)
//   other   none: Stream() answers null
//
// A holder owns both streams and deletes them, the virtual stream first. It never owns a memory
// buffer: the caller's buffer must outlive the holder. A memory writer never grows its buffer: the
// byte that does not fit is refused and the virtual stream fails, so callers test the stream
// after writing. A memory reader of length 0 is at end of data; a writer of capacity 0 fails on
// its first byte. Files go through the flavour's file seam (standard C files in the UI flavour,
// the kernel-mode file layer in the render flavour); names may be platform names ("C:\..."),
// mapped by the platform's one name mapping. A file that cannot be opened gives a failed standard
// stream; its virtual stream transfers nothing (a byte-order reader over it reads no header and is
// failed at once). When memory is short, the affected stream is null.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>

#include "rw/RWWString.h"

class RWVirtualInStream;
class RWVirtualOutStream;

namespace vel {
inline constexpr std::int32_t kPortableFormat = 0;
inline constexpr std::int32_t kBinaryFormat = 1;
inline constexpr std::int32_t kByteOrderFormat = 2;
}  // namespace vel

class GStreamReaderBase {
 public:
  virtual ~GStreamReaderBase() = default;
  // The virtual stream, null when none.
  virtual RWVirtualInStream* Stream() = 0;
  // The read position in bytes, or -1 (with the standard stream's fail bit set) when it cannot
  // tell.
  virtual std::int64_t Position() = 0;
};

class GStreamWriterBase {
 public:
  virtual ~GStreamWriterBase() = default;
  virtual RWVirtualOutStream* Stream() = 0;
  // The bytes written so far, or -1 (with the fail bit set) when the standard stream cannot tell.
  virtual std::int64_t Position() = 0;
};

class GStreamReader : public GStreamReaderBase {
 public:
  // Reads `length` bytes of the caller's buffer in place.
  GStreamReader(const std::uint8_t* data, std::uint32_t length, std::int32_t format);
  // Opens the file for binary input.
  GStreamReader(const RWWString& file_name, std::int32_t format);
  GStreamReader(const GStreamReader&) = delete;
  GStreamReader& operator=(const GStreamReader&) = delete;
  ~GStreamReader() override;

  RWVirtualInStream* Stream() override { return stream_.get(); }
  std::int64_t Position() override;

 private:
  void MakeStream(std::int32_t format, bool opened);

  std::unique_ptr<std::streambuf> buffer_;
  std::unique_ptr<std::istream> standard_;
  std::unique_ptr<RWVirtualInStream> stream_;
};

class GStreamWriter : public GStreamWriterBase {
 public:
  // Writes into the caller's buffer of `capacity` bytes.
  GStreamWriter(std::uint8_t* data, std::uint32_t capacity, std::int32_t format);
  // Creates or empties the file (binary output).
  GStreamWriter(const RWWString& file_name, std::int32_t format);
  GStreamWriter(const GStreamWriter&) = delete;
  GStreamWriter& operator=(const GStreamWriter&) = delete;
  ~GStreamWriter() override;

  RWVirtualOutStream* Stream() override { return stream_.get(); }
  std::int64_t Position() override;

 private:
  void MakeStream(std::int32_t format);

  std::unique_ptr<std::streambuf> buffer_;
  std::unique_ptr<std::ostream> standard_;
  std::unique_ptr<RWVirtualOutStream> stream_;
};
