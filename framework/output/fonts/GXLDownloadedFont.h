// The PCL XL downloaded font: a body that also knows whether the TrueType header declared a
// vertical font, and its handle.
#pragma once

#include <cstdint>

#include "framework/output/fonts/GDownloadedFont.h"

class GXLDownloadedFontImp : public GDownloadedFontImp {
 public:
  explicit GXLDownloadedFontImp(GLanguagePeripheral* owner) : GDownloadedFontImp(owner) {}

  void SetVertical(std::uint32_t vertical) { vertical_ = vertical; }
  std::uint32_t IsVertical() const { return vertical_; }

 private:
  std::uint32_t vertical_ = 0;
};

class GXLDownloadedFont : public GDownloadedFont {
 public:
  // A handle on a new body for the owner (a handle without a body when memory is short).
  explicit GXLDownloadedFont(GLanguagePeripheral* owner);
  // One more handle on the body.
  explicit GXLDownloadedFont(GXLDownloadedFontImp* body) : GDownloadedFont(body) {}

  GDownloadedFont* Clone() const override;

  void SetVertical(std::uint32_t vertical);
  std::uint32_t IsVertical() const;
};
