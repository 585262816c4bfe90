// GTTFontSource.
#include "framework/output/fonts/GTTFontSource.h"

#include "framework/output/fonts/GFont.h"
#include "framework/output/fonts/GFontImp.h"

GTTFontSource* TrueTypeSourceOf(const GFont& font) {
  return dynamic_cast<GTTFontSource*>(font.GetImplementation());
}
