// GXLDownloadedFont.
#include "framework/output/fonts/GXLDownloadedFont.h"

#include <new>

GXLDownloadedFont::GXLDownloadedFont(GLanguagePeripheral* owner)
    : GDownloadedFont(new (std::nothrow) GXLDownloadedFontImp(owner)) {}

GDownloadedFont* GXLDownloadedFont::Clone() const {
  return new (std::nothrow) GXLDownloadedFont(static_cast<GXLDownloadedFontImp*>(Body()));
}

void GXLDownloadedFont::SetVertical(std::uint32_t vertical) {
  if (Body() != nullptr) {
    static_cast<GXLDownloadedFontImp*>(Body())->SetVertical(vertical);
  }
}

std::uint32_t GXLDownloadedFont::IsVertical() const {
  return Body() != nullptr ? static_cast<GXLDownloadedFontImp*>(Body())->IsVertical() : 0;
}
