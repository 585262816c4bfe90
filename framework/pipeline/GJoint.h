// The line joints: GJoint says how stroked segments meet: 0 miter, 1 round, 2 bevel, 3 no joint
// (other codes are carried and stored; the output stages write nothing for them). A miter joint
// with its limit is a GMiterJoint; built from a code, a GJoint takes 0 as 3, and only SetJoint
// makes a plain GJoint a miter joint. Both answer CategoryId 351.
//
// Stored form of GJoint (after the graphic-state attribute part):
//   u32  class version word, 1
//   i32  joint
// Stored form of GMiterJoint (after the GJoint part):
//   u32  class version word, 1
//   f32  miter limit (ratio of the miter length to the line width)
#pragma once

#include <cstdint>

#include "framework/pipeline/GGraphicStateAttribute.h"

class GJoint : public GGraphicStateAttribute {
 public:
  // Joint 3 (none), key 0.
  GJoint() = default;
  // A joint of 0 is kept as 3.
  explicit GJoint(std::int32_t joint, std::uint32_t key = 0);
  GJoint(const GJoint& other) = default;
  GJoint& operator=(const GJoint& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The graphic-state part + 8.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class, key and joint.
  bool IsSameKey(const GBaseObject* other) const override;
  // 351.
  RWClassID CategoryId() const override;
  // HandleJoint.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  // Stores the joint as given (0 included).
  virtual void SetJoint(std::int32_t joint) { joint_ = joint; }
  virtual std::int32_t GetJoint() const { return joint_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GJoint"; }
  static RWCollectable* Create();

 protected:
  // GJoint's own test of IsSameKey.
  bool SameJoint(const GBaseObject* other) const;

 private:
  std::int32_t joint_ = 3;
};

class GMiterJoint : public GJoint {
 public:
  // Joint 0, limit 0.0, key 0.
  GMiterJoint();
  // Joint 0 with the limit.
  explicit GMiterJoint(float miter_limit, std::uint32_t key = 0);
  GMiterJoint(const GMiterJoint& other) = default;
  GMiterJoint& operator=(const GMiterJoint& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The joint part + 8.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the joint test and limits equal as floats.
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleMiterJoint.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  float GetMiterLimit() const { return miter_limit_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GMiterJoint"; }
  static RWCollectable* Create();

 private:
  float miter_limit_ = 0.0f;
};
