// Binary stream reader and writer over a standard stream buffer.
#include "rw/RWBinaryStream.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <limits>
#include <ostream>
#include <streambuf>

namespace {

using vel::ByteOrder;

// Arrays are converted through a scratch area of this size on the stack.
constexpr std::size_t kChunkBytes = 2048;
// The put and get areas of a stream buffer, which the standard library shows only to derived
// classes. A single value's bytes are copied straight there when they fit, which is what sputn
// and sgetn would do, without their call per value.
class BufferAreas : public std::streambuf {
 public:
  // kCount is a value's width, so the copy is a single move.
  template <std::size_t kCount>
  static bool TryPut(std::streambuf* buffer, const unsigned char* bytes) {
    char* next = (buffer->*&BufferAreas::pptr)();
    if ((buffer->*&BufferAreas::epptr)() - next < static_cast<std::ptrdiff_t>(kCount)) {
      return false;
    }
    std::memcpy(next, bytes, kCount);
    (buffer->*&BufferAreas::pbump)(static_cast<int>(kCount));
    return true;
  }
  template <std::size_t kCount>
  static bool TryGet(std::streambuf* buffer, unsigned char* bytes) {
    char* next = (buffer->*&BufferAreas::gptr)();
    if ((buffer->*&BufferAreas::egptr)() - next < static_cast<std::ptrdiff_t>(kCount)) {
      return false;
    }
    std::memcpy(bytes, next, kCount);
    (buffer->*&BufferAreas::gbump)(static_cast<int>(kCount));
    return true;
  }
};

constexpr int kEndOfData = std::char_traits<char>::eof();

std::streamsize ClampToStreamSize(std::uint64_t count) {
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::streamsize>::max());
  return static_cast<std::streamsize>(std::min(count, kMax));
}

// Reads `count` values through `scratch` (room for `per_pass` values), decoding each pass. On a
// short read the values that arrived whole are stored, and the bytes that arrived of the next one
// replace its first stored bytes.
template <typename Read, typename T>
void ReadDecoded(Read read,
                 T* values,
                 std::size_t count,
                 ByteOrder order,
                 unsigned char* scratch,
                 std::size_t per_pass) {
  constexpr std::size_t kWidth = vel::kStoredWidth<T>;
  while (count > 0) {
    const std::size_t n = std::min(count, per_pass);
    const std::size_t got = read(scratch, n * kWidth);
    const std::size_t whole = got / kWidth;
    vel::DecodeValues(order, scratch, whole, values);
    if (got < n * kWidth) {
      if (const std::size_t part = got % kWidth; part > 0) {
        unsigned char merged[kWidth];
        vel::EncodeValues(order, values + whole, 1, merged);
        std::memcpy(merged, scratch + whole * kWidth, part);
        vel::DecodeValues(order, merged, 1, values + whole);
      }
      return;
    }
    values += n;
    count -= n;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Reader

RWBinaryInStream::RWBinaryInStream(std::istream& stream) : RWBinaryInStream(stream.rdbuf()) {}

RWBinaryInStream::RWBinaryInStream(std::streambuf* buffer) : buffer_(buffer) {
  if (buffer_ == nullptr) {
    AddStatus(kRWStreamBad);
  }
}

std::size_t RWBinaryInStream::ReadBytes(void* bytes, std::size_t count) {
  std::size_t got = 0;
  if (buffer_ != nullptr) {
    char* out = static_cast<char*>(bytes);
    while (got < count) {
      const std::streamsize arrived = buffer_->sgetn(out + got, ClampToStreamSize(count - got));
      if (arrived <= 0) {
        break;
      }
      got += static_cast<std::size_t>(arrived);
    }
  }
  if (got < count) {
    AddStatus(kRWStreamEof | kRWStreamFail);
  }
  return got;
}

void RWBinaryInStream::SkipBytes(std::uint64_t count) {
  char scratch[kChunkBytes];
  while (count > 0) {
    const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(count, kChunkBytes));
    if (ReadBytes(scratch, step) < step) {
      return;
    }
    count -= step;
  }
}

unsigned char RWBinaryInStream::ReadByte() {
  const int c = buffer_ != nullptr ? buffer_->sbumpc() : kEndOfData;
  if (c == kEndOfData) {
    AddStatus(kRWStreamEof | kRWStreamFail);
    return 0xFF;
  }
  return static_cast<unsigned char>(c);
}

template <typename T>
void RWBinaryInStream::ReadValues(T* values, std::size_t count, ByteOrder order) {
  constexpr std::size_t kWidth = vel::kStoredWidth<T>;
  auto read = [this](void* bytes, std::size_t n) { return ReadBytes(bytes, n); };
  if (count == 1) {
    unsigned char bytes[kWidth];
    if (buffer_ != nullptr && BufferAreas::TryGet<kWidth>(buffer_, bytes)) {
      vel::DecodeValues(order, bytes, 1, values);
      return;
    }
    ReadDecoded(read, values, 1, order, bytes, 1);
    return;
  }
  unsigned char chunk[kChunkBytes];
  ReadDecoded(read, values, count, order, chunk, kChunkBytes / kWidth);
}

template void RWBinaryInStream::ReadValues(unsigned long*, std::size_t, ByteOrder);
template void RWBinaryInStream::ReadValues(unsigned int*, std::size_t, ByteOrder);
template void RWBinaryInStream::ReadValues(unsigned short*, std::size_t, ByteOrder);
template void RWBinaryInStream::ReadValues(short*, std::size_t, ByteOrder);
template void RWBinaryInStream::ReadValues(long*, std::size_t, ByteOrder);
template void RWBinaryInStream::ReadValues(int*, std::size_t, ByteOrder);
template void RWBinaryInStream::ReadValues(float*, std::size_t, ByteOrder);
template void RWBinaryInStream::ReadValues(double*, std::size_t, ByteOrder);

void RWBinaryInStream::ReadStringBody(std::uint64_t length, char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) {
    SkipBytes(length);
    AddStatus(kRWStreamFail);
    return;
  }
  const std::size_t kept = static_cast<std::size_t>(std::min<std::uint64_t>(length, size - 1));
  const std::size_t got = ReadBytes(buffer, kept);
  buffer[got] = '\0';
  if (got < kept) {
    return;  // end of data: eof and fail are set
  }
  if (length > kept) {
    SkipBytes(length - kept);
    AddStatus(kRWStreamFail);
  }
}

RWVirtualInStream& RWBinaryInStream::Get(unsigned long* values, std::size_t count) {
  ReadValues(values, count, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(unsigned int* values, std::size_t count) {
  ReadValues(values, count, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(unsigned short* values, std::size_t count) {
  ReadValues(values, count, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(unsigned char* values, std::size_t count) {
  ReadBytes(values, count);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(short* values, std::size_t count) {
  ReadValues(values, count, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(long* values, std::size_t count) {
  ReadValues(values, count, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(int* values, std::size_t count) {
  ReadValues(values, count, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(float* values, std::size_t count) {
  ReadValues(values, count, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(double* values, std::size_t count) {
  ReadValues(values, count, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(char* values, std::size_t count) {
  ReadBytes(values, count);
  return *this;
}

RWVirtualInStream& RWBinaryInStream::GetByte(unsigned char& value) {
  value = ReadByte();
  return *this;
}
RWVirtualInStream& RWBinaryInStream::GetByte(char& value) {
  value = static_cast<char>(ReadByte());
  return *this;
}

int RWBinaryInStream::Get() {
  if (buffer_ == nullptr || Eof() != 0) {
    return -1;
  }
  const int c = buffer_->sbumpc();
  return c == kEndOfData ? -1 : static_cast<unsigned char>(c);
}

RWVirtualInStream& RWBinaryInStream::GetString(char* buffer, std::size_t size) {
  unsigned char bytes[4];
  if (ReadBytes(bytes, sizeof bytes) < sizeof bytes) {
    if (buffer != nullptr && size > 0) {
      buffer[0] = '\0';
    }
    return *this;
  }
  ReadStringBody(vel::LoadBytes<ByteOrder::kLittle, std::uint32_t>(bytes), buffer, size);
  return *this;
}

RWVirtualInStream& RWBinaryInStream::Get(unsigned long& value) {
  ReadValues(&value, 1, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(unsigned int& value) {
  ReadValues(&value, 1, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(unsigned short& value) {
  ReadValues(&value, 1, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(unsigned char& value) {
  value = ReadByte();
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(short& value) {
  ReadValues(&value, 1, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(long& value) {
  ReadValues(&value, 1, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(int& value) {
  ReadValues(&value, 1, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(float& value) {
  ReadValues(&value, 1, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(double& value) {
  ReadValues(&value, 1, ByteOrder::kLittle);
  return *this;
}
RWVirtualInStream& RWBinaryInStream::Get(char& value) {
  value = static_cast<char>(ReadByte());
  return *this;
}

// ---------------------------------------------------------------------------------------------
// Writer

RWBinaryOutStream::RWBinaryOutStream(std::ostream& stream)
    : RWBinaryOutStream(stream.rdbuf(), ByteOrder::kLittle) {}

RWBinaryOutStream::RWBinaryOutStream(std::streambuf* buffer)
    : RWBinaryOutStream(buffer, ByteOrder::kLittle) {}

RWBinaryOutStream::RWBinaryOutStream(std::streambuf* buffer, ByteOrder order)
    : buffer_(buffer), order_(order) {
  if (buffer_ == nullptr) {
    AddStatus(kRWStreamBad);
  }
}

void RWBinaryOutStream::WriteBytes(const void* bytes, std::size_t count) {
  std::size_t done = 0;
  if (buffer_ != nullptr) {
    const char* in = static_cast<const char*>(bytes);
    while (done < count) {
      const std::streamsize taken = buffer_->sputn(in + done, ClampToStreamSize(count - done));
      if (taken <= 0) {
        break;
      }
      done += static_cast<std::size_t>(taken);
      if (done < count) {
        buffer_->pubsync();
      }
    }
  }
  if (done < count) {
    AddStatus(kRWStreamFail);
  }
}

void RWBinaryOutStream::WriteByte(unsigned char byte) {
  if (buffer_ == nullptr || buffer_->sputc(static_cast<char>(byte)) == kEndOfData) {
    AddStatus(kRWStreamFail);
  }
}

template <typename T>
RWVirtualOutStream& RWBinaryOutStream::PutValues(const T* values, std::size_t count) {
  constexpr std::size_t kWidth = vel::kStoredWidth<T>;
  if (count == 1) {
    unsigned char bytes[kWidth];
    vel::EncodeValues(order_, values, 1, bytes);
    if (buffer_ == nullptr || !BufferAreas::TryPut<kWidth>(buffer_, bytes)) {
      WriteBytes(bytes, kWidth);
    }
    return *this;
  }
  constexpr std::size_t kPerChunk = kChunkBytes / kWidth;
  unsigned char chunk[kChunkBytes];
  while (count > 0) {
    const std::size_t n = std::min(count, kPerChunk);
    vel::EncodeValues(order_, values, n, chunk);
    WriteBytes(chunk, n * kWidth);
    values += n;
    count -= n;
  }
  return *this;
}

RWVirtualOutStream& RWBinaryOutStream::PutString(const char* text, std::size_t n) {
  if (text == nullptr) {
    n = 0;
  }
  if (n > std::numeric_limits<std::uint32_t>::max()) {
    // The length does not fit its 4-byte field.
    AddStatus(kRWStreamFail);
    return *this;
  }
  const auto length = static_cast<std::uint32_t>(n);
  PutValues(&length, 1);
  WriteBytes(text, n);
  return *this;
}

RWVirtualOutStream& RWBinaryOutStream::PutString(const char* text) {
  return PutString(text, text != nullptr ? std::strlen(text) : 0);
}

RWVirtualOutStream& RWBinaryOutStream::Put(unsigned short value) {
  return PutValues(&value, 1);
}
RWVirtualOutStream& RWBinaryOutStream::Put(short value) {
  return PutValues(&value, 1);
}
RWVirtualOutStream& RWBinaryOutStream::Put(unsigned long value) {
  return PutValues(&value, 1);
}
RWVirtualOutStream& RWBinaryOutStream::Put(long value) {
  return PutValues(&value, 1);
}
RWVirtualOutStream& RWBinaryOutStream::Put(unsigned int value) {
  return PutValues(&value, 1);
}
RWVirtualOutStream& RWBinaryOutStream::Put(int value) {
  return PutValues(&value, 1);
}
RWVirtualOutStream& RWBinaryOutStream::Put(float value) {
  return PutValues(&value, 1);
}
RWVirtualOutStream& RWBinaryOutStream::Put(double value) {
  return PutValues(&value, 1);
}

RWVirtualOutStream& RWBinaryOutStream::Put(unsigned char value) {
  WriteByte(value);
  return *this;
}
RWVirtualOutStream& RWBinaryOutStream::Put(char value) {
  WriteByte(static_cast<unsigned char>(value));
  return *this;
}

RWVirtualOutStream& RWBinaryOutStream::Flush() {
  if (buffer_ == nullptr || buffer_->pubsync() == -1) {
    AddStatus(kRWStreamBad);
  }
  return *this;
}

RWVirtualOutStream& RWBinaryOutStream::Put(const double* values, std::size_t count) {
  return PutValues(values, count);
}
RWVirtualOutStream& RWBinaryOutStream::Put(const float* values, std::size_t count) {
  return PutValues(values, count);
}
RWVirtualOutStream& RWBinaryOutStream::Put(const unsigned long* values, std::size_t count) {
  return PutValues(values, count);
}
RWVirtualOutStream& RWBinaryOutStream::Put(const long* values, std::size_t count) {
  return PutValues(values, count);
}
RWVirtualOutStream& RWBinaryOutStream::Put(const unsigned int* values, std::size_t count) {
  return PutValues(values, count);
}
RWVirtualOutStream& RWBinaryOutStream::Put(const int* values, std::size_t count) {
  return PutValues(values, count);
}
RWVirtualOutStream& RWBinaryOutStream::Put(const unsigned short* values, std::size_t count) {
  return PutValues(values, count);
}
RWVirtualOutStream& RWBinaryOutStream::Put(const short* values, std::size_t count) {
  return PutValues(values, count);
}
RWVirtualOutStream& RWBinaryOutStream::Put(const unsigned char* values, std::size_t count) {
  WriteBytes(values, count);
  return *this;
}

RWVirtualOutStream& RWBinaryOutStream::PutByte(unsigned char value) {
  WriteByte(value);
  return *this;
}

RWVirtualOutStream& RWBinaryOutStream::Put(const char* values, std::size_t count) {
  WriteBytes(values, count);
  return *this;
}

RWVirtualOutStream& RWBinaryOutStream::PutByte(char value) {
  WriteByte(static_cast<unsigned char>(value));
  return *this;
}
