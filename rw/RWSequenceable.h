// The abstract layer of the collections that keep their members in a sequence, addressed by
// position.
#pragma once

#include <cstddef>

#include "rw/RWCollectionBase.h"

class RWSequenceable : public RWCollectionBase {
 public:
  // Adds at the end; returns the item (null when memory is short).
  virtual RWCollectable* Append(RWCollectable* item) = 0;
  // The member at `index`. An index at or beyond Entries raises the index error (with null, when
  // the hook returns).
  virtual RWCollectable* At(std::size_t index) const = 0;
  // The slot holding the member at `index`, which the caller may overwrite.
  virtual RWCollectable*& At(std::size_t index) = 0;
  // The first member, or null when empty.
  virtual RWCollectable* First() const = 0;
  // The index of the first member equal to the item, or RW_NPOS.
  virtual std::size_t Index(const RWCollectable* item) const = 0;
  // Inserts so that the item becomes member `index` (0 = front, Entries = end); returns it, or
  // null after an index error or when memory is short.
  virtual RWCollectable* InsertAt(std::size_t index, RWCollectable* item) = 0;
  // The last member, or null when empty.
  virtual RWCollectable* Last() const = 0;
  // Adds at the front; returns the item (null when memory is short).
  virtual RWCollectable* Prepend(RWCollectable* item) = 0;
};
