// GEnumAttribute: choices of one class with one current, and its stored form.
#include "framework/core/GEnumAttribute.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/StoredFields.h"
#include "rw/rwstore.h"

GEnumAttribute::GEnumAttribute(const GEnumAttribute& other)
    : GAttributeComposite(other), choice_class_(other.choice_class_) {
  // The choices are shared, so the choice found in the source is one of this copy's too.
  GBaseObject* current = other.GetCurrent();
  current_ = current != nullptr ? other.FindEqual(current) : nullptr;
  if (ChoiceIndex(current_) == GCountedPtrArray::kNotFound) {
    current_ = nullptr;
  }
}

RWClassID GEnumAttribute::ClassId() {
  return vel::classid::kGEnumAttribute;
}

RWCollectable* GEnumAttribute::Create() {
  return new (std::nothrow) GEnumAttribute;
}

RWCollectable* GEnumAttribute::CreateInstance() const {
  return Create();
}

RWCollectable* GEnumAttribute::Clone() const {
  return new (std::nothrow) GEnumAttribute(*this);
}

RWClassID GEnumAttribute::IsA() const {
  return ClassId();
}

RWClassID GEnumAttribute::CategoryId() const {
  return vel::classid::kGEnumAttribute;
}

bool GEnumAttribute::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGEnumAttribute || GAttributeComposite::IsKindOf(id);
}

std::uint32_t GEnumAttribute::ChoiceIndex(const GBaseObject* object) const {
  return object != nullptr ? Children().IndexOf(object) : GCountedPtrArray::kNotFound;
}

GBaseObject* GEnumAttribute::GetCurrent() const {
  return ChoiceIndex(current_) != GCountedPtrArray::kNotFound ? current_ : nullptr;
}

std::uint32_t GEnumAttribute::StoredByteCount() const {
  // One size pass: the current choice is a reference to a child counted before it.
  RWSaveTableScope scope(RWSaveTable::Purpose::kSize);
  const std::uint32_t group = GAttributeComposite::StoredByteCount();
  return group + 4 + RWTotalStoredSize(GetCurrent()) + 2;
}

template <typename Carrier>
void GEnumAttribute::Save(Carrier& carrier) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  GAttributeComposite::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  carrier << static_cast<const RWCollectable*>(GetCurrent());
  vel::WriteField(carrier, static_cast<std::uint16_t>(choice_class_));
}

void GEnumAttribute::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GEnumAttribute::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GEnumAttribute::Restore(Carrier& carrier) {
  RWLoadTableScope scope;  // one restore for every record, as the save shares one table
  // The group's restore clears the choices through Clear, which drops the current choice too.
  GAttributeComposite::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  {
    RWRestoredMember member(carrier, nullptr);
    RWCollectable* object = member.Object();
    if (!vel::CarrierGood(carrier) ||
        (object != nullptr && !GBaseObject::IsFrameworkObject(object)) ||
        member.NamesOpenRecord()) {
      member.Keep(RWHold::kRefuses);
      vel::FailCarrier(carrier);
      return;
    }
    auto* read = static_cast<GBaseObject*>(object);
    if (read == nullptr) {
      current_ = nullptr;
      member.Keep(RWHold::kRefuses);
    } else if (ChoiceIndex(read) != GCountedPtrArray::kNotFound) {
      current_ = read;  // the child itself, written as a reference
      member.Keep(RWHold::kHolds);
    } else {
      // Not one of the choices: the equal choice stands for it, and what was read goes with the
      // end of the restore unless something else keeps it.
      GBaseObject* equal = FindEqual(read);
      current_ = ChoiceIndex(equal) != GCountedPtrArray::kNotFound ? equal : nullptr;
      member.Keep(RWHold::kRefuses);
    }
  }
  std::uint16_t choice_class = 0;
  if (vel::ReadField(carrier, choice_class)) {
    choice_class_ = choice_class;
  }
}

void GEnumAttribute::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GEnumAttribute::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

bool GEnumAttribute::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GAttributeComposite::IsSameKey(other)) {
    return false;
  }
  const auto* enumeration = dynamic_cast<const GEnumAttribute*>(other);
  if (enumeration == nullptr) {
    return false;
  }
  const GBaseObject* mine = GetCurrent();
  const GBaseObject* theirs = enumeration->GetCurrent();
  if ((mine == nullptr) != (theirs == nullptr)) {
    return false;
  }
  if (mine != nullptr && !mine->IsSameKey(theirs)) {
    return false;
  }
  return choice_class_ == enumeration->choice_class_;
}

void GEnumAttribute::Add(GBaseObject* object) {
  if (object == nullptr) {
    return;
  }
  const bool held_here = ChoiceIndex(object) != GCountedPtrArray::kNotFound;
  if (!object->IsKindOf(vel::classid::kGAttribute)) {
    vel::DestroyRefused(object, held_here);
    return;
  }
  if (choice_class_ == 0) {
    choice_class_ = object->IsA();
  } else if (object->IsA() != choice_class_) {
    vel::DestroyRefused(object, held_here);
    return;
  }
  if (held_here || FindEqual(object) != nullptr) {
    vel::DestroyRefused(object, held_here);
    return;
  }
  if (!Append(object)) {
    vel::DestroyRefused(object, false);
    return;
  }
  if (GetCurrent() == nullptr) {
    current_ = object;
  }
}

GBaseObject* GEnumAttribute::RemoveObject(const GBaseObject* object) {
  GBaseObject* removed = GAttributeComposite::RemoveObject(object);
  // The current choice was alive until now (a removal hands the child itself or a clone back),
  // so comparing its address with the remaining choices is sound.
  if (current_ != nullptr && ChoiceIndex(current_) == GCountedPtrArray::kNotFound) {
    current_ = Count() > 0 ? ChildAt(0) : nullptr;
  }
  return removed;
}

GBaseObject* GEnumAttribute::RemoveByKey(std::uint32_t key) {
  const GBaseObject* found = FindByKey(key);
  return found != nullptr ? RemoveObject(found) : nullptr;
}

GBaseObject* GEnumAttribute::RemoveByClassId(RWClassID id) {
  const GBaseObject* found = FindByClassId(id);
  return found != nullptr ? RemoveObject(found) : nullptr;
}

void GEnumAttribute::Clear() {
  GAttributeComposite::Clear();
  current_ = nullptr;
}

std::int32_t GEnumAttribute::UpdateFrom(GAttribute* /*other*/) {
  return 0;
}

std::uint16_t GEnumAttribute::Accept(GTypedHandlers& handlers) {
  const std::uint16_t status = handlers.HandleEnumAttribute(*this);
  SetEnabled(0);
  return status;
}

GBaseObject* GEnumAttribute::Select(const GBaseObject* object) {
  GBaseObject* found = object != nullptr ? FindEqual(object) : nullptr;
  if (ChoiceIndex(found) == GCountedPtrArray::kNotFound) {
    return nullptr;  // nothing, or an object nested inside a choice
  }
  current_ = found;
  return found;
}

void GEnumAttribute::SelectNext() {
  const std::uint32_t index = ChoiceIndex(current_);
  if (index != GCountedPtrArray::kNotFound && index + 1 < Count()) {
    current_ = ChildAt(index + 1);
  }
}

void GEnumAttribute::SelectPrevious() {
  const std::uint32_t index = ChoiceIndex(current_);
  if (index != GCountedPtrArray::kNotFound && index > 0) {
    current_ = ChildAt(index - 1);
  }
}
