// GRectOrderedVector.
#include "framework/pipeline/GRectOrderedVector.h"

#include <algorithm>
#include <new>

#include "rw/RWError.h"

GRectOrderedVector::GRectOrderedVector(std::uint32_t capacity)
    : capacity_(std::max<std::uint32_t>(capacity, 1)),
      entries_(new (std::nothrow) GRect[capacity_]) {
  if (entries_ == nullptr) {
    capacity_ = 0;
  }
}

GRectOrderedVector::GRectOrderedVector(const GRectOrderedVector& other)
    : capacity_(other.capacity_), entries_(new (std::nothrow) GRect[other.capacity_]) {
  if (entries_ == nullptr) {
    capacity_ = 0;
    return;
  }
  std::copy(other.entries_.get(), other.entries_.get() + other.capacity_, entries_.get());
  count_ = other.count_;
}

GRectOrderedVector& GRectOrderedVector::operator=(const GRectOrderedVector& other) {
  if (this != &other) {
    GRectOrderedVector copy(other);
    *this = std::move(copy);
  }
  return *this;
}

std::uint32_t GRectOrderedVector::index(const GRect& rect) const {
  for (std::uint32_t i = 0; i < count_; ++i) {
    if (entries_[i] == rect) {
      return i;
    }
  }
  return kNotFound;
}

bool GRectOrderedVector::insert(const GRect& rect) {
  if (count_ == capacity_) {
    if (capacity_ > UINT32_MAX - kGrowth) {
      return false;
    }
    const std::uint32_t grown = capacity_ + kGrowth;
    std::unique_ptr<GRect[]> entries(new (std::nothrow) GRect[grown]);
    if (entries == nullptr) {
      return false;
    }
    std::copy(entries_.get(), entries_.get() + count_, entries.get());
    entries_ = std::move(entries);
    capacity_ = grown;
  }
  entries_[count_++] = rect;
  return true;
}

std::uint32_t GRectOrderedVector::occurrencesOf(const GRect& rect) const {
  return static_cast<std::uint32_t>(std::count(entries_.get(), entries_.get() + count_, rect));
}

bool GRectOrderedVector::remove(const GRect& rect) {
  const std::uint32_t found = index(rect);
  if (found == kNotFound) {
    return false;
  }
  std::copy(entries_.get() + found + 1, entries_.get() + count_, entries_.get() + found);
  entries_[--count_] = GRect{};
  return true;
}

std::uint32_t GRectOrderedVector::removeAll(const GRect& rect) {
  GRect* end = std::remove(entries_.get(), entries_.get() + count_, rect);
  const auto kept = static_cast<std::uint32_t>(end - entries_.get());
  const std::uint32_t removed = count_ - kept;
  std::fill(end, entries_.get() + count_, GRect{});
  count_ = kept;
  return removed;
}

const GRect* GRectOrderedVector::At(std::uint32_t i) const {
  if (i >= count_) {
    RWRaiseIndex(i, count_);
    return nullptr;
  }
  return entries_.get() + i;
}
