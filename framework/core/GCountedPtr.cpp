// GCountedPtr: holding, dropping, saving and restoring counted references.
#include "framework/core/GCountedPtr.h"

#include <utility>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GBaseObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWStaticLock.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

// The functions of this file change reference words through these, which the compiler may put in
// place of the calls (the class's own functions are exported and stay calls).
RWStaticLock& TheLock() {
  // Never destroyed: a counted pointer may let go during unload.
  static RWStaticLock* const lock = new RWStaticLock;
  return *lock;
}

inline void Hold(GBaseObject* object) {
  if (object != nullptr) {
    object->ReferenceWord().AddReference(TheLock());
  }
}

inline void LetGo(GBaseObject* object) {
  if (object != nullptr && object->ReferenceWord().RemoveReference(TheLock()) == 0) {
    delete object;
  }
}

}  // namespace

RWStaticLock& GCountedPtr::Lock() {
  return TheLock();
}

void GCountedPtr::AddReference(GBaseObject* object) {
  Hold(object);
}

void GCountedPtr::DropReference(GBaseObject* object) {
  LetGo(object);
}

GCountedPtr::GCountedPtr(GBaseObject* target) : target_(target) {
  Hold(target_);
}

GCountedPtr::GCountedPtr(const GCountedPtr& other) : RWCollectable(other), target_(other.target_) {
  Hold(target_);
}

GCountedPtr::GCountedPtr(GCountedPtr&& other) noexcept
    : RWCollectable(other), target_(std::exchange(other.target_, nullptr)) {}

GCountedPtr& GCountedPtr::operator=(const GCountedPtr& other) {
  if (other.target_ == target_) {
    return *this;
  }
  GBaseObject* old = target_;
  target_ = other.target_;
  Hold(target_);
  LetGo(old);
  return *this;
}

GCountedPtr& GCountedPtr::operator=(GCountedPtr&& other) noexcept {
  if (this == &other) {
    return *this;
  }
  // When both held the same target, one of the two references goes here.
  GBaseObject* old = target_;
  target_ = std::exchange(other.target_, nullptr);
  LetGo(old);
  return *this;
}

GBaseObject* GCountedPtr::Release() {
  GBaseObject* target = std::exchange(target_, nullptr);
  if (target != nullptr) {
    (void)target->ReferenceWord().RemoveReference(TheLock());
  }
  return target;
}

RWClassID GCountedPtr::ClassId() {
  return vel::classid::kGCountedPtr;
}

RWClassID GCountedPtr::IsA() const {
  return ClassId();
}

bool GCountedPtr::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGCountedPtr || id == vel::classid::kGBaseObject;
}

GBaseObject* GCountedPtr::CopyTarget() const {
  if (target_ == nullptr) {
    return nullptr;
  }
  // A deep copy is a new object: its reference word is already -1.
  return target_->DeepCopy();
}

std::uint32_t GCountedPtr::StoredByteCount() const {
  return RWTotalStoredSize(target_);
}

void GCountedPtr::SaveContents(RWVirtualOutStream& stream) const {
  stream << static_cast<const RWCollectable*>(target_);
}

void GCountedPtr::SaveContents(RWBinaryFile& file) const {
  file << static_cast<const RWCollectable*>(target_);
}

template <typename Carrier>
void GCountedPtr::Restore(Carrier& carrier) {
  // The holder protocol, with no holder: the target is kept by the reference word, which the
  // restore's bookkeeping never frees. A failed holder lets go of it in its own destructor.
  RWRestoredMember member(carrier, nullptr);
  if (!vel::CarrierGood(carrier)) {
    return;
  }
  RWCollectable* object = member.Object();
  if ((object != nullptr && !GBaseObject::IsFrameworkObject(object)) || member.NamesOpenRecord()) {
    member.Keep(RWHold::kRefuses);
    vel::FailCarrier(carrier);
    return;
  }
  member.Keep(member.IsNew() ? RWHold::kOwns : RWHold::kHolds);
  auto* target = static_cast<GBaseObject*>(object);
  if (target == target_) {
    return;
  }
  GBaseObject* old = target_;
  target_ = target;
  Hold(target_);
  LetGo(old);
}

void GCountedPtr::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GCountedPtr::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
