// GFontImp.
#include "framework/output/fonts/GFontImp.h"

#include <memory>
#include <new>
#include <utility>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GOSServices.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"
#include "framework/output/GCharacterBuffer.h"
#include "framework/output/GTextString.h"
#include "framework/output/fonts/GDownloadedFont.h"
#include "framework/output/fonts/GFontDatabase.h"
#include "framework/output/fonts/GFontMetrics.h"
#include "framework/pipeline/HeldRecord.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWCollectable.h"
#include "rw/RWVirtualStream.h"

namespace {

// Gives `glyphs` an owned array of `count` 16-bit entries: its own entries made owned when it has
// that many, else a new one.
bool PrepareGlyphs(GCharacterBuffer& glyphs, std::uint32_t count) {
  if (!glyphs.IsEmpty() && glyphs.Width() == 2 && glyphs.Count() == count) {
    return glyphs.MakeOwned();
  }
  GCharacterBuffer fresh = GCharacterBuffer::Zeros(2, count);
  if (count != 0 && fresh.IsEmpty()) {
    return false;
  }
  glyphs = std::move(fresh);
  return true;
}

}  // namespace

RWClassID GFontImp::ClassId() {
  return vel::classid::kGFontImp;
}

GFontImp::GFontImp() : font_id_(GFontDatabase::NextFontId()) {}

GFontImp::GFontImp(void* font_handle, const GFontFaceRecord& face,
                   const GFontInstanceRecord& instance)
    : font_handle_(font_handle),
      font_id_(GFontDatabase::NextFontId()),
      face_(face),
      instance_(instance) {
  if (GOSServices* services = GetOSServices()) {
    metrics_ = services->CreateFontMetrics();
  }
}

GFontImp::~GFontImp() {
  delete metrics_;
  delete downloaded_font_;
}

bool GFontImp::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool GFontImp::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto& that = static_cast<const GFontImp&>(*other);
  if (!(face_ == that.face_) || !instance_.SameDrawing(that.instance_)) {
    return false;
  }
  if (metrics_ == that.metrics_) {
    return true;
  }
  return metrics_ != nullptr && that.metrics_ != nullptr && metrics_->IsSameKey(that.metrics_);
}

void GFontImp::AdoptMetrics(GFontMetrics* metrics) {
  if (metrics != metrics_) {
    delete metrics_;
    metrics_ = metrics;
  }
}

void GFontImp::Merge(GFontImp& /*other*/) {}

std::uint32_t GFontImp::Touch() {
  if (change_count_ != kMaxChangeCount) {
    ++change_count_;
  }
  return change_count_;
}

bool GFontImp::DefaultGlyph(std::uint16_t& glyph, bool& mapped, std::uint16_t& cached) {
  if (!mapped) {
    if (metrics_ == nullptr || metrics_->MapCode(font_handle_, face_.default_char, cached) != 1) {
      return false;
    }
    mapped = true;
  }
  glyph = cached;
  return true;
}

std::int32_t GFontImp::MapString(const GTextString& text, GCharacterBuffer& glyphs) {
  const std::uint32_t length = text.GetLength();
  if (!PrepareGlyphs(glyphs, length)) {
    return 0;
  }
  bool default_mapped = false;
  std::uint16_t default_glyph = 0;
  for (std::uint32_t i = 0; i < length; ++i) {
    std::uint16_t glyph = 0;
    if ((metrics_ == nullptr || metrics_->MapCode(font_handle_, text.GetCharAt(i), glyph) != 1) &&
        !DefaultGlyph(glyph, default_mapped, default_glyph)) {
      return 0;
    }
    (void)glyphs.Set(i, glyph);
  }
  return 1;
}

std::int32_t GFontImp::MapRange(std::uint16_t first, std::uint16_t last,
                                GCharacterBuffer& glyphs) {
  if (last < first) {
    return 0;
  }
  const std::uint32_t count = static_cast<std::uint32_t>(last - first) + 1;
  if (!PrepareGlyphs(glyphs, count)) {
    return 0;
  }
  bool default_mapped = false;
  std::uint16_t default_glyph = 0;
  const std::uint16_t first_char = face_.first_char;
  const std::uint16_t last_char = face_.last_char;
  if (first < first_char || last > last_char) {
    std::uint16_t glyph = 0;
    if (!DefaultGlyph(glyph, default_mapped, default_glyph)) {
      return 0;
    }
    for (std::uint32_t code = first; code <= last; ++code) {
      if (code < first_char || code > last_char) {
        (void)glyphs.Set(code - first, glyph);
      }
    }
  }
  // The codes inside the font's range, if any.
  const std::uint16_t low = first < first_char ? first_char : first;
  const std::uint16_t high = last > last_char ? last_char : last;
  if (low > high) {
    return 1;
  }
  const std::uint32_t inside = static_cast<std::uint32_t>(high - low) + 1;
  std::unique_ptr<std::uint16_t[]> mapped(new (std::nothrow) std::uint16_t[inside]());
  if (mapped != nullptr && metrics_ != nullptr &&
      metrics_->MapRange(font_handle_, low, high, mapped.get()) == 1) {
    for (std::uint32_t i = 0; i < inside; ++i) {
      (void)glyphs.Set(low - first + i, mapped[i]);
    }
    return 1;
  }
  for (std::uint32_t code = low; code <= high; ++code) {
    std::uint16_t glyph = 0;
    if ((metrics_ == nullptr ||
         metrics_->MapCode(font_handle_, static_cast<std::uint16_t>(code), glyph) != 1) &&
        !DefaultGlyph(glyph, default_mapped, default_glyph)) {
      return 0;
    }
    (void)glyphs.Set(code - first, glyph);
  }
  return 1;
}

std::int32_t GFontImp::CodeMetrics(std::uint32_t code, void* out) {
  if (metrics_ == nullptr) {
    return 0;
  }
  const auto cell = static_cast<std::int16_t>(face_.size + face_.internal_leading);
  return metrics_->CodeMetrics(font_handle_, cell, code, out);
}

std::int32_t GFontImp::CodeBitmap(std::uint32_t code, void* out) {
  if (metrics_ == nullptr) {
    return 0;
  }
  const auto cell = static_cast<std::int16_t>(face_.size + face_.internal_leading);
  return metrics_->CodeBitmap(font_handle_, cell, code, out);
}

std::int32_t GFontImp::FinishDownload() {
  return 1;
}

std::int32_t GFontImp::DownloadUsedGlyphs() {
  struct Walk {
    GFontImp* font;
    bool failed;
  } walk{this, false};
  (void)used_glyphs_.ForEach(
      [](std::uint32_t code, void* context) -> std::uint32_t {
        auto& state = *static_cast<Walk*>(context);
        if (state.failed) {
          return 0;
        }
        if (state.font->DownloadCode(code, state.font->face_.char_set) == 0) {
          state.failed = true;
        }
        return 0;
      },
      &walk);
  return walk.failed ? 0 : FinishDownload();
}

std::int32_t GFontImp::EnsureDownloaded(const void* glyphs, std::uint32_t flags) {
  if ((instance_.flags & GFontInstanceRecord::kOutlineDownload) != 0) {
    return 1;
  }
  if (FinishDownload() != 1) {
    return 0;
  }
  return DownloadGlyphs(glyphs, flags);
}

std::uint32_t GFontImp::AddUsedGlyphs(const GTextString& text) {
  const std::uint32_t length = text.GetLength();
  for (std::uint32_t i = 0; i < length; ++i) {
    (void)used_glyphs_.Add(text.GetCharAt(i));
  }
  return length;
}

GDownloadedFont* GFontImp::SetDownloadedFont(GDownloadedFont* font) {
  if (font != downloaded_font_) {
    delete downloaded_font_;
    downloaded_font_ = font;
  }
  return font;
}

GDownloadedFont* GFontImp::TakeDownloadedFont() {
  return std::exchange(downloaded_font_, nullptr);
}

std::uint32_t GFontImp::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + static_cast<std::uint32_t>(face_.name.Length()) + 104 +
         RWTotalStoredSize(metrics_);
}

template <typename Carrier>
void GFontImp::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, face_.resolution_x);
  vel::WriteField(carrier, face_.resolution_y);
  vel::WriteField(carrier, face_.ascender);
  vel::WriteField(carrier, face_.internal_leading);
  vel::WriteField(carrier, face_.external_leading);
  vel::WriteField(carrier, face_.italic);
  vel::WriteField(carrier, face_.underline);
  vel::WriteField(carrier, face_.strike_out);
  vel::WriteField(carrier, face_.weight);
  vel::WriteField(carrier, face_.char_set);
  vel::WriteField(carrier, face_.width_scale);
  vel::WriteField(carrier, face_.height_scale);
  vel::WriteField(carrier, face_.size);
  vel::WriteField(carrier, face_.fixed_pitch);
  vel::WriteField(carrier, face_.family_class);
  vel::WriteField(carrier, face_.average_width);
  vel::WriteField(carrier, face_.max_width);
  vel::WriteField(carrier, face_.first_char);
  vel::WriteField(carrier, face_.last_char);
  vel::WriteField(carrier, face_.default_char);
  vel::WriteField(carrier, face_.break_char);
  vel::WriteString(carrier, face_.name);
  vel::WriteField(carrier, face_.vertical);
  vel::WriteField(carrier, RealToLong(instance_.escapement));
  vel::WriteField(carrier, RealToLong(instance_.char_angle));
  vel::WriteField(carrier, instance_.weight);
  vel::WriteField(carrier, instance_.italic);
  vel::WriteField(carrier, instance_.underline);
  vel::WriteField(carrier, instance_.strike_out);
  vel::WriteField(carrier, instance_.flags);
  carrier << static_cast<const RWCollectable*>(metrics_);
  vel::WriteField(carrier, font_id_);
  vel::WriteField(carrier, change_count_);
}

void GFontImp::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GFontImp::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GFontImp::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  GFontFaceRecord face;
  GFontInstanceRecord instance;
  std::int32_t escapement = 0;
  std::int32_t char_angle = 0;
  const bool read =
      vel::ReadField(carrier, face.resolution_x) && vel::ReadField(carrier, face.resolution_y) &&
      vel::ReadField(carrier, face.ascender) && vel::ReadField(carrier, face.internal_leading) &&
      vel::ReadField(carrier, face.external_leading) && vel::ReadField(carrier, face.italic) &&
      vel::ReadField(carrier, face.underline) && vel::ReadField(carrier, face.strike_out) &&
      vel::ReadField(carrier, face.weight) && vel::ReadField(carrier, face.char_set) &&
      vel::ReadField(carrier, face.width_scale) && vel::ReadField(carrier, face.height_scale) &&
      vel::ReadField(carrier, face.size) && vel::ReadField(carrier, face.fixed_pitch) &&
      vel::ReadField(carrier, face.family_class) && vel::ReadField(carrier, face.average_width) &&
      vel::ReadField(carrier, face.max_width) && vel::ReadField(carrier, face.first_char) &&
      vel::ReadField(carrier, face.last_char) && vel::ReadField(carrier, face.default_char) &&
      vel::ReadField(carrier, face.break_char) && vel::ReadString(carrier, face.name) &&
      vel::ReadField(carrier, face.vertical) && vel::ReadField(carrier, escapement) &&
      vel::ReadField(carrier, char_angle) && vel::ReadField(carrier, instance.weight) &&
      vel::ReadField(carrier, instance.italic) && vel::ReadField(carrier, instance.underline) &&
      vel::ReadField(carrier, instance.strike_out) && vel::ReadField(carrier, instance.flags);
  if (!read) {
    vel::FailCarrier(carrier);
    return;
  }
  GBaseObject* metrics = nullptr;
  if (!vel::RestoreOwnedRecord(carrier, GFontMetrics::ClassId(), metrics)) {
    return;
  }
  std::uint32_t font_id = 0;
  std::uint32_t change_count = 0;
  if (!vel::ReadField(carrier, font_id) || !vel::ReadField(carrier, change_count)) {
    delete metrics;
    vel::FailCarrier(carrier);
    return;
  }
  instance.escapement = GReal(static_cast<int>(escapement));
  instance.char_angle = GReal(static_cast<int>(char_angle));
  face_ = face;
  instance_ = instance;
  delete metrics_;
  metrics_ = static_cast<GFontMetrics*>(metrics);
  font_id_ = font_id;
  change_count_ = change_count;
}

void GFontImp::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GFontImp::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
