// The singly linked list of untyped pointers.
#include "rw/RWPointerSlist.h"

#include <new>

#include "rw/RWDefs.h"
#include "rw/RWError.h"

namespace {

int IsReference(const void* member, const void* item) {
  return member == item ? 1 : 0;
}

}  // namespace

RWPointerSlist::Node* RWPointerSlist::MakeNode(void* item) {
  Node* node = new (std::nothrow) Node;
  if (node != nullptr) {
    node->item = item;
  }
  return node;
}

bool RWPointerSlist::CopyFrom(const RWPointerSlist& other) {
  if (&other == this) {
    return true;
  }
  Clear();
  RWIntrusiveSlist::Link* link = other.list_.First();
  for (std::uint32_t i = 0; i < other.Entries(); ++i, link = link->next) {
    if (!Append(AsNode(link)->item)) {
      Clear();
      return false;
    }
  }
  return true;
}

void RWPointerSlist::Clear() {
  while (RWIntrusiveSlist::Link* link = list_.RemoveNext(list_.Head())) {
    delete AsNode(link);
  }
}

bool RWPointerSlist::Append(void* item) {
  Node* node = MakeNode(item);
  if (node == nullptr) {
    return false;
  }
  list_.InsertAfter(list_.Last(), node);
  return true;
}

bool RWPointerSlist::Prepend(void* item) {
  Node* node = MakeNode(item);
  if (node == nullptr) {
    return false;
  }
  list_.InsertAfter(list_.Head(), node);
  return true;
}

bool RWPointerSlist::InsertAt(std::size_t index, void* item) {
  if (index > Entries()) {
    RWRaiseIndex(index, Entries());
    return false;
  }
  Node* node = MakeNode(item);
  if (node == nullptr) {
    return false;
  }
  if (!list_.InsertAt(index, node)) {
    delete node;
    return false;
  }
  return true;
}

bool RWPointerSlist::InsertAfter(std::size_t index, void* item) {
  RWIntrusiveSlist::Link* link = list_.At(index);
  if (link == nullptr) {
    return false;
  }
  Node* node = MakeNode(item);
  if (node == nullptr) {
    return false;
  }
  list_.InsertAfter(link, node);
  return true;
}

void* RWPointerSlist::At(std::size_t index) const {
  RWIntrusiveSlist::Link* link = list_.At(index);
  return link != nullptr ? AsNode(link)->item : nullptr;
}

void*& RWPointerSlist::SlotAt(std::size_t index) {
  RWIntrusiveSlist::Link* link = list_.At(index);
  if (link == nullptr) {
    thread_local void* scratch;
    scratch = nullptr;
    return scratch;
  }
  return AsNode(link)->item;
}

void* RWPointerSlist::First() const {
  RWIntrusiveSlist::Link* link = list_.First();
  return link != nullptr ? AsNode(link)->item : nullptr;
}

void* RWPointerSlist::Last() const {
  return IsEmpty() ? nullptr : AsNode(list_.Last())->item;
}

bool RWPointerSlist::ContainsReference(const void* item) const {
  return LinkBefore(IsReference, item) != nullptr;
}

std::uint32_t RWPointerSlist::OccurrencesOfReference(const void* item) const {
  return OccurrencesOf(IsReference, item);
}

void* RWPointerSlist::RemoveReference(const void* item) {
  return RemoveAfter(LinkBefore(IsReference, item));
}

RWIntrusiveSlist::Link* RWPointerSlist::LinkBefore(Test test, const void* client_data) const {
  RWIntrusiveSlist::Link* previous = list_.Head();
  for (std::uint32_t i = 0; i < Entries(); ++i) {
    RWIntrusiveSlist::Link* link = previous->next;
    if (test(AsNode(link)->item, client_data) != 0) {
      return previous;
    }
    previous = link;
  }
  return nullptr;
}

void* RWPointerSlist::RemoveAfter(RWIntrusiveSlist::Link* link) {
  if (link == nullptr) {
    return nullptr;
  }
  Node* node = AsNode(list_.RemoveNext(link));
  if (node == nullptr) {
    return nullptr;
  }
  void* item = node->item;
  delete node;
  return item;
}

void* RWPointerSlist::Find(Test test, const void* client_data) const {
  RWIntrusiveSlist::Link* previous = LinkBefore(test, client_data);
  return previous != nullptr ? AsNode(previous->next)->item : nullptr;
}

std::uint32_t RWPointerSlist::OccurrencesOf(Test test, const void* client_data) const {
  std::uint32_t occurrences = 0;
  RWIntrusiveSlist::Link* link = list_.First();
  for (std::uint32_t i = 0; i < Entries(); ++i, link = link->next) {
    if (test(AsNode(link)->item, client_data) != 0) {
      ++occurrences;
    }
  }
  return occurrences;
}

std::size_t RWPointerSlist::Index(Test test, const void* client_data) const {
  RWIntrusiveSlist::Link* link = list_.First();
  for (std::uint32_t i = 0; i < Entries(); ++i, link = link->next) {
    if (test(AsNode(link)->item, client_data) != 0) {
      return i;
    }
  }
  return RW_NPOS;
}

void* RWPointerSlist::Remove(Test test, const void* client_data) {
  return RemoveAfter(LinkBefore(test, client_data));
}

void RWPointerSlist::Apply(Visit visit, void* client_data) const {
  RWIntrusiveSlist::Link* link = list_.First();
  for (std::uint32_t i = 0; i < Entries(); ++i, link = link->next) {
    visit(AsNode(link)->item, client_data);
  }
}

void RWPointerSlist::ApplyToSlots(VisitSlot visit, void* client_data) {
  RWIntrusiveSlist::Link* link = list_.First();
  for (std::uint32_t i = 0; i < Entries(); ++i, link = link->next) {
    visit(AsNode(link)->item, client_data);
  }
}

void* RWPointerSlistIterator::Key() const {
  RWIntrusiveSlist::Link* link = cursor_.Current();
  return link != nullptr ? static_cast<RWPointerSlist::Node*>(link)->item : nullptr;
}

void* RWPointerSlistIterator::Advance(std::size_t n) {
  cursor_.Advance(n);
  return Key();
}

void* RWPointerSlistIterator::FindNext(RWPointerSlist::Test test, const void* client_data) {
  while (cursor_.Advance() != nullptr) {
    void* item = Key();
    if (test(item, client_data) != 0) {
      return item;
    }
  }
  return nullptr;
}

void* RWPointerSlistIterator::FindNextReference(const void* item) {
  return FindNext(IsReference, item);
}

bool RWPointerSlistIterator::InsertAfterPoint(void* item) {
  RWPointerSlist::Node* node = RWPointerSlist::MakeNode(item);
  if (node == nullptr) {
    return false;
  }
  cursor_.InsertAfterPoint(node);
  return true;
}

void* RWPointerSlistIterator::RemoveCurrent() {
  auto* node = static_cast<RWPointerSlist::Node*>(cursor_.RemoveCurrent());
  if (node == nullptr) {
    return nullptr;
  }
  void* item = node->item;
  delete node;
  return item;
}

void* RWPointerSlistIterator::RemoveNext(RWPointerSlist::Test test, const void* client_data) {
  if (FindNext(test, client_data) == nullptr && cursor_.Current() == nullptr) {
    return nullptr;
  }
  return RemoveCurrent();
}

void* RWPointerSlistIterator::RemoveNextReference(const void* item) {
  return RemoveNext(IsReference, item);
}
