// The B-tree dictionary of collectable keys and values.
#include "rw/RWBTreeDictionary.h"

#include <new>

#include "rw/RWCollectableAssociation.h"
#include "rw/RWIdentitySet.h"

namespace {

RWCollectableAssociation* AsAssociation(RWCollectable* member) {
  return static_cast<RWCollectableAssociation*>(member);
}

void DestroyAssociation(RWCollectable* member, void*) {
  delete member;
}

struct PairWalk {
  RWApplyKeyAndValue function;
  void* client_data;
};

void ApplyToPair(RWCollectable* member, void* client_data) {
  const auto* walk = static_cast<PairWalk*>(client_data);
  RWCollectableAssociation* association = AsAssociation(member);
  walk->function(association->Key(), association->Value(), walk->client_data);
}

void GatherKeyAndValue(RWCollectable* key, RWCollectable* value, void* client_data) {
  auto* distinct = static_cast<RWIdentitySet*>(client_data);
  if (key != nullptr) {
    distinct->Insert(key);
  }
  if (value != nullptr) {
    distinct->Insert(value);
  }
}

void Destroy(RWCollectable* item, void*) {
  delete item;
}

struct PairSelection {
  RWTestCollectablePair test;
  const void* client_data;
  RWBTreeDictionary* result;
};

void InsertSelectedPair(RWCollectable* key, RWCollectable* value, void* client_data) {
  const auto* selection = static_cast<PairSelection*>(client_data);
  if (selection->test == nullptr || selection->test(key, value, selection->client_data) != 0) {
    selection->result->InsertKeyAndValue(key, value);
  }
}

struct KeyTest {
  RWTestCollectable test;
  const void* client_data;
};

int TestKeyOnly(const RWCollectable* key, const RWCollectable*, const void* client_data) {
  const auto* key_test = static_cast<const KeyTest*>(client_data);
  return key_test->test(key, key_test->client_data);
}

struct Equality {
  const RWBTreeDictionary* other;
  bool equal = true;
};

void CheckPair(RWCollectable* key, RWCollectable* value, void* client_data) {
  auto* equality = static_cast<Equality*>(client_data);
  if (!equality->equal) {
    return;
  }
  RWCollectable* theirs = nullptr;
  if (equality->other->FindKeyAndValue(key, theirs) == nullptr) {
    equality->equal = false;
  } else if (value == nullptr || theirs == nullptr) {
    equality->equal = value == nullptr && theirs == nullptr;
  } else {
    equality->equal = value->IsEqual(theirs);
  }
}

}  // namespace

RWBTreeDictionary::RWBTreeDictionary(const RWBTreeDictionary& other) : RWBTree() {
  AddPairsOf(other, nullptr, nullptr);
}

RWBTreeDictionary& RWBTreeDictionary::operator=(const RWBTreeDictionary& other) {
  if (&other != this) {
    Clear();
    AddPairsOf(other, nullptr, nullptr);
  }
  return *this;
}

RWBTreeDictionary::~RWBTreeDictionary() {
  RWBTree::Apply(DestroyAssociation, nullptr);
}

RWCollectable* RWBTreeDictionary::CreateInstance() const {
  return new (std::nothrow) RWBTreeDictionary;
}

RWCollectable* RWBTreeDictionary::Clone() const {
  return new (std::nothrow) RWBTreeDictionary(*this);
}

RWClassID RWBTreeDictionary::IsA() const {
  return kRWBTreeDictionaryClassId;
}

RWCollectable* RWBTreeDictionary::Create() {
  return new (std::nothrow) RWBTreeDictionary;
}

bool RWBTreeDictionary::IsEqual(const RWCollectable* other) const {
  if (other == nullptr || other->IsA() != kRWBTreeDictionaryClassId) {
    return false;
  }
  const RWEqualityDepth guard(this, other);
  if (other == this || guard.Exceeded()) {
    return other == this;
  }
  if (bool known = false; guard.Known(&known)) {
    return known;
  }
  const auto* dictionary = dynamic_cast<const RWBTreeDictionary*>(other);
  if (dictionary == nullptr || dictionary->Entries() != Entries()) {
    return false;
  }
  Equality equality{dictionary};
  ApplyToKeyAndValue(CheckPair, &equality);
  return guard.Remember(equality.equal);
}

void RWBTreeDictionary::Clear() {
  RWBTree::Apply(DestroyAssociation, nullptr);
  RWBTree::Clear();
}

void RWBTreeDictionary::ClearAndDestroy() {
  // A key may also be a value, or be shared by several pairs: each object is deleted once.
  RWIdentitySet distinct(Entries() / 4);
  ApplyToKeyAndValue(GatherKeyAndValue, &distinct);
  distinct.Apply(Destroy, nullptr);
  distinct.Clear();
  Clear();
}

RWCollectableAssociation* RWBTreeDictionary::FindAssociation(const RWCollectable* key) const {
  return AsAssociation(RWBTree::Find(key));
}

RWCollectable* RWBTreeDictionary::Find(const RWCollectable* key) const {
  const RWCollectableAssociation* association = FindAssociation(key);
  return association != nullptr ? association->Key() : nullptr;
}

RWCollectable* RWBTreeDictionary::Insert(RWCollectable* item) {
  if (dynamic_cast<RWCollectableAssociation*>(item) == nullptr) {
    return nullptr;
  }
  return RWBTree::Insert(item);
}

RWCollectable* RWBTreeDictionary::Remove(const RWCollectable* key) {
  RWCollectable* value = nullptr;
  return RemoveKeyAndValue(key, value);
}

bool RWBTreeDictionary::RemoveAndDestroy(const RWCollectable* key) {
  RWCollectable* value = nullptr;
  RWCollectable* stored_key = RemoveKeyAndValue(key, value);
  if (stored_key == nullptr) {
    return false;
  }
  if (value != stored_key) {
    delete value;
  }
  delete stored_key;
  return true;
}

RWCollectable* RWBTreeDictionary::InsertKeyAndValue(RWCollectable* key, RWCollectable* value) {
  if (key == nullptr) {
    return nullptr;
  }
  auto* association = new (std::nothrow) RWCollectableAssociation(key, value);
  if (association == nullptr) {
    return nullptr;
  }
  if (RWBTree::Insert(association) != association) {
    delete association;
    return nullptr;
  }
  return key;
}

RWCollectable* RWBTreeDictionary::FindValue(const RWCollectable* key) const {
  const RWCollectableAssociation* association = FindAssociation(key);
  return association != nullptr ? association->Value() : nullptr;
}

RWCollectable* RWBTreeDictionary::FindKeyAndValue(const RWCollectable* key,
                                                  RWCollectable*& value) const {
  const RWCollectableAssociation* association = FindAssociation(key);
  if (association == nullptr) {
    value = nullptr;
    return nullptr;
  }
  value = association->Value();
  return association->Key();
}

RWCollectable* RWBTreeDictionary::FindValue(const RWCollectable* key, RWCollectable* new_value) {
  RWCollectableAssociation* association = FindAssociation(key);
  return association != nullptr ? association->SetValue(new_value) : nullptr;
}

RWCollectable* RWBTreeDictionary::RemoveKeyAndValue(const RWCollectable* key,
                                                    RWCollectable*& value) {
  RWCollectableAssociation* association = AsAssociation(RWBTree::Remove(key));
  if (association == nullptr) {
    value = nullptr;
    return nullptr;
  }
  RWCollectable* stored_key = association->Key();
  value = association->Value();
  delete association;
  return stored_key;
}

void RWBTreeDictionary::ApplyToKeyAndValue(RWApplyKeyAndValue function, void* client_data) const {
  PairWalk walk{function, client_data};
  RWBTree::Apply(ApplyToPair, &walk);
}

void RWBTreeDictionary::AddPairsOf(const RWBTreeDictionary& other,
                                   RWTestCollectablePair test,
                                   const void* client_data) {
  PairSelection selection{test, client_data, this};
  other.ApplyToKeyAndValue(InsertSelectedPair, &selection);
}

RWBTreeDictionary* RWBTreeDictionary::SelectByKey(RWTestCollectable test,
                                                  const void* client_data) const {
  const KeyTest key_test{test, client_data};
  return SelectByKeyAndValue(TestKeyOnly, &key_test);
}

RWBTreeDictionary* RWBTreeDictionary::SelectByKeyAndValue(RWTestCollectablePair test,
                                                          const void* client_data) const {
  auto* result = new (std::nothrow) RWBTreeDictionary;
  if (result != nullptr) {
    result->AddPairsOf(*this, test, client_data);
  }
  return result;
}
