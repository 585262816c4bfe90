// Reading and writing the fixed-width fields of stored framework objects on both carriers: a
// virtual stream (32-bit fields through the long forms, 16-bit ones through the short forms, bytes
// as unsigned chars, 32-bit reals as floats) and a binary file (each field in its width). Reads
// answer false when the field could not be had; the field is then unchanged.
#pragma once

#include <cstdint>
#include <type_traits>

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace vel {

template <typename T>
inline constexpr bool kStoredField =
    std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::uint16_t> ||
    std::is_same_v<T, std::int16_t> || std::is_same_v<T, std::uint32_t> ||
    std::is_same_v<T, std::int32_t> || std::is_same_v<T, float>;

// The type a virtual stream carries the field as.
template <typename T>
using StreamFieldType = std::conditional_t<
    std::is_floating_point_v<T>,
    float,
    std::conditional_t<
        sizeof(T) == 1,
        unsigned char,
        std::conditional_t<sizeof(T) == 2,
                           std::conditional_t<std::is_signed_v<T>, short, unsigned short>,
                           std::conditional_t<std::is_signed_v<T>, long, unsigned long>>>>;

// The type a binary file carries the field as.
template <typename T>
using FileFieldType = std::conditional_t<
    std::is_floating_point_v<T>,
    float,
    std::conditional_t<
        sizeof(T) == 1,
        unsigned char,
        std::conditional_t<sizeof(T) == 2,
                           std::conditional_t<std::is_signed_v<T>, short, unsigned short>,
                           std::conditional_t<std::is_signed_v<T>, int, unsigned int>>>>;

template <typename T>
void WriteField(RWVirtualOutStream& stream, T value) {
  static_assert(kStoredField<T>);
  stream.Put(static_cast<StreamFieldType<T>>(value));
}

template <typename T>
void WriteField(RWBinaryFile& file, T value) {
  static_assert(kStoredField<T>);
  (void)file.Write(static_cast<FileFieldType<T>>(value));
}

template <typename T>
[[nodiscard]] bool ReadField(RWVirtualInStream& stream, T& value) {
  static_assert(kStoredField<T>);
  StreamFieldType<T> stored = 0;
  stream.Get(stored);
  if (stream.Good() == 0) {
    return false;
  }
  value = static_cast<T>(stored);
  return true;
}

template <typename T>
[[nodiscard]] bool ReadField(RWBinaryFile& file, T& value) {
  static_assert(kStoredField<T>);
  FileFieldType<T> stored = 0;
  if (!file.Read(stored)) {
    return false;
  }
  value = static_cast<T>(stored);
  return true;
}

}  // namespace vel
