// Parsers of the PCL XL job checker for the embedded data it looks inside: font headers,
// characters and scan-line blocks. Each returns the problems it found as messages.
#pragma once

#include <string>
#include <vector>

#include "tests/support/PclXlChecker.h"

namespace vel::test {

// Fills the descriptor and segments of `font` from its concatenated header bytes.
std::vector<std::string> ParseXlFontHeader(XlFont* font);

// Fills the header fields and glyph of `ch` from its data, by the font's scaling technology (1
// TrueType, 254 bitmap; nothing is checked for a font whose descriptor is unknown).
std::vector<std::string> ParseXlFontChar(const XlFont& font, XlFontChar* ch);

// Checks the records of a ScanLineRel data block; `records` receives their count.
std::vector<std::string> ParseXlScanLines(const Bytes& data, long* records);

}  // namespace vel::test
