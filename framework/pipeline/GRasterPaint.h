// GRasterPaint: a paint whose pattern is a bitmap (a realized pattern or hatch brush). Paints share
// one GRasterPaintImp, which holds the bitmap and a 16-bit value that the drawing bridge sets and
// reads; the implementation's count is the number of paints that hold it, and the last of them
// deletes it. Accepted as a pen or brush paint, it calls the language stage's raster-paint handler
// for pens or for brushes.
//
// Stored form of GRasterPaintImp (after the root part):
//   u32  class version word, 1
//        the bitmap as an object record (class header and contents), read back into the member
//   u16  value
// Stored form of GRasterPaint (after the paint part):
//   u32  class version word, 1
//        the implementation as an object reference: its record the first time a save meets it,
//        a reference to it after that (the nil object for none)
// A paint's restore takes the implementation only from a GRasterPaintImp that paints hold (a new
// record, or a reference to one an earlier paint of the restore took); anything else fails the
// carrier, and a failed restore keeps the implementation the paint had.
#pragma once

#include <atomic>
#include <cstdint>

#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GPaint.h"

class GRasterPaintImp : public GBaseObject {
 public:
  // An empty bitmap, value 0.
  GRasterPaintImp() = default;
  // Shares the bitmap's implementation; value 0.
  explicit GRasterPaintImp(const GBitmap& bitmap) : bitmap_(bitmap) {}
  // The bitmap (shared) and the value; a count of 0, as for every new implementation.
  GRasterPaintImp(const GRasterPaintImp& other);
  // The bitmap (shared) and the value; the count is left as it is.
  GRasterPaintImp& operator=(const GRasterPaintImp& other);

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The root part + 4 + the bitmap's object record + 2.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 154 and 751.
  bool IsKindOf(RWClassID id) const override;
  // The same class, the same value and bitmaps IsSameKey (the key is not compared).
  bool IsSameKey(const GBaseObject* other) const override;

  GBitmap& GetBitmap() { return bitmap_; }
  const GBitmap& GetBitmap() const { return bitmap_; }
  std::uint16_t GetValue() const { return value_; }
  void SetValue(std::uint16_t value) { value_ = value; }

  // The number of paints that hold the implementation.
  std::int32_t AddUse() { return uses_.fetch_add(1, std::memory_order_relaxed) + 1; }
  std::int32_t ReleaseUse() { return uses_.fetch_sub(1, std::memory_order_acq_rel) - 1; }
  std::int32_t Uses() const { return uses_.load(std::memory_order_relaxed); }

  static RWClassID ClassId();
  static const char* ClassName() { return "GRasterPaintImp"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  GBitmap bitmap_;
  std::uint16_t value_ = 0;
  std::atomic<std::int32_t> uses_{0};
};

class GRasterPaint : public GPaint {
 public:
  // No implementation.
  GRasterPaint() = default;
  // A new implementation holding a copy of `bitmap` (which shares the bitmap's pixels); none when
  // memory is short.
  explicit GRasterPaint(GBitmap bitmap, std::uint32_t key = 0);
  // Shares the other's implementation.
  GRasterPaint(const GRasterPaint& other);
  // Shares the other's implementation and lets go of its own.
  GRasterPaint& operator=(const GRasterPaint& other);
  // Lets go of the implementation; the last paint deletes it.
  ~GRasterPaint() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The paint part + 4 + the implementation's object record (6 for none).
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 153, 151 and 751.
  bool IsKindOf(RWClassID id) const override;
  // The same class, and either no implementation on both sides or implementations IsSameKey; the
  // keys are not compared.
  bool IsSameKey(const GBaseObject* other) const override;

  // HandleRasterPenPaint of the peripheral.
  [[nodiscard]] std::uint16_t AcceptAsPenPaint(GLanguagePeripheral& peripheral) override;
  // HandleRasterBrushPaint of the peripheral.
  [[nodiscard]] std::uint16_t AcceptAsBrushPaint(GLanguagePeripheral& peripheral) override;
  // The implementation's value; 0 without one.
  std::uint16_t GetValue() const;
  // The implementation's bitmap. Without an implementation one holding an empty bitmap is made
  // first; null when memory is short for it.
  GBitmap* GetBitmap();
  // Sets the implementation's value; nothing without one.
  void SetValue(std::uint16_t value);
  const GRasterPaintImp* GetImplementation() const { return implementation_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GRasterPaint"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  // Holds `implementation` (null allowed) in place of the one held: adds one to the new one
  // before it lets go of the old.
  void Share(GRasterPaintImp* implementation);

  GRasterPaintImp* implementation_ = nullptr;
};
