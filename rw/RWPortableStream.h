// The portable stream format: every value as printable text, so a saved object graph survives any
// byte order and any transport that carries only text. No header.
//
//   operation                              text
//   Put(short / int / long)                signed decimal ('-' when negative, never '+'), 0A
//   Put(unsigned short / int / long)       unsigned decimal, 0A
//   Put(double)                            scientific, 16 digits after the
//   point: 1.2500000000000000e+01,
//                                          0A (infinities and NaN as inf, -inf, nan, -nan)
//   Put(float)                             widened to double, as Put(double)
//   PutByte(char)                          signed decimal -128..127, 0A
//   PutByte(unsigned char)                 unsigned decimal 0..255, 0A
//   array put                              each element in its single form (char arrays as
//                                          PutByte(char), unsigned char arrays as
//                                          PutByte(unsigned char))
//   Put(char), Put(unsigned char)          one escaped character, no 0A
//   PutString                              22, each byte as one escaped character, 22 (no 0A)
//
// A long or unsigned long carries 32 bits: its low 32 bits are written, and a reader refuses a
// number outside that range. Numbers are written and read in the classic form, whatever the
// global locale.
//
// Escaped characters:
//
//   byte                        written as        hex
//   08 09 0A 0C 0D              \b \t \n \f \r    5C 62, 5C 74, 5C 6E, 5C 66, 5C 72
//   22 (double quote)           \"                5C 22
//   5C (backslash)              \\                5C 5C
//   7B ({)                      \[                5C 5B
//   7D (})                      \]                5C 5D
//   21..7E otherwise            the byte itself
//   every other byte            \x and two        5C 78 h h
//                               lowercase hex
//                               digits
//
// Line breaks: before a unit of k characters of a character or string operation (1 for a plain
// character or a quote, 2 for a two-character escape, 4 for \xhh) the writer adds k to its column
// counter; when the counter then exceeds 80 it writes 0A first and sets the counter to k. A unit is
// never split; numbers do not touch the counter; readers discard a 0A inside a string.
//
// Examples: Put(short) of -5 gives 2D 35 0A; PutByte(char) of 'A' gives 36 35 0A; Put(char) of
// 'A' gives 41; PutString of a, ", b, {, TAB, space gives 22 61 5C 22 62 5C 5B 5C 74 5C 78 32
// 30 22.
//
// Status (see RWStreamState): a number that is missing or malformed sets fail; a read that meets
// the end of data sets eof (and fail when the value is missing). Once the stream is not good, every
// read sets fail and reads nothing. A short write or a failed flush sets fail and bad.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>

#include "rw/RWStreamState.h"
#include "rw/RWVirtualStream.h"

class RWPortableOutStream : public RWVirtualOutStream, public RWStreamState {
 public:
  // A null buffer makes a bad stream.
  explicit RWPortableOutStream(std::ostream& stream);
  explicit RWPortableOutStream(std::streambuf* buffer);
  RWPortableOutStream(const RWPortableOutStream&) = delete;
  RWPortableOutStream& operator=(const RWPortableOutStream&) = delete;
  ~RWPortableOutStream() override = default;

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

 private:
  class Text;
  template <typename T>
  RWVirtualOutStream& PutNumbers(const T* values, std::size_t count);
  void WriteText(const char* text, std::size_t count);

  std::streambuf* buffer_;
  // Characters written by character and string operations since the last inserted line break.
  std::int32_t column_ = 0;
};

class RWPortableInStream : public RWVirtualInStream, public RWStreamState {
 public:
  // A null buffer makes a bad stream.
  explicit RWPortableInStream(std::istream& stream);
  explicit RWPortableInStream(std::streambuf* buffer);
  RWPortableInStream(const RWPortableInStream&) = delete;
  RWPortableInStream& operator=(const RWPortableInStream&) = delete;
  ~RWPortableInStream() override = default;

  // Numbers skip white space (space, 09 to 0D) first. A number out of its type's range sets fail
  // and leaves the nearest limit; a missing number sets fail and leaves 0. Unsigned numbers take a
  // leading '-' as the standard extraction does (modulo 2^bits).
  RWVirtualInStream& Get(unsigned long* values, std::size_t count) override;
  RWVirtualInStream& Get(unsigned int* values, std::size_t count) override;
  RWVirtualInStream& Get(unsigned short* values, std::size_t count) override;
  // Each element an unsigned int, keeping its low byte.
  RWVirtualInStream& Get(unsigned char* values, std::size_t count) override;
  RWVirtualInStream& Get(short* values, std::size_t count) override;
  RWVirtualInStream& Get(long* values, std::size_t count) override;
  RWVirtualInStream& Get(int* values, std::size_t count) override;
  RWVirtualInStream& Get(float* values, std::size_t count) override;
  RWVirtualInStream& Get(double* values, std::size_t count) override;
  // Each element a signed int, keeping its low byte.
  RWVirtualInStream& Get(char* values, std::size_t count) override;
  RWVirtualInStream& GetByte(unsigned char& value) override;
  RWVirtualInStream& GetByte(char& value) override;
  // An int; -1 when it could not be read.
  int Get() override;
  // A quoted string into a buffer of `size` bytes (the terminator included); the buffer is always
  // terminated. Text that does not start with a quote raises [SYNSTREAM] and sets fail. A string
  // longer than size - 1 bytes is cut there, the rest of it skipped and fail set; size 0 stores
  // nothing, skips the string and sets fail.
  RWVirtualInStream& GetString(char* buffer, std::size_t size) override;
  RWVirtualInStream& Get(unsigned long& value) override;
  RWVirtualInStream& Get(unsigned int& value) override;
  RWVirtualInStream& Get(unsigned short& value) override;
  // One escaped character, after white space.
  RWVirtualInStream& Get(unsigned char& value) override;
  RWVirtualInStream& Get(short& value) override;
  RWVirtualInStream& Get(long& value) override;
  RWVirtualInStream& Get(int& value) override;
  RWVirtualInStream& Get(float& value) override;
  RWVirtualInStream& Get(double& value) override;
  RWVirtualInStream& Get(char& value) override;

 private:
  // False (setting fail) when the stream is not good: nothing is read then.
  bool Begin();
  // Skips white space; false (setting eof and fail) at end of data.
  bool SkipWhiteSpace();
  // What a number read did to its target: nothing (the stream was not good or at its end), a
  // value read, or a bad number (the target holds 0 or the nearest limit, fail set).
  enum class Parse { kNothing, kValue, kBad };
  template <typename T>
  Parse ReadInteger(T& value);
  template <typename T>
  Parse ReadReal(T& value);
  template <typename T, typename Parsed>
  RWVirtualInStream& GetLowBytes(T* values, std::size_t count);
  template <typename T>
  RWVirtualInStream& GetNumbers(T* values, std::size_t count);
  // One character with its escape undone, after any line feeds; -1 (eof and fail) at end of data.
  int ReadEscaped();
  // Skips the rest of a quoted string up to and including its closing quote.
  void SkipStringRest();
  int Peek();
  int Next();

  std::streambuf* buffer_;
};
