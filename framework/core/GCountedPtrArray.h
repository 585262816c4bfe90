// GCountedPtrArray: the growable array of counted references that composites and attribute groups
// keep their children in. Entries in use are at the front; every other entry is empty.
//
// Appending to a full array grows it to count + 64 entries. Index operations check the index and
// raise the foundation library's index error ([INDEXERR], [NPOSINDEX] for RW_NPOS); when the error
// hook returns, they do nothing and answer null, false or the empty reference. Memory is allocated
// without throwing: an operation that cannot grow the array answers false and changes nothing.
//
// An array without entries in use (a new one, an emptied one) has its capacity but no storage yet:
// the storage for the capacity is made at the next insertion, which answers false when it cannot be
// had. Groups that stay empty (most bundles a command carries) so cost no allocation.
#pragma once

#include <cstdint>

#include "framework/core/GCountedPtr.h"

class GBaseObject;

class GCountedPtrArray {
 public:
  static constexpr std::uint32_t kInitialCapacity = 10;
  static constexpr std::uint32_t kGrowth = 64;
  // IndexOf's answer for a target that no entry holds.
  static constexpr std::uint32_t kNotFound = 0xFFFFFFFFu;

  explicit GCountedPtrArray(std::uint32_t capacity = kInitialCapacity);
  // The same capacity, references to the same targets. A copy of an array with entries in use that
  // cannot get its memory is empty with capacity 0.
  GCountedPtrArray(const GCountedPtrArray& other);
  GCountedPtrArray& operator=(const GCountedPtrArray& other);
  // Drops every reference.
  virtual ~GCountedPtrArray();

  // The index of the first entry holding `target`, or kNotFound.
  virtual std::uint32_t IndexOf(const GBaseObject* target) const;
  // Appends a copy of the reference (one more reference to its target).
  virtual bool Insert(const GCountedPtr& reference);
  // Appends the reference itself: `reference` is left empty and the reference word unchanged.
  // When the array cannot grow, `reference` keeps its target and the answer is false.
  bool Insert(GCountedPtr&& reference);
  // How many entries hold `target`.
  virtual std::uint32_t CountOf(const GBaseObject* target) const;
  // Takes out the first entry holding `target`, closing the gap; false when none does.
  virtual bool Remove(const GBaseObject* target);
  // Takes out every entry holding `target`, keeping the order of the others; answers how many.
  virtual std::uint32_t RemoveAll(const GBaseObject* target);

  // Inserts at `index` (0 to the count), moving the later entries up.
  bool InsertAt(std::uint32_t index, const GCountedPtr& reference);
  // The same with the reference itself taken over (kept by `reference` on failure).
  bool InsertAt(std::uint32_t index, GCountedPtr&& reference);
  // Takes out the entry at `index` and hands its reference over (the reference word unchanged).
  GCountedPtr RemoveAt(std::uint32_t index);
  // The entry at `index` (an empty one, after the index error, for an index off the entries).
  const GCountedPtr& At(std::uint32_t index) const {
    return index < count_ ? entries_[index] : OffTheEntries(index);
  }
  GBaseObject* TargetAt(std::uint32_t index) const { return At(index).Get(); }
  // Puts a copy of the reference at `index`, dropping the old one.
  void Set(std::uint32_t index, const GCountedPtr& reference);
  // The same with the reference itself taken over (left alone after an index error).
  void Set(std::uint32_t index, GCountedPtr&& reference);
  // A new capacity (at least the count): new entries empty, the references kept. Storage is made at
  // once when entries are in use (false, nothing changed, when it cannot be had), else at the next
  // insertion.
  bool Resize(std::uint32_t capacity);
  // Drops every reference and leaves `capacity` empty entries (their storage made at the next
  // insertion).
  void Empty(std::uint32_t capacity);

  std::uint32_t Count() const { return count_; }
  std::uint32_t Capacity() const { return capacity_; }

 private:
  // Raises the index error for `index` and answers an empty entry.
  const GCountedPtr& OffTheEntries(std::uint32_t index) const;
  bool CheckIndex(std::uint32_t index, std::uint32_t limit) const;
  // Room for one more entry: the storage made, or the array grown.
  bool Grow();

  std::uint32_t capacity_ = 0;
  // The storage: null while no entry is in use and none was made.
  GCountedPtr* entries_ = nullptr;
  std::uint32_t count_ = 0;
};
