// GLanguagePeripheral: the common base of the page-description-language stages at the end of the
// output chain (PCL XL and PostScript). It is never made by itself: a back end derives from it,
// and its class id, creation and copy stay those of the peripheral composite.
//
// A pen or brush handler of a back end asks the pen's or brush's paint to accept itself; each
// kind of paint calls one handler below with itself. The base handlers do nothing and answer 0.
#pragma once

#include <cstdint>

#include "framework/core/GPeripheralComposite.h"

class GColorPaint;

class GLanguagePeripheral : public GPeripheralComposite {
 public:
  GLanguagePeripheral() = default;
  explicit GLanguagePeripheral(std::uint32_t key) : GPeripheralComposite(key) {}
  GLanguagePeripheral(const GLanguagePeripheral& other) = default;
  GLanguagePeripheral& operator=(const GLanguagePeripheral& other) = default;

  // 765, 770, 760, 753, 751.
  bool IsKindOf(RWClassID id) const override;

  // A pen painted with a colour paint.
  [[nodiscard]] virtual std::uint16_t HandleColorPenPaint(GColorPaint& paint);
  // A brush painted with a colour paint.
  [[nodiscard]] virtual std::uint16_t HandleColorBrushPaint(GColorPaint& paint);

  static RWClassID ClassId();
};
