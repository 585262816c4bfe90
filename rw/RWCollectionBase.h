// The interface that every collection of collectable pointers shares, the operations written once
// for all of them, and the interface of their iterators.
//
// Collections hold pointers to RWCollectable objects and never own them implicitly: Clear forgets
// the members, ClearAndDestroy and RemoveAndDestroy delete them. Each collection matches an item
// against its members by its own rule (IsEqual, Compare or identity).
#pragma once

#include <cstdint>

#include "rw/RWCollectable.h"

class RWSet;

inline constexpr RWClassID kRWCollectionBaseClassId = 0x801D;

// Called for each member by Apply.
using RWApplyCollectable = void (*)(RWCollectable* item, void* client_data);
// A selection test: non-zero selects the member.
using RWTestCollectable = int (*)(const RWCollectable* item, const void* client_data);

class RWCollectionBase : public RWCollectable {
 public:
  RWCollectionBase() = default;
  RWCollectionBase(const RWCollectionBase&) = default;
  RWCollectionBase& operator=(const RWCollectionBase&) = default;
  ~RWCollectionBase() override = default;

  RWClassID IsA() const override;
  // A hash consistent with the class's IsEqual (equal collections hash alike): here the class id
  // and the number of members; the hashed collections and the list use their members' hashes
  // instead (HashWithMembers). A collection hashed while another collection's hash is being made
  // (for a member's key, say) answers its class id alone, so graphs that lead back to themselves
  // hash in bounded time.
  std::uint32_t Hash() const override;

  // Stored form, the same for every collection: the member count (unsigned 32-bit), then each
  // member as an object record, in Apply order. A restore clears the collection first and inserts
  // the members in that order; a member the collection refuses (a duplicate) is not added. Hashed
  // and sorted collections skip null members; sequences keep them. A hashed collection whose
  // members come to outnumber its buckets four to one grows its buckets during the restore, so
  // a large restore stays linear. A restore that fails leaves the collection cleared and frees
  // the members it made (rw/rwstore.h).
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // Clear: a failed restore leaves the collection empty.
  void ForgetRestoredMembers() override;

  // Calls `function` for every member, in the collection's own order. The function must not add
  // to or remove from this collection.
  virtual void Apply(RWApplyCollectable function, void* client_data) const = 0;
  // Forgets every member without deleting it.
  virtual void Clear() = 0;
  // Deletes every distinct member once (an object held several times is deleted once), then
  // clears.
  virtual void ClearAndDestroy();
  // Whether Find finds a member matching the item.
  virtual bool Contains(const RWCollectable* item) const;
  virtual std::uint32_t Entries() const = 0;
  // The first member matching the item, or null.
  virtual RWCollectable* Find(const RWCollectable* item) const = 0;
  // Adds a member; returns the member now held for it, or null when nothing could be added.
  virtual RWCollectable* Insert(RWCollectable* item) = 0;
  virtual bool IsEmpty() const = 0;
  // The number of members matching the item.
  virtual std::uint32_t OccurrencesOf(const RWCollectable* item) const = 0;
  // Removes the first member matching the item and returns it, or null.
  virtual RWCollectable* Remove(const RWCollectable* item) = 0;
  // Removes the first member matching the item and deletes it; true when something was removed.
  virtual bool RemoveAndDestroy(const RWCollectable* item);

  // Inserts every member of `other` into this collection. A dictionary, which owns its
  // associations, takes copies (Clone) of the associations of another dictionary.
  void AddAll(const RWCollectionBase& other);
  // Removes from this collection, once each, every member of `other`.
  void RemoveAll(const RWCollectionBase& other);
  // Inserts every member of this collection into `other` (other.AddAll(*this)).
  void CopyInto(RWCollectionBase& other) const;
  // Inserts a Clone of every member into `other`; a copy that `other` refuses is deleted.
  void CopyDeepInto(RWCollectionBase& other) const;
  // A new collection of this collection's class, made as the class's default object, holding the
  // members for which test(member, client_data) is non-zero (a dictionary's selection holds
  // copies of the associations). The caller owns it; null when memory is short.
  RWCollectionBase* Select(RWTestCollectable test, const void* client_data) const;
  // A new RWSet of Entries / 2 buckets holding every member; members equal by IsEqual collapse.
  // The caller owns it; null when memory is short.
  RWSet* AsSet() const;

  static RWClassID ClassId() { return kRWCollectionBaseClassId; }
  static const char* ClassName() { return "RWCollectionBase"; }

 protected:
  enum class MemberOrder { kAny, kAsApplied };
  enum class Members { kAll, kNotCollections };
  // The class id with the count and the member_hash of the members taken (null members
  // included), combined in Apply order or in any order. With kNotCollections, members that are
  // collections are left out: a collection's value changes with its members, and one that holds
  // itself would change its own hash by being inserted; a member that is a collection can only
  // equal a collection, so leaving them all out keeps the hash consistent with IsEqual.
  std::uint32_t HashWithMembers(std::uint32_t (*member_hash)(const RWCollectable* member),
                                MemberOrder order,
                                Members taken) const;
};

// Bounds the value equality of collections (IsEqual) on a thread, for graphs that share members
// or hold themselves, as restored graphs may. Each IsEqual of a collection holds one for its run,
// for the pair it compares:
//
//   if (other == this || guard.Exceeded()) return other == this;
//   if (bool known = false; guard.Known(&known)) return known;
//   ... compare ...
//   return guard.Remember(equal);
//
// Within one outermost comparison, a pair whose comparison went on to several nested collection
// comparisons is remembered with its result, so a collection shared many times over (a chain in
// which every list holds the next one twice) is compared once per pair, and ordinary large
// collections compare exactly however many members they hold. A comparison that comes back to a
// pair it is still comparing (the graph leads back to itself) counts that pair unequal, as does
// nesting deeper than kMaxDepth, which would exhaust the stack.
class RWEqualityDepth {
 public:
  static constexpr int kMaxDepth = 256;

  // A guard that only counts depth.
  RWEqualityDepth() : RWEqualityDepth(nullptr, nullptr) {}
  RWEqualityDepth(const RWCollectable* self, const RWCollectable* other);
  ~RWEqualityDepth();
  RWEqualityDepth(const RWEqualityDepth&) = delete;
  RWEqualityDepth& operator=(const RWEqualityDepth&) = delete;

  // Too deep, or the pair is already being compared further out.
  bool Exceeded() const;
  // True, with the result, when the pair was compared before in this outermost comparison.
  bool Known(bool* equal) const;
  // Records the pair's result when it is worth remembering; returns `equal`.
  bool Remember(bool equal) const;

 private:
  const RWCollectable* self_;
  const RWCollectable* other_;
  bool repeated_ = false;
};

// The cursor protocol of every collection iterator. A new or reset iterator stands before the
// first member.
class RWIterator {
 public:
  RWIterator() = default;
  RWIterator(const RWIterator&) = default;
  RWIterator& operator=(const RWIterator&) = default;
  virtual ~RWIterator() = default;

  // Advances to the next member matching the item (by the collection's rule) and returns it, or
  // null when none is left.
  virtual RWCollectable* FindNext(const RWCollectable* item) = 0;
  // The member at the cursor; null before the first member and after the last.
  virtual RWCollectable* Key() const = 0;
  // Advances one member and returns it; null at the end.
  virtual RWCollectable* Next() = 0;
  // Back to before the first member.
  virtual void Reset() = 0;
};
