// The hand-back rule of removals from framework containers.
#include "framework/core/ChildSearch.h"

#include "rw/RWCollectable.h"

namespace vel {

GBaseObject* HandBackRemovedChild(GCountedPtr reference) {
  GBaseObject* object = reference.Get();
  if (object == nullptr) {
    return nullptr;
  }
  if (object->References() == 0) {
    return reference.Release();
  }
  RWCollectable* clone = object->Clone();
  auto* copy = dynamic_cast<GBaseObject*>(clone);
  if (copy == nullptr) {
    delete clone;
  }
  return copy;
}

}  // namespace vel
