// A sorted map from collectable keys to collectable values: an RWBTree whose members are
// key/value associations, ordered by the keys' own Compare.
//
// The dictionary owns its associations, never the keys or values. The collection operations it
// keeps from RWBTree (Apply, Insert, Entries, IsEmpty, OccurrencesOf) see the associations as the
// members; Find, Remove, RemoveAndDestroy, Clear and ClearAndDestroy work by key.
#pragma once

#include <cstdint>

#include "rw/RWBTree.h"

class RWCollectableAssociation;

inline constexpr RWClassID kRWBTreeDictionaryClassId = 0x8004;

using RWApplyKeyAndValue = void (*)(RWCollectable* key, RWCollectable* value, void* client_data);
// A selection test on a pair: non-zero selects it.
using RWTestCollectablePair = int (*)(const RWCollectable* key,
                                      const RWCollectable* value,
                                      const void* client_data);

class RWBTreeDictionary : public RWBTree {
 public:
  RWBTreeDictionary() = default;
  // A new association for every pair of the other; keys and values are shared.
  RWBTreeDictionary(const RWBTreeDictionary& other);
  RWBTreeDictionary& operator=(const RWBTreeDictionary& other);
  // Deletes every association (not the keys or values).
  ~RWBTreeDictionary() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The other is an RWBTreeDictionary with as many pairs, holding every key of this one with a
  // value that is null when this value is null, and otherwise non-null and equal to it.
  bool IsEqual(const RWCollectable* other) const override;

  // Deletes every association, then empties the tree.
  void Clear() override;
  // Deletes every distinct key and value once, then clears.
  void ClearAndDestroy() override;
  // The stored key equal to `key`, or null.
  RWCollectable* Find(const RWCollectable* key) const override;
  // Takes over an RWCollectableAssociation as a member (anything else is refused with null).
  RWCollectable* Insert(RWCollectable* item) override;
  // Removes the pair, deletes its association and returns the stored key (null when absent).
  RWCollectable* Remove(const RWCollectable* key) override;
  // Removes the pair and deletes its key, its value (once when they are the same object) and its
  // association; true when a pair was removed.
  bool RemoveAndDestroy(const RWCollectable* key) override;

  // Makes an association and inserts it; returns the key, or null when a pair with an equal key
  // is present (its value is kept) or memory is short.
  RWCollectable* InsertKeyAndValue(RWCollectable* key, RWCollectable* value);
  // The stored value, or null.
  RWCollectable* FindValue(const RWCollectable* key) const;
  // The stored key, with its value in `value`; null and null when absent.
  RWCollectable* FindKeyAndValue(const RWCollectable* key, RWCollectable*& value) const;
  // Replaces the value of a present key and returns the old value; null when absent (nothing is
  // stored then).
  RWCollectable* FindValue(const RWCollectable* key, RWCollectable* new_value);
  // As Remove, also handing back the value (null when absent).
  RWCollectable* RemoveKeyAndValue(const RWCollectable* key, RWCollectable*& value);
  // Calls function(key, value, client_data) for every pair in ascending key order.
  void ApplyToKeyAndValue(RWApplyKeyAndValue function, void* client_data) const;
  // New dictionaries (owned by the caller; null when memory is short) of the pairs for which
  // test(key, client_data), respectively test(key, value, client_data), is non-zero.
  RWBTreeDictionary* SelectByKey(RWTestCollectable test, const void* client_data) const;
  RWBTreeDictionary* SelectByKeyAndValue(RWTestCollectablePair test, const void* client_data) const;

  static RWClassID ClassId() { return kRWBTreeDictionaryClassId; }
  static const char* ClassName() { return "RWBTreeDictionary"; }
  static RWCollectable* Create();

 private:
  // The association holding `key`, or null.
  RWCollectableAssociation* FindAssociation(const RWCollectable* key) const;
  // Adds a new association for every pair of `other` that passes `test` (all when null).
  void AddPairsOf(const RWBTreeDictionary& other,
                  RWTestCollectablePair test,
                  const void* client_data);
};
