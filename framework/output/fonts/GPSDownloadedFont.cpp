// GPSDownloadedFontHandle.
#include "framework/output/fonts/GPSDownloadedFont.h"

#include <new>

GPSDownloadedFontHandle::GPSDownloadedFontHandle(GLanguagePeripheral* owner)
    : GDownloadedFont(new (std::nothrow) GPSDownloadedFont(owner)) {}

GDownloadedFont* GPSDownloadedFontHandle::Clone() const {
  return new (std::nothrow) GPSDownloadedFontHandle(static_cast<GPSDownloadedFont*>(Body()));
}
