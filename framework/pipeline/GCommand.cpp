// GCommand: the bundle a command carries, its equality and its stored form.
#include "framework/pipeline/GCommand.h"

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GState.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/HeldRecord.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

GCommand::GCommand(std::uint32_t key) : GBaseObject(key) {}

GCommand::GCommand(GState* bundle, std::uint32_t key) : GBaseObject(key), bundle_(bundle) {}

GCommand::GCommand(const GCommand& other) : GBaseObject(other), bundle_(other.bundle_) {}

GCommand& GCommand::operator=(const GCommand& other) {
  if (this != &other) {
    GBaseObject::operator=(other);
    bundle_ = other.bundle_;
  }
  return *this;
}

GCommand::~GCommand() = default;

RWClassID GCommand::ClassId() {
  return vel::classid::kGCommand;
}

bool GCommand::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGCommand || GBaseObject::IsKindOf(id);
}

bool GCommand::SameClass(const GBaseObject* other) const {
  return other != nullptr && other->IsA() == IsA() &&
         dynamic_cast<const GCommand*>(other) != nullptr;
}

bool GCommand::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* command = dynamic_cast<const GCommand*>(other);
  if (command == nullptr || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const GBaseObject* mine = bundle_.Get();
  const GBaseObject* theirs = command->bundle_.Get();
  if (mine == theirs) {
    return true;
  }
  return mine != nullptr && theirs != nullptr && mine->IsSameKey(theirs);
}

GState* GCommand::GetGraphicBundle() const {
  return static_cast<GState*>(bundle_.Get());
}

void GCommand::SetGraphicBundle(GBaseObject* bundle) {
  if (bundle == bundle_.Get()) {
    return;
  }
  if (bundle != nullptr && !bundle->IsKindOf(vel::classid::kGState)) {
    vel::DestroyRefused(bundle, false);
    return;
  }
  bundle_ = GCountedPtr(bundle);
}

void GCommand::AssignGraphicBundle(const GCountedPtr& bundle) {
  if (bundle.Get() == nullptr || bundle->IsKindOf(vel::classid::kGState)) {
    bundle_ = bundle;
  }
}

GState* GCommand::ReleaseGraphicBundle() {
  return static_cast<GState*>(bundle_.Release());
}

void GCommand::GetGraphicBundleRef(GCountedPtr& bundle) const {
  bundle = bundle_;
}

std::uint32_t GCommand::StoredByteCount() const {
  // One size pass, so that a bundle the command's other records share is counted once.
  const vel::StoredSizeScope scope(this);
  return GBaseObject::StoredByteCount() + vel::kClassVersionSize + RWTotalStoredSize(bundle_.Get());
}

template <typename Carrier>
void GCommand::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  carrier << static_cast<const RWCollectable*>(bundle_.Get());
}

void GCommand::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GCommand::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GCommand::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  GBaseObject* bundle = nullptr;
  if (vel::RestoreHeldRecord(carrier, vel::classid::kGState, bundle) && bundle != bundle_.Get()) {
    bundle_ = GCountedPtr(bundle);
  }
}

void GCommand::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GCommand::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GCommand::ForgetRestoredMembers() {
  bundle_.Reset();
}
