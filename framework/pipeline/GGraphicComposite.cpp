// GGraphicComposite.
#include "framework/pipeline/GGraphicComposite.h"

#include <new>

#include "framework/core/ChildQueries.h"
#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GIterator.h"
#include "framework/pipeline/CommandParts.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

RWClassID GGraphicComposite::ClassId() {
  return vel::classid::kGGraphicComposite;
}

RWCollectable* GGraphicComposite::Create() {
  return new (std::nothrow) GGraphicComposite;
}

RWCollectable* GGraphicComposite::CreateInstance() const {
  return Create();
}

RWCollectable* GGraphicComposite::Clone() const {
  return new (std::nothrow) GGraphicComposite(*this);
}

RWClassID GGraphicComposite::IsA() const {
  return ClassId();
}

bool GGraphicComposite::IsKindOf(RWClassID id) const {
  return id == ClassId() || GGraphic::IsKindOf(id);
}

bool GGraphicComposite::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* composite = dynamic_cast<const GGraphicComposite*>(other);
  return SameClass(other) && composite != nullptr && GCommand::IsSameKey(other) &&
         children_.IsSameKey(&composite->children_);
}

std::uint16_t GGraphicComposite::Accept(GTypedHandlers& /*handlers*/) {
  return 0;
}

void GGraphicComposite::MakeUnique() {
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    if (auto* child = dynamic_cast<GCommand*>(children_.ChildAt(i))) {
      child->MakeUnique();
    }
  }
}

void GGraphicComposite::Add(GBaseObject* object) {
  if (object != nullptr && !object->IsKindOf(vel::classid::kGGraphic)) {
    vel::DestroyRefused(object,
                        children_.Children().IndexOf(object) != GCountedPtrArray::kNotFound);
    return;
  }
  children_.Add(object);
}

GBaseObject* GGraphicComposite::RemoveObject(const GBaseObject* object) {
  return children_.RemoveObject(object);
}

GBaseObject* GGraphicComposite::RemoveByKey(std::uint32_t key) {
  return children_.RemoveByKey(key);
}

GBaseObject* GGraphicComposite::RemoveByClassId(RWClassID id) {
  return children_.RemoveByClassId(id);
}

int GGraphicComposite::ReplaceByKey(std::uint32_t key, const GBaseObject* object) {
  return children_.ReplaceByKey(key, object);
}

int GGraphicComposite::ReplaceByClassId(RWClassID id, const GBaseObject* object) {
  return children_.ReplaceByClassId(id, object);
}

int GGraphicComposite::ReplaceEqual(const GBaseObject* object, const GBaseObject* replacement) {
  return children_.ReplaceEqual(object, replacement);
}

int GGraphicComposite::ReplaceKindOf(RWClassID id, const GBaseObject* object) {
  return children_.ReplaceKindOf(id, object);
}

void GGraphicComposite::Clear() {
  children_.Clear();
}

VEL_DEFINE_CHILD_QUERIES(GGraphicComposite, children_)

std::uint32_t GGraphicComposite::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GGraphic::StoredByteCount() + vel::kClassVersionSize + RWTotalStoredSize(&children_);
}

template <typename Carrier>
void GGraphicComposite::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GGraphic::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  children_.SaveObject(carrier);
}

void GGraphicComposite::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GGraphicComposite::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GGraphicComposite::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GGraphic::RestoreContents(carrier);
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
  // Only graphics are children.
  for (std::uint32_t i = 0; i < children_.Count(); ++i) {
    const GBaseObject* child = children_.ChildAt(i);
    if (child == nullptr || !child->IsKindOf(vel::classid::kGGraphic)) {
      children_.Clear();
      vel::FailCarrier(carrier);
      return;
    }
  }
}

void GGraphicComposite::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GGraphicComposite::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GGraphicComposite::ForgetRestoredMembers() {
  children_.Clear();
  GGraphic::ForgetRestoredMembers();
}
