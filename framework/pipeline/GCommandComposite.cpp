// GCommandComposite.
#include "framework/pipeline/GCommandComposite.h"

#include <new>

#include "framework/core/ChildQueries.h"
#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GIterator.h"
#include "framework/pipeline/CommandParts.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

RWClassID GCommandComposite::ClassId() {
  return vel::classid::kGCommandComposite;
}

RWCollectable* GCommandComposite::Create() {
  return new (std::nothrow) GCommandComposite;
}

RWCollectable* GCommandComposite::CreateInstance() const {
  return Create();
}

RWCollectable* GCommandComposite::Clone() const {
  return new (std::nothrow) GCommandComposite(*this);
}

RWClassID GCommandComposite::IsA() const {
  return ClassId();
}

bool GCommandComposite::IsKindOf(RWClassID id) const {
  return id == ClassId() || GCommand::IsKindOf(id);
}

bool GCommandComposite::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* composite = dynamic_cast<const GCommandComposite*>(other);
  return SameClass(other) && composite != nullptr && GCommand::IsSameKey(other) &&
         children_.IsSameKey(&composite->children_);
}

std::uint16_t GCommandComposite::Accept(GTypedHandlers& /*handlers*/) {
  return 0;
}

void GCommandComposite::MakeUnique() {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    if (auto* child = dynamic_cast<GCommand*>(children_.ChildAt(i))) {
      child->MakeUnique();
    }
  }
}

void GCommandComposite::Add(GBaseObject* object) {
  if (object != nullptr && !object->IsKindOf(vel::classid::kGCommand)) {
    vel::DestroyRefused(object,
                        children_.Children().IndexOf(object) != GCountedPtrArray::kNotFound);
    return;
  }
  children_.Add(object);
}

void GCommandComposite::Prepend(GBaseObject* object) {
  if (object != nullptr && !object->IsKindOf(vel::classid::kGCommand)) {
    vel::DestroyRefused(object,
                        children_.Children().IndexOf(object) != GCountedPtrArray::kNotFound);
    return;
  }
  children_.Prepend(object);
}

GBaseObject* GCommandComposite::RemoveObject(const GBaseObject* object) {
  return children_.RemoveObject(object);
}

GBaseObject* GCommandComposite::RemoveByKey(std::uint32_t key) {
  return children_.RemoveByKey(key);
}

GBaseObject* GCommandComposite::RemoveByClassId(RWClassID id) {
  return children_.RemoveByClassId(id);
}

int GCommandComposite::ReplaceByKey(std::uint32_t key, const GBaseObject* object) {
  return children_.ReplaceByKey(key, object);
}

int GCommandComposite::ReplaceByClassId(RWClassID id, const GBaseObject* object) {
  return children_.ReplaceByClassId(id, object);
}

int GCommandComposite::ReplaceEqual(const GBaseObject* object, const GBaseObject* replacement) {
  return children_.ReplaceEqual(object, replacement);
}

int GCommandComposite::ReplaceKindOf(RWClassID id, const GBaseObject* object) {
  return children_.ReplaceKindOf(id, object);
}

VEL_DEFINE_CHILD_QUERIES(GCommandComposite, children_)

std::uint32_t GCommandComposite::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GCommand::StoredByteCount() + vel::kClassVersionSize + RWTotalStoredSize(&children_);
}

template <typename Carrier>
void GCommandComposite::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GCommand::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  children_.SaveObject(carrier);
}

void GCommandComposite::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GCommandComposite::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GCommandComposite::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GCommand::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  // The record must fill the embedded list itself: a reference or another class is damaged data.
  RWCollectable* restored = carrier >> static_cast<RWCollectable&>(children_);
  if (restored != &children_ || !vel::CarrierGood(carrier)) {
    children_.Clear();
    vel::FailCarrier(carrier);
    return;
  }
  // Only commands are children.
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    const GBaseObject* child = children_.ChildAt(i);
    if (child == nullptr || !child->IsKindOf(vel::classid::kGCommand)) {
      children_.Clear();
      vel::FailCarrier(carrier);
      return;
    }
  }
}

void GCommandComposite::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GCommandComposite::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GCommandComposite::ForgetRestoredMembers() {
  children_.Clear();
  GCommand::ForgetRestoredMembers();
}
