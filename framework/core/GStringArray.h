// GStringArray: a growable array of narrow strings (not persistent by itself). A new array has room
// for 64 strings and grows by 64 when an append finds it full. Strings are equal when they have the
// same length and the same bytes.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"

class GStringArray {
 public:
  static constexpr std::uint32_t kGrowth = 64;
  static constexpr std::uint32_t kNotFound = 0xFFFFFFFFu;

  GStringArray();
  // A copy of every string. A copy that cannot get its memory is empty.
  GStringArray(const GStringArray& other);
  GStringArray& operator=(const GStringArray& other);
  virtual ~GStringArray();

  // The index of the first equal string, or kNotFound.
  virtual std::uint32_t IndexOf(const RWCString& text) const;
  // Appends a copy; false when memory is short.
  virtual bool Insert(const RWCString& text);
  virtual std::uint32_t CountOf(const RWCString& text) const;
  // Removes the first equal string, closing the gap: 1 when one was removed, else 0.
  virtual int Remove(const RWCString& text);
  // Removes every equal string, keeping the order of the others; answers how many.
  virtual std::uint32_t RemoveAll(const RWCString& text);

  std::uint32_t Count() const { return count_; }
  std::uint32_t Capacity() const { return capacity_; }
  // The string at `index` (below the count).
  const RWCString& At(std::uint32_t index) const { return entries_[index]; }
  // Removes every string.
  void Empty();

  bool operator==(const GStringArray& other) const;

 private:
  std::uint32_t capacity_ = 0;
  RWCString* entries_ = nullptr;
  std::uint32_t count_ = 0;
};
