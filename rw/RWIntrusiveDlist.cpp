// Intrusive doubly linked list and its cursor.
#include "rw/RWIntrusiveDlist.h"

#include "rw/RWError.h"

RWIntrusiveDlist::RWIntrusiveDlist() {
  Clear();
}

RWIntrusiveDlist::RWIntrusiveDlist(Link* item) {
  Clear();
  InsertAfter(&head_, item);
}

void RWIntrusiveDlist::Clear() {
  head_.next = &tail_;
  head_.previous = &head_;
  tail_.next = &tail_;
  tail_.previous = &head_;
  count_ = 0;
}

void RWIntrusiveDlist::InsertAfter(Link* link, Link* item) {
  if (link == nullptr || item == nullptr) {
    return;
  }
  if (link == &tail_) {
    // Linking after the tail would hang the item outside the list: append instead.
    link = tail_.previous;
  }
  item->next = link->next;
  item->previous = link;
  link->next = item;
  item->next->previous = item;
  ++count_;
}

RWIntrusiveDlist::Link* RWIntrusiveDlist::RemoveNext(Link* link) {
  if (link == nullptr || link == &tail_ || link->next == &tail_) {
    return nullptr;
  }
  return Remove(link->next);
}

RWIntrusiveDlist::Link* RWIntrusiveDlist::At(std::size_t index) const {
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

bool RWIntrusiveDlist::InsertAt(std::size_t index, Link* item) {
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

RWIntrusiveDlist::Link* RWIntrusiveDlist::RemoveAt(std::size_t index) {
  if (index >= count_) {
    RWRaiseIndex(index, count_);
    return nullptr;
  }
  return Remove(At(index));
}

bool RWIntrusiveDlist::Contains(const Link* item) const {
  return FindPrevious(item) != nullptr;
}

RWIntrusiveDlist::Link* RWIntrusiveDlist::FindPrevious(const Link* item) const {
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

RWIntrusiveDlist::Link* RWIntrusiveDlist::Remove(Link* item) {
  if (item == nullptr || !IsItem(item) || item->next == nullptr || item->previous == nullptr) {
    return nullptr;
  }
  item->previous->next = item->next;
  item->next->previous = item->previous;
  item->next = nullptr;
  item->previous = nullptr;
  --count_;
  return item;
}

RWIntrusiveDlist::Link* RWIntrusiveDlistIterator::Advance(std::size_t n) {
  for (; n > 0 && cursor_ != &list_->tail_; --n) {
    cursor_ = cursor_->next;
  }
  return Current();
}

RWIntrusiveDlist::Link* RWIntrusiveDlistIterator::StepBack(std::size_t n) {
  for (; n > 0 && cursor_ != &list_->head_; --n) {
    cursor_ = cursor_->previous;
  }
  return Current();
}

RWIntrusiveDlist::Link* RWIntrusiveDlistIterator::RemoveCurrent() {
  RWIntrusiveDlist::Link* item = Current();
  if (item == nullptr) {
    return nullptr;
  }
  cursor_ = item->previous;
  return list_->Remove(item);
}
