// Intrusive singly linked list of caller-owned nodes, and a cursor over it.
//
// A node begins with its link (derive the node type from RWIntrusiveSlist::Link). The list keeps,
// in order: the head link, whose next is the first item; the tail sentinel, whose next points at
// itself; the last link (the head link when empty); and the count. The last item's next is the
// tail sentinel. The list never allocates or frees nodes, and it is not synchronised.
#pragma once

#include <cstddef>
#include <cstdint>

class RWIntrusiveSlist {
 public:
  struct Link {
    Link* next = nullptr;
  };

  // Empty: head -> tail sentinel, last = head, count 0.
  RWIntrusiveSlist();
  // One item: head -> item -> tail sentinel, last = item, count 1.
  explicit RWIntrusiveSlist(Link* item);
  // The links point into the list object itself, so it stays where it was made.
  RWIntrusiveSlist(const RWIntrusiveSlist&) = delete;
  RWIntrusiveSlist& operator=(const RWIntrusiveSlist&) = delete;

  // Forgets every item without touching it: the list is empty again.
  void Clear();

  // Links `item` after `link`; `item` becomes last when `link` was last. Given the tail sentinel
  // it appends. A null link or item changes nothing.
  void InsertAfter(Link* link, Link* item);
  // Unlinks and returns the item after `link` (its next is cleared), or null when `link` is null
  // or last. The last link moves back to `link` when the removed item was last.
  Link* RemoveNext(Link* link);

  // The item at `index` (from 0). An index at or beyond the count raises the index error
  // ([NPOSINDEX] for RW_NPOS, else [INDEXERR]) and gives null.
  Link* At(std::size_t index) const;
  // Links `item` so that it stands at `index` (0 to the count). Another index raises the index
  // error and links nothing; false then, and for a null item.
  [[nodiscard]] bool InsertAt(std::size_t index, Link* item);
  // Unlinks and returns the item at `index`; an index at or beyond the count raises the index
  // error and gives null.
  Link* RemoveAt(std::size_t index);

  // Whether `item` is in the list (false for null).
  bool Contains(const Link* item) const;
  // The link whose next is `item` (the head link for the first item), or null when `item` is not
  // in the list.
  Link* FindPrevious(const Link* item) const;
  // Unlinks `item` and clears its next; returns it, or null when it is null or not in the list
  // (which is then unchanged).
  Link* Remove(Link* item);

  Link* Head() { return &head_; }
  // The first item, or null when empty.
  Link* First() const { return IsEmpty() ? nullptr : head_.next; }
  // The last item; the head link when empty, so that InsertAfter(Last(), item) appends.
  Link* Last() const { return last_; }
  std::uint32_t Entries() const { return count_; }
  bool IsEmpty() const { return count_ == 0; }

 private:
  friend class RWIntrusiveSlistIterator;

  bool IsItem(const Link* link) const { return link != &head_ && link != &tail_; }

  // Head and tail are mutable so that const members can hand out their addresses as links.
  mutable Link head_;
  mutable Link tail_;
  Link* last_;
  std::uint32_t count_ = 0;
};

// A cursor over an RWIntrusiveSlist: before the first item when it stands on the head link, past
// the end when it stands on the tail sentinel, else on an item.
class RWIntrusiveSlistIterator {
 public:
  explicit RWIntrusiveSlistIterator(RWIntrusiveSlist& list) { Reset(list); }

  // Puts the cursor before the first item (of `list`, when given).
  void Reset() { cursor_ = &list_->head_; }
  void Reset(RWIntrusiveSlist& list) {
    list_ = &list;
    Reset();
  }

  // Follows `n` next pointers (past the end the cursor stays there) and returns the current item.
  RWIntrusiveSlist::Link* Advance(std::size_t n = 1);
  // The item at the cursor, or null before the first item and past the end.
  RWIntrusiveSlist::Link* Current() const { return list_->IsItem(cursor_) ? cursor_ : nullptr; }

  // Whether the cursor is on an item that is the first, respectively the last.
  bool AtFirst() const { return list_->IsItem(cursor_) && cursor_ == list_->head_.next; }
  bool AtLast() const { return list_->IsItem(cursor_) && cursor_ == list_->last_; }
  // Moves the cursor to the first item, or past the end when the list is empty.
  void ToFirst() { cursor_ = list_->head_.next; }
  // Moves the cursor to the last item, or past the end when the list is empty.
  void ToLast() { cursor_ = list_->IsEmpty() ? &list_->tail_ : list_->last_; }

  // Links `item` after the cursor (before the first item when the cursor is before it; at the end
  // when the cursor is past the end). The cursor does not move.
  void InsertAfterPoint(RWIntrusiveSlist::Link* item) { list_->InsertAfter(cursor_, item); }
  // Unlinks and returns the item at the cursor, which steps back to the item's predecessor; null
  // before the first item and past the end.
  RWIntrusiveSlist::Link* RemoveCurrent();

 private:
  RWIntrusiveSlist* list_ = nullptr;
  RWIntrusiveSlist::Link* cursor_ = nullptr;
};
