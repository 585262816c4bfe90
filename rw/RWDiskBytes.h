// Little-endian 16- and 32-bit fields in byte images of on-disk structures (space manager header,
// free-list records, tree header and nodes).
#pragma once

#include <cstdint>

namespace vel::disk {

inline std::uint16_t LoadU16(const unsigned char* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t LoadU32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16) |
         (static_cast<std::uint32_t>(bytes[3]) << 24);
}

inline std::int32_t LoadI32(const unsigned char* bytes) {
  return static_cast<std::int32_t>(LoadU32(bytes));
}

inline void StoreU16(unsigned char* bytes, std::uint16_t value) {
  bytes[0] = static_cast<unsigned char>(value & 0xFF);
  bytes[1] = static_cast<unsigned char>(value >> 8);
}

inline void StoreU32(unsigned char* bytes, std::uint32_t value) {
  bytes[0] = static_cast<unsigned char>(value & 0xFF);
  bytes[1] = static_cast<unsigned char>((value >> 8) & 0xFF);
  bytes[2] = static_cast<unsigned char>((value >> 16) & 0xFF);
  bytes[3] = static_cast<unsigned char>(value >> 24);
}

inline void StoreI32(unsigned char* bytes, std::int32_t value) {
  StoreU32(bytes, static_cast<std::uint32_t>(value));
}

}  // namespace vel::disk
