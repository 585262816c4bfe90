// GSparseBitSet: a set of 32-bit numbers (character codes, glyph ids) kept as bit blocks of 128
// numbers each, so that a font's used glyphs cost 16 bytes per occupied block of numbers.
//
// Blocks form a singly linked list in ascending order of base (a multiple of 128); bit
// (n - base) % 8 of byte (n - base) / 8 stands for n. Blocks are allocated one at a time, never
// merged, and stay when their last bit is cleared. An index of the blocks, ordered by base, finds
// the block of a number by binary search.
#pragma once

#include <cstdint>

class GSparseBitSet {
 public:
  // What ForEach calls for each number.
  using Callback = std::uint32_t (*)(std::uint32_t number, void* context);

  GSparseBitSet() = default;
  GSparseBitSet(const GSparseBitSet&) = delete;
  GSparseBitSet& operator=(const GSparseBitSet&) = delete;
  ~GSparseBitSet();

  // Frees every block: the set is empty.
  void RemoveAll();
  // Sets n's bit, making the block that covers n when there is none. False (nothing changed) when
  // memory is short.
  bool Add(std::uint32_t number);
  // Clears n's bit; the block stays.
  void Remove(std::uint32_t number);
  bool Contains(std::uint32_t number) const;
  // Calls `callback(n, context)` for every number in the set, ascending; answers the result of the
  // last call, 0 when there was none.
  std::uint32_t ForEach(Callback callback, void* context) const;
  bool IsEmpty() const { return head_ == nullptr; }
  // The blocks the set holds.
  std::uint32_t BlockCount() const { return count_; }

 private:
  struct Block {
    Block* next;
    std::uint32_t base;
    std::uint8_t bits[16];
  };
  struct IndexEntry {
    std::uint32_t base;
    Block* block;
  };

  // The position of the first index entry whose base is above `base`.
  std::uint32_t UpperBound(std::uint32_t base) const;
  Block* FindBlock(std::uint32_t number) const;

  Block* head_ = nullptr;
  IndexEntry* index_ = nullptr;
  std::uint32_t count_ = 0;
  std::uint32_t capacity_ = 0;
};
