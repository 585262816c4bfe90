// The PCL XL back end: text, printer fonts and font download.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <typeinfo>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GBinaryData.h"
#include "framework/core/GIterator.h"
#include "framework/core/GPersistableLong.h"
#include "framework/core/MAssociationList.h"
#include "framework/output/GDeviceFontDescription.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GKestrix.h"
#include "framework/output/GTextEscapements.h"
#include "framework/output/GTextString.h"
#include "framework/output/XLFontDownload.h"
#include "framework/output/fonts/GFont.h"
#include "framework/output/fonts/GFontDownloader.h"
#include "framework/output/fonts/GFontImp.h"
#include "framework/output/fonts/GGlyphBitmap.h"
#include "framework/output/fonts/GGlyphCodeMap.h"
#include "framework/output/fonts/GTTFontSource.h"
#include "framework/output/fonts/GXLDownloadedFont.h"
#include "framework/output/pclxl/XLFontOperators.h"
#include "framework/output/pclxl/XLPathOperators.h"
#include "framework/output/pclxl/XLStateOperators.h"
#include "framework/output/pclxl/XLTextOperators.h"
#include "framework/pipeline/GTextStringGraphic.h"

namespace {

// Capability flags.
constexpr std::uint32_t kResidentMatch = 0x08;
constexpr std::uint32_t kOutlines = 0x10;
constexpr std::uint32_t kBitmaps = 0x20;
constexpr std::uint32_t kNoDownload = 0x04;

// Character attributes: a simulated bold, the shear of a simulated italic, and what a char size
// of 0 or less is sent as.
constexpr float kBoldValue = 0.015F;
constexpr float kItalicShear = 0.31623F;
constexpr float kTinyCharSize = 0.000001F;
// Printer memory for a text's TrueType glyphs, per glyph.
constexpr std::uint32_t kBytesPerTrueTypeGlyph = 250;
// The header of a bitmap font: its memory need and what the printer keeps besides its bytes.
constexpr std::uint32_t kBitmapHeaderNeed = 1682;
constexpr std::uint32_t kBitmapHeaderResident = 1674;
constexpr std::uint32_t kBitmapHeaderBytes = 24;
// The name the text state takes when its font was removed, so that the next text selects again.
constexpr const char* kNoFont = "No Font";

bool IsDownloadCodeSet(std::uint32_t code) {
  return code == 1 || (code >= 16 && code <= 23);
}

bool SameName(const RWCString& a, const RWCString& b) {
  return a.Length() == b.Length() && a == b;
}

// A resident device font description that matches a face: the weight, the italic value and the
// character set, then for a bitmap font (technology 0) the size and unit scales, and the name.
bool Matches(const GDeviceFontDescription& description, const GFontFaceRecord& face) {
  if (description.GetFirstMatch() != face.weight || description.GetSecondMatch() != face.italic ||
      description.GetCharSets().IndexOf(static_cast<std::int32_t>(face.char_set)) < 0) {
    return false;
  }
  if (description.GetTechnology() == 0 &&
      (description.GetReserved() != static_cast<std::uint16_t>(face.size) ||
       face.width_scale != 1.0F || face.height_scale != 1.0F)) {
    return false;
  }
  return SameName(description.GetName(), face.name);
}

// The blocks of 256 characters the printer keeps for a resident font of the face.
std::uint32_t ResidentBlocks(const GFontFaceRecord& face) {
  const auto count = static_cast<std::uint16_t>(face.last_char - face.first_char + 1);
  return count < 256 ? 1 : (count + 255) / 256 + 1;
}

const std::uint16_t* TableData(const MAssociationList* table, std::uint32_t key) {
  if (table == nullptr) {
    return nullptr;
  }
  const GPersistableULong key_object(key);
  const auto* data = dynamic_cast<const GBinaryData*>(
      const_cast<MAssociationList*>(table)->FindValue(&key_object));
  if (data == nullptr || data->GetSize() < 2) {
    return nullptr;
  }
  return reinterpret_cast<const std::uint16_t*>(data->GetData());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Resident fonts and capabilities

GKestrix::DeviceMatch GKestrix::FindDeviceFont(const GFontFaceRecord& face) const {
  const GDeviceFontListComposite* lists = CurrentFontList();
  if (lists == nullptr) {
    return {};
  }
  const bool module = HasFontModule();
  const std::unique_ptr<GIterator> it(lists->CreateIterator());
  while (it && it->Advance() != 0) {
    const auto* list = dynamic_cast<const GDeviceFontList*>(it->Current());
    if (list == nullptr || (!module && list->GetKey() == vel::key::kDIMMFonts1)) {
      continue;
    }
    for (std::uint32_t i = 0; i < list->DescriptionCount(); ++i) {
      const GDeviceFontDescription* description = list->DescriptionAt(i);
      if (description != nullptr && Matches(*description, face)) {
        return {description, list};
      }
    }
  }
  return {};
}

std::uint32_t GKestrix::QueryFontCapabilities(const GFont& font) {
  const std::uint32_t flags = font.GetFlags();
  std::uint32_t answer = (flags & GFontInstanceRecord::kOutlineDownload) != 0 ? kOutlines : 0;
  if ((flags & GFontInstanceRecord::kBitmapDownload) == 0) {
    return answer | kNoDownload;
  }
  answer |= kBitmaps;
  return FindDeviceFont(font.GetMetricBlock()).description != nullptr ? kResidentMatch : answer;
}

std::uint32_t GKestrix::QueryResidentFont(const GFontFaceRecord& face,
                                          std::int32_t kind,
                                          std::int32_t lookup_mode,
                                          const std::uint16_t** table_out) {
  if (table_out != nullptr) {
    *table_out = nullptr;
  }
  std::uint32_t answer = 0;
  switch (kind) {
    case 0:
      answer = kBitmaps;
      break;
    case 1:
    case 2:
      answer = kBitmaps | kOutlines;
      break;
    default:
      return kNoDownload;
  }
  const DeviceMatch match = FindDeviceFont(face);
  if (match.description == nullptr) {
    return answer;
  }
  if (table_out != nullptr) {
    if (lookup_mode == 0 && match.description->GetRecordValue() != 0) {
      *table_out = TableData(match.list->GetFirstTable(),
                             static_cast<std::uint16_t>(match.description->GetRecordValue()));
    } else if (lookup_mode == 1) {
      *table_out = TableData(match.list->GetSecondTable(), match.description->GetFlag());
    }
  }
  return kResidentMatch;
}

GDownloadedFont* GKestrix::MatchResidentFont(GFont& font) {
  if ((font.GetFlags() & GFontInstanceRecord::kBitmapDownload) != 0) {
    return nullptr;
  }
  const GFontFaceRecord& face = font.GetMetricBlock();
  const DeviceMatch match = FindDeviceFont(face);
  if (match.description == nullptr) {
    return nullptr;
  }
  auto* downloaded = new (std::nothrow) GXLDownloadedFont(this);
  if (downloaded == nullptr || downloaded->Body() == nullptr) {
    delete downloaded;
    return nullptr;
  }
  downloaded->SetState(GDownloadedFontImp::kResident);
  downloaded->SetId(reinterpret_cast<std::uintptr_t>(match.description));
  downloaded->SetName(match.description->GetSecondName());
  downloaded->AddBytes((ResidentBlocks(face) + 1) * 1024);
  if (GFontDownloader* list = FontDownloader()) {
    (void)list->Add(face, font.GetTransform(), downloaded->Clone());
  }
  return font.SetDownloadedFont(downloaded);
}

// ---------------------------------------------------------------------------------------------
// Downloaded fonts

GDownloadedFont* GKestrix::FindPrinterFont(GFont& font, std::uint32_t text_code) {
  GDownloadedFont* downloaded = font.GetDownloadedFont();
  if (downloaded != nullptr && downloaded->IsValid() == 0) {
    delete font.TakeDownloadedFont();
    downloaded = nullptr;
  }
  if (downloaded == nullptr && FontDownloader() != nullptr) {
    downloaded = FontDownloader()->Find(font);
  }
  if (downloaded == nullptr && text_code != 1) {
    downloaded = MatchResidentFont(font);
  }
  if (downloaded == nullptr) {
    downloaded =
        CreateDownloadedFont(font, IsDownloadCodeSet(text_code) ? 2 : text_code, text_code);
  }
  return downloaded;
}

GDownloadedFont* GKestrix::CreateDownloadedFont(GFont& font,
                                                std::uint32_t code_set,
                                                std::uint32_t text_code) {
  const std::uint32_t flags = font.GetFlags();
  std::uint32_t state = 0;
  const char* kind = nullptr;
  if ((flags & GFontInstanceRecord::kOutlineDownload) != 0) {
    state = GDownloadedFontImp::kTrueType;
    kind = "TT";
  } else if ((flags & GFontInstanceRecord::kBitmapDownload) != 0) {
    state = GDownloadedFontImp::kBitmap;
    kind = "BM";
  } else {
    return nullptr;
  }
  auto* downloaded = new (std::nothrow) GXLDownloadedFont(this);
  if (downloaded == nullptr || downloaded->Body() == nullptr) {
    delete downloaded;
    return nullptr;
  }
  char number[16];
  std::snprintf(number, sizeof number, "%d", static_cast<int>(font_number_++));
  RWCString name(number);
  name.Append(kind);
  name.Append(font.GetMetricBlock().name);
  downloaded->SetName(name);
  downloaded->SetState(state);
  downloaded->SetExtra(code_set);
  (void)font.SetDownloadedFont(downloaded);
  if (state == GDownloadedFontImp::kTrueType) {
    if (WriteTrueTypeHeader(font, *downloaded, text_code)) {
      WriteSpecialGlyphs(font, *downloaded, text_code);
    } else {
      downloaded->SetSequence(0);
      downloaded->SetLastUse(use_counter_++);
    }
  } else {
    WriteBitmapHeader(font, *downloaded);
  }
  if (GFontDownloader* list = FontDownloader()) {
    (void)list->Add(font.GetMetricBlock(), font.GetTransform(), downloaded->Clone());
  }
  return downloaded;
}

void GKestrix::MakeRoom(std::uint32_t need) {
  GFontDownloader* list = FontDownloader();
  while (list != nullptr && Budget().Free() < need) {
    if (list->EvictOne() == 0) {
      break;  // nothing left to evict: the download goes ahead
    }
  }
}

GTTFontSource* GKestrix::SourceOf(const GFont& font) {
  GFontImp* implementation = font.GetImplementation();
  if (implementation == nullptr) {
    return nullptr;
  }
  const std::type_info& type = typeid(*implementation);
  auto* whole = static_cast<char*>(dynamic_cast<void*>(implementation));
  if (&type != source_class_) {
    GTTFontSource* source = TrueTypeSourceOf(font);
    source_class_ = &type;
    source_offset_ = source == nullptr ? kNoSource : reinterpret_cast<char*>(source) - whole;
    return source;
  }
  return source_offset_ == kNoSource ? nullptr
                                     : reinterpret_cast<GTTFontSource*>(whole + source_offset_);
}

bool GKestrix::WriteTrueTypeHeader(GFont& font,
                                   GDownloadedFont& downloaded,
                                   std::uint32_t text_code) {
  GTTFontSource* source = SourceOf(font);
  vel::XLTrueTypeHeader header;
  if (source == nullptr || !header.Prepare(*source, font.GetMetricBlock())) {
    return false;
  }
  if (header.VerticalGlyphs()) {
    static_cast<GXLDownloadedFontImp*>(downloaded.Body())->SetVertical(1);
  }
  MakeRoom(header.MemoryNeed());
  const std::uint32_t total =
      header.Write(stream_, downloaded.GetName(), vel::XLSymbolSetOf(downloaded.GetExtra()),
                   font.GetMetricBlock().char_set, text_code);
  downloaded.SetSequence(header.NumChars());
  downloaded.AddBytes(total);
  downloaded.AddBytes(header.ResidentBytes());
  downloaded.SetLastUse(use_counter_++);
  return true;
}

namespace {

// The glyph download of a TrueType font's downloaded font.
vel::XLGlyphDownload GlyphDownload(XLStream* stream,
                                   GTTFontSource* source,
                                   GDownloadedFont& downloaded) {
  std::uint16_t glyphs = 0;
  if (source->GetNumGlyphs(glyphs) == 0) {
    glyphs = 0;
  }
  const auto* body = static_cast<const GXLDownloadedFontImp*>(downloaded.Body());
  return {stream, source, &downloaded, glyphs, body->IsVertical() != 0};
}

void BeginChars(XLStream* stream, const RWCString& name) {
  XLBeginChar(stream, reinterpret_cast<const std::uint8_t*>(name.Data()),
              static_cast<std::uint32_t>(name.Length()));
}

}  // namespace

void GKestrix::WriteSpecialGlyphs(GFont& font,
                                  GDownloadedFont& downloaded,
                                  std::uint32_t text_code) {
  GTTFontSource* source = SourceOf(font);
  if (source == nullptr) {
    return;
  }
  const vel::XLGlyphDownload download = GlyphDownload(stream_, source, downloaded);
  BeginChars(stream_, downloaded.GetName());
  std::uint32_t bytes = 0;
  (void)downloaded.AddGlyph(vel::kXLNoCharCode);
  (void)vel::XLWriteTrueTypeGlyph(download, 0, vel::kXLNoCharCode, bytes);
  const GFontFaceRecord& face = font.GetMetricBlock();
  if (face.char_set == 17 && (text_code == 17 || text_code == 16)) {
    const std::uint16_t code = text_code == 17 ? 0x00A5 : 0xFF65;
    (void)downloaded.AddGlyph(code);
    const std::uint16_t glyph = source->MapCharToGlyph(face.vertical == 1, code, text_code);
    if (glyph != 0 && vel::XLWriteTrueTypeGlyph(download, glyph, code, bytes)) {
      downloaded.AddGlyphBytes(1);
    }
  }
  XLEndChar(stream_);
  downloaded.AddBytes(bytes);
}

void GKestrix::DownloadTrueTypeGlyphs(GFont& font,
                                      GDownloadedFont& downloaded,
                                      const std::uint16_t* chars,
                                      const std::uint16_t* codes,
                                      std::uint32_t count,
                                      std::uint32_t text_code,
                                      std::uint32_t missing) {
  if (missing == kUncounted) {
    if (const auto* body = dynamic_cast<const GXLDownloadedFontImp*>(downloaded.Body())) {
      missing = body->CountMissing(codes, count);
    } else {
      missing = 0;
      for (std::uint32_t i = 0; i < count; ++i) {
        missing += downloaded.HasGlyph(codes[i]) ? 0 : 1;
      }
    }
  }
  if (missing == 0 || downloaded.GetSequence() == 0) {
    return;
  }
  if (downloaded.GetGlyphBytes() + missing > downloaded.GetSequence()) {
    downloaded.Release();
    missing = count;
  }
  MakeRoom(kBytesPerTrueTypeGlyph * missing);
  if (downloaded.GetByteCount() == 0) {
    if (!WriteTrueTypeHeader(font, downloaded, text_code)) {
      downloaded.SetSequence(0);
      return;
    }
    WriteSpecialGlyphs(font, downloaded, text_code);
  }
  GTTFontSource* source = SourceOf(font);
  const vel::XLGlyphDownload download = GlyphDownload(stream_, source, downloaded);
  const bool vertical = font.GetMetricBlock().vertical == 1;
  bool begun = false;
  std::uint32_t bytes = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (downloaded.HasGlyph(codes[i])) {
      continue;
    }
    downloaded.AddGlyphBytes(1);
    (void)downloaded.AddGlyph(codes[i]);
    const std::uint16_t glyph = source->MapCharToGlyph(vertical, chars[i], text_code);
    if (glyph == 0) {
      continue;
    }
    if (!begun) {
      BeginChars(stream_, downloaded.GetName());
      begun = true;
    }
    (void)vel::XLWriteTrueTypeGlyph(download, glyph, codes[i], bytes);
  }
  if (begun) {
    XLEndChar(stream_);
    downloaded.AddBytes(bytes);
  }
}

void GKestrix::WriteBitmapHeader(GFont& font, GDownloadedFont& downloaded) {
  const std::uint16_t count = vel::XLCharacterCount(font.GetMetricBlock());
  const std::uint32_t blocks = (count + 255) / 256 + (count >= 256 ? 1 : 0);
  MakeRoom(1024 * blocks + kBitmapHeaderNeed);
  (void)vel::XLWriteBitmapHeader(stream_, downloaded.GetName(),
                                 vel::XLSymbolSetOf(downloaded.GetExtra()), count, resolution_x_,
                                 resolution_y_);
  downloaded.SetSequence(count);
  downloaded.AddBytes(kBitmapHeaderBytes);
  downloaded.AddBytes(1024 * blocks + kBitmapHeaderResident);
  downloaded.SetLastUse(use_counter_++);
}

void GKestrix::DownloadBitmapGlyphs(GFont& font,
                                    GDownloadedFont& downloaded,
                                    const std::uint16_t* chars,
                                    const std::uint16_t* codes,
                                    std::uint32_t count) {
  std::uint32_t missing = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    missing += downloaded.HasGlyph(codes[i]) ? 0 : 1;
  }
  if (missing == 0) {
    return;
  }
  if (downloaded.GetGlyphBytes() + missing > downloaded.GetSequence()) {
    downloaded.Release();
    missing = count;
  }
  const std::int32_t size = font.GetMetricBlock().size;
  const std::int32_t per_glyph = (size / 8) * size;
  MakeRoom(per_glyph > 0 ? static_cast<std::uint32_t>(per_glyph) * missing : 0);
  if (downloaded.GetByteCount() == 0) {
    WriteBitmapHeader(font, downloaded);
  }
  bool begun = false;
  std::uint32_t bytes = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (downloaded.HasGlyph(codes[i])) {
      continue;
    }
    downloaded.AddGlyphBytes(1);
    // The bitmap is asked for by the text's character, which the font's metrics know; the
    // printer code may be one the glyph-code map handed out.
    // A glyph the font cannot render goes out without rows: its code is then defined, and the
    // printer prints nothing for it instead of reporting a character it never received.
    GGlyphBitmap bitmap;
    if (font.CodeBitmap(chars[i], &bitmap) == 0) {
      bitmap = GGlyphBitmap();
    }
    if (!begun) {
      BeginChars(stream_, downloaded.GetName());
      begun = true;
    }
    bytes += vel::XLWriteBitmapChar(stream_, codes[i], bitmap);
    (void)downloaded.AddGlyph(codes[i]);
  }
  if (begun) {
    XLEndChar(stream_);
    downloaded.AddBytes(bytes);
  }
}

// ---------------------------------------------------------------------------------------------
// Selection and text

void GKestrix::SelectFont(const RWCString& name,
                          float char_size,
                          std::uint16_t symbol_set,
                          const TextState& wanted) {
  if (wanted.bold_value != text_.bold_value) {
    XLSetCharBoldValue(stream_, wanted.bold_value);
  }
  if (wanted.shear_x != text_.shear_x || wanted.shear_y != text_.shear_y ||
      wanted.scale_x != text_.scale_x || wanted.scale_y != text_.scale_y ||
      wanted.angle != text_.angle) {
    XLSetCharShearReal32(stream_, wanted.shear_x, wanted.shear_y);
    XLSetCharScale(stream_, wanted.scale_x, wanted.scale_y);
    XLSetCharAngleReal32(stream_, wanted.angle);
  }
  if (wanted.substitution_mode != text_.substitution_mode) {
    XLSetCharSubMode(stream_, &wanted.substitution_mode, 1);
  }
  if (wanted.writing_mode != text_.writing_mode) {
    XLSetCharAttributes(stream_, wanted.writing_mode);
  }
  const bool same_name = SameName(name, text_.font_name);
  if (!same_name || char_size != text_.char_size || symbol_set != text_.symbol_set) {
    XLSetFont(stream_, reinterpret_cast<const std::uint8_t*>(name.Data()),
              static_cast<std::uint32_t>(name.Length()),
              char_size > 0.0F ? char_size : kTinyCharSize, symbol_set);
  }
  RWCString font_name = same_name ? std::move(text_.font_name) : name;
  text_ = wanted;
  text_.font_name = std::move(font_name);
  text_.char_size = char_size;
  text_.symbol_set = symbol_set;
}

void GKestrix::WriteText(const std::uint16_t* codes,
                         std::uint32_t count,
                         bool wide,
                         const GTextEscapements* escapements,
                         std::int16_t x,
                         std::int16_t y) {
  XLSetCursorSInt16(stream_, x, y);
  const bool spaced = escapements != nullptr && escapements->GetCount() >= count;
  const std::int16_t* dx = spaced ? escapements->GetXData() : nullptr;
  const std::int16_t* dy = spaced ? escapements->GetYData() : nullptr;
  const std::uint8_t* narrow = nullptr;
  if (!wide) {
    text_bytes_.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      text_bytes_[i] = static_cast<std::uint8_t>(codes[i]);
    }
    narrow = text_bytes_.data();
  }
  if (dx != nullptr && dy != nullptr) {
    if (wide) {
      XLTextXYSpacingUInt16(stream_, codes, count, dx, count, dy, count);
    } else {
      XLTextXYSpacing(stream_, narrow, count, dx, count, dy, count);
    }
  } else if (dx != nullptr) {
    if (wide) {
      XLTextXSpacingUInt16(stream_, codes, count, dx, count);
    } else {
      XLTextXSpacing(stream_, narrow, count, dx, count);
    }
  } else if (dy != nullptr) {
    if (wide) {
      XLTextYSpacingUInt16(stream_, codes, count, dy, count);
    } else {
      XLTextYSpacing(stream_, narrow, count, dy, count);
    }
  } else if (wide) {
    XLTextUInt16(stream_, codes, count);
  } else {
    XLText(stream_, narrow, count);
  }
}

std::uint16_t GKestrix::PrintText(GFont& font,
                                  const GTextString& text,
                                  const GTextEscapements* escapements,
                                  std::int16_t x,
                                  std::int16_t y) {
  if (stream_ == nullptr) {
    return kStreamFailed;
  }
  if (text.GetLength() == 0 || font.GetImplementation() == nullptr) {
    return TakeStatus();
  }
  if (!IsInsidePath()) {
    XLNewPath(stream_);
  }
  const std::uint32_t text_code = text.GetEncoding();
  GDownloadedFont* downloaded = FindPrinterFont(font, text_code);
  if (downloaded == nullptr) {
    ++dropped_texts_;
    return TakeStatus();
  }
  const GFontFaceRecord& face = font.GetMetricBlock();
  const GFontInstanceRecord& instance = font.GetTransform();
  const std::uint32_t length = text.GetLength();
  text_chars_.resize(length);
  std::uint16_t* const chars = text_chars_.data();
  text.CopyCodes(chars);
  const bool wide_text = text.GetCharSize() == 2;
  TextState wanted;
  const auto char_size = static_cast<float>(face.size);

  if (downloaded->GetState() == GDownloadedFontImp::kResident) {
    const auto* description = reinterpret_cast<const GDeviceFontDescription*>(downloaded->GetId());
    std::uint32_t code = face.char_set;
    if (description->GetCharSets().IndexOf(static_cast<std::int32_t>(text_code)) >= 0 ||
        (text_code == 16 && description->GetCharSet() == 16)) {
      code = text_code;
    }
    if (description->GetTechnology() == 1) {
      wanted.bold_value = instance.weight > description->GetFirstMatch() ? kBoldValue : 0.0F;
      wanted.shear_x =
          description->GetSecondMatch() == 0 && instance.italic != 0 ? kItalicShear : 0.0F;
      wanted.scale_x = face.width_scale;
      wanted.scale_y = face.height_scale;
      wanted.angle = font.GetCharAngle().GetValue();
      wanted.substitution_mode = face.vertical == 1 ? 1 : 0;
      wanted.writing_mode = face.vertical == 1 ? 1 : 0;
    }
    SelectFont(description->GetSecondName(), char_size, vel::XLSymbolSetOf(code), wanted);
    if (code != text_code) {
      const GTextString converted(text, code, nullptr);
      text_codes_.resize(converted.GetLength());
      converted.CopyCodes(text_codes_.data());
      WriteText(text_codes_.data(), converted.GetLength(), converted.GetCharSize() == 2,
                escapements, x, y);
    } else {
      WriteText(chars, length, wide_text, escapements, x, y);
    }
    return TakeStatus();
  }

  // A downloaded font: text in another code set than the font's goes out in printer codes that
  // the glyph-code map gives the text's glyphs.
  const std::uint32_t code_set = downloaded->GetExtra();
  const std::uint16_t* codes = chars;
  bool wide = wide_text;
  std::uint32_t missing = kUncounted;
  if (code_set != text_code) {
    text_codes_.resize(length);
    std::uint16_t* const converted = text_codes_.data();
    codes = converted;
    // A TrueType font keeps the codes it gave, for the text's code and this glyph-code map.
    GTTFontSource* source = SourceOf(font);
    auto* cache = source != nullptr ? dynamic_cast<GXLDownloadedFontImp*>(downloaded->Body())
                                    : nullptr;
    const std::uint64_t key = (static_cast<std::uint64_t>(font_objects_made_) << 33) |
                              (static_cast<std::uint64_t>(face.vertical == 1) << 32) | text_code;
    GXLDownloadedFontImp::Cached cached;
    if (cache != nullptr) {
      cached = cache->CachedCodes(key, chars, length, converted);
    } else {
      std::fill_n(converted, length, GXLDownloadedFontImp::kNoCode);
    }
    if (cached.counted) {
      missing = cached.missing;
    }
    std::uint16_t bits = cached.bits;
    if (!cached.complete) {
      GGlyphCodeMap* map = GlyphCodeMap();
      GCharacterBuffer glyphs;
      const bool mapped =
          source == nullptr && font.MapString(text, glyphs) != 0 && glyphs.Count() >= length;
      for (std::uint32_t i = 0; i < length; ++i) {
        if (converted[i] != GXLDownloadedFontImp::kNoCode) {
          continue;
        }
        // A character met earlier in this text may have been kept since.
        if (cache != nullptr) {
          converted[i] = cache->CachedCode(key, chars[i]);
          if (converted[i] != GXLDownloadedFontImp::kNoCode) {
            continue;
          }
        }
        std::uint16_t glyph = 0;
        if (source != nullptr) {
          glyph = source->MapCharToGlyph(face.vertical == 1, chars[i], text_code);
        } else if (mapped) {
          glyph = glyphs.At(i);
        }
        const std::uint16_t code = map != nullptr ? map->MapGlyph(glyph) : glyph;
        if (cache != nullptr) {
          cache->CacheCode(key, chars[i], code);
        }
        converted[i] = code;
      }
      bits = 0;
      for (std::uint32_t i = 0; i < length; ++i) {
        bits |= converted[i];
      }
    }
    wide = wide || bits > 0xFF;
  }
  if (downloaded->GetState() == GDownloadedFontImp::kTrueType) {
    DownloadTrueTypeGlyphs(font, *downloaded, chars, codes, length, text_code, missing);
    if (downloaded->GetByteCount() == 0) {
      ++dropped_texts_;  // the printer never received the font
      return TakeStatus();
    }
    wanted.bold_value = instance.weight > face.weight ? kBoldValue : 0.0F;
    wanted.shear_x = face.italic == 0 && instance.italic != 0 ? kItalicShear : 0.0F;
    wanted.scale_x = face.width_scale;
    wanted.scale_y = face.height_scale;
    wanted.angle = font.GetCharAngle().GetValue();
    wanted.writing_mode = face.vertical == 1 ? 1 : 0;
  } else {
    DownloadBitmapGlyphs(font, *downloaded, chars, codes, length);
  }
  SelectFont(downloaded->GetName(), char_size, vel::XLSymbolSetOf(code_set), wanted);
  WriteText(codes, length, wide, escapements, x, y);
  downloaded->SetLastUse(use_counter_++);
  return TakeStatus();
}

std::uint16_t GKestrix::HandleTextStringGraphic(GTextStringGraphic& object) {
  GFont* font = object.GetFont();
  const GTextString* text = object.GetTextString();
  if (font == nullptr || text == nullptr) {
    return stream_ == nullptr ? kStreamFailed : TakeStatus();
  }
  return PrintText(*font, *text, object.GetEscapements(), object.GetOrigin().x,
                   object.GetOrigin().y);
}

void GKestrix::SelectNoFont(const RWCString& font_name) {
  // Every font this back end sends has a name; a font without one never reached the printer, and
  // RemoveFont naming nothing would be answered with an error page.
  if (font_name.Length() == 0) {
    return;
  }
  if (stream_ != nullptr) {
    XLRemoveFont(stream_, reinterpret_cast<const std::uint8_t*>(font_name.Data()),
                 static_cast<std::uint32_t>(font_name.Length()));
  }
  if (SameName(text_.font_name, font_name)) {
    text_.font_name = kNoFont;
  }
}
