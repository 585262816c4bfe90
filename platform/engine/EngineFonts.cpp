// Stand-in engine fonts: font objects over TrueType files (read and rendered with FreeType) or
// over the engine's built-in raster font, their IFIMETRICS, transform, file view and glyph bits,
// and the strings (STROBJ) drawn with them.
#include "platform/engine/EngineFonts.h"

#include <fcntl.h>
#include <ft2build.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <new>

#include FT_ADVANCES_H
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H

#include "platform/CallLog.h"
#include "platform/engine/EngineLedger.h"
#include "platform/engine/EngineObjects.h"

using vel::platform::LogCall;
using vel::platform::ShouldFail;
namespace engine = vel::platform::engine;
namespace detail = vel::platform::engine::detail;

namespace vel::platform::engine {
namespace {

std::mutex g_settings_mutex;
TextSettings g_settings;

}  // namespace

void SetTextSettings(const TextSettings& settings) {
  std::lock_guard<std::mutex> lock(g_settings_mutex);
  g_settings = settings;
}

TextSettings GetTextSettings() {
  std::lock_guard<std::mutex> lock(g_settings_mutex);
  return g_settings;
}

namespace detail {
namespace {

constexpr ULONG kGlyphTag = 0x666C6745;  // "Eglf"
constexpr ULONG kFontMagic = 0x544E4F46;  // "FONT", the value 512 bytes into the font block
std::atomic<ULONG> g_font_uniq{1};

// The built-in raster font: 8 × 12 cells, one em of 12 pixels.
constexpr LONG kRasterWidth = 8;
constexpr LONG kRasterHeight = 12;
constexpr LONG kRasterAscent = 10;

}  // namespace

struct Font {
  // The engine's block: the FONTOBJ first, and a value of the engine's 512 bytes in.
  union {
    FONTOBJ fo;
    BYTE block[520];
  };
  FontSpec spec;
  std::mutex mutex;
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  const BYTE* file = nullptr;  // the whole file, mapped read-only
  std::size_t file_size = 0;
  std::vector<BYTE> ifi;       // IFIMETRICS and its strings
  std::unique_ptr<Xform> xform;
  double k = 1;                // pixels per font unit
  int units_per_em = 1;
  std::map<HGLYPH, ULONG> requests;
  std::vector<void*> call_glyphs;  // glyph bits handed out during the current call

  Font() { std::memset(block, 0, sizeof block); }
  ~Font() {
    for (void* bits : call_glyphs) {
      EngFreeMem(bits);
    }
    if (face != nullptr) {
      FT_Done_Face(face);
    }
    if (library != nullptr) {
      FT_Done_FreeType(library);
    }
    if (file != nullptr) {
      munmap(const_cast<BYTE*>(file), file_size);
    }
  }
};

Font* FontOf(FONTOBJ* pfo) { return reinterpret_cast<Font*>(pfo); }

namespace {

// Code-page bits of the OS/2 table and their character sets, in bit order.
struct CodePageBit {
  int bit;
  BYTE charset;
};
constexpr CodePageBit kCodePageBits[] = {
    {0, 0},     {1, 238},   {2, 204},   {3, 161},   {4, 162},   {5, 177},  {6, 178},
    {7, 186},   {8, 163},   {16, 222},  {17, 128},  {18, 134},  {19, 129}, {20, 136},
    {21, 130},  {31, 2}};

std::u16string SfntName(FT_Face face, FT_UShort id) {
  FT_UInt count = FT_Get_Sfnt_Name_Count(face);
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName name;
    if (FT_Get_Sfnt_Name(face, i, &name) != 0) {
      continue;
    }
    if (name.platform_id == TT_PLATFORM_MICROSOFT && name.encoding_id == TT_MS_ID_UNICODE_CS &&
        name.name_id == id) {
      std::u16string text;
      for (FT_UInt at = 0; at + 1 < name.string_len; at += 2) {
        text += static_cast<char16_t>(name.string[at] << 8 | name.string[at + 1]);
      }
      return text;
    }
  }
  return u"";
}

template <typename T>
PTRDIFF Append(std::vector<BYTE>& block, const T* data, std::size_t count) {
  // Keeps each piece 2-byte aligned for the UTF-16 names.
  if (block.size() % 2 != 0) {
    block.push_back(0);
  }
  auto at = static_cast<PTRDIFF>(block.size());
  const auto* bytes = reinterpret_cast<const BYTE*>(data);
  block.insert(block.end(), bytes, bytes + count * sizeof(T));
  return at;
}

PTRDIFF AppendName(std::vector<BYTE>& block, std::u16string name) {
  name.push_back(0);
  return Append(block, name.data(), name.size());
}

void FillNames(std::vector<BYTE>& block, const std::u16string& family, const std::u16string& style,
               const std::u16string& face, const std::u16string& unique) {
  PTRDIFF offsets[4] = {AppendName(block, family), AppendName(block, style),
                        AppendName(block, face), AppendName(block, unique)};
  auto* ifi = reinterpret_cast<IFIMETRICS*>(block.data());
  ifi->dpwszFamilyName = offsets[0];
  ifi->dpwszStyleName = offsets[1];
  ifi->dpwszFaceName = offsets[2];
  ifi->dpwszUniqueName = offsets[3];
}

void BuildTrueTypeMetrics(Font& font, bool no_charsets) {
  FT_Face face = font.face;
  std::vector<BYTE>& block = font.ifi;
  block.assign(sizeof(IFIMETRICS), 0);
  auto* ifi = reinterpret_cast<IFIMETRICS*>(block.data());
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
  bool symbol = false;
  for (int i = 0; i < face->num_charmaps; ++i) {
    if (face->charmaps[i]->platform_id == TT_PLATFORM_MICROSOFT &&
        face->charmaps[i]->encoding_id == TT_MS_ID_SYMBOL_CS) {
      symbol = true;
    }
  }
  ifi->fwdUnitsPerEm = static_cast<FWORD>(face->units_per_EM);
  if (hhea != nullptr) {
    ifi->fwdMacAscender = hhea->Ascender;
    ifi->fwdMacDescender = hhea->Descender;
    ifi->fwdMacLineGap = hhea->Line_Gap;
    ifi->fwdMaxCharInc = static_cast<FWORD>(hhea->advance_Width_Max);
  }
  std::vector<BYTE> charsets;
  if (os2 != nullptr && os2->version != 0xFFFF) {
    ifi->usWinWeight = os2->usWeightClass;
    ifi->fsSelection = os2->fsSelection;
    ifi->fsType = os2->fsType;
    ifi->fwdWinAscender = static_cast<FWORD>(os2->usWinAscent);
    ifi->fwdWinDescender = static_cast<FWORD>(os2->usWinDescent);
    ifi->fwdTypoAscender = os2->sTypoAscender;
    ifi->fwdTypoDescender = os2->sTypoDescender;
    ifi->fwdTypoLineGap = os2->sTypoLineGap;
    ifi->fwdAveCharWidth = os2->xAvgCharWidth;
    ifi->fwdCapHeight = os2->sCapHeight;
    ifi->fwdXHeight = os2->sxHeight;
    ifi->fwdSubscriptXSize = os2->ySubscriptXSize;
    ifi->fwdSubscriptYSize = os2->ySubscriptYSize;
    ifi->fwdSubscriptXOffset = os2->ySubscriptXOffset;
    ifi->fwdSubscriptYOffset = os2->ySubscriptYOffset;
    ifi->fwdSuperscriptXSize = os2->ySuperscriptXSize;
    ifi->fwdSuperscriptYSize = os2->ySuperscriptYSize;
    ifi->fwdSuperscriptXOffset = os2->ySuperscriptXOffset;
    ifi->fwdSuperscriptYOffset = os2->ySuperscriptYOffset;
    ifi->fwdStrikeoutSize = os2->yStrikeoutSize;
    ifi->fwdStrikeoutPosition = os2->yStrikeoutPosition;
    ifi->wcFirstChar = os2->usFirstCharIndex;
    ifi->wcLastChar = os2->usLastCharIndex;
    ifi->wcDefaultChar = os2->version >= 2 ? os2->usDefaultChar : 0;
    ifi->wcBreakChar = os2->version >= 2 ? os2->usBreakChar : 0x20;
    std::memcpy(ifi->achVendId, os2->achVendID, 4);
    std::memcpy(&ifi->panose, os2->panose, sizeof ifi->panose);
    for (const CodePageBit& bit : kCodePageBits) {
      if (os2->version >= 1 && (os2->ulCodePageRange1 >> bit.bit & 1) != 0) {
        charsets.push_back(bit.charset);
      }
    }
  }
  if (post != nullptr) {
    ifi->fwdUnderscoreSize = post->underlineThickness;
    ifi->fwdUnderscorePosition = post->underlinePosition;
    ifi->lItalicAngle = static_cast<LONG>(post->italicAngle >> 16) * 10;
  }
  bool fixed = post != nullptr && post->isFixedPitch != 0;
  ifi->flInfo = FM_INFO_TECH_TRUETYPE | (fixed ? FM_INFO_CONSTANT_WIDTH : 0);
  BYTE family = fixed ? 0x30 : ifi->panose.bFamilyType == 3 ? 0x40
                    : ifi->panose.bSerifStyle >= 11 && ifi->panose.bSerifStyle <= 13 ? 0x20
                                                                                      : 0x10;
  ifi->jWinPitchAndFamily = static_cast<BYTE>(family | (fixed ? 1 : 2));
  ifi->jWinCharSet = symbol ? SYMBOL_CHARSET : charsets.empty() ? ANSI_CHARSET : charsets[0];
  ifi->chFirstChar = 0x20;
  ifi->chLastChar = 0xFF;
  ifi->chDefaultChar = 0x1F;
  ifi->chBreakChar = 0x20;
  ifi->ptlBaseline = POINTL{1, 0};
  ifi->ptlAspect = POINTL{1, 1};
  ifi->ptlCaret = POINTL{0, 1};
  ifi->rclFontBox = RECTL{static_cast<LONG>(face->bbox.xMin), static_cast<LONG>(face->bbox.yMax),
                          static_cast<LONG>(face->bbox.xMax),
                          static_cast<LONG>(face->bbox.yMin)};
  std::u16string prefix = font.spec.vertical ? u"@" : u"";
  FillNames(block, prefix + SfntName(face, TT_NAME_ID_FONT_FAMILY),
            SfntName(face, TT_NAME_ID_FONT_SUBFAMILY), prefix + SfntName(face, TT_NAME_ID_FULL_NAME),
            SfntName(face, TT_NAME_ID_UNIQUE_ID));
  if (!charsets.empty() && !no_charsets) {
    charsets.push_back(DEFAULT_CHARSET);
    PTRDIFF at = Append(block, charsets.data(), charsets.size());
    reinterpret_cast<IFIMETRICS*>(block.data())->dpCharSets = at;
  }
  ifi = reinterpret_cast<IFIMETRICS*>(block.data());
  ifi->cjThis = static_cast<ULONG>(block.size());
}

void BuildRasterMetrics(Font& font) {
  std::vector<BYTE>& block = font.ifi;
  block.assign(sizeof(IFIMETRICS), 0);
  auto* ifi = reinterpret_cast<IFIMETRICS*>(block.data());
  ifi->fwdUnitsPerEm = kRasterHeight;
  ifi->fwdWinAscender = kRasterAscent;
  ifi->fwdWinDescender = kRasterHeight - kRasterAscent;
  ifi->fwdMacAscender = kRasterAscent;
  ifi->fwdMacDescender = -(kRasterHeight - kRasterAscent);
  ifi->fwdTypoAscender = kRasterAscent;
  ifi->fwdTypoDescender = -(kRasterHeight - kRasterAscent);
  ifi->fwdAveCharWidth = kRasterWidth;
  ifi->fwdMaxCharInc = kRasterWidth;
  ifi->fwdUnderscoreSize = 1;
  ifi->fwdUnderscorePosition = -1;
  ifi->fwdStrikeoutSize = 1;
  ifi->fwdStrikeoutPosition = 4;
  ifi->usWinWeight = 400;
  ifi->fsSelection = FM_SEL_REGULAR;
  ifi->flInfo = FM_INFO_TECH_BITMAP | FM_INFO_CONSTANT_WIDTH;
  ifi->jWinPitchAndFamily = 0x31;
  ifi->jWinCharSet = ANSI_CHARSET;
  ifi->wcFirstChar = 0x20;
  ifi->wcLastChar = 0xFF;
  ifi->wcDefaultChar = 0x2E;
  ifi->wcBreakChar = 0x20;
  ifi->chFirstChar = 0x20;
  ifi->chLastChar = 0xFF;
  ifi->chDefaultChar = 0x2E;
  ifi->chBreakChar = 0x20;
  ifi->ptlBaseline = POINTL{1, 0};
  ifi->ptlAspect = POINTL{1, 1};
  ifi->ptlCaret = POINTL{0, 1};
  ifi->rclFontBox = RECTL{0, kRasterAscent, kRasterWidth, kRasterAscent - kRasterHeight};
  std::u16string prefix = font.spec.vertical ? u"@" : u"";
  FillNames(block, prefix + u"System", u"Regular", prefix + u"System", u"Engine:System");
  ifi = reinterpret_cast<IFIMETRICS*>(block.data());
  ifi->cjThis = static_cast<ULONG>(block.size());
}

bool MapFile(Font& font) {
  int fd = open(font.spec.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  struct stat info {};
  bool ok = fstat(fd, &info) == 0 && info.st_size > 0;
  void* view = ok ? mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE,
                         fd, 0)
                  : MAP_FAILED;
  close(fd);
  if (view == MAP_FAILED) {
    return false;
  }
  font.file = static_cast<const BYTE*>(view);
  font.file_size = static_cast<std::size_t>(info.st_size);
  return true;
}

// The glyph of `code` in the raster font: a frame with the code's bits inside, 8 × 12, except
// the space, which is empty.
void RasterGlyph(ULONG code, std::vector<BYTE>& rows, LONG* cx, LONG* cy) {
  if (code == 0x20) {
    *cx = 0;
    *cy = 0;
    rows.clear();
    return;
  }
  *cx = kRasterWidth;
  *cy = kRasterHeight;
  rows.assign(kRasterHeight, 0);
  rows[0] = 0xFF;
  rows[kRasterHeight - 1] = 0xFF;
  for (LONG y = 1; y < kRasterHeight - 1; ++y) {
    rows[static_cast<std::size_t>(y)] = static_cast<BYTE>(0x81 | ((code >> (y % 8)) & 1) << 3 |
                                                          ((code >> ((y + 3) % 8)) & 1) << 5);
  }
}

}  // namespace

// Frees the glyph bits handed out during a driver call (overwritten first in poison mode).
void EndFontCall(FONTOBJ* pfo) {
  if (pfo == nullptr) {
    return;
  }
  Font* font = FontOf(pfo);
  std::lock_guard<std::mutex> lock(font->mutex);
  for (void* bits : font->call_glyphs) {
    if (Poison()) {
      auto* glyph = static_cast<GLYPHBITS*>(bits);
      std::size_t size = offsetof(GLYPHBITS, aj) +
                         static_cast<std::size_t>((glyph->sizlBitmap.cx + 7) / 8) *
                             static_cast<std::size_t>(glyph->sizlBitmap.cy);
      std::memset(bits, kPoisonByte, size);
    }
    EngFreeMem(bits);
  }
  font->call_glyphs.clear();
}

String::~String() {
  PoisonVector(positions);
  PoisonVector(text_units);
}

String* StringOf(STROBJ* pstro) { return reinterpret_cast<String*>(pstro); }

std::unique_ptr<String> MakeString(FONTOBJ* pfo, const TextSpec& spec, POINTL offset) {
  return MakeString(pfo, spec, offset, GetTextSettings());
}

std::unique_ptr<String> MakeString(FONTOBJ* pfo, const TextSpec& spec, POINTL offset,
                                   const TextSettings& settings) {
  Font* font = FontOf(pfo);
  auto string = std::make_unique<String>();
  string->batch = settings.batch;
  string->code_page = settings.code_page;
  bool glyph_index = !spec.glyphs.empty();
  std::vector<HGLYPH> glyphs = spec.glyphs;
  std::vector<double> advances;  // device pixels along the escapement
  {
    std::lock_guard<std::mutex> lock(font->mutex);
    if (!glyph_index) {
      string->text_units.assign(spec.text.begin(), spec.text.end());
      for (char16_t c : spec.text) {
        glyphs.push_back(font->face != nullptr ? FT_Get_Char_Index(font->face, c) : c);
      }
    }
    for (HGLYPH glyph : glyphs) {
      double advance = kRasterWidth;
      if (font->face != nullptr) {
        FT_Fixed units = 0;
        FT_Get_Advance(font->face, glyph, FT_LOAD_NO_SCALE, &units);
        advance = static_cast<double>(units) * font->k * font->spec.width;
      }
      advances.push_back(spec.char_inc != 0 ? spec.char_inc : advance);
    }
  }
  double turn = std::fmod(font->spec.escapement, 360.0);
  if (turn < 0) {
    turn += 360;
  }
  double radians = turn * 3.14159265358979323846 / 180;
  double dx = turn == 90 || turn == 270 ? 0 : std::cos(radians);
  double dy = turn == 0 || turn == 180 ? 0 : -std::sin(radians);
  double x = spec.origin.x + offset.x;
  double y = spec.origin.y + offset.y;
  LONG left = static_cast<LONG>(x), right = left, top = static_cast<LONG>(y), bottom = top;
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    POINTL at{static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))};
    string->positions.push_back(GLYPHPOS{glyphs[i], nullptr, at});
    x += advances[i] * dx;
    y += advances[i] * dy;
    left = std::min(left, at.x);
    right = std::max(right, at.x);
    top = std::min(top, at.y);
    bottom = std::max(bottom, at.y);
  }
  auto em = static_cast<LONG>(std::ceil(font->spec.em_pixels));
  right = std::max(right, static_cast<LONG>(std::lround(x)));
  bottom = std::max(bottom, static_cast<LONG>(std::lround(y)));
  string->so.rclBkGround = RECTL{left - em, top - em, right + em, bottom + em};
  string->so.cGlyphs = static_cast<ULONG>(glyphs.size());
  string->so.ulCharInc = spec.char_inc;
  FLONG accel = spec.accel | (glyph_index ? SO_GLYPHINDEX_TEXTOUT : 0);
  if (turn == 0 || turn == 180) {
    accel |= SO_HORIZONTAL | (turn == 180 ? SO_REVERSED : 0);
  } else if (turn == 90 || turn == 270) {
    accel |= SO_VERTICAL | (turn == 90 ? SO_REVERSED : 0);
  }
  string->so.flAccel = accel;
  string->so.pgp = settings.null_glyph_positions || string->positions.empty()
                       ? nullptr
                       : string->positions.data();
  if (!glyph_index) {
    string->text_units.push_back(0);
  }
  string->so.pwszOrg = glyph_index ? nullptr : string->text_units.data();
  return string;
}

}  // namespace detail

FONTOBJ* CreateFontObject(const FontSpec& spec) {
  auto font = std::make_unique<detail::Font>();
  font->spec = spec;
  TextSettings settings = GetTextSettings();
  font->fo.iUniq = detail::g_font_uniq.fetch_add(1, std::memory_order_relaxed);
  font->fo.sizLogResPpi = SIZEL{600, 600};
  font->fo.ulStyleSize = static_cast<ULONG>(spec.path.empty() ? detail::kRasterHeight
                                                                 : spec.em_pixels);
  std::memcpy(font->block + 512, &detail::kFontMagic, sizeof detail::kFontMagic);
  if (spec.path.empty()) {
    // The raster font has one size: its em is its cell height.
    font->spec.em_pixels = detail::kRasterHeight;
    font->fo.flFontType = FO_TYPE_RASTER;
    font->units_per_em = detail::kRasterHeight;
    detail::BuildRasterMetrics(*font);
  } else {
    if (!detail::MapFile(*font) || FT_Init_FreeType(&font->library) != 0 ||
        FT_New_Memory_Face(font->library, font->file, static_cast<FT_Long>(font->file_size),
                           static_cast<FT_Long>(spec.face_index), &font->face) != 0 ||
        !FT_IS_SFNT(font->face) || font->face->units_per_EM == 0) {
      LogCall("CreateFontObject(" + spec.path + ") = null");
      return nullptr;
    }
    font->fo.flFontType = FO_TYPE_TRUETYPE;
    font->fo.iFace = spec.face_index;
    font->fo.iFile = reinterpret_cast<ULONG_PTR>(font->file);
    font->fo.iTTUniq = font->fo.iUniq;
    font->units_per_em = font->face->units_per_EM;
    detail::BuildTrueTypeMetrics(*font, settings.no_charsets);
    FT_Select_Charmap(font->face, FT_ENCODING_UNICODE);
  }
  if (spec.device) {
    font->fo.flFontType = FO_TYPE_DEVICE;
  }
  font->fo.flFontType |= (spec.bold ? FO_SIM_BOLD : 0) | (spec.italic ? FO_SIM_ITALIC : 0);
  font->k = font->spec.em_pixels / font->units_per_em;
  font->xform = detail::MakeXform(
      FontTransform(font->spec.em_pixels, font->units_per_em, spec.escapement, spec.width));
  // The widest advance ('hhea' keeps it unsigned; a damaged font may hold anything).
  auto widest = static_cast<USHORT>(reinterpret_cast<IFIMETRICS*>(font->ifi.data())->fwdMaxCharInc);
  font->fo.cxMax = static_cast<ULONG>(
      std::clamp(std::ceil(widest * font->k * std::fabs(spec.width)), 0.0, 1e9));
  return &font.release()->fo;
}

void DeleteFontObject(FONTOBJ* font) { delete detail::FontOf(font); }

ULONG GlyphRequests(FONTOBJ* pfo, HGLYPH glyph) {
  detail::Font* font = detail::FontOf(pfo);
  std::lock_guard<std::mutex> lock(font->mutex);
  auto found = font->requests.find(glyph);
  return found == font->requests.end() ? 0 : found->second;
}

}  // namespace vel::platform::engine

IFIMETRICS* FONTOBJ_pifi(FONTOBJ* pfo) {
  if (pfo == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<IFIMETRICS*>(detail::FontOf(pfo)->ifi.data());
}

XFORMOBJ* FONTOBJ_pxoGetXform(FONTOBJ* pfo) {
  return pfo == nullptr ? nullptr : &detail::FontOf(pfo)->xform->xo;
}

PVOID FONTOBJ_pvTrueTypeFontFile(FONTOBJ* pfo, ULONG* pcjFile) {
  detail::Font* font = pfo == nullptr ? nullptr : detail::FontOf(pfo);
  if (ShouldFail("FONTOBJ_pvTrueTypeFontFile") || font == nullptr || font->file == nullptr) {
    if (pcjFile != nullptr) {
      *pcjFile = 0;
    }
    return nullptr;
  }
  if (pcjFile != nullptr) {
    *pcjFile = static_cast<ULONG>(font->file_size);
  }
  return const_cast<BYTE*>(font->file);
}

ULONG FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg, PVOID* ppvGlyph) {
  if (ShouldFail("FONTOBJ_cGetGlyphs") || pfo == nullptr || iMode != FO_GLYPHBITS ||
      cGlyph == 0 || phg == nullptr || ppvGlyph == nullptr) {
    LogCall("FONTOBJ_cGetGlyphs = 0");
    return 0;
  }
  detail::Font* font = detail::FontOf(pfo);
  bool one_pixel = engine::GetTextSettings().empty_glyph_one_pixel;
  std::lock_guard<std::mutex> lock(font->mutex);
  HGLYPH glyph = phg[0];
  std::vector<BYTE> rows;
  LONG cx = 0, cy = 0, left = 0, top = 0;
  LONG stride = 0;
  if (font->face == nullptr) {
    detail::RasterGlyph(glyph, rows, &cx, &cy);
    stride = 1;
    top = -detail::kRasterAscent;
  } else {
    FT_Face face = font->face;
    if (glyph >= static_cast<HGLYPH>(face->num_glyphs)) {
      return 0;
    }
    FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(font->spec.em_pixels * 64)), 72,
                     72);
    // FreeType's space is y-up and its em is already the font's size: the font transform
    // divided by k, with the terms that mix x and y negated.
    const double* m = font->xform->m;
    FT_Matrix matrix;
    matrix.xx = static_cast<FT_Fixed>(std::lround(m[0] / font->k * 65536));
    matrix.xy = static_cast<FT_Fixed>(std::lround(-m[2] / font->k * 65536));
    matrix.yx = static_cast<FT_Fixed>(std::lround(-m[1] / font->k * 65536));
    matrix.yy = static_cast<FT_Fixed>(std::lround(m[3] / font->k * 65536));
    FT_Set_Transform(face, &matrix, nullptr);
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO) != 0) {
      return 0;
    }
    if ((pfo->flFontType & FO_SIM_BOLD) != 0) {
      FT_GlyphSlot_Embolden(face->glyph);
    }
    if ((pfo->flFontType & FO_SIM_ITALIC) != 0) {
      FT_GlyphSlot_Oblique(face->glyph);
    }
    // A glyph without an outline (a space) has no bits; FreeType would render it as 1 × 1.
    bool empty = face->glyph->format == FT_GLYPH_FORMAT_OUTLINE &&
                 face->glyph->outline.n_points == 0;
    if (!empty && FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0) {
      return 0;
    }
    FT_Bitmap bitmap = face->glyph->bitmap;
    if (empty) {
      bitmap.width = 0;
      bitmap.rows = 0;
    }
    cx = static_cast<LONG>(bitmap.width);
    cy = static_cast<LONG>(bitmap.rows);
    left = empty ? 0 : face->glyph->bitmap_left;
    top = empty ? 0 : -face->glyph->bitmap_top;
    stride = (cx + 7) / 8;
    rows.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(cy), 0);
    for (LONG y = 0; y < cy; ++y) {
      const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
      std::memcpy(rows.data() + static_cast<std::size_t>(y * stride), source,
                  static_cast<std::size_t>(stride));
    }
  }
  if (cx == 0 || cy == 0) {
    cx = cy = one_pixel ? 1 : 0;
    rows.assign(one_pixel ? 1 : 0, 0);
    stride = 1;
  } else if (font->face == nullptr) {
    stride = 1;
  }
  ULONG row_bytes = static_cast<ULONG>((cx + 7) / 8);
  ULONG size = static_cast<ULONG>(offsetof(GLYPHBITS, aj)) + row_bytes * static_cast<ULONG>(cy);
  auto* bits = static_cast<GLYPHBITS*>(EngAllocMem(FL_ZERO_MEMORY, std::max<ULONG>(size, sizeof(GLYPHBITS)),
                                                   detail::kGlyphTag));
  if (bits == nullptr) {
    return 0;
  }
  bits->ptlOrigin = POINTL{left, top};
  bits->sizlBitmap = SIZEL{cx, cy};
  for (LONG y = 0; y < cy; ++y) {
    std::memcpy(bits->aj + static_cast<std::size_t>(y) * row_bytes,
                rows.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride),
                row_bytes);
  }
  font->call_glyphs.push_back(bits);
  ++font->requests[glyph];
  *ppvGlyph = bits;
  return 1;
}

void STROBJ_vEnumStart(STROBJ* pstro) {
  if (pstro != nullptr) {
    detail::StringOf(pstro)->next = 0;
  }
}

BOOL STROBJ_bEnum(STROBJ* pstro, ULONG* pc, GLYPHPOS** ppgpos) {
  if (pstro == nullptr || pc == nullptr || ppgpos == nullptr) {
    return FALSE;
  }
  if (ShouldFail("STROBJ_bEnum")) {
    *pc = 0;
    *ppgpos = nullptr;
    return static_cast<BOOL>(DDI_ERROR);
  }
  detail::String* string = detail::StringOf(pstro);
  std::size_t total = string->positions.size();
  std::size_t take = string->batch == 0 ? total - string->next
                                        : std::min<std::size_t>(string->batch,
                                                                total - string->next);
  *pc = static_cast<ULONG>(take);
  *ppgpos = take == 0 ? nullptr : string->positions.data() + string->next;
  string->next += take;
  return string->next < total ? TRUE : FALSE;
}

DWORD STROBJ_dwGetCodePage(STROBJ* pstro) {
  return pstro == nullptr ? 0 : detail::StringOf(pstro)->code_page;
}
