// Counted array of untyped pointers.
#include "rw/RWPointerVector.h"

#include <algorithm>
#include <new>
#include <utility>

#include "rw/RWError.h"

RWPointerVector::RWPointerVector(std::uint32_t count, void* fill) {
  if (count == 0) {
    return;
  }
  array_ = new (std::nothrow) void*[count];
  if (array_ == nullptr) {
    return;
  }
  count_ = count;
  Fill(fill);
}

RWPointerVector::RWPointerVector(const RWPointerVector& other) {
  CopyFrom(other.array_, other.count_);
}

RWPointerVector& RWPointerVector::operator=(const RWPointerVector& other) {
  if (this != &other) {
    CopyFrom(other.array_, other.count_);
  }
  return *this;
}

RWPointerVector::~RWPointerVector() {
  delete[] array_;
}

void RWPointerVector::CopyFrom(void* const* source, std::uint32_t count) {
  delete[] array_;
  array_ = nullptr;
  count_ = 0;
  if (count == 0) {
    return;
  }
  array_ = new (std::nothrow) void*[count];
  if (array_ == nullptr) {
    return;
  }
  std::copy(source, source + count, array_);
  count_ = count;
}

void RWPointerVector::Fill(void* value) {
  std::fill(array_, array_ + count_, value);
}

bool RWPointerVector::Reshape(std::uint32_t count) {
  if (count == count_) {
    return true;
  }
  void** array = nullptr;
  if (count != 0) {
    array = new (std::nothrow) void*[count]();
    if (array == nullptr) {
      return false;
    }
    std::copy(array_, array_ + std::min(count, count_), array);
  }
  delete[] array_;
  array_ = array;
  count_ = count;
  return true;
}

bool RWPointerVector::Resize(std::uint32_t count) {
  return Reshape(count);
}

void* RWPointerVector::At(std::size_t index) const {
  if (index >= count_) {
    RWRaiseIndex(index, count_);
    return nullptr;
  }
  return array_[index];
}

void*& RWPointerVector::At(std::size_t index) {
  if (index >= count_) {
    RWRaiseIndex(index, count_);
    thread_local void* scratch;
    scratch = nullptr;
    return scratch;
  }
  return array_[index];
}

void RWPointerVector::Swap(RWPointerVector& other) noexcept {
  std::swap(count_, other.count_);
  std::swap(array_, other.array_);
}
