// GTextEscapements: the advance of each character of a run of text along x and along y, in
// device units, and their computation from a list of advances and the text's angle. An absent
// array stands for 0 for every character.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   u16  count n
//   u32  1 when x advances follow, else 0
//   n    i16 x advances (when present)
//   u32  1 when y advances follow, else 0
//   n    i16 y advances (when present)
// A flag other than 0 or 1 is damage and fails the carrier. A restore takes the fields only when
// all were read; restored arrays are owned.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/output/GCharacterBuffer.h"

class GTextEscapements : public GBaseObject {
 public:
  // No arrays, count 0.
  GTextEscapements() = default;
  // Takes both arrays over (an empty buffer is an absent array).
  GTextEscapements(GCharacterBuffer x, GCharacterBuffer y, std::uint16_t count);
  // Advances along the baseline of text turned by `angle` degrees (counter-clockwise, y down):
  // 0 and 180 put them (negated for 180) on x, 90 and 270 on y (negated for 90). Any other angle
  // places each character at the rounded position of the running sum of the advances along the
  // baseline and keeps the differences between successive positions. Takes `advances` over.
  GTextEscapements(float angle, GCharacterBuffer advances);
  // The count and owned copies of the arrays.
  GTextEscapements(const GTextEscapements& other);
  GTextEscapements& operator=(const GTextEscapements& other);
  ~GTextEscapements() override = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The root part + 14 + 2 x count for each array present.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same class, equal keys and counts, and each array absent in both, the same buffer, or
  // equal values.
  bool IsSameKey(const GBaseObject* other) const override;

  std::uint16_t GetCount() const { return count_; }
  // The advance, or 0 when the array is absent or the index past its end.
  std::int16_t GetX(std::uint32_t index) const { return static_cast<std::int16_t>(x_.At(index)); }
  std::int16_t GetY(std::uint32_t index) const { return static_cast<std::int16_t>(y_.At(index)); }
  // The first advance, or null when the array is absent.
  const std::int16_t* GetXData() const { return static_cast<const std::int16_t*>(x_.Data()); }
  const std::int16_t* GetYData() const { return static_cast<const std::int16_t*>(y_.Data()); }
  // Stores an advance below the count. An absent array is made (count zeros) unless the value is
  // 0; a borrowed one is made owned first.
  void SetX(std::uint32_t index, std::int16_t value) { Set(x_, index, value); }
  void SetY(std::uint32_t index, std::int16_t value) { Set(y_, index, value); }
  // Copies borrowed x advances into an array of the object's own; false when memory is short
  // (they then stay borrowed).
  bool MakeXOwned() { return x_.MakeOwned(); }

  static RWClassID ClassId();
  static const char* ClassName() { return "GTextEscapements"; }
  static RWCollectable* Create();

 private:
  void Set(GCharacterBuffer& array, std::uint32_t index, std::int16_t value);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  GCharacterBuffer x_;
  GCharacterBuffer y_;
  std::uint16_t count_ = 0;
};
