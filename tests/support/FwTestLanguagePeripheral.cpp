// FwTestLanguagePeripheral: counting bodies and the stored form.
#include "tests/support/FwTestLanguagePeripheral.h"

#include <new>

#include "framework/pipeline/CommandParts.h"

RWCollectable* FwTestLanguagePeripheral::Create() {
  return new (std::nothrow) FwTestLanguagePeripheral;
}

RWCollectable* FwTestLanguagePeripheral::Clone() const {
  return new (std::nothrow) FwTestLanguagePeripheral(*this);
}

bool FwTestLanguagePeripheral::IsKindOf(RWClassID id) const {
  return id == kClassId || GLanguagePeripheral::IsKindOf(id);
}

std::uint32_t FwTestLanguagePeripheral::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GLanguagePeripheral::StoredByteCount() + vel::kClassVersionSize;
}

void FwTestLanguagePeripheral::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GLanguagePeripheral>(*this, stream);
}

void FwTestLanguagePeripheral::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GLanguagePeripheral>(*this, file);
}

void FwTestLanguagePeripheral::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GLanguagePeripheral>(*this, stream);
}

void FwTestLanguagePeripheral::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GLanguagePeripheral>(*this, file);
}

void FwTestLanguagePeripheral::SelectNoFont(const RWCString& font_name) {
  last_no_font_ = font_name;
  ++no_font_calls_;
}

std::uint16_t FwTestLanguagePeripheral::HandleRasterPenPaint(GRasterPaint& /*paint*/) {
  ++paint_calls_;
  return 0;
}

std::uint16_t FwTestLanguagePeripheral::HandleColorPenPaint(GColorPaint& /*paint*/) {
  ++paint_calls_;
  return 0;
}

std::uint16_t FwTestLanguagePeripheral::HandleRasterBrushPaint(GRasterPaint& /*paint*/) {
  ++paint_calls_;
  return 0;
}

std::uint16_t FwTestLanguagePeripheral::HandleColorBrushPaint(GColorPaint& /*paint*/) {
  ++paint_calls_;
  return 0;
}
