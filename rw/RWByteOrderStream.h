// The byte-order tagged stream format: the binary format after a header that records the writer's
// byte order and the widths of its integers, so that a reader on any host can convert them.
//
// Header, 9 unsigned bytes at the very start of the stream:
//
//   OFFSET  VALUE  DESCRIPTION
//   0       0x65   magic 'e'
//   1       0x73   magic 's'
//   2       1      format version
//   3       0 / 1  byte order of everything that follows: 0 little-endian, 1 big-endian (a reader
//                  takes any non-zero value as big-endian)
//   4       2      width in bytes of short
//   5       4      width of int
//   6       4      width of long
//   7       2      width of a wide character (kept; wide characters travel as unsigned shorts)
//   8       4      width of a string length
//
// After the header every value stands as in the binary format, except that shorts, ints, longs,
// floats, doubles and string lengths stand in the declared byte order, and integers and lengths
// with the declared widths. Bytes, characters and character arrays are never converted; floats
// are always 4 bytes and doubles 8. This writer always declares 2, 4, 4, 2, 4.
//
// Example, big-endian: header 65 73 01 01 02 04 04 02 04; Put(short) of -5 gives FF FB; PutString
// of "ab" gives 00 00 00 02 61 62.
//
// A reader converts each integer of declared width S to its stored width H (short 2, int 4,
// long 4, string length 4): a narrower value is sign-extended (signed operations) or zero-extended;
// a wider value must fit, or the value keeps its low H bytes and fail is set. A value cut by the
// end of data sets eof and fail; when S equals H the bytes that arrived replace its first stored
// bytes, otherwise the value keeps what it held.
//
// Errors: a header that is cut, has a wrong magic or version, or declares a used width (short,
// int, long, string length) of 0 or more than 8 raises [STREAM] "Bad input stream" and leaves the
// reader failed (fail and bad). A writer whose buffer already holds data raises the same error,
// writes no header and is failed. Should the error hook return, the stream stays failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>

#include "rw/RWBinaryStream.h"

// The byte order of this host as the header states it: 0 little-endian, 1 big-endian.
inline constexpr int kRWHostByteOrder = vel::kHostByteOrder == vel::ByteOrder::kLittle ? 0 : 1;

class RWByteOrderOutStream : public RWBinaryOutStream {
 public:
  // order: 0 little-endian, 1 big-endian, 2 this host's order; any other value big-endian. Writes
  // the header at once.
  RWByteOrderOutStream(std::ostream& stream, int order);
  RWByteOrderOutStream(std::streambuf* buffer, int order);

  // The chosen byte order, 0 or 1.
  int StreamOrder() const { return Order() == vel::ByteOrder::kLittle ? 0 : 1; }
};

class RWByteOrderInStream : public RWBinaryInStream {
 public:
  // Reads and checks the header at once.
  explicit RWByteOrderInStream(std::istream& stream);
  explicit RWByteOrderInStream(std::streambuf* buffer);
  // A reader over an input that could not be opened: failed (fail and bad) from the start; no
  // header is read and no error is raised.
  struct Unopened {};
  RWByteOrderInStream(std::streambuf* buffer, Unopened);

  RWVirtualInStream& Get(unsigned long* values, std::size_t count) override;
  RWVirtualInStream& Get(unsigned int* values, std::size_t count) override;
  RWVirtualInStream& Get(unsigned short* values, std::size_t count) override;
  RWVirtualInStream& Get(short* values, std::size_t count) override;
  RWVirtualInStream& Get(long* values, std::size_t count) override;
  RWVirtualInStream& Get(int* values, std::size_t count) override;
  RWVirtualInStream& Get(float* values, std::size_t count) override;
  RWVirtualInStream& Get(double* values, std::size_t count) override;
  // As the binary reader's, with the length in the declared width and order; a length that cannot
  // be read (or does not fit 32 bits) leaves an empty string and sets fail and bad.
  RWVirtualInStream& GetString(char* buffer, std::size_t size) override;
  RWVirtualInStream& Get(unsigned long& value) override;
  RWVirtualInStream& Get(unsigned int& value) override;
  RWVirtualInStream& Get(unsigned short& value) override;
  RWVirtualInStream& Get(short& value) override;
  RWVirtualInStream& Get(long& value) override;
  RWVirtualInStream& Get(int& value) override;
  RWVirtualInStream& Get(float& value) override;
  RWVirtualInStream& Get(double& value) override;
  using RWBinaryInStream::Get;

  // What the header declared (this host's values when the header was refused).
  int StreamOrder() const { return order_ == vel::ByteOrder::kLittle ? 0 : 1; }
  std::int32_t ShortWidth() const { return short_width_; }
  std::int32_t IntWidth() const { return int_width_; }
  std::int32_t LongWidth() const { return long_width_; }
  std::int32_t WideCharWidth() const { return wide_char_width_; }
  std::int32_t LengthWidth() const { return length_width_; }

 private:
  void ReadHeader();
  void RefuseHeader();
  // False when the end of data cut the value.
  template <typename T>
  bool ReadConverted(T& value, std::int32_t declared_width);
  template <typename T>
  RWVirtualInStream& GetIntegers(T* values, std::size_t count, std::int32_t declared_width);

  vel::ByteOrder order_ = vel::kHostByteOrder;
  std::int32_t short_width_ = 2;
  std::int32_t int_width_ = 4;
  std::int32_t long_width_ = 4;
  std::int32_t wide_char_width_ = 2;
  std::int32_t length_width_ = 4;
};
