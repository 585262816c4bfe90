// The pens: GPen strokes lines of a width (in the units of the coordinates of what it strokes)
// with a paint, and GNoPen strokes nothing. A pen holds its paint by counted reference; copies of
// a pen share it. Both answer CategoryId 201, so in a graphic state a pen of one kind takes the
// place of a pen of another kind with the same key.
//
// Stored form of GPen (after the graphic-state attribute part):
//   u32  class version word, 1
//   u16  width
//        the paint as an object record (the nil record for none)
// Stored form of GNoPen: the GPen part, then its own class version word 1.
#pragma once

#include <cstdint>

#include "framework/pipeline/GGraphicStateAttribute.h"
#include "framework/pipeline/PaintSlot.h"

class GPaint;

class GPen : public GGraphicStateAttribute {
 public:
  // Width 1, no paint, key 0.
  GPen();
  // `paint` (null allowed) gains a reference.
  GPen(std::uint16_t width, GPaint* paint, std::uint32_t key = 0);
  // Shares the other's paint.
  GPen(const GPen& other);
  GPen& operator=(const GPen& other);

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The graphic-state part + 6 + the paint's object record (6 for none).
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: lets go of the paint it gave.
  void ForgetRestoredMembers() override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and key, the same width, and both without paint or both with
  // paints that are IsSameKey.
  bool IsSameKey(const GBaseObject* other) const override;
  // 201.
  RWClassID CategoryId() const override;
  // HandlePen.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  // Stores the width and answers it.
  virtual std::uint16_t SetWidth(std::uint16_t width);
  // Nothing for the paint held; otherwise the old paint loses the pen's reference (deleted at its
  // last) and `paint` (null allowed) gains one.
  virtual void SetPaint(GPaint* paint);
  virtual std::uint16_t GetWidth() const { return width_; }
  // The paint, or null; no reference is added.
  virtual GPaint* GetPaint() const { return paint_.Get(); }

  static RWClassID ClassId();
  static const char* ClassName() { return "GPen"; }
  static RWCollectable* Create();

 protected:
  // GPen's own test of IsSameKey, for the pens derived from it.
  bool SamePen(const GBaseObject* other) const;

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  std::uint16_t width_ = 1;
  vel::PaintSlot paint_;
};

class GNoPen : public GPen {
 public:
  // Width 0, no paint, key 0.
  GNoPen();
  // Width 1, no paint.
  explicit GNoPen(std::uint32_t key);
  GNoPen(const GNoPen& other) = default;
  GNoPen& operator=(const GNoPen& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The pen part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the pen test, and this pen has no paint.
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleNoPen.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GNoPen"; }
  static RWCollectable* Create();
};
