// GIndexedIterator: walking a composite's children by index.
#include "framework/core/GIndexedIterator.h"

#include "framework/core/GBaseObject.h"
#include "framework/core/GCountedPtrArray.h"

bool GIndexedIterator::HasCurrent() const {
  return index_ >= 0 && static_cast<std::uint32_t>(index_) < children_.Count();
}

GBaseObject* GIndexedIterator::Current() const {
  return HasCurrent() ? children_.TargetAt(static_cast<std::uint32_t>(index_)) : nullptr;
}

void GIndexedIterator::ReplaceCurrent(GBaseObject* object) {
  if (!HasCurrent() || object == nullptr) {
    vel::DestroyRefused(
        object, object != nullptr && children_.IndexOf(object) != GCountedPtrArray::kNotFound);
    return;
  }
  children_.Set(static_cast<std::uint32_t>(index_), GCountedPtr(object));
}

int GIndexedIterator::Advance() {
  if (index_ < 0) {
    index_ = 0;
  } else {
    ++index_;
  }
  if (static_cast<std::uint32_t>(index_) < children_.Count()) {
    return 1;
  }
  index_ = -1;
  return 0;
}

GCountedPtr GIndexedIterator::CurrentRef() const {
  return HasCurrent() ? children_.At(static_cast<std::uint32_t>(index_)) : GBaseObject::EmptyRef();
}

void GIndexedIterator::RemoveCurrent() {
  if (!HasCurrent()) {
    return;
  }
  GCountedPtr removed = children_.RemoveAt(static_cast<std::uint32_t>(index_));
  --index_;  // the next Advance gives the child that moved into this place
}

void GIndexedIterator::ReplaceCurrentRef(const GCountedPtr& reference) {
  if (HasCurrent()) {
    children_.Set(static_cast<std::uint32_t>(index_), reference);
  }
}

int GIndexedIterator::StepBack() {
  if (index_ < 0) {
    index_ = static_cast<std::int32_t>(children_.Count()) - 1;
  } else {
    --index_;
  }
  if (index_ >= 0) {
    return 1;
  }
  index_ = -1;
  return 0;
}
