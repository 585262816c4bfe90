// Byte-order tagged stream reader and writer: the header, and the reader's width and order
// conversions.
#include "rw/RWByteOrderStream.h"

#include <istream>
#include <ostream>
#include <streambuf>
#include <type_traits>

#include "rw/RWError.h"
#include "rw/RWMessage.h"

namespace {

using vel::ByteOrder;

constexpr unsigned char kMagic0 = 0x65;  // 'e'
constexpr unsigned char kMagic1 = 0x73;  // 's'
constexpr unsigned char kVersion = 1;
constexpr std::size_t kHeaderBytes = 9;
// Declared widths a reader accepts.
constexpr std::int32_t kMaxDeclaredWidth = 8;

ByteOrder ChosenOrder(int order) {
  if (order == 2) {
    return vel::kHostByteOrder;
  }
  return order == 0 ? ByteOrder::kLittle : ByteOrder::kBig;
}

bool IsUsableWidth(std::int32_t width) {
  return width >= 1 && width <= kMaxDeclaredWidth;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Writer

RWByteOrderOutStream::RWByteOrderOutStream(std::ostream& stream, int order)
    : RWByteOrderOutStream(stream.rdbuf(), order) {}

RWByteOrderOutStream::RWByteOrderOutStream(std::streambuf* buffer, int order)
    : RWBinaryOutStream(buffer, ChosenOrder(order)) {
  if (buffer != nullptr) {
    // A buffer that already holds data would get the header in the middle. A buffer that cannot
    // tell its end (-1) counts as empty.
    const std::streamoff end = buffer->pubseekoff(0, std::ios_base::end, std::ios_base::out);
    if (end > 0) {
      AddStatus(kRWStreamFail | kRWStreamBad);
      RWRaiseStream(this, RWTOOL_STREAM());
      return;
    }
  }
  const unsigned char header[kHeaderBytes] = {
      kMagic0, kMagic1, kVersion, static_cast<unsigned char>(StreamOrder()),
      2,  // short
      4,  // int
      4,  // long
      2,  // wide character
      4,  // string length
  };
  for (const unsigned char byte : header) {
    WriteByte(byte);
  }
}

// ---------------------------------------------------------------------------------------------
// Reader

RWByteOrderInStream::RWByteOrderInStream(std::istream& stream)
    : RWByteOrderInStream(stream.rdbuf()) {}

RWByteOrderInStream::RWByteOrderInStream(std::streambuf* buffer) : RWBinaryInStream(buffer) {
  ReadHeader();
}

RWByteOrderInStream::RWByteOrderInStream(std::streambuf* buffer, Unopened)
    : RWBinaryInStream(buffer) {
  AddStatus(kRWStreamFail | kRWStreamBad);
}

void RWByteOrderInStream::RefuseHeader() {
  AddStatus(kRWStreamFail | kRWStreamBad);
  // The header is data from outside the process: reported, never fatal.
  RWSoftErrorScope outside_data;
  RWRaiseStream(this, RWTOOL_STREAM());
}

void RWByteOrderInStream::ReadHeader() {
  unsigned char header[kHeaderBytes];
  for (std::size_t i = 0; i < kHeaderBytes; ++i) {
    header[i] = ReadByte();
    bool refused = !IsGood();
    refused = refused || (i == 0 && header[i] != kMagic0);
    refused = refused || (i == 1 && header[i] != kMagic1);
    refused = refused || (i == 2 && header[i] != kVersion);
    if (refused) {
      RefuseHeader();
      return;
    }
  }
  const std::int32_t short_width = header[4];
  const std::int32_t int_width = header[5];
  const std::int32_t long_width = header[6];
  const std::int32_t length_width = header[8];
  if (!IsUsableWidth(short_width) || !IsUsableWidth(int_width) || !IsUsableWidth(long_width) ||
      !IsUsableWidth(length_width)) {
    RefuseHeader();
    return;
  }
  order_ = header[3] == 0 ? ByteOrder::kLittle : ByteOrder::kBig;
  short_width_ = short_width;
  int_width_ = int_width;
  long_width_ = long_width;
  wide_char_width_ = header[7];
  length_width_ = length_width;
}

// One integer of `declared_width` bytes into its stored width H = kStoredWidth<T>: a narrower
// value is extended (sign or zero by T), a wider one must be the extension of its low H bytes.
template <typename T>
bool RWByteOrderInStream::ReadConverted(T& value, std::int32_t declared_width) {
  using Bits = vel::StoredBits<T>;
  constexpr unsigned kHostWidth = vel::kStoredWidth<T>;
  const unsigned width = static_cast<unsigned>(declared_width);
  unsigned char bytes[kMaxDeclaredWidth];
  if (ReadBytes(bytes, width) < width) {
    return false;  // eof and fail are set; the value keeps what it held
  }
  std::uint64_t raw = 0;
  for (unsigned i = 0; i < width; ++i) {
    const unsigned char byte = bytes[order_ == ByteOrder::kLittle ? width - 1 - i : i];
    raw = (raw << 8) | byte;
  }
  if (width <= kHostWidth) {
    const bool negative = std::is_signed_v<T> && ((raw >> (8 * width - 1)) & 1) != 0;
    if (negative && width < 8) {
      raw |= ~std::uint64_t{0} << (8 * width);
    }
    value = vel::FromStoredBits<T>(static_cast<Bits>(raw));
    return true;
  }
  const auto low = static_cast<Bits>(raw);
  const std::uint64_t high = raw >> (8 * kHostWidth);
  const std::uint64_t high_mask = (std::uint64_t{1} << (8 * (width - kHostWidth))) - 1;
  const bool negative = std::is_signed_v<T> && ((low >> (8 * kHostWidth - 1)) & 1) != 0;
  const std::uint64_t expected = negative ? high_mask : 0;
  if (high != expected) {
    AddStatus(kRWStreamFail);  // the value did not fit; it keeps its low bytes
  }
  value = vel::FromStoredBits<T>(low);
  return true;
}

template <typename T>
RWVirtualInStream& RWByteOrderInStream::GetIntegers(T* values,
                                                    std::size_t count,
                                                    std::int32_t declared_width) {
  if (declared_width == static_cast<std::int32_t>(vel::kStoredWidth<T>)) {
    ReadValues(values, count, order_);
    return *this;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (!ReadConverted(values[i], declared_width)) {
      break;  // the end of data: nothing more will arrive
    }
  }
  return *this;
}

RWVirtualInStream& RWByteOrderInStream::Get(unsigned long* values, std::size_t count) {
  return GetIntegers(values, count, long_width_);
}
RWVirtualInStream& RWByteOrderInStream::Get(unsigned int* values, std::size_t count) {
  return GetIntegers(values, count, int_width_);
}
RWVirtualInStream& RWByteOrderInStream::Get(unsigned short* values, std::size_t count) {
  return GetIntegers(values, count, short_width_);
}
RWVirtualInStream& RWByteOrderInStream::Get(short* values, std::size_t count) {
  return GetIntegers(values, count, short_width_);
}
RWVirtualInStream& RWByteOrderInStream::Get(long* values, std::size_t count) {
  return GetIntegers(values, count, long_width_);
}
RWVirtualInStream& RWByteOrderInStream::Get(int* values, std::size_t count) {
  return GetIntegers(values, count, int_width_);
}
RWVirtualInStream& RWByteOrderInStream::Get(float* values, std::size_t count) {
  ReadValues(values, count, order_);
  return *this;
}
RWVirtualInStream& RWByteOrderInStream::Get(double* values, std::size_t count) {
  ReadValues(values, count, order_);
  return *this;
}

RWVirtualInStream& RWByteOrderInStream::GetString(char* buffer, std::size_t size) {
  unsigned int length = 0;
  GetIntegers(&length, 1, length_width_);
  if (!IsGood()) {
    if (buffer != nullptr && size > 0) {
      buffer[0] = '\0';
    }
    AddStatus(kRWStreamFail | kRWStreamBad);
    return *this;
  }
  ReadStringBody(length, buffer, size);
  return *this;
}

RWVirtualInStream& RWByteOrderInStream::Get(unsigned long& value) {
  return GetIntegers(&value, 1, long_width_);
}
RWVirtualInStream& RWByteOrderInStream::Get(unsigned int& value) {
  return GetIntegers(&value, 1, int_width_);
}
RWVirtualInStream& RWByteOrderInStream::Get(unsigned short& value) {
  return GetIntegers(&value, 1, short_width_);
}
RWVirtualInStream& RWByteOrderInStream::Get(short& value) {
  return GetIntegers(&value, 1, short_width_);
}
RWVirtualInStream& RWByteOrderInStream::Get(long& value) {
  return GetIntegers(&value, 1, long_width_);
}
RWVirtualInStream& RWByteOrderInStream::Get(int& value) {
  return GetIntegers(&value, 1, int_width_);
}
RWVirtualInStream& RWByteOrderInStream::Get(float& value) {
  ReadValues(&value, 1, order_);
  return *this;
}
RWVirtualInStream& RWByteOrderInStream::Get(double& value) {
  ReadValues(&value, 1, order_);
  return *this;
}
