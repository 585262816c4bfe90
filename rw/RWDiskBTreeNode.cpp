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


void RWDiskBTreeNode::InsertAt(std::uint32_t index,
                               const char* key,
                               std::int32_t value,
                               std::int32_t right) {
  const std::uint32_t n = Count();
  const std::size_t k = key_length_;
  std::memmove(KeyForWrite(index + 1), Key(index), k * (n - index));
  std::memmove(ValueAt(index + 1), ValueAt(index), 4 * std::size_t{n - index});
  std::memmove(ChildAt(index + 2), ChildAt(index + 1), 4 * std::size_t{n - index});
  std::memcpy(KeyForWrite(index), key, k);
  SetValue(index, value);
  SetChild(index + 1, right);
  SetCount(n + 1);
}

void RWDiskBTreeNode::RemoveAt(std::uint32_t index) {
  const std::uint32_t n = Count();
  const std::size_t k = key_length_;
  const std::uint32_t after = n - index - 1;
  std::memmove(KeyForWrite(index), Key(index + 1), k * after);
  std::memmove(ValueAt(index), ValueAt(index + 1), 4 * std::size_t{after});
  std::memmove(ChildAt(index + 1), ChildAt(index + 2), 4 * std::size_t{after});
  SetCount(n - 1);
}

void RWDiskBTreeNode::InsertFront(const char* key, std::int32_t value, std::int32_t left) {
  const std::uint32_t n = Count();
  const std::size_t k = key_length_;
  std::memmove(KeyForWrite(1), Key(0), k * n);
  std::memmove(ValueAt(1), ValueAt(0), 4 * std::size_t{n});
  std::memmove(ChildAt(1), ChildAt(0), 4 * std::size_t{n + 1});
  std::memcpy(KeyForWrite(0), key, k);
  SetValue(0, value);
  SetChild(0, left);
  SetCount(n + 1);
}

void RWDiskBTreeNode::RemoveFront() {
  const std::uint32_t n = Count();
  const std::size_t k = key_length_;
  std::memmove(KeyForWrite(0), Key(1), k * (n - 1));
  std::memmove(ValueAt(0), ValueAt(1), 4 * std::size_t{n - 1});
  std::memmove(ChildAt(0), ChildAt(1), 4 * std::size_t{n});
  SetCount(n - 1);
}
