// The bytes of a PCL XL font download: the TrueType font header with its embedded sfnt tables, the
// TrueType and bitmap character records, the bitmap font header, and the symbol sets and galley
// tables they use. The PCL XL back end decides what to send and when; this unit only writes it.
//
// TrueType font header (each item in ReadFontHeader pieces of at most 65,535 bytes):
//   descriptor    8 bytes: format 0, orientation 0, mapping (symbol set, u16), scaling 1
//                 (TrueType), variety 0, number of characters (u16)
//   "GT"          u32 size = 12 + 16 x numTables + the padded tables
//     offset table  version 0x00010000, numTables, searchRange, entrySelector, rangeShift
//     directory     16 bytes an entry: tag, checksum 0, offset (from the offset table), padded
//                   length; 'cvt ', 'fpgm', 'gdir' (0, 0), 'head', 'maxp', 'prep'
//     tables        'cvt ', 'fpgm', 'head', 'maxp', 'prep', each padded with zeros to 4 bytes
//   "GC"          galley characters: format 0, default 0xFFFF, regions (first, last, character)
//   "VE"          vertical exclusions (vertical fonts): count, then first/last pairs
//   "VR"          vertical rotation (vertical fonts): format 0, the typographic descender
//   0xFFFF        the null segment, size 0
// Every number big-endian. 'cvt ', 'fpgm' and 'prep' appear only when the font has them.
//
// TrueType character (ReadChar data), class 1 horizontal or class 2 vertical:
//   u8 format 1, u8 class, u16 size of what follows, i16 left side bearing, u16 advance width,
//   [i16 top side bearing,] u16 glyph id, then the glyph's 'glyf' bytes.
// Bitmap character: u8 format 0, u8 class 0, i16 left offset, i16 top offset, u16 width,
//   u16 height, then the rows, (width + 7) / 8 bytes each.
#pragma once

#include <cstdint>
#include <vector>

#include "rw/RWCString.h"

class GDownloadedFont;
class GMemoryBlock;
class GTTFontSource;
struct GFontFaceRecord;
struct GGlyphBitmap;
struct XLStream;

namespace vel {

// The PCL XL symbol set of a framework character-set code (0 for a code without one).
std::uint16_t XLSymbolSetOf(std::uint32_t code);

// The galley-character segment's words (format, default, then first/last/character triples) for
// a font of code `font_code` printing text of code `text_code`; empty when none is written.
std::vector<std::uint16_t> XLGalleyWords(std::uint32_t font_code, std::uint32_t text_code);
// The vertical exclusion ranges (first, last pairs) of a vertical font; empty when none.
std::vector<std::uint16_t> XLVerticalExclusions(std::uint32_t font_code, std::uint32_t text_code);

// min(last - first + 1, 1024) of the face's character range (0 for an empty range).
std::uint16_t XLCharacterCount(const GFontFaceRecord& face);
// The blocks of 256 characters a font of `count` characters takes: 1 below 256, else
// (count + 255) / 256 + 1.
std::uint32_t XLCharacterBlocks(std::uint32_t count);

// Characters the glyph-download records give a glyph's code and the header of a vertical font.
inline constexpr std::uint16_t kXLNoCharCode = 0xFFFF;
// Glyph ids are kept in a downloaded font's glyph set above the printer codes.
inline constexpr std::uint32_t kXLGlyphIdBase = 0x10000;

// A TrueType font header: what the font gives, read before anything is written.
class XLTrueTypeHeader {
 public:
  XLTrueTypeHeader() = default;
  XLTrueTypeHeader(const XLTrueTypeHeader&) = delete;
  XLTrueTypeHeader& operator=(const XLTrueTypeHeader&) = delete;
  ~XLTrueTypeHeader();

  // Reads the tables and values the header needs. False (nothing to write) when 'head', 'maxp',
  // 'hhea' or 'hmtx' is empty or unreadable, when the glyph count cannot be read, or for a
  // vertical face whose typographic descender cannot be read.
  bool Prepare(GTTFontSource& source, const GFontFaceRecord& face);

  // The 'GT' segment's size (without its id and size field).
  std::uint32_t GtSize() const { return gt_size_; }
  std::uint16_t NumChars() const { return num_chars_; }
  std::uint16_t NumGlyphs() const { return num_glyphs_; }
  // Whether the face is vertical and the font has 'vhea' and 'vmtx' (its glyphs are class 2).
  bool VerticalGlyphs() const { return vertical_glyphs_; }
  // Printer memory the header needs: the 'GT' size + 4 x n + 1706, n = 256 x blocks + glyphs.
  std::uint32_t MemoryNeed() const;
  // What the printer keeps besides the header's bytes: 4 x n + 1674.
  std::uint32_t ResidentBytes() const;

  // Writes BeginFontHeader, the header in ReadFontHeader pieces, EndFontHeader. Answers the
  // header's byte total as the printer counts it: 8 + the 'GT' size + each further segment's
  // bytes + 6.
  std::uint32_t Write(XLStream* stream,
                      const RWCString& name,
                      std::uint16_t symbol_set,
                      std::uint32_t font_code,
                      std::uint32_t text_code) const;

 private:
  struct Table {
    std::uint32_t tag;
    GMemoryBlock* block = nullptr;
    std::uint32_t size = 0;
    std::uint32_t padded = 0;
  };
  void Release();

  // 'cvt ', 'fpgm', 'head', 'maxp', 'prep' in the order of their data.
  Table tables_[5] = {};
  std::uint32_t gt_size_ = 0;
  std::uint16_t num_tables_ = 0;
  std::uint16_t num_chars_ = 0;
  std::uint16_t num_glyphs_ = 0;
  bool vertical_ = false;
  bool vertical_glyphs_ = false;
  std::int16_t descender_ = 0;
};

// One TrueType glyph as ReadChar records: the glyph under `code`, then each component not yet in
// the font's glyph set under code 0xFFFF (components before the glyph that uses them). Every
// glyph sent is marked in the glyph set (id + 0x10000). Components are walked while their
// records lie inside the glyph's data, 16 levels deep at most; ids at or above `num_glyphs` are
// passed over. A glyph whose metrics cannot be read is sent with bearings and advance 0; one
// whose data cannot be read as an empty glyph. Answers the bytes written.
struct XLGlyphDownload {
  XLStream* stream;
  GTTFontSource* source;
  GDownloadedFont* font;
  std::uint16_t num_glyphs;
  bool vertical;  // class 2 characters with the top side bearing
};
// False, with nothing written or marked, for a glyph too large for a character record (its data
// + 12 above 65,535 bytes).
bool XLWriteTrueTypeGlyph(const XLGlyphDownload& download,
                          std::uint16_t glyph,
                          std::uint16_t code,
                          std::uint32_t& bytes);

// The bitmap font header: BeginFontHeader, the descriptor (scaling 254), the 'BR' segment with
// the resolution, the null segment, EndFontHeader. Answers the bytes of the three pieces (24).
std::uint32_t XLWriteBitmapHeader(XLStream* stream,
                                  const RWCString& name,
                                  std::uint16_t symbol_set,
                                  std::uint16_t num_chars,
                                  std::uint16_t resolution_x,
                                  std::uint16_t resolution_y);
// One bitmap character (ReadChar and its data); the bytes of the character data. A bitmap whose
// rows do not fit a character record (or whose bits are fewer than its rows need) sends nothing
// and answers 0.
std::uint32_t XLWriteBitmapChar(XLStream* stream, std::uint16_t code, const GGlyphBitmap& bitmap);

}  // namespace vel
