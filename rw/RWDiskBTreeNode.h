// One node of an on-disk B-tree as a block of bytes, with the field access and the moves of keys,
// values and children that insertion, removal, rotation and merging need.
//
// Node block, for order m and key length k (8 + 16m + 2m x k bytes, least significant byte
// first):
//
//   OFFSET     SIZE            DESCRIPTION
//   0          4               number of keys n in the node (0..2m)
//   4          (2m + 1) x 4    child node offsets; -1 = none; a first child of -1 marks a leaf
//   8 + 8m     2m x 4          values
//   8 + 16m    2m x k          keys, ascending
//
// Slots at and beyond n (n + 1 for children) are not interpreted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class RWDiskBTreeNode {
 public:
  RWDiskBTreeNode() = default;
  RWDiskBTreeNode(std::uint32_t order, std::uint32_t key_length);

  // Block size for a geometry, computed without overflow.
  static std::uint64_t SizeFor(std::uint64_t order, std::uint64_t key_length) {
    return 8 + 16 * order + 2 * order * key_length;
  }

  unsigned char* Data() { return block_.data(); }
  const unsigned char* Data() const { return block_.data(); }
  std::size_t Size() const { return block_.size(); }

  // A fresh node: no keys, every child -1, everything else zero.
  void MakeEmpty();

  std::uint32_t Count() const;
  void SetCount(std::uint32_t count);
  std::int32_t Child(std::uint32_t index) const;
  void SetChild(std::uint32_t index, std::int32_t offset);
  std::int32_t Value(std::uint32_t index) const;
  void SetValue(std::uint32_t index, std::int32_t value);
  char* Key(std::uint32_t index);
  const char* Key(std::uint32_t index) const;
  bool IsLeaf() const { return Child(0) == -1; }

  // Puts key, value at index (later ones move up) and right as child index + 1.
  void InsertAt(std::uint32_t index, const char* key, std::int32_t value, std::int32_t right);
  // Takes key and value index and child index + 1 out (later ones move down).
  void RemoveAt(std::uint32_t index);
  // Puts key, value at the front with left as the new first child.
  void InsertFront(const char* key, std::int32_t value, std::int32_t left);
  // Takes the first key and value and the first child out.
  void RemoveFront();

 private:
  unsigned char* ChildAt(std::uint32_t index);
  unsigned char* ValueAt(std::uint32_t index);
  const unsigned char* ChildAt(std::uint32_t index) const;
  const unsigned char* ValueAt(std::uint32_t index) const;

  std::uint32_t order_ = 0;
  std::uint32_t key_length_ = 0;
  std::vector<unsigned char> block_;
};
