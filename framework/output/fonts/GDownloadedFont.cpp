// GDownloadedFontImp and GDownloadedFont.
#include "framework/output/fonts/GDownloadedFont.h"

#include "framework/output/GLanguagePeripheral.h"

GDownloadedFontImp::GDownloadedFontImp(GLanguagePeripheral* owner) : owner_(owner) {}

void GDownloadedFontImp::AddBytes(std::uint32_t bytes) {
  byte_count_ += bytes;
  if (owner_ != nullptr) {
    (void)owner_->ReserveFontMemory(bytes);
  }
}

void GDownloadedFontImp::Release() {
  if (byte_count_ == 0) {
    return;
  }
  if (owner_ != nullptr) {
    if (state_ != kResident) {
      owner_->SelectNoFont(name_);
    }
    (void)owner_->ReleaseFontMemory(byte_count_);
  }
  glyph_bytes_ = 0;
  byte_count_ = 0;
  glyphs_.RemoveAll();
}

GDownloadedFont::GDownloadedFont(GDownloadedFontImp* body) : body_(body) {
  if (body_ != nullptr) {
    body_->AddReference();
  }
}

GDownloadedFont::~GDownloadedFont() {
  if (body_ == nullptr) {
    return;
  }
  const std::int16_t left = body_->DropReference();
  if (left == 1) {
    body_->Release();
  } else if (left <= 0) {
    delete body_;
  }
}

std::uint32_t GDownloadedFont::GetState() const {
  return body_ != nullptr ? body_->GetState() : 0;
}

std::uint32_t GDownloadedFont::GetByteCount() const {
  return body_ != nullptr ? body_->GetByteCount() : 0;
}

std::uintptr_t GDownloadedFont::GetId() const {
  return body_ != nullptr ? body_->GetId() : 0;
}

std::uint16_t GDownloadedFont::GetSequence() const {
  return body_ != nullptr ? body_->GetSequence() : 0;
}

std::uint16_t GDownloadedFont::GetGlyphBytes() const {
  return body_ != nullptr ? body_->GetGlyphBytes() : 0;
}

std::uint32_t GDownloadedFont::GetLastUse() const {
  return body_ != nullptr ? body_->GetLastUse() : 0;
}

std::uint32_t GDownloadedFont::GetExtra() const {
  return body_ != nullptr ? body_->GetExtra() : 0;
}

bool GDownloadedFont::HasGlyph(std::uint32_t glyph) const {
  return body_ != nullptr && body_->HasGlyph(glyph);
}

std::uint32_t GDownloadedFont::ForEachGlyph(GSparseBitSet::Callback callback,
                                            void* context) const {
  return body_ != nullptr ? body_->ForEachGlyph(callback, context) : 0;
}

std::uint32_t GDownloadedFont::IsValid() const {
  return body_ != nullptr ? body_->IsValid() : 0;
}

void GDownloadedFont::Invalidate() {
  if (body_ != nullptr) {
    body_->Invalidate();
  }
}

void GDownloadedFont::SetState(std::uint32_t state) {
  if (body_ != nullptr) {
    body_->SetState(state);
  }
}

void GDownloadedFont::AddBytes(std::uint32_t bytes) {
  if (body_ != nullptr) {
    body_->AddBytes(bytes);
  }
}

void GDownloadedFont::SetId(std::uintptr_t id) {
  if (body_ != nullptr) {
    body_->SetId(id);
  }
}

void GDownloadedFont::Release() {
  if (body_ != nullptr) {
    body_->Release();
  }
}

void GDownloadedFont::SetSequence(std::uint16_t sequence) {
  if (body_ != nullptr) {
    body_->SetSequence(sequence);
  }
}

void GDownloadedFont::AddGlyphBytes(std::uint16_t count) {
  if (body_ != nullptr) {
    body_->AddGlyphBytes(count);
  }
}

void GDownloadedFont::SetLastUse(std::uint32_t last_use) {
  if (body_ != nullptr) {
    body_->SetLastUse(last_use);
  }
}

void GDownloadedFont::SetExtra(std::uint32_t extra) {
  if (body_ != nullptr) {
    body_->SetExtra(extra);
  }
}

bool GDownloadedFont::AddGlyph(std::uint32_t glyph) {
  return body_ != nullptr && body_->AddGlyph(glyph);
}

void GDownloadedFont::RemoveGlyph(std::uint32_t glyph) {
  if (body_ != nullptr) {
    body_->RemoveGlyph(glyph);
  }
}

const RWCString& GDownloadedFont::GetName() const {
  static const RWCString kNoName;
  return body_ != nullptr ? body_->GetName() : kNoName;
}

void GDownloadedFont::SetName(const RWCString& name) {
  if (body_ != nullptr) {
    body_->SetName(name);
  }
}
