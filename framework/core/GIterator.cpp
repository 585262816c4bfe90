// GNullIterator: the iterator of an empty sequence.
#include "framework/core/GIterator.h"

#include "framework/core/GBaseObject.h"

void GNullIterator::ReplaceCurrent(GBaseObject* object) {
  // There is no current item to put it in: the object is refused.
  vel::DestroyRefused(object, false);
}

GCountedPtr GNullIterator::CurrentRef() const {
  return GBaseObject::EmptyRef();
}
