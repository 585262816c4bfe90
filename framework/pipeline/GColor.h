// GColor: the abstract colour that a colour paint carries and that palettes and page decorations
// use. Every colour answers as an RGB colour (AsRGBColor) and carries a fourth byte besides its
// components, which travels with it and which no output stage reads; the colours the system builds
// set it to 255.
//
// Stored form (after the root part):
//   u32  class version word, 1
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"

class GRGBColor;

class GColor : public GBaseObject {
 public:
  GColor() = default;
  GColor(const GColor& other) = default;
  GColor& operator=(const GColor& other) = default;

  // The root part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 51 and 751.
  bool IsKindOf(RWClassID id) const override;

  // Stores the fourth byte and answers it.
  virtual std::uint8_t SetFourthByte(std::uint8_t value) = 0;
  virtual std::uint8_t GetFourthByte() const = 0;
  // The colour as red, green and blue components.
  virtual GRGBColor AsRGBColor() const = 0;

  static RWClassID ClassId();
};
