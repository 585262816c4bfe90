// GGraphic.
#include "framework/pipeline/GGraphic.h"

#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GGraphic::GGraphic(GGraphicBundle* bundle, std::uint32_t key) : GCommand(key) {
  GGraphic::SetGraphicBundle(bundle);
}

RWClassID GGraphic::ClassId() {
  return vel::classid::kGGraphic;
}

bool GGraphic::IsKindOf(RWClassID id) const {
  return id == ClassId() || GCommand::IsKindOf(id);
}

void GGraphic::SetGraphicBundle(GBaseObject* bundle) {
  if (bundle == nullptr || bundle == GetGraphicBundle()) {
    GCommand::SetGraphicBundle(bundle);
    return;
  }
  if (!bundle->IsKindOf(vel::classid::kGGraphicBundle)) {
    vel::DestroyRefused(bundle, false);
    return;
  }
  bundle->SetKey(vel::key::kGraphicsGroup);
  GCommand::SetGraphicBundle(bundle);
}

void GGraphic::AssignGraphicBundle(const GCountedPtr& bundle) {
  if (bundle.Get() == nullptr || bundle->IsKindOf(vel::classid::kGGraphicBundle)) {
    GCommand::AssignGraphicBundle(bundle);
  }
}

std::uint32_t GGraphic::StoredByteCount() const {
  return GCommand::StoredByteCount() + vel::kClassVersionSize;
}

void GGraphic::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GCommand>(*this, stream);
}

void GGraphic::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GCommand>(*this, file);
}

void GGraphic::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GCommand>(*this, stream);
}

void GGraphic::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GCommand>(*this, file);
}
