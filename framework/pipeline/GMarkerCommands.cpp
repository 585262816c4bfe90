// GNoCommand and GNullCommand.
#include "framework/pipeline/GMarkerCommands.h"

#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/CommandParts.h"

// ---- GNoCommand

RWClassID GNoCommand::ClassId() {
  return vel::classid::kGNoCommand;
}

RWCollectable* GNoCommand::Create() {
  return new (std::nothrow) GNoCommand;
}

RWCollectable* GNoCommand::CreateInstance() const {
  return Create();
}

RWCollectable* GNoCommand::Clone() const {
  return new (std::nothrow) GNoCommand(*this);
}

RWClassID GNoCommand::IsA() const {
  return ClassId();
}

bool GNoCommand::IsKindOf(RWClassID id) const {
  return id == ClassId() || GCommand::IsKindOf(id);
}

bool GNoCommand::IsSameKey(const GBaseObject* other) const {
  return other == this || (SameClass(other) && GCommand::IsSameKey(other));
}

std::uint16_t GNoCommand::Accept(GTypedHandlers& /*handlers*/) {
  return 0;
}

std::uint32_t GNoCommand::StoredByteCount() const {
  return GCommand::StoredByteCount() + vel::kClassVersionSize;
}

void GNoCommand::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GCommand>(*this, stream);
}

void GNoCommand::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GCommand>(*this, file);
}

void GNoCommand::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GCommand>(*this, stream);
}

void GNoCommand::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GCommand>(*this, file);
}

// ---- GNullCommand

RWClassID GNullCommand::ClassId() {
  return vel::classid::kGNullCommand;
}

RWCollectable* GNullCommand::Create() {
  return new (std::nothrow) GNullCommand;
}

RWCollectable* GNullCommand::CreateInstance() const {
  return Create();
}

RWCollectable* GNullCommand::Clone() const {
  return new (std::nothrow) GNullCommand(*this);
}

RWClassID GNullCommand::IsA() const {
  return ClassId();
}

bool GNullCommand::IsKindOf(RWClassID id) const {
  return id == ClassId() || GCommand::IsKindOf(id);
}

bool GNullCommand::IsSameKey(const GBaseObject* other) const {
  return other == this || (SameClass(other) && GCommand::IsSameKey(other));
}

std::uint16_t GNullCommand::Accept(GTypedHandlers& /*handlers*/) {
  return 0;
}

std::uint32_t GNullCommand::StoredByteCount() const {
  return GCommand::StoredByteCount() + vel::kClassVersionSize;
}

void GNullCommand::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GCommand>(*this, stream);
}

void GNullCommand::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GCommand>(*this, file);
}

void GNullCommand::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GCommand>(*this, stream);
}

void GNullCommand::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GCommand>(*this, file);
}
