// The library's ordered sequence of collectable pointers, kept in a singly linked list, and its
// iterator. It is a collection in its own right and the bucket of every hash table.
//
// Members match an item when member.IsEqual(item) holds (the member's own equality is asked); the
// first match from the front wins. A null member matches only a null item.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWPointerSlist.h"
#include "rw/RWSequenceable.h"

inline constexpr RWClassID kRWSlistCollectablesClassId = 0x8033;

class RWSlistCollectables : public RWSequenceable {
 public:
  RWSlistCollectables() = default;
  // New nodes holding the same pointers in the same order (fewer when memory runs short; Clone
  // reports that with null).
  RWSlistCollectables(const RWSlistCollectables& other);
  RWSlistCollectables& operator=(const RWSlistCollectables& other);
  ~RWSlistCollectables() override = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The other is an RWSlistCollectables of the same length whose members are, position by
  // position, equal to this list's (this list's member asked).
  bool IsEqual(const RWCollectable* other) const override;
  // The hashes of the members that are not collections, in order (a null member hashes as 0),
  // with the class id.
  std::uint32_t Hash() const override;

  // Front to back.
  void Apply(RWApplyCollectable function, void* client_data) const override;
  void Clear() override { list_.Clear(); }
  std::uint32_t Entries() const override { return list_.Entries(); }
  RWCollectable* Find(const RWCollectable* item) const override;
  // Appends.
  RWCollectable* Insert(RWCollectable* item) override;
  bool IsEmpty() const override { return list_.IsEmpty(); }
  std::uint32_t OccurrencesOf(const RWCollectable* item) const override;
  RWCollectable* Remove(const RWCollectable* item) override;

  RWCollectable* Append(RWCollectable* item) override;
  RWCollectable* At(std::size_t index) const override;
  RWCollectable*& At(std::size_t index) override;
  RWCollectable* First() const override;
  std::size_t Index(const RWCollectable* item) const override;
  RWCollectable* InsertAt(std::size_t index, RWCollectable* item) override;
  RWCollectable* Last() const override;
  RWCollectable* Prepend(RWCollectable* item) override;
  // Inserts directly after member `index`; returns the item, or null after an index error or
  // when memory is short.
  virtual RWCollectable* InsertAfter(std::size_t index, RWCollectable* item);

  // By identity: the first member that is `item`.
  bool ContainsReference(const RWCollectable* item) const;
  std::uint32_t OccurrencesOfReference(const RWCollectable* item) const;
  RWCollectable* RemoveReference(const RWCollectable* item);
  // By a test: the first member (from the front) for which test(member, client_data) is
  // non-zero.
  RWCollectable* Find(RWTestCollectable test, const void* client_data) const;
  std::uint32_t OccurrencesOf(RWTestCollectable test, const void* client_data) const;
  std::size_t Index(RWTestCollectable test, const void* client_data) const;
  RWCollectable* Remove(RWTestCollectable test, const void* client_data);
  // Calls function(slot, client_data) with each slot, front to back; the function may overwrite
  // the slot.
  using ApplySlot = void (*)(RWCollectable*& slot, void* client_data);
  void ApplyReference(ApplySlot function, void* client_data);

  static RWClassID ClassId() { return kRWSlistCollectablesClassId; }
  static const char* ClassName() { return "RWSlistCollectables"; }
  // The default object: an empty list. Null when memory is short.
  static RWCollectable* Create();

 private:
  friend class RWSlistCollectablesIterator;

  RWPointerSlist list_;
};

// Walks an RWSlistCollectables. The cursor stands before the first member after construction and
// Reset. Changing the list other than through this iterator (appends aside) invalidates it.
class RWSlistCollectablesIterator : public RWIterator {
 public:
  explicit RWSlistCollectablesIterator(RWSlistCollectables& list) : cursor_(list.list_) {}

  // Moves on to the next member equal to the item (member.IsEqual(item)).
  RWCollectable* FindNext(const RWCollectable* item) override;
  RWCollectable* Key() const override;
  RWCollectable* Next() override;
  void Reset() override { cursor_.Reset(); }

  // Moves `n` members on and returns the member reached, or null past the end.
  RWCollectable* Advance(std::size_t n);
  // Moves on to the next member for which test(member, client_data) is non-zero.
  RWCollectable* FindNext(RWTestCollectable test, const void* client_data);
  // Moves on to the next member that is `item` itself.
  RWCollectable* FindNextReference(const RWCollectable* item);
  // Links the item after the cursor; null when memory is short.
  RWCollectable* InsertAfterPoint(RWCollectable* item);
  // Unlinks the member at the cursor and returns it; the cursor steps back to the previous link.
  RWCollectable* RemoveCurrent();
  // Moves on to the next member for which the test holds (respectively that is `item` itself),
  // unlinks it and returns it; the cursor stays on the link before it. Null when none is left.
  RWCollectable* RemoveNext(RWTestCollectable test, const void* client_data);
  RWCollectable* RemoveNextReference(const RWCollectable* item);

 private:
  RWPointerSlistIterator cursor_;
};
