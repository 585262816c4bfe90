// A counted array of untyped pointers. The vector owns the array, never what the pointers point to.
//
// Arrays are allocated without throwing. When one cannot be had, a constructor or an assignment
// leaves the vector empty and Reshape / Resize report false and keep the vector as it was.
#pragma once

#include <cstddef>
#include <cstdint>

class RWPointerVector {
 public:
  RWPointerVector() = default;
  // `count` slots, each holding `fill`.
  explicit RWPointerVector(std::uint32_t count, void* fill = nullptr);
  RWPointerVector(const RWPointerVector& other);
  // Frees the old array and copies the other's count and pointers; assigning a vector to itself
  // does nothing.
  RWPointerVector& operator=(const RWPointerVector& other);
  ~RWPointerVector();

  // Sets every slot to `value`.
  void Fill(void* value);

  // A new array of `count` slots (none for 0) holding the first min(old, count) pointers; the
  // old array is freed. Slots beyond the old count start null rather than undefined, so Reshape
  // and Resize give the same result.
  [[nodiscard]] bool Reshape(std::uint32_t count);
  // Reshape, with the new slots null.
  [[nodiscard]] bool Resize(std::uint32_t count);

  std::uint32_t Entries() const { return count_; }
  // The array (null when the count is 0).
  void* const* Data() const { return array_; }
  void** Data() { return array_; }
  // Checked access: an index at or beyond the count raises the index error ([NPOSINDEX] for
  // RW_NPOS, else [INDEXERR]); after it (when the hook returns) the result is null, respectively a
  // scratch slot of the calling thread holding null.
  void* At(std::size_t index) const;
  void*& At(std::size_t index);
  // Unchecked access, for owners that have checked the index.
  void* operator[](std::size_t index) const { return array_[index]; }
  void*& operator[](std::size_t index) { return array_[index]; }

  // Exchanges the arrays and counts of two vectors.
  void Swap(RWPointerVector& other) noexcept;

 private:
  // Replaces the array by a copy of `count` pointers from `source`; empty on failure.
  void CopyFrom(void* const* source, std::uint32_t count);

  std::uint32_t count_ = 0;
  void** array_ = nullptr;
};
