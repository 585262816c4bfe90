// The abstract typed streams that every persistent object saves itself to and restores itself
// from. Three formats implement them: binary (host-order bytes), portable (printable text) and
// byte-order tagged binary. Object code never knows which format it writes.
//
// Widths: a `long` or `unsigned long` of these interfaces always travels as 4 bytes (8 in memory
// on a 64-bit host: written as its low 32 bits, read back sign- or zero-extended), `int` 4, `short`
// 2, `char` 1, `float` 4, `double` 8. Wide characters travel as unsigned shorts. Counts of the
// array operations are element counts.
#pragma once

#include <cstddef>
#include <cstdint>

// Status bits of a virtual stream: the state word that each concrete stream keeps (see
// rw/RWStreamState.h), with the bit values of the standard stream states.
enum RWStreamStatus : int {
  kRWStreamGood = 0,
  kRWStreamEof = 1,   // end of data
  kRWStreamFail = 2,  // a value could not be read or written
  kRWStreamBad = 4,   // the buffer failed
};

class RWVirtualStreamBase {
 public:
  virtual ~RWVirtualStreamBase() = default;

  virtual int Eof() const = 0;   // status & 1
  virtual int Fail() const = 0;  // status & 6 (fail or bad)
  virtual int Bad() const = 0;   // status & 4
  virtual int Good() const = 0;  // status == 0
  virtual int Status() const = 0;
  // Replaces the whole status word.
  virtual void SetStatus(int status) = 0;
};

class RWVirtualInStream : public virtual RWVirtualStreamBase {
 public:
  // Non-zero: strings travel through the put-string / get-string operations. Every concrete
  // stream sets it to 1.
  std::int32_t Version() const { return version_; }

  virtual RWVirtualInStream& Get(unsigned long* values, std::size_t count) = 0;
  virtual RWVirtualInStream& Get(unsigned int* values, std::size_t count) = 0;
  virtual RWVirtualInStream& Get(unsigned short* values, std::size_t count) = 0;
  virtual RWVirtualInStream& Get(unsigned char* values, std::size_t count) = 0;
  virtual RWVirtualInStream& Get(short* values, std::size_t count) = 0;
  virtual RWVirtualInStream& Get(long* values, std::size_t count) = 0;
  virtual RWVirtualInStream& Get(int* values, std::size_t count) = 0;
  virtual RWVirtualInStream& Get(float* values, std::size_t count) = 0;
  virtual RWVirtualInStream& Get(double* values, std::size_t count) = 0;
  virtual RWVirtualInStream& Get(char* values, std::size_t count) = 0;
  // One byte in numeric form.
  virtual RWVirtualInStream& GetByte(unsigned char& value) = 0;
  virtual RWVirtualInStream& GetByte(char& value) = 0;
  // The next byte 0..255, or -1 at end of data.
  virtual int Get() = 0;
  // A counted string into buffer; size counts the terminator.
  virtual RWVirtualInStream& GetString(char* buffer, std::size_t size) = 0;
  virtual RWVirtualInStream& Get(unsigned long& value) = 0;
  virtual RWVirtualInStream& Get(unsigned int& value) = 0;
  virtual RWVirtualInStream& Get(unsigned short& value) = 0;
  // One byte in character form.
  virtual RWVirtualInStream& Get(unsigned char& value) = 0;
  virtual RWVirtualInStream& Get(short& value) = 0;
  virtual RWVirtualInStream& Get(long& value) = 0;
  virtual RWVirtualInStream& Get(int& value) = 0;
  virtual RWVirtualInStream& Get(float& value) = 0;
  virtual RWVirtualInStream& Get(double& value) = 0;
  virtual RWVirtualInStream& Get(char& value) = 0;

 protected:
  std::int32_t version_ = 1;
};

class RWVirtualOutStream : public virtual RWVirtualStreamBase {
 public:
  // Non-zero: strings travel through the put-string / get-string operations. Every concrete
  // stream sets it to 1.
  std::int32_t Version() const { return version_; }

  // A counted string of n bytes.
  virtual RWVirtualOutStream& PutString(const char* text, std::size_t n) = 0;
  virtual RWVirtualOutStream& Put(unsigned short value) = 0;
  virtual RWVirtualOutStream& Put(short value) = 0;
  virtual RWVirtualOutStream& Put(unsigned long value) = 0;
  virtual RWVirtualOutStream& Put(long value) = 0;
  virtual RWVirtualOutStream& Put(unsigned int value) = 0;
  virtual RWVirtualOutStream& Put(int value) = 0;
  virtual RWVirtualOutStream& Put(float value) = 0;
  virtual RWVirtualOutStream& Put(double value) = 0;
  // One byte in character form.
  virtual RWVirtualOutStream& Put(unsigned char value) = 0;
  virtual RWVirtualOutStream& Put(char value) = 0;
  // The counted string up to the first NUL.
  virtual RWVirtualOutStream& PutString(const char* text) = 0;
  virtual RWVirtualOutStream& Flush() = 0;
  virtual RWVirtualOutStream& Put(const double* values, std::size_t count) = 0;
  virtual RWVirtualOutStream& Put(const float* values, std::size_t count) = 0;
  virtual RWVirtualOutStream& Put(const unsigned long* values, std::size_t count) = 0;
  virtual RWVirtualOutStream& Put(const long* values, std::size_t count) = 0;
  virtual RWVirtualOutStream& Put(const unsigned int* values, std::size_t count) = 0;
  virtual RWVirtualOutStream& Put(const int* values, std::size_t count) = 0;
  virtual RWVirtualOutStream& Put(const unsigned short* values, std::size_t count) = 0;
  virtual RWVirtualOutStream& Put(const short* values, std::size_t count) = 0;
  virtual RWVirtualOutStream& Put(const unsigned char* values, std::size_t count) = 0;
  // One byte in numeric form.
  virtual RWVirtualOutStream& PutByte(unsigned char value) = 0;
  virtual RWVirtualOutStream& Put(const char* values, std::size_t count) = 0;
  virtual RWVirtualOutStream& PutByte(char value) = 0;

 protected:
  std::int32_t version_ = 1;
};
