// A singly linked list of untyped pointers and its cursor: the storage under RWSlistCollectables
// and the buckets of the hash tables.
//
// Each node is a heap block of two words, the link to the next node and the stored pointer, kept
// on an RWIntrusiveSlist. The list owns its nodes, never what the pointers point to: clearing
// frees every node. Nodes are allocated without throwing; an operation that cannot get one
// reports failure and leaves the list as it was.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWIntrusiveSlist.h"

class RWPointerSlist {
 public:
  // A member test: non-zero selects the member.
  using Test = int (*)(const void* member, const void* client_data);
  using Visit = void (*)(void* member, void* client_data);
  // Called with each slot, which the function may overwrite.
  using VisitSlot = void (*)(void*& slot, void* client_data);

  RWPointerSlist() = default;
  RWPointerSlist(const RWPointerSlist&) = delete;
  RWPointerSlist& operator=(const RWPointerSlist&) = delete;
  ~RWPointerSlist() { Clear(); }

  // Replaces the contents by the other's pointers in the same order. When memory runs short the
  // list is left empty and false is returned.
  [[nodiscard]] bool CopyFrom(const RWPointerSlist& other);
  // Frees every node.
  void Clear();

  [[nodiscard]] bool Append(void* item);
  [[nodiscard]] bool Prepend(void* item);
  // Inserts so that the item stands at `index` (0 to Entries). Another index raises the index
  // error; false then, and when memory is short.
  [[nodiscard]] bool InsertAt(std::size_t index, void* item);
  // Inserts directly after the member at `index`; an index at or beyond Entries raises the index
  // error.
  [[nodiscard]] bool InsertAfter(std::size_t index, void* item);

  // The member at `index`; an index at or beyond Entries raises the index error and gives null.
  void* At(std::size_t index) const;
  // The slot of the member at `index`. After a raised index error (when the hook returns) it is a
  // scratch slot of the calling thread, holding null.
  void*& SlotAt(std::size_t index);
  void* First() const;
  void* Last() const;
  std::uint32_t Entries() const { return list_.Entries(); }
  bool IsEmpty() const { return list_.IsEmpty(); }

  // By identity: the first member that is `item`.
  bool ContainsReference(const void* item) const;
  std::uint32_t OccurrencesOfReference(const void* item) const;
  // Unlinks the first node holding `item`, frees it and returns the pointer; null when absent.
  void* RemoveReference(const void* item);

  // By a test: the first member (from the front) for which test(member, client_data) is
  // non-zero.
  void* Find(Test test, const void* client_data) const;
  std::uint32_t OccurrencesOf(Test test, const void* client_data) const;
  // The index of the first match, or RW_NPOS.
  std::size_t Index(Test test, const void* client_data) const;
  // Unlinks the first match, frees its node and returns the pointer; null when none.
  void* Remove(Test test, const void* client_data);

  // Front to back.
  void Apply(Visit visit, void* client_data) const;
  void ApplyToSlots(VisitSlot visit, void* client_data);

 private:
  friend class RWPointerSlistIterator;

  struct Node : RWIntrusiveSlist::Link {
    void* item = nullptr;
  };
  static Node* AsNode(RWIntrusiveSlist::Link* link) { return static_cast<Node*>(link); }
  static Node* MakeNode(void* item);
  // The node before the first match (the head link when the first member matches), or null.
  RWIntrusiveSlist::Link* LinkBefore(Test test, const void* client_data) const;
  void* RemoveAfter(RWIntrusiveSlist::Link* link);

  // Mutable so that const walks can start from the head link.
  mutable RWIntrusiveSlist list_;
};

// A cursor over an RWPointerSlist: before the first member after construction and Reset, on a
// member, or past the end. Changing the list other than through this cursor may leave it
// dangling (except for appends).
class RWPointerSlistIterator {
 public:
  explicit RWPointerSlistIterator(const RWPointerSlist& list) : cursor_(list.list_) {}

  void Reset() { cursor_.Reset(); }
  // The member at the cursor; null before the first member and past the end.
  void* Key() const;
  // Moves `n` members on and returns the member reached, or null past the end.
  void* Advance(std::size_t n = 1);
  // Moves on to the next member for which test(member, client_data) is non-zero and returns it;
  // null (past the end) when none is left.
  void* FindNext(RWPointerSlist::Test test, const void* client_data);
  // Moves on to the next member that is `item`.
  void* FindNextReference(const void* item);
  // Links a new node holding `item` after the cursor; false when memory is short.
  [[nodiscard]] bool InsertAfterPoint(void* item);
  // Unlinks the member at the cursor, which steps back to the previous link; null when the cursor
  // is not on a member.
  void* RemoveCurrent();
  // Moves on to the next match, unlinks it and returns it; the cursor stays on the link before
  // it. Null when none is left.
  void* RemoveNext(RWPointerSlist::Test test, const void* client_data);
  void* RemoveNextReference(const void* item);

 private:
  RWIntrusiveSlistIterator cursor_;
};
