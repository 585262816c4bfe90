// TrueType downloads of PCL XL jobs rebuilt as sfnt fonts and compared with FreeType.
#include "tests/support/XlFontRebuild.h"

#include <ft2build.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include "tests/support/PclXlChecker.h"
#include "tests/support/SfntBuilder.h"

namespace vel::test {

namespace {

constexpr std::uint16_t kSegmentGT = 0x4754;

std::uint16_t Be16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}

std::uint32_t Be32(const Bytes& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

// The first TrueType character record of each glyph id.
std::map<std::uint16_t, const XlFontChar*> CharsByGlyph(const XlFont& font) {
  std::map<std::uint16_t, const XlFontChar*> glyphs;
  for (const XlFontChar& ch : font.chars) {
    if (ch.format == 1) {
      glyphs.emplace(ch.glyph_id, &ch);
    }
  }
  return glyphs;
}

// The outline FreeType loads for a glyph, unscaled and unhinted, and its advance.
struct Outline {
  bool loaded = false;
  std::vector<std::pair<long, long>> points;
  std::vector<int> tags;
  std::vector<int> contour_ends;
  long advance = 0;

  bool operator==(const Outline& other) const {
    return loaded == other.loaded && points == other.points && tags == other.tags &&
           contour_ends == other.contour_ends && advance == other.advance;
  }
};

Outline Load(FT_Face face, std::uint16_t glyph) {
  Outline outline;
  if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) {
    return outline;
  }
  outline.loaded = true;
  const FT_Outline& o = face->glyph->outline;
  for (int i = 0; i < o.n_points; ++i) {
    outline.points.emplace_back(o.points[i].x, o.points[i].y);
    outline.tags.push_back(FT_CURVE_TAG(o.tags[i]));
  }
  for (int i = 0; i < o.n_contours; ++i) {
    outline.contour_ends.push_back(o.contours[i]);
  }
  outline.advance = face->glyph->metrics.horiAdvance;
  return outline;
}

std::string Describe(const Outline& o) {
  std::ostringstream text;
  if (!o.loaded) {
    return "(not loaded)";
  }
  text << o.points.size() << " points, " << o.contour_ends.size() << " contours, advance "
       << o.advance;
  if (!o.points.empty()) {
    text << ", first (" << o.points.front().first << ", " << o.points.front().second << ")";
  }
  return text.str();
}

}  // namespace

std::vector<std::uint16_t> DownloadedGlyphIds(const XlFont& font) {
  std::vector<std::uint16_t> ids;
  for (const auto& [glyph, ch] : CharsByGlyph(font)) {
    ids.push_back(glyph);
  }
  return ids;
}

std::vector<std::uint8_t> RebuildXlTrueTypeFont(const XlFont& font, std::string* problem) {
  const XlFontSegment* gt = font.Segment(kSegmentGT);
  if (gt == nullptr || gt->data.size() < 12) {
    *problem = "no 'GT' segment";
    return {};
  }
  const Bytes& s = gt->data;
  const unsigned count = Be16(s, 4);
  if (s.size() < 12 + 16ull * count) {
    *problem = "'GT' directory runs past the segment";
    return {};
  }
  std::vector<SfntTable> tables;
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t entry = 12 + 16 * i;
    std::string tag(reinterpret_cast<const char*>(&s[entry]), 4);
    const std::uint32_t offset = Be32(s, entry + 8);
    const std::uint32_t length = Be32(s, entry + 12);
    if (tag == "gdir" || length == 0) {
      continue;
    }
    if (offset > s.size() || length > s.size() - offset) {
      *problem = "table '" + tag + "' runs past the 'GT' segment";
      return {};
    }
    tables.push_back({tag, Bytes(s.begin() + offset, s.begin() + offset + length)});
  }
  Bytes head = TableOf(tables, "head");
  const Bytes maxp = TableOf(tables, "maxp");
  if (head.size() < 54 || maxp.size() < 6) {
    *problem = "'GT' lacks 'head' or 'maxp'";
    return {};
  }
  head.resize(54);
  head[50] = 0;
  head[51] = 1;  // long 'loca'
  SetTable(tables, "head", head);
  const std::uint16_t num_glyphs = Be16(maxp, 4);

  const auto chars = CharsByGlyph(font);
  std::vector<std::vector<std::uint8_t>> glyphs(num_glyphs);
  SfntWriter hmtx;
  SfntWriter vmtx;
  bool vertical = false;
  std::uint16_t advance_max = 0;
  for (std::uint16_t g = 0; g < num_glyphs; ++g) {
    const auto found = chars.find(g);
    const XlFontChar* ch = found != chars.end() ? found->second : nullptr;
    if (ch != nullptr) {
      glyphs[g] = ch->glyph;
      vertical = vertical || ch->char_class == 2;
      advance_max = std::max(advance_max, ch->advance_width);
    }
    hmtx.U16(ch != nullptr ? ch->advance_width : 0).I16(ch != nullptr ? ch->left_side_bearing : 0);
    vmtx.U16(0).I16(ch != nullptr ? ch->top_side_bearing : 0);
  }
  auto [glyf, loca] = GlyfAndLoca(glyphs, true);
  SetTable(tables, "glyf", std::move(glyf));
  SetTable(tables, "loca", std::move(loca));
  SetTable(tables, "hmtx", std::move(hmtx.Data()));
  const auto metrics_header = [&](std::uint16_t advance) {
    SfntWriter w;
    w.U32(0x00010000)
        .I16(static_cast<std::int16_t>(Be16(head, 42)))
        .I16(static_cast<std::int16_t>(Be16(head, 38)))
        .I16(0)
        .U16(advance)
        .I16(0)
        .I16(0)
        .I16(0)
        .I16(1)
        .I16(0)
        .I16(0)
        .Zeros(8)
        .I16(0)
        .U16(num_glyphs);
    return std::move(w.Data());
  };
  SetTable(tables, "hhea", metrics_header(advance_max));
  if (vertical) {
    SetTable(tables, "vhea", metrics_header(0));
    SetTable(tables, "vmtx", std::move(vmtx.Data()));
  }
  return BuildSfnt(std::move(tables));
}

::testing::AssertionResult DownloadMatchesFreeType(const XlFont& font,
                                                   const std::string& source_path) {
  std::string problem;
  const std::vector<std::uint8_t> rebuilt = RebuildXlTrueTypeFont(font, &problem);
  if (rebuilt.empty()) {
    return ::testing::AssertionFailure() << "font \"" << font.name << "\": " << problem;
  }
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    return ::testing::AssertionFailure() << "FreeType did not start";
  }
  FT_Face source = nullptr;
  FT_Face copy = nullptr;
  ::testing::AssertionResult result = ::testing::AssertionSuccess();
  if (FT_New_Face(library, source_path.c_str(), 0, &source) != 0) {
    result = ::testing::AssertionFailure() << "FreeType cannot open " << source_path;
  } else if (FT_New_Memory_Face(library, rebuilt.data(), static_cast<FT_Long>(rebuilt.size()), 0,
                                &copy) != 0) {
    result = ::testing::AssertionFailure()
             << "FreeType cannot open the rebuilt font \"" << font.name << "\"";
  } else {
    int mismatches = 0;
    std::ostringstream report;
    for (std::uint16_t glyph : DownloadedGlyphIds(font)) {
      const Outline expected = Load(source, glyph);
      const Outline actual = Load(copy, glyph);
      if (!(expected == actual) && ++mismatches <= 10) {
        report << "\n  glyph " << glyph << ": sent " << Describe(actual) << ", source "
               << Describe(expected);
      }
    }
    if (mismatches != 0) {
      result = ::testing::AssertionFailure()
               << "font \"" << font.name << "\": " << mismatches << " glyphs differ from "
               << source_path << report.str();
    }
  }
  if (copy != nullptr) {
    FT_Done_Face(copy);
  }
  if (source != nullptr) {
    FT_Done_Face(source);
  }
  FT_Done_FreeType(library);
  return result;
}

}  // namespace vel::test
