// GStringArray: a growable array of narrow strings.
#include "framework/core/GStringArray.h"

#include <new>
#include <utility>

namespace {

bool SameBytes(const RWCString& a, const RWCString& b) {
  return a.Length() == b.Length() && a == b;
}

}  // namespace

GStringArray::GStringArray() {
  entries_ = new (std::nothrow) RWCString[kGrowth];
  if (entries_ != nullptr) {
    capacity_ = kGrowth;
  }
}

GStringArray::GStringArray(const GStringArray& other) {
  if (other.capacity_ == 0) {
    return;
  }
  entries_ = new (std::nothrow) RWCString[other.capacity_];
  if (entries_ == nullptr) {
    return;
  }
  capacity_ = other.capacity_;
  for (std::uint32_t i = 0; i < other.count_; ++i) {
    entries_[i] = other.entries_[i];
  }
  count_ = other.count_;
}

GStringArray& GStringArray::operator=(const GStringArray& other) {
  if (this != &other) {
    GStringArray copy(other);
    std::swap(capacity_, copy.capacity_);
    std::swap(entries_, copy.entries_);
    std::swap(count_, copy.count_);
  }
  return *this;
}

GStringArray::~GStringArray() {
  delete[] entries_;
}

std::uint32_t GStringArray::IndexOf(const RWCString& text) const {
  for (std::uint32_t i = 0; i < count_; ++i) {
    if (SameBytes(entries_[i], text)) {
      return i;
    }
  }
  return kNotFound;
}

bool GStringArray::Insert(const RWCString& text) {
  if (count_ == capacity_) {
    if (capacity_ > 0xFFFFFFFFu - kGrowth) {
      return false;
    }
    auto* entries = new (std::nothrow) RWCString[capacity_ + kGrowth];
    if (entries == nullptr) {
      return false;
    }
    for (std::uint32_t i = 0; i < count_; ++i) {
      entries[i] = std::move(entries_[i]);
    }
    delete[] entries_;
    entries_ = entries;
    capacity_ += kGrowth;
  }
  entries_[count_++] = text;
  return true;
}

std::uint32_t GStringArray::CountOf(const RWCString& text) const {
  std::uint32_t n = 0;
  for (std::uint32_t i = 0; i < count_; ++i) {
    n += SameBytes(entries_[i], text) ? 1 : 0;
  }
  return n;
}

int GStringArray::Remove(const RWCString& text) {
  const std::uint32_t index = IndexOf(text);
  if (index == kNotFound) {
    return 0;
  }
  for (std::uint32_t i = index + 1; i < count_; ++i) {
    entries_[i - 1] = std::move(entries_[i]);
  }
  entries_[--count_] = RWCString();
  return 1;
}

std::uint32_t GStringArray::RemoveAll(const RWCString& text) {
  std::uint32_t kept = 0;
  for (std::uint32_t i = 0; i < count_; ++i) {
    if (SameBytes(entries_[i], text)) {
      continue;
    }
    if (kept != i) {
      entries_[kept] = std::move(entries_[i]);
    }
    ++kept;
  }
  const std::uint32_t removed = count_ - kept;
  for (std::uint32_t i = kept; i < count_; ++i) {
    entries_[i] = RWCString();
  }
  count_ = kept;
  return removed;
}

void GStringArray::Empty() {
  for (std::uint32_t i = 0; i < count_; ++i) {
    entries_[i] = RWCString();
  }
  count_ = 0;
}

bool GStringArray::operator==(const GStringArray& other) const {
  if (count_ != other.count_) {
    return false;
  }
  for (std::uint32_t i = 0; i < count_; ++i) {
    if (!SameBytes(entries_[i], other.entries_[i])) {
      return false;
    }
  }
  return true;
}
