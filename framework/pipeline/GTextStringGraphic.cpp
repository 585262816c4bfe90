// GTextStringGraphic: a run of text, its queries and its stored form.
#include "framework/pipeline/GTextStringGraphic.h"

#include <algorithm>
#include <new>
#include <utility>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/StoredFields.h"
#include "framework/output/GCharacterBuffer.h"
#include "framework/output/GTextEscapements.h"
#include "framework/output/GTextString.h"
#include "framework/output/fonts/GFont.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GDDAStepper.h"
#include "framework/pipeline/GShapeGraphic.h"
#include "framework/pipeline/HeldRecord.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

// The escapement mode of a font: 1 when its text is in glyph indices, else 2.
constexpr std::uint32_t kGlyphIndexEncoding = 1;

// A list of n advances along one axis (p[i+1] - p[i], 0 last), owned; empty when no two
// neighbours differ on that axis or memory is short.
template <typename Axis>
GCharacterBuffer AdvancesOf(const GPoint* points, std::uint16_t count, Axis axis) {
  bool needed = false;
  for (std::uint32_t i = 0; i + 1 < count; ++i) {
    needed = needed || axis(points[i + 1]) != axis(points[i]);
  }
  if (!needed) {
    return GCharacterBuffer();
  }
  GCharacterBuffer advances = GCharacterBuffer::Zeros(2, count);
  for (std::uint32_t i = 0; !advances.IsEmpty() && i + 1 < count; ++i) {
    (void)advances.Set(i, static_cast<std::uint16_t>(axis(points[i + 1]) - axis(points[i])));
  }
  return advances;
}

// Both or neither present, or the first's own test says equal.
template <typename T>
bool SameHeld(const T* a, const T* b) {
  return a == b || (a != nullptr && b != nullptr && a->IsSameKey(b));
}

// An owned copy of a held object through its own Clone (null for none or when memory is short).
template <typename T>
T* CopyOfHeld(const T* object) {
  return object != nullptr ? dynamic_cast<T*>(object->Clone()) : nullptr;
}

bool InRange(std::uint16_t code, std::uint16_t first, std::uint16_t last) {
  return code >= first && code <= last;
}

// The user-defined areas of the kinds that have one.
bool IsUserDefined(std::uint32_t kind, std::uint16_t code) {
  switch (kind) {
    case 16:
      return InRange(code, 0xE000, 0xEDE7);
    case 17:
      return InRange(code, 0xF040, 0xF9FC);
    case 18:
      return InRange(code, 0x9A41, 0xA0FE) || InRange(code, 0xAA41, 0xAFFE) ||
             InRange(code, 0xF8A1, 0xFEFE);
    case 21:
      return InRange(code, 0xC9A1, 0xC9FE) || InRange(code, 0xFEA1, 0xFEFE);
    case 23:
      return InRange(code, 0x8140, 0x8DFE) || InRange(code, 0x8E40, 0xA0FE) ||
             InRange(code, 0xC6A1, 0xC8FE) || InRange(code, 0xFA40, 0xFEFE);
    default:
      return false;
  }
}

}  // namespace

GTextStringGraphic::GTextStringGraphic(GFont* font, const std::uint16_t* codes,
                                       std::int32_t owned, std::uint32_t kind,
                                       const GPointList* positions, std::uint16_t count,
                                       GGraphicBundle* bundle)
    : GGraphic(bundle, 0) {
  Build(font, codes, owned, kind, positions != nullptr ? positions->Points() : nullptr,
        positions != nullptr ? positions->Count() : 0, count);
}

GTextStringGraphic::GTextStringGraphic(GFont* font, const std::uint16_t* codes,
                                       std::int32_t owned, std::uint32_t kind,
                                       const GPoint* positions, std::uint16_t count,
                                       GGraphicBundle* bundle)
    : GGraphic(bundle, 0) {
  Build(font, codes, owned, kind, positions, positions != nullptr ? count : 0, count);
}

void GTextStringGraphic::Build(GFont* font, const std::uint16_t* codes, std::int32_t owned,
                               std::uint32_t kind, const GPoint* positions,
                               std::uint32_t available, std::uint16_t count) {
  font_ = font;
  GCharacterBuffer buffer;
  if (owned == 1) {
    buffer = GCharacterBuffer::Adopt(codes, count);
  } else if (codes != nullptr) {
    buffer = GCharacterBuffer(codes, count);
  }
  text_ = new (std::nothrow) GTextString(std::move(buffer), count, 2, kind);

  // The positions of all characters: those given, and the last one given for the rest. Without
  // any, every character is at the origin.
  GPoint* points = count != 0 ? new (std::nothrow) GPoint[count]() : nullptr;
  if (points != nullptr && available != 0) {
    for (std::uint32_t i = 0; i < count; ++i) {
      points[i] = positions[std::min<std::uint32_t>(i, available - 1)];
    }
    origin_ = points[0];
  }
  GCharacterBuffer x;
  GCharacterBuffer y;
  if (points != nullptr) {
    x = AdvancesOf(points, count, [](const GPoint& p) { return p.x; });
    y = AdvancesOf(points, count, [](const GPoint& p) { return p.y; });
  }
  delete[] points;
  escapements_ = new (std::nothrow) GTextEscapements(std::move(x), std::move(y), count);
}

GTextStringGraphic::GTextStringGraphic(const GTextStringGraphic& other)
    : GGraphic(other),
      font_(CopyOfHeld(other.font_)),
      text_(CopyOfHeld(other.text_)),
      escapements_(CopyOfHeld(other.escapements_)),
      flags_(other.flags_),
      origin_(other.origin_) {}

GTextStringGraphic::~GTextStringGraphic() {
  delete font_;
  delete text_;
  delete escapements_;
}

RWClassID GTextStringGraphic::ClassId() {
  return vel::classid::kGTextStringGraphic;
}

RWCollectable* GTextStringGraphic::Create() {
  return new (std::nothrow) GTextStringGraphic;
}

RWCollectable* GTextStringGraphic::CreateInstance() const {
  return Create();
}

RWCollectable* GTextStringGraphic::Clone() const {
  return new (std::nothrow) GTextStringGraphic(*this);
}

RWClassID GTextStringGraphic::IsA() const {
  return ClassId();
}

bool GTextStringGraphic::IsKindOf(RWClassID id) const {
  return id == ClassId() || GGraphic::IsKindOf(id);
}

bool GTextStringGraphic::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* text = dynamic_cast<const GTextStringGraphic*>(other);
  return text != nullptr && SameClass(other) && GGraphic::IsSameKey(other) &&
         flags_ == text->flags_ && origin_ == text->origin_ && SameHeld(font_, text->font_) &&
         SameHeld(text_, text->text_) && SameHeld(escapements_, text->escapements_);
}

std::uint16_t GTextStringGraphic::Accept(GTypedHandlers& handlers) {
  return handlers.HandleTextStringGraphic(*this);
}

void GTextStringGraphic::SetFont(GFont* font) {
  if (font == font_) {
    return;
  }
  delete font_;
  font_ = font;
}

void GTextStringGraphic::EnsureDownloaded() const {
  if (font_ != nullptr && text_ != nullptr) {
    const std::uint32_t mode = font_->EncodingCode() == kGlyphIndexEncoding ? 1 : 2;
    (void)font_->EnsureDownloaded(text_, mode);
  }
}

void GTextStringGraphic::MakeUnique() {
  EnsureDownloaded();
  if (text_ != nullptr) {
    (void)text_->MakeOwned();
  }
}

// --- Character-set queries ---------------------------------------------------------------------

bool GTextStringGraphic::HasUserDefinedCharacters() const {
  if (text_ == nullptr || text_->GetCharSize() != 2) {
    return false;
  }
  const std::uint32_t kind = text_->GetEncoding();
  for (std::uint32_t i = 0; i < text_->GetLength(); ++i) {
    if (IsUserDefined(kind, text_->GetCharAt(i))) {
      return true;
    }
  }
  return false;
}

bool GTextStringGraphic::ContainsAnyCode(const std::uint16_t* codes) const {
  if (codes == nullptr || codes[0] == 0 || text_ == nullptr) {
    return false;
  }
  const std::uint32_t size = text_->GetCharSize();
  if (size != 1 && size != 2) {
    return false;
  }
  const std::uint16_t* first = codes + 1;
  const std::uint16_t* last = first + codes[0];
  for (std::uint32_t i = 0; i < text_->GetLength(); ++i) {
    if (std::binary_search(first, last, text_->GetCharAt(i))) {
      return true;
    }
  }
  return false;
}

bool GTextStringGraphic::IsLeadByte(std::uint32_t kind, std::uint8_t byte) {
  switch (kind) {
    case 17:
      return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 18:
    case 20:
      return byte >= 0xA1 && byte <= 0xFE;
    case 19:
    case 21:
    case 23:
      return byte >= 0x81 && byte <= 0xFE;
    case 22:
      return byte >= 0x84 && byte <= 0xF9;
    default:
      return false;
  }
}

std::uint32_t GTextStringGraphic::GetBytesPerCharacter(std::uint32_t kind) {
  if (kind == 1 || kind == 16) {
    return 1;
  }
  return kind >= 17 && kind <= 23 ? 2 : 0;
}

// --- Spacing -------------------------------------------------------------------------------------

std::int32_t GTextStringGraphic::SumAdvances(GDDAStepper* stepper) {
  if (escapements_ == nullptr) {
    return 0;
  }
  (void)escapements_->MakeXOwned();
  const std::uint32_t count = escapements_->GetCount();
  if (stepper != nullptr && !stepper->HasSteps()) {
    for (std::uint32_t i = 0; i < count; ++i) {
      const bool is_break = font_ != nullptr && text_ != nullptr &&
                            text_->GetCharAt(i) == font_->GetMetricBlock().break_char;
      const std::int16_t step = is_break ? stepper->StepBoth() : stepper->StepAxis2();
      escapements_->SetX(i, static_cast<std::int16_t>(escapements_->GetX(i) + step));
    }
  }
  std::int32_t sum = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    sum += escapements_->GetX(i);
  }
  return sum;
}

// --- Stored form ---------------------------------------------------------------------------------

std::uint32_t GTextStringGraphic::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GGraphic::StoredByteCount() + vel::kClassVersionSize + RWTotalStoredSize(font_) +
         RWTotalStoredSize(text_) + RWTotalStoredSize(escapements_) + 6;
}

template <typename Carrier>
void GTextStringGraphic::Save(Carrier& carrier) const {
  EnsureDownloaded();
  const vel::SaveScope scope(this);
  GGraphic::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  carrier << static_cast<const RWCollectable*>(font_);
  carrier << static_cast<const RWCollectable*>(text_);
  carrier << static_cast<const RWCollectable*>(escapements_);
  vel::WriteField(carrier, flags_);
  vel::WriteField(carrier, origin_.x);
  vel::WriteField(carrier, origin_.y);
}

void GTextStringGraphic::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GTextStringGraphic::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GTextStringGraphic::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GGraphic::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  GBaseObject* font = nullptr;
  GBaseObject* text = nullptr;
  GBaseObject* escapements = nullptr;
  std::uint16_t flags = 0;
  GPoint origin;
  if (!vel::RestoreOwnedRecord(carrier, GFont::ClassId(), font) ||
      !vel::RestoreOwnedRecord(carrier, GTextString::ClassId(), text) ||
      !vel::RestoreOwnedRecord(carrier, GTextEscapements::ClassId(), escapements) ||
      !vel::ReadField(carrier, flags) || !vel::ReadField(carrier, origin.x) ||
      !vel::ReadField(carrier, origin.y)) {
    delete font;
    delete text;
    delete escapements;
    vel::FailCarrier(carrier);
    return;
  }
  delete font_;
  delete text_;
  delete escapements_;
  font_ = static_cast<GFont*>(font);
  text_ = static_cast<GTextString*>(text);
  escapements_ = static_cast<GTextEscapements*>(escapements);
  flags_ = flags;
  origin_ = origin;
}

void GTextStringGraphic::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GTextStringGraphic::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GTextStringGraphic::ForgetRestoredMembers() {
  delete font_;
  font_ = nullptr;
  delete text_;
  text_ = nullptr;
  delete escapements_;
  escapements_ = nullptr;
  GGraphic::ForgetRestoredMembers();
}
