// The bytes of a PCL XL font download.
#include "framework/output/XLFontDownload.h"

#include <algorithm>

#include "framework/output/fonts/GDownloadedFont.h"
#include "framework/output/fonts/GFontRecords.h"
#include "framework/output/fonts/GGlyphBitmap.h"
#include "framework/output/fonts/GMemoryBlock.h"
#include "framework/output/fonts/GTTFontReader.h"
#include "framework/output/fonts/GTTFontSource.h"
#include "framework/output/fonts/TrueTypeData.h"
#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLFontOperators.h"

namespace vel {

namespace tt = vel::truetype;

namespace {

// The most a ReadFontHeader piece (its 16-bit length) carries.
constexpr std::uint32_t kMaxPiece = 65535;
// Segment ids.
constexpr std::uint16_t kSegmentGT = 0x4754;  // "GT"
constexpr std::uint16_t kSegmentGC = 0x4743;  // "GC"
constexpr std::uint16_t kSegmentVE = 0x5645;  // "VE"
constexpr std::uint16_t kSegmentVR = 0x5652;  // "VR"
constexpr std::uint16_t kSegmentBR = 0x4252;  // "BR"
constexpr std::uint16_t kSegmentNull = 0xFFFF;
// Descriptor values.
constexpr std::uint8_t kScalingTrueType = 1;
constexpr std::uint8_t kScalingBitmap = 254;
// Composite glyph flags.
constexpr std::uint16_t kArgsAreWords = 0x0001;
constexpr std::uint16_t kHaveScale = 0x0008;
constexpr std::uint16_t kMoreComponents = 0x0020;
constexpr std::uint16_t kHaveXYScale = 0x0040;
constexpr std::uint16_t kHaveTwoByTwo = 0x0080;
// A glyph's character record: its data plus the largest character header (12 bytes) must fit
// the record's 16-bit sizes, for either class.
constexpr std::uint32_t kMaxCharRecord = 65535;
constexpr std::uint32_t kLargestCharHeader = 12;

std::uint32_t Padded(std::uint32_t size) {
  return (size + 3) & ~3u;
}

// Big-endian bytes of a header item.
class Item {
 public:
  Item& U8(std::uint8_t value) {
    bytes_.push_back(value);
    return *this;
  }
  Item& U16(std::uint16_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes_.push_back(static_cast<std::uint8_t>(value));
    return *this;
  }
  Item& U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value >> 16));
    return U16(static_cast<std::uint16_t>(value));
  }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Writes `size` bytes (and then `zeros` zero bytes) as ReadFontHeader pieces of at most 65,535
// bytes; the zeros travel with the last piece when both fit.
void WritePieces(XLStream* stream,
                 const std::uint8_t* data,
                 std::uint32_t size,
                 std::uint32_t zeros = 0) {
  static constexpr std::uint8_t kZeros[4] = {0, 0, 0, 0};
  while (size > kMaxPiece) {
    XLReadFontHeader(stream, static_cast<std::uint16_t>(kMaxPiece));
    XLDataLength(stream, kMaxPiece);
    XLRawBytes(stream, data, kMaxPiece);
    data += kMaxPiece;
    size -= kMaxPiece;
  }
  if (size + zeros <= kMaxPiece) {
    if (size + zeros == 0) {
      return;
    }
    XLReadFontHeader(stream, static_cast<std::uint16_t>(size + zeros));
    XLDataLength(stream, size + zeros);
    XLRawBytes(stream, data, size);
    XLRawBytes(stream, kZeros, zeros);
    return;
  }
  XLReadFontHeader(stream, static_cast<std::uint16_t>(size));
  XLDataLength(stream, size);
  XLRawBytes(stream, data, size);
  XLReadFontHeader(stream, static_cast<std::uint16_t>(zeros));
  XLDataLength(stream, zeros);
  XLRawBytes(stream, kZeros, zeros);
}

void WriteItem(XLStream* stream, const Item& item) {
  WritePieces(stream, item.Bytes().data(), static_cast<std::uint32_t>(item.Bytes().size()));
}

Item Segment(std::uint16_t id, const std::vector<std::uint16_t>& words) {
  Item item;
  item.U16(id).U32(static_cast<std::uint32_t>(2 * words.size()));
  for (std::uint16_t word : words) {
    item.U16(word);
  }
  return item;
}

}  // namespace

std::uint16_t XLSymbolSetOf(std::uint32_t code) {
  switch (code) {
    case 1:
      return 1;
    case 2:
      return 2;
    case 3:
      return 621;
    case 4:
      return 629;
    case 5:
      return 293;
    case 6:
      return 180;
    case 7:
      return 295;
    case 8:
      return 296;
    case 9:
      return 310;
    case 12:
      return 620;
    case 14:
      return 306;
    case 15:
      return 628;
    case 16:
      return 590;
    case 17:
      return 619;
    case 18:
      return 579;
    case 19:
      return 643;
    case 20:
    case 21:
      return 616;
    case 22:
      return 584;
    case 23:
      return 596;
    default:
      return 0;
  }
}

std::vector<std::uint16_t> XLGalleyWords(std::uint32_t font_code, std::uint32_t text_code) {
  if (font_code != 17) {
    return {0, 0xFFFF, 0};
  }
  if (text_code == 17) {
    return {0, 0xFFFF, 1, 0x0000, 0x00FF, 0x00A5};
  }
  if (text_code == 16) {
    return {0, 0xFFFF, 3, 0x0020, 0x007D, 0xFF65, 0x203E, 0x203E, 0xFF65, 0xFF61, 0xFF9F, 0xFF65};
  }
  return {};
}

std::vector<std::uint16_t> XLVerticalExclusions(std::uint32_t font_code, std::uint32_t text_code) {
  static const std::vector<std::uint16_t> kWide = {0x0000, 0x00FF, 0x20A9, 0x20A9,
                                                   0xFF60, 0xFFDF, 0xFFE7, 0xFFFF};
  static const std::vector<std::uint16_t> kAscii = {0x0000, 0x007F};
  switch (font_code) {
    case 17:
      if (text_code == 17) {
        return {0x0000, 0x00FF};
      }
      if (text_code == 16) {
        return {0x0000, 0x00A6, 0x00A9, 0x00AF, 0x00B2, 0x00B3, 0x00B5, 0x00B5, 0x00B7, 0x00F6,
                0x00F8, 0x00FF, 0x20A9, 0x20A9, 0x2195, 0x2195, 0x21B5, 0x21B5, 0x22A0, 0x22A0,
                0x2550, 0x2551, 0x2554, 0x2554, 0x2557, 0x2557, 0x255A, 0x255A, 0x255D, 0x255D,
                0x2560, 0x2560, 0x2563, 0x2563, 0x2566, 0x2566, 0x2569, 0x2569, 0x256C, 0x256C,
                0x2591, 0x2592, 0xFF60, 0xFFDF, 0xFFE7, 0xFFFF};
      }
      return {};
    case 23:
      if (text_code == 23) {
        return kAscii;
      }
      if (text_code == 16) {
        return {0x0000, 0x00A1, 0x00A4, 0x00A4, 0x00A6, 0x00A6, 0x00A9, 0x00AF,
                0x00B2, 0x00B3, 0x00B6, 0x00B6, 0x00B9, 0x00D6, 0x00D8, 0x00F6,
                0x00F8, 0x00FF, 0x20A9, 0x20A9, 0xFF60, 0xFFDF, 0xFFE7, 0xFFFF};
      }
      return {};
    case 18:
    case 19:
      if (text_code == 18 || text_code == 19) {
        return kAscii;
      }
      if (text_code == 16) {
        return {0x0000, 0x00A6, 0x00A9, 0x00AF, 0x00B2, 0x00DF, 0x00E2, 0x00E7, 0x00EB,
                0x00EB, 0x00EE, 0x00F1, 0x00F4, 0x00F6, 0x00F8, 0x00F8, 0x00FB, 0x00FB,
                0x00FD, 0x00FF, 0x20A9, 0x20A9, 0xFF60, 0xFFDF, 0xFFE7, 0xFFFF};
      }
      return {};
    case 20:
    case 21:
    case 22:
      if (text_code >= 20 && text_code <= 22) {
        return kAscii;
      }
      if (text_code == 16) {
        return kWide;
      }
      return {};
    case 16:
      return kWide;
    default:
      return kAscii;
  }
}

std::uint16_t XLCharacterCount(const GFontFaceRecord& face) {
  if (face.last_char < face.first_char) {
    return 0;
  }
  const std::uint32_t count = std::uint32_t{face.last_char} - face.first_char + 1;
  return static_cast<std::uint16_t>(std::min<std::uint32_t>(count, 1024));
}

std::uint32_t XLCharacterBlocks(std::uint32_t count) {
  return count < 256 ? 1 : (count + 255) / 256 + 1;
}

// ---------------------------------------------------------------------------------------------
// TrueType font header

XLTrueTypeHeader::~XLTrueTypeHeader() {
  Release();
}

void XLTrueTypeHeader::Release() {
  for (Table& table : tables_) {
    delete table.block;
    table = Table{};
  }
}

bool XLTrueTypeHeader::Prepare(GTTFontSource& source, const GFontFaceRecord& face) {
  Release();
  if (source.GetTableSize(tt::kHhea) == 0 || source.GetTableSize(tt::kHmtx) == 0 ||
      source.GetNumGlyphs(num_glyphs_) == 0) {
    return false;
  }
  vertical_ = face.vertical == 1;
  if (vertical_ && source.GetTypoDescender(descender_) == 0) {
    return false;
  }
  vertical_glyphs_ =
      vertical_ && source.GetTableSize(tt::kVhea) != 0 && source.GetTableSize(tt::kVmtx) != 0;
  static constexpr std::uint32_t kOrder[5] = {tt::kCvt, tt::kFpgm, tt::kHead, tt::kMaxp, tt::kPrep};
  num_tables_ = 1;  // 'gdir'
  gt_size_ = 0;
  for (int i = 0; i < 5; ++i) {
    Table& table = tables_[i];
    table.tag = tt::TableTag(kOrder[i]);
    GMemoryBlock* block = nullptr;
    const std::uint32_t size = source.GetTable(kOrder[i], true, block);
    if (block == nullptr || size == 0 || block->GetData() == nullptr) {
      delete block;
      if (kOrder[i] == tt::kHead || kOrder[i] == tt::kMaxp) {
        Release();
        return false;
      }
      continue;
    }
    table.block = block;
    table.size = std::min(size, block->GetSize());
    table.padded = Padded(table.size);
    gt_size_ += table.padded;
    ++num_tables_;
  }
  gt_size_ += 12 + 16u * num_tables_;
  num_chars_ = XLCharacterCount(face);
  return true;
}

std::uint32_t XLTrueTypeHeader::MemoryNeed() const {
  return gt_size_ + ResidentBytes() + 32;
}

std::uint32_t XLTrueTypeHeader::ResidentBytes() const {
  const std::uint32_t n = 256 * XLCharacterBlocks(num_chars_) + num_glyphs_;
  return 4 * n + 1674;
}

std::uint32_t XLTrueTypeHeader::Write(XLStream* stream,
                                      const RWCString& name,
                                      std::uint16_t symbol_set,
                                      std::uint32_t font_code,
                                      std::uint32_t text_code) const {
  XLBeginFontHeader(stream, reinterpret_cast<const std::uint8_t*>(name.Data()),
                    static_cast<std::uint32_t>(name.Length()), 0);
  Item descriptor;
  descriptor.U8(0).U8(0).U16(symbol_set).U8(kScalingTrueType).U8(0).U16(num_chars_);
  WriteItem(stream, descriptor);

  Item gt;
  gt.U16(kSegmentGT).U32(gt_size_);
  WriteItem(stream, gt);
  std::uint16_t power = 1;
  std::uint16_t selector = 0;
  while (power * 2 <= num_tables_) {
    power = static_cast<std::uint16_t>(power * 2);
    ++selector;
  }
  Item offsets;
  offsets.U32(0x00010000)
      .U16(num_tables_)
      .U16(static_cast<std::uint16_t>(16 * power))
      .U16(selector)
      .U16(static_cast<std::uint16_t>(16 * num_tables_ - 16 * power));
  WriteItem(stream, offsets);

  // The directory: 'cvt ', 'fpgm', 'gdir', 'head', 'maxp', 'prep'; the data in the same order
  // without 'gdir', which takes no space.
  Item directory;
  std::uint32_t offset = 12 + 16u * num_tables_;
  for (int i = 0; i < 5; ++i) {
    if (i == 2) {
      directory.U32(tt::Tag("gdir")).U32(0).U32(0).U32(0);
    }
    const Table& table = tables_[i];
    if (table.block == nullptr) {
      continue;
    }
    directory.U32(table.tag).U32(0).U32(offset).U32(table.padded);
    offset += table.padded;
  }
  WriteItem(stream, directory);
  for (const Table& table : tables_) {
    if (table.block != nullptr) {
      WritePieces(stream, table.block->GetData(), table.size, table.padded - table.size);
    }
  }

  std::uint32_t total = 8 + gt_size_ + 6;
  const std::vector<std::uint16_t> galley = XLGalleyWords(font_code, text_code);
  if (!galley.empty()) {
    const Item item = Segment(kSegmentGC, galley);
    WriteItem(stream, item);
    total += static_cast<std::uint32_t>(item.Bytes().size());
  }
  if (vertical_) {
    const std::vector<std::uint16_t> ranges = XLVerticalExclusions(font_code, text_code);
    if (!ranges.empty()) {
      std::vector<std::uint16_t> words;
      words.reserve(ranges.size() + 1);
      words.push_back(static_cast<std::uint16_t>(ranges.size() / 2));
      words.insert(words.end(), ranges.begin(), ranges.end());
      const Item item = Segment(kSegmentVE, words);
      WriteItem(stream, item);
      total += static_cast<std::uint32_t>(item.Bytes().size());
    }
    const Item item = Segment(kSegmentVR, {0, static_cast<std::uint16_t>(descender_)});
    WriteItem(stream, item);
    total += static_cast<std::uint32_t>(item.Bytes().size());
  }
  Item null_segment;
  null_segment.U16(kSegmentNull).U32(0);
  WriteItem(stream, null_segment);
  XLEndFontHeader(stream);
  return total;
}

// ---------------------------------------------------------------------------------------------
// TrueType characters

namespace {

bool WriteGlyphAt(const XLGlyphDownload& download,
                  std::uint16_t glyph,
                  std::uint16_t code,
                  int depth,
                  std::uint32_t& bytes) {
  GMemoryBlock* block = nullptr;
  std::uint32_t size = download.source->GetGlyphData(true, glyph, block);
  const std::uint8_t* data = block != nullptr ? block->GetData() : nullptr;
  if (data == nullptr) {
    size = 0;  // unreadable or empty: sent as an empty glyph
  }
  const std::uint32_t header = download.vertical ? 12 : 10;
  if (size + kLargestCharHeader > kMaxCharRecord) {
    delete block;
    return false;
  }
  download.font->AddGlyph(kXLGlyphIdBase + glyph);

  // Components first, so that a composite never refers to a glyph the printer lacks.
  const tt::ByteView view(data, size);
  std::int16_t contours = 0;
  if (depth < tt::kMaxCompositeDepth && view.I16(0, contours) && contours < 0) {
    std::uint64_t at = 10;
    std::uint16_t flags = kMoreComponents;
    while ((flags & kMoreComponents) != 0) {
      std::uint16_t component = 0;
      if (!view.U16(at, flags) || !view.U16(at + 2, component)) {
        break;
      }
      std::uint64_t length = 4 + ((flags & kArgsAreWords) != 0 ? 4 : 2);
      if ((flags & kHaveTwoByTwo) != 0) {
        length += 8;
      } else if ((flags & kHaveXYScale) != 0) {
        length += 4;
      } else if ((flags & kHaveScale) != 0) {
        length += 2;
      }
      if (!view.Has(at, length)) {
        break;
      }
      at += length;
      if (component < download.num_glyphs && !download.font->HasGlyph(kXLGlyphIdBase + component)) {
        (void)WriteGlyphAt(download, component, kXLNoCharCode, depth + 1, bytes);
      }
    }
  }

  std::uint16_t advance = 0;
  std::int16_t left_bearing = 0;
  if (download.source->GetHMetrics(glyph, advance, left_bearing) == 0) {
    advance = 0;
    left_bearing = 0;
  }
  std::uint16_t vertical_advance = 0;
  std::int16_t top_bearing = 0;
  if (download.vertical &&
      download.source->GetVMetrics(glyph, vertical_advance, top_bearing) == 0) {
    top_bearing = 0;
  }
  XLStream* stream = download.stream;
  XLReadChar(stream, code, size + header);
  XLDataLength(stream, size + header);
  XLRawByte(stream, 1);
  XLRawByte(stream, download.vertical ? 2 : 1);
  XLRawUInt16BE(stream, static_cast<std::uint16_t>(size + header - 2));
  XLRawUInt16BE(stream, static_cast<std::uint16_t>(left_bearing));
  XLRawUInt16BE(stream, advance);
  if (download.vertical) {
    XLRawUInt16BE(stream, static_cast<std::uint16_t>(top_bearing));
  }
  XLRawUInt16BE(stream, glyph);
  if (size != 0) {
    XLRawBytes(stream, data, size);
  }
  delete block;
  bytes += size + header;
  return true;
}

}  // namespace

bool XLWriteTrueTypeGlyph(const XLGlyphDownload& download,
                          std::uint16_t glyph,
                          std::uint16_t code,
                          std::uint32_t& bytes) {
  return WriteGlyphAt(download, glyph, code, 0, bytes);
}

// ---------------------------------------------------------------------------------------------
// Bitmap fonts

std::uint32_t XLWriteBitmapHeader(XLStream* stream,
                                  const RWCString& name,
                                  std::uint16_t symbol_set,
                                  std::uint16_t num_chars,
                                  std::uint16_t resolution_x,
                                  std::uint16_t resolution_y) {
  XLBeginFontHeader(stream, reinterpret_cast<const std::uint8_t*>(name.Data()),
                    static_cast<std::uint32_t>(name.Length()), 0);
  Item descriptor;
  descriptor.U8(0).U8(0).U16(symbol_set).U8(kScalingBitmap).U8(0).U16(num_chars);
  WriteItem(stream, descriptor);
  Item resolution;
  resolution.U16(kSegmentBR).U32(4).U16(resolution_x).U16(resolution_y);
  WriteItem(stream, resolution);
  Item null_segment;
  null_segment.U16(kSegmentNull).U32(0);
  WriteItem(stream, null_segment);
  XLEndFontHeader(stream);
  return 24;
}

std::uint32_t XLWriteBitmapChar(XLStream* stream, std::uint16_t code, const GGlyphBitmap& bitmap) {
  if (bitmap.width < 0 || bitmap.height < 0 || bitmap.width > 0xFFFF || bitmap.height > 0xFFFF) {
    return 0;
  }
  const auto row = static_cast<std::uint32_t>((bitmap.width + 7) / 8);
  const std::uint64_t rows_size = std::uint64_t{row} * static_cast<std::uint32_t>(bitmap.height);
  if (rows_size + 10 > 0xFFFFFFFFu || bitmap.pitch < 0 ||
      static_cast<std::uint32_t>(bitmap.pitch) < row ||
      (bitmap.height > 0 &&
       bitmap.bits.size() < std::uint64_t{static_cast<std::uint32_t>(bitmap.pitch)} *
                                    static_cast<std::uint32_t>(bitmap.height - 1) +
                                row)) {
    return 0;
  }
  const auto size = static_cast<std::uint32_t>(rows_size + 10);
  XLReadChar(stream, code, size);
  XLDataLength(stream, size);
  XLRawByte(stream, 0);
  XLRawByte(stream, 0);
  XLRawUInt16BE(stream, static_cast<std::uint16_t>(static_cast<std::int16_t>(bitmap.left)));
  XLRawUInt16BE(stream, static_cast<std::uint16_t>(static_cast<std::int16_t>(bitmap.top)));
  XLRawUInt16BE(stream, static_cast<std::uint16_t>(bitmap.width));
  XLRawUInt16BE(stream, static_cast<std::uint16_t>(bitmap.height));
  for (std::int32_t y = 0; y < bitmap.height; ++y) {
    XLRawBytes(stream, bitmap.bits.data() + static_cast<std::size_t>(y) * bitmap.pitch, row);
  }
  return size;
}

}  // namespace vel
