// The binary stream format: every value as its stored bytes, least significant byte first, with no
// header, tag, separator or padding.
//
//   value                                  bytes
//   char, unsigned char (both forms)       1
//   short, unsigned short (wide chars)     2
//   int, unsigned int                      4
//   long, unsigned long                    4   (low 32 bits; read back sign- or zero-extended)
//   float (IEEE 754 single)                4
//   double (IEEE 754 double)               8
//   array of n values                      the n values back to back
//   counted string of L bytes              4-byte unsigned L, then the L bytes (no terminator)
//
// Example: Put(short) of -5 gives FB FF; Put(unsigned long) of 0x8888 gives 88 88 00 00;
// PutString of "ab" gives 02 00 00 00 61 62.
//
// The streams sit on a standard stream buffer that the caller owns and that must outlive them;
// the constructors from a standard stream use that stream's buffer and leave the stream alone.
// Status (see RWStreamState): a short read sets eof and fail, and the bytes that did arrive stay in
// the target; a short or refused write sets fail; a failed sync sets bad. No operation raises an
// error. The format carries no marker of its own: a reader detects only the end of data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>

#include "rw/RWByteCodec.h"
#include "rw/RWStreamState.h"
#include "rw/RWVirtualStream.h"

class RWBinaryInStream : public RWVirtualInStream, public RWStreamState {
 public:
  // A null buffer makes a bad stream.
  explicit RWBinaryInStream(std::istream& stream);
  explicit RWBinaryInStream(std::streambuf* buffer);
  RWBinaryInStream(const RWBinaryInStream&) = delete;
  RWBinaryInStream& operator=(const RWBinaryInStream&) = delete;
  ~RWBinaryInStream() override = default;

  RWVirtualInStream& Get(unsigned long* values, std::size_t count) override;
  RWVirtualInStream& Get(unsigned int* values, std::size_t count) override;
  RWVirtualInStream& Get(unsigned short* values, std::size_t count) override;
  RWVirtualInStream& Get(unsigned char* values, std::size_t count) override;
  RWVirtualInStream& Get(short* values, std::size_t count) override;
  RWVirtualInStream& Get(long* values, std::size_t count) override;
  RWVirtualInStream& Get(int* values, std::size_t count) override;
  RWVirtualInStream& Get(float* values, std::size_t count) override;
  RWVirtualInStream& Get(double* values, std::size_t count) override;
  RWVirtualInStream& Get(char* values, std::size_t count) override;
  // Single bytes: at end of data the value becomes 0xFF and eof and fail are set.
  RWVirtualInStream& GetByte(unsigned char& value) override;
  RWVirtualInStream& GetByte(char& value) override;
  // The next byte 0..255; -1 at end of data or once eof is set (no status change).
  int Get() override;
  // A counted string into a buffer of `size` bytes (the terminator included). A string longer
  // than size - 1 bytes is cut there, the rest of it skipped (up to the end of data) and fail set;
  // size 0 stores nothing, skips the string and sets fail. After a short read the buffer holds the
  // bytes that arrived, terminated.
  RWVirtualInStream& GetString(char* buffer, std::size_t size) override;
  RWVirtualInStream& Get(unsigned long& value) override;
  RWVirtualInStream& Get(unsigned int& value) override;
  RWVirtualInStream& Get(unsigned short& value) override;
  RWVirtualInStream& Get(unsigned char& value) override;
  RWVirtualInStream& Get(short& value) override;
  RWVirtualInStream& Get(long& value) override;
  RWVirtualInStream& Get(int& value) override;
  RWVirtualInStream& Get(float& value) override;
  RWVirtualInStream& Get(double& value) override;
  RWVirtualInStream& Get(char& value) override;

 protected:
  std::streambuf* Buffer() const { return buffer_; }

  // Reads up to `count` bytes: asks the buffer again while it still yields bytes. Answers the
  // number that arrived; fewer than asked sets eof and fail.
  std::size_t ReadBytes(void* bytes, std::size_t count);
  // Skips `count` bytes, stopping at the end of data (which sets eof and fail).
  void SkipBytes(std::uint64_t count);
  // One byte, or 0xFF with eof and fail at end of data.
  unsigned char ReadByte();
  // n values of their stored width in the given order. On a short read the elements that arrived
  // whole are stored, and the bytes that arrived of the next one replace its first stored bytes.
  template <typename T>
  void ReadValues(T* values, std::size_t count, vel::ByteOrder order);
  // The rest of a counted string whose length has been read.
  void ReadStringBody(std::uint64_t length, char* buffer, std::size_t size);

 private:
  std::streambuf* buffer_;
};

class RWBinaryOutStream : public RWVirtualOutStream, public RWStreamState {
 public:
  // A null buffer makes a bad stream.
  explicit RWBinaryOutStream(std::ostream& stream);
  explicit RWBinaryOutStream(std::streambuf* buffer);
  RWBinaryOutStream(const RWBinaryOutStream&) = delete;
  RWBinaryOutStream& operator=(const RWBinaryOutStream&) = delete;
  ~RWBinaryOutStream() override = default;

  RWVirtualOutStream& PutString(const char* text, std::size_t n) override;
  RWVirtualOutStream& Put(unsigned short value) override;
  RWVirtualOutStream& Put(short value) override;
  RWVirtualOutStream& Put(unsigned long value) override;
  RWVirtualOutStream& Put(long value) override;
  RWVirtualOutStream& Put(unsigned int value) override;
  RWVirtualOutStream& Put(int value) override;
  RWVirtualOutStream& Put(float value) override;
  RWVirtualOutStream& Put(double value) override;
  RWVirtualOutStream& Put(unsigned char value) override;
  RWVirtualOutStream& Put(char value) override;
  RWVirtualOutStream& PutString(const char* text) override;
  // Syncs the buffer; a failed sync sets bad.
  RWVirtualOutStream& Flush() override;
  RWVirtualOutStream& Put(const double* values, std::size_t count) override;
  RWVirtualOutStream& Put(const float* values, std::size_t count) override;
  RWVirtualOutStream& Put(const unsigned long* values, std::size_t count) override;
  RWVirtualOutStream& Put(const long* values, std::size_t count) override;
  RWVirtualOutStream& Put(const unsigned int* values, std::size_t count) override;
  RWVirtualOutStream& Put(const int* values, std::size_t count) override;
  RWVirtualOutStream& Put(const unsigned short* values, std::size_t count) override;
  RWVirtualOutStream& Put(const short* values, std::size_t count) override;
  RWVirtualOutStream& Put(const unsigned char* values, std::size_t count) override;
  RWVirtualOutStream& PutByte(unsigned char value) override;
  RWVirtualOutStream& Put(const char* values, std::size_t count) override;
  RWVirtualOutStream& PutByte(char value) override;

 protected:
  // The byte order of every multi-byte value; the byte-order tagged writer chooses it.
  RWBinaryOutStream(std::streambuf* buffer, vel::ByteOrder order);

  std::streambuf* Buffer() const { return buffer_; }
  vel::ByteOrder Order() const { return order_; }
  // Hands the buffer `count` bytes, syncing and handing it the rest while it takes some; fewer
  // taken sets fail.
  void WriteBytes(const void* bytes, std::size_t count);
  // One byte; a refused byte sets fail.
  void WriteByte(unsigned char byte);

 private:
  template <typename T>
  RWVirtualOutStream& PutValues(const T* values, std::size_t count);

  std::streambuf* buffer_;
  vel::ByteOrder order_;
};
