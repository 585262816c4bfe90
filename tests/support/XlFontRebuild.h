// A TrueType font download of a PCL XL job, rebuilt as an sfnt font file that FreeType can open,
// and the comparison of every downloaded glyph with FreeType's reading of the source font.
//
// The rebuilt font holds the tables of the header's 'GT' segment ('head' with long 'loca'
// offsets), 'glyf' and 'loca' assembled from the ReadChar records by glyph id, 'hmtx' from their
// metrics ('vhea' and 'vmtx' for class 2 characters), and a synthesised 'hhea'. Glyph ids never
// sent are empty glyphs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vel::test {

struct XlFont;

// The sfnt of a TrueType download; empty (with `problem` set) when the header holds no usable
// 'GT' segment.
std::vector<std::uint8_t> RebuildXlTrueTypeFont(const XlFont& font, std::string* problem);

// The glyph ids that ReadChar records of the font carry, ascending, each once.
std::vector<std::uint16_t> DownloadedGlyphIds(const XlFont& font);

// Every downloaded glyph of the rebuilt font against the source font file (face 0): the
// unscaled, unhinted outline (points, tags, contour ends) and the horizontal advance. Also fails
// when FreeType cannot open the rebuilt font.
::testing::AssertionResult DownloadMatchesFreeType(const XlFont& font,
                                                   const std::string& source_path);

}  // namespace vel::test
