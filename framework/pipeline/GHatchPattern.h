// GHatchPattern: the 8 x 8 one-bit bitmap of a hatch brush. Its eight rows, top down and most
// significant bit leftmost, are the chosen style's bytes (the bitmap owns a copy of them); a 0 bit
// takes palette entry 0 (the first colour), a 1 bit entry 1 (the second).
//
//   style      rows
//   0          00 00 FF FF FF FF FF FF
//   1          3F 3F 3F 3F 3F 3F 3F 3F
//   2          3F 9F CF E7 F3 F9 FC 7E
//   3          FC F9 F3 E7 CF 9F 3F 7E
//   4          27 8F 8F 27 72 F8 F8 72
//   any other  00 00 3F 3F 3F 3F 3F 3F
//
// The pixels are one byte a row (alignment 1), bounds (0, 0, 8, 8).
//
// Stored form (after the bitmap part):
//   u32  class version word, 1
#pragma once

#include <cstdint>

#include "framework/pipeline/GBitmap.h"

class GRGBColor;

class GHatchPattern : public GBitmap {
 public:
  static constexpr std::int32_t kRows = 8;

  // No implementation (what a restore fills).
  GHatchPattern() = default;
  // The style's rows with a palette of copies of the two colours; no implementation when memory
  // is short.
  GHatchPattern(std::int32_t style, const GRGBColor& first, const GRGBColor& second);
  // Shares the other's implementation.
  GHatchPattern(const GHatchPattern& other) = default;
  GHatchPattern& operator=(const GHatchPattern& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The bitmap part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 555, 551 and 751.
  bool IsKindOf(RWClassID id) const override;

  // The eight rows of `style`.
  static const std::uint8_t* RowsOf(std::int32_t style);

  static RWClassID ClassId();
  static const char* ClassName() { return "GHatchPattern"; }
  static RWCollectable* Create();
};
