// An independent checker of PJL-framed PCL XL jobs for tests and tools: it decodes a job, checks
// it against the format (envelope, header, attribute lists, order, paths, images and patterns,
// fonts, characters, text, scan lines) and hands back a model of what the job holds. No PCL XL
// interpreter can be installed here, so this is the check a job meets before a printer.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/ByteMatch.h"

namespace vel::test {

enum class XlSeverity { kError, kWarning };

struct XlFinding {
  XlSeverity severity = XlSeverity::kError;
  std::string rule;        // the rule broken: "envelope", "types", "order", "image", "font", ...
  std::size_t offset = 0;  // byte offset in the checked bytes
  long op_index = -1;      // index of the operator in the stream (0 = first), -1 for none
  std::string op_name;     // its name, empty for none
  std::string message;
};

// "offset 120, op #7 SetFont: error [font] SetFont names ..."
std::string FormatFinding(const XlFinding& finding);

// One attribute as sent: its id, its value's data type tag and numbers.
struct XlAttribute {
  std::uint8_t id = 0;
  std::uint8_t type = 0;
  std::vector<double> values;

  std::string Text() const;  // an array of bytes as text ("Arial"), as the caller may need it
};

struct XlOperation {
  std::size_t offset = 0;  // of the operator byte
  std::size_t index = 0;   // operator count before it
  std::uint8_t code = 0;
  std::vector<XlAttribute> attributes;  // in the order sent
  bool has_data = false;
  Bytes data;  // the embedded data block after it, when one follows

  const XlAttribute* Find(std::uint8_t id) const;
};

struct XlPage {
  std::vector<XlOperation> operations;  // BeginPage ... EndPage, both included
};

// An image or a raster pattern with its rows, decoded and padded as sent.
struct XlRaster {
  bool pattern = false;
  long pattern_id = 0;
  long persistence = 0;
  int color_mapping = 0;  // 0 direct, 1 indexed
  int bits = 0;           // bits per pixel component: 1, 4 or 8
  int components = 1;     // 3 for direct RGB, else 1
  long width = 0;
  long height = 0;
  long dest_width = 0;
  long dest_height = 0;
  std::size_t row_bytes = 0;        // padded to a multiple of 4
  std::vector<int> compress_modes;  // of each block
  std::vector<Bytes> rows;
};

struct XlFontSegment {
  std::uint16_t id = 0;  // "GT" = 0x4754, ...
  Bytes data;
};

struct XlFontChar {
  std::uint16_t code = 0;
  std::uint8_t format = 0;
  std::uint8_t char_class = 0;
  Bytes data;  // the whole character data as sent
  // TrueType characters (format 1).
  std::int16_t left_side_bearing = 0;
  std::uint16_t advance_width = 0;
  std::int16_t top_side_bearing = 0;  // class 2 only
  std::uint16_t glyph_id = 0;
  // Bitmap characters (format 0).
  std::int16_t left_offset = 0;
  std::int16_t top_offset = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  Bytes glyph;  // TrueType glyph data or bitmap rows after the character header
};

// One download of a font: its header and the characters sent for it until it was removed.
struct XlFont {
  std::string name;
  Bytes header;  // all ReadFontHeader data, concatenated
  // The descriptor, when the header holds one.
  std::uint8_t format = 0;
  std::uint8_t orientation = 0;
  std::uint16_t mapping = 0;  // symbol set
  std::uint8_t scaling = 0;   // 1 TrueType, 254 bitmap
  std::uint8_t variety = 0;
  std::uint16_t num_chars = 0;
  std::vector<XlFontSegment> segments;
  std::vector<XlFontChar> chars;  // in the order sent; code 0xFFFF may occur several times
  bool removed = false;

  const XlFontSegment* Segment(std::uint16_t id) const;
  const XlFontChar* Char(std::uint16_t code) const;  // the first one sent with that code
};

struct XlJob {
  // The PJL envelope, when the bytes open with the universal exit language sequence.
  bool has_envelope = false;
  std::vector<std::string> pjl_lines;  // the lines before the language data, without CR LF
  std::string pjl_end_line;            // the EOJ line after it
  std::string job_name;
  std::string language;  // the value of ENTER LANGUAGE=
  // The stream.
  std::string header;  // the header line without its line feed
  long protocol_class = -1;
  long revision = -1;
  std::vector<XlOperation> operations;  // every operator of the stream in order
  std::vector<XlPage> pages;
  std::vector<XlRaster> rasters;  // images and patterns in order
  std::vector<XlFont> fonts;      // font downloads in order

  const XlFont* FindFont(const std::string& name) const;  // its latest download
};

struct XlCheckOptions {
  std::vector<std::string> resident_fonts;  // names SetFont may use without a download
};

struct XlCheckResult {
  XlJob job;
  std::vector<XlFinding> findings;

  std::size_t ErrorCount() const;
  std::size_t WarningCount() const;
  bool HasRule(const std::string& rule) const;  // any finding of that rule
  std::string Report() const;                   // every finding, one a line
};

class PclXlChecker {
 public:
  explicit PclXlChecker(XlCheckOptions options = {});
  XlCheckResult Check(const Bytes& bytes) const;

 private:
  XlCheckOptions options_;
};

// The decoded job as text for people: the envelope, the header, every operator with its
// attributes and data length, then the images, patterns and fonts.
std::string DumpPclXlJob(const XlJob& job);

// For tests: success when the job has no errors (and, with warnings_fail, no warnings); the
// failure message lists the findings.
::testing::AssertionResult PassesPclXlCheck(const Bytes& bytes,
                                            const XlCheckOptions& options = {},
                                            bool warnings_fail = false);

}  // namespace vel::test
