// GPSFontDownloader, resident-font matching and the memory estimate of a resident font.
#include "framework/output/fonts/GPSFontDownloader.h"

#include <algorithm>
#include <new>

#include "framework/core/GIterator.h"
#include "framework/output/GCharacterBuffer.h"
#include "framework/output/GDeviceFontDescription.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "framework/output/fonts/GDownloadedFont.h"
#include "framework/output/fonts/GFont.h"
#include "framework/output/fonts/GFontImp.h"

GPSFontDownloader::GPSFontDownloader() = default;

GPSFontDownloader::~GPSFontDownloader() = default;

GDownloadedFont* GPSFontDownloader::Find(GFont& font) {
  return FindSuited(font);
}

void GPSFontDownloader::EndJob() {
  GFontDownloader::EndJob();
  written_.clear();
  glyph_codes_.clear();
}

bool GPSFontDownloader::IsEncodingWritten(std::int16_t symbol_set) const {
  return written_.count(symbol_set) != 0;
}

void GPSFontDownloader::MarkEncodingWritten(std::int16_t symbol_set) {
  written_.insert(symbol_set);
}

const GDeviceFontDescription* GPSFontDownloader::KeepDescription(
    const GDeviceFontDescription& description) {
  std::unique_ptr<GDeviceFontDescription> copy(new (std::nothrow)
                                                   GDeviceFontDescription(description));
  if (copy == nullptr) {
    return nullptr;
  }
  descriptions_.push_back(std::move(copy));
  return descriptions_.back().get();
}

const GPSFontDownloader::GlyphCodes* GPSFontDownloader::CodesOfGlyphs(GFont& font) {
  const GFontImp* implementation = font.GetImplementation();
  if (implementation == nullptr) {
    return nullptr;
  }
  const std::uint32_t id = implementation->GetFontId();
  if (const auto found = glyph_codes_.find(id); found != glyph_codes_.end()) {
    return found->second.get();
  }
  std::unique_ptr<GlyphCodes> table;
  const GFontFaceRecord& face = font.GetMetricBlock();
  GCharacterBuffer glyphs;
  if (face.last_char >= face.first_char &&
      font.MapRange(face.first_char, face.last_char, glyphs) == 1) {
    table.reset(new (std::nothrow) GlyphCodes);
  }
  if (table != nullptr) {
    const std::uint32_t count = static_cast<std::uint32_t>(face.last_char - face.first_char) + 1;
    table->reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint16_t glyph = glyphs.At(i);
      // Glyph 0 is the font's missing glyph: no code stands for it.
      if (glyph != 0) {
        table->push_back(GlyphCode{glyph, static_cast<std::uint16_t>(face.first_char + i)});
      }
    }
    // Sorted by glyph, codes ascending among equal glyphs: the first of each glyph is its lowest.
    std::stable_sort(table->begin(), table->end(),
                     [](const GlyphCode& a, const GlyphCode& b) { return a.glyph < b.glyph; });
  }
  const GlyphCodes* answer = table.get();
  glyph_codes_[id] = std::move(table);
  return answer;
}

bool GPSFontDownloader::CodeOfGlyph(const GlyphCodes& table, std::uint16_t glyph,
                                    std::uint16_t& code) {
  const auto found = std::lower_bound(
      table.begin(), table.end(), glyph,
      [](const GlyphCode& entry, std::uint16_t value) { return entry.glyph < value; });
  if (found == table.end() || found->glyph != glyph) {
    return false;
  }
  code = found->code;
  return true;
}

namespace {

bool Matches(const GDeviceFontDescription& description, const GFontFaceRecord& face) {
  if (!(description.GetName() == face.name) || description.GetFirstMatch() != face.weight ||
      description.GetSecondMatch() != face.italic ||
      description.GetCharSets().IndexOf(static_cast<std::int32_t>(face.char_set)) < 0) {
    return false;
  }
  if (description.GetTechnology() == 0) {
    return description.GetReserved() == static_cast<std::uint16_t>(face.size) &&
           face.width_scale == 1.0F && face.height_scale == 1.0F;
  }
  return true;
}

struct Search {
  const GFontFaceRecord* face;
  const GDeviceFontDescription* found;
};

int MatchesSearch(const GDeviceFontDescription& description, void* argument) {
  auto* search = static_cast<Search*>(argument);
  if (!Matches(description, *search->face)) {
    return 0;
  }
  search->found = &description;
  return 1;
}

}  // namespace

const GDeviceFontDescription* MatchResidentFont(const GDeviceFontListComposite& lists,
                                                const GFont& font) {
  const GFontFaceRecord& face = font.GetMetricBlock();
  const std::unique_ptr<GIterator> walk(lists.CreateIterator());
  if (!walk) {
    return nullptr;
  }
  while (walk->Advance() != 0) {
    const auto* list = dynamic_cast<const GDeviceFontList*>(walk->Current());
    if (list == nullptr) {
      continue;
    }
    Search search{&face, nullptr};
    (void)list->FindIf(&MatchesSearch, &search);
    const GDeviceFontDescription* found = search.found;
    if (found != nullptr) {
      return found;
    }
  }
  return nullptr;
}

std::uint32_t ResidentFontBytes(const GFontFaceRecord& face) {
  const std::int32_t range = static_cast<std::int32_t>(face.last_char) - face.first_char + 1;
  if (range < 256) {
    return 2048;
  }
  return ((static_cast<std::uint32_t>(range) & 0xFF) + 2) * 1024;
}
