// The PostScript emitter's operators, numbers, hexadecimal data, images, patterns, text and
// encoding vectors, byte for byte; its buffer and the answers without a flush callback.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "framework/output/postscript/GPSLibWriter.h"
#include "tests/framework/PSTestSink.h"
#include "tests/support/ScopedLocale.h"

namespace {

using vel::test::CrLfLines;
using vel::test::EmitPS;
using vel::test::PSTestSink;

using Write = std::function<std::int32_t(GPSLibWriter&)>;

struct OperatorCase {
  const char* name;
  Write write;
  const char* text;
};

const std::uint16_t kDash[] = {4, 2};
const std::uint16_t kZeroDash[] = {0, 0};

// Every operator and number writer with the text it writes.
const OperatorCase kOperators[] = {
    {"WriteString", [](GPSLibWriter& w) { return w.WriteString("abc"); }, "abc"},
    {"WriteStringEmpty", [](GPSLibWriter& w) { return w.WriteString(""); }, ""},
    {"WriteByte", [](GPSLibWriter& w) { return w.WriteByte('A'); }, "A"},
    {"WriteInt", [](GPSLibWriter& w) { return w.WriteInt(-2147483647 - 1); }, "-2147483648 "},
    {"WriteShort", [](GPSLibWriter& w) { return w.WriteShort(-32768); }, "-32768 "},
    {"WriteUShort", [](GPSLibWriter& w) { return w.WriteUShort(65535); }, "65535 "},
    {"WritePoint", [](GPSLibWriter& w) { return w.WritePoint(-1, 2); }, "-1 2 "},
    {"Arc", [](GPSLibWriter& w) { return w.Arc(10, 20, 5.5f, 0.0f, 90.0f); },
     "10 20 5.5000 0 90 arc "},
    {"ArcN", [](GPSLibWriter& w) { return w.ArcN(0, 0, 50.0f, -30.0f, -0.5f); },
     "0 0 50 -30 -0.5000 arcn "},
    {"ArcTo", [](GPSLibWriter& w) { return w.ArcTo(1, 2, 3, 4, 2.0f); }, "1 2 3 4 2 arct "},
    {"CurveTo", [](GPSLibWriter& w) { return w.CurveTo(1, 2, 3, 4, 5, 6); },
     "1 2 3 4 5 6 curveto "},
    {"MoveTo", [](GPSLibWriter& w) { return w.MoveTo(-5, 7); }, "-5 7 moveto "},
    {"LineTo", [](GPSLibWriter& w) { return w.LineTo(100, 200); }, "100 200 lineto \r\n"},
    {"NewPath", [](GPSLibWriter& w) { return w.NewPath(); }, "newpath "},
    {"ClosePath", [](GPSLibWriter& w) { return w.ClosePath(); }, "closepath "},
    {"Clip", [](GPSLibWriter& w) { return w.Clip(); }, "clip "},
    {"EOClip", [](GPSLibWriter& w) { return w.EOClip(); }, "eoclip "},
    {"InitClip", [](GPSLibWriter& w) { return w.InitClip(); }, "initclip "},
    {"Fill", [](GPSLibWriter& w) { return w.Fill(); }, "fill "},
    {"EOFill", [](GPSLibWriter& w) { return w.EOFill(); }, "eofill "},
    {"Stroke", [](GPSLibWriter& w) { return w.Stroke(); }, "stroke "},
    {"GSave", [](GPSLibWriter& w) { return w.GSave(); }, "gsave\r\n"},
    {"GRestore", [](GPSLibWriter& w) { return w.GRestore(); }, "grestore\r\n"},
    {"ShowPage", [](GPSLibWriter& w) { return w.ShowPage(); }, "showpage\r\n"},
    {"Translate", [](GPSLibWriter& w) { return w.Translate(0, 792); }, "0 792 translate \r\n"},
    {"ScaleIntegers", [](GPSLibWriter& w) { return w.Scale(2, -3); }, "2 -3 scale \r\n"},
    {"ScaleReals", [](GPSLibWriter& w) { return w.Scale(0.12f, -0.12f); },
     ".1200 -0.1200 scale \r\n"},
    {"SetLineCap", [](GPSLibWriter& w) { return w.SetLineCap(1); }, "1 setlinecap "},
    {"SetLineJoin", [](GPSLibWriter& w) { return w.SetLineJoin(2); }, "2 setlinejoin "},
    {"SetLineWidth", [](GPSLibWriter& w) { return w.SetLineWidth(2.5f); }, "2.5000 setlinewidth "},
    {"SetMiterLimit", [](GPSLibWriter& w) { return w.SetMiterLimit(10.0f); }, "10 setmiterlimit "},
    {"SetMiterLimitBelowOne", [](GPSLibWriter& w) { return w.SetMiterLimit(0.5f); },
     "1 setmiterlimit "},
    {"SetSolidLine", [](GPSLibWriter& w) { return w.SetSolidLine(); }, "[] 0 setdash "},
    {"SetDash", [](GPSLibWriter& w) { return w.SetDash(kDash, 2, 1); }, " [4 2 ] 1 setdash\r\n"},
    // PostScript refuses an all-zero dash array with a rangecheck: it is a solid line.
    {"SetDashAllZero", [](GPSLibWriter& w) { return w.SetDash(kZeroDash, 2, 3); },
     " [] 3 setdash\r\n"},
    {"SetDashNoArray", [](GPSLibWriter& w) { return w.SetDash(nullptr, 5, 0); },
     " [] 0 setdash\r\n"},
    {"SetRGBColor", [](GPSLibWriter& w) { return w.SetRGBColor(1.0f, 0.5f, 0.0f); },
     "1 .5000 0  setrgbcolor\r\n"},
    {"SetPattern", [](GPSLibWriter& w) { return w.SetPattern(7); }, "Patt7 setpattern\r\n"},
    {"BeginBrush", [](GPSLibWriter& w) { return w.BeginBrush(); }, "/brush { "},
    {"UseBrush", [](GPSLibWriter& w) { return w.UseBrush(); }, " brush "},
    {"BeginPen", [](GPSLibWriter& w) { return w.BeginPen(); }, "/Pen { "},
    {"UsePen", [](GPSLibWriter& w) { return w.UsePen(); }, "Pen "},
    {"EndDefinition", [](GPSLibWriter& w) { return w.EndDefinition(); }, "} def "},
    {"EndImageData", [](GPSLibWriter& w) { return w.EndImageData(); }, "> \r\n"},
};

TEST(GPSLibWriterTest, EachOperatorWritesItsText) {
  for (const OperatorCase& c : kOperators) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.text, EmitPS(c.write));
  }
}

TEST(GPSLibWriterTest, WithoutCallbackEveryWriteAnswersFiveAndWritesNothing) {
  GPSLibWriter writer(nullptr);
  for (const OperatorCase& c : kOperators) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GPSLibWriter::kNoFlushCallback, c.write(writer));
  }
  const std::uint8_t bytes[] = {1, 2};
  const std::int16_t widths[] = {1};
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.WriteString(nullptr));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.WriteReal(1e10f));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.WriteHex(bytes, 2));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.WriteHex(bytes, 0));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.WriteHexString(bytes, 2));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.SetColorSpace(1, 1, bytes));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.BeginImage(1, 1, 1, 8, 0));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.BeginPattern(1, 1, 8));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.EndPattern(1, 1));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.XShow("a", 1, widths, 1));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.YShow("a", 1, widths, 1));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.XYShow("a", 1, widths, 1, widths, 1));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.DefineEncoding(629));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback,
            writer.SelectFont("Courier", 10.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 629));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.DocumentSetup(600, 600, 0, 0, 0, 1, 0, 0));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.PageSetup(612, 792, 0, "Plain", 0, 1));
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.PageTrailer());
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.DocumentTrailer());
  EXPECT_EQ(GPSLibWriter::kNoFlushCallback, writer.Flush());
  EXPECT_EQ(0u, writer.BufferedBytes());
}

// ---- Reals -------------------------------------------------------------------------------------

struct RealCase {
  float value;
  const char* text;
};

const RealCase kReals[] = {
    {0.12f, ".1200 "},  // 1199.99997 in double precision: the digits are computed in float
    {-0.12f, "-0.1200 "},
    {0.05f, ".0500 "},
    {2.0f, "2 "},
    {-2.5f, "-2.5000 "},
    {1.5f, "1.5000 "},
    {0.0f, "0 "},
    {-0.0f, "0 "},
    {0.00001f, "0 "},  // below the fourth decimal
    {-0.00001f, "0 "},
    {0.0001f, ".0001 "},
    {-3.0f, "-3 "},
    {2.99999f, "2.9999 "},  // truncated, not rounded (2.99998999 in float)
    {0.99999994f, ".9999 "},
    {72.0f / 600.0f, ".1200 "},
    {600.0f * 0.013888889f, "8.3333 "},
    {2147483520.0f, "2147483520 "},  // the largest float below 2^31
    {-2147483520.0f, "-2147483520 "},
};

const float kUnformattable[] = {
    std::numeric_limits<float>::quiet_NaN(),
    std::numeric_limits<float>::infinity(),
    -std::numeric_limits<float>::infinity(),
    1e10f,
    2147483648.0f,
    -2147483648.0f,
};

constexpr char kRealError[] = "\r\n%% PSLIB error in converting GReal to asc\r\n";

void ExpectRealTexts() {
  for (const RealCase& c : kReals) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(c.text, EmitPS([&](GPSLibWriter& w) { return w.WriteReal(c.value); }));
  }
  for (float value : kUnformattable) {
    SCOPED_TRACE(value);
    EXPECT_EQ(kRealError, EmitPS([&](GPSLibWriter& w) { return w.WriteReal(value); },
                                 GPSLibWriter::kFormatFailed));
  }
}

TEST(GPSLibWriterTest, WriteRealTruncatesToFourDecimalsInSinglePrecision) {
  ExpectRealTexts();
}

TEST(GPSLibWriterTest, WriteRealIgnoresTheGlobalLocale) {
  vel::test::ScopedLocale locale = vel::test::ScopedLocale::CommaDecimal();
  if (!locale.Active()) {
    GTEST_SKIP() << "no comma-decimal locale; scripts/setup generates de_DE.UTF-8";
  }
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 0.5);
  ASSERT_STREQ("0,5", probe);  // the locale is in force
  ExpectRealTexts();
}

TEST(GPSLibWriterTest, AnUnformattableRealStillWritesTheRestOfTheOperator) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(std::string("1 2 ") + kRealError + "0 90 arc ",
            EmitPS([&](GPSLibWriter& w) { return w.Arc(1, 2, 3.0f * nan, 0.0f, 90.0f); },
                   GPSLibWriter::kFormatFailed));
  EXPECT_EQ(
      std::string(kRealError) + "-1 scale \r\n",
      EmitPS([](GPSLibWriter& w) { return w.Scale(1e10f, -1.0f); }, GPSLibWriter::kFormatFailed));
}

// ---- Hexadecimal data --------------------------------------------------------------------------

// The reference spelling: "%02X" per byte, CR LF after each 128 bytes and after the last part.
std::string HexLines(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char digits[3];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
    text += digits;
    if (i % 128 == 127 || i + 1 == bytes.size()) {
      text += "\r\n";
    }
  }
  return text;
}

TEST(GPSLibWriterTest, WriteHexBreaksLinesAfter128Bytes) {
  for (std::size_t count : {0, 1, 127, 128, 129, 256, 1000, 20000}) {
    SCOPED_TRACE(count);
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
      bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    const std::string text = EmitPS([&](GPSLibWriter& w) {
      return w.WriteHex(bytes.data(), static_cast<std::uint32_t>(count));
    });
    EXPECT_EQ(HexLines(bytes), text);
    if (count == 128) {
      EXPECT_EQ(258u, text.size());
    }
    if (count == 129) {
      EXPECT_EQ(262u, text.size());
    }
  }
  const std::uint8_t bytes[] = {0x00, 0xAB, 0xFF};
  EXPECT_EQ("<00ABFF\r\n>", EmitPS([&](GPSLibWriter& w) { return w.WriteHexString(bytes, 3); }));
  EXPECT_EQ("<>", EmitPS([](GPSLibWriter& w) { return w.WriteHexString(nullptr, 5); }));
}

// ---- Colour spaces, images and patterns --------------------------------------------------------

TEST(GPSLibWriterTest, ColourSpaces) {
  const std::uint8_t rgb[] = {0x00, 0x00, 0x00, 0xFF, 0x80, 0x01};
  EXPECT_EQ("[/Indexed /DeviceRGB  1 <000000FF8001\r\n>] setcolorspace \r\n",
            EmitPS([&](GPSLibWriter& w) { return w.SetColorSpace(1, 1, rgb); }));
  std::vector<std::uint8_t> grey(256);
  for (int i = 0; i < 256; ++i) {
    grey[i] = static_cast<std::uint8_t>(255 - i);
  }
  EXPECT_EQ("[/Indexed /DeviceGray  255 <" + HexLines(grey) + ">] setcolorspace \r\n",
            EmitPS([&](GPSLibWriter& w) { return w.SetColorSpace(0, 8, grey.data()); }));
  EXPECT_EQ("/DeviceRGB setcolorspace ",
            EmitPS([](GPSLibWriter& w) { return w.SetColorSpace(1, 8, nullptr); }));
  EXPECT_EQ("/DeviceGray setcolorspace ",
            EmitPS([](GPSLibWriter& w) { return w.SetColorSpace(2, 1, nullptr); }));
  // A depth with no palette of its own: the palette is not read.
  EXPECT_EQ("/DeviceRGB setcolorspace ",
            EmitPS([&](GPSLibWriter& w) { return w.SetColorSpace(1, 24, rgb); }));
}

TEST(GPSLibWriterTest, ImageHeaders) {
  const char* tail = "/DataSource currentfile /ASCIIHexDecode filter >> image \r\n";
  EXPECT_EQ(std::string("<< /ImageType 1 /Width 8 /Height 4 /BitsPerComponent 8 \r\n"
                        "/Decode [0 1 0 1 0 1] /ImageMatrix [8 0 0 -4 0 4] ") +
                tail,
            EmitPS([](GPSLibWriter& w) { return w.BeginImage(8, 4, 1, 8, 0); }));
  EXPECT_EQ(std::string("<< /ImageType 1 /Width 3 /Height 2 /BitsPerComponent 8 \r\n"
                        "/Decode [0 1] /ImageMatrix [3 0 0 -2 0 2] ") +
                tail,
            EmitPS([](GPSLibWriter& w) { return w.BeginImage(3, 2, 0, 8, 0); }));
  EXPECT_EQ(std::string("<< /ImageType 1 /Width 16 /Height 1 /BitsPerComponent 4 \r\n"
                        "/Decode [0 15] /ImageMatrix [16 0 0 -1 0 1] ") +
                tail,
            EmitPS([](GPSLibWriter& w) { return w.BeginImage(16, 1, 1, 4, 1); }));
  EXPECT_EQ(std::string("<< /ImageType 1 /Width 1 /Height 1 /BitsPerComponent 1 \r\n"
                        "/Decode [0 1] /ImageMatrix [1 0 0 -1 0 1] ") +
                tail,
            EmitPS([](GPSLibWriter& w) { return w.BeginImage(1, 1, 1, 1, 1); }));
}

TEST(GPSLibWriterTest, PatternDefinition) {
  const std::uint8_t rows[] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
  const std::string text = EmitPS([&](GPSLibWriter& w) {
    std::int32_t status = w.BeginPattern(8, 8, 1);
    status |= w.WriteHex(rows, 8);
    return status | w.EndPattern(1, 3);
  });
  EXPECT_EQ(
      "<</PatternType 1 /PaintType 1 /TilingType 2 "
      "/BBox [0 0 8 8] /XStep 8 /YStep 8 "
      "/PaintProc { "
      "  begin gsave "
      "  0 8 translate "
      "  8 -8 scale "
      "  8 8 1"
      "  [8 0 0 -8 0 8] "
      "  < "
      "AA55AA55AA55AA55\r\n"
      "  > "
      "  false "
      "  3 "
      "  colorimage "
      "  grestore end "
      "} "
      ">> "
      "matrix "
      "makepattern "
      "/Patt3 exch def ",
      text);
  EXPECT_EQ("  >   false   1   colorimage   grestore end } >> matrix makepattern /Patt1 exch def ",
            EmitPS([](GPSLibWriter& w) { return w.EndPattern(0, 1); }));
}

// ---- Text --------------------------------------------------------------------------------------

struct EscapeCase {
  const char* name;
  std::string text;
  const char* literal;
};

// Parentheses and backslashes escaped, control bytes and DEL in octal, everything else as is.
const EscapeCase kEscapes[] = {
    {"Plain", "Hello, world", "(Hello, world)"},
    {"CloseParenAndBackslash", "A)B\\", "(A\\)B\\\\)"},
    {"OpenParen", "(", "(\\()"},
    {"ControlBytes", "\x01\t\r\n\x1f\x7f", "(\\001\\011\\015\\012\\037\\177)"},
    {"EmbeddedNul", std::string("a\0b", 3), "(a\\000b)"},
    {"HighBytes", "\xe9\x80\xff", "(\xe9\x80\xff)"},
    {"Percent", "100%", "(100%)"},
    {"Empty", "", "()"},
};

TEST(GPSLibWriterTest, ShowsAndTheMediaTypeEscapeTheirText) {
  const std::int16_t advances[] = {10};
  for (const EscapeCase& c : kEscapes) {
    SCOPED_TRACE(c.name);
    const auto length = static_cast<std::uint32_t>(c.text.size());
    const std::string literal = c.literal;
    const std::string x =
        EmitPS([&](GPSLibWriter& w) { return w.XShow(c.text.data(), length, advances, 1); });
    EXPECT_EQ(literal + "[", x.substr(0, literal.size() + 1));
    EXPECT_EQ("] xshow\r\n", x.substr(x.size() - 9));
    const std::string y =
        EmitPS([&](GPSLibWriter& w) { return w.YShow(c.text.data(), length, advances, 1); });
    EXPECT_EQ(literal + "[", y.substr(0, literal.size() + 1));
    const std::string xy = EmitPS(
        [&](GPSLibWriter& w) { return w.XYShow(c.text.data(), length, advances, 1, advances, 1); });
    EXPECT_EQ(literal + "[10 10 ", xy.substr(0, literal.size() + 7));
    if (!c.text.empty() && c.text.find('\0') == std::string::npos) {
      const std::string page = EmitPS([&](GPSLibWriter& w) {
        return w.DocumentSetup(600, 600, 0, 0, 0, 1, 0, 0) |
               w.PageSetup(612, 792, 0, c.text.c_str(), 0, 1);
      });
      EXPECT_NE(std::string::npos, page.find(" /MediaType " + literal + " /ManualFeed")) << page;
    }
  }
}

TEST(GPSLibWriterTest, ShowsWriteExactlyLengthBytesAndAnAdvanceForEach) {
  const std::int16_t xs[] = {1, 2, 3};
  const std::int16_t ys[] = {4};
  // The length counts, not a terminator: "abc" cut to 2.
  EXPECT_EQ("(ab)[1 2 ] xshow\r\n",
            EmitPS([&](GPSLibWriter& w) { return w.XShow("abc", 2, xs, 2); }));
  // More advances than bytes are all written; fewer are made up with 0, which the show needs.
  EXPECT_EQ("(a)[1 2 3 ] yshow\r\n",
            EmitPS([&](GPSLibWriter& w) { return w.YShow("a", 1, xs, 3); }));
  EXPECT_EQ("(abc)[1 0 0 ] xshow\r\n",
            EmitPS([&](GPSLibWriter& w) { return w.XShow("abc", 3, xs, 1); }));
  EXPECT_EQ("(ab)[0 0 ] xshow\r\n",
            EmitPS([](GPSLibWriter& w) { return w.XShow("ab", 2, nullptr, 7); }));
  // Pairs run to the longest of the arrays and the text; missing values are 0.
  EXPECT_EQ("(abc)[1 4 2 0 3 0 ] xyshow\r\n",
            EmitPS([&](GPSLibWriter& w) { return w.XYShow("abc", 3, xs, 3, ys, 1); }));
  EXPECT_EQ("(ab)[0 4 0 0 ] xyshow\r\n",
            EmitPS([&](GPSLibWriter& w) { return w.XYShow("ab", 2, nullptr, 3, ys, 1); }));
  EXPECT_EQ("()[] xshow\r\n",
            EmitPS([](GPSLibWriter& w) { return w.XShow(nullptr, 4, nullptr, 0); }));
}

struct FontCase {
  const char* name;
  float size, shear_a, shear_b, scale_x, scale_y, angle;
  std::int16_t symbol_set;
  const char* text;
};

const FontCase kFonts[] = {
    {"Upright", 12.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 629,
     "SymbolEcoding629  /_Times-Roman /Times-Roman reencode\r\n"
     "[ 12 0 0 12  neg 0 0 ]  /_Times-Roman MF\r\n"},
    {"NegativeZeroAngle", 12.0f, 0.0f, 0.0f, 1.0f, 1.0f, -0.0f, 293,
     "SymbolEcoding293  /_Times-Roman /Times-Roman reencode\r\n"
     "[ 12 0 0 12  neg 0 0 ]  /_Times-Roman MF\r\n"},
    {"RotatedAndSheared", 10.0f, 0.31623f, 0.0f, 1.5f, 1.0f, 30.0f, 621,
     "SymbolEcoding621  /_Times-Roman /Times-Roman reencode\r\n"
     "[ 15 0 .3162 10  neg 0 0 ] 30  neg [0 0 0 0 0 0] rotate  [0 0 0 0 0 0] concatmatrix "
     " /_Times-Roman MF\r\n"},
    // A size of 0 gives 0.000001 x 1; four decimals would print 0 and a singular matrix.
    {"SizeZero", 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 629,
     "SymbolEcoding629  /_Times-Roman /Times-Roman reencode\r\n"
     "[ .0001 0 0 .0001  neg 0 0 ]  /_Times-Roman MF\r\n"},
    {"ScaleZeroAndTiny", 12.0f, 0.0f, 0.0f, -1.0f, 0.000002f, 0.0f, 629,
     "SymbolEcoding629  /_Times-Roman /Times-Roman reencode\r\n"
     "[ .0001 0 0 .0001  neg 0 0 ]  /_Times-Roman MF\r\n"},
};

TEST(GPSLibWriterTest, SelectFont) {
  for (const FontCase& c : kFonts) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.text, EmitPS([&](GPSLibWriter& w) {
                return w.SelectFont("Times-Roman", c.size, c.shear_a, c.shear_b, c.scale_x,
                                    c.scale_y, c.angle, c.symbol_set);
              }));
  }
}

// ---- Encoding vectors --------------------------------------------------------------------------

struct Vector {
  std::string name;                // the line before the array
  std::vector<std::string> items;  // the array's entries: names with their slash, or numbers
  std::string text;
};

Vector DefinedVector(std::int16_t symbol_set) {
  Vector vector;
  vector.text = EmitPS([&](GPSLibWriter& w) { return w.DefineEncoding(symbol_set); });
  const std::size_t open = vector.text.find("\r\n[");
  const std::size_t close = vector.text.rfind("]def\r\n");
  EXPECT_NE(std::string::npos, open);
  EXPECT_EQ(vector.text.size() - 6, close);
  vector.name = vector.text.substr(0, open);
  std::istringstream items(vector.text.substr(open + 3, close - open - 3));
  for (std::string item; items >> item;) {
    vector.items.push_back(item);
  }
  return vector;
}

struct PinnedCode {
  std::int16_t symbol_set;
  int code;
  const char* name;
};

const PinnedCode kPinned[] = {
    {293, 0x1F, "/.notdef"},       {293, 0x41, "/A"},
    {293, 0x80, "/Euro"},          {293, 0xA3, "/Lslash"},
    {293, 0xD5, "/Ohungarumlaut"}, {293, 0xFF, "/dotaccent"},
    {180, 0xD0, "/Gbreve"},        {180, 0xDD, "/Idotaccent"},
    {180, 0xFE, "/scedilla"},      {180, 0x81, "/.notdef"},
    {620, 0xC0, "/Aogonek"},       {620, 0xA1, "/.notdef"},
    {620, 0xFF, "/dotaccent"},     {629, 0x80, "/Euro"},
    {629, 0xA0, "/space"},         {629, 0xE9, "/eacute"},
    {629, 0x81, "/.notdef"},       {629, 0x7F, "/.notdef"},
    {621, 0x41, "/Alpha"},         {621, 0x7B, "/braceleft"},
    {621, 0x7C, "/bar"},           {621, 0xA0, "/Euro"},
    {621, 0xFF, "/.notdef"},
};

TEST(GPSLibWriterTest, EncodingVectorsHold256NamesWithTheirPinnedCodes) {
  for (std::int16_t set : {293, 180, 620, 621, 629}) {
    SCOPED_TRACE(set);
    const Vector vector = DefinedVector(set);
    EXPECT_EQ("/SymbolEcoding" + std::to_string(set), vector.name);
    const std::size_t first = set == 629 ? 1 : 0;
    ASSERT_EQ(256 + first, vector.items.size());
    for (std::size_t i = first; i < vector.items.size(); ++i) {
      const std::string& item = vector.items[i];
      ASSERT_EQ('/', item[0]) << item;
      EXPECT_EQ(std::string::npos, item.find_first_of("()<>[]{}/%", 1)) << item;
    }
    for (int code = 0; code < 32 && set != 629; ++code) {
      EXPECT_EQ("/.notdef", vector.items[code]) << code;
    }
    // Lines stay short, as DSC asks.
    std::istringstream lines(vector.text);
    for (std::string line; std::getline(lines, line);) {
      EXPECT_LT(line.size(), 255u);
    }
  }
  for (const PinnedCode& pin : kPinned) {
    const Vector vector = DefinedVector(pin.symbol_set);
    const std::size_t first = pin.symbol_set == 629 ? 1 : 0;
    EXPECT_EQ(pin.name, vector.items[first + pin.code])
        << pin.symbol_set << " code 0x" << std::hex << pin.code;
  }
}

TEST(GPSLibWriterTest, WesternVectorOpensWithZeroAndTheAccents) {
  const Vector vector = DefinedVector(629);
  const char* const accents[] = {
      "/grave",    "/acute", "/circumflex", "/tilde",        "/macron", "/breve",  "/dotaccent",
      "/dieresis", "/ring",  "/cedilla",    "/hungarumlaut", "/ogonek", "/caron",  "/dotlessi",
      "/fi",       "/fl",    "/Lslash",     "/lslash",       "/Zcaron", "/zcaron", "/minus"};
  ASSERT_EQ("0", vector.items[0]);
  for (int code = 0; code < 21; ++code) {
    EXPECT_EQ(accents[code], vector.items[1 + code]);
  }
  for (int code = 21; code < 32; ++code) {
    EXPECT_EQ("/.notdef", vector.items[1 + code]);
  }
}

TEST(GPSLibWriterTest, SymbolVectorBeginsWithTheStandardSymbolNames) {
  // The Symbol font's encoding from .notdef at 0 to braceleft at 123.
  const char* const from32 =
      "/space /exclam /universal /numbersign /existential /percent /ampersand /suchthat "
      "/parenleft /parenright /asteriskmath /plus /comma /minus /period /slash /zero /one /two "
      "/three /four /five /six /seven /eight /nine /colon /semicolon /less /equal /greater "
      "/question /congruent /Alpha /Beta /Chi /Delta /Epsilon /Phi /Gamma /Eta /Iota /theta1 "
      "/Kappa /Lambda /Mu /Nu /Omicron /Pi /Theta /Rho /Sigma /Tau /Upsilon /sigma1 /Omega /Xi "
      "/Psi /Zeta /bracketleft /therefore /bracketright /perpendicular /underscore /radicalex "
      "/alpha /beta /chi /delta /epsilon /phi /gamma /eta /iota /phi1 /kappa /lambda /mu /nu "
      "/omicron /pi /theta /rho /sigma /tau /upsilon /omega1 /omega /xi /psi /zeta /braceleft";
  const Vector vector = DefinedVector(621);
  std::istringstream expected(from32);
  int code = 32;
  for (std::string name; expected >> name; ++code) {
    EXPECT_EQ(name, vector.items[code]) << code;
  }
  EXPECT_EQ(124, code);
}

TEST(GPSLibWriterTest, OtherSymbolSetsShareAVector) {
  auto body = [](std::int16_t set) {
    const Vector vector = DefinedVector(set);
    return vector.text.substr(vector.text.find("\r\n["));
  };
  for (std::int16_t set : {295, 296, 310}) {
    EXPECT_EQ(body(620), body(set)) << set;
    EXPECT_EQ("/SymbolEcoding" + std::to_string(set), DefinedVector(set).name);
  }
  for (std::int16_t set : {0, 1, 2, 306, 628, -1}) {
    EXPECT_EQ(body(629), body(set)) << set;
  }
  EXPECT_NE(body(293), body(629));
}

// ---- Buffer ------------------------------------------------------------------------------------

TEST(GPSLibWriterTest, TextsWaitInTheBufferUntilItFillsOrIsFlushed) {
  PSTestSink sink;
  GPSLibWriter writer(&sink);
  ASSERT_EQ(0, writer.NewPath());
  ASSERT_EQ(0, writer.MoveTo(1, 2));
  EXPECT_TRUE(sink.runs.empty());
  EXPECT_EQ(19u, writer.BufferedBytes());
  ASSERT_EQ(0, writer.Flush());
  EXPECT_EQ("newpath 1 2 moveto ", sink.text);
  EXPECT_EQ(std::vector<std::uint32_t>{19}, sink.runs);
  // An empty buffer is not handed on.
  ASSERT_EQ(0, writer.Flush());
  EXPECT_EQ(1u, sink.runs.size());
}

TEST(GPSLibWriterTest, ALargeDocumentReachesTheCallbackInFullBuffers) {
  PSTestSink sink;
  GPSLibWriter writer(&sink);
  std::string expected;
  // Operators of every size, a long text and hex data, until about 100 KB are written.
  std::vector<std::uint8_t> image(3000);
  for (std::size_t i = 0; i < image.size(); ++i) {
    image[i] = static_cast<std::uint8_t>(i);
  }
  const std::string long_text(9000, 'x');
  for (int round = 0; expected.size() < 100 * 1024; ++round) {
    const auto n = static_cast<std::int16_t>(round);
    ASSERT_EQ(0, writer.MoveTo(n, -n));
    expected += std::to_string(n) + " " + std::to_string(-n) + " moveto ";
    ASSERT_EQ(0, writer.SetRGBColor(0.5f, 0.25f, 1.0f));
    expected += ".5000 .2500 1  setrgbcolor\r\n";
    ASSERT_EQ(0, writer.WriteHex(image.data(), static_cast<std::uint32_t>(round * 97 % 3000)));
    expected +=
        HexLines(std::vector<std::uint8_t>(image.begin(), image.begin() + round * 97 % 3000));
    if (round % 10 == 0) {
      ASSERT_EQ(0, writer.WriteString(long_text.c_str()));
      expected += long_text;
    }
  }
  ASSERT_EQ(0, writer.Flush());
  EXPECT_EQ(expected, sink.text);
  const std::size_t most =
      (expected.size() + GPSLibWriter::kBufferSize - 1) / GPSLibWriter::kBufferSize + 1;
  EXPECT_LE(sink.runs.size(), most);
  for (std::size_t i = 0; i + 1 < sink.runs.size(); ++i) {
    EXPECT_EQ(GPSLibWriter::kBufferSize, sink.runs[i]) << i;
  }
}

}  // namespace
