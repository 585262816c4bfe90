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

#include "rw/RWDiskBytes.h"

class RWDiskBTreeNode {
 public:
  RWDiskBTreeNode() = default;
  RWDiskBTreeNode(std::uint32_t order, std::uint32_t key_length);

  // Block size for a geometry, computed without overflow.
  static std::uint64_t SizeFor(std::uint64_t order, std::uint64_t key_length) {
    return 8 + 16 * order + 2 * order * key_length;
  }

  // Changes through Data() or a setter make the node forget the block it was loaded from.
  unsigned char* Data() {
    loaded_ = -1;
    return block_.data();
  }
  const unsigned char* Data() const { return block_.data(); }
  std::size_t Size() const { return block_.size(); }

  // A fresh node: no keys, every child -1, everything else zero.
  void MakeEmpty();

  std::uint32_t Count() const { return vel::disk::LoadU32(block_.data()); }
  void SetCount(std::uint32_t count) {
    loaded_ = -1;
    vel::disk::StoreU32(block_.data(), count);
  }
  std::int32_t Child(std::uint32_t index) const { return vel::disk::LoadI32(ChildAt(index)); }
  void SetChild(std::uint32_t index, std::int32_t offset) {
    loaded_ = -1;
    vel::disk::StoreI32(ChildAt(index), offset);
  }
  std::int32_t Value(std::uint32_t index) const { return vel::disk::LoadI32(ValueAt(index)); }
  void SetValue(std::uint32_t index, std::int32_t value) {
    loaded_ = -1;
    vel::disk::StoreI32(ValueAt(index), value);
  }
  // For changing the key in place.
  char* KeyForWrite(std::uint32_t index) {
    loaded_ = -1;
    return reinterpret_cast<char*>(KeyAt(index));
  }
  const char* Key(std::uint32_t index) const {
    return reinterpret_cast<const char*>(KeyAt(index));
  }
  bool IsLeaf() const { return Child(0) == -1; }

  // The file offset whose block the node holds unchanged (as read or as written last), or -1.
  // The tree uses it to skip reading a block it holds already.
  std::int32_t LoadedFrom() const { return loaded_; }
  void MarkLoaded(std::int32_t offset) const { loaded_ = offset; }

  // Puts key, value at index (later ones move up) and right as child index + 1.
  void InsertAt(std::uint32_t index, const char* key, std::int32_t value, std::int32_t right);
  // Takes key and value index and child index + 1 out (later ones move down).
  void RemoveAt(std::uint32_t index);
  // Puts key, value at the front with left as the new first child.
  void InsertFront(const char* key, std::int32_t value, std::int32_t left);
  // Takes the first key and value and the first child out.
  void RemoveFront();
  // Splits a full node (2m keys) that must take key and value at index with right as child
  // index + 1. Of the 2m + 1 keys in order, with their 2m + 2 children, the first m stay here, the
  // next one goes to median_key (k bytes) and median_value, the last m go to `right`, which is
  // made empty first. Slots of this node beyond its m keys keep what they held.
  void SplitInto(std::uint32_t index,
                 const char* key,
                 std::int32_t value,
                 std::int32_t right_child,
                 RWDiskBTreeNode& right,
                 char* median_key,
                 std::int32_t* median_value);

 private:
  unsigned char* ChildAt(std::uint32_t index) { return block_.data() + 4 + 4 * std::size_t{index}; }
  const unsigned char* ChildAt(std::uint32_t index) const {
    return block_.data() + 4 + 4 * std::size_t{index};
  }
  unsigned char* ValueAt(std::uint32_t index) {
    return block_.data() + 8 + 8 * std::size_t{order_} + 4 * std::size_t{index};
  }
  const unsigned char* ValueAt(std::uint32_t index) const {
    return block_.data() + 8 + 8 * std::size_t{order_} + 4 * std::size_t{index};
  }
  unsigned char* KeyAt(std::uint32_t index) {
    return block_.data() + 8 + 16 * std::size_t{order_} + std::size_t{key_length_} * index;
  }
  const unsigned char* KeyAt(std::uint32_t index) const {
    return block_.data() + 8 + 16 * std::size_t{order_} + std::size_t{key_length_} * index;
  }

  std::uint32_t order_ = 0;
  std::uint32_t key_length_ = 0;
  std::vector<unsigned char> block_;
  mutable std::int32_t loaded_ = -1;
};
