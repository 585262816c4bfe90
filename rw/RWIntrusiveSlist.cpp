// Intrusive singly linked list and its cursor.
#include "rw/RWIntrusiveSlist.h"

#include "rw/RWError.h"

RWIntrusiveSlist::RWIntrusiveSlist() {
  Clear();
}

RWIntrusiveSlist::RWIntrusiveSlist(Link* item) {
  Clear();
  InsertAfter(&head_, item);
}

void RWIntrusiveSlist::Clear() {
  head_.next = &tail_;
  tail_.next = &tail_;
  last_ = &head_;
  count_ = 0;
}

void RWIntrusiveSlist::InsertAfter(Link* link, Link* item) {
  if (link == nullptr || item == nullptr) {
    return;
  }
  if (link == &tail_) {
    // Linking after the sentinel would hang the item outside the list: append instead.
    link = last_;
  }
  item->next = link->next;
  link->next = item;
  if (link == last_) {
    last_ = item;
  }
  ++count_;
}

RWIntrusiveSlist::Link* RWIntrusiveSlist::RemoveNext(Link* link) {
  if (link == nullptr || link == &tail_ || link->next == &tail_) {
    return nullptr;
  }
  Link* item = link->next;
  link->next = item->next;
  item->next = nullptr;
  if (item == last_) {
    last_ = link;
  }
  --count_;
  return item;
}

RWIntrusiveSlist::Link* RWIntrusiveSlist::At(std::size_t index) const {
  if (index >= count_) {
    RWRaiseIndex(index, count_);
    return nullptr;
  }
  Link* link = head_.next;
  for (; index > 0; --index) {
    link = link->next;
  }
  return link;
}

bool RWIntrusiveSlist::InsertAt(std::size_t index, Link* item) {
  if (index > count_) {
    RWRaiseIndex(index, count_);
    return false;
  }
  if (item == nullptr) {
    return false;
  }
  InsertAfter(index == 0 ? &head_ : At(index - 1), item);
  return true;
}

RWIntrusiveSlist::Link* RWIntrusiveSlist::RemoveAt(std::size_t index) {
  if (index >= count_) {
    RWRaiseIndex(index, count_);
    return nullptr;
  }
  return RemoveNext(index == 0 ? &head_ : At(index - 1));
}

bool RWIntrusiveSlist::Contains(const Link* item) const {
  return FindPrevious(item) != nullptr;
}

RWIntrusiveSlist::Link* RWIntrusiveSlist::FindPrevious(const Link* item) const {
  if (item == nullptr || !IsItem(item)) {
    return nullptr;
  }
  for (Link* link = &head_; link != &tail_; link = link->next) {
    if (link->next == item) {
      return link;
    }
  }
  return nullptr;
}

RWIntrusiveSlist::Link* RWIntrusiveSlist::Remove(Link* item) {
  Link* previous = FindPrevious(item);
  return previous != nullptr ? RemoveNext(previous) : nullptr;
}

RWIntrusiveSlist::Link* RWIntrusiveSlistIterator::Advance(std::size_t n) {
  for (; n > 0 && cursor_ != &list_->tail_; --n) {
    cursor_ = cursor_->next;
  }
  return Current();
}

RWIntrusiveSlist::Link* RWIntrusiveSlistIterator::RemoveCurrent() {
  if (Current() == nullptr) {
    return nullptr;
  }
  RWIntrusiveSlist::Link* previous = list_->FindPrevious(cursor_);
  if (previous == nullptr) {
    return nullptr;
  }
  cursor_ = previous;
  return list_->RemoveNext(previous);
}
