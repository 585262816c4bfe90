// GValueVector: a growable array of 32-bit values, searched and edited by value. A new or cleared
// vector has room for 64 values and grows by 64 when full (by half its size once that is more, so
// that long vectors fill in linear time). Allocation failures leave the vector as it was.
#pragma once

#include <cstdint>

class GValueVector {
 public:
  static constexpr std::uint32_t kStep = 64;

  GValueVector();
  GValueVector(const GValueVector& other);
  GValueVector& operator=(const GValueVector& other);
  virtual ~GValueVector();

  // The index of the first value equal to `value`, or -1.
  virtual std::int32_t IndexOf(std::int32_t value) const;
  // False when memory is short.
  virtual bool Append(std::int32_t value);
  virtual std::uint32_t Occurrences(std::int32_t value) const;
  // 1 when the first equal value was removed, 0 when there was none.
  virtual std::int32_t Remove(std::int32_t value);
  // How many equal values were removed.
  virtual std::uint32_t RemoveAll(std::int32_t value);
  // Inserts before `index` (at most the count); an index past the count reports the foundation
  // library's index error and changes nothing.
  bool InsertAt(std::uint32_t index, std::int32_t value);
  // Removes the value at `index`; an index outside reports the index error.
  void RemoveAt(std::uint32_t index);

  std::uint32_t Count() const { return count_; }
  std::uint32_t Capacity() const { return capacity_; }
  // The value at `index`, or 0 outside.
  std::int32_t At(std::uint32_t index) const { return index < count_ ? values_[index] : 0; }
  // Empty, with room for 64 values.
  void Clear();
  // Room for at least `capacity` values; false when memory is short.
  bool Reserve(std::uint32_t capacity);
  bool operator==(const GValueVector& other) const;

 private:
  std::int32_t* values_ = nullptr;
  std::uint32_t count_ = 0;
  std::uint32_t capacity_ = 0;
};
