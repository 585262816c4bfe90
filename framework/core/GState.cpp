// GState: placement by category and key, merging and the trailing version word.
#include "framework/core/GState.h"

#include <new>
#include <utility>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"

RWClassID GState::ClassId() {
  return vel::classid::kGState;
}

RWCollectable* GState::Create() {
  return new (std::nothrow) GState;
}

RWCollectable* GState::CreateInstance() const {
  return Create();
}

RWCollectable* GState::Clone() const {
  return new (std::nothrow) GState(*this);
}

RWClassID GState::IsA() const {
  return ClassId();
}

bool GState::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGState || GAttributeComposite::IsKindOf(id);
}

std::uint32_t GState::StoredByteCount() const {
  return GAttributeComposite::StoredByteCount() + 4;
}

// The state's own word is written as a plain field: a restore reads it without checking it, so
// it is not one of the checked class version words.
void GState::SaveContents(RWVirtualOutStream& stream) const {
  GAttributeComposite::SaveContents(stream);
  vel::WriteField(stream, vel::kClassVersion);
}

void GState::SaveContents(RWBinaryFile& file) const {
  GAttributeComposite::SaveContents(file);
  vel::WriteField(file, vel::kClassVersion);
}

template <typename Carrier>
void GState::Restore(Carrier& carrier) {
  GAttributeComposite::RestoreContents(carrier);
  if (vel::CarrierGood(carrier) && !vel::SkipClassVersion(carrier)) {
    vel::FailCarrier(carrier);
  }
}

void GState::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GState::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GState::Add(GBaseObject* object) {
  SetAttribute(object);
}

void GState::SetAttribute(GBaseObject* attribute) {
  (void)Place(attribute, OnEqual::kRefuse);
}

bool GState::Place(GBaseObject* attribute, OnEqual on_equal) {
  if (attribute == nullptr) {
    return false;
  }
  const std::uint32_t index = IndexOfSameCategoryAndKey(*attribute);
  if (index == GCountedPtrArray::kNotFound) {
    const std::uint32_t before = Count();
    GAttributeComposite::Add(attribute);
    return Count() != before;
  }
  GCountedPtrArray& children = MutableChildren();
  if (children.TargetAt(index)->IsSameKey(attribute)) {
    if (on_equal == OnEqual::kRefuse) {
      vel::DestroyRefused(attribute, children.IndexOf(attribute) != GCountedPtrArray::kNotFound);
    }
    return false;
  }
  // Held first: the attribute may live inside the child that goes.
  GCountedPtr held(attribute);
  (void)children.RemoveAt(index);
  if (index + 1 < children.Count()) {
    (void)children.InsertAt(index + 2, std::move(held));
  } else {
    (void)children.Insert(std::move(held));
  }
  return true;
}

std::int32_t GState::UpdateFrom(GAttribute* other) {
  if (other == nullptr || other == this) {
    return 0;
  }
  const GCountedPtrArray* others = ChildrenOf(*other);
  if (others == nullptr || other->CategoryId() != CategoryId() || other->GetKey() != GetKey()) {
    if (Place(other, OnEqual::kLeave)) {
      other->SetEnabled(1);
    }
    return 0;
  }
  // Each of other's children is held while it is merged, so that other may change under it. A
  // child this state holds already at its place, or an equal one, needs nothing (the common case
  // of a stage merging the bundle of each command), so the hold is taken only once a change is
  // due, and it becomes the state's own reference where the child is taken in.
  const std::uint32_t count = others->Count();
  for (std::uint32_t i = 0; i < count && i < others->Count(); ++i) {
    GBaseObject* candidate = others->TargetAt(i);
    GAttribute* child = candidate != nullptr ? candidate->AsAttribute() : nullptr;
    if (child == nullptr) {
      continue;
    }
    GCountedPtrArray& children = MutableChildren();
    const RWClassID category = child->CategoryId();
    const std::uint32_t index = IndexOfCategoryAndKey(category, child->GetKey());
    GBaseObject* found = index != GCountedPtrArray::kNotFound ? children.TargetAt(index) : nullptr;
    if (found == child) {
      continue;
    }
    // A GState's category is its class (neither it nor its bases file it under another), and the
    // child found has the candidate's category: only for that category can it be a nested state.
    const bool nested = found != nullptr && category == vel::classid::kGState &&
                        found->IsA() == vel::classid::kGState;
    if (found != nullptr && !nested && found->IsSameKey(child)) {
      continue;
    }
    GCountedPtr held = others->At(i);
    if (found == nullptr) {
      if (children.Insert(std::move(held))) {
        child->SetEnabled(1);
      }
    } else if (nested) {
      (void)static_cast<GState*>(found)->UpdateFrom(child);
    } else {
      children.Set(index, std::move(held));
      child->SetEnabled(1);
    }
  }
  return 0;
}
