// Text with FreeType through the fixed font map: measuring, drawing (turned by the escapement),
// metrics and the enumeration of font families.
#include <ft2build.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include FT_FREETYPE_H

#include "platform/WideText.h"
#include "platform/win32/gdi/GdiState.h"
#include "platform/win32/user/Window.h"

namespace vel::platform::gdi {
namespace {

constexpr const char* kLiberation = "/usr/share/fonts/truetype/liberation2/";
constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/";

enum class Family : std::uint8_t { kSans, kSerif, kMono, kDialog };

std::u16string Lower(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') {
      c = static_cast<char16_t>(c - u'A' + u'a');
    }
  }
  return out;
}

Family FamilyOf(const LOGFONTW& font) {
  const std::u16string face = Lower(vel::platform::user::TextOf(font.lfFaceName));
  if (face == u"times new roman") {
    return Family::kSerif;
  }
  if (face == u"courier new") {
    return Family::kMono;
  }
  if (face == u"arial") {
    return Family::kSans;
  }
  return Family::kDialog;
}

// Candidate files of a family and style, the preferred first.
std::vector<std::string> FilesOf(Family family, bool bold, bool italic) {
  const int style = (bold ? 1 : 0) + (italic ? 2 : 0);
  static const char* kLiberationStyles[] = {"Regular", "Bold", "Italic", "BoldItalic"};
  const std::string liberation = kLiberationStyles[style];
  switch (family) {
    case Family::kSans: {
      static const char* kDejaVuStyles[] = {"", "-Bold", "-Oblique", "-BoldOblique"};
      return {std::string(kLiberation) + "LiberationSans-" + liberation + ".ttf",
              std::string(kDejaVu) + "DejaVuSans" + kDejaVuStyles[style] + ".ttf"};
    }
    case Family::kSerif: {
      static const char* kDejaVuStyles[] = {"", "-Bold", "-Italic", "-BoldItalic"};
      return {std::string(kLiberation) + "LiberationSerif-" + liberation + ".ttf",
              std::string(kDejaVu) + "DejaVuSerif" + kDejaVuStyles[style] + ".ttf",
              std::string(kDejaVu) + "DejaVuSans.ttf"};
    }
    case Family::kMono: {
      static const char* kDejaVuStyles[] = {"", "-Bold", "-Oblique", "-BoldOblique"};
      return {std::string(kLiberation) + "LiberationMono-" + liberation + ".ttf",
              std::string(kDejaVu) + "DejaVuSansMono" + kDejaVuStyles[style] + ".ttf",
              std::string(kDejaVu) + "DejaVuSans.ttf"};
    }
    case Family::kDialog:
    default: {
      static const char* kDejaVuStyles[] = {"", "-Bold", "-Oblique", "-BoldOblique"};
      return {std::string(kDejaVu) + "DejaVuSans" + kDejaVuStyles[style] + ".ttf",
              std::string(kDejaVu) + "DejaVuSans.ttf"};
    }
  }
}

struct FontLibrary {
  FT_Library library = nullptr;
  std::map<std::string, FT_Face> faces;  // null: the file could not be opened
};

FontLibrary& Fonts() {
  static FontLibrary* fonts = [] {
    auto* f = new FontLibrary;
    if (FT_Init_FreeType(&f->library) != 0) {
      f->library = nullptr;
    }
    return f;
  }();
  return *fonts;
}

FT_Face OpenFace(const std::string& path) {
  FontLibrary& fonts = Fonts();
  auto it = fonts.faces.find(path);
  if (it != fonts.faces.end()) {
    return it->second;
  }
  FT_Face face = nullptr;
  if (fonts.library == nullptr || FT_New_Face(fonts.library, path.c_str(), 0, &face) != 0) {
    face = nullptr;
  }
  fonts.faces[path] = face;
  return face;
}

// A font made ready for one DC: the face at its pixel size and the cell in device pixels.
struct Sized {
  FT_Face face = nullptr;
  const LOGFONTW* font = nullptr;
  int em = 13;
  int ascent = 0;
  int descent = 0;
  double angle = 0;  // radians, counter-clockwise
};

const LOGFONTW& FontOf(Dc& dc) {
  static const LOGFONTW kFallback = [] {
    LOGFONTW f{};
    f.lfHeight = -13;
    return f;
  }();
  Object* object = FindObject(dc.state.font);
  return object != nullptr && object->kind == ObjectKind::kFont ? object->font : kFallback;
}

Sized Prepare(Dc& dc) {
  Sized sized;
  const LOGFONTW& font = FontOf(dc);
  sized.font = &font;
  sized.angle = font.lfEscapement / 10.0 * std::numbers::pi / 180.0;
  for (const std::string& path :
       FilesOf(FamilyOf(font), font.lfWeight >= FW_SEMIBOLD, font.lfItalic != 0)) {
    sized.face = OpenFace(path);
    if (sized.face != nullptr) {
      break;
    }
  }
  const int height = DeviceLengthY(dc, font.lfHeight);
  if (font.lfHeight == 0 || height == 0) {
    sized.em = 13;
  } else if (font.lfHeight < 0 || sized.face == nullptr) {
    sized.em = height;
  } else {
    // A positive height is the cell: ascender plus descender.
    const int cell_units = sized.face->ascender - sized.face->descender;
    sized.em = cell_units <= 0
                   ? height
                   : static_cast<int>(std::lround(static_cast<double>(height) *
                                                  sized.face->units_per_EM / cell_units));
  }
  sized.em = std::clamp(sized.em, 1, 4096);
  if (sized.face == nullptr) {
    sized.ascent = sized.em * 4 / 5;
    sized.descent = sized.em - sized.ascent;
    return sized;
  }
  FT_Set_Transform(sized.face, nullptr, nullptr);
  FT_Set_Pixel_Sizes(sized.face, 0, static_cast<FT_UInt>(sized.em));
  sized.ascent = static_cast<int>((sized.face->size->metrics.ascender + 63) >> 6);
  sized.descent = static_cast<int>((-sized.face->size->metrics.descender + 63) >> 6);
  return sized;
}

// Code points of a UTF-16 text (unpaired surrogates kept as they are).
std::vector<char32_t> CodePoints(std::u16string_view text) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      out.push_back(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Unturned advances in device pixels, character extra included.
std::vector<int> Advances(Dc& dc,
                          const Sized& sized,
                          const std::vector<char32_t>& codes,
                          const INT* spacing) {
  std::vector<int> advances;
  const int extra = DeviceLengthX(dc, dc.state.char_extra) * (dc.state.char_extra < 0 ? -1 : 1);
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (spacing != nullptr) {
      advances.push_back(DeviceLengthX(dc, spacing[i]));
      continue;
    }
    int advance = sized.em / 2;
    if (sized.face != nullptr &&
        FT_Load_Char(sized.face, codes[i], FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) == 0) {
      advance = static_cast<int>((sized.face->glyph->advance.x + 32) >> 6);
    }
    advances.push_back(advance + extra);
  }
  return advances;
}

}  // namespace

std::string FontText(const LOGFONTW& f) {
  std::string text = vel::platform::user::Quote(vel::platform::user::TextOf(f.lfFaceName)) +
                     " height " + std::to_string(f.lfHeight) + " weight " +
                     std::to_string(f.lfWeight);
  if (f.lfItalic != 0) {
    text += " italic";
  }
  if (f.lfEscapement != 0) {
    text += " escapement " + std::to_string(f.lfEscapement);
  }
  text += " charset " + std::to_string(f.lfCharSet);
  return text;
}

TextBox MeasureText(Dc& dc, std::u16string_view text, const INT* spacing) {
  const Sized sized = Prepare(dc);
  TextBox box;
  for (int advance : Advances(dc, sized, CodePoints(text), spacing)) {
    box.width += advance;
  }
  box.height = sized.ascent + sized.descent;
  return box;
}

void DrawText(Dc& dc, POINT device_ref, std::u16string_view text, const INT* spacing) {
  Surface* surface = SurfaceOf(dc);
  if (surface == nullptr) {
    return;
  }
  const Sized sized = Prepare(dc);
  const std::vector<char32_t> codes = CodePoints(text);
  const std::vector<int> advances = Advances(dc, sized, codes, spacing);
  const RECT area = DrawableArea(dc);
  const double cosine = std::cos(sized.angle);
  const double sine = std::sin(sized.angle);
  const double ref_x = device_ref.x + dc.origin.x;
  const double ref_y = device_ref.y + dc.origin.y;
  if (dc.state.bk_mode == OPAQUE && sized.font->lfEscapement == 0) {
    int width = 0;
    for (int advance : advances) {
      width += advance;
    }
    const auto left = static_cast<LONG>(ref_x);
    const auto top = static_cast<LONG>(ref_y);
    FillArea(*surface, area, RECT{left, top, left + width, top + sized.ascent + sized.descent},
             dc.state.bk_color);
  }
  if (sized.face == nullptr) {
    return;
  }
  // The baseline starts `ascent` below the reference point, along the turned "down" direction.
  double pen_x = ref_x + sized.ascent * sine;
  double pen_y = ref_y + sized.ascent * cosine;
  FT_Matrix matrix;
  matrix.xx = static_cast<FT_Fixed>(std::lround(cosine * 65536.0));
  matrix.xy = static_cast<FT_Fixed>(std::lround(-sine * 65536.0));
  matrix.yx = static_cast<FT_Fixed>(std::lround(sine * 65536.0));
  matrix.yy = static_cast<FT_Fixed>(std::lround(cosine * 65536.0));
  FT_Set_Transform(sized.face, sized.font->lfEscapement == 0 ? nullptr : &matrix, nullptr);
  const COLORREF color = ForSurface(*surface, dc.state.text_color);
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (FT_Load_Char(sized.face, codes[i],
                     FT_LOAD_RENDER | FT_LOAD_MONOCHROME | FT_LOAD_TARGET_MONO) == 0) {
      const FT_GlyphSlot glyph = sized.face->glyph;
      const FT_Bitmap& bitmap = glyph->bitmap;
      const auto left = static_cast<LONG>(std::lround(pen_x)) + glyph->bitmap_left;
      const auto top = static_cast<LONG>(std::lround(pen_y)) - glyph->bitmap_top;
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        for (unsigned column = 0; column < bitmap.width; ++column) {
          if (((line[column / 8] >> (7 - column % 8)) & 1) == 0) {
            continue;
          }
          const LONG x = left + static_cast<LONG>(column);
          const LONG y = top + static_cast<LONG>(row);
          if (x >= area.left && x < area.right && y >= area.top && y < area.bottom) {
            surface->Put(x, y, color);
          }
        }
      }
    }
    pen_x += advances[i] * cosine;
    pen_y -= advances[i] * sine;
  }
  FT_Set_Transform(sized.face, nullptr, nullptr);
  // Underline below the baseline and strike-out through the middle of the lower-case letters,
  // along the text's direction.
  int total = 0;
  for (int advance : advances) {
    total += advance;
  }
  const int thickness = std::max(1, sized.em / 14);
  auto stroke = [&](double below_baseline) {
    const double x0 = ref_x + (sized.ascent + below_baseline) * sine;
    const double y0 = ref_y + (sized.ascent + below_baseline) * cosine;
    const POINT a{static_cast<LONG>(std::lround(x0)), static_cast<LONG>(std::lround(y0))};
    const POINT b{static_cast<LONG>(std::lround(x0 + total * cosine)),
                  static_cast<LONG>(std::lround(y0 - total * sine))};
    int phase = 0;
    DrawLine(*surface, area, a, b, thickness, PS_SOLID, color, std::nullopt, &phase);
  };
  if (sized.font->lfUnderline != 0) {
    stroke(std::max(1, sized.descent / 2));
  }
  if (sized.font->lfStrikeOut != 0) {
    stroke(-sized.ascent / 3.0);
  }
}

void FillTextMetrics(Dc& dc, TEXTMETRICW* metrics) {
  const Sized sized = Prepare(dc);
  const LOGFONTW& font = *sized.font;
  TEXTMETRICW m{};
  m.tmAscent = LogicalLengthY(dc, sized.ascent);
  m.tmDescent = LogicalLengthY(dc, sized.descent);
  m.tmHeight = m.tmAscent + m.tmDescent;
  m.tmInternalLeading = std::max(0, m.tmHeight - LogicalLengthY(dc, sized.em));
  const std::vector<int> x_advance = Advances(dc, sized, {U'x'}, nullptr);
  m.tmAveCharWidth = LogicalLengthX(dc, x_advance[0] - DeviceLengthX(dc, dc.state.char_extra));
  m.tmMaxCharWidth =
      sized.face == nullptr
          ? m.tmAveCharWidth
          : LogicalLengthX(dc, static_cast<int>((sized.face->size->metrics.max_advance + 63) >> 6));
  m.tmWeight = font.lfWeight == 0 ? FW_NORMAL : font.lfWeight;
  m.tmDigitizedAspectX = 96;
  m.tmDigitizedAspectY = 96;
  m.tmFirstChar = 0x20;
  m.tmLastChar = 0xFFFC;
  m.tmDefaultChar = 0x1F;
  m.tmBreakChar = 0x20;
  m.tmItalic = font.lfItalic;
  m.tmUnderlined = font.lfUnderline;
  m.tmStruckOut = font.lfStrikeOut;
  // TrueType and vector; the low bit set means a variable pitch.
  m.tmPitchAndFamily = FamilyOf(font) == Family::kMono ? 0x06 : 0x07;
  m.tmCharSet = font.lfCharSet;
  *metrics = m;
}

const std::vector<std::u16string>& FontFamilies() {
  static const std::vector<std::u16string> kFamilies = {u"Arial", u"Courier New", u"MS Sans Serif",
                                                        u"Times New Roman"};
  return kFamilies;
}

}  // namespace vel::platform::gdi

using namespace vel::platform::gdi;

namespace {

std::u16string TextArgument(LPCWSTR text, std::size_t count) {
  return text == nullptr ? std::u16string() : std::u16string(text, count);
}

}  // namespace

BOOL ExtTextOutW(HDC dc,
                 int x,
                 int y,
                 UINT options,
                 const RECT* rect,
                 LPCWSTR text,
                 UINT count,
                 const INT* spacing) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr || (text == nullptr && count > 0) || count > 0x10000) {
    return FALSE;
  }
  const std::u16string string = TextArgument(text, count);
  const POINT d = ToDevice(*record, {x, y});
  std::string line = "ExtTextOutW(" + record->label + ", " + std::to_string(x) + ", " +
                     std::to_string(y) + ", " + vel::platform::user::Quote(string) + ") -> " +
                     Pt(d) + " font " + FontText(FontOf(*record)) + " color " +
                     ColorText(Plain(record->state.text_color)) +
                     (record->state.bk_mode == TRANSPARENT ? " transparent" : " opaque");
  if (record->state.char_extra != 0) {
    line += " extra " + std::to_string(record->state.char_extra);
  }
  Journal(line);
  Surface* surface = SurfaceOf(*record);
  if (surface == nullptr) {
    return TRUE;
  }
  std::optional<RECT> saved_clip = record->state.clip;
  if (rect != nullptr && (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0) {
    const POINT a = ToDevice(*record, {rect->left, rect->top});
    const POINT b = ToDevice(*record, {rect->right, rect->bottom});
    const RECT r{a.x, a.y, b.x, b.y};
    if ((options & ETO_OPAQUE) != 0) {
      FillArea(*surface, DrawableArea(*record),
               RECT{r.left + record->origin.x, r.top + record->origin.y, r.right + record->origin.x,
                    r.bottom + record->origin.y},
               record->state.bk_color);
    }
    if ((options & ETO_CLIPPED) != 0) {
      RECT clip = r;
      if (saved_clip) {
        IntersectRect(&clip, &clip, &*saved_clip);
      }
      record->state.clip = clip;
    }
  }
  DrawText(*record, d, string, spacing);
  record->state.clip = saved_clip;
  return TRUE;
}

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count) {
  if (count < 0) {
    return FALSE;
  }
  return ExtTextOutW(dc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr || size == nullptr || count < 0 || (text == nullptr && count > 0)) {
    return FALSE;
  }
  const TextBox box =
      MeasureText(*record, TextArgument(text, static_cast<std::size_t>(count)), nullptr);
  size->cx = LogicalLengthX(*record, box.width);
  size->cy = LogicalLengthY(*record, box.height);
  return TRUE;
}

BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr || metrics == nullptr) {
    return FALSE;
  }
  FillTextMetrics(*record, metrics);
  return TRUE;
}

int EnumFontFamiliesW(HDC dc, LPCWSTR family, FONTENUMPROCW procedure, LPARAM data) {
  std::vector<std::u16string> families;
  {
    Lock lock(Tables().mutex);
    const std::u16string wanted =
        family == nullptr ? std::u16string() : Lower(vel::platform::user::TextOf(family));
    for (const std::u16string& name : FontFamilies()) {
      if (family == nullptr || Lower(name) == wanted) {
        families.push_back(name);
      }
    }
    Journal("EnumFontFamiliesW(" + NameOf(dc) + ", " +
            (family == nullptr ? std::string("null")
                               : vel::platform::user::Quote(vel::platform::user::TextOf(family))) +
            ")");
  }
  int answer = 1;
  for (const std::u16string& name : families) {
    LOGFONTW font{};
    font.lfHeight = 16;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    font.lfOutPrecision = OUT_TT_PRECIS;
    std::copy(name.begin(), name.end(), font.lfFaceName);
    TEXTMETRICW metrics{};
    metrics.tmHeight = 16;
    metrics.tmAscent = 13;
    metrics.tmDescent = 3;
    metrics.tmWeight = FW_NORMAL;
    metrics.tmCharSet = ANSI_CHARSET;
    metrics.tmPitchAndFamily = name == u"Courier New" ? 0x06 : 0x07;
    answer = procedure(&font, &metrics, TRUETYPE_FONTTYPE, data);
    if (answer == 0) {
      break;
    }
  }
  return answer;
}
