// Little-endian 16- and 32-bit fields in byte images of on-disk structures (space manager header,
// free-list records, tree header and nodes).
#pragma once

#include <cstdint>

#include "rw/RWByteCodec.h"

namespace vel::disk {

inline std::uint16_t LoadU16(const unsigned char* bytes) {
  return LoadBytes<ByteOrder::kLittle, std::uint16_t>(bytes);
}

inline std::uint32_t LoadU32(const unsigned char* bytes) {
  return LoadBytes<ByteOrder::kLittle, std::uint32_t>(bytes);
}

inline std::int32_t LoadI32(const unsigned char* bytes) {
  return static_cast<std::int32_t>(LoadU32(bytes));
}

inline void StoreU16(unsigned char* bytes, std::uint16_t value) {
  StoreBytes<ByteOrder::kLittle>(value, bytes);
}

inline void StoreU32(unsigned char* bytes, std::uint32_t value) {
  StoreBytes<ByteOrder::kLittle>(value, bytes);
}

inline void StoreI32(unsigned char* bytes, std::int32_t value) {
  StoreU32(bytes, static_cast<std::uint32_t>(value));
}

}  // namespace vel::disk
