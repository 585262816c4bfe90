// A vector of bits, and the byte-array helpers it is built on.
//
// Bit i is bit (i mod 8) of byte i / 8. The vector owns ceil(n / 8) bytes (none for n = 0). The
// unused high bits of a partial last byte may hold anything: comparisons, counts and the hash
// ignore them.
//
// Errors: an index at or beyond the length raises the index error and reads false or changes
// nothing; AND, OR and XOR of vectors of different lengths raise [NEVECL] with both lengths and
// give an empty vector. Byte arrays are allocated without throwing; when one cannot be had a
// constructor, an assignment or an operation result gives an empty vector and Resize reports false
// and keeps the vector as it was.
#pragma once

#include <cstddef>
#include <cstdint>

class RWBitVector {
 public:
  RWBitVector() = default;
  // `length` bits, all 0.
  explicit RWBitVector(std::uint32_t length);
  // `length` bits, every byte 0xFF for true, 0x00 for false.
  RWBitVector(std::uint32_t length, bool value);
  // `length` bits copied from the first ceil(length / 8) bytes at `bytes`.
  RWBitVector(const std::uint8_t* bytes, std::uint32_t length);
  RWBitVector(const RWBitVector& other);
  RWBitVector(RWBitVector&& other) noexcept;
  // Assigning a vector to itself does nothing.
  RWBitVector& operator=(const RWBitVector& other);
  RWBitVector& operator=(RWBitVector&& other) noexcept;
  ~RWBitVector();

  // Sets every byte to 0xFF for true, 0x00 for false.
  void SetAll(bool value);
  // Whether every used bit equals `value` (true for an empty vector).
  bool IsAll(bool value) const;

  // Keeps the existing bits; new bits are 0 (when growing, the unused bits of the old last byte
  // are cleared first).
  [[nodiscard]] bool Resize(std::uint32_t length);

  // The number of used bits that are set.
  std::uint32_t CountSetBits() const;
  // h = length; h = b XOR rotl(h, 5) for each whole byte b, then for the used bits of a partial
  // last byte.
  std::uint32_t Hash() const;

  // Element access; see the top of this file for an index beyond the length.
  bool TestBit(std::size_t index) const;
  void SetBit(std::size_t index, bool value = true);
  void ClearBit(std::size_t index) { SetBit(index, false); }

  std::uint32_t Length() const { return length_; }
  std::size_t ByteCount() const { return ByteCountFor(length_); }
  // The bytes (null for an empty vector).
  const std::uint8_t* Data() const { return bytes_; }
  std::uint8_t* Data() { return bytes_; }

  static std::size_t ByteCountFor(std::uint32_t length) { return (std::size_t{length} + 7) / 8; }

 private:
  // Allocates `length` bits; on failure the vector is empty and false is returned.
  bool Allocate(std::uint32_t length);
  void Free();
  // The mask of the used bits of the last byte (0xFF when it is whole).
  std::uint8_t LastByteMask() const;
  bool CheckIndex(std::size_t index) const;

  std::uint8_t* bytes_ = nullptr;
  std::uint32_t length_ = 0;
};

// Same length and the same used bits.
bool operator==(const RWBitVector& a, const RWBitVector& b);

RWBitVector operator&(const RWBitVector& a, const RWBitVector& b);
RWBitVector operator|(const RWBitVector& a, const RWBitVector& b);
RWBitVector operator^(const RWBitVector& a, const RWBitVector& b);
// Every byte inverted.
RWBitVector operator~(const RWBitVector& a);

namespace vel {

// `destination` op= `source` over `count` bytes.
void OrBytes(std::uint8_t* destination, const std::uint8_t* source, std::size_t count);
void XorBytes(std::uint8_t* destination, const std::uint8_t* source, std::size_t count);
void AndBytes(std::uint8_t* destination, const std::uint8_t* source, std::size_t count);

// The index of the first set, respectively clear, bit among the first `bits` bits of `bytes`, or
// -1 when there is none. Bits beyond `bits` in the last byte are ignored.
std::int64_t FirstSetBit(const std::uint8_t* bytes, std::size_t bits);
std::int64_t FirstClearBit(const std::uint8_t* bytes, std::size_t bits);

// Byte masks for the bytes of a 32-bit word: entry [r][c] is 0xFF when c < r, else 0, so row r
// keeps the first r bytes.
inline constexpr std::uint8_t kByteMaskTable[4][4] = {
    {0x00, 0x00, 0x00, 0x00},
    {0xFF, 0x00, 0x00, 0x00},
    {0xFF, 0xFF, 0x00, 0x00},
    {0xFF, 0xFF, 0xFF, 0x00},
};

}  // namespace vel
