// FreeType as the reference for the font code.
#include "tests/support/FreeTypeFace.h"

#include <fstream>
#include <iterator>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

namespace vel::test {

std::vector<std::uint8_t> ReadFontFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return {};
  }
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>());
}

struct FreeTypeFace::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
};

FreeTypeFace::FreeTypeFace(const std::string& path, long face) : impl_(std::make_unique<Impl>()) {
  if (FT_Init_FreeType(&impl_->library) != 0) {
    impl_->library = nullptr;
    return;
  }
  if (FT_New_Face(impl_->library, path.c_str(), face, &impl_->face) != 0) {
    impl_->face = nullptr;
  }
}

FreeTypeFace::~FreeTypeFace() {
  if (impl_->face != nullptr) {
    FT_Done_Face(impl_->face);
  }
  if (impl_->library != nullptr) {
    FT_Done_FreeType(impl_->library);
  }
}

bool FreeTypeFace::IsOpen() const {
  return impl_->face != nullptr;
}

std::uint32_t FreeTypeFace::NumGlyphs() const {
  return static_cast<std::uint32_t>(impl_->face->num_glyphs);
}

bool FreeTypeFace::SelectCharMap(std::uint16_t platform, std::uint16_t encoding) {
  for (int i = 0; i < impl_->face->num_charmaps; ++i) {
    FT_CharMap map = impl_->face->charmaps[i];
    if (map->platform_id == platform && map->encoding_id == encoding) {
      return FT_Set_Charmap(impl_->face, map) == 0;
    }
  }
  return false;
}

std::uint32_t FreeTypeFace::CharIndex(std::uint32_t code) const {
  return FT_Get_Char_Index(impl_->face, code);
}

std::vector<std::uint32_t> FreeTypeFace::MappedCodes() const {
  std::vector<std::uint32_t> codes;
  FT_UInt glyph = 0;
  for (FT_ULong code = FT_Get_First_Char(impl_->face, &glyph); glyph != 0;
       code = FT_Get_Next_Char(impl_->face, code, &glyph)) {
    codes.push_back(static_cast<std::uint32_t>(code));
  }
  return codes;
}

bool FreeTypeFace::Advance(std::uint32_t glyph, bool vertical, long& advance) const {
  FT_Fixed value = 0;
  const FT_Int32 flags = FT_LOAD_NO_SCALE | (vertical ? FT_LOAD_VERTICAL_LAYOUT : 0);
  if (FT_Get_Advance(impl_->face, glyph, flags, &value) != 0) {
    return false;
  }
  advance = value;
  return true;
}

bool FreeTypeFace::Os2(std::int16_t& typo_descender, std::uint16_t& first_char,
                       std::uint16_t& last_char) const {
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(impl_->face, FT_SFNT_OS2));
  if (os2 == nullptr) {
    return false;
  }
  typo_descender = os2->sTypoDescender;
  first_char = os2->usFirstCharIndex;
  last_char = os2->usLastCharIndex;
  return true;
}

bool FreeTypeFace::HMetricsCount(std::uint16_t& count) const {
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(impl_->face, FT_SFNT_HHEA));
  if (hhea == nullptr) {
    return false;
  }
  count = hhea->number_Of_HMetrics;
  return true;
}

bool FreeTypeFace::ControlBox(std::uint32_t glyph, long& x_min, long& y_min, long& x_max,
                              long& y_max) const {
  if (FT_Load_Glyph(impl_->face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) {
    return false;
  }
  FT_BBox box;
  FT_Outline_Get_CBox(&impl_->face->glyph->outline, &box);
  x_min = box.xMin;
  y_min = box.yMin;
  x_max = box.xMax;
  y_max = box.yMax;
  return true;
}

bool FreeTypeFace::IsComposite(std::uint32_t glyph) const {
  if (FT_Load_Glyph(impl_->face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_RECURSE) != 0) {
    return false;
  }
  return impl_->face->glyph->format == FT_GLYPH_FORMAT_COMPOSITE;
}

}  // namespace vel::test
