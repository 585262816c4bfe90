// The sfnt builder and the test font.
#include "tests/support/SfntBuilder.h"

#include <algorithm>
#include <map>

namespace vel::test {

SfntWriter& SfntWriter::U8(std::uint8_t value) {
  data_.push_back(value);
  return *this;
}

SfntWriter& SfntWriter::U16(std::uint16_t value) {
  data_.push_back(static_cast<std::uint8_t>(value >> 8));
  data_.push_back(static_cast<std::uint8_t>(value));
  return *this;
}

SfntWriter& SfntWriter::U32(std::uint32_t value) {
  U16(static_cast<std::uint16_t>(value >> 16));
  return U16(static_cast<std::uint16_t>(value));
}

SfntWriter& SfntWriter::Tag(const char* tag) {
  for (int i = 0; i < 4; ++i) {
    data_.push_back(static_cast<std::uint8_t>(tag[i]));
  }
  return *this;
}

SfntWriter& SfntWriter::Bytes(const std::vector<std::uint8_t>& bytes) {
  data_.insert(data_.end(), bytes.begin(), bytes.end());
  return *this;
}

SfntWriter& SfntWriter::Zeros(std::size_t count) {
  data_.insert(data_.end(), count, 0);
  return *this;
}

std::uint32_t SfntChecksum(const std::vector<std::uint8_t>& data) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < data.size(); i += 4) {
    std::uint32_t word = 0;
    for (std::size_t j = 0; j < 4; ++j) {
      word = word << 8 | (i + j < data.size() ? data[i + j] : 0);
    }
    sum += word;
  }
  return sum;
}

namespace {

// Writes one face (offset table, directory, tables) whose tables start at file offset
// `base` + the face's own header size.
std::vector<std::uint8_t> Face(std::vector<SfntTable> tables, std::uint32_t version,
                               std::size_t base) {
  std::sort(tables.begin(), tables.end(),
            [](const SfntTable& a, const SfntTable& b) { return a.tag < b.tag; });
  auto count = static_cast<std::uint16_t>(tables.size());
  std::uint16_t power = 1;
  std::uint16_t selector = 0;
  while (power * 2 <= count) {
    power = static_cast<std::uint16_t>(power * 2);
    ++selector;
  }
  SfntWriter out;
  out.U32(version).U16(count).U16(static_cast<std::uint16_t>(power * 16)).U16(selector);
  out.U16(static_cast<std::uint16_t>(count * 16 - power * 16));
  std::size_t offset = base + 12 + 16 * tables.size();
  for (SfntTable& table : tables) {
    out.Tag(table.tag.c_str()).U32(SfntChecksum(table.data));
    out.U32(static_cast<std::uint32_t>(offset)).U32(static_cast<std::uint32_t>(table.data.size()));
    offset += (table.data.size() + 3) & ~std::size_t{3};
  }
  for (SfntTable& table : tables) {
    out.Bytes(table.data);
    out.Zeros(((table.data.size() + 3) & ~std::size_t{3}) - table.data.size());
  }
  return out.Data();
}

}  // namespace

std::vector<std::uint8_t> BuildSfnt(std::vector<SfntTable> tables, std::uint32_t version) {
  std::vector<std::uint8_t> file = Face(tables, version, 0);
  // The head table's checksum adjustment makes the whole file sum to 0xB1B0AFBA.
  std::uint32_t adjustment = 0xB1B0AFBA - SfntChecksum(file);
  std::uint16_t count = static_cast<std::uint16_t>(file[4] << 8 | file[5]);
  for (std::uint16_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = file.data() + 12 + 16 * i;
    if (std::equal(entry, entry + 4, "head")) {
      std::size_t at = static_cast<std::size_t>(entry[8]) << 24 | entry[9] << 16 |
                       entry[10] << 8 | entry[11];
      if (at + 12 <= file.size()) {
        for (int b = 0; b < 4; ++b) {
          file[at + 8 + b] = static_cast<std::uint8_t>(adjustment >> (24 - 8 * b));
        }
      }
    }
  }
  return file;
}

std::vector<std::uint8_t> BuildCollection(const std::vector<std::vector<SfntTable>>& faces) {
  SfntWriter header;
  header.Tag("ttcf").U32(0x00010000).U32(static_cast<std::uint32_t>(faces.size()));
  std::size_t offset = 12 + 4 * faces.size();
  std::vector<std::vector<std::uint8_t>> built;
  for (const auto& face : faces) {
    built.push_back(Face(face, 0x00010000, offset));
    header.U32(static_cast<std::uint32_t>(offset));
    offset += built.back().size();
  }
  std::vector<std::uint8_t> file = header.Data();
  for (const auto& face : built) {
    file.insert(file.end(), face.begin(), face.end());
  }
  return file;
}

namespace {

using namespace test_font;

struct Point {
  int x;
  int y;
};

// A simple glyph of one contour of on-curve points, with 16-bit coordinates.
std::vector<std::uint8_t> Glyph(const std::vector<Point>& points) {
  SfntWriter out;
  int x_min = points[0].x, x_max = x_min, y_min = points[0].y, y_max = y_min;
  for (const Point& p : points) {
    x_min = std::min(x_min, p.x);
    x_max = std::max(x_max, p.x);
    y_min = std::min(y_min, p.y);
    y_max = std::max(y_max, p.y);
  }
  out.I16(1).I16(static_cast<std::int16_t>(x_min)).I16(static_cast<std::int16_t>(y_min));
  out.I16(static_cast<std::int16_t>(x_max)).I16(static_cast<std::int16_t>(y_max));
  out.U16(static_cast<std::uint16_t>(points.size() - 1)).U16(0);  // end point, no instructions
  for (std::size_t i = 0; i < points.size(); ++i) {
    out.U8(0x01);  // on curve, 16-bit deltas
  }
  int last = 0;
  for (const Point& p : points) {
    out.I16(static_cast<std::int16_t>(p.x - last));
    last = p.x;
  }
  last = 0;
  for (const Point& p : points) {
    out.I16(static_cast<std::int16_t>(p.y - last));
    last = p.y;
  }
  if (out.Data().size() % 2 != 0) {
    out.U8(0);
  }
  return out.Data();
}

std::vector<std::uint8_t> NameTable(const TestFontOptions& options) {
  struct Entry {
    std::uint16_t id;
    const std::u16string* text;
  };
  std::u16string unique = u"Vel:" + options.full_name;
  const Entry entries[] = {{1, &options.family}, {2, &options.subfamily}, {3, &unique},
                           {4, &options.full_name}};
  SfntWriter out;
  out.U16(0).U16(4).U16(6 + 12 * 4);
  std::uint16_t offset = 0;
  for (const Entry& entry : entries) {
    auto length = static_cast<std::uint16_t>(entry.text->size() * 2);
    out.U16(3).U16(1).U16(0x409).U16(entry.id).U16(length).U16(offset);
    offset = static_cast<std::uint16_t>(offset + length);
  }
  for (const Entry& entry : entries) {
    for (char16_t c : *entry.text) {
      out.U16(c);
    }
  }
  return out.Data();
}

std::vector<std::uint8_t> CmapTable(bool symbol) {
  std::uint16_t space = symbol ? 0xF020 : 0x20;
  std::uint16_t letters = symbol ? 0xF041 : 0x41;
  // Format 4 with three segments: the space, 'A'-'B', and the final 0xFFFF.
  std::uint16_t ends[] = {space, static_cast<std::uint16_t>(letters + 1), 0xFFFF};
  std::uint16_t starts[] = {space, letters, 0xFFFF};
  std::int16_t deltas[] = {static_cast<std::int16_t>(3 - space),
                           static_cast<std::int16_t>(1 - letters), 1};
  SfntWriter sub;
  sub.U16(4).U16(16 + 8 * 3).U16(0).U16(6).U16(4).U16(1).U16(2);
  for (std::uint16_t end : ends) {
    sub.U16(end);
  }
  sub.U16(0);
  for (std::uint16_t start : starts) {
    sub.U16(start);
  }
  for (std::int16_t delta : deltas) {
    sub.I16(delta);
  }
  sub.U16(0).U16(0).U16(0);  // no range offsets
  SfntWriter out;
  out.U16(0).U16(1).U16(3).U16(symbol ? 0 : 1).U32(12).Bytes(sub.Data());
  return out.Data();
}

}  // namespace

std::vector<SfntTable> TestFontTables(const TestFontOptions& options) {
  // Glyphs: 0 .notdef (empty), 1 the square ('A'), 2 the triangle ('B'), 3 the space (empty).
  std::vector<std::vector<std::uint8_t>> glyphs = {
      {},
      Glyph({{0, 0}, {0, kSquare}, {kSquare, kSquare}, {kSquare, 0}}),
      Glyph({{100, 0}, {600, 1400}, {1100, 0}}),
      {},
  };
  auto [glyf, loca] = GlyfAndLoca(glyphs, options.long_loca);

  SfntWriter head;
  head.U32(0x00010000).U32(0x00010000).U32(0).U32(0x5F0F3CF5).U16(0x000B).U16(kUnitsPerEm);
  head.Zeros(16);  // created, modified
  head.I16(0).I16(0).I16(1100).I16(1400);
  head.U16(((options.fs_selection & 0x20) != 0 ? 1 : 0) | ((options.fs_selection & 1) != 0 ? 2 : 0));
  head.U16(8).I16(2).I16(options.long_loca ? 1 : 0).I16(0);

  SfntWriter hhea;
  hhea.U32(0x00010000).I16(kAscender).I16(kDescender).I16(kLineGap).U16(kAdvance);
  hhea.I16(0).I16(0).I16(1100).I16(1).I16(0).I16(0).Zeros(8).I16(0).U16(kGlyphs);

  SfntWriter hmtx;
  for (int i = 0; i < kGlyphs; ++i) {
    hmtx.U16(kAdvance).I16(i == 2 ? 100 : 0);  // the triangle starts at x 100
  }

  SfntWriter maxp;
  maxp.U32(0x00010000).U16(kGlyphs).U16(4).U16(1).U16(0).U16(0).U16(2).Zeros(16).U16(0).U16(0);

  SfntWriter post;
  post.U32(0x00030000).U32(0).I16(kUnderlinePosition).I16(kUnderlineThickness);
  post.U32(options.fixed_pitch ? 1 : 0).Zeros(16);

  SfntWriter os2;
  os2.U16(4).I16(kAdvance).U16(options.weight).U16(5).U16(0);
  os2.I16(1331).I16(1433).I16(0).I16(286).I16(1331).I16(1433).I16(0).I16(983);
  os2.I16(kStrikeoutSize).I16(kStrikeoutPosition).I16(0x0800);
  os2.Bytes({2, 11, 6, 4, 2, 2, 2, 2, 2, 4});  // panose: a sans serif
  os2.U32(1).U32(0).U32(0).U32(0).Tag("VELT").U16(options.fs_selection);
  os2.U16(options.symbol ? 0xF020 : 0x20).U16(options.symbol ? 0xF042 : 0x42);
  os2.I16(kTypoAscender).I16(kTypoDescender).I16(kTypoLineGap);
  os2.U16(kWinAscent).U16(kWinDescent).U32(options.code_pages).U32(0);
  os2.I16(1062).I16(1409).U16(0).U16(0x20).U16(1);

  return {{"cmap", CmapTable(options.symbol)}, {"glyf", glyf}, {"head", head.Data()},
          {"hhea", hhea.Data()},               {"hmtx", hmtx.Data()}, {"loca", loca},
          {"maxp", maxp.Data()},               {"name", NameTable(options)},
          {"post", post.Data()},               {"OS/2", os2.Data()}};
}

std::vector<std::uint8_t> MakeTestFont(const TestFontOptions& options) {
  return BuildSfnt(TestFontTables(options));
}

std::vector<std::uint8_t> MakeTestCollection() {
  TestFontOptions a;
  a.family = u"Vel Test A";
  a.full_name = u"Vel Test A";
  TestFontOptions b;
  b.family = u"Vel Test B";
  b.full_name = u"Vel Test B Bold";
  b.subfamily = u"Bold";
  b.weight = 700;
  b.fs_selection = 0x20;
  TestFontOptions c;
  c.family = u"Vel Test C";
  c.full_name = u"Vel Test C Italic";
  c.subfamily = u"Italic";
  c.fs_selection = 0x01;
  c.code_pages = 0x00020000;  // Shift JIS only
  return BuildCollection({TestFontTables(a), TestFontTables(b), TestFontTables(c)});
}

// --- Tables for synthetic fonts ----------------------------------------------------------------

void SetTable(std::vector<SfntTable>& tables, const std::string& tag,
              std::vector<std::uint8_t> data) {
  for (SfntTable& table : tables) {
    if (table.tag == tag) {
      table.data = std::move(data);
      return;
    }
  }
  tables.push_back({tag, std::move(data)});
}

void RemoveTable(std::vector<SfntTable>& tables, const std::string& tag) {
  tables.erase(std::remove_if(tables.begin(), tables.end(),
                              [&tag](const SfntTable& table) { return table.tag == tag; }),
               tables.end());
}

std::vector<std::uint8_t>& TableOf(std::vector<SfntTable>& tables, const std::string& tag) {
  for (SfntTable& table : tables) {
    if (table.tag == tag) {
      return table.data;
    }
  }
  tables.push_back({tag, {}});
  return tables.back().data;
}

std::vector<std::uint8_t> SimpleGlyph(const std::vector<std::pair<int, int>>& points) {
  std::vector<Point> converted;
  for (const auto& [x, y] : points) {
    converted.push_back({x, y});
  }
  return Glyph(converted);
}

std::vector<std::uint8_t> CompositeGlyph(const std::vector<GlyphComponent>& components) {
  SfntWriter out;
  out.I16(-1).I16(0).I16(0).I16(0).I16(0);
  for (std::size_t i = 0; i < components.size(); ++i) {
    std::uint16_t flags = components[i].flags & static_cast<std::uint16_t>(~0x0020u);
    if (i + 1 < components.size()) {
      flags |= 0x0020;  // MORE_COMPONENTS
    }
    out.U16(flags).U16(components[i].glyph);
    if ((flags & 0x0001) != 0) {
      out.I16(10).I16(20);  // ARG_1_AND_2_ARE_WORDS
    } else {
      out.U8(10).U8(20);
    }
    if ((flags & 0x0080) != 0) {
      out.U16(0x4000).U16(0).U16(0).U16(0x4000);  // 2 by 2
    } else if ((flags & 0x0040) != 0) {
      out.U16(0x4000).U16(0x4000);  // x and y scale
    } else if ((flags & 0x0008) != 0) {
      out.U16(0x4000);  // scale
    }
  }
  return out.Data();
}

std::pair<std::vector<std::uint8_t>, std::vector<std::uint8_t>> GlyfAndLoca(
    const std::vector<std::vector<std::uint8_t>>& glyphs, bool long_offsets) {
  SfntWriter glyf;
  SfntWriter loca;
  auto offset = [&] {
    const auto at = static_cast<std::uint32_t>(glyf.Data().size());
    if (long_offsets) {
      loca.U32(at);
    } else {
      loca.U16(static_cast<std::uint16_t>(at / 2));
    }
  };
  for (const auto& glyph : glyphs) {
    offset();
    glyf.Bytes(glyph);
    if (glyph.size() % 2 != 0) {
      glyf.U8(0);
    }
  }
  offset();
  return {glyf.Data(), loca.Data()};
}

std::vector<std::uint8_t> CmapOf(const std::vector<CmapSubtable>& subtables) {
  SfntWriter out;
  out.U16(0).U16(static_cast<std::uint16_t>(subtables.size()));
  std::uint32_t offset = 4 + 8 * static_cast<std::uint32_t>(subtables.size());
  for (const CmapSubtable& subtable : subtables) {
    out.U16(subtable.platform).U16(subtable.encoding).U32(offset);
    offset += static_cast<std::uint32_t>(subtable.data.size());
  }
  for (const CmapSubtable& subtable : subtables) {
    out.Bytes(subtable.data);
  }
  return out.Data();
}

std::vector<std::uint8_t> CmapFormat4(
    const std::vector<std::pair<std::uint16_t, std::uint16_t>>& map, bool range_offsets) {
  struct Segment {
    std::uint16_t start;
    std::uint16_t end;
    std::vector<std::uint16_t> glyphs;
  };
  std::vector<std::pair<std::uint16_t, std::uint16_t>> sorted = map;
  std::sort(sorted.begin(), sorted.end());
  std::vector<Segment> segments;
  for (const auto& [code, glyph] : sorted) {
    if (!segments.empty()) {
      Segment& last = segments.back();
      const bool next_code = code == last.end + 1;
      const bool same_delta = glyph - code == last.glyphs.front() - last.start;
      if (next_code && (range_offsets || same_delta)) {
        last.end = code;
        last.glyphs.push_back(glyph);
        continue;
      }
    }
    segments.push_back({code, code, {glyph}});
  }
  segments.push_back({0xFFFF, 0xFFFF, {0}});
  const auto count = static_cast<std::uint16_t>(segments.size());
  std::uint16_t power = 1;
  std::uint16_t selector = 0;
  while (power * 2 <= count) {
    power = static_cast<std::uint16_t>(power * 2);
    ++selector;
  }
  SfntWriter out;
  out.U16(4).U16(0).U16(0).U16(static_cast<std::uint16_t>(2 * count));
  out.U16(static_cast<std::uint16_t>(2 * power)).U16(selector);
  out.U16(static_cast<std::uint16_t>(2 * count - 2 * power));
  for (const Segment& segment : segments) {
    out.U16(segment.end);
  }
  out.U16(0);
  for (const Segment& segment : segments) {
    out.U16(segment.start);
  }
  const bool last_is_final = true;
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const Segment& segment = segments[i];
    const bool final_segment = last_is_final && i + 1 == segments.size();
    out.U16(range_offsets && !final_segment
                ? 0
                : static_cast<std::uint16_t>(final_segment ? 1 : segment.glyphs[0] - segment.start));
  }
  // The glyph arrays follow the idRangeOffset array, in segment order.
  std::uint32_t array_at = 2 * count;  // from idRangeOffset[0] to the first glyph array
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const bool final_segment = i + 1 == segments.size();
    if (!range_offsets || final_segment) {
      out.U16(0);
      continue;
    }
    out.U16(static_cast<std::uint16_t>(array_at - 2 * i));
    array_at += 2 * static_cast<std::uint32_t>(segments[i].glyphs.size());
  }
  if (range_offsets) {
    for (std::size_t i = 0; i + 1 < segments.size(); ++i) {
      for (std::uint16_t glyph : segments[i].glyphs) {
        out.U16(glyph);
      }
    }
  }
  std::vector<std::uint8_t> data = out.Data();
  data[2] = static_cast<std::uint8_t>(data.size() >> 8);
  data[3] = static_cast<std::uint8_t>(data.size());
  return data;
}

std::vector<std::uint8_t> CmapFormat2(
    const std::vector<std::pair<std::uint16_t, std::uint16_t>>& map) {
  std::vector<std::uint16_t> single(256, 0);
  std::map<std::uint8_t, std::map<std::uint8_t, std::uint16_t>> leads;
  for (const auto& [code, glyph] : map) {
    if (code < 256) {
      single[code] = glyph;
    } else {
      leads[static_cast<std::uint8_t>(code >> 8)][static_cast<std::uint8_t>(code)] = glyph;
    }
  }
  struct SubHeader {
    std::uint16_t first;
    std::uint16_t count;
    std::vector<std::uint16_t> glyphs;
  };
  std::vector<SubHeader> headers = {{0, 256, single}};
  std::vector<std::uint16_t> keys(256, 0);
  for (const auto& [lead, trails] : leads) {
    const std::uint8_t first = trails.begin()->first;
    const std::uint8_t last = trails.rbegin()->first;
    std::vector<std::uint16_t> glyphs(last - first + 1, 0);
    for (const auto& [trail, glyph] : trails) {
      glyphs[trail - first] = glyph;
    }
    keys[lead] = static_cast<std::uint16_t>(8 * headers.size());
    headers.push_back({first, static_cast<std::uint16_t>(glyphs.size()), glyphs});
  }
  SfntWriter out;
  out.U16(2).U16(0).U16(0);
  for (std::uint16_t key : keys) {
    out.U16(key);
  }
  // idRangeOffset counts from the field itself (6 bytes into its subheader).
  std::uint32_t array_at = 8 * static_cast<std::uint32_t>(headers.size());
  for (std::size_t i = 0; i < headers.size(); ++i) {
    out.U16(headers[i].first).U16(headers[i].count).U16(0);
    out.U16(static_cast<std::uint16_t>(array_at - (8 * i + 6)));
    array_at += 2 * static_cast<std::uint32_t>(headers[i].glyphs.size());
  }
  for (const SubHeader& header : headers) {
    for (std::uint16_t glyph : header.glyphs) {
      out.U16(glyph);
    }
  }
  std::vector<std::uint8_t> data = out.Data();
  data[2] = static_cast<std::uint8_t>(data.size() >> 8);
  data[3] = static_cast<std::uint8_t>(data.size());
  return data;
}

std::vector<std::uint8_t> MortVertical(
    const std::vector<std::pair<std::uint16_t, std::uint16_t>>& units) {
  SfntWriter out;
  // Table header: version 1.0, one chain.
  out.U32(0x00010000).U32(1);
  // Chain: default flags, chain length (any), three feature entries, one subtable.
  out.U32(1).U32(0).U16(3).U16(1);
  // Feature entries (type, setting, enable flags, disable flags): vertical substitution on,
  // vertical substitution off, and a last entry of type 8.
  out.U16(3).U16(0).U32(1).U32(0xFFFFFFFF);
  out.U16(3).U16(1).U32(0).U32(0xFFFFFFFE);
  out.U16(8).Zeros(10);
  // Subtable: length (any), coverage 0x8004 (vertical, noncontextual), flags 1.
  out.U16(0).U16(0x8004).U32(1);
  // Lookup table: format 6, unit size 4, then the binary search header and the units.
  out.U16(6).U16(4);
  out.U16(static_cast<std::uint16_t>(units.size())).U16(0).U16(0).U16(0);
  for (const auto& [glyph, substitute] : units) {
    out.U16(glyph).U16(substitute);
  }
  return out.Data();
}

std::vector<std::uint8_t> GsubVertical(
    int substitution_format, int coverage_format,
    const std::vector<std::pair<std::uint16_t, std::uint16_t>>& pairs) {
  SfntWriter coverage;
  coverage.U16(static_cast<std::uint16_t>(coverage_format));
  coverage.U16(static_cast<std::uint16_t>(pairs.size()));
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    if (coverage_format == 1) {
      coverage.U16(pairs[i].first);
    } else {
      coverage.U16(pairs[i].first).U16(pairs[i].first).U16(static_cast<std::uint16_t>(i));
    }
  }
  SfntWriter subtable;
  const std::uint16_t coverage_at =
      substitution_format == 1 ? 6 : static_cast<std::uint16_t>(6 + 2 * pairs.size());
  subtable.U16(static_cast<std::uint16_t>(substitution_format)).U16(coverage_at);
  if (substitution_format == 1) {
    subtable.U16(static_cast<std::uint16_t>(pairs[0].second - pairs[0].first));
  } else {
    subtable.U16(static_cast<std::uint16_t>(pairs.size()));
    for (const auto& pair : pairs) {
      subtable.U16(pair.second);
    }
  }
  subtable.Bytes(coverage.Data());
  SfntWriter out;
  // Header: version 1.0, ScriptList at 10, FeatureList at 12, LookupList at 26.
  out.U32(0x00010000).U16(10).U16(12).U16(26);
  out.U16(0);                                  // ScriptList: no scripts
  out.U16(1).Tag("vert").U16(8);               // FeatureList: one record
  out.U16(0).U16(1).U16(0);                    // Feature: lookup 0
  out.U16(1).U16(4);                           // LookupList: one lookup
  out.U16(1).U16(0).U16(1).U16(8);             // Lookup: type 1, one subtable at 8
  out.Bytes(subtable.Data());
  return out.Data();
}

}  // namespace vel::test
