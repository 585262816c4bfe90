// The PostScript downloaded font: a body with one more 32-bit value that the handle sets, and its
// handle. The PostScript back end registers printer-resident fonts with these.
#pragma once

#include <cstdint>

#include "framework/output/fonts/GDownloadedFont.h"

class GPSDownloadedFont : public GDownloadedFontImp {
 public:
  explicit GPSDownloadedFont(GLanguagePeripheral* owner) : GDownloadedFontImp(owner) {}

  // The body's own value (0 at creation).
  void SetExtra(std::uint32_t extra) override { value_ = extra; }
  std::uint32_t GetExtra() const override { return value_; }

 private:
  std::uint32_t value_ = 0;
};

class GPSDownloadedFontHandle : public GDownloadedFont {
 public:
  // A handle on a new body for the owner (a handle without a body when memory is short).
  explicit GPSDownloadedFontHandle(GLanguagePeripheral* owner);
  // One more handle on the body.
  explicit GPSDownloadedFontHandle(GPSDownloadedFont* body) : GDownloadedFont(body) {}

  GDownloadedFont* Clone() const override;
};
