// Binary search over an array of fixed-width elements.
#include "rw/BinarySearch.h"

namespace vel {

bool BinarySearch(const void* key,
                  const void* base,
                  std::size_t count,
                  std::size_t width,
                  BinarySearchCompare compare,
                  std::size_t* index) {
  if (count == 0) {
    *index = 0;
    return false;
  }
  const auto* bytes = static_cast<const unsigned char*>(base);
  std::size_t lo = 0;
  std::size_t hi = count - 1;
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    const int order = compare(bytes + mid * width, key);
    if (order == 0) {
      *index = mid;
      return true;
    }
    if (order < 0) {
      lo = mid + 1;
    } else {
      // The high end stops at 0 rather than wrapping below it.
      hi = mid == 0 ? 0 : mid - 1;
    }
  }
  // lo never passes count - 1: it only moves to mid + 1 <= hi.
  *index = lo;
  return compare(bytes + lo * width, key) == 0;
}

}  // namespace vel
