// GCountedPtrArray: the growable array of counted references.
#include "framework/core/GCountedPtrArray.h"

#include <new>
#include <utility>

#include "framework/core/GBaseObject.h"
#include "rw/RWError.h"

namespace {

// The entries live in storage of their own: `capacity` empty references, made at once. Only the
// entries in use (the first `used`) can hold a target; the destructor of an empty reference does
// nothing, so FreeEntries runs the destructors of those alone (the last first, as delete[] would),
// and an array of many free entries costs no loop over them when it goes.
// The first `moved` entries are taken over from `from` as the storage is made (left empty there).
GCountedPtr* NewEntries(std::uint32_t capacity, GCountedPtr* from = nullptr,
                        std::uint32_t moved = 0) {
  void* storage = ::operator new(sizeof(GCountedPtr) * capacity, std::nothrow);
  if (storage == nullptr) {
    return nullptr;
  }
  auto* entries = static_cast<GCountedPtr*>(storage);
  for (std::uint32_t i = 0; i < moved; ++i) {
    new (entries + i) GCountedPtr(std::move(from[i]));
  }
  for (std::uint32_t i = moved; i < capacity; ++i) {
    new (entries + i) GCountedPtr();
  }
  return entries;
}

void FreeEntries(GCountedPtr* entries, std::uint32_t used) {
  if (entries == nullptr) {
    return;
  }
  for (std::uint32_t i = used; i > 0; --i) {
    entries[i - 1].~GCountedPtr();
  }
  ::operator delete(entries);
}

}  // namespace

GCountedPtrArray::GCountedPtrArray(std::uint32_t capacity) : capacity_(capacity) {}

GCountedPtrArray::GCountedPtrArray(const GCountedPtrArray& other) : capacity_(other.capacity_) {
  if (other.count_ == 0) {
    return;
  }
  entries_ = NewEntries(capacity_);
  if (entries_ == nullptr) {
    capacity_ = 0;
    return;
  }
  for (std::uint32_t i = 0; i < other.count_; ++i) {
    entries_[i] = other.entries_[i];
  }
  count_ = other.count_;
}

GCountedPtrArray& GCountedPtrArray::operator=(const GCountedPtrArray& other) {
  if (this == &other) {
    return *this;
  }
  GCountedPtrArray copy(other);
  if (copy.capacity_ < other.count_) {
    return *this;  // no memory for the copy: unchanged
  }
  std::swap(capacity_, copy.capacity_);
  std::swap(entries_, copy.entries_);
  std::swap(count_, copy.count_);
  return *this;  // the old entries go with `copy`
}

GCountedPtrArray::~GCountedPtrArray() {
  FreeEntries(entries_, count_);
}

std::uint32_t GCountedPtrArray::IndexOf(const GBaseObject* target) const {
  for (std::uint32_t i = 0; i < count_; ++i) {
    if (entries_[i].Get() == target) {
      return i;
    }
  }
  return kNotFound;
}

bool GCountedPtrArray::Grow() {
  if (count_ == capacity_ && (count_ > 0xFFFFFFFFu - kGrowth || !Resize(count_ + kGrowth))) {
    return false;
  }
  // An array without entries in use (one without room too) is only given its new capacity by
  // Resize: the storage is made here.
  if (entries_ == nullptr) {
    entries_ = NewEntries(capacity_);
  }
  return entries_ != nullptr;
}

// The copy is taken before the array grows: `reference` may be one of the entries.
bool GCountedPtrArray::Insert(const GCountedPtr& reference) {
  GCountedPtr copy(reference);
  return Insert(std::move(copy));
}

bool GCountedPtrArray::Insert(GCountedPtr&& reference) {
  if (!Grow()) {
    return false;
  }
  entries_[count_++] = std::move(reference);
  return true;
}

std::uint32_t GCountedPtrArray::CountOf(const GBaseObject* target) const {
  std::uint32_t n = 0;
  for (std::uint32_t i = 0; i < count_; ++i) {
    n += entries_[i].Get() == target ? 1 : 0;
  }
  return n;
}

bool GCountedPtrArray::Remove(const GBaseObject* target) {
  const std::uint32_t index = IndexOf(target);
  if (index == kNotFound) {
    return false;
  }
  GCountedPtr removed = RemoveAt(index);
  return true;
}

std::uint32_t GCountedPtrArray::RemoveAll(const GBaseObject* target) {
  // Every removed entry holds the same target: one reference is kept until the array is
  // consistent again (dropping it may delete an object whose destructor looks here), the others
  // are let go at once.
  GCountedPtr held;
  std::uint32_t kept = 0;
  std::uint32_t taken = 0;
  for (std::uint32_t i = 0; i < count_; ++i) {
    if (entries_[i].Get() == target) {
      ++taken;
      if (!held) {
        held = std::move(entries_[i]);
      } else {
        (void)entries_[i].Release();
      }
      continue;
    }
    if (kept != i) {
      entries_[kept] = std::move(entries_[i]);
    }
    ++kept;
  }
  count_ = kept;
  return taken;
}

bool GCountedPtrArray::CheckIndex(std::uint32_t index, std::uint32_t limit) const {
  if (index < limit) {
    return true;
  }
  RWRaiseIndex(index, count_);
  return false;
}

bool GCountedPtrArray::InsertAt(std::uint32_t index, const GCountedPtr& reference) {
  // Taken before the entries move: `reference` may be one of them.
  GCountedPtr copy(reference);
  return InsertAt(index, std::move(copy));
}

bool GCountedPtrArray::InsertAt(std::uint32_t index, GCountedPtr&& reference) {
  if (!CheckIndex(index, count_ + 1) || !Grow()) {
    return false;
  }
  for (std::uint32_t i = count_; i > index; --i) {
    entries_[i] = std::move(entries_[i - 1]);
  }
  entries_[index] = std::move(reference);
  ++count_;
  return true;
}

GCountedPtr GCountedPtrArray::RemoveAt(std::uint32_t index) {
  if (!CheckIndex(index, count_)) {
    return GCountedPtr();
  }
  GCountedPtr removed = std::move(entries_[index]);
  for (std::uint32_t i = index + 1; i < count_; ++i) {
    entries_[i - 1] = std::move(entries_[i]);
  }
  --count_;
  return removed;
}

const GCountedPtr& GCountedPtrArray::OffTheEntries(std::uint32_t index) const {
  static const GCountedPtr empty;
  (void)CheckIndex(index, count_);
  return empty;
}

void GCountedPtrArray::Set(std::uint32_t index, const GCountedPtr& reference) {
  if (CheckIndex(index, count_)) {
    entries_[index] = reference;
  }
}

void GCountedPtrArray::Set(std::uint32_t index, GCountedPtr&& reference) {
  if (CheckIndex(index, count_)) {
    entries_[index] = std::move(reference);
  }
}

bool GCountedPtrArray::Resize(std::uint32_t capacity) {
  if (capacity < count_) {
    capacity = count_;
  }
  if (capacity == capacity_) {
    return true;
  }
  if (count_ == 0) {
    // Nothing to move: the storage for the new capacity is made at the next insertion.
    FreeEntries(std::exchange(entries_, nullptr), 0);
    capacity_ = capacity;
    return true;
  }
  GCountedPtr* entries = NewEntries(capacity, entries_, count_);
  if (entries == nullptr) {
    return false;
  }
  // Every old entry is empty now.
  FreeEntries(entries_, 0);
  entries_ = entries;
  capacity_ = capacity;
  return true;
}

void GCountedPtrArray::Empty(std::uint32_t capacity) {
  // The references are dropped once the array is consistent: dropping one may delete an object
  // whose destructor looks at this array.
  GCountedPtr* old = std::exchange(entries_, nullptr);
  const std::uint32_t used = count_;
  capacity_ = capacity;
  count_ = 0;
  FreeEntries(old, used);
}
