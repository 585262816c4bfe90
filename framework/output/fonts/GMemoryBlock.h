// GMemoryBlock: a run of bytes handed between the TrueType reader, its caches and the back ends,
// with a flag that says whether the block frees the bytes.
#pragma once

#include <cstdint>

class GMemoryBlock {
 public:
  // Takes `data` (allocated with new[]) when `owns`; otherwise only refers to it.
  GMemoryBlock(std::uint8_t* data, std::uint32_t size, bool owns)
      : data_(data), size_(size), owns_(owns) {}
  GMemoryBlock(const GMemoryBlock&) = delete;
  GMemoryBlock& operator=(const GMemoryBlock&) = delete;
  ~GMemoryBlock();

  // The bytes for a new owner: an owned block hands its own bytes over (and stops owning them);
  // a block that only refers to its bytes answers a new copy. Null for size 0 or when memory is
  // short.
  std::uint8_t* TakeData();
  // A new owning block with a copy of the bytes and the same size (null when memory is short).
  // The copy leaves this block as it was, so both can be freed in either order.
  GMemoryBlock* Clone() const;

  std::uint8_t* GetData() const { return data_; }
  std::uint32_t GetSize() const { return size_; }
  bool OwnsData() const { return owns_; }

 private:
  std::uint8_t* data_;
  std::uint32_t size_;
  bool owns_;
};

namespace vel {
// A new[] copy of `size` bytes (null for size 0 or when memory is short).
std::uint8_t* CopyBytes(const std::uint8_t* data, std::uint32_t size);
}  // namespace vel
