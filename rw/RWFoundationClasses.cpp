// Registration of the foundation library's persistent classes with the class factory.
#include <cstddef>
#include <iterator>

#include "rw/RWBTree.h"
#include "rw/RWBTreeDictionary.h"
#include "rw/RWCollectable.h"
#include "rw/RWCollectableAssociation.h"
#include "rw/RWFactory.h"
#include "rw/RWHashTable.h"
#include "rw/RWIdentitySet.h"
#include "rw/RWSet.h"
#include "rw/RWSlistCollectables.h"

namespace {

template <typename T>
RWClassRegistration Entry() {
  return RWClassRegistration{&T::Create, T::ClassId(), T::ClassName()};
}

}  // namespace

const RWClassRegistration* RWFoundationClasses(std::size_t* count) {
  // Made on first use, so that a registration made during start-up never sees an empty table.
  static const RWClassRegistration classes[] = {
      Entry<RWCollectable>(),
      Entry<RWHashTable>(),
      Entry<RWSet>(),
      Entry<RWIdentitySet>(),
      Entry<RWBTree>(),
      Entry<RWBTreeDictionary>(),
      Entry<RWCollectableAssociation>(),
      Entry<RWCollectableIDAssociation>(),
      Entry<RWSlistCollectables>(),
  };
  *count = std::size(classes);
  return classes;
}

void RWRegisterFoundationClasses() {
  std::size_t count = 0;
  const RWClassRegistration* classes = RWFoundationClasses(&count);
  RWRegisterClasses(classes, count);
}

void RWUnregisterFoundationClasses() {
  std::size_t count = 0;
  const RWClassRegistration* classes = RWFoundationClasses(&count);
  RWUnregisterClasses(classes, count);
}
