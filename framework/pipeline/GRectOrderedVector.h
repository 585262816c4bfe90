// GRectOrderedVector: an ordered vector of rectangles, the list a clip to rectangles holds. It
// grows by 64 entries whenever it is full; entries are compared in all four coordinates.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/pipeline/GRect.h"

class GRectOrderedVector {
 public:
  // What index answers when no entry is equal.
  static constexpr std::uint32_t kNotFound = 0xFFFFFFFFu;
  static constexpr std::uint32_t kGrowth = 64;

  // `capacity` all-zero entries (at least 1), none in use.
  explicit GRectOrderedVector(std::uint32_t capacity = 1);
  // The same capacity, entries and count.
  GRectOrderedVector(const GRectOrderedVector& other);
  GRectOrderedVector& operator=(const GRectOrderedVector& other);
  GRectOrderedVector(GRectOrderedVector&& other) noexcept = default;
  GRectOrderedVector& operator=(GRectOrderedVector&& other) noexcept = default;
  virtual ~GRectOrderedVector() = default;

  // The first equal entry, or kNotFound.
  virtual std::uint32_t index(const GRect& rect) const;
  // Appends, growing by 64 entries when full; false (unchanged) when memory is short.
  virtual bool insert(const GRect& rect);
  virtual std::uint32_t occurrencesOf(const GRect& rect) const;
  // Removes the first equal entry (the rest move down, the freed slot is cleared); false when
  // none is equal.
  virtual bool remove(const GRect& rect);
  // Removes every equal entry, keeping the order of the others; answers how many went.
  virtual std::uint32_t removeAll(const GRect& rect);

  std::uint32_t Count() const { return count_; }
  std::uint32_t Capacity() const { return capacity_; }
  // Entry `i`; at or past the count the library's index error is raised and the answer is null.
  const GRect* At(std::uint32_t i) const;

 private:
  std::uint32_t capacity_ = 0;
  std::unique_ptr<GRect[]> entries_;
  std::uint32_t count_ = 0;
};
