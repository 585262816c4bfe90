// GColorPaint: a paint of one colour. The paint owns its colour (copies get a copy of it) and may
// have none. Accepted as a pen or brush paint, it calls the language stage's colour-paint handler
// for pens or for brushes, which reads the colour through AsRGBColor.
//
// Stored form (after the paint part):
//   u32  class version word, 1
//        the colour as an object record (the nil record for none)
// A restore takes the colour only from a new record of a colour; a reference to an object read
// earlier (which belongs to another owner) or a record of another class fails the carrier, and
// the paint keeps the colour it had.
#pragma once

#include <cstdint>

#include "framework/pipeline/GPaint.h"

class GColor;

class GColorPaint : public GPaint {
 public:
  // No colour.
  GColorPaint() = default;
  // Takes `color` (null allowed) as its own.
  explicit GColorPaint(GColor* color, std::uint32_t key = 0);
  // A copy of the other's colour (none when memory is short).
  GColorPaint(const GColorPaint& other);
  GColorPaint& operator=(const GColorPaint& other);
  // Deletes the colour (unless a counted reference holds it).
  ~GColorPaint() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The paint part + 4 + the colour's object record (6 for none).
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: deletes the colour it gave.
  void ForgetRestoredMembers() override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and key, and, when both paints have a colour, the colours
  // IsSameKey. When either has no colour the paints are equal.
  bool IsSameKey(const GBaseObject* other) const override;

  // HandleColorPenPaint of the peripheral.
  std::uint16_t AcceptAsPenPaint(GLanguagePeripheral& peripheral) override;
  // HandleColorBrushPaint of the peripheral.
  std::uint16_t AcceptAsBrushPaint(GLanguagePeripheral& peripheral) override;
  // Nothing for the colour held; otherwise deletes the colour (unless a counted reference holds
  // it) and takes `color` (null allowed) as its own, without copying it.
  virtual void SetColor(GColor* color);
  // The colour, or null.
  virtual GColor* GetColor() const { return color_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GColorPaint"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  GColor* color_ = nullptr;
  // The colour the last restore gave, which a failure of that restore deletes.
  const GColor* restored_ = nullptr;
};
