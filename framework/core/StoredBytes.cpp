// Stored bytes: 8-bit fields and byte runs, read chunk by chunk.
#include "framework/core/StoredBytes.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "framework/core/GBaseObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

// Bytes read at a time.
constexpr std::uint32_t kReadChunk = 4096;

bool ReadChunk(RWVirtualInStream& stream, std::uint8_t* target, std::uint32_t n) {
  stream.Get(target, n);
  return stream.Good() != 0;
}

bool ReadChunk(RWBinaryFile& file, std::uint8_t* target, std::uint32_t n) {
  return file.Read(target, n);
}

template <typename Carrier>
vel::StoredBytesResult Read(Carrier& carrier, std::uint32_t size, std::uint8_t*& block) {
  block = nullptr;
  std::uint8_t chunk[kReadChunk];
  std::uint8_t* data = nullptr;
  std::uint32_t capacity = 0;
  bool out_of_memory = false;
  for (std::uint32_t done = 0; done < size;) {
    const std::uint32_t n = std::min(kReadChunk, size - done);
    if (!ReadChunk(carrier, chunk, n)) {
      delete[] data;
      vel::FailCarrier(carrier);
      return vel::StoredBytesResult::kFailed;
    }
    if (!out_of_memory && capacity < done + n) {
      const std::uint32_t grown =
          std::min(size, std::max(capacity <= size / 2 ? 2 * capacity : size, done + n));
      auto* bigger = new (std::nothrow) std::uint8_t[grown];
      if (bigger == nullptr) {
        delete[] data;
        data = nullptr;
        out_of_memory = true;  // read on past the bytes
      } else {
        if (done != 0) {
          std::memcpy(bigger, data, done);
        }
        delete[] data;
        data = bigger;
        capacity = grown;
      }
    }
    if (!out_of_memory) {
      std::memcpy(data + done, chunk, n);
    }
    done += n;
  }
  if (out_of_memory) {
    return vel::StoredBytesResult::kNoMemory;
  }
  block = data;
  return vel::StoredBytesResult::kRead;
}

}  // namespace

namespace vel {

void WriteByte(RWVirtualOutStream& stream, std::uint8_t value) {
  stream.Put(static_cast<unsigned char>(value));
}

void WriteByte(RWBinaryFile& file, std::uint8_t value) {
  (void)file.Write(static_cast<unsigned char>(value));
}

bool ReadByte(RWVirtualInStream& stream, std::uint8_t& value) {
  unsigned char stored = 0;
  stream.Get(stored);
  if (stream.Good() == 0) {
    return false;
  }
  value = stored;
  return true;
}

bool ReadByte(RWBinaryFile& file, std::uint8_t& value) {
  unsigned char stored = 0;
  if (!file.Read(stored)) {
    return false;
  }
  value = stored;
  return true;
}

void WriteBytes(RWVirtualOutStream& stream, const std::uint8_t* data, std::uint32_t size) {
  if (size != 0) {
    stream.Put(data, size);
  }
}

void WriteBytes(RWBinaryFile& file, const std::uint8_t* data, std::uint32_t size) {
  if (size != 0) {
    (void)file.Write(data, size);
  }
}

StoredBytesResult ReadStoredBytes(RWVirtualInStream& stream, std::uint32_t size,
                                  std::uint8_t*& block) {
  return Read(stream, size, block);
}

StoredBytesResult ReadStoredBytes(RWBinaryFile& file, std::uint32_t size, std::uint8_t*& block) {
  return Read(file, size, block);
}

}  // namespace vel
