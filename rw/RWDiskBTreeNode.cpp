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

namespace {

// Copies items [from, to) of a sequence of fixed-width items to out: the stored items with a new
// one at position at (item p < at is stored p, item at is the new one, item p > at is stored
// p - 1).
void CopyMerged(unsigned char* out,
                std::size_t width,
                const unsigned char* stored,
                const unsigned char* fresh,
                std::uint32_t at,
                std::uint32_t from,
                std::uint32_t to) {
  if (from < at) {
    const std::uint32_t end = to < at ? to : at;
    std::memcpy(out, stored + from * width, (end - from) * width);
    out += (end - from) * width;
  }
  if (from <= at && at < to) {
    std::memcpy(out, fresh, width);
    out += width;
  }
  const std::uint32_t begin = from > at + 1 ? from : at + 1;
  if (to > begin) {
    std::memcpy(out, stored + (begin - 1) * width, (to - begin) * width);
  }
}

}  // namespace

void RWDiskBTreeNode::SplitInto(std::uint32_t index,
                                const char* key,
                                std::int32_t value,
                                std::int32_t right_child,
                                RWDiskBTreeNode& right,
                                char* median_key,
                                std::int32_t* median_value) {
  const std::uint32_t m = order_;
  const std::size_t k = key_length_;
  const auto* fresh_key = reinterpret_cast<const unsigned char*>(key);
  unsigned char fresh_value[4];
  unsigned char fresh_child[4];
  vel::disk::StoreI32(fresh_value, value);
  vel::disk::StoreI32(fresh_child, right_child);

  // The right node and the median first: they read stored items that the left part may move.
  right.MakeEmpty();
  CopyMerged(right.KeyAt(0), k, KeyAt(0), fresh_key, index, m + 1, 2 * m + 1);
  CopyMerged(right.ValueAt(0), 4, ValueAt(0), fresh_value, index, m + 1, 2 * m + 1);
  CopyMerged(right.ChildAt(0), 4, ChildAt(0), fresh_child, index + 1, m + 1, 2 * m + 2);
  right.SetCount(m);
  unsigned char median_value_bytes[4];
  CopyMerged(reinterpret_cast<unsigned char*>(median_key), k, KeyAt(0), fresh_key, index, m, m + 1);
  CopyMerged(median_value_bytes, 4, ValueAt(0), fresh_value, index, m, m + 1);
  *median_value = vel::disk::LoadI32(median_value_bytes);

  // The left part: keys 0..m-1 and children 0..m of the merged sequence. From index m on they are
  // the stored ones as they stand.
  if (index < m) {
    const std::uint32_t moved = m - 1 - index;
    std::memmove(KeyAt(index + 1), KeyAt(index), k * moved);
    std::memcpy(KeyAt(index), fresh_key, k);
    std::memmove(ValueAt(index + 1), ValueAt(index), 4 * std::size_t{moved});
    std::memcpy(ValueAt(index), fresh_value, 4);
    std::memmove(ChildAt(index + 2), ChildAt(index + 1), 4 * std::size_t{moved});
    std::memcpy(ChildAt(index + 1), fresh_child, 4);
  }
  SetCount(m);
}
