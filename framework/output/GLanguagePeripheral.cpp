// GLanguagePeripheral.
#include "framework/output/GLanguagePeripheral.h"

#include "framework/core/FrameworkIds.h"

RWClassID GLanguagePeripheral::ClassId() {
  return vel::classid::kGLanguagePeripheral;
}

bool GLanguagePeripheral::IsKindOf(RWClassID id) const {
  return id == ClassId() || GPeripheralComposite::IsKindOf(id);
}

std::uint16_t GLanguagePeripheral::HandleColorPenPaint(GColorPaint& paint) {
  (void)paint;
  return 0;
}

std::uint16_t GLanguagePeripheral::HandleColorBrushPaint(GColorPaint& paint) {
  (void)paint;
  return 0;
}
