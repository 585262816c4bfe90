// GPageCommand, GPageStart and GPageEnd.
#include "framework/pipeline/GPageCommand.h"

#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GState.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/CommandParts.h"

// ---- GPageCommand

GPageCommand::GPageCommand(GState* bundle, std::uint32_t key)
    : GCommand(vel::LevelBundle(bundle, vel::key::kPageGroup), key) {}

bool GPageCommand::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGPageCommand || GCommand::IsKindOf(id);
}

bool GPageCommand::IsSameKey(const GBaseObject* other) const {
  return other == this || (SameClass(other) && GCommand::IsSameKey(other));
}

void GPageCommand::SetGraphicBundle(GBaseObject* bundle) {
  vel::SetLevelBundle(*this, bundle, vel::key::kPageGroup);
}

std::uint32_t GPageCommand::StoredByteCount() const {
  return GCommand::StoredByteCount() + vel::kClassVersionSize;
}

void GPageCommand::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GCommand>(*this, stream);
}

void GPageCommand::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GCommand>(*this, file);
}

void GPageCommand::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GCommand>(*this, stream);
}

void GPageCommand::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GCommand>(*this, file);
}

// ---- GPageStart

RWCollectable* GPageStart::Create() {
  return new (std::nothrow) GPageStart;
}

RWCollectable* GPageStart::CreateInstance() const {
  return Create();
}

RWCollectable* GPageStart::Clone() const {
  return new (std::nothrow) GPageStart(*this);
}

RWClassID GPageStart::IsA() const {
  return ClassId();
}

bool GPageStart::IsKindOf(RWClassID id) const {
  return id == ClassId() || GPageCommand::IsKindOf(id);
}

std::uint16_t GPageStart::Accept(GTypedHandlers& handlers) {
  return handlers.HandlePageStart(*this);
}

std::uint32_t GPageStart::StoredByteCount() const {
  return GPageCommand::StoredByteCount() + vel::kClassVersionSize;
}

void GPageStart::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GPageCommand>(*this, stream);
}

void GPageStart::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GPageCommand>(*this, file);
}

void GPageStart::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GPageCommand>(*this, stream);
}

void GPageStart::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GPageCommand>(*this, file);
}

// ---- GPageEnd

RWCollectable* GPageEnd::Create() {
  return new (std::nothrow) GPageEnd;
}

RWCollectable* GPageEnd::CreateInstance() const {
  return Create();
}

RWCollectable* GPageEnd::Clone() const {
  return new (std::nothrow) GPageEnd(*this);
}

RWClassID GPageEnd::IsA() const {
  return ClassId();
}

bool GPageEnd::IsKindOf(RWClassID id) const {
  return id == ClassId() || GPageCommand::IsKindOf(id);
}

std::uint16_t GPageEnd::Accept(GTypedHandlers& handlers) {
  return handlers.HandlePageEnd(*this);
}

std::uint32_t GPageEnd::StoredByteCount() const {
  return GPageCommand::StoredByteCount() + vel::kClassVersionSize;
}

void GPageEnd::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GPageCommand>(*this, stream);
}

void GPageEnd::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GPageCommand>(*this, file);
}

void GPageEnd::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GPageCommand>(*this, stream);
}

void GPageEnd::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GPageCommand>(*this, file);
}
