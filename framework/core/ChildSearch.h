// Depth-first removal and replacement among the children of a framework container, shared by the
// composites that hold their children by counted references.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/core/GCountedPtr.h"
#include "framework/core/GCountedPtrArray.h"

namespace vel {

// The object a removal hands back: the object itself when `reference` was its last holder (let go
// without a delete, so its word is -1 again), else a Clone, the object staying with its other
// holders.
GBaseObject* HandBackRemovedChild(GCountedPtr reference);

// Walks `children` in order: the first child that passes `test` is removed and handed back;
// otherwise `recurse(child)` searches inside each child in turn. Null when nothing matched.
template <typename Test, typename Recurse>
GBaseObject* RemoveFirstChild(GCountedPtrArray& children,
                              const Test& test,
                              const Recurse& recurse) {
  for (std::uint32_t i = 0; i < children.Count(); ++i) {
    GBaseObject* child = children.TargetAt(i);
    if (child == nullptr) {
      continue;
    }
    if (test(child)) {
      return HandBackRemovedChild(children.RemoveAt(i));
    }
    if (GBaseObject* found = recurse(child)) {
      return found;
    }
  }
  return nullptr;
}

// Walks `children` in order: the first child that passes `test` is replaced by a deep copy of
// `replacement` (1; 0 when there is no copy to be had); otherwise `recurse(child)` tries inside
// each child in turn and its first non-zero answer is the answer.
template <typename Test, typename Recurse>
int ReplaceFirstChild(GCountedPtrArray& children,
                      const Test& test,
                      const Recurse& recurse,
                      const GBaseObject* replacement) {
  for (std::uint32_t i = 0; i < children.Count(); ++i) {
    GBaseObject* child = children.TargetAt(i);
    if (child == nullptr) {
      continue;
    }
    if (test(child)) {
      GBaseObject* copy = replacement != nullptr ? replacement->DeepCopy() : nullptr;
      if (copy == nullptr) {
        return 0;
      }
      children.Set(i, GCountedPtr(copy));
      return 1;
    }
    if (const int answer = recurse(child); answer != 0) {
      return answer;
    }
  }
  return 0;
}

}  // namespace vel
