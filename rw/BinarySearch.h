// Binary search over an array of fixed-width elements sorted by a compare function.
#pragma once

#include <cstddef>

namespace vel {

// compare(element, key) answers negative, zero or positive as the element sorts before, equal to
// or after the key.
using BinarySearchCompare = int (*)(const void* element, const void* key);

// Searches `count` elements of `width` bytes at `base` for `key`. Returns whether an equal element
// was found and sets `*index`: the index of the equal element found; on a miss, the index where
// the search ended (0 for an empty range), an element near the key's place that callers must
// compare themselves before inserting there.
bool BinarySearch(const void* key,
                  const void* base,
                  std::size_t count,
                  std::size_t width,
                  BinarySearchCompare compare,
                  std::size_t* index);

}  // namespace vel
