// The project's one builder of sfnt font files for tests: a font file from tables given by the
// test, and a collection from several faces; and on it a small test font with known metrics.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vel::test {

// Big-endian bytes, as every sfnt table stores its fields.
class SfntWriter {
 public:
  SfntWriter& U8(std::uint8_t value);
  SfntWriter& U16(std::uint16_t value);
  SfntWriter& I16(std::int16_t value) { return U16(static_cast<std::uint16_t>(value)); }
  SfntWriter& U32(std::uint32_t value);
  SfntWriter& Tag(const char* tag);  // four characters
  SfntWriter& Bytes(const std::vector<std::uint8_t>& bytes);
  SfntWriter& Zeros(std::size_t count);
  std::vector<std::uint8_t>& Data() { return data_; }

 private:
  std::vector<std::uint8_t> data_;
};

struct SfntTable {
  std::string tag;  // four characters
  std::vector<std::uint8_t> data;
};

// The checksum of a table: the sum of its big-endian 32-bit words, the last one padded with zeros.
std::uint32_t SfntChecksum(const std::vector<std::uint8_t>& data);

// A font file: the offset table (sfnt version, table count and the three binary-search fields),
// the table directory sorted by tag with each table's checksum, offset and length, then the tables,
// each padded to 4 bytes. A 'head' table gets its checksum adjustment.
std::vector<std::uint8_t> BuildSfnt(std::vector<SfntTable> tables,
                                    std::uint32_t version = 0x00010000);
// A collection ('ttcf' version 1.0) of whole faces, each with its own tables.
std::vector<std::uint8_t> BuildCollection(const std::vector<std::vector<SfntTable>>& faces);

// The test font: four glyphs (.notdef, a 1024-unit square mapped from 'A', a triangle mapped from
// 'B', an empty space), the ten tables 'cmap', 'glyf', 'head', 'hhea', 'hmtx', 'loca',
// 'maxp', 'name', 'post' and 'OS/2', and the metrics below.
struct TestFontOptions {
  std::u16string family = u"Vel Test";
  std::u16string subfamily = u"Regular";
  std::u16string full_name = u"Vel Test Regular";
  std::uint16_t weight = 400;
  std::uint16_t fs_selection = 0x40;           // regular
  std::uint32_t code_pages = 0x00000001 | 0x00000002;  // Latin 1, Latin 2
  bool symbol = false;  // a symbol character map (platform 3, encoding 0) at 0xF020...
  bool fixed_pitch = false;
  bool long_loca = false;  // 'loca' of 32-bit offsets (indexToLocFormat 1)
};

namespace test_font {
inline constexpr int kUnitsPerEm = 2048;
inline constexpr int kAscender = 1638;  // 'hhea'
inline constexpr int kDescender = -410;
inline constexpr int kLineGap = 67;
inline constexpr int kWinAscent = 1900;  // 'OS/2'
inline constexpr int kWinDescent = 500;
inline constexpr int kTypoAscender = 1556;
inline constexpr int kTypoDescender = -492;
inline constexpr int kTypoLineGap = 410;
inline constexpr int kStrikeoutSize = 102;
inline constexpr int kStrikeoutPosition = 530;
inline constexpr int kUnderlinePosition = -217;  // 'post'
inline constexpr int kUnderlineThickness = 150;
inline constexpr int kAdvance = 1229;  // every glyph's advance
inline constexpr int kSquare = 1024;   // the side of glyph 1
inline constexpr int kGlyphs = 4;
}  // namespace test_font

std::vector<SfntTable> TestFontTables(const TestFontOptions& options = {});
std::vector<std::uint8_t> MakeTestFont(const TestFontOptions& options = {});
// Three faces, "Vel Test A", "Vel Test B" (weight 700, bold) and "Vel Test C" (italic).
std::vector<std::uint8_t> MakeTestCollection();

// --- Tables for synthetic fonts ----------------------------------------------------------

// Replaces the table of that tag (or adds it).
void SetTable(std::vector<SfntTable>& tables, const std::string& tag,
              std::vector<std::uint8_t> data);
// Removes the table of that tag.
void RemoveTable(std::vector<SfntTable>& tables, const std::string& tag);
// The bytes of the table of that tag (empty when absent).
std::vector<std::uint8_t>& TableOf(std::vector<SfntTable>& tables, const std::string& tag);

// A simple glyph: one contour of on-curve points, 16-bit coordinates.
std::vector<std::uint8_t> SimpleGlyph(const std::vector<std::pair<int, int>>& points);
// A composite glyph. Each component gives its flags (MORE_COMPONENTS is set for all but the last)
// and its glyph; its arguments and transform are written as the flags ask (words or bytes; a
// scale, an x and y scale, or a 2 by 2 matrix), with small values.
struct GlyphComponent {
  std::uint16_t flags;
  std::uint16_t glyph;
};
std::vector<std::uint8_t> CompositeGlyph(const std::vector<GlyphComponent>& components);
// 'glyf' and 'loca' of the glyphs, with 16-bit (halved) or 32-bit offsets. Each glyph is padded
// to an even length.
std::pair<std::vector<std::uint8_t>, std::vector<std::uint8_t>> GlyfAndLoca(
    const std::vector<std::vector<std::uint8_t>>& glyphs, bool long_offsets);

// A 'cmap' of subtables, in the order given.
struct CmapSubtable {
  std::uint16_t platform;
  std::uint16_t encoding;
  std::vector<std::uint8_t> data;
};
std::vector<std::uint8_t> CmapOf(const std::vector<CmapSubtable>& subtables);
// A format-4 subtable mapping each code to its glyph. With `range_offsets` every segment maps
// through the glyph array (idRangeOffset not 0); else through idDelta alone. The 0xFFFF segment
// is added.
std::vector<std::uint8_t> CmapFormat4(const std::vector<std::pair<std::uint16_t, std::uint16_t>>& map,
                                      bool range_offsets);
// A format-2 subtable: codes below 256 are single bytes; larger codes are two bytes (lead byte,
// trail byte), each lead byte with a subheader of its own.
std::vector<std::uint8_t> CmapFormat2(const std::vector<std::pair<std::uint16_t, std::uint16_t>>& map);

// A 'mort' table of the one shape the reader accepts: a noncontextual glyph substitution with
// these (glyph, substitute) units.
std::vector<std::uint8_t> MortVertical(const std::vector<std::pair<std::uint16_t, std::uint16_t>>& units);
// A 'GSUB' table with one 'vert' feature and one single-substitution lookup of the given
// substitution format (1: one delta for all pairs, taken from the first; 2: a glyph array) and
// coverage format (1: a glyph list; 2: one range per glyph).
std::vector<std::uint8_t> GsubVertical(int substitution_format, int coverage_format,
                                       const std::vector<std::pair<std::uint16_t, std::uint16_t>>& pairs);

}  // namespace vel::test
