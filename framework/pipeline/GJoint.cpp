// GJoint and GMiterJoint.
#include "framework/pipeline/GJoint.h"

#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/CommandParts.h"

GJoint::GJoint(std::int32_t joint, std::uint32_t key)
    : GGraphicStateAttribute(key), joint_(joint == 0 ? 3 : joint) {}

RWClassID GJoint::ClassId() {
  return vel::classid::kGJoint;
}

RWCollectable* GJoint::Create() {
  return new (std::nothrow) GJoint;
}

RWCollectable* GJoint::CreateInstance() const {
  return Create();
}

RWCollectable* GJoint::Clone() const {
  return new (std::nothrow) GJoint(*this);
}

RWClassID GJoint::IsA() const {
  return ClassId();
}

bool GJoint::IsKindOf(RWClassID id) const {
  return id == ClassId() || GGraphicStateAttribute::IsKindOf(id);
}

RWClassID GJoint::CategoryId() const {
  return vel::classid::kGJoint;
}

bool GJoint::SameJoint(const GBaseObject* other) const {
  return SameClass(other) && GBaseObject::IsSameKey(other) &&
         static_cast<const GJoint&>(*other).joint_ == joint_;
}

bool GJoint::IsSameKey(const GBaseObject* other) const {
  return other == this || SameJoint(other);
}

std::uint16_t GJoint::Accept(GTypedHandlers& handlers) {
  return handlers.HandleJoint(*this);
}

std::uint32_t GJoint::StoredByteCount() const {
  return GGraphicStateAttribute::StoredByteCount() + vel::kClassVersionSize + 4;
}

void GJoint::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreFieldsAfter<GGraphicStateAttribute>(*this, stream, joint_);
}

void GJoint::RestoreContents(RWBinaryFile& file) {
  vel::RestoreFieldsAfter<GGraphicStateAttribute>(*this, file, joint_);
}

void GJoint::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveFieldsAfter<GGraphicStateAttribute>(*this, stream, joint_);
}

void GJoint::SaveContents(RWBinaryFile& file) const {
  vel::SaveFieldsAfter<GGraphicStateAttribute>(*this, file, joint_);
}

GMiterJoint::GMiterJoint() {
  GJoint::SetJoint(0);
}

GMiterJoint::GMiterJoint(float miter_limit, std::uint32_t key)
    : GJoint(1, key), miter_limit_(miter_limit) {
  GJoint::SetJoint(0);
}

RWClassID GMiterJoint::ClassId() {
  return vel::classid::kGMiterJoint;
}

RWCollectable* GMiterJoint::Create() {
  return new (std::nothrow) GMiterJoint;
}

RWCollectable* GMiterJoint::CreateInstance() const {
  return Create();
}

RWCollectable* GMiterJoint::Clone() const {
  return new (std::nothrow) GMiterJoint(*this);
}

RWClassID GMiterJoint::IsA() const {
  return ClassId();
}

bool GMiterJoint::IsKindOf(RWClassID id) const {
  return id == ClassId() || GJoint::IsKindOf(id);
}

bool GMiterJoint::IsSameKey(const GBaseObject* other) const {
  return other == this ||
         (SameJoint(other) && static_cast<const GMiterJoint&>(*other).miter_limit_ == miter_limit_);
}

std::uint16_t GMiterJoint::Accept(GTypedHandlers& handlers) {
  return handlers.HandleMiterJoint(*this);
}

std::uint32_t GMiterJoint::StoredByteCount() const {
  return GJoint::StoredByteCount() + vel::kClassVersionSize + 4;
}

void GMiterJoint::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreFieldsAfter<GJoint>(*this, stream, miter_limit_);
}

void GMiterJoint::RestoreContents(RWBinaryFile& file) {
  vel::RestoreFieldsAfter<GJoint>(*this, file, miter_limit_);
}

void GMiterJoint::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveFieldsAfter<GJoint>(*this, stream, miter_limit_);
}

void GMiterJoint::SaveContents(RWBinaryFile& file) const {
  vel::SaveFieldsAfter<GJoint>(*this, file, miter_limit_);
}
