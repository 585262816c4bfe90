// Values of the stored forms in and out of bytes: their fixed widths and a named byte order.
//
// Stored widths, whatever the host holds in memory:
//
//   char, unsigned char                          1
//   short, unsigned short (16-bit wide chars)    2
//   int, unsigned int                            4
//   long, unsigned long                          4   (low 32 bits written; read back sign- or
//                                                     zero-extended)
//   float (IEEE 754 single)                      4
//   double (IEEE 754 double)                     8
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace vel {

enum class ByteOrder : int { kLittle = 0, kBig = 1 };

inline constexpr ByteOrder kHostByteOrder =
    std::endian::native == std::endian::little ? ByteOrder::kLittle : ByteOrder::kBig;

// The unsigned integer that holds a value's stored bits.
template <std::size_t kWidth>
struct StoredBitsOfWidth;
template <>
struct StoredBitsOfWidth<1> {
  using Type = std::uint8_t;
};
template <>
struct StoredBitsOfWidth<2> {
  using Type = std::uint16_t;
};
template <>
struct StoredBitsOfWidth<4> {
  using Type = std::uint32_t;
};
template <>
struct StoredBitsOfWidth<8> {
  using Type = std::uint64_t;
};

template <typename T>
inline constexpr std::size_t kStoredWidth = std::is_same_v<T, long> ||
                                                    std::is_same_v<T, unsigned long>
                                                ? 4
                                                : sizeof(T);

template <typename T>
using StoredBits = typename StoredBitsOfWidth<kStoredWidth<T>>::Type;

static_assert(sizeof(short) == 2 && sizeof(int) == 4 && sizeof(float) == 4 && sizeof(double) == 8,
              "the stored widths assume these host widths");

// The stored bits of a value: integers cut to their stored width, reals as their IEEE 754 bits.
template <typename T>
constexpr StoredBits<T> ToStoredBits(T value) {
  if constexpr (std::is_floating_point_v<T>) {
    return std::bit_cast<StoredBits<T>>(value);
  } else {
    return static_cast<StoredBits<T>>(value);
  }
}

// The value of stored bits: signed integers sign-extended from their stored width.
template <typename T>
constexpr T FromStoredBits(StoredBits<T> bits) {
  if constexpr (std::is_floating_point_v<T>) {
    return std::bit_cast<T>(bits);
  } else if constexpr (std::is_signed_v<T>) {
    return static_cast<T>(static_cast<std::make_signed_t<StoredBits<T>>>(bits));
  } else {
    return static_cast<T>(bits);
  }
}

// Unsigned bits in and out of sizeof(U) bytes in the given order.
template <ByteOrder kOrder, typename U>
inline void StoreBytes(U bits, unsigned char* out) {
  constexpr std::size_t kWidth = sizeof(U);
  for (std::size_t i = 0; i < kWidth; ++i) {
    const auto byte = static_cast<unsigned char>(bits >> (8 * i));
    out[kOrder == ByteOrder::kLittle ? i : kWidth - 1 - i] = byte;
  }
}

template <ByteOrder kOrder, typename U>
inline U LoadBytes(const unsigned char* in) {
  constexpr std::size_t kWidth = sizeof(U);
  U bits = 0;
  for (std::size_t i = 0; i < kWidth; ++i) {
    const U byte = in[kOrder == ByteOrder::kLittle ? i : kWidth - 1 - i];
    bits = static_cast<U>(bits | static_cast<U>(byte << (8 * i)));
  }
  return bits;
}

// n values into n * kStoredWidth<T> bytes, and back.
template <ByteOrder kOrder, typename T>
inline void EncodeValues(const T* values, std::size_t n, unsigned char* out) {
  for (std::size_t i = 0; i < n; ++i) {
    StoreBytes<kOrder>(ToStoredBits(values[i]), out + i * kStoredWidth<T>);
  }
}

template <ByteOrder kOrder, typename T>
inline void DecodeValues(const unsigned char* in, std::size_t n, T* values) {
  for (std::size_t i = 0; i < n; ++i) {
    values[i] = FromStoredBits<T>(LoadBytes<kOrder, StoredBits<T>>(in + i * kStoredWidth<T>));
  }
}

template <typename T>
inline void EncodeValues(ByteOrder order, const T* values, std::size_t n, unsigned char* out) {
  if (order == ByteOrder::kLittle) {
    EncodeValues<ByteOrder::kLittle>(values, n, out);
  } else {
    EncodeValues<ByteOrder::kBig>(values, n, out);
  }
}

template <typename T>
inline void DecodeValues(ByteOrder order, const unsigned char* in, std::size_t n, T* values) {
  if (order == ByteOrder::kLittle) {
    DecodeValues<ByteOrder::kLittle>(in, n, values);
  } else {
    DecodeValues<ByteOrder::kBig>(in, n, values);
  }
}

}  // namespace vel
