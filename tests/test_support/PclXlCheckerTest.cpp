// The PCL XL job checker over hand-written streams: for each rule a stream that passes and one
// that fails, each failure named by its rule, operator and offset.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>

#include "tests/support/PclXlChecker.h"

namespace vel::test {
namespace {

// The frame every case sits in.
constexpr const char* kHeader = ") QZ-PCL XL;2;0;Comment test\n";
constexpr const char* kSession =
    "D1 58 02 58 02 F8 89  C0 00 F8 86  C0 03 F8 8F  41  # 600 x 600 per inch, BeginSession\n"
    "C0 00 F8 88  C0 01 F8 82  48                        # SourceType 0, DataOrg 1, "
    "OpenDataSource\n";
constexpr const char* kPageStart =
    "C0 00 F8 28  C0 02 F8 25  43  # Orientation 0, MediaSize 2, BeginPage\n";
constexpr const char* kPageEnd = "C1 01 00 F8 31  44  # PageCopies 1, EndPage\n";
constexpr const char* kSessionEnd = "49 42  # CloseDataSource, EndSession\n";

// Direct 8-bit image of 4 x 2 pixels drawn 4 x 2: rows of 4 bytes.
constexpr const char* kImage4x2 =
    "C0 00 F8 64  C0 02 F8 62  C1 04 00 F8 6C  C1 02 00 F8 6B  D1 04 00 02 00 F8 67 ";
constexpr const char* kReadBothRows = "C1 00 00 F8 6D  C1 02 00 F8 63  C0 00 F8 65  ";
constexpr const char* kPatternId1 = "C3 01 00 F8 69  C0 00 F8 68  ";

// A TrueType font "Test" of 5 characters: descriptor, 'GT' with gdir, head and maxp, 'GC', null.
constexpr const char* kTrueTypeHeader =
    "00 00 02 4E 01 00 00 05                          # descriptor: symbol set 590, TrueType\n"
    "47 54 00 00 00 44                                # 'GT', 68 bytes\n"
    "00 01 00 00  00 03  00 20  00 01  00 10          # 3 tables: 32, 1, 16\n"
    "67 64 69 72  00 00 00 00  00 00 00 00  00 00 00 00  # gdir\n"
    "68 65 61 64  00 00 00 00  00 00 00 3C  00 00 00 04  # head at 60\n"
    "6D 61 78 70  00 00 00 00  00 00 00 40  00 00 00 04  # maxp at 64\n"
    "00 01 00 00  00 00 50 00                         # the two tables\n"
    "47 43 00 00 00 06  00 00 FF FF 00 00             # 'GC', no regions\n"
    "FF FF 00 00 00 00                                # null segment\n";
constexpr const char* kTestName = "C8 C1 04 00 54 65 73 74 F8 A8  ";  // FontName "Test"
constexpr const char* kBeginTest = "C8 C1 04 00 54 65 73 74 F8 A8  C0 00 F8 A9  4F  ";
constexpr const char* kCharA =
    "C1 41 00 F8 A2  C2 0E 00 00 00 F8 A3  53 FB 0E  # code 'A', 14 bytes\n"
    "01 01 00 0C  00 00  02 00  00 03  AA BB CC DD    # format 1 class 1, lsb, aw, glyph 3\n";
constexpr const char* kSetTest =
    "C8 C1 04 00 54 65 73 74 F8 A8  C5 00 00 40 41 F8 A6  C1 4E 02 F8 AA  6F  ";
constexpr const char* kSetCourier =
    "C8 C1 07 00 43 6F 75 72 69 65 72 F8 A8  C5 00 00 40 41 F8 A6  C1 4E 02 F8 AA  6F  ";

std::string DownloadTest(const std::string& header, int length) {
  char length_hex[32];
  std::snprintf(length_hex, sizeof length_hex, "C1 %02X %02X F8 A7  50 FB %02X ", length & 0xFF,
                length >> 8, static_cast<unsigned>(HexBytes(header).size()));
  return std::string(kBeginTest) + length_hex + header + " 51 ";
}

std::string DownloadTest() {
  return DownloadTest(kTrueTypeHeader, 100) + kTestName + " 52 " + kCharA + " 54 ";
}

enum class Place {
  kPage,        // inside a page
  kDataSource,  // in the open data source, before the page
  kStream,      // the whole stream after the header line
};

constexpr long kLastByte = -1;

struct Case {
  const char* name;
  Place place;
  std::string body;
  const char* rule;     // null: the stream passes without findings
  const char* op;       // the operator the finding names, "" for none
  long at = kLastByte;  // offset of the finding in the body
  XlSeverity severity = XlSeverity::kError;
};

struct Built {
  Bytes bytes;
  std::size_t base;
};

Built Build(const Case& c) {
  Bytes out = AsBytes(kHeader);
  auto add = [&out](const std::string& hex) {
    const Bytes more = HexBytes(hex);
    out.insert(out.end(), more.begin(), more.end());
  };
  std::size_t base = 0;
  if (c.place == Place::kStream) {
    base = out.size();
    add(c.body);
    return {out, base};
  }
  add(kSession);
  if (c.place == Place::kDataSource) {
    base = out.size();
    add(c.body);
  }
  add(kPageStart);
  if (c.place == Place::kPage) {
    base = out.size();
    add(c.body);
  }
  add(kPageEnd);
  add(kSessionEnd);
  return {out, base};
}

XlCheckOptions Residents() {
  XlCheckOptions options;
  options.resident_fonts = {"Courier", "AVeryLongFontName"};
  return options;
}

// With VEL_XL_SEED_DIR set, every case's stream is also written there: the seeds of the checker's
// fuzz target (fuzz/corpus/fuzz_pclxl_checker) are made this way.
void WriteSeed(const char* name, const Bytes& bytes) {
  const char* dir = std::getenv("VEL_XL_SEED_DIR");
  if (dir == nullptr) {
    return;
  }
  std::string file = std::string(dir) + "/";
  for (const char* c = name; *c != 0; ++c) {
    file += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
  }
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

void RunCases(const std::vector<Case>& cases) {
  const PclXlChecker checker(Residents());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Built built = Build(c);
    WriteSeed(c.name, built.bytes);
    const XlCheckResult result = checker.Check(built.bytes);
    if (c.rule == nullptr) {
      EXPECT_TRUE(result.findings.empty()) << result.Report();
      continue;
    }
    const std::size_t body_size = HexBytes(c.body).size();
    const std::size_t at =
        built.base + (c.at == kLastByte ? body_size - 1 : static_cast<std::size_t>(c.at));
    bool found = false;
    for (const XlFinding& f : result.findings) {
      found = found ||
              (f.rule == c.rule && f.op_name == c.op && f.offset == at && f.severity == c.severity);
    }
    EXPECT_TRUE(found) << "expected [" << c.rule << "] at " << at << " naming '" << c.op
                       << "'; found:\n"
                       << result.Report();
    if (c.severity == XlSeverity::kWarning) {
      EXPECT_EQ(result.ErrorCount(), 0u) << result.Report();
    }
  }
}

TEST(PclXlCheckerTest, AttributeListsAndData) {
  RunCases({
      {"fill mode", Place::kPage, "C0 00 F8 46 6E", nullptr, ""},
      {"value without attribute", Place::kPage, "C0 01  C0 00 F8 46 6E", "values", "", 0},
      {"attribute without value", Place::kPage, "F8 46  C0 00 F8 46 6E", "values", "", 0},
      {"value left at the operator", Place::kPage, "C0 00 F8 46  C0 01  6E", "values",
       "SetFillMode"},
      {"attribute twice", Place::kPage, "C0 00 F8 46  C0 01 F8 46  6E", "values", "", 6},
      {"data after an operator without data", Place::kPage, "C0 00 F8 46 6E  FB 02 00 00", "data",
       "SetFillMode", 5},
      {"data after no operator", Place::kPage, "C0 00 F8 46  FB 01 00  6E", "data", "", 4},
      {"unknown attribute", Place::kPage, "C0 00 F8 47 6E", "attributes", "SetFillMode"},
      {"missing attribute", Place::kPage, "6E", "attributes", "SetFillMode"},
      {"wrong type", Place::kPage, "C1 00 00 F8 46 6E", "types", "SetFillMode"},
      {"operator our jobs never send", Place::kPage, "C3 00 00 C3 00 00 7E", "operator",
       "SetNeutralAxis", kLastByte},
  });
}

TEST(PclXlCheckerTest, NarrowFormsOfOurBackEnds) {
  RunCases({
      {"cursor sint16", Place::kPage, "D3 01 00 02 00 F8 4C 6B", nullptr, ""},
      {"cursor ubyte", Place::kPage, "D0 01 02 F8 4C 6B", nullptr, ""},
      {"cursor sint32", Place::kPage, "D4 01 00 00 00 02 00 00 00 F8 4C 6B", "types", "SetCursor"},
      {"rectangle real32 box", Place::kPage,
       "E5 00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00 F8 42 A1", "types", "RectanglePath"},
      {"pen width uint16", Place::kPage, "C1 02 00 F8 4B 7A", nullptr, ""},
      {"pen width real32", Place::kPage, "C5 00 00 80 3F F8 4B 7A", "types", "SetPenWidth"},
      {"miter limit real32", Place::kPage, "C5 00 00 80 3F F8 49 73", "types", "SetMiterLimit"},
      {"page angle sint16", Place::kPage, "C3 5A 00 F8 29 76", nullptr, ""},
      {"page angle real32", Place::kPage, "C5 00 00 B4 42 F8 29 76", "types", "SetPageRotation"},
      {"page origin real32", Place::kPage, "D5 00 00 00 00 00 00 00 00 F8 2A 75", "types",
       "SetPageOrigin"},
      {"image width uint32", Place::kPage,
       "C0 00 F8 64  C0 02 F8 62  C2 04 00 00 00 F8 6C  C1 02 00 F8 6B  D1 04 00 02 00 F8 67  B0",
       "types", "BeginImage"},
      {"pattern without persistence", Place::kDataSource,
       std::string(kImage4x2) + "C3 01 00 F8 69  B3", "attributes", "BeginRastPattern"},
      {"end page with media source", Place::kDataSource,
       "C0 00 F8 28  C0 02 F8 25  43  C0 01 F8 26  44", "attributes", "EndPage"},
      {"cursor with measure", Place::kPage, "D3 01 00 02 00 F8 4C  C0 00 F8 86  6B", "attributes",
       "SetCursor"},
      {"exec stream by name", Place::kPage, "C8 C1 01 00 53 F8 8B  5E", nullptr, ""},
      {"exec stream with a length", Place::kPage, "C8 C1 01 00 53 F8 8B  C2 01 00 00 00 F8 8C  5E",
       "attributes", "ExecStream"},
      {"data source without DataOrg", Place::kStream,
       "D1 58 02 58 02 F8 89  C0 00 F8 86  41  C0 00 F8 88  48 " + std::string(kPageStart) +
           kPageEnd + kSessionEnd,
       "attributes", "OpenDataSource", 16},
  });
}

TEST(PclXlCheckerTest, Order) {
  RunCases({
      {"path outside a page", Place::kDataSource, "85", "order", "NewPath"},
      {"page before the data source", Place::kStream,
       "D1 58 02 58 02 F8 89  C0 00 F8 86  41 " + std::string(kPageStart), "order", "BeginPage"},
      {"image inside a pattern", Place::kPage,
       std::string(kImage4x2) + kPatternId1 + "B3 " + kImage4x2 + "B0", "order", "BeginImage"},
      {"text before set font", Place::kPage, "D3 01 00 02 00 F8 4C 6B  C8 C1 01 00 41 F8 AB  A8",
       "order", "Text"},
      {"operator after end session", Place::kStream,
       std::string(kSession) + kPageStart + kPageEnd + kSessionEnd + " 85", "order", "NewPath"},
      {"push and pop", Place::kPage, "61 60", nullptr, ""},
      {"pop without push", Place::kPage, "60", "order", "PopGS"},
  });
}

TEST(PclXlCheckerTest, Paths) {
  RunCases({
      {"byte run", Place::kPage,
       "85  D3 00 00 00 00 F8 4C 6B  C1 03 00 F8 4D  C0 01 F8 50  9D FB 06 01 01 02 02 03 03  86",
       nullptr, ""},
      {"16-bit bezier run", Place::kPage,
       "85  C1 03 00 F8 4D  C0 03 F8 50  95 FB 0C  01 00 01 00 02 00 02 00 03 00 03 00  86",
       nullptr, ""},
      {"byte run one byte short", Place::kPage,
       "C1 03 00 F8 4D  C0 01 F8 50  9D FB 05 01 01 02 02 03", "path", "LineRelPath", 9},
      {"bezier of 4 points", Place::kPage,
       "C1 04 00 F8 4D  C0 03 F8 50  95 FB 10  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
       "path", "BezierRelPath", 9},
      {"relative points as ubyte", Place::kPage, "C1 01 00 F8 4D  C0 00 F8 50  9D FB 02 01 01",
       "path", "LineRelPath", 9},
      {"counted path without data", Place::kPage, "C1 01 00 F8 4D  C0 01 F8 50  9D", "data",
       "LineRelPath"},
  });
}

TEST(PclXlCheckerTest, ImagesAndPatterns) {
  const std::string image = std::string(kImage4x2) + "B0 ";
  const std::string rgb_image =
      "C0 02 F8 03  6A  C0 00 F8 64  C0 02 F8 62  C1 02 00 F8 6C  C1 01 00 F8 6B  "
      "D1 02 00 01 00 F8 67  B0  C1 00 00 F8 6D  C1 01 00 F8 63  C0 00 F8 65  ";
  RunCases({
      {"raw rows", Place::kPage, image + kReadBothRows + "B1 FB 08  01 02 03 04  05 06 07 08  B2",
       nullptr, ""},
      {"run-length rows", Place::kPage,
       image + "C1 00 00 F8 6D  C1 02 00 F8 63  C0 01 F8 65  B1 FB 04  FD 11  FD 22  B2", nullptr,
       ""},
      {"raw rows short", Place::kPage, image + kReadBothRows + "B1 FB 07  01 02 03 04 05 06 07",
       "image", "ReadImage", static_cast<long>(HexBytes(image + kReadBothRows).size())},
      {"run-length row too long", Place::kPage,
       image + "C1 00 00 F8 6D  C1 02 00 F8 63  C0 01 F8 65  B1 FB 04  FC 11  FE 22", "image",
       "ReadImage", static_cast<long>(HexBytes(image).size()) + 14},
      {"run-length row across rows", Place::kPage,
       image + "C1 00 00 F8 6D  C1 02 00 F8 63  C0 01 F8 65  B1 FB 04  F9 11  00 22", "image",
       "ReadImage", static_cast<long>(HexBytes(image).size()) + 14},
      {"start line skips", Place::kPage,
       image + "C1 01 00 F8 6D  C1 01 00 F8 63  C0 00 F8 65  B1 FB 04  01 02 03 04", "image",
       "ReadImage", static_cast<long>(HexBytes(image).size()) + 14},
      {"end before the last line", Place::kPage,
       image + "C1 00 00 F8 6D  C1 01 00 F8 63  C0 00 F8 65  B1 FB 04  01 02 03 04  B2", "image",
       "EndImage"},
      {"compress mode 2", Place::kPage,
       image + "C1 00 00 F8 6D  C1 02 00 F8 63  C0 02 F8 65  B1 FB 02  FF D8", "image", "ReadImage",
       static_cast<long>(HexBytes(image).size()) + 14},
      {"read image without data", Place::kPage, image + kReadBothRows + "B1", "data", "ReadImage"},
      {"indexed 1-bit gray with a 2-entry palette", Place::kPage,
       "C0 01 F8 03  C0 02 F8 02  C8 C1 02 00 00 FF F8 06  6A "
       "C0 01 F8 64  C0 00 F8 62  C1 08 00 F8 6C  C1 01 00 F8 6B  D1 08 00 01 00 F8 67  B0 "
       "C1 00 00 F8 6D  C1 01 00 F8 63  C0 00 F8 65  B1 FB 04  AA 00 00 00  B2",
       nullptr, ""},
      {"indexed without a palette", Place::kPage,
       "C0 01 F8 64  C0 00 F8 62  C1 08 00 F8 6C  C1 01 00 F8 6B  D1 08 00 01 00 F8 67  B0",
       "image", "BeginImage"},
      {"palette of the wrong size", Place::kPage,
       "C0 01 F8 03  C0 02 F8 02  C8 C1 04 00 00 55 AA FF F8 06  6A "
       "C0 01 F8 64  C0 00 F8 62  C1 08 00 F8 6C  C1 01 00 F8 6B  D1 08 00 01 00 F8 67  B0",
       "image", "BeginImage"},
      {"direct RGB rows of 6 bytes padded to 8", Place::kPage,
       "C0 02 F8 03  6A  C0 00 F8 64  C0 02 F8 62  C1 02 00 F8 6C  C1 01 00 F8 6B  "
       "D1 02 00 01 00 F8 67  B0  C1 00 00 F8 6D  C1 01 00 F8 63  C0 00 F8 65  "
       "B1 FB 08  FF 00 00 00 FF 00 00 00  B2",
       nullptr, ""},
      {"direct RGB rows unpadded", Place::kPage, rgb_image + "B1 FB 06  FF 00 00 00 FF 00", "image",
       "ReadImage", static_cast<long>(HexBytes(rgb_image).size())},
      {"pattern defined and selected", Place::kPage,
       std::string(kImage4x2) + kPatternId1 + "B3 " + kReadBothRows +
           "B4 FB 08  01 02 03 04 05 06 07 08  B5  C3 01 00 F8 08  63",
       nullptr, ""},
      {"pattern never defined", Place::kPage, "C3 07 00 F8 08  63", "pattern", "SetBrushSource"},
      {"two colour sources", Place::kPage, "C0 00 F8 09  C0 00 F8 04  63", "attributes",
       "SetBrushSource"},
  });
}

TEST(PclXlCheckerTest, TextFontsAndCharacters) {
  const std::string download = DownloadTest();
  const std::string cursor = "D3 64 00 64 00 F8 4C 6B  ";
  RunCases({
      {"resident font", Place::kPage,
       std::string(kSetCourier) + cursor + "C8 C1 02 00 41 42 F8 AB  C8 C1 02 00 0A 0B F8 AF  A8",
       nullptr, ""},
      {"spacing count", Place::kPage,
       std::string(kSetCourier) + cursor + "C8 C1 02 00 41 42 F8 AB  C8 C1 01 00 0A F8 AF  A8",
       "text", "Text"},
      {"char size 0", Place::kPage,
       "C8 C1 07 00 43 6F 75 72 69 65 72 F8 A8  C5 00 00 00 00 F8 A6  C1 4E 02 F8 AA  6F", "text",
       "SetFont"},
      {"font never defined", Place::kPage,
       "C8 C1 04 00 4E 6F 70 65 F8 A8  C5 00 00 40 41 F8 A6  C1 4E 02 F8 AA  6F", "font",
       "SetFont"},
      {"downloaded font", Place::kPage, download + kSetTest + cursor + "C8 C1 01 00 41 F8 AB  A8",
       nullptr, ""},
      {"downloaded outside the page", Place::kDataSource, download, nullptr, ""},
      {"character never sent", Place::kPage,
       download + kSetTest + cursor + "C8 C1 01 00 42 F8 AB  A8", "text", "Text"},
      {"set font inside a font header", Place::kPage, std::string(kBeginTest) + kSetTest, "order",
       "SetFont"},
      {"font removed", Place::kPage, download + kTestName + "55 " + kSetTest, "font", "SetFont"},
      {"remove an unknown font", Place::kPage, std::string(kTestName) + "55", "font", "RemoveFont"},
      {"defined twice", Place::kPage, download + kBeginTest, "font", "BeginFontHeader",
       static_cast<long>(HexBytes(download + kBeginTest).size()) - 1},
      {"header length differs", Place::kPage, DownloadTest(kTrueTypeHeader, 99), "font",
       "ReadFontHeader", 20},
      {"character size differs", Place::kPage,
       DownloadTest(kTrueTypeHeader, 100) + kTestName +
           "52  C1 41 00 F8 A2  C2 0D 00 00 00 F8 A3  53 FB 0E "
           "01 01 00 0C 00 00 02 00 00 03 AA BB CC DD",
       "char", "ReadChar", static_cast<long>(HexBytes(DownloadTest()).size()) - 30 + 12},
      {"character sent twice", Place::kPage, download + kTestName + "52 " + kCharA + "54", "char",
       "ReadChar", static_cast<long>(HexBytes(download).size()) + 11 + 12},
  });
}

TEST(PclXlCheckerTest, ScanLines) {
  RunCases({
      {"one line", Place::kPage, "B6  B9 FB 0A 03  05 00 07 00 01 00 00  00 08  B8", nullptr, ""},
      {"two lines counted", Place::kPage,
       "B6  C1 02 00 F8 73  B9 FB 13 03  05 00 07 00 01 00 00 00 08  06 00 07 00 01 00 00 01 02  "
       "B8",
       nullptr, ""},
      {"no leading 3", Place::kPage, "B6  B9 FB 0A 04  05 00 07 00 01 00 00  00 08", "scan",
       "ScanLineRel", 1},
      {"count differs", Place::kPage,
       "B6  C1 02 00 F8 73  B9 FB 0A 03  05 00 07 00 01 00 00  00 08", "scan", "ScanLineRel", 6},
      {"record cut short", Place::kPage, "B6  B9 FB 09 03  05 00 07 00 01 00 00  00", "scan",
       "ScanLineRel", 1},
      {"scan line outside its block", Place::kPage, "B9 FB 0A 03  05 00 07 00 01 00 00  00 08",
       "order", "ScanLineRel", 0},
  });
}

TEST(PclXlCheckerTest, Warnings) {
  RunCases({
      {"long font name", Place::kPage,
       "C8 C1 11 00 41 56 65 72 79 4C 6F 6E 67 46 6F 6E 74 4E 61 6D 65 F8 A8  "
       "C5 00 00 40 41 F8 A6  C1 4E 02 F8 AA  6F",
       "font-name", "SetFont", kLastByte, XlSeverity::kWarning},
      {"clip with a path", Place::kPage, "85  E3 00 00 00 00 0A 00 0A 00 F8 42 A1  C0 00 F8 53 62",
       nullptr, ""},
      {"clip without a path", Place::kPage, "85  C0 00 F8 53 62", "clip", "SetClipReplace",
       kLastByte, XlSeverity::kWarning},
      {"page without media", Place::kDataSource, "C0 00 F8 28 43  C1 01 00 F8 31 44", "media",
       "BeginPage", 4, XlSeverity::kWarning},
      {"image of width 0", Place::kPage,
       "C0 00 F8 64  C0 02 F8 62  C1 00 00 F8 6C  C1 00 00 F8 6B  D1 00 00 00 00 F8 67  B0  B2",
       "image", "BeginImage", 25, XlSeverity::kWarning},
  });
}

// Font headers: each variant breaks one rule of the descriptor or the segments.
TEST(PclXlCheckerTest, FontHeaders) {
  struct HeaderCase {
    const char* name;
    std::string header;
    const char* message;  // part of the message; null: passes
  };
  const std::string descriptor = "00 00 02 4E 01 00 00 05 ";
  const std::string gt =
      "47 54 00 00 00 44  00 01 00 00  00 03  00 20  00 01  00 10 "
      "67 64 69 72 00 00 00 00 00 00 00 00 00 00 00 00 "
      "68 65 61 64 00 00 00 00 00 00 00 3C 00 00 00 04 "
      "6D 61 78 70 00 00 00 00 00 00 00 40 00 00 00 04 "
      "00 01 00 00  00 00 50 00 ";
  const std::string null_segment = "FF FF 00 00 00 00";
  auto replace = [](std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
  };
  const HeaderCase cases[] = {
      {"TrueType with GT, VE, VR",
       descriptor + gt +
           "56 45 00 00 00 06  00 01 00 00 00 FF "
           "56 52 00 00 00 04  00 00 00 10 " +
           null_segment,
       nullptr},
      {"bitmap with BR", "00 00 00 02 FE 00 00 20  42 52 00 00 00 04 02 58 02 58 " + null_segment,
       nullptr},
      {"short descriptor", "00 00 02 4E 01 00 00", "no 8-byte descriptor"},
      {"scaling 2", replace(descriptor, "01 00 00 05", "02 00 00 05") + gt + null_segment,
       "scaling technology 2"},
      {"no characters", replace(descriptor, "01 00 00 05", "01 00 00 00") + gt + null_segment,
       "declares no characters"},
      {"orientation 1", replace(descriptor, "00 00 02 4E", "00 01 02 4E") + gt + null_segment,
       "orientation 1"},
      {"no null segment", descriptor + gt, "null segment"},
      {"bytes after the null segment", descriptor + gt + null_segment + " 00", "follow the null"},
      {"segment past the end", descriptor + "47 43 00 00 00 08  00 00 FF FF 00 00",
       "runs past the header"},
      {"search range",
       descriptor + replace(gt, "00 20  00 01  00 10", "00 30  00 01  00 10") + null_segment,
       "do not fit numTables 3"},
      {"no head table", descriptor + replace(gt, "68 65 61 64", "68 65 61 65") + null_segment,
       "no 'head'"},
      {"table outside the segment",
       descriptor + replace(gt, "00 00 00 40 00 00 00 04", "00 00 00 42 00 00 00 04") +
           null_segment,
       "outside the segment"},
      {"TrueType without GT", descriptor + null_segment, "without a 'GT'"},
      {"bitmap without BR", "00 00 00 02 FE 00 00 20 " + null_segment, "without a 'BR'"},
      {"GC size", descriptor + gt + "47 43 00 00 00 08  00 00 FF FF 00 00 00 00 " + null_segment,
       "'GC' segment of 8"},
      {"VE size", descriptor + gt + "56 45 00 00 00 04  00 01 00 00 " + null_segment,
       "'VE' segment of 4"},
      {"VR size", descriptor + gt + "56 52 00 00 00 02  00 00 " + null_segment,
       "'VR' segment of 2"},
      {"unknown segment", descriptor + gt + "51 51 00 00 00 00 " + null_segment,
       "unknown segment 'QQ'"},
  };
  const PclXlChecker checker;
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int length = static_cast<int>(HexBytes(c.header).size());
    const Case frame{c.name, Place::kPage, DownloadTest(c.header, length), nullptr, ""};
    const Built built = Build(frame);
    const XlCheckResult result = checker.Check(built.bytes);
    if (c.message == nullptr) {
      EXPECT_TRUE(result.findings.empty()) << result.Report();
      continue;
    }
    const std::size_t end_header = built.base + HexBytes(frame.body).size() - 1;
    bool found = false;
    for (const XlFinding& f : result.findings) {
      found = found || (f.rule == "font" && f.op_name == "EndFontHeader" &&
                        f.offset == end_header && f.message.find(c.message) != std::string::npos);
    }
    EXPECT_TRUE(found) << "expected \"" << c.message << "\"; found:\n" << result.Report();
  }
}

// Characters: TrueType and bitmap layouts, the code count of the font.
TEST(PclXlCheckerTest, Characters) {
  struct CharCase {
    const char* name;
    std::string chars;    // BeginChar ... EndChar contents after the font name
    const char* message;  // null: passes
  };
  auto read_char = [](const std::string& code, const std::string& data) {
    char size[64];
    std::snprintf(size, sizeof size, "C2 %02X 00 00 00 F8 A3  53 FB %02X ",
                  static_cast<unsigned>(HexBytes(data).size()),
                  static_cast<unsigned>(HexBytes(data).size()));
    return "C1 " + code + " F8 A2  " + size + data + " ";
  };
  const std::string glyph = "01 01 00 0C 00 00 02 00 00 03 AA BB CC DD";
  const CharCase cases[] = {
      {"class 2", read_char("41 00", "01 02 00 0E 00 00 02 00 00 05 00 03 AA BB CC DD"), nullptr},
      {"composite parts as 0xFFFF twice",
       read_char("FF FF", glyph) + read_char("FF FF", glyph) + read_char("41 00", glyph), nullptr},
      {"format 2", read_char("41 00", "02 01 00 0C 00 00 02 00 00 03 AA BB CC DD"),
       "format 2 is not 1"},
      {"class 3", read_char("41 00", "01 03 00 0C 00 00 02 00 00 03 AA BB CC DD"),
       "class 3 is not 1 or 2"},
      {"inner size", read_char("41 00", "01 01 00 0D 00 00 02 00 00 03 AA BB CC DD"),
       "size field 13"},
      {"short header", read_char("41 00", "01 02 00 08 00 00 02 00 00 03"),
       "shorter than its 12-byte header"},
      {"more codes than declared",
       read_char("41 00", glyph) + read_char("42 00", glyph) + read_char("43 00", glyph) +
           read_char("44 00", glyph) + read_char("45 00", glyph) + read_char("46 00", glyph),
       "more than its 5 characters"},
  };
  const PclXlChecker checker;
  for (const CharCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Case frame{c.name, Place::kPage,
                     DownloadTest(kTrueTypeHeader, 100) + kTestName + "52 " + c.chars + "54",
                     nullptr, ""};
    const XlCheckResult result = checker.Check(Build(frame).bytes);
    if (c.message == nullptr) {
      EXPECT_TRUE(result.findings.empty()) << result.Report();
      continue;
    }
    bool found = false;
    for (const XlFinding& f : result.findings) {
      found = found || (f.rule == "char" && f.op_name == "ReadChar" &&
                        f.message.find(c.message) != std::string::npos);
    }
    EXPECT_TRUE(found) << "expected \"" << c.message << "\"; found:\n" << result.Report();
  }

  // A bitmap font: rows of ceil(width / 8) bytes after the 10-byte header.
  const std::string bitmap_header =
      "00 00 00 02 FE 00 00 20  42 52 00 00 00 04 02 58 02 58  FF FF 00 00 00 00";
  const std::string good = read_char("41 00", "00 00 00 00 00 0A 00 09 00 02  FF 80 7F 00");
  const std::string bad = read_char("42 00", "00 00 00 00 00 0A 00 09 00 02  FF 80 7F");
  const XlCheckResult bitmap = checker.Check(
      Build({"bitmap", Place::kPage,
             DownloadTest(bitmap_header, 24) + kTestName + "52 " + good + bad + "54", nullptr, ""})
          .bytes);
  ASSERT_EQ(bitmap.ErrorCount(), 1u) << bitmap.Report();
  EXPECT_NE(bitmap.findings[0].message.find("needs 14 bytes, not 13"), std::string::npos);
  const XlFont* font = bitmap.job.FindFont("Test");
  ASSERT_NE(font, nullptr);
  ASSERT_NE(font->Char(0x41), nullptr);
  EXPECT_EQ(font->Char(0x41)->width, 9);
  EXPECT_EQ(font->Char(0x41)->height, 2);
  EXPECT_TRUE(BytesEqual(HexBytes("FF 80 7F 00"), font->Char(0x41)->glyph));
}

// The PJL envelope around the stream.
TEST(PclXlCheckerTest, Envelope) {
  const Built stream = Build({"", Place::kPage, "", nullptr, ""});
  auto frame = [&](const std::string& before, const std::string& after) {
    Bytes out = AsBytes(before);
    out.insert(out.end(), stream.bytes.begin(), stream.bytes.end());
    const Bytes tail = AsBytes(after);
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
  };
  const std::string uel = "\x1b%-12345X";
  const std::string start = uel +
                            "@PJL JOB NAME=\"abc\"\r\n@PJL SET RESOLUTION=600\r\n"
                            "@PJL ENTER LANGUAGE=PCLXL\r\n";
  const std::string end = uel + "@PJL EOJ NAME=\"abc\"\r\n" + uel;
  struct EnvelopeCase {
    const char* name;
    Bytes bytes;
    const char* message;  // null: passes
  };
  const EnvelopeCase cases[] = {
      {"framed job", frame(start, end), nullptr},
      {"user name with a tab",
       frame(uel + "@PJL JOB NAME=\"a\tb\"\r\n@PJL SET USERNAME=\"X\"\r\n"
                   "@PJL ENTER LANGUAGE=PCLXL\r\n",
             uel + "@PJL EOJ NAME=\"a\tb\"\r\n" + uel),
       nullptr},
      {"first line not the job line",
       frame(uel + "@PJL SET RESOLUTION=600\r\n@PJL ENTER LANGUAGE=PCLXL\r\n", end),
       "first PJL line"},
      {"no language line", frame(uel + "@PJL JOB NAME=\"abc\"\r\n", end), "PJL line expected"},
      {"line ends in LF alone",
       frame(uel + "@PJL JOB NAME=\"abc\"\n@PJL ENTER LANGUAGE=PCLXL\r\n", end), "control byte"},
      {"quote in the name",
       frame(uel + "@PJL JOB NAME=\"a\"b\"\r\n@PJL ENTER LANGUAGE=PCLXL\r\n",
             uel + "@PJL EOJ NAME=\"a\"b\"\r\n" + uel),
       "holds a double quote"},
      {"name with a quoted part",
       frame(uel + "@PJL JOB NAME=\"a\"b\"c\"\r\n@PJL ENTER LANGUAGE=PCLXL\r\n", end),
       "holds a double quote"},
      {"unbalanced quote",
       frame(
           uel +
               "@PJL JOB NAME=\"abc\"\r\n@PJL SET USERNAME=\"abc\r\n@PJL ENTER LANGUAGE=PCLXL\r\n",
           end),
       "unbalanced"},
      {"other end name", frame(start, uel + "@PJL EOJ NAME=\"abd\"\r\n" + uel), "end line is not"},
      {"no closing sequence", frame(start, uel + "@PJL EOJ NAME=\"abc\"\r\n"), "not followed by"},
      {"bytes after the end", frame(start, end + "x"), "after the closing UEL"},
      {"no trailer", frame(start, ""), "not closed"},
  };
  const PclXlChecker checker;
  for (const EnvelopeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const XlCheckResult result = checker.Check(c.bytes);
    if (c.message == nullptr) {
      EXPECT_TRUE(result.findings.empty()) << result.Report();
      EXPECT_TRUE(result.job.has_envelope);
      continue;
    }
    bool found = false;
    for (const XlFinding& f : result.findings) {
      found = found || (f.rule == "envelope" && f.message.find(c.message) != std::string::npos);
    }
    EXPECT_TRUE(found) << "expected \"" << c.message << "\"; found:\n" << result.Report();
  }
  const XlCheckResult framed = checker.Check(frame(start, end));
  EXPECT_EQ(framed.job.job_name, "abc");
  EXPECT_EQ(framed.job.language, "PCLXL");
  ASSERT_EQ(framed.job.pjl_lines.size(), 3u);
  EXPECT_EQ(framed.job.pjl_lines[1], "@PJL SET RESOLUTION=600");
  EXPECT_EQ(framed.job.pjl_end_line, "@PJL EOJ NAME=\"abc\"");
  // Offsets count from the first byte of the whole job.
  const XlCheckResult bad = checker.Check(frame(start, uel + "@PJL EOJ NAME=\"abd\"\r\n" + uel));
  ASSERT_FALSE(bad.findings.empty());
  EXPECT_EQ(bad.findings[0].offset, start.size() + stream.bytes.size() + uel.size());
}

TEST(PclXlCheckerTest, HeaderLine) {
  const PclXlChecker checker;
  const Built good = Build({"", Place::kPage, "", nullptr, ""});
  const XlCheckResult result = checker.Check(good.bytes);
  EXPECT_TRUE(result.findings.empty()) << result.Report();
  EXPECT_EQ(result.job.protocol_class, 2);
  EXPECT_EQ(result.job.revision, 0);
  EXPECT_EQ(result.job.pages.size(), 1u);

  Bytes big_endian = good.bytes;
  big_endian[0] = '(';
  EXPECT_TRUE(checker.Check(big_endian).HasRule("header"));
  Bytes no_fields = AsBytes(") QZ-PCL XL\n");
  const Bytes rest(good.bytes.begin() + static_cast<std::ptrdiff_t>(std::string(kHeader).size()),
                   good.bytes.end());
  no_fields.insert(no_fields.end(), rest.begin(), rest.end());
  const XlCheckResult fields = checker.Check(no_fields);
  ASSERT_TRUE(fields.HasRule("header")) << fields.Report();
  EXPECT_EQ(fields.findings[0].offset, 0u);
  EXPECT_TRUE(checker.Check(HexBytes("41 42")).HasRule("header"));
  // A stream cut in the middle of a value is reported where the value starts.
  Bytes cut = good.bytes;
  cut.resize(std::string(kHeader).size() + 3);
  const XlCheckResult truncated = checker.Check(cut);
  ASSERT_TRUE(truncated.HasRule("decode")) << truncated.Report();
}

// Found by the fuzz target: a real32 box of NaN made the dump cast NaN to an integer.
TEST(PclXlCheckerTest, DumpOfNonFiniteRealsIsSafe) {
  const Bytes job =
      Build({"", Place::kPage, "E5 FF FF FF FF  FF FF FF 7F  00 00 80 7F  00 00 80 FF F8 42  A1",
             nullptr, ""})
          .bytes;
  const XlCheckResult result = PclXlChecker().Check(job);
  EXPECT_TRUE(result.HasRule("types"));
  const std::string dump = DumpPclXlJob(result.job);
  EXPECT_NE(dump.find("nan"), std::string::npos) << dump;
  EXPECT_NE(dump.find("inf"), std::string::npos) << dump;
}

// The model: pages with their operators, decoded rows, fonts with their characters.
TEST(PclXlCheckerTest, ModelOfTheJob) {
  const std::string body =
      DownloadTest() + kSetTest + "D3 64 00 64 00 F8 4C 6B  C8 C1 01 00 41 F8 AB  A8 " + kImage4x2 +
      "B0 C1 00 00 F8 6D  C1 02 00 F8 63  C0 01 F8 65  B1 FB 04  FD 11  FD 22  B2";
  const XlCheckResult result =
      PclXlChecker().Check(Build({"", Place::kPage, body, nullptr, ""}).bytes);
  ASSERT_EQ(result.ErrorCount(), 0u) << result.Report();
  ASSERT_EQ(result.job.pages.size(), 1u);
  const std::vector<XlOperation>& page = result.job.pages[0].operations;
  EXPECT_EQ(page.front().code, 0x43);
  EXPECT_EQ(page.back().code, 0x44);
  const auto text =
      std::find_if(page.begin(), page.end(), [](const XlOperation& o) { return o.code == 0xA8; });
  ASSERT_NE(text, page.end());
  EXPECT_EQ(text->Find(0xAB)->Text(), "A");

  ASSERT_EQ(result.job.rasters.size(), 1u);
  const XlRaster& image = result.job.rasters[0];
  EXPECT_EQ(image.row_bytes, 4u);
  ASSERT_EQ(image.rows.size(), 2u);
  EXPECT_TRUE(BytesEqual(HexBytes("11 11 11 11"), image.rows[0]));
  EXPECT_TRUE(BytesEqual(HexBytes("22 22 22 22"), image.rows[1]));

  const XlFont* font = result.job.FindFont("Test");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->scaling, 1);
  EXPECT_EQ(font->mapping, 590);
  EXPECT_EQ(font->num_chars, 5);
  ASSERT_NE(font->Segment(0x4754), nullptr);
  EXPECT_EQ(font->Segment(0x4754)->data.size(), 68u);
  const XlFontChar* a = font->Char(0x41);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->advance_width, 0x200);
  EXPECT_EQ(a->glyph_id, 3);
  EXPECT_TRUE(BytesEqual(HexBytes("AA BB CC DD"), a->glyph));
  EXPECT_NE(DumpPclXlJob(result.job).find("SetFont"), std::string::npos);
}

}  // namespace
}  // namespace vel::test
