// The singly linked collection of collectable pointers and its iterator.
#include "rw/RWSlistCollectables.h"

#include <new>

namespace {

const RWCollectable* AsCollectable(const void* member) {
  return static_cast<const RWCollectable*>(member);
}

// member.IsEqual(item); a null member matches only a null item.
int MemberEquals(const void* member, const void* item) {
  if (member == nullptr) {
    return item == nullptr ? 1 : 0;
  }
  return AsCollectable(member)->IsEqual(AsCollectable(item)) ? 1 : 0;
}

struct CallerTest {
  RWTestCollectable test;
  const void* client_data;
};

int RunCallerTest(const void* member, const void* client_data) {
  const auto* caller = static_cast<const CallerTest*>(client_data);
  return caller->test(AsCollectable(member), caller->client_data);
}

struct Walk {
  RWApplyCollectable function;
  void* client_data;
};

void VisitMember(void* member, void* client_data) {
  const auto* walk = static_cast<Walk*>(client_data);
  walk->function(static_cast<RWCollectable*>(member), walk->client_data);
}

struct SlotWalk {
  RWSlistCollectables::ApplySlot function;
  void* client_data;
};

void VisitSlot(void*& slot, void* client_data) {
  const auto* walk = static_cast<SlotWalk*>(client_data);
  RWCollectable* member = static_cast<RWCollectable*>(slot);
  walk->function(member, walk->client_data);
  slot = member;
}

}  // namespace

RWSlistCollectables::RWSlistCollectables(const RWSlistCollectables& other) : RWSequenceable(other) {
  static_cast<void>(list_.CopyFrom(other.list_));
}

RWSlistCollectables& RWSlistCollectables::operator=(const RWSlistCollectables& other) {
  static_cast<void>(list_.CopyFrom(other.list_));
  return *this;
}

RWCollectable* RWSlistCollectables::CreateInstance() const {
  return new (std::nothrow) RWSlistCollectables;
}

RWCollectable* RWSlistCollectables::Clone() const {
  auto* copy = new (std::nothrow) RWSlistCollectables;
  if (copy != nullptr && !copy->list_.CopyFrom(list_)) {
    delete copy;
    return nullptr;
  }
  return copy;
}

RWClassID RWSlistCollectables::IsA() const {
  return kRWSlistCollectablesClassId;
}

RWCollectable* RWSlistCollectables::Create() {
  return new (std::nothrow) RWSlistCollectables;
}

bool RWSlistCollectables::IsEqual(const RWCollectable* other) const {
  if (other == nullptr || other->IsA() != kRWSlistCollectablesClassId) {
    return false;
  }
  const RWEqualityDepth guard(this, other);
  if (other == this || guard.Exceeded()) {
    return other == this;
  }
  if (bool known = false; guard.Known(&known)) {
    return known;
  }
  const auto* list = dynamic_cast<const RWSlistCollectables*>(other);
  if (list == nullptr || list->Entries() != Entries()) {
    return false;
  }
  RWPointerSlistIterator mine(list_);
  RWPointerSlistIterator theirs(list->list_);
  for (std::uint32_t i = 0; i < Entries(); ++i) {
    if (MemberEquals(mine.Advance(), theirs.Advance()) == 0) {
      return guard.Remember(false);
    }
  }
  return guard.Remember(true);
}

std::uint32_t RWSlistCollectables::Hash() const {
  return HashWithMembers(
      [](const RWCollectable* member) { return member != nullptr ? member->Hash() : 0u; },
      MemberOrder::kAsApplied, Members::kNotCollections);
}

void RWSlistCollectables::Apply(RWApplyCollectable function, void* client_data) const {
  Walk walk{function, client_data};
  list_.Apply(VisitMember, &walk);
}

RWCollectable* RWSlistCollectables::Find(const RWCollectable* item) const {
  return static_cast<RWCollectable*>(list_.Find(MemberEquals, item));
}

RWCollectable* RWSlistCollectables::Insert(RWCollectable* item) {
  return Append(item);
}

std::uint32_t RWSlistCollectables::OccurrencesOf(const RWCollectable* item) const {
  return list_.OccurrencesOf(MemberEquals, item);
}

RWCollectable* RWSlistCollectables::Remove(const RWCollectable* item) {
  return static_cast<RWCollectable*>(list_.Remove(MemberEquals, item));
}

RWCollectable* RWSlistCollectables::Append(RWCollectable* item) {
  return list_.Append(item) ? item : nullptr;
}

RWCollectable* RWSlistCollectables::At(std::size_t index) const {
  return static_cast<RWCollectable*>(list_.At(index));
}

RWCollectable*& RWSlistCollectables::At(std::size_t index) {
  // The nodes store untyped pointers that hold RWCollectable addresses.
  return reinterpret_cast<RWCollectable*&>(list_.SlotAt(index));
}

RWCollectable* RWSlistCollectables::First() const {
  return static_cast<RWCollectable*>(list_.First());
}

std::size_t RWSlistCollectables::Index(const RWCollectable* item) const {
  return list_.Index(MemberEquals, item);
}

RWCollectable* RWSlistCollectables::InsertAt(std::size_t index, RWCollectable* item) {
  return list_.InsertAt(index, item) ? item : nullptr;
}

RWCollectable* RWSlistCollectables::Last() const {
  return static_cast<RWCollectable*>(list_.Last());
}

RWCollectable* RWSlistCollectables::Prepend(RWCollectable* item) {
  return list_.Prepend(item) ? item : nullptr;
}

RWCollectable* RWSlistCollectables::InsertAfter(std::size_t index, RWCollectable* item) {
  return list_.InsertAfter(index, item) ? item : nullptr;
}

bool RWSlistCollectables::ContainsReference(const RWCollectable* item) const {
  return list_.ContainsReference(item);
}

std::uint32_t RWSlistCollectables::OccurrencesOfReference(const RWCollectable* item) const {
  return list_.OccurrencesOfReference(item);
}

RWCollectable* RWSlistCollectables::RemoveReference(const RWCollectable* item) {
  return static_cast<RWCollectable*>(list_.RemoveReference(item));
}

RWCollectable* RWSlistCollectables::Find(RWTestCollectable test, const void* client_data) const {
  const CallerTest caller{test, client_data};
  return static_cast<RWCollectable*>(list_.Find(RunCallerTest, &caller));
}

std::uint32_t RWSlistCollectables::OccurrencesOf(RWTestCollectable test,
                                                 const void* client_data) const {
  const CallerTest caller{test, client_data};
  return list_.OccurrencesOf(RunCallerTest, &caller);
}

std::size_t RWSlistCollectables::Index(RWTestCollectable test, const void* client_data) const {
  const CallerTest caller{test, client_data};
  return list_.Index(RunCallerTest, &caller);
}

RWCollectable* RWSlistCollectables::Remove(RWTestCollectable test, const void* client_data) {
  const CallerTest caller{test, client_data};
  return static_cast<RWCollectable*>(list_.Remove(RunCallerTest, &caller));
}

void RWSlistCollectables::ApplyReference(ApplySlot function, void* client_data) {
  SlotWalk walk{function, client_data};
  list_.ApplyToSlots(VisitSlot, &walk);
}

RWCollectable* RWSlistCollectablesIterator::FindNext(const RWCollectable* item) {
  return static_cast<RWCollectable*>(cursor_.FindNext(MemberEquals, item));
}

RWCollectable* RWSlistCollectablesIterator::Key() const {
  return static_cast<RWCollectable*>(cursor_.Key());
}

RWCollectable* RWSlistCollectablesIterator::Next() {
  return static_cast<RWCollectable*>(cursor_.Advance(1));
}

RWCollectable* RWSlistCollectablesIterator::Advance(std::size_t n) {
  return static_cast<RWCollectable*>(cursor_.Advance(n));
}

RWCollectable* RWSlistCollectablesIterator::FindNext(RWTestCollectable test,
                                                     const void* client_data) {
  const CallerTest caller{test, client_data};
  return static_cast<RWCollectable*>(cursor_.FindNext(RunCallerTest, &caller));
}

RWCollectable* RWSlistCollectablesIterator::FindNextReference(const RWCollectable* item) {
  return static_cast<RWCollectable*>(cursor_.FindNextReference(item));
}

RWCollectable* RWSlistCollectablesIterator::InsertAfterPoint(RWCollectable* item) {
  return cursor_.InsertAfterPoint(item) ? item : nullptr;
}

RWCollectable* RWSlistCollectablesIterator::RemoveCurrent() {
  return static_cast<RWCollectable*>(cursor_.RemoveCurrent());
}

RWCollectable* RWSlistCollectablesIterator::RemoveNext(RWTestCollectable test,
                                                       const void* client_data) {
  const CallerTest caller{test, client_data};
  return static_cast<RWCollectable*>(cursor_.RemoveNext(RunCallerTest, &caller));
}

RWCollectable* RWSlistCollectablesIterator::RemoveNextReference(const RWCollectable* item) {
  return static_cast<RWCollectable*>(cursor_.RemoveNextReference(item));
}
