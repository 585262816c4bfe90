// GClipToPath.
#include "framework/pipeline/GClipToPath.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/CommandParts.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

GClipToPath::GClipToPath(GPathGraphic* path,
                         std::int32_t clip_region,
                         std::int32_t fill_rule,
                         std::uint32_t key)
    : GClipAttribute(clip_region, fill_rule, key), path_(path) {}

GClipToPath::GClipToPath(const GClipToPath& other) : GClipAttribute(other) {
  if (other.path_ != nullptr) {
    // A failed allocation leaves the copy without a path.
    path_.reset(static_cast<GPathGraphic*>(other.path_->Clone()));
  }
}

GClipToPath::~GClipToPath() = default;

RWClassID GClipToPath::ClassId() {
  return vel::classid::kGClipToPath;
}

RWCollectable* GClipToPath::Create() {
  return new (std::nothrow) GClipToPath;
}

RWCollectable* GClipToPath::CreateInstance() const {
  return Create();
}

RWCollectable* GClipToPath::Clone() const {
  return new (std::nothrow) GClipToPath(*this);
}

RWClassID GClipToPath::IsA() const {
  return ClassId();
}

bool GClipToPath::IsKindOf(RWClassID id) const {
  return id == ClassId() || GClipAttribute::IsKindOf(id);
}

bool GClipToPath::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* clip = dynamic_cast<const GClipToPath*>(other);
  if (clip == nullptr || !SameClass(other) || !GClipAttribute::IsSameKey(other)) {
    return false;
  }
  if (path_ == nullptr || clip->path_ == nullptr) {
    return path_ == nullptr && clip->path_ == nullptr;
  }
  return path_->IsSameKey(clip->path_.get());
}

std::uint16_t GClipToPath::Accept(GTypedHandlers& handlers) {
  return handlers.HandleClipToPath(*this);
}

bool GClipToPath::GetBounds(GRect& bounds) const {
  if (path_ == nullptr) {
    return false;
  }
  bounds = path_->GetBounds();
  return true;
}

std::uint32_t GClipToPath::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GClipAttribute::StoredByteCount() + vel::kClassVersionSize +
         RWTotalStoredSize(path_.get());
}

template <typename Carrier>
void GClipToPath::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GClipAttribute::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  carrier << static_cast<const RWCollectable*>(path_.get());
}

void GClipToPath::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GClipToPath::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GClipToPath::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  path_restored_ = false;
  GClipAttribute::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  RWRestoredMember member(carrier, this);
  RWCollectable* read = member.Object();
  // The clip owns its path: only a record made here, never a reference to one held elsewhere.
  GPathGraphic* path = nullptr;
  if (read != nullptr && GBaseObject::IsFrameworkObject(read)) {
    path = dynamic_cast<GPathGraphic*>(static_cast<GBaseObject*>(read));
  }
  if (!vel::CarrierGood(carrier) || (read != nullptr && (path == nullptr || !member.IsNew()))) {
    member.Keep(RWHold::kRefuses);
    vel::FailCarrier(carrier);
    return;
  }
  member.Keep(path != nullptr ? RWHold::kOwns : RWHold::kRefuses);
  path_.reset(path);
  path_restored_ = path != nullptr;
}

void GClipToPath::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GClipToPath::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GClipToPath::ForgetRestoredMembers() {
  if (path_restored_) {
    path_.reset();
    path_restored_ = false;
  }
}
