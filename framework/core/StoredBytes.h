// Stored bytes: 8-bit fields, and runs of bytes whose length comes from the stored data itself.
#pragma once

#include <cstdint>

class RWBinaryFile;
class RWVirtualInStream;

class RWVirtualOutStream;

namespace vel {

// An 8-bit field: Put(unsigned char) on a stream, one byte in a file. Reads answer false when the
// byte could not be had.
void WriteByte(RWVirtualOutStream& stream, std::uint8_t value);
void WriteByte(RWBinaryFile& file, std::uint8_t value);
[[nodiscard]] bool ReadByte(RWVirtualInStream& stream, std::uint8_t& value);
[[nodiscard]] bool ReadByte(RWBinaryFile& file, std::uint8_t& value);

// A run of bytes as they stand (nothing for size 0).
void WriteBytes(RWVirtualOutStream& stream, const std::uint8_t* data, std::uint32_t size);
void WriteBytes(RWBinaryFile& file, const std::uint8_t* data, std::uint32_t size);

enum class StoredBytesResult {
  kRead,      // `block` holds the bytes (new[], owned by the caller; null for size 0)
  kNoMemory,  // the bytes were read past, but no block could be had; `block` is null
  kFailed,    // the data ended first: the carrier is failed and `block` is null
};

// Reads `size` bytes. They arrive chunk by chunk and the block grows with them, so that a size
// beyond the data fails at the end of the data and never allocates what the data cannot fill.
[[nodiscard]] StoredBytesResult ReadStoredBytes(RWVirtualInStream& stream, std::uint32_t size,
                                                std::uint8_t*& block);
[[nodiscard]] StoredBytesResult ReadStoredBytes(RWBinaryFile& file, std::uint32_t size,
                                                std::uint8_t*& block);

}  // namespace vel
