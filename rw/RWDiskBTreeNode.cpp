// Field access and moves within one on-disk B-tree node block.
#include "rw/RWDiskBTreeNode.h"

#include <cstring>

#include "rw/RWDiskBytes.h"

RWDiskBTreeNode::RWDiskBTreeNode(std::uint32_t order, std::uint32_t key_length)
    : order_(order),
      key_length_(key_length),
      block_(static_cast<std::size_t>(SizeFor(order, key_length)), 0) {}

void RWDiskBTreeNode::MakeEmpty() {
  std::memset(block_.data(), 0, block_.size());
  for (std::uint32_t i = 0; i <= 2 * order_; ++i) {
    SetChild(i, -1);
  }
}

unsigned char* RWDiskBTreeNode::ChildAt(std::uint32_t index) {
  return block_.data() + 4 + 4 * std::size_t{index};
}
const unsigned char* RWDiskBTreeNode::ChildAt(std::uint32_t index) const {
  return block_.data() + 4 + 4 * std::size_t{index};
}
unsigned char* RWDiskBTreeNode::ValueAt(std::uint32_t index) {
  return block_.data() + 8 + 8 * std::size_t{order_} + 4 * std::size_t{index};
}
const unsigned char* RWDiskBTreeNode::ValueAt(std::uint32_t index) const {
  return block_.data() + 8 + 8 * std::size_t{order_} + 4 * std::size_t{index};
}

char* RWDiskBTreeNode::Key(std::uint32_t index) {
  return reinterpret_cast<char*>(block_.data() + 8 + 16 * std::size_t{order_} +
                                 std::size_t{key_length_} * index);
}
const char* RWDiskBTreeNode::Key(std::uint32_t index) const {
  return reinterpret_cast<const char*>(block_.data() + 8 + 16 * std::size_t{order_} +
                                       std::size_t{key_length_} * index);
}

std::uint32_t RWDiskBTreeNode::Count() const {
  return vel::disk::LoadU32(block_.data());
}
void RWDiskBTreeNode::SetCount(std::uint32_t count) {
  vel::disk::StoreU32(block_.data(), count);
}
std::int32_t RWDiskBTreeNode::Child(std::uint32_t index) const {
  return vel::disk::LoadI32(ChildAt(index));
}
void RWDiskBTreeNode::SetChild(std::uint32_t index, std::int32_t offset) {
  vel::disk::StoreI32(ChildAt(index), offset);
}
std::int32_t RWDiskBTreeNode::Value(std::uint32_t index) const {
  return vel::disk::LoadI32(ValueAt(index));
}
void RWDiskBTreeNode::SetValue(std::uint32_t index, std::int32_t value) {
  vel::disk::StoreI32(ValueAt(index), value);
}

void RWDiskBTreeNode::InsertAt(std::uint32_t index,
                               const char* key,
                               std::int32_t value,
                               std::int32_t right) {
  const std::uint32_t n = Count();
  const std::size_t k = key_length_;
  std::memmove(Key(index + 1), Key(index), k * (n - index));
  std::memmove(ValueAt(index + 1), ValueAt(index), 4 * std::size_t{n - index});
  std::memmove(ChildAt(index + 2), ChildAt(index + 1), 4 * std::size_t{n - index});
  std::memcpy(Key(index), key, k);
  SetValue(index, value);
  SetChild(index + 1, right);
  SetCount(n + 1);
}

void RWDiskBTreeNode::RemoveAt(std::uint32_t index) {
  const std::uint32_t n = Count();
  const std::size_t k = key_length_;
  const std::uint32_t after = n - index - 1;
  std::memmove(Key(index), Key(index + 1), k * after);
  std::memmove(ValueAt(index), ValueAt(index + 1), 4 * std::size_t{after});
  std::memmove(ChildAt(index + 1), ChildAt(index + 2), 4 * std::size_t{after});
  SetCount(n - 1);
}

void RWDiskBTreeNode::InsertFront(const char* key, std::int32_t value, std::int32_t left) {
  const std::uint32_t n = Count();
  const std::size_t k = key_length_;
  std::memmove(Key(1), Key(0), k * n);
  std::memmove(ValueAt(1), ValueAt(0), 4 * std::size_t{n});
  std::memmove(ChildAt(1), ChildAt(0), 4 * std::size_t{n + 1});
  std::memcpy(Key(0), key, k);
  SetValue(0, value);
  SetChild(0, left);
  SetCount(n + 1);
}

void RWDiskBTreeNode::RemoveFront() {
  const std::uint32_t n = Count();
  const std::size_t k = key_length_;
  std::memmove(Key(0), Key(1), k * (n - 1));
  std::memmove(ValueAt(0), ValueAt(1), 4 * std::size_t{n - 1});
  std::memmove(ChildAt(0), ChildAt(1), 4 * std::size_t{n});
  SetCount(n - 1);
}
