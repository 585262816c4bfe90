// FwTestLanguagePeripheral: the language peripheral base made concrete for tests. Its font and
// paint operations only count their calls; its owned back-end objects can be set from the test.
// It is a persistent class of its own (registered by RegisterFrameworkTestClasses), stored as the
// base's part and its class version word.
#pragma once

#include <cstdint>

#include "framework/output/GLanguagePeripheral.h"

class FwTestLanguagePeripheral : public GLanguagePeripheral {
 public:
  static constexpr RWClassID kClassId = 1988;

  FwTestLanguagePeripheral() = default;
  FwTestLanguagePeripheral(const FwTestLanguagePeripheral& other) = default;
  FwTestLanguagePeripheral& operator=(const FwTestLanguagePeripheral& other) = default;

  RWCollectable* CreateInstance() const override { return Create(); }
  RWCollectable* Clone() const override;
  RWClassID IsA() const override { return kClassId; }
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;

  void SelectNoFont(const RWCString& font_name) override;
  std::uint16_t HandleRasterPenPaint(GRasterPaint& paint) override;
  std::uint16_t HandleColorPenPaint(GColorPaint& paint) override;
  std::uint16_t HandleRasterBrushPaint(GRasterPaint& paint) override;
  std::uint16_t HandleColorBrushPaint(GColorPaint& paint) override;

  int PaintCalls() const { return paint_calls_; }
  const RWCString& LastNoFont() const { return last_no_font_; }
  int NoFontCalls() const { return no_font_calls_; }
  // The owned objects and working values, reachable from tests.
  using GLanguagePeripheral::FontDownloader;
  using GLanguagePeripheral::GlyphCodeMap;
  using GLanguagePeripheral::SetFontDownloader;
  using GLanguagePeripheral::SetGlyphCodeMap;
  void SetWorkingValues(std::uint32_t once, std::uint32_t number, std::uint32_t counter) {
    once_flag_ = once;
    font_number_ = number;
    use_counter_ = counter;
  }
  std::uint32_t OnceFlag() const { return once_flag_; }
  std::uint32_t FontNumber() const { return font_number_; }
  std::uint32_t UseCounter() const { return use_counter_; }

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "FwTestLanguagePeripheral"; }
  static RWCollectable* Create();

 private:
  int paint_calls_ = 0;
  RWCString last_no_font_;
  int no_font_calls_ = 0;
};
