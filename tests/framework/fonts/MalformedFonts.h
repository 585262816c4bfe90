// Malformed fonts: mutations of the small test font, each with what must fail in it. Shared by
// the reader's tests and the back ends' tests, which print text in every one of them.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tests/support/SfntBuilder.h"

namespace vel::test {

inline void PutU16(std::vector<std::uint8_t>& data, std::size_t at, std::uint16_t value) {
  data[at] = static_cast<std::uint8_t>(value >> 8);
  data[at + 1] = static_cast<std::uint8_t>(value);
}

// Glyphs whose composites refer to themselves, or chain `depth` deep.
inline std::vector<SfntTable> WithGlyphs(const std::vector<std::vector<std::uint8_t>>& glyphs) {
  std::vector<SfntTable> tables = TestFontTables();
  auto [glyf, loca] = GlyfAndLoca(glyphs, false);
  SetTable(tables, "glyf", glyf);
  SetTable(tables, "loca", loca);
  PutU16(TableOf(tables, "maxp"), 4, static_cast<std::uint16_t>(glyphs.size()));
  return tables;
}

inline std::vector<SfntTable> Chain(int depth) {
  std::vector<std::vector<std::uint8_t>> glyphs = {{}, SimpleGlyph({{0, 0}, {0, 10}, {10, 0}})};
  for (int i = 0; i < depth; ++i) {
    glyphs.push_back(CompositeGlyph({{0, static_cast<std::uint16_t>(glyphs.size() - 1)}}));
  }
  return WithGlyphs(glyphs);
}

// The font file itself, damaged after it was built.
using FileMutation = std::function<void(std::vector<std::uint8_t>&)>;

struct MalformedFontCase {
  const char* name;
  std::function<void(std::vector<SfntTable>&)> tables;
  FileMutation file;
  // What must fail: 'A' unmapped, glyph 1 unreadable, the metrics of glyph 3, the descender.
  bool unmapped = false;
  bool no_glyph = false;
  bool no_metrics = false;
  bool no_descender = false;
  bool composite_fails = false;  // CacheGlyph of the last glyph
};

inline std::vector<MalformedFontCase> MalformedFontCases() {
  return {
      {"truncated cmap", [](auto& t) { TableOf(t, "cmap").resize(10); }, {}, true},
      // The directory is read as far as it lies inside the file: the real tables stay usable.
      {"huge numTables", {}, [](auto& file) { PutU16(file, 4, 0xFFFF); }},
      {"subtable outside the table",
       [](auto& t) {
         auto& cmap = TableOf(t, "cmap");
         cmap[8] = 0x7F;  // the record's offset
       },
       {},
       true},
      {"huge segCount", [](auto& t) { PutU16(TableOf(t, "cmap"), 12 + 6, 0xFFFE); }, {}, true},
      {"idRangeOffset pointing outside",
       [](auto& t) {
         SetTable(t, "cmap", vel::test::CmapOf({{3, 1, vel::test::CmapFormat4({{'A', 1}}, true)}}));
         auto& cmap = TableOf(t, "cmap");
         // segCount 2: idRangeOffset[0] sits at 12 + 16 + 3 * 4.
         PutU16(cmap, 12 + 16 + 12, 0x7FF0);
       },
       {},
       true},
      {"decreasing loca",
       [](auto& t) {
         auto& loca = TableOf(t, "loca");
         PutU16(loca, 4, 0);  // glyph 1 ends before it starts: length 0
       },
       {}},
      {"loca out of range",
       [](auto& t) { PutU16(TableOf(t, "loca"), 4, 0x7FFF); },
       {},
       false,
       true},
      {"long loca far past glyf",
       [](auto& t) {
         t = TestFontTables({.long_loca = true});
         auto& loca = TableOf(t, "loca");
         PutU16(loca, 8, 0x7FFF);  // glyph 1 ends 2 GB on: nothing may be allocated for it
       },
       {},
       false,
       true},
      {"loca shorter than the glyph count",
       [](auto& t) { TableOf(t, "loca").resize(2); },
       {},
       false,
       true,
       false,
       false,
       true},
      {"composite referring to itself",
       [](auto& t) {
         t = WithGlyphs({{}, SimpleGlyph({{0, 0}, {0, 10}, {10, 0}}), CompositeGlyph({{0, 2}})});
       },
       {},
       false,
       false,
       false,
       false,
       true},
      {"100-deep composite chain",
       [](auto& t) { t = Chain(100); },
       {},
       false,
       false,
       false,
       false,
       true},
      {"composite cut inside its record",
       [](auto& t) {
         auto composite = CompositeGlyph({{0, 1}, {0, 1}});
         composite.resize(14);
         t = WithGlyphs({{}, SimpleGlyph({{0, 0}, {0, 10}, {10, 0}}), composite});
       },
       {},
       false,
       false,
       false,
       false,
       true},
      {"hmtx shorter than numberOfHMetrics",
       [](auto& t) { TableOf(t, "hmtx").resize(6); },
       {},
       false,
       false,
       true},
      {"numberOfHMetrics 0",
       [](auto& t) { PutU16(TableOf(t, "hhea"), 34, 0); },
       {},
       false,
       false,
       true},
      {"10-byte OS/2",
       [](auto& t) { TableOf(t, "OS/2").resize(10); },
       {},
       false,
       false,
       false,
       true},
      {"20-byte head",
       [](auto& t) { TableOf(t, "head").resize(20); },
       {},
       false,
       true,
       false,
       false,
       true},
      {"10-byte maxp", [](auto& t) { TableOf(t, "maxp").resize(2); }, {}, false, true},
      {"GSUB offsets everywhere",
       [](auto& t) {
         auto gsub = vel::test::GsubVertical(2, 2, {{1, 2}});
         for (std::size_t at = 6; at + 1 < gsub.size(); at += 2) {
           PutU16(gsub, at, 0xFFF0);
         }
         SetTable(t, "GSUB", gsub);
       },
       {}},
      {"mort with too many units",
       [](auto& t) {
         auto mort = vel::test::MortVertical({{1, 2}});
         PutU16(mort, 68, 0xFFFF);
         SetTable(t, "mort", mort);
       },
       {}},
      {"format 2 keys past the table",
       [](auto& t) {
         auto sub = vel::test::CmapFormat2({{'A', 1}});
         sub.resize(100);
         SetTable(t, "cmap", vel::test::CmapOf({{3, 1, sub}}));
       },
       {},
       true},
  };
}

}  // namespace vel::test
