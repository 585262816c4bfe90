// GSparseBitSet.
#include "framework/output/fonts/GSparseBitSet.h"

#include <cstring>
#include <new>

namespace {

constexpr std::uint32_t kBlockSpan = 128;

constexpr std::uint32_t BaseOf(std::uint32_t number) {
  return number & ~(kBlockSpan - 1);
}

}  // namespace

GSparseBitSet::~GSparseBitSet() {
  RemoveAll();
}

void GSparseBitSet::RemoveAll() {
  while (head_ != nullptr) {
    Block* next = head_->next;
    delete head_;
    head_ = next;
  }
  delete[] index_;
  index_ = nullptr;
  count_ = 0;
  capacity_ = 0;
}

std::uint32_t GSparseBitSet::UpperBound(std::uint32_t base) const {
  std::uint32_t low = 0;
  std::uint32_t high = count_;
  while (low < high) {
    const std::uint32_t middle = low + (high - low) / 2;
    if (index_[middle].base <= base) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

GSparseBitSet::Block* GSparseBitSet::FindBlock(std::uint32_t number) const {
  const std::uint32_t base = BaseOf(number);
  const std::uint32_t position = UpperBound(base);
  if (position == 0 || index_[position - 1].base != base) {
    return nullptr;
  }
  return index_[position - 1].block;
}

bool GSparseBitSet::Add(std::uint32_t number) {
  const std::uint32_t offset = number % kBlockSpan;
  if (Block* block = FindBlock(number)) {
    block->bits[offset / 8] |= static_cast<std::uint8_t>(1U << (offset % 8));
    return true;
  }
  if (count_ == capacity_) {
    const std::uint32_t capacity = capacity_ == 0 ? 8 : capacity_ * 2;
    auto* index = new (std::nothrow) IndexEntry[capacity];
    if (index == nullptr) {
      return false;
    }
    if (count_ != 0) {
      std::memcpy(index, index_, count_ * sizeof(IndexEntry));
    }
    delete[] index_;
    index_ = index;
    capacity_ = capacity;
  }
  auto* block = new (std::nothrow) Block{};
  if (block == nullptr) {
    return false;
  }
  block->base = BaseOf(number);
  block->bits[offset / 8] = static_cast<std::uint8_t>(1U << (offset % 8));
  const std::uint32_t position = UpperBound(block->base);
  // Linked after the block before it in the order, or at the head.
  Block** link = position == 0 ? &head_ : &index_[position - 1].block->next;
  block->next = *link;
  *link = block;
  std::memmove(index_ + position + 1, index_ + position,
               (count_ - position) * sizeof(IndexEntry));
  index_[position] = {block->base, block};
  ++count_;
  return true;
}

void GSparseBitSet::Remove(std::uint32_t number) {
  if (Block* block = FindBlock(number)) {
    const std::uint32_t offset = number % kBlockSpan;
    block->bits[offset / 8] &= static_cast<std::uint8_t>(~(1U << (offset % 8)));
  }
}

bool GSparseBitSet::Contains(std::uint32_t number) const {
  const Block* block = FindBlock(number);
  if (block == nullptr) {
    return false;
  }
  const std::uint32_t offset = number % kBlockSpan;
  return (block->bits[offset / 8] & (1U << (offset % 8))) != 0;
}

std::uint32_t GSparseBitSet::ForEach(Callback callback, void* context) const {
  std::uint32_t result = 0;
  for (const Block* block = head_; block != nullptr; block = block->next) {
    for (std::uint32_t byte = 0; byte < 16; ++byte) {
      const std::uint8_t bits = block->bits[byte];
      if (bits == 0) {
        continue;
      }
      for (std::uint32_t bit = 0; bit < 8; ++bit) {
        if ((bits & (1U << bit)) != 0) {
          result = callback(block->base + byte * 8 + bit, context);
        }
      }
    }
  }
  return result;
}
