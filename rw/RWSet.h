// A hashed collection without two members equal by IsEqual, its set algebra and its iterator.
#pragma once

#include <cstdint>

#include "rw/RWHashTable.h"

inline constexpr RWClassID kRWSetClassId = 0x802B;

class RWSet : public RWHashTable {
 public:
  // `buckets` empty buckets; 0 gives 2.
  explicit RWSet(std::uint32_t buckets = kDefaultBuckets) : RWHashTable(buckets) {}
  RWSet(const RWSet&) = default;
  RWSet& operator=(const RWSet&) = default;
  ~RWSet() override = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;

  // Members are distinct, so each is deleted once, then the set is cleared.
  void ClearAndDestroy() override;
  // When the item's bucket already holds a member equal to it (or the item itself, should it not
  // be equal to itself), returns that member and adds nothing; otherwise adds the item and returns
  // it (null when refused).
  RWCollectable* Insert(RWCollectable* item) override;
  // 0 or 1.
  std::uint32_t OccurrencesOf(const RWCollectable* item) const override;

  // Every member is contained in `other`.
  bool IsSubsetOf(const RWSet& other) const;
  // `other` has more members and IsSubsetOf holds.
  bool IsProperSubsetOf(const RWSet& other) const;
  // Keeps only the members that `other` contains (clears when `other` is empty); returns this set.
  RWSet& IntersectWith(const RWSet& other);
  // Inserts into `result` every member of the smaller set (`other` when the sizes are equal) that
  // the other set contains; returns `result`.
  RWSet& Intersection(const RWSet& other, RWSet& result) const;

  static RWClassID ClassId() { return kRWSetClassId; }
  static const char* ClassName() { return "RWSet"; }
  // The default object: 64 buckets. Null when memory is short.
  static RWCollectable* Create();
};

// Walks a set; the same walk as RWHashTableIterator.
class RWSetIterator : public RWHashTableIterator {
 public:
  explicit RWSetIterator(RWSet& set) : RWHashTableIterator(set) {}
};
