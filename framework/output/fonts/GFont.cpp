// GFont.
#include "framework/output/fonts/GFont.h"

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"
#include "framework/output/fonts/FontDevices.h"
#include "framework/output/fonts/GDownloadedFont.h"
#include "framework/output/fonts/GFontDatabase.h"
#include "framework/output/fonts/GFontImp.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

const GFontFaceRecord& EmptyFace() {
  static const GFontFaceRecord kEmpty;
  return kEmpty;
}

const GFontInstanceRecord& EmptyInstance() {
  static const GFontInstanceRecord kEmpty;
  return kEmpty;
}

}  // namespace

RWClassID GFont::ClassId() {
  return vel::classid::kGFont;
}

GFont::GFont(GFontImp* implementation, GRenderDevice* device)
    : implementation_(implementation), device_(device) {
  if (implementation_ != nullptr) {
    implementation_->AddFontReference();
  }
}

GFont::GFont(const GFont& other)
    : GBaseObject(other), implementation_(other.implementation_), device_(other.device_) {
  if (implementation_ != nullptr) {
    implementation_->AddFontReference();
  }
}

GFont& GFont::operator=(const GFont& other) {
  if (&other == this) {
    return *this;
  }
  GBaseObject::operator=(other);
  if (other.implementation_ != nullptr) {
    other.implementation_->AddFontReference();
  }
  DropImplementation();
  implementation_ = other.implementation_;
  device_ = other.device_;
  return *this;
}

GFont::~GFont() {
  DropImplementation();
}

void GFont::DropImplementation() {
  if (implementation_ != nullptr && implementation_->DropFontReference() <= 0) {
    delete implementation_;
  }
  implementation_ = nullptr;
}

bool GFont::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool GFont::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto& that = static_cast<const GFont&>(*other);
  if (implementation_ == that.implementation_) {
    return true;
  }
  return implementation_ != nullptr && that.implementation_ != nullptr &&
         implementation_->IsSameKey(that.implementation_);
}

const GFontFaceRecord& GFont::GetMetricBlock() const {
  return implementation_ != nullptr ? implementation_->GetMetricBlock() : EmptyFace();
}

const GFontInstanceRecord& GFont::GetTransform() const {
  return implementation_ != nullptr ? implementation_->GetTransform() : EmptyInstance();
}

GAngle GFont::GetCharAngle() const {
  return implementation_ != nullptr ? implementation_->GetCharAngle() : GAngle();
}

std::int32_t GFont::MapString(const GTextString& text, GCharacterBuffer& glyphs) {
  return implementation_ != nullptr ? implementation_->MapString(text, glyphs) : 0;
}

std::int32_t GFont::MapRange(std::uint16_t first, std::uint16_t last, GCharacterBuffer& glyphs) {
  return implementation_ != nullptr ? implementation_->MapRange(first, last, glyphs) : 0;
}

std::int32_t GFont::CodeMetrics(std::uint32_t code, void* out) {
  return implementation_ != nullptr ? implementation_->CodeMetrics(code, out) : 0;
}

std::int32_t GFont::CodeBitmap(std::uint32_t code, void* out) {
  return implementation_ != nullptr ? implementation_->CodeBitmap(code, out) : 0;
}

GDownloadedFont* GFont::GetDownloadedFont() const {
  return implementation_ != nullptr ? implementation_->GetDownloadedFont() : nullptr;
}

GDownloadedFont* GFont::SetDownloadedFont(GDownloadedFont* font) {
  if (implementation_ == nullptr) {
    delete font;
    return nullptr;
  }
  return implementation_->SetDownloadedFont(font);
}

GDownloadedFont* GFont::TakeDownloadedFont() {
  return implementation_ != nullptr ? implementation_->TakeDownloadedFont() : nullptr;
}

std::uint32_t GFont::AddUsedGlyphs(const GTextString& text) {
  return implementation_ != nullptr ? implementation_->AddUsedGlyphs(text) : 0;
}

std::int32_t GFont::EnsureDownloaded(const void* glyphs, std::uint32_t flags) {
  return implementation_ != nullptr ? implementation_->EnsureDownloaded(glyphs, flags) : 0;
}

GRenderDevice* GFont::SetDevice(GRenderDevice* device) {
  GRenderDevice* old = device_;
  device_ = device;
  return old;
}

GFontImp* GFont::DetachImplementation() {
  if (implementation_ != nullptr) {
    implementation_->ClearFontHandle();
  }
  return implementation_;
}

std::uint32_t GFont::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + 16;
}

template <typename Carrier>
void GFont::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, vel::RenderDeviceCookie(device_));
  if (implementation_ == nullptr) {
    vel::WriteField(carrier, kNoFontId);
    vel::WriteField(carrier, kNoFontId);
    return;
  }
  vel::WriteField(carrier, implementation_->GetFontId());
  vel::WriteField(carrier, implementation_->GetChangeCount());
  // The next font file carries the implementation, so that the font is found again when the
  // command is read back.
  implementation_->MarkForSave();
  if (GFontDatabase* table = vel::RenderDeviceFontTable(device_)) {
    (void)table->Add(implementation_);
  }
}

void GFont::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GFont::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GFont::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint32_t cookie = 0;
  std::uint32_t font_id = 0;
  std::uint32_t change_count = 0;
  if (!vel::ReadField(carrier, cookie) || !vel::ReadField(carrier, font_id) ||
      !vel::ReadField(carrier, change_count)) {
    vel::FailCarrier(carrier);
    return;
  }
  DropImplementation();
  device_ = vel::FindRenderDevice(cookie);
  GFontDatabase* table = vel::RenderDeviceFontTable(device_);
  if (table != nullptr && font_id != kNoFontId) {
    implementation_ = table->Find(font_id, change_count);
  }
}

void GFont::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GFont::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
