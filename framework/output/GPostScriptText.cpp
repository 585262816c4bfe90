// The PostScript back end: text in printer-resident fonts.
//
// A resident font is used under a copy of itself re-encoded with a symbol-set vector
// (SymbolEcoding<set>, defined once a job) and scaled by a font matrix in page pixels: the size,
// the font's two scales, a shear for simulated italics and a rotation by the character angle. The
// text goes out as one byte per character in the code set of that vector.
#include <cstdint>
#include <new>
#include <vector>

#include "framework/output/GDeviceFontDescription.h"
#include "framework/output/GPostScript.h"
#include "framework/output/GTextEscapements.h"
#include "framework/output/GTextString.h"
#include "framework/output/fonts/GDownloadedFont.h"
#include "framework/output/fonts/GFont.h"
#include "framework/output/fonts/GPSDownloadedFont.h"
#include "framework/output/fonts/GPSFontDownloader.h"
#include "framework/pipeline/GTextStringGraphic.h"

namespace {

// Code sets of text and fonts.
constexpr std::uint32_t kGlyphIndexes = 1;
constexpr std::uint32_t kDeviceCodes = 2;
constexpr std::uint32_t kWesternLatin = 4;
constexpr std::uint32_t kUnicode = GTextString::kTranslatorKind;

// The weight of the fallback font, and the shear of a simulated italic (per unit of height).
constexpr std::uint16_t kRegularWeight = 400;
constexpr float kItalicShear = 0.31623F;
constexpr float kEmboldening = 0.015F;

// The symbol set of a code set; 0 for one without.
std::int16_t SymbolSetOf(std::uint32_t char_set) {
  switch (char_set) {
    case 1: return 1;
    case 2: return 2;
    case 3: return 621;
    case 4: return 629;
    case 5: return 293;
    case 6: return 180;
    case 7: return 295;
    case 8: return 296;
    case 9: return 310;
    case 12: return 620;
    case 14: return 306;
    case 15: return 628;
    case 16: return 590;
    case 17: return 619;
    case 18: return 579;
    case 19: return 643;
    case 20: return 616;
    case 22: return 584;
    case 23: return 596;
    default: return 0;
  }
}

// One character of the text on its way out: its code and its advance.
struct Character {
  std::uint16_t code;
  std::int16_t dx;
  std::int16_t dy;
};

// The codes of `characters` (of code set `from`) in the single-byte code set `to`, one byte each.
std::vector<char> ToBytes(const std::vector<Character>& characters, std::uint32_t from,
                          std::uint32_t to) {
  std::vector<char> bytes(characters.size());
  if (from == to || from == kDeviceCodes) {
    for (std::size_t i = 0; i < characters.size(); ++i) {
      bytes[i] = static_cast<char>(characters[i].code & 0xFF);
    }
    return bytes;
  }
  std::vector<std::uint16_t> codes(characters.size());
  for (std::size_t i = 0; i < characters.size(); ++i) {
    codes[i] = characters[i].code;
  }
  const auto length = static_cast<std::uint16_t>(codes.size());
  const GTextString source(GCharacterBuffer(codes.data(), length), length, 2, from);
  // Through the 16-bit characters of the translator: from them a single-byte set is one step.
  const GTextString wide = from == kUnicode ? GTextString(source) : GTextString(source, kUnicode,
                                                                                 nullptr);
  const GTextString converted(wide, to, nullptr);
  for (std::size_t i = 0; i < characters.size(); ++i) {
    bytes[i] = static_cast<char>(converted.GetCharAt(static_cast<std::uint32_t>(i)) & 0xFF);
  }
  return bytes;
}

}  // namespace

GDownloadedFont* GPostScript::RegisterResidentFont(GFont& font) {
  GPSFontDownloader* downloader = PSFontDownloader();
  if (downloader == nullptr) {
    return nullptr;
  }
  // The configuration may have been rebuilt since the last look.
  LoadDeviceFontList();
  const GDeviceFontListComposite* lists = CurrentFontList();
  const GDeviceFontDescription* match =
      lists != nullptr ? MatchResidentFont(*lists, font) : nullptr;
  if (match == nullptr) {
    return nullptr;
  }
  const GDeviceFontDescription* kept = downloader->KeepDescription(*match);
  if (kept == nullptr) {
    return nullptr;
  }
  auto* listed = new (std::nothrow) GPSDownloadedFontHandle(this);
  if (listed == nullptr || listed->Body() == nullptr) {
    delete listed;
    return nullptr;
  }
  listed->SetState(GDownloadedFontImp::kResident);
  listed->SetId(reinterpret_cast<std::uintptr_t>(kept));
  listed->SetName(kept->GetSecondName().Length() == 0 ? kept->GetName() : kept->GetSecondName());
  GDownloadedFont* attached = listed->Clone();
  if (attached == nullptr) {
    delete listed;
    return nullptr;
  }
  if (downloader->Add(font.GetMetricBlock(), font.GetTransform(), listed) == 0) {
    delete attached;
    return nullptr;
  }
  listed->AddBytes(ResidentFontBytes(font.GetMetricBlock()));
  return font.SetDownloadedFont(attached);
}

std::uint16_t GPostScript::HandleTextStringGraphic(GTextStringGraphic& object) {
  return WriteText(object.GetFont(), object.GetTextString(), object.GetEscapements(),
                   object.GetOrigin());
}

std::uint16_t GPostScript::WriteText(GFont* font, const GTextString* text,
                                     const GTextEscapements* escapements, GPoint origin) {
  if (writer_ == nullptr || text == nullptr) {
    return TakeStatus();
  }
  GPSFontDownloader* downloader = PSFontDownloader();
  if (font == nullptr || downloader == nullptr) {
    ++text_diagnostics_.skipped;
    return TakeStatus();
  }
  const std::uint32_t kind = text->GetEncoding();

  // The resident font of the text's font: registered in this job, or matched now.
  GDownloadedFont* resident = downloader->Find(*font);
  if (resident != nullptr &&
      (resident->IsValid() == 0 || resident->GetState() != GDownloadedFontImp::kResident)) {
    delete font->TakeDownloadedFont();
    resident = nullptr;
  }
  if (resident == nullptr && kind != kGlyphIndexes) {
    resident = RegisterResidentFont(*font);
  }
  const auto* description =
      resident != nullptr ? reinterpret_cast<const GDeviceFontDescription*>(resident->GetId())
                          : nullptr;
  if (resident != nullptr && resident->GetByteCount() == 0) {
    // Listed in an earlier job, whose end gave its memory back.
    resident->AddBytes(ResidentFontBytes(font->GetMetricBlock()));
  }

  // The characters with their advances, in code set `codes`.
  const std::uint16_t length = text->GetLength();
  const std::int16_t* xs = escapements != nullptr ? escapements->GetXData() : nullptr;
  const std::int16_t* ys = escapements != nullptr ? escapements->GetYData() : nullptr;
  const std::uint32_t advances = escapements != nullptr ? escapements->GetCount() : 0;
  std::vector<Character> characters;
  characters.reserve(length);
  std::uint32_t codes = kind;
  if (kind == kGlyphIndexes) {
    const GPSFontDownloader::GlyphCodes* table = downloader->CodesOfGlyphs(*font);
    if (table == nullptr) {
      ++text_diagnostics_.skipped;
      return TakeStatus();
    }
    ++text_diagnostics_.glyph_index;
    codes = font->EncodingCode();
    if (codes == kGlyphIndexes) {
      codes = kUnicode;
    }
  }
  for (std::uint32_t i = 0; i < length; ++i) {
    const std::uint16_t value = text->GetCharAt(i);
    const auto dx = static_cast<std::int16_t>(xs != nullptr && i < advances ? xs[i] : 0);
    const auto dy = static_cast<std::int16_t>(ys != nullptr && i < advances ? ys[i] : 0);
    std::uint16_t code = value;
    if (kind == kGlyphIndexes &&
        !GPSFontDownloader::CodeOfGlyph(*downloader->CodesOfGlyphs(*font), value, code)) {
      // Left out: the character before takes its advance, or the text starts further on.
      ++text_diagnostics_.dropped_glyphs;
      if (characters.empty()) {
        origin.x = static_cast<std::int16_t>(origin.x + dx);
        origin.y = static_cast<std::int16_t>(origin.y + dy);
      } else {
        characters.back().dx = static_cast<std::int16_t>(characters.back().dx + dx);
        characters.back().dy = static_cast<std::int16_t>(characters.back().dy + dy);
      }
      continue;
    }
    characters.push_back(Character{code, dx, dy});
  }

  if (characters.empty()) {
    return TakeStatus();
  }

  // The code set the font shows: the text's when the resident font has it, else the font's own;
  // the text's for the fallback font. A font of a code set of more than one byte a character
  // shows the text in Western Latin.
  const GFontFaceRecord& face = font->GetMetricBlock();
  const GFontInstanceRecord& instance = font->GetTransform();
  std::uint32_t shown = codes;
  if (description != nullptr &&
      description->GetCharSets().IndexOf(static_cast<std::int32_t>(codes)) < 0 &&
      !(codes == kUnicode && description->GetCharSet() == GDeviceFontDescription::kSeveralSets)) {
    shown = face.char_set;
  }
  const std::int16_t symbol_set = SymbolSetOf(shown);
  const std::uint32_t byte_set = GTextString::IsSingleByteKind(shown) ? shown : kWesternLatin;
  const std::vector<char> bytes = ToBytes(characters, codes, byte_set);

  if (resident == nullptr) {
    ++text_diagnostics_.courier;
  }
  if (!downloader->IsEncodingWritten(symbol_set)) {
    (void)writer_->DefineEncoding(symbol_set);
    downloader->MarkEncodingWritten(symbol_set);
  }

  // The font record.
  TextState wanted;
  wanted.font_name = resident != nullptr ? resident->GetName() : RWCString(kFallbackFont);
  wanted.size = static_cast<float>(face.size);
  wanted.symbol_set = symbol_set;
  const bool scalable = description == nullptr || description->GetTechnology() != 0;
  if (scalable) {
    const std::uint16_t weight = description != nullptr ? description->GetFirstMatch()
                                                        : kRegularWeight;
    const bool italic = description != nullptr ? description->GetSecondMatch() != 0 : false;
    wanted.scale_x = face.width_scale;
    wanted.scale_y = face.height_scale;
    wanted.emboldening = instance.weight > weight ? kEmboldening : 0.0F;
    // The shear is a part of the font matrix: a slant of kItalicShear per unit of height.
    wanted.shear_a = instance.italic != 0 && !italic
                         ? kItalicShear * wanted.size * (wanted.scale_y > 0.0F ? wanted.scale_y
                                                                                : 0.0F)
                         : 0.0F;
    wanted.angle = font->GetCharAngle().GetValue();
  }
  if (!(wanted.font_name == text_.font_name) || wanted.size != text_.size ||
      wanted.symbol_set != text_.symbol_set || wanted.shear_a != text_.shear_a ||
      wanted.shear_b != text_.shear_b || wanted.scale_x != text_.scale_x ||
      wanted.scale_y != text_.scale_y || wanted.angle != text_.angle) {
    (void)writer_->SelectFont(wanted.font_name.Data(), wanted.size, wanted.shear_a,
                              wanted.shear_b, wanted.scale_x, wanted.scale_y, wanted.angle,
                              wanted.symbol_set);
    text_ = wanted;
  }

  // The show, with the brush's colour or pattern, leaving the graphic state as it was.
  std::vector<std::int16_t> dxs(characters.size());
  std::vector<std::int16_t> dys(characters.size());
  for (std::size_t i = 0; i < characters.size(); ++i) {
    dxs[i] = characters[i].dx;
    dys[i] = characters[i].dy;
  }
  const bool has_x = xs != nullptr;
  const bool has_y = ys != nullptr;
  const auto count = static_cast<std::uint32_t>(bytes.size());
  GPSLibWriter& w = *writer_;
  (void)w.GSave();
  (void)w.MoveTo(origin.x, origin.y);
  (void)w.UseBrush();
  if (has_x && has_y) {
    (void)w.XYShow(bytes.data(), count, dxs.data(), count, dys.data(), count);
  } else if (has_y) {
    (void)w.YShow(bytes.data(), count, dys.data(), count);
  } else {
    // Also without advances: every character at the origin (a single character has none).
    (void)w.XShow(bytes.data(), count, dxs.data(), count);
  }
  (void)w.GRestore();
  return TakeStatus();
}
