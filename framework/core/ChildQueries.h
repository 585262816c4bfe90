// The read-only composite queries of a class that keeps its children in one embedded list: each
// finds, collects or iterates over that list, so the classes define them with one line. A class
// whose iterator must not be the list's own defines the finds alone (VEL_DEFINE_CHILD_FINDS).
#pragma once

#define VEL_DEFINE_CHILD_FINDS(Class, children)                                        \
  GBaseObject* Class::FindByKey(std::uint32_t key) const {                             \
    return children.FindByKey(key);                                                    \
  }                                                                                    \
  GBaseObject* Class::FindByClassId(RWClassID id) const {                              \
    return children.FindByClassId(id);                                                 \
  }                                                                                    \
  GBaseObject* Class::FindEqual(const GBaseObject* object) const {                     \
    return children.FindEqual(object);                                                 \
  }                                                                                    \
  GBaseObject* Class::FindKindOf(RWClassID id) const {                                 \
    return children.FindKindOf(id);                                                    \
  }                                                                                    \
  GBaseObject* Class::CollectByClassId(RWClassID id, GBaseObject* collection) const {  \
    return children.CollectByClassId(id, collection);                                  \
  }                                                                                    \
  GBaseObject* Class::CollectByKey(std::uint32_t key, GBaseObject* collection) const { \
    return children.CollectByKey(key, collection);                                     \
  }                                                                                    \
  GBaseObject* Class::FindAllByKey(std::uint32_t key) const {                          \
    return children.FindAllByKey(key);                                                 \
  }                                                                                    \
  GBaseObject* Class::FindAllByClassId(RWClassID id) const {                           \
    return children.FindAllByClassId(id);                                              \
  }                                                                                    \
  GBaseObject* Class::CollectKindOf(RWClassID id, GBaseObject* collection) const {     \
    return children.CollectKindOf(id, collection);                                     \
  }                                                                                    \
  GBaseObject* Class::FindAllKindOf(RWClassID id) const {                              \
    return children.FindAllKindOf(id);                                                 \
  }

#define VEL_DEFINE_CHILD_QUERIES(Class, children)                                      \
  VEL_DEFINE_CHILD_FINDS(Class, children)                                              \
  GIterator* Class::CreateIterator() const {                                           \
    return children.CreateIterator();                                                  \
  }
