// Bit vector and byte-array helpers.
#include "rw/RWBitVector.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <utility>

#include "rw/RWError.h"

namespace {

// The mask of the used bits of the last byte of a `bits`-bit array (0xFF when it is whole).
std::uint8_t UsedBitsMask(std::size_t bits) {
  const unsigned used = bits % 8;
  return used == 0 ? 0xFF : static_cast<std::uint8_t>((1u << used) - 1);
}

// Shared by FirstSetBit and FirstClearBit: `flip` turns the bit looked for into a set bit.
std::int64_t FirstBit(const std::uint8_t* bytes, std::size_t bits, std::uint8_t flip) {
  const std::size_t count = (bits + 7) / 8;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t b = static_cast<std::uint8_t>(bytes[i] ^ flip);
    if (i + 1 == count) {
      b &= UsedBitsMask(bits);
    }
    if (b != 0) {
      return static_cast<std::int64_t>(i * 8 + static_cast<std::size_t>(std::countr_zero(b)));
    }
  }
  return -1;
}

enum class Operation { kAnd, kOr, kXor };

RWBitVector Combine(const RWBitVector& a, const RWBitVector& b, Operation operation) {
  if (a.Length() != b.Length()) {
    RWRaiseData(RWTOOL_NEVECL(), static_cast<unsigned>(a.Length()),
                static_cast<unsigned>(b.Length()));
    return RWBitVector();
  }
  RWBitVector result(a);
  if (result.Length() != a.Length()) {
    return result;  // no memory: empty
  }
  std::uint8_t* bytes = result.Data();
  switch (operation) {
    case Operation::kAnd:
      vel::AndBytes(bytes, b.Data(), b.ByteCount());
      break;
    case Operation::kOr:
      vel::OrBytes(bytes, b.Data(), b.ByteCount());
      break;
    case Operation::kXor:
      vel::XorBytes(bytes, b.Data(), b.ByteCount());
      break;
  }
  return result;
}

}  // namespace

RWBitVector::RWBitVector(std::uint32_t length) {
  Allocate(length);
}

RWBitVector::RWBitVector(std::uint32_t length, bool value) {
  if (Allocate(length)) {
    SetAll(value);
  }
}

RWBitVector::RWBitVector(const std::uint8_t* bytes, std::uint32_t length) {
  if (Allocate(length) && length != 0) {
    std::memcpy(bytes_, bytes, ByteCount());
  }
}

RWBitVector::RWBitVector(const RWBitVector& other) : RWBitVector(other.bytes_, other.length_) {}

RWBitVector::RWBitVector(RWBitVector&& other) noexcept
    : bytes_(std::exchange(other.bytes_, nullptr)), length_(std::exchange(other.length_, 0)) {}

RWBitVector& RWBitVector::operator=(const RWBitVector& other) {
  if (this != &other) {
    Free();
    if (Allocate(other.length_) && length_ != 0) {
      std::memcpy(bytes_, other.bytes_, ByteCount());
    }
  }
  return *this;
}

RWBitVector& RWBitVector::operator=(RWBitVector&& other) noexcept {
  if (this != &other) {
    Free();
    bytes_ = std::exchange(other.bytes_, nullptr);
    length_ = std::exchange(other.length_, 0);
  }
  return *this;
}

RWBitVector::~RWBitVector() {
  Free();
}

bool RWBitVector::Allocate(std::uint32_t length) {
  bytes_ = nullptr;
  length_ = 0;
  if (length == 0) {
    return true;
  }
  bytes_ = new (std::nothrow) std::uint8_t[ByteCountFor(length)]();
  if (bytes_ == nullptr) {
    return false;
  }
  length_ = length;
  return true;
}

void RWBitVector::Free() {
  delete[] bytes_;
  bytes_ = nullptr;
  length_ = 0;
}

std::uint8_t RWBitVector::LastByteMask() const {
  return UsedBitsMask(length_);
}

void RWBitVector::SetAll(bool value) {
  if (bytes_ != nullptr) {
    std::memset(bytes_, value ? 0xFF : 0x00, ByteCount());
  }
}

bool RWBitVector::IsAll(bool value) const {
  return (value ? vel::FirstClearBit(bytes_, length_) : vel::FirstSetBit(bytes_, length_)) < 0;
}

bool RWBitVector::Resize(std::uint32_t length) {
  if (length == length_) {
    return true;
  }
  std::uint8_t* bytes = nullptr;
  if (length != 0) {
    bytes = new (std::nothrow) std::uint8_t[ByteCountFor(length)]();
    if (bytes == nullptr) {
      return false;
    }
    const std::size_t kept = std::min(ByteCountFor(length), ByteCount());
    if (kept != 0) {
      std::memcpy(bytes, bytes_, kept);
    }
    if (length > length_ && length_ % 8 != 0) {
      bytes[ByteCount() - 1] &= LastByteMask();
    }
  }
  delete[] bytes_;
  bytes_ = bytes;
  length_ = length;
  return true;
}

std::uint32_t RWBitVector::CountSetBits() const {
  std::uint32_t count = 0;
  const std::size_t byte_count = ByteCount();
  for (std::size_t i = 0; i < byte_count; ++i) {
    const std::uint8_t b = i + 1 == byte_count ? bytes_[i] & LastByteMask() : bytes_[i];
    count += static_cast<std::uint32_t>(std::popcount(b));
  }
  return count;
}

std::uint32_t RWBitVector::Hash() const {
  std::uint32_t h = length_;
  const std::size_t byte_count = ByteCount();
  for (std::size_t i = 0; i < byte_count; ++i) {
    const std::uint8_t b = i + 1 == byte_count ? bytes_[i] & LastByteMask() : bytes_[i];
    h = b ^ std::rotl(h, 5);
  }
  return h;
}

bool RWBitVector::CheckIndex(std::size_t index) const {
  if (index >= length_) {
    RWRaiseIndex(index, length_);
    return false;
  }
  return true;
}

bool RWBitVector::TestBit(std::size_t index) const {
  return CheckIndex(index) && (bytes_[index / 8] >> (index % 8) & 1) != 0;
}

void RWBitVector::SetBit(std::size_t index, bool value) {
  if (!CheckIndex(index)) {
    return;
  }
  const auto bit = static_cast<std::uint8_t>(1u << (index % 8));
  if (value) {
    bytes_[index / 8] |= bit;
  } else {
    bytes_[index / 8] &= static_cast<std::uint8_t>(~bit);
  }
}

bool operator==(const RWBitVector& a, const RWBitVector& b) {
  if (a.Length() != b.Length()) {
    return false;
  }
  const std::size_t byte_count = a.ByteCount();
  if (byte_count == 0) {
    return true;
  }
  // Only the used bits of the last byte count.
  return std::memcmp(a.Data(), b.Data(), byte_count - 1) == 0 &&
         ((a.Data()[byte_count - 1] ^ b.Data()[byte_count - 1]) & UsedBitsMask(a.Length())) == 0;
}

RWBitVector operator&(const RWBitVector& a, const RWBitVector& b) {
  return Combine(a, b, Operation::kAnd);
}

RWBitVector operator|(const RWBitVector& a, const RWBitVector& b) {
  return Combine(a, b, Operation::kOr);
}

RWBitVector operator^(const RWBitVector& a, const RWBitVector& b) {
  return Combine(a, b, Operation::kXor);
}

RWBitVector operator~(const RWBitVector& a) {
  RWBitVector result(a);
  if (result.Length() != a.Length()) {
    return result;  // no memory: empty
  }
  std::uint8_t* bytes = result.Data();
  for (std::size_t i = 0; i < result.ByteCount(); ++i) {
    bytes[i] = static_cast<std::uint8_t>(~bytes[i]);
  }
  return result;
}

namespace vel {

void OrBytes(std::uint8_t* destination, const std::uint8_t* source, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    destination[i] |= source[i];
  }
}

void XorBytes(std::uint8_t* destination, const std::uint8_t* source, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    destination[i] ^= source[i];
  }
}

void AndBytes(std::uint8_t* destination, const std::uint8_t* source, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    destination[i] &= source[i];
  }
}

std::int64_t FirstSetBit(const std::uint8_t* bytes, std::size_t bits) {
  return FirstBit(bytes, bits, 0x00);
}

std::int64_t FirstClearBit(const std::uint8_t* bytes, std::size_t bits) {
  return FirstBit(bytes, bits, 0xFF);
}

}  // namespace vel
