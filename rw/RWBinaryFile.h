// The library's random-access binary file: typed reads and writes of raw values at the current
// position of one file of the flavour's file seam (a buffered C stream, or the kernel-mode file
// layer), with seek, flush, erase and end-of-file and error questions.
//
// Byte format: no header, tag, length prefix or padding of its own. Every value is written at the
// current position least significant byte first, in these widths:
//
//   char, unsigned char                          1
//   short, unsigned short (16-bit wide chars)    2
//   int, unsigned int, long, unsigned long       4   (a long is written as its low 32 bits and
//                                                     read back sign- or zero-extended)
//   float (IEEE 754 single)                      4
//   double (IEEE 754 double)                     8
//
// An array of n values is the values back to back; a string written by WriteString is its
// characters and one NUL byte.
//
// No operation raises an error: every read and write answers whether the whole value moved. The
// stream's error indicator stays set until ClearError, so callers may run several operations and
// test Eof/Error once afterwards.
//
// A file opened for update ("rb+", "wb+") is read and written through a write-back cache of its
// pages (rw/RWFilePages.h): seeks cost nothing, and written bytes reach the file when their page
// makes room for another, on Flush and on destruction. Bytes written and not yet flushed are read
// back by this object but not seen by other openers of the file, and a failed transfer of them
// shows at that later point (the error indicator). Other modes go straight to the stream, which
// needs a seek between a read and a following write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "rw/RWByteCodec.h"
#include "rw/RWFilePages.h"
#include "vel_flavour.h"

class RWBinaryFile {
 public:
  // Opens the file with exactly `mode`; with a null mode, tries "rb+" (existing file) and then
  // "wb+" (create or truncate), keeping the mode tried last. A failed open leaves no stream
  // (IsOpen false); construction itself never fails.
  explicit RWBinaryFile(const char* name, const char* mode = nullptr);
  ~RWBinaryFile();
  RWBinaryFile(const RWBinaryFile&) = delete;
  RWBinaryFile& operator=(const RWBinaryFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  const char* GetName() const { return name_.c_str(); }
  const char* GetMode() const { return mode_; }

  // True when the named file exists; with access mode 2, when it also may be written.
  bool Exists() const;
  static bool Exists(const char* name);
  static bool Exists(const char* name, int access_mode);

  bool Read(char& value) { return ReadValues(&value, 1); }
  bool Read(unsigned char& value) { return ReadValues(&value, 1); }
  bool Read(short& value) { return ReadValues(&value, 1); }
  bool Read(unsigned short& value) { return ReadValues(&value, 1); }
  bool Read(int& value) { return ReadValues(&value, 1); }
  bool Read(unsigned int& value) { return ReadValues(&value, 1); }
  bool Read(long& value) { return ReadValues(&value, 1); }
  bool Read(unsigned long& value) { return ReadValues(&value, 1); }
  bool Read(float& value) { return ReadValues(&value, 1); }
  bool Read(double& value) { return ReadValues(&value, 1); }

  // n values; true only when all n were read.
  bool Read(char* values, std::size_t n) { return ReadValues(values, n); }
  bool Read(unsigned char* values, std::size_t n) { return ReadValues(values, n); }
  bool Read(short* values, std::size_t n) { return ReadValues(values, n); }
  bool Read(unsigned short* values, std::size_t n) { return ReadValues(values, n); }
  bool Read(int* values, std::size_t n) { return ReadValues(values, n); }
  bool Read(unsigned int* values, std::size_t n) { return ReadValues(values, n); }
  bool Read(long* values, std::size_t n) { return ReadValues(values, n); }
  bool Read(unsigned long* values, std::size_t n) { return ReadValues(values, n); }
  bool Read(float* values, std::size_t n) { return ReadValues(values, n); }
  bool Read(double* values, std::size_t n) { return ReadValues(values, n); }

  // Reads up to and including the first NUL, or to end of file, into a buffer of `size` bytes and
  // always terminates it. A string that does not fit is cut to size - 1 characters, the rest of it
  // up to its NUL is skipped, and the answer is false; size 0 reads nothing and answers false.
  bool ReadString(char* buffer, std::size_t size);

  bool Write(char value) { return WriteValues(&value, 1); }
  bool Write(unsigned char value) { return WriteValues(&value, 1); }
  bool Write(short value) { return WriteValues(&value, 1); }
  bool Write(unsigned short value) { return WriteValues(&value, 1); }
  bool Write(int value) { return WriteValues(&value, 1); }
  bool Write(unsigned int value) { return WriteValues(&value, 1); }
  bool Write(long value) { return WriteValues(&value, 1); }
  bool Write(unsigned long value) { return WriteValues(&value, 1); }
  bool Write(float value) { return WriteValues(&value, 1); }
  bool Write(double value) { return WriteValues(&value, 1); }

  bool Write(const char* values, std::size_t n) { return WriteValues(values, n); }
  bool Write(const unsigned char* values, std::size_t n) { return WriteValues(values, n); }
  bool Write(const short* values, std::size_t n) { return WriteValues(values, n); }
  bool Write(const unsigned short* values, std::size_t n) { return WriteValues(values, n); }
  bool Write(const int* values, std::size_t n) { return WriteValues(values, n); }
  bool Write(const unsigned int* values, std::size_t n) { return WriteValues(values, n); }
  bool Write(const long* values, std::size_t n) { return WriteValues(values, n); }
  bool Write(const unsigned long* values, std::size_t n) { return WriteValues(values, n); }
  bool Write(const float* values, std::size_t n) { return WriteValues(values, n); }
  bool Write(const double* values, std::size_t n) { return WriteValues(values, n); }

  // The characters and the terminating NUL.
  bool WriteString(const char* text);

  // Allocates a new value (null when memory is short), stores it in the caller's pointer and reads
  // one value into it; the caller owns it. Whether the read succeeded is left to Eof/Error.
  template <typename T>
  RWBinaryFile& ReadAllocated(T*& value) {
    value = new (std::nothrow) T();
    if (value != nullptr) {
      (void)Read(*value);
    }
    return *this;
  }

  // Bytes from the start of the file; -1 on failure or beyond 32 bits.
  std::int32_t CurOffset() {
    if (pages_ != nullptr && pages_->Position() <= 0x7FFFFFFF) {
      return static_cast<std::int32_t>(pages_->Position());
    }
    return StreamOffset();
  }
  bool SeekTo(std::int32_t offset) {
    if (pages_ != nullptr) {
      return offset >= 0 && pages_->Seek(offset);
    }
    return SeekStream(offset);
  }
  // SeekTo for a write that follows at once: the same, except that a file opened for update
  // whose length falls short of offset by less than a page gets the bytes between written as
  // zeros (what they read as after the write either way) rather than seeking beyond its end.
  bool SeekToWrite(std::int32_t offset) {
    if (pages_ != nullptr) {
      return offset >= 0 && pages_->SeekForWrite(offset);
    }
    return SeekStream(offset);
  }
  // SeekTo(offset) and a write of the bytes, done at once when the page cache holds them within
  // a page used lately; false, and nothing done, otherwise (the caller then seeks and writes).
  bool WriteInPlace(std::int32_t offset, const void* bytes, std::size_t count) {
    return pages_ != nullptr && pages_->WriteHeld(offset, bytes, count);
  }
  bool SeekToEnd();
  // True when the file holds no bytes. Bytes not yet flushed count.
  bool IsEmpty();
  // Everything written so far to the file.
  bool Flush();
  // Empties the file: closes it, deletes it by name and reopens it with "wb+".
  bool Erase();
  bool Eof() const {
    if (pages_ != nullptr) {
      return pages_->Eof();
    }
    return StreamEof();
  }
  // The stream's error indicator, or an error marked by SetError; always true without a stream.
  bool Error() const {
    if (pages_ != nullptr && !marked_error_) {
      return pages_->Error();
    }
    return StreamError();
  }
  // Marks the file as failed, as a failed read or write would: readers of a stored structure use
  // it to stop everything above them after corrupt data. Sticky until ClearError.
  void SetError() { marked_error_ = true; }
  void ClearError();

 private:
  std::int32_t StreamOffset();
  bool SeekStream(std::int32_t offset);
  // Eof and Error without the page cache.
  bool StreamEof() const;
  bool StreamError() const;
  bool ReadBytes(void* bytes, std::size_t count);
  bool WriteBytes(const void* bytes, std::size_t count);
  template <typename T>
  bool ReadArray(T* values, std::size_t n);
  template <typename T>
  bool WriteArray(const T* values, std::size_t n);
  // Values that lie within the page cache's current page are decoded from it, respectively encoded
  // into it, in place; all others go through ReadArray and WriteArray.
  template <typename T>
  bool ReadValues(T* values, std::size_t n) {
    if (pages_ != nullptr && n <= RWFilePages::kPageSize) {
      if (const unsigned char* bytes = pages_->ReadSpan(n * vel::kStoredWidth<T>)) {
        vel::DecodeValues<vel::ByteOrder::kLittle>(bytes, n, values);
        return true;
      }
    }
    if constexpr (vel::kStoredWidth<T> == 1 && sizeof(T) == 1) {
      // Bytes are stored as they are: straight from the pages, wherever they lie.
      if (pages_ != nullptr) {
        return pages_->Read(values, n) == n;
      }
    }
    return ReadArray(values, n);
  }
  template <typename T>
  bool WriteValues(const T* values, std::size_t n) {
    if (pages_ != nullptr && n <= RWFilePages::kPageSize) {
      if (unsigned char* bytes = pages_->WriteSpan(n * vel::kStoredWidth<T>)) {
        vel::EncodeValues<vel::ByteOrder::kLittle>(values, n, bytes);
        return true;
      }
    }
    if constexpr (vel::kStoredWidth<T> == 1 && sizeof(T) == 1) {
      if (pages_ != nullptr) {
        return pages_->Write(values, n);
      }
    }
    return WriteArray(values, n);
  }

  std::string name_;
  char mode_[8] = {};
  // Opens the page cache when the mode is an update mode.
  void HoldPages();

  vel::flavour::File* file_ = nullptr;
  std::unique_ptr<RWFilePages> pages_;  // null: straight to the stream
  bool marked_error_ = false;
};
