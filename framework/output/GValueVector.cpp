// The 32-bit value vector.
#include "framework/output/GValueVector.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "rw/RWError.h"

GValueVector::GValueVector() {
  (void)Reserve(kStep);
}

GValueVector::GValueVector(const GValueVector& other) {
  if (Reserve(std::max(other.capacity_, kStep)) && other.count_ != 0) {
    std::memcpy(values_, other.values_, sizeof(std::int32_t) * other.count_);
    count_ = other.count_;
  }
}

GValueVector& GValueVector::operator=(const GValueVector& other) {
  if (this != &other) {
    GValueVector copy(other);
    std::swap(values_, copy.values_);
    std::swap(count_, copy.count_);
    std::swap(capacity_, copy.capacity_);
  }
  return *this;
}

GValueVector::~GValueVector() {
  delete[] values_;
}

bool GValueVector::Reserve(std::uint32_t capacity) {
  if (capacity <= capacity_) {
    return true;
  }
  auto* values = new (std::nothrow) std::int32_t[capacity];
  if (values == nullptr) {
    return false;
  }
  if (count_ != 0) {
    std::memcpy(values, values_, sizeof(std::int32_t) * count_);
  }
  delete[] values_;
  values_ = values;
  capacity_ = capacity;
  return true;
}

void GValueVector::Clear() {
  delete[] values_;
  values_ = nullptr;
  count_ = 0;
  capacity_ = 0;
  (void)Reserve(kStep);
}

std::int32_t GValueVector::IndexOf(std::int32_t value) const {
  for (std::uint32_t i = 0; i < count_; ++i) {
    if (values_[i] == value) {
      return static_cast<std::int32_t>(i);
    }
  }
  return -1;
}

bool GValueVector::Append(std::int32_t value) {
  return InsertAt(count_, value);
}

bool GValueVector::InsertAt(std::uint32_t index, std::int32_t value) {
  if (index > count_) {
    RWRaiseIndex(index, count_);
    return false;
  }
  if (count_ == capacity_) {
    const std::uint32_t step = std::max(kStep, capacity_ / 2);
    if (capacity_ > UINT32_MAX - step || !Reserve(capacity_ + step)) {
      return false;
    }
  }
  std::memmove(values_ + index + 1, values_ + index, sizeof(std::int32_t) * (count_ - index));
  values_[index] = value;
  ++count_;
  return true;
}

void GValueVector::RemoveAt(std::uint32_t index) {
  if (index >= count_) {
    RWRaiseIndex(index, count_);
    return;
  }
  std::memmove(values_ + index, values_ + index + 1, sizeof(std::int32_t) * (count_ - index - 1));
  --count_;
}

std::uint32_t GValueVector::Occurrences(std::int32_t value) const {
  return static_cast<std::uint32_t>(std::count(values_, values_ + count_, value));
}

std::int32_t GValueVector::Remove(std::int32_t value) {
  const std::int32_t index = IndexOf(value);
  if (index < 0) {
    return 0;
  }
  RemoveAt(static_cast<std::uint32_t>(index));
  return 1;
}

std::uint32_t GValueVector::RemoveAll(std::int32_t value) {
  std::int32_t* end = std::remove(values_, values_ + count_, value);
  const auto removed = static_cast<std::uint32_t>(values_ + count_ - end);
  count_ -= removed;
  return removed;
}

bool GValueVector::operator==(const GValueVector& other) const {
  return count_ == other.count_ &&
         (count_ == 0 || std::memcmp(values_, other.values_, sizeof(std::int32_t) * count_) == 0);
}
