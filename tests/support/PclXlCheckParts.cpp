// Font headers, characters and scan lines as the PCL XL job checker reads them, written from
// their layouts (big-endian font data, little-endian scan-line records).
#include "tests/support/PclXlCheckParts.h"

#include <cstdio>
#include <set>

namespace vel::test {

namespace {

constexpr std::uint16_t kSegmentGT = 0x4754;  // TrueType tables
constexpr std::uint16_t kSegmentGC = 0x4743;  // galley characters
constexpr std::uint16_t kSegmentVE = 0x5645;  // vertical exclusion ranges
constexpr std::uint16_t kSegmentVR = 0x5652;  // vertical rotation
constexpr std::uint16_t kSegmentBR = 0x4252;  // bitmap resolution
constexpr std::uint16_t kSegmentNull = 0xFFFF;

constexpr std::uint8_t kScalingTrueType = 1;
constexpr std::uint8_t kScalingBitmap = 254;

std::uint16_t Be16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}

std::uint32_t Be32(const Bytes& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

std::string SegmentName(std::uint16_t id) {
  if (id >= 0x2020 && id < 0x7F7F && (id >> 8) >= 0x20 && (id & 0xFF) >= 0x20) {
    return std::string("'") + static_cast<char>(id >> 8) + static_cast<char>(id & 0xFF) + "'";
  }
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", id);
  return text;
}

std::string Tag(const Bytes& b, std::size_t at) {
  std::string tag;
  for (std::size_t i = 0; i < 4; ++i) {
    const char c = static_cast<char>(b[at + i]);
    tag += (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  return tag;
}

// 'GT': an sfnt offset table and directory whose entries lie inside the segment.
//   OFFSET SIZE  FIELD
//   0      4     version
//   4      2     numTables n
//   6      2     searchRange = 16 x (largest power of 2 <= n)
//   8      2     entrySelector = log2 of that power
//   10     2     rangeShift = 16 x n - searchRange
//   12     16n   entries: tag, checksum, offset (from byte 0 here), length
void CheckTrueTypeSegment(const Bytes& s, std::vector<std::string>* problems) {
  if (s.size() < 12) {
    problems->push_back("'GT' segment of " + std::to_string(s.size()) +
                        " bytes has no room for the offset table");
    return;
  }
  const unsigned tables = Be16(s, 4);
  if (tables == 0) {
    problems->push_back("'GT' offset table lists no tables");
    return;
  }
  unsigned power = 1;
  unsigned selector = 0;
  while (power * 2 <= tables) {
    power *= 2;
    ++selector;
  }
  if (Be16(s, 6) != 16 * power || Be16(s, 8) != selector ||
      Be16(s, 10) != 16 * tables - 16 * power) {
    problems->push_back("'GT' searchRange, entrySelector, rangeShift (" +
                        std::to_string(Be16(s, 6)) + ", " + std::to_string(Be16(s, 8)) + ", " +
                        std::to_string(Be16(s, 10)) + ") do not fit numTables " +
                        std::to_string(tables));
  }
  const std::size_t directory_end = 12 + std::size_t{16} * tables;
  if (directory_end > s.size()) {
    problems->push_back("'GT' directory of " + std::to_string(tables) +
                        " entries runs past the segment");
    return;
  }
  std::set<std::string> tags;
  for (unsigned i = 0; i < tables; ++i) {
    const std::size_t entry = 12 + std::size_t{16} * i;
    const std::string tag = Tag(s, entry);
    const std::uint64_t offset = Be32(s, entry + 8);
    const std::uint64_t length = Be32(s, entry + 12);
    if (!tags.insert(tag).second) {
      problems->push_back("'GT' directory lists '" + tag + "' twice");
    }
    if (length > 0 && (offset < directory_end || offset + length > s.size())) {
      problems->push_back("'GT' table '" + tag + "' at " + std::to_string(offset) + " of " +
                          std::to_string(length) + " bytes lies outside the segment's data");
    }
  }
  for (const char* needed : {"head", "maxp", "gdir"}) {
    if (tags.count(needed) == 0) {
      problems->push_back(std::string("'GT' directory has no '") + needed + "' table");
    }
  }
}

void CheckSegment(std::uint16_t id, const Bytes& s, std::vector<std::string>* problems) {
  switch (id) {
    case kSegmentGT:
      CheckTrueTypeSegment(s, problems);
      return;
    case kSegmentGC:
      // Format, default character, region count, then 6 bytes a region.
      if (s.size() < 6 || s.size() != 6 + std::size_t{6} * Be16(s, 4)) {
        problems->push_back("'GC' segment of " + std::to_string(s.size()) +
                            " bytes is not 6 + 6 x its region count");
      } else if (Be16(s, 0) != 0) {
        problems->push_back("'GC' segment format " + std::to_string(Be16(s, 0)) + " is not 0");
      }
      return;
    case kSegmentVE:
      // Range count, then first and last of each range.
      if (s.size() < 2 || s.size() != 2 + std::size_t{4} * Be16(s, 0)) {
        problems->push_back("'VE' segment of " + std::to_string(s.size()) +
                            " bytes is not 2 + 4 x its range count");
      }
      return;
    case kSegmentVR:
    case kSegmentBR:
      if (s.size() != 4) {
        problems->push_back(SegmentName(id) + " segment of " + std::to_string(s.size()) +
                            " bytes is not 4 bytes");
      }
      return;
    default:
      problems->push_back("unknown segment " + SegmentName(id));
  }
}

}  // namespace

// Font header:
//   OFFSET SIZE  FIELD (big-endian)
//   0      1     format (0)
//   1      1     orientation (0)
//   2      2     mapping (symbol set)
//   4      1     font scaling technology: 1 TrueType, 254 bitmap
//   5      1     variety (0)
//   6      2     number of characters (>= 1)
//   8      ...   segments: 2-byte id, 4-byte size, data; the last is the null segment FF FF 0 0 0 0
std::vector<std::string> ParseXlFontHeader(XlFont* font) {
  std::vector<std::string> problems;
  const Bytes& h = font->header;
  if (h.size() < 8) {
    problems.push_back("font header of " + std::to_string(h.size()) +
                       " bytes has no 8-byte descriptor");
    return problems;
  }
  font->format = h[0];
  font->orientation = h[1];
  font->mapping = Be16(h, 2);
  font->scaling = h[4];
  font->variety = h[5];
  font->num_chars = Be16(h, 6);
  if (font->format != 0) {
    problems.push_back("descriptor format " + std::to_string(font->format) + " is not 0");
  }
  if (font->orientation != 0) {
    problems.push_back("descriptor orientation " + std::to_string(font->orientation) + " is not 0");
  }
  if (font->scaling != kScalingTrueType && font->scaling != kScalingBitmap) {
    problems.push_back("descriptor scaling technology " + std::to_string(font->scaling) +
                       " is not 1 (TrueType) or 254 (bitmap)");
  }
  if (font->variety != 0) {
    problems.push_back("descriptor variety " + std::to_string(font->variety) + " is not 0");
  }
  if (font->num_chars == 0) {
    problems.push_back("descriptor declares no characters");
  }

  std::size_t pos = 8;
  bool ended = false;
  std::set<std::uint16_t> seen;
  while (pos < h.size()) {
    if (h.size() - pos < 6) {
      problems.push_back("segment header at header byte " + std::to_string(pos) + " is cut short");
      return problems;
    }
    const std::uint16_t id = Be16(h, pos);
    const std::uint32_t size = Be32(h, pos + 2);
    if (size > h.size() - pos - 6) {
      problems.push_back(SegmentName(id) + " segment of " + std::to_string(size) +
                         " bytes runs past the header");
      return problems;
    }
    if (id == kSegmentNull) {
      if (size != 0) {
        problems.push_back("null segment has size " + std::to_string(size));
      }
      if (pos + 6 + size != h.size()) {
        problems.push_back("bytes follow the null segment");
      }
      ended = true;
      break;
    }
    XlFontSegment segment;
    segment.id = id;
    segment.data.assign(h.begin() + static_cast<std::ptrdiff_t>(pos + 6),
                        h.begin() + static_cast<std::ptrdiff_t>(pos + 6 + size));
    if (!seen.insert(id).second) {
      problems.push_back(SegmentName(id) + " segment sent twice");
    }
    CheckSegment(id, segment.data, &problems);
    font->segments.push_back(std::move(segment));
    pos += 6 + size;
  }
  if (!ended) {
    problems.push_back("font header does not end with the null segment FF FF 00 00 00 00");
  }
  if (font->scaling == kScalingTrueType && seen.count(kSegmentGT) == 0) {
    problems.push_back("TrueType font (scaling 1) without a 'GT' segment");
  }
  if (font->scaling == kScalingBitmap && seen.count(kSegmentBR) == 0) {
    problems.push_back("bitmap font (scaling 254) without a 'BR' segment");
  }
  return problems;
}

// TrueType character (format 1), big-endian:
//   OFFSET SIZE  FIELD
//   0      1     format (1)
//   1      1     class: 1, or 2 with a top side bearing
//   2      2     remaining size = data length - 2
//   4      2     left side bearing
//   6      2     advance width
//   8      2     top side bearing (class 2 only)
//   8/10   2     glyph id
//   10/12  ...   glyph data
// Bitmap character (format 0):
//   0 format (0), 1 class (0), 2 left offset, 4 top offset, 6 width, 8 height, 10 rows of
//   ceil(width / 8) bytes each
std::vector<std::string> ParseXlFontChar(const XlFont& font, XlFontChar* ch) {
  std::vector<std::string> problems;
  const Bytes& d = ch->data;
  if (d.size() < 2) {
    problems.push_back("character data of " + std::to_string(d.size()) + " bytes has no header");
    return problems;
  }
  ch->format = d[0];
  ch->char_class = d[1];
  if (font.scaling == kScalingTrueType) {
    if (ch->format != 1) {
      problems.push_back("TrueType character format " + std::to_string(ch->format) + " is not 1");
      return problems;
    }
    if (ch->char_class != 1 && ch->char_class != 2) {
      problems.push_back("TrueType character class " + std::to_string(ch->char_class) +
                         " is not 1 or 2");
      return problems;
    }
    const std::size_t header = ch->char_class == 1 ? 10 : 12;
    if (d.size() < header) {
      problems.push_back("TrueType character of " + std::to_string(d.size()) +
                         " bytes is shorter than its " + std::to_string(header) + "-byte header");
      return problems;
    }
    if (Be16(d, 2) != d.size() - 2) {
      problems.push_back("TrueType character size field " + std::to_string(Be16(d, 2)) +
                         " is not the data length - 2 (" + std::to_string(d.size() - 2) + ")");
    }
    ch->left_side_bearing = static_cast<std::int16_t>(Be16(d, 4));
    ch->advance_width = Be16(d, 6);
    if (ch->char_class == 2) {
      ch->top_side_bearing = static_cast<std::int16_t>(Be16(d, 8));
    }
    ch->glyph_id = Be16(d, header - 2);
    ch->glyph.assign(d.begin() + static_cast<std::ptrdiff_t>(header), d.end());
  } else if (font.scaling == kScalingBitmap) {
    if (ch->format != 0 || ch->char_class != 0) {
      problems.push_back("bitmap character format " + std::to_string(ch->format) + " class " +
                         std::to_string(ch->char_class) + " is not format 0 class 0");
      return problems;
    }
    if (d.size() < 10) {
      problems.push_back("bitmap character of " + std::to_string(d.size()) +
                         " bytes is shorter than its 10-byte header");
      return problems;
    }
    ch->left_offset = static_cast<std::int16_t>(Be16(d, 2));
    ch->top_offset = static_cast<std::int16_t>(Be16(d, 4));
    ch->width = Be16(d, 6);
    ch->height = Be16(d, 8);
    const std::size_t rows = std::size_t{ch->height} * ((std::size_t{ch->width} + 7) / 8);
    if (d.size() != 10 + rows) {
      problems.push_back("bitmap character of " + std::to_string(ch->width) + " x " +
                         std::to_string(ch->height) + " needs " + std::to_string(10 + rows) +
                         " bytes, not " + std::to_string(d.size()));
    }
    ch->glyph.assign(d.begin() + 10, d.end());
  }
  return problems;
}

// ScanLineRel data: the byte 3, then records, little-endian:
//   SIZE  FIELD
//   2     second coordinate
//   2     first coordinate
//   2     pair count n
//   1     pair type: 0 values as bytes, 2 values as uint16
//   2n/4n the values (gap before a run, run length)
std::vector<std::string> ParseXlScanLines(const Bytes& data, long* records) {
  std::vector<std::string> problems;
  *records = 0;
  if (data.empty() || data[0] != 3) {
    problems.push_back("scan-line data does not start with the byte 3");
    return problems;
  }
  std::size_t pos = 1;
  while (pos < data.size()) {
    if (data.size() - pos < 7) {
      problems.push_back("scan-line record " + std::to_string(*records) + " is cut short");
      return problems;
    }
    const std::size_t pairs = data[pos + 4] | (data[pos + 5] << 8);
    const std::uint8_t type = data[pos + 6];
    if (type != 0 && type != 2) {
      problems.push_back("scan-line record " + std::to_string(*records) + " has pair type " +
                         std::to_string(type));
      return problems;
    }
    const std::size_t values = 2 * pairs * (type == 0 ? 1 : 2);
    if (data.size() - pos - 7 < values) {
      problems.push_back("scan-line record " + std::to_string(*records) + " of " +
                         std::to_string(pairs) + " pairs runs past the data");
      return problems;
    }
    pos += 7 + values;
    ++*records;
  }
  return problems;
}

}  // namespace vel::test
