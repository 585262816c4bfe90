// GMemoryBlock.
#include "framework/output/fonts/GMemoryBlock.h"

#include <cstring>
#include <new>

namespace vel {

std::uint8_t* CopyBytes(const std::uint8_t* data, std::uint32_t size) {
  if (size == 0 || data == nullptr) {
    return nullptr;
  }
  auto* copy = new (std::nothrow) std::uint8_t[size];
  if (copy != nullptr) {
    std::memcpy(copy, data, size);
  }
  return copy;
}

}  // namespace vel

GMemoryBlock::~GMemoryBlock() {
  if (owns_) {
    delete[] data_;
  }
}

std::uint8_t* GMemoryBlock::TakeData() {
  if (owns_) {
    owns_ = false;
    return data_;
  }
  return vel::CopyBytes(data_, size_);
}

GMemoryBlock* GMemoryBlock::Clone() const {
  std::uint8_t* copy = vel::CopyBytes(data_, size_);
  if (copy == nullptr && size_ != 0) {
    return nullptr;
  }
  auto* block = new (std::nothrow) GMemoryBlock(copy, copy == nullptr ? 0 : size_, true);
  if (block == nullptr) {
    delete[] copy;
  }
  return block;
}
