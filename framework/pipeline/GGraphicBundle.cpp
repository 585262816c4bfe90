// GGraphicBundle.
#include "framework/pipeline/GGraphicBundle.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GCap.h"
#include "framework/pipeline/GClipAttribute.h"
#include "framework/pipeline/GFillMode.h"
#include "framework/pipeline/GJoint.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GRasterOperation.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GGraphicBundle::GGraphicBundle() : GState(vel::key::kGraphicsGroup) {}

GGraphicBundle::GGraphicBundle(std::uint32_t /*key*/) : GState(vel::key::kGraphicsGroup) {}

RWClassID GGraphicBundle::ClassId() {
  return vel::classid::kGGraphicBundle;
}

RWCollectable* GGraphicBundle::Create() {
  return new (std::nothrow) GGraphicBundle;
}

RWCollectable* GGraphicBundle::CreateInstance() const {
  return Create();
}

RWCollectable* GGraphicBundle::Clone() const {
  return new (std::nothrow) GGraphicBundle(*this);
}

RWClassID GGraphicBundle::IsA() const {
  return ClassId();
}

bool GGraphicBundle::IsKindOf(RWClassID id) const {
  return id == ClassId() || GState::IsKindOf(id);
}

std::uint32_t GGraphicBundle::StoredByteCount() const {
  // One size pass, so that the attribute records count as nested ones (no file magic).
  const vel::StoredSizeScope scope(this);
  return GState::StoredByteCount() + vel::kClassVersionSize;
}

void GGraphicBundle::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GState>(*this, stream);
}

void GGraphicBundle::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GState>(*this, file);
}

void GGraphicBundle::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GState>(*this, stream);
}

void GGraphicBundle::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GState>(*this, file);
}

void GGraphicBundle::SetKind(GBaseObject* attribute, std::uint32_t key) {
  if (attribute == nullptr) {
    return;
  }
  attribute->SetKey(key);
  SetAttribute(attribute);
}

void GGraphicBundle::SetBrush(GBrush* brush) {
  SetKind(brush, vel::key::kBundleBrush);
}

void GGraphicBundle::SetCap(GCap* cap) {
  SetKind(cap, vel::key::kBundleCap);
}

void GGraphicBundle::SetClip(GClipAttribute* clip) {
  SetKind(clip, vel::key::kBundleClip);
}

void GGraphicBundle::SetFillMode(GFillMode* fill_mode) {
  SetKind(fill_mode, vel::key::kBundleFillMode);
}

void GGraphicBundle::SetJoint(GJoint* joint) {
  SetKind(joint, vel::key::kBundleJoint);
}

void GGraphicBundle::SetPen(GPen* pen) {
  SetKind(pen, vel::key::kBundlePen);
}

void GGraphicBundle::SetRasterOperation(GRasterOperation* operation) {
  SetKind(operation, vel::key::kBundleRasterOperation);
}

GBrush* GGraphicBundle::TakeBrush() {
  return TakeKind<GBrush>(vel::key::kBundleBrush);
}

GCap* GGraphicBundle::TakeCap() {
  return TakeKind<GCap>(vel::key::kBundleCap);
}

GClipAttribute* GGraphicBundle::TakeClip() {
  return TakeKind<GClipAttribute>(vel::key::kBundleClip);
}

GFillMode* GGraphicBundle::TakeFillMode() {
  return TakeKind<GFillMode>(vel::key::kBundleFillMode);
}

GJoint* GGraphicBundle::TakeJoint() {
  return TakeKind<GJoint>(vel::key::kBundleJoint);
}

GPen* GGraphicBundle::TakePen() {
  return TakeKind<GPen>(vel::key::kBundlePen);
}

GRasterOperation* GGraphicBundle::TakeRasterOperation() {
  return TakeKind<GRasterOperation>(vel::key::kBundleRasterOperation);
}

GBrush* GGraphicBundle::GetBrush() const {
  return FindKind<GBrush>(vel::key::kBundleBrush);
}

GCap* GGraphicBundle::GetCap() const {
  return FindKind<GCap>(vel::key::kBundleCap);
}

GClipAttribute* GGraphicBundle::GetClip() const {
  return FindKind<GClipAttribute>(vel::key::kBundleClip);
}

GFillMode* GGraphicBundle::GetFillMode() const {
  return FindKind<GFillMode>(vel::key::kBundleFillMode);
}

GJoint* GGraphicBundle::GetJoint() const {
  return FindKind<GJoint>(vel::key::kBundleJoint);
}

GPen* GGraphicBundle::GetPen() const {
  return FindKind<GPen>(vel::key::kBundlePen);
}

GRasterOperation* GGraphicBundle::GetRasterOperation() const {
  return FindKind<GRasterOperation>(vel::key::kBundleRasterOperation);
}
