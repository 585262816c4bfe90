// The brushes: GBrush fills areas with a paint, GNoBrush fills nothing. A brush holds its paint by
// counted reference; copies of a brush share it. Both answer CategoryId 251, so in a graphic state
// a brush of one kind takes the place of a brush of the other kind with the same key.
//
// Stored form of GBrush (after the graphic-state attribute part):
//   u32  class version word, 1
//        the paint as an object record (the nil record for none)
// Stored form of GNoBrush: the GBrush part, then its own class version word 1.
#pragma once

#include <cstdint>

#include "framework/pipeline/GGraphicStateAttribute.h"
#include "framework/pipeline/PaintSlot.h"

class GPaint;

class GBrush : public GGraphicStateAttribute {
 public:
  // No paint, key 0.
  GBrush() = default;
  // `paint` (null allowed) gains a reference.
  explicit GBrush(GPaint* paint, std::uint32_t key = 0);
  // Shares the other's paint.
  GBrush(const GBrush& other) = default;
  GBrush& operator=(const GBrush& other);

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The graphic-state part + 4 + the paint's object record (6 for none).
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: lets go of the paint it gave.
  void ForgetRestoredMembers() override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and key, and both without paint or both with paints that are
  // IsSameKey.
  bool IsSameKey(const GBaseObject* other) const override;
  // 251.
  RWClassID CategoryId() const override;
  // HandleBrush.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  // Nothing for the paint held; otherwise the old paint loses the brush's reference (deleted at
  // its last) and `paint` (null allowed) gains one.
  virtual void SetPaint(GPaint* paint);
  // The paint, or null; no reference is added.
  virtual GPaint* GetPaint() const { return paint_.Get(); }

  static RWClassID ClassId();
  static const char* ClassName() { return "GBrush"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  vel::PaintSlot paint_;
};

class GNoBrush : public GBrush {
 public:
  // No paint, key 0.
  GNoBrush() = default;
  // No paint.
  explicit GNoBrush(std::uint32_t key) : GBrush(nullptr, key) {}
  GNoBrush(const GNoBrush& other) = default;
  GNoBrush& operator=(const GNoBrush& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The brush part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and key (the paint is not compared).
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleNoBrush.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GNoBrush"; }
  static RWCollectable* Create();
};
