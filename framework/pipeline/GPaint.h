// GPaint: the abstract paint that a pen strokes with or a brush fills with. A paint is shared by
// counted references from the pens and brushes that use it and goes with the last of them. An
// output stage learns what the paint is by asking it to accept itself as a pen paint or as a brush
// paint: each kind of paint calls the one handler of the language stage that belongs to it.
//
// Stored form (after the root part):
//   u32  class version word, 1
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"

class GLanguagePeripheral;

class GPaint : public GBaseObject {
 public:
  GPaint() = default;
  explicit GPaint(std::uint32_t key) : GBaseObject(key) {}
  GPaint(const GPaint& other) = default;
  GPaint& operator=(const GPaint& other) = default;

  // The root part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 151 and 751.
  bool IsKindOf(RWClassID id) const override;

  // Calls the handler of `peripheral` for a pen painted with this kind of paint and answers its
  // status.
  [[nodiscard]] virtual std::uint16_t AcceptAsPenPaint(GLanguagePeripheral& peripheral) = 0;
  // The same for a brush.
  [[nodiscard]] virtual std::uint16_t AcceptAsBrushPaint(GLanguagePeripheral& peripheral) = 0;

  static RWClassID ClassId();
};
