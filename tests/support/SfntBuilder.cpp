// The sfnt builder and the test font.
#include "tests/support/SfntBuilder.h"

#include <algorithm>

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
  SfntWriter glyf;
  SfntWriter loca;
  for (const auto& glyph : glyphs) {
    loca.U16(static_cast<std::uint16_t>(glyf.Data().size() / 2));
    glyf.Bytes(glyph);
  }
  loca.U16(static_cast<std::uint16_t>(glyf.Data().size() / 2));

  SfntWriter head;
  head.U32(0x00010000).U32(0x00010000).U32(0).U32(0x5F0F3CF5).U16(0x000B).U16(kUnitsPerEm);
  head.Zeros(16);  // created, modified
  head.I16(0).I16(0).I16(1100).I16(1400);
  head.U16(((options.fs_selection & 0x20) != 0 ? 1 : 0) | ((options.fs_selection & 1) != 0 ? 2 : 0));
  head.U16(8).I16(2).I16(0).I16(0);

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

  return {{"cmap", CmapTable(options.symbol)}, {"glyf", glyf.Data()}, {"head", head.Data()},
          {"hhea", hhea.Data()},               {"hmtx", hmtx.Data()}, {"loca", loca.Data()},
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

}  // namespace vel::test
