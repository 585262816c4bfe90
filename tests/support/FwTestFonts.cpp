// Fonts for the tests of the font classes.
#include "tests/support/FwTestFonts.h"

#include <new>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include "framework/core/ClassVersion.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

FT_Face Face(void* face) {
  return static_cast<FT_Face>(face);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// FwFreeTypeMetrics

FwFreeTypeMetrics::FwFreeTypeMetrics(const std::string& path) : path_(path) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    return;
  }
  library_ = library;
  FT_Face face = nullptr;
  if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
    return;
  }
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  face_ = face;
}

FwFreeTypeMetrics::FwFreeTypeMetrics(const FwFreeTypeMetrics& other)
    : FwFreeTypeMetrics(other.path_) {
  GBaseObject::operator=(other);
  unmappable = other.unmappable;
  fail_ranges = other.fail_ranges;
}

FwFreeTypeMetrics::~FwFreeTypeMetrics() {
  if (face_ != nullptr) {
    FT_Done_Face(Face(face_));
  }
  if (library_ != nullptr) {
    FT_Done_FreeType(static_cast<FT_Library>(library_));
  }
}

RWCollectable* FwFreeTypeMetrics::Create() {
  return new (std::nothrow) FwFreeTypeMetrics;
}

RWCollectable* FwFreeTypeMetrics::Clone() const {
  return new (std::nothrow) FwFreeTypeMetrics(*this);
}

bool FwFreeTypeMetrics::IsKindOf(RWClassID id) const {
  return id == kClassId || GFontMetrics::IsKindOf(id);
}

std::uint32_t FwFreeTypeMetrics::StoredByteCount() const {
  return GFontMetrics::StoredByteCount() + vel::kClassVersionSize;
}

template <typename Carrier>
void FwFreeTypeMetrics::Restore(Carrier& carrier) {
  GFontMetrics::RestoreContents(carrier);
  if (vel::CarrierGood(carrier)) {
    (void)vel::ReadClassVersion(carrier);
  }
}

void FwFreeTypeMetrics::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void FwFreeTypeMetrics::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void FwFreeTypeMetrics::SaveContents(RWVirtualOutStream& stream) const {
  GFontMetrics::SaveContents(stream);
  vel::WriteClassVersion(stream);
}

void FwFreeTypeMetrics::SaveContents(RWBinaryFile& file) const {
  GFontMetrics::SaveContents(file);
  vel::WriteClassVersion(file);
}

std::uint16_t FwFreeTypeMetrics::GlyphOf(std::uint32_t code) const {
  if (face_ == nullptr || unmappable.count(static_cast<std::uint16_t>(code)) != 0) {
    return 0;
  }
  return static_cast<std::uint16_t>(FT_Get_Char_Index(Face(face_), code));
}

std::int32_t FwFreeTypeMetrics::MapRange(void* /*font*/, std::uint16_t first, std::uint16_t last,
                                         std::uint16_t* glyphs) {
  ++map_range_calls;
  if (fail_ranges || face_ == nullptr) {
    return 0;
  }
  for (std::uint32_t code = first; code <= last; ++code) {
    const std::uint16_t glyph = GlyphOf(code);
    if (glyph == 0) {
      return 0;
    }
    glyphs[code - first] = glyph;
  }
  return 1;
}

std::int32_t FwFreeTypeMetrics::MapCode(void* /*font*/, std::uint16_t code,
                                        std::uint16_t& glyph) {
  ++map_code_calls;
  const std::uint16_t found = GlyphOf(code);
  if (found == 0) {
    return 0;
  }
  glyph = found;
  return 1;
}

std::int32_t FwFreeTypeMetrics::CodeMetrics(void* /*font*/, std::int16_t cell_height,
                                            std::uint32_t code, void* out) {
  code_queries.emplace_back(cell_height, code);
  if (face_ == nullptr || cell_height <= 0 ||
      FT_Set_Pixel_Sizes(Face(face_), 0, static_cast<FT_UInt>(cell_height)) != 0 ||
      FT_Load_Char(Face(face_), code, FT_LOAD_DEFAULT) != 0) {
    return 0;
  }
  *static_cast<std::int32_t*>(out) =
      static_cast<std::int32_t>(Face(face_)->glyph->advance.x >> 6);
  return 1;
}

std::int32_t FwFreeTypeMetrics::CodeBitmap(void* /*font*/, std::int16_t cell_height,
                                           std::uint32_t code, void* out) {
  code_queries.emplace_back(cell_height, code);
  if (face_ == nullptr || cell_height <= 0 || unrenderable.count(code) != 0 ||
      FT_Set_Pixel_Sizes(Face(face_), 0, static_cast<FT_UInt>(cell_height)) != 0 ||
      FT_Load_Char(Face(face_), code, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) {
    return 0;
  }
  const FT_GlyphSlot slot = Face(face_)->glyph;
  auto& bitmap = *static_cast<vel::test::FwGlyphBitmap*>(out);
  bitmap.width = static_cast<std::int32_t>(slot->bitmap.width);
  bitmap.height = static_cast<std::int32_t>(slot->bitmap.rows);
  bitmap.pitch = (bitmap.width + 7) / 8;
  bitmap.left = slot->bitmap_left;
  bitmap.top = slot->bitmap_top;
  bitmap.bits.assign(static_cast<std::size_t>(bitmap.pitch) * bitmap.height, 0);
  for (std::int32_t row = 0; row < bitmap.height; ++row) {
    const unsigned char* source = slot->bitmap.buffer + row * slot->bitmap.pitch;
    for (std::int32_t i = 0; i < bitmap.pitch; ++i) {
      bitmap.bits[static_cast<std::size_t>(row * bitmap.pitch + i)] = source[i];
    }
  }
  return 1;
}

// ---------------------------------------------------------------------------------------------
// FwTestFontImp

RWCollectable* FwTestFontImp::Create() {
  return new (std::nothrow) FwTestFontImp;
}

RWCollectable* FwTestFontImp::Clone() const {
  return new (std::nothrow) FwTestFontImp(GetFontHandle(), GetMetricBlock(), GetTransform());
}

bool FwTestFontImp::IsKindOf(RWClassID id) const {
  return id == kClassId || GFontImp::IsKindOf(id);
}

std::uint32_t FwTestFontImp::StoredByteCount() const {
  return GFontImp::StoredByteCount() + vel::kClassVersionSize;
}

template <typename Carrier>
void FwTestFontImp::Restore(Carrier& carrier) {
  GFontImp::RestoreContents(carrier);
  if (vel::CarrierGood(carrier)) {
    (void)vel::ReadClassVersion(carrier);
  }
}

void FwTestFontImp::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void FwTestFontImp::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void FwTestFontImp::SaveContents(RWVirtualOutStream& stream) const {
  GFontImp::SaveContents(stream);
  vel::WriteClassVersion(stream);
}

void FwTestFontImp::SaveContents(RWBinaryFile& file) const {
  GFontImp::SaveContents(file);
  vel::WriteClassVersion(file);
}

std::int32_t FwTestFontImp::DownloadCode(std::uint32_t code, std::uint32_t value) {
  downloaded.emplace_back(code, value);
  return code == failing_code ? 0 : 1;
}

std::int32_t FwTestFontImp::DownloadGlyphs(const void* glyphs, std::uint32_t flags) {
  ++glyphs_calls;
  last_glyphs = glyphs;
  last_glyphs_flags = flags;
  return glyphs_result;
}

std::int32_t FwTestFontImp::FinishDownload() {
  ++finish_calls;
  return finish_result;
}

void FwTestFontImp::Merge(GFontImp& other) {
  merged.push_back(other.GetFontId());
}

// ---------------------------------------------------------------------------------------------
// FwTestFont

RWCollectable* FwTestFont::Create() {
  return new (std::nothrow) FwTestFont;
}

RWCollectable* FwTestFont::Clone() const {
  return new (std::nothrow) FwTestFont(*this);
}

bool FwTestFont::IsKindOf(RWClassID id) const {
  return id == kClassId || GFont::IsKindOf(id);
}

std::uint32_t FwTestFont::StoredByteCount() const {
  return GFont::StoredByteCount() + vel::kClassVersionSize;
}

template <typename Carrier>
void FwTestFont::Restore(Carrier& carrier) {
  GFont::RestoreContents(carrier);
  if (vel::CarrierGood(carrier)) {
    (void)vel::ReadClassVersion(carrier);
  }
}

void FwTestFont::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void FwTestFont::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void FwTestFont::SaveContents(RWVirtualOutStream& stream) const {
  GFont::SaveContents(stream);
  vel::WriteClassVersion(stream);
}

void FwTestFont::SaveContents(RWBinaryFile& file) const {
  GFont::SaveContents(file);
  vel::WriteClassVersion(file);
}

std::uint32_t FwTestFont::EncodingCode() const {
  ++platform_calls;
  return GetImplementation() != nullptr ? GetImplementation()->EncodingCode() : 0;
}

std::int32_t FwTestFont::FontKind() const {
  ++platform_calls;
  return GetImplementation() != nullptr ? GetImplementation()->FontKind() : 0;
}

// ---------------------------------------------------------------------------------------------

namespace vel::test {

GFontFaceRecord FaceRecordOf(const std::string& path, std::int16_t pixel_size,
                             std::uint32_t char_set) {
  GFontFaceRecord face;
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    return face;
  }
  FT_Face ft = nullptr;
  if (FT_New_Face(library, path.c_str(), 0, &ft) == 0) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
    face.resolution_x = 600;
    face.resolution_y = 600;
    face.ascender = static_cast<std::int16_t>(ft->ascender);
    face.internal_leading = static_cast<std::int16_t>(ft->ascender - ft->descender -
                                                      static_cast<FT_Short>(ft->units_per_EM));
    face.weight = os2 != nullptr ? os2->usWeightClass : 400;
    face.italic = (ft->style_flags & FT_STYLE_FLAG_ITALIC) != 0 ? 1 : 0;
    face.char_set = char_set;
    face.size = pixel_size;
    face.fixed_pitch = FT_IS_FIXED_WIDTH(ft) ? 1 : 0;
    face.average_width = os2 != nullptr ? os2->xAvgCharWidth : 0;
    face.max_width = static_cast<std::int16_t>(ft->max_advance_width);
    face.first_char = os2 != nullptr ? os2->usFirstCharIndex : 0x20;
    face.last_char = os2 != nullptr ? os2->usLastCharIndex : 0xFF;
    face.default_char = os2 != nullptr && os2->version >= 2 && os2->usDefaultChar != 0
                            ? os2->usDefaultChar
                            : 0x20;
    face.break_char = 0x20;
    face.name = RWCString(ft->family_name != nullptr ? ft->family_name : "");
    FT_Done_Face(ft);
  }
  FT_Done_FreeType(library);
  return face;
}

GFontInstanceRecord InstanceRecord(std::uint32_t flags, float angle) {
  GFontInstanceRecord instance;
  instance.escapement = RealFromFloat(angle);
  instance.char_angle = RealFromFloat(angle);
  instance.weight = 400;
  instance.flags = flags;
  return instance;
}

}  // namespace vel::test
