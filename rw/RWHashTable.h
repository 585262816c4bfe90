// A bag of collectable pointers in hash buckets, and the iterator of every hashed collection.
//
// A member goes into bucket item.Hash() mod the bucket count, at the end of that bucket's list;
// equal members may repeat. Each bucket is an RWSlistCollectables made when the bucket first
// receives a member, so a large empty table costs one pointer per bucket. The table never grows
// by itself: a caller that fills it far beyond its bucket count calls Resize (a restore does so
// as it goes; see RWCollectionBase). A null item is
// refused (its Hash would be called).
#pragma once

#include <cstdint>
#include <optional>

#include "rw/RWCollectionBase.h"
#include "rw/RWPointerVector.h"
#include "rw/RWSlistCollectables.h"

inline constexpr RWClassID kRWHashTableClassId = 0x805E;

class RWHashTable : public RWCollectionBase {
 public:
  // The bucket count of the default object of each hashed class.
  static constexpr std::uint32_t kDefaultBuckets = 64;

  // `buckets` empty buckets; 0 gives 2. When memory is short the table has no buckets and
  // refuses every insertion.
  explicit RWHashTable(std::uint32_t buckets = kDefaultBuckets);
  // The same bucket count; each non-empty bucket a new list of the same pointers in the same
  // order.
  RWHashTable(const RWHashTable& other);
  // Clears, takes the other's bucket count and copies its buckets (self-assignment does nothing).
  RWHashTable& operator=(const RWHashTable& other);
  // Clears; members are not deleted.
  ~RWHashTable() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The other has this object's class id and the same number of members, and no member of this
  // table occurs in it fewer times than here (counted by this class's matching rule).
  bool IsEqual(const RWCollectable* other) const override;
  // The hashes of the members that are not collections, in any order, with the class id.
  std::uint32_t Hash() const override;

  // Buckets in index order, each front to back.
  void Apply(RWApplyCollectable function, void* client_data) const override;
  // Deletes every bucket list; members are not deleted.
  void Clear() override;
  std::uint32_t Entries() const override { return count_; }
  // In the item's bucket, the first member for which member.IsEqual(item) holds.
  RWCollectable* Find(const RWCollectable* item) const override;
  // Always adds; returns the item (null when refused).
  RWCollectable* Insert(RWCollectable* item) override;
  bool IsEmpty() const override { return count_ == 0; }
  std::uint32_t OccurrencesOf(const RWCollectable* item) const override;
  RWCollectable* Remove(const RWCollectable* item) override;

  // Gives the table `buckets` buckets (0: 16 below 12 members, else members * 3 / 2) and inserts
  // every member again with the virtual Insert, old buckets in index order, each front to back.
  // When memory runs short the table is left as it was.
  virtual void Resize(std::uint32_t buckets = 0);

  // Appends the item to bucket `index` (made when missing) and counts it; the set classes call it
  // after their duplicate test. Null for a null item, when memory is short, or when the index is
  // out of range (which raises the index error).
  RWCollectable* InsertInBucket(std::uint32_t index, RWCollectable* item);
  std::uint32_t Buckets() const { return buckets_.Entries(); }

  static RWClassID ClassId() { return kRWHashTableClassId; }
  static const char* ClassName() { return "RWHashTable"; }
  // The default object: 64 buckets. Null when memory is short.
  static RWCollectable* Create();

 protected:
  // The bucket for a hash value; only called when there are buckets.
  std::uint32_t BucketIndex(std::uint32_t hash) const { return hash % buckets_.Entries(); }
  // The list of bucket `index`, or null when it has never received a member.
  RWSlistCollectables* Bucket(std::uint32_t index) const {
    return static_cast<RWSlistCollectables*>(buckets_[index]);
  }
  // The list of the bucket for `hash`, or null (also when the table has no buckets).
  RWSlistCollectables* BucketFor(std::uint32_t hash) const {
    return buckets_.Entries() == 0 ? nullptr : Bucket(BucketIndex(hash));
  }
  // One member left the table.
  void CountRemoval() { --count_; }

 private:
  friend class RWHashTableIterator;

  // Copies the other's buckets into this table's, which are empty and as many.
  void CopyBuckets(const RWHashTable& other);

  RWPointerVector buckets_;
  std::uint32_t count_ = 0;
};

// Walks a hashed collection: buckets in index order, each front to back. Changing the table other
// than through this iterator may invalidate it.
class RWHashTableIterator : public RWIterator {
 public:
  explicit RWHashTableIterator(RWHashTable& table);
  RWHashTableIterator(const RWHashTableIterator&) = default;
  RWHashTableIterator& operator=(const RWHashTableIterator&) = default;

  // Moves on to the next member equal to the item (member.IsEqual(item)), across buckets.
  RWCollectable* FindNext(const RWCollectable* item) override;
  RWCollectable* Key() const override;
  RWCollectable* Next() override;
  void Reset() override;

  // Removes the member at the cursor and returns it, or null.
  RWCollectable* RemoveCurrent();
  // From the cursor, removes the next member for which test(member, client_data) is non-zero,
  // moving on through later buckets; null when none is left.
  RWCollectable* RemoveNext(RWTestCollectable test, const void* client_data);

 private:
  // Moves to the first bucket from `index` on that has a list; none when there is no such bucket.
  void MoveToBucket(std::uint32_t index);

  RWHashTable* table_;
  std::uint32_t bucket_ = 0;
  std::optional<RWSlistCollectablesIterator> bucket_iterator_;
};
