// GCharacterBuffer: a run of 8- or 16-bit elements (character codes or advances) that the holder
// either borrows from someone else or owns. A text string and its escapements keep their arrays in
// one; making a buffer owned copies borrowed elements into an allocation of its own.
#pragma once

#include <cstdint>
#include <cstring>

class RWBinaryFile;
class RWVirtualInStream;
class RWVirtualOutStream;

class GCharacterBuffer {
 public:
  // Empty: no elements, not owned.
  GCharacterBuffer() = default;
  // Borrows `count` elements at `data`, which must outlive the buffer (or its MakeOwned).
  GCharacterBuffer(const std::uint8_t* data, std::uint32_t count);
  GCharacterBuffer(const std::uint16_t* data, std::uint32_t count);
  GCharacterBuffer(const std::int16_t* data, std::uint32_t count);
  // `count` owned zero elements of `width` bytes (1 or 2); empty when memory is short.
  static GCharacterBuffer Zeros(std::uint32_t width, std::uint32_t count);
  // An owned copy of `other`'s elements (empty for an empty buffer or when memory is short).
  static GCharacterBuffer CopyOf(const GCharacterBuffer& other);
  // Takes over `count` 16-bit elements allocated with new[] (freed with the buffer, or at once when
  // `count` is 0).
  static GCharacterBuffer Adopt(const std::uint16_t* data, std::uint32_t count);

  GCharacterBuffer(GCharacterBuffer&& other) noexcept;
  GCharacterBuffer& operator=(GCharacterBuffer&& other) noexcept;
  GCharacterBuffer(const GCharacterBuffer&) = delete;
  GCharacterBuffer& operator=(const GCharacterBuffer&) = delete;
  ~GCharacterBuffer();

  bool IsEmpty() const { return data_ == nullptr; }
  bool IsOwned() const { return owned_; }
  std::uint32_t Count() const { return count_; }
  std::uint32_t Width() const { return width_; }
  const void* Data() const { return data_; }
  // The element at `index` (16-bit elements as stored; callers cast to signed); 0 outside.
  std::uint16_t At(std::uint32_t index) const {
    if (index >= count_) {
      return 0;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data_);
    if (width_ == 1) {
      return bytes[index];
    }
    std::uint16_t value = 0;
    std::memcpy(&value, bytes + static_cast<std::size_t>(index) * 2, 2);
    return value;
  }
  // The first `count` elements as 16-bit values into `out` (bytes widened), 0 past the end.
  void CopyTo(std::uint16_t* out, std::uint32_t count) const;
  // Stores into an owned buffer; false (nothing stored) for a borrowed one or an index outside.
  bool Set(std::uint32_t index, std::uint16_t value);
  // Copies borrowed elements into an allocation of its own. False when memory is short (the
  // buffer then stays borrowed). An owned or empty buffer is left as it is.
  bool MakeOwned();
  // The same elements, in the same width.
  bool SameElements(const GCharacterBuffer& other) const;

 private:
  GCharacterBuffer(const void* data, std::uint32_t count, std::uint32_t width, bool owned);
  void Free();

  const void* data_ = nullptr;
  std::uint32_t count_ = 0;
  std::uint32_t width_ = 0;
  bool owned_ = false;
};

namespace vel {

// The first `count` elements of a buffer on both carriers, in `width` (1: bytes, 2: 16-bit
// values); elements past the buffer's end are written as 0.
void WriteElements(RWVirtualOutStream& stream, const GCharacterBuffer& codes, std::uint32_t count,
                   std::uint32_t width);
void WriteElements(RWBinaryFile& file, const GCharacterBuffer& codes, std::uint32_t count,
                   std::uint32_t width);
// Reads `count` elements into a new owned buffer; false (`codes` unchanged) when they could not be
// had.
[[nodiscard]] bool ReadElements(RWVirtualInStream& stream, GCharacterBuffer& codes,
                                std::uint32_t count, std::uint32_t width);
[[nodiscard]] bool ReadElements(RWBinaryFile& file, GCharacterBuffer& codes, std::uint32_t count,
                                std::uint32_t width);

}  // namespace vel
