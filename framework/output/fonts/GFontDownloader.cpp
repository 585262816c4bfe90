// GFontDownloader and GXLFontDownloader.
#include "framework/output/fonts/GFontDownloader.h"

#include <new>

#include "framework/output/GDeviceFontDescription.h"
#include "framework/output/fonts/GDownloadedFont.h"
#include "framework/output/fonts/GFont.h"

namespace {

constexpr std::uint32_t kNeverEvicted = 0xFFFFFFFF;

}  // namespace

GFontDownloader::~GFontDownloader() {
  for (Entry* entry = head_; entry != nullptr; entry = entry->next) {
    if (entry->font != nullptr && entry->font->Body() != nullptr) {
      entry->font->Body()->DetachOwner();
    }
  }
  while (head_ != nullptr) {
    Entry* next = head_->next;
    if (head_->font != nullptr) {
      head_->font->Invalidate();
      delete head_->font;
    }
    delete head_;
    head_ = next;
  }
  tail_ = nullptr;
}

std::uint32_t GFontDownloader::TotalSize() const {
  std::uint32_t total = 0;
  for (const Entry* entry = head_; entry != nullptr; entry = entry->next) {
    if (entry->font != nullptr) {
      total += entry->font->GetByteCount();
    }
  }
  return total;
}

int GFontDownloader::Add(const GFontFaceRecord& face, const GFontInstanceRecord& transform,
                         GDownloadedFont* font) {
  auto* entry = new (std::nothrow) Entry;
  if (entry == nullptr) {
    delete font;
    return 0;
  }
  entry->font = font;
  entry->face = face;
  entry->transform = transform;
  if (tail_ == nullptr) {
    head_ = entry;
  } else {
    tail_->next = entry;
  }
  tail_ = entry;
  return 1;
}

std::uint32_t GFontDownloader::EvictOne() {
  Entry* chosen = nullptr;
  for (Entry* entry = head_; entry != nullptr; entry = entry->next) {
    GDownloadedFont* font = entry->font;
    if (font == nullptr || font->GetByteCount() == 0 || font->GetLastUse() == kNeverEvicted) {
      continue;
    }
    const std::uint32_t state = font->GetState();
    if (state != GDownloadedFontImp::kBitmap && state != GDownloadedFontImp::kTrueType) {
      continue;
    }
    if (chosen == nullptr || font->GetLastUse() < chosen->font->GetLastUse()) {
      chosen = entry;
    }
  }
  if (chosen == nullptr) {
    return 0;
  }
  const std::uint32_t bytes = chosen->font->GetByteCount();
  chosen->font->Release();
  return bytes;
}

void GFontDownloader::EndJob() {
  for (Entry* entry = head_; entry != nullptr; entry = entry->next) {
    if (entry->font != nullptr) {
      entry->font->Release();
    }
  }
}

bool GFontDownloader::SameDetails(const Entry& entry, const GFont& font) {
  const GFontFaceRecord& face = entry.face;
  const GFontInstanceRecord& transform = entry.transform;
  const GFontFaceRecord& wanted = font.GetMetricBlock();
  const GFontInstanceRecord& drawn = font.GetTransform();
  return face.size == wanted.size && transform.italic == drawn.italic &&
         transform.weight == drawn.weight && face.vertical == wanted.vertical &&
         RealToFloat(transform.char_angle) == RealToFloat(drawn.char_angle) &&
         face.width_scale == wanted.width_scale && face.height_scale == wanted.height_scale;
}

GDownloadedFont* GFontDownloader::FindSuited(GFont& font) {
  const GFontFaceRecord& wanted = font.GetMetricBlock();
  const std::uint32_t flags = font.GetTransform().flags;
  for (const Entry* entry = Head(); entry != nullptr; entry = entry->next) {
    GDownloadedFont* listed = entry->font;
    const GFontFaceRecord& face = entry->face;
    if (listed == nullptr || !(face.name == wanted.name) || face.italic != wanted.italic ||
        face.weight != wanted.weight || face.char_set != wanted.char_set) {
      continue;
    }
    bool suits = false;
    switch (listed->GetState()) {
      case GDownloadedFontImp::kResident: {
        const auto* description = reinterpret_cast<const GDeviceFontDescription*>(listed->GetId());
        suits = (description != nullptr && description->GetTechnology() == 1) ||
                SameDetails(*entry, font);
        break;
      }
      case GDownloadedFontImp::kTrueType:
        suits = (flags & GFontInstanceRecord::kOutlineDownload) != 0 &&
                face.vertical == wanted.vertical;
        break;
      case GDownloadedFontImp::kBitmap:
        suits = (flags & GFontInstanceRecord::kBitmapDownload) != 0 &&
                SameDetails(*entry, font);
        break;
      default:
        break;
    }
    if (suits) {
      GDownloadedFont* clone = listed->Clone();
      if (clone == nullptr) {
        return nullptr;
      }
      return font.SetDownloadedFont(clone);
    }
  }
  return nullptr;
}

GDownloadedFont* GXLFontDownloader::Find(GFont& font) {
  return FindSuited(font);
}
