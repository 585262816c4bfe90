// The job-file reader.
//
// A job file is UTF-8 text, one statement a line; the first line is `vjob 1`. A `#` that begins
// a token starts a comment, unless six hex digits follow it and then a space, a comma or the end
// of the line: then it is a colour `#RRGGBB`. Numbers are decimal or `0x` hex. Lengths and
// coordinates are numbers, possibly with a fraction, in device pixels or with a unit `in`, `mm`
// or `pt` (`1in`, `25.4mm`, `72pt`). Strings are in double quotes with the escapes
// `\" \\ \n \t \xHH \uXXXX`. An option is `key=value` (a string value in quotes) or a bare flag.
// Coordinates are measured from the paper's top-left corner; the player converts units with the
// PDEV's resolution and subtracts the physical offset.
//
// Statements, one example each:
//   vjob 1
//   engine acp=1252 poison=off version=0x20000 cj=32 maxpoints=16 emptyglyph=1x1
//          time=2024-01-31T12:00:00.000                     set-up of the engine, outside a DC
//   printer "Office" model="Laser 5" port="LPT1:" data=@pclxl devmode=office.dm
//                                                           the printer, outside a DC; data= is
//                                                           the driver data file, @NAME a file
//                                                           of the models folder; devmode= the
//                                                           default DEVMODE
//   output out.prn                                          the output file (-o wins)
//   dc paper=9 orientation=portrait copies=2 dpi=600 duplex=1 collate=1 color=1 source=7 form="A4"
//      private=extra.bin                                    the DEVMODE's private part
//   reset orientation=landscape                             the DC's reset, outside a page
//   deletedc                                                ends the DC, outside a document
//   doc "Report" job=3    doc none                          starts a document
//   page    endpage    enddoc    enddoc abort
//   path tri : M 1in 1in L 2in 1in C 2in 2in 1in 2in 1in 1.5in Z
//   font f1 raster size=12pt esc=90 width=1.5 bold italic device    font f2 file=a.ttf face=1 size=50
//   bitmap img format=8 size=8,8 topdown palette=#000000,#FF0000 xlate=indexed novector fill=noise
//          seed=7                                           bitmap b2 format=1 size=8,2 data=FF00FF00FF00FF00
//   bitmap photo format=24 size=64,48 file=photo.ppm       (PBM, PGM or PPM, of the same size)
//     formats 1 4 8 16 24 32 rle4 rle8; xlate= is the source type of the colour translation
//     (none: no translation object; default indexed for 1-8 bits, bitfields for 16, bgr for 24
//     and 32); novector hands the translation without its table; fill= is gradient, checker or
//     noise; data= gives the bits in the format's layout (rows of 4-byte multiples, bottom row
//     first unless topdown; the run-length encoding for rle4/rle8).
//   clip none    clip rect 0 0 100 100    clip rects 0 0 10 10, 20 20 30 30    clip path tri
//   brush none    brush solid #FF0000    brush hatch cross #000000 #FFFFFF
//   brush pattern img    brush pattern img bottomup
//   pen width=3 geometric join=miter cap=butt color=#000000
//   pen width=2 geometric style=10,5 startgap alternate join=miter miter=4 color=#000000
//   mix 0x0D0D    mix none    origin 4 4
//   stroke tri    fill tri winding    strokefill tri alternate    rect 0 0 1in 1in fill
//   paint    bitblt 0 0 100 100 rop=0xF0F0    bitblt 0 0 8 8 src=img from=2,2 rop=0xAACC mask
//   stretchblt img 100 0 0 100 from=0,0,8,8    copybits img 10 10 18 18 from=0,0
//     (`mask` on bitblt src= and stretchblt hands a 1-bit mask of the source: set where the
//     source pixel is not black or index 0; a run-length source has none)
//   text f1 1in 1in "Hello\x21" charinc=30 nosubst opaque=0,0,1in,1in extra=0,0,9,1;0,4,9,5
//   text f1 0 0 "\x05\x06" glyphindex reversed vertical batch=1 nopgp codepage=1250
//   escape 8 in=01000000 out=4    escape query 8    escape copies 2    escape passthrough 1B45
//   escape rop value=168 tag=0xCFC14712
//   destroyfont f1
//   expect true    expect false    expect error    expect value=4 lasterror=87 out=0100
//   fault EngWritePrinter after=2 count=1    fault write short=10    fault write fail
//   fault abort page=2
//
// Objects are named and defined before use. The whole file is read before anything plays; an
// error names FILE:LINE:COLUMN. Limits: a line of at most 64 KiB, lengths within +-32767 device
// pixels, bitmaps at most 32767 pixels on a side and 256 MiB of bits. Named files (fonts, bitmap
// pictures, printer data, DEVMODEs) are read when the job plays.
#include "tools/velprint/JobFile.h"

#include "tools/velprint/Images.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <set>
#include <sstream>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

namespace vel::velprint {
namespace {

constexpr std::size_t kMaxLine = 64 * 1024;

struct Failure {
  int column;
  std::string message;
};

[[noreturn]] void Fail(int column, std::string message) {
  throw Failure{column, std::move(message)};
}

// Views into the line, or for a string into the reader's store of resolved strings: valid while
// the line is read.
struct Token {
  std::string_view text;  // raw text (for a string: the resolved text)
  bool quoted = false;
  std::string_view key;   // for key=value
  bool has_key = false;
  int column = 0;      // 1-based
};

// Messages join text and the views of tokens.
std::string operator+(std::string left, std::string_view right) {
  left.append(right);
  return left;
}
std::string operator+(const char* left, std::string_view right) {
  return std::string(left).append(right);
}

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Reads a quoted string starting at line[i] == '"'; i ends after the closing quote.
std::string ReadString(std::string_view line, std::size_t& i) {
  int start = static_cast<int>(i) + 1;
  // Mostly a string without escapes: taken whole.
  const std::size_t close = line.find('"', i + 1);
  if (close != std::string_view::npos &&
      line.substr(i + 1, close - i - 1).find('\\') == std::string_view::npos) {
    std::string text(line.substr(i + 1, close - i - 1));
    i = close + 1;
    return text;
  }
  std::string out;
  ++i;
  while (true) {
    if (i >= line.size()) {
      Fail(start, "unterminated string");
    }
    char c = line[i];
    if (c == '"') {
      ++i;
      return out;
    }
    if (c != '\\') {
      out += c;
      ++i;
      continue;
    }
    int escape_column = static_cast<int>(i) + 1;
    if (i + 1 >= line.size()) {
      Fail(start, "unterminated string");
    }
    char e = line[i + 1];
    i += 2;
    switch (e) {
      case '"': out += '"'; break;
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'x':
      case 'u': {
        std::size_t digits = e == 'x' ? 2 : 4;
        if (i + digits > line.size()) {
          Fail(escape_column, "bad escape");
        }
        std::uint32_t code = 0;
        for (std::size_t k = 0; k < digits; ++k) {
          char h = line[i + k];
          if (!IsHex(h)) {
            Fail(escape_column, "bad escape");
          }
          code = code * 16 + static_cast<std::uint32_t>(std::stoul(std::string(1, h), nullptr, 16));
        }
        i += digits;
        if (e == 'x') {
          out += static_cast<char>(code);
        } else {
          AppendUtf8(out, code);
        }
        break;
      }
      default:
        Fail(escape_column, "bad escape");
    }
  }
}

bool IsColourAt(std::string_view line, std::size_t i) {
  if (line[i] != '#' || i + 7 > line.size()) {
    return false;
  }
  for (std::size_t k = 1; k <= 6; ++k) {
    if (!IsHex(line[i + k])) {
      return false;
    }
  }
  return i + 7 == line.size() || line[i + 7] == ' ' || line[i + 7] == '\t' || line[i + 7] == ',';
}

// What a character is to the tokenizer: part of a word, a blank, a quote, or an equals sign.
enum CharClass : unsigned char { kWordChar, kBlank, kQuote, kEquals };

constexpr std::array<unsigned char, 256> kCharClasses = [] {
  std::array<unsigned char, 256> classes{};
  classes[' '] = kBlank;
  classes['\t'] = kBlank;
  classes['\r'] = kBlank;
  classes['"'] = kQuote;
  classes['='] = kEquals;
  return classes;
}();

unsigned char ClassOf(char c) {
  return kCharClasses[static_cast<unsigned char>(c)];
}

// Splits a line into `tokens` (emptied first; its capacity is reused from line to line); *end is
// the column just after the last token (after a line's trailing blanks, the column of the last
// one). Resolved strings go to `strings` (emptied first).
void Tokenize(std::string_view line, int* end, std::vector<Token>& tokens,
              std::deque<std::string>& strings) {
  tokens.clear();
  strings.clear();
  const std::size_t size = line.size();
  int last = *end;
  std::size_t i = 0;
  while (i < size) {
    last = static_cast<int>(i) + 1;
    const char c = line[i];
    if (ClassOf(c) == kBlank) {
      ++i;
      continue;
    }
    if (c == '#' && !IsColourAt(line, i)) {
      break;
    }
    // Built in place: a token assembled elsewhere and copied in costs more than its parsing.
    Token& token = tokens.emplace_back();
    token.column = static_cast<int>(i) + 1;
    if (c == '"') {
      token.text = strings.emplace_back(ReadString(line, i));
      token.quoted = true;
      last = static_cast<int>(i) + 1;
      continue;
    }
    if (c == ',') {
      token.text = ",";
      ++i;
      last = static_cast<int>(i) + 1;
      continue;
    }
    // A word runs to a blank or a quote; its first '=' makes it key=value.
    const std::size_t word_start = i;
    std::size_t equals = std::string_view::npos;
    for (; i < size; ++i) {
      const unsigned char kind = ClassOf(line[i]);
      if (kind == kWordChar) {
        continue;
      }
      if (kind != kEquals) {
        break;
      }
      if (equals == std::string_view::npos) {
        equals = i - word_start;
      }
    }
    std::string_view word = line.substr(word_start, i - word_start);
    if (equals != std::string::npos && equals > 0) {
      token.has_key = true;
      token.key = word.substr(0, equals);
      token.text = word.substr(equals + 1);
      if (token.text.empty() && i < size && line[i] == '"') {
        token.text = strings.emplace_back(ReadString(line, i));
        token.quoted = true;
      }
    } else {
      if (i < size && line[i] == '"') {
        Fail(static_cast<int>(i) + 1, "unexpected quote");
      }
      // A comma that ends a bare word separates rectangles.
      const bool comma = word.size() > 1 && word.back() == ',';
      if (comma) {
        word.remove_suffix(1);
      }
      token.text = word;
      if (comma) {
        const int comma_column = token.column + static_cast<int>(word.size());
        tokens.push_back(Token{",", false, {}, false, comma_column});
      }
    }
    last = static_cast<int>(i) + 1;
  }
  *end = last;
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
  if (text.empty()) {
    return std::nullopt;
  }
  std::size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  int base = 10;
  if (text.size() > i + 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) {
    return std::nullopt;
  }
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && IsHex(c)) {
      digit = (c | 0x20) - 'a' + 10;
    } else {
      return std::nullopt;
    }
    if (value > (INT64_C(0x7FFFFFFFFFFFFFFF) - digit) / base) {
      return std::nullopt;
    }
    value = value * base + digit;
  }
  return negative ? -value : value;
}

std::int64_t Integer(const Token& token, std::int64_t low, std::int64_t high) {
  auto value = ParseInteger(token.text);
  if (!value) {
    Fail(token.column, "bad number '" + token.text + "'");
  }
  if (*value < low || *value > high) {
    Fail(token.column, "number out of range: " + token.text);
  }
  return *value;
}

Length ParseLength(const Token& token) {
  Length length;
  // Most coordinates are whole pixels: read them without the general path.
  {
    const std::string_view t = token.text;
    const std::size_t i = !t.empty() && t[0] == '-' ? 1 : 0;
    int value = 0;
    bool digits = i < t.size() && t.size() - i <= 5;
    for (std::size_t k = i; digits && k < t.size(); ++k) {
      const unsigned digit = static_cast<unsigned char>(t[k]) - unsigned{'0'};
      digits = digit <= 9;
      value = value * 10 + static_cast<int>(digit);
    }
    if (digits) {
      if (value > kMaxCoordinate) {
        Fail(token.column, "number out of range: " + token.text);
      }
      length.value = i == 1 ? -value : value;
      return length;
    }
  }
  std::string text(token.text);
  auto ends = [&](const char* unit) {
    std::size_t n = std::char_traits<char>::length(unit);
    return text.size() > n && text.compare(text.size() - n, n, unit) == 0;
  };
  if (ends("in")) {
    length.unit = Unit::kInch;
  } else if (ends("mm")) {
    length.unit = Unit::kMm;
  } else if (ends("pt")) {
    length.unit = Unit::kPoint;
  }
  if (length.unit != Unit::kPixels) {
    text.resize(text.size() - 2);
  }
  // Decimal with an optional sign and fraction; no exponent, no hex fractions.
  bool digits = false;
  bool dot = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !dot) {
      dot = true;
    } else if (!((c == '-' || c == '+') && i == 0)) {
      if (auto hex = ParseInteger(text); hex && length.unit == Unit::kPixels) {
        if (std::llabs(*hex) > static_cast<std::int64_t>(kMaxCoordinate)) {
          Fail(token.column, "number out of range: " + token.text);
        }
        length.value = static_cast<double>(*hex);
        return length;
      }
      Fail(token.column, "bad number '" + token.text + "'");
    }
  }
  if (!digits || text.size() > 32) {
    Fail(token.column, "bad number '" + token.text + "'");
  }
  length.value = std::strtod(text.c_str(), nullptr);
  // Within the limit at the highest resolution a unit may meet is checked when played; here the
  // value itself must already be a plausible coordinate.
  if (std::fabs(length.value) > kMaxCoordinate) {
    Fail(token.column, "number out of range: " + token.text);
  }
  return length;
}

std::uint32_t ParseColour(const Token& token) {
  const std::string_view t = token.text;
  if (t.size() != 7 || t[0] != '#') {
    Fail(token.column, "bad colour '" + t + "'");
  }
  for (std::size_t k = 1; k < 7; ++k) {
    if (!IsHex(t[k])) {
      Fail(token.column, "bad colour '" + t + "'");
    }
  }
  auto rgb = static_cast<std::uint32_t>(std::stoul(std::string(t.substr(1)), nullptr, 16));
  // #RRGGBB to the engine's 0x00BBGGRR.
  return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

std::string FormatNumber(double value) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out.precision(10);
  out << value;
  return out.str();
}

std::string LengthText(const Length& length) {
  static const char* const kUnits[] = {"", "in", "mm", "pt"};
  return FormatNumber(length.value) + kUnits[static_cast<int>(length.unit)];
}

std::string ColourText(std::uint32_t color) {
  static const char kHex[] = "0123456789ABCDEF";
  std::uint32_t rgb = ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
  std::string out = "#";
  for (int shift = 20; shift >= 0; shift -= 4) {
    out += kHex[(rgb >> shift) & 15];
  }
  return out;
}

void CheckHex(const Token& token) {
  if (token.text.size() % 2 != 0) {
    Fail(token.column, "bad hex bytes");
  }
  for (char c : token.text) {
    if (!IsHex(c)) {
      Fail(token.column, "bad hex bytes");
    }
  }
}

bool IsName(std::string_view text) {
  if (text.empty() || !(std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_')) {
    return false;
  }
  for (char c : text) {
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.')) {
      return false;
    }
  }
  return true;
}

// The kinds an option takes.
// kFile: a file name, quoted or bare (kept as a string); kReal: a plain number with a fraction.
enum class OptionKind { kFlag, kInteger, kLength, kString, kColour, kHex, kWord, kText, kFile, kReal };

struct OptionSpec {
  OptionKind kind;
  std::int64_t low = 0;
  std::int64_t high = 0;
  std::vector<std::string> words;  // kWord: the allowed words
};

using OptionTable = std::map<std::string, OptionSpec, std::less<>>;

const OptionTable& DcOptions() {
  static const OptionTable table{
      {"paper", {OptionKind::kInteger, 1, 32767, {}}},
      {"orientation", {OptionKind::kWord, 0, 0, {"portrait", "landscape"}}},
      {"copies", {OptionKind::kInteger, 1, 32767, {}}},
      {"dpi", {OptionKind::kText, 0, 0, {}}},
      {"duplex", {OptionKind::kInteger, 1, 3, {}}},
      {"collate", {OptionKind::kInteger, 0, 1, {}}},
      {"color", {OptionKind::kInteger, 1, 2, {}}},
      {"source", {OptionKind::kInteger, 0, 32767, {}}},
      {"form", {OptionKind::kString, 0, 0, {}}},
      {"private", {OptionKind::kFile, 0, 0, {}}},
  };
  return table;
}

const std::unordered_map<std::string, OptionTable>& VerbOptions() {
  static const std::unordered_map<std::string, OptionTable> table{
      {"engine",
       {{"acp", {OptionKind::kInteger, 0, 65535, {}}},
        {"poison", {OptionKind::kWord, 0, 0, {"on", "off"}}},
        {"maxpoints", {OptionKind::kInteger, 1, 65535, {}}},
        {"emptyglyph", {OptionKind::kWord, 0, 0, {"0x0", "1x1"}}},
        {"version", {OptionKind::kInteger, 0, 0xFFFFFFFF, {}}},
        {"cj", {OptionKind::kInteger, 0, 0xFFFF, {}}},
        {"time", {OptionKind::kText, 0, 0, {}}}}},
      {"printer",
       {{"model", {OptionKind::kString, 0, 0, {}}},
        {"port", {OptionKind::kString, 0, 0, {}}},
        {"data", {OptionKind::kFile, 0, 0, {}}},
        {"devmode", {OptionKind::kFile, 0, 0, {}}}}},
      {"output", {}},
      {"dc", DcOptions()},
      {"reset", DcOptions()},
      {"deletedc", {}},
      {"doc", {{"job", {OptionKind::kInteger, 0, 0xFFFFFFFF, {}}}}},
      {"page", {}},
      {"endpage", {}},
      {"enddoc", {{"abort", {OptionKind::kFlag, 0, 0, {}}}}},
      {"bitmap",
       {{"format", {OptionKind::kWord, 0, 0, {"1", "4", "8", "16", "24", "32", "rle4", "rle8"}}},
        {"size", {OptionKind::kText, 0, 0, {}}},
        {"topdown", {OptionKind::kFlag, 0, 0, {}}},
        {"palette", {OptionKind::kText, 0, 0, {}}},
        {"xlate", {OptionKind::kWord, 0, 0, {"none", "indexed", "bitfields", "rgb", "bgr"}}},
        {"novector", {OptionKind::kFlag, 0, 0, {}}},
        {"data", {OptionKind::kHex, 0, 0, {}}},
        {"file", {OptionKind::kFile, 0, 0, {}}},
        {"fill", {OptionKind::kWord, 0, 0, {"gradient", "checker", "noise"}}},
        {"seed", {OptionKind::kInteger, 0, 0xFFFFFFFF, {}}}}},
      {"font",
       {{"file", {OptionKind::kFile, 0, 0, {}}},
        {"raster", {OptionKind::kFlag, 0, 0, {}}},
        {"face", {OptionKind::kInteger, 0, 255, {}}},
        {"size", {OptionKind::kLength, 0, 0, {}}},
        {"esc", {OptionKind::kInteger, -3600, 3600, {}}},
        {"width", {OptionKind::kLength, 0, 0, {}}},
        {"bold", {OptionKind::kFlag, 0, 0, {}}},
        {"italic", {OptionKind::kFlag, 0, 0, {}}},
        {"device", {OptionKind::kFlag, 0, 0, {}}}}},
      {"pen",
       {{"width", {OptionKind::kLength, 0, 0, {}}},
        {"geometric", {OptionKind::kFlag, 0, 0, {}}},
        {"join", {OptionKind::kWord, 0, 0, {"round", "bevel", "miter"}}},
        {"cap", {OptionKind::kWord, 0, 0, {"round", "square", "butt"}}},
        {"color", {OptionKind::kColour, 0, 0, {}}},
        {"style", {OptionKind::kText, 0, 0, {}}},
        {"startgap", {OptionKind::kFlag, 0, 0, {}}},
        {"alternate", {OptionKind::kFlag, 0, 0, {}}},
        {"miter", {OptionKind::kReal, 0, 0, {}}}}},
      {"bitblt",
       {{"rop", {OptionKind::kInteger, 0, 0xFFFF, {}}},
        {"src", {OptionKind::kText, 0, 0, {}}},
        {"from", {OptionKind::kText, 0, 0, {}}},
        {"mask", {OptionKind::kFlag, 0, 0, {}}}}},
      {"stretchblt",
       {{"from", {OptionKind::kText, 0, 0, {}}}, {"mask", {OptionKind::kFlag, 0, 0, {}}}}},
      {"copybits", {{"from", {OptionKind::kText, 0, 0, {}}}}},
      {"text",
       {{"charinc", {OptionKind::kInteger, 0, 32767, {}}},
        {"nosubst", {OptionKind::kFlag, 0, 0, {}}},
        {"opaque", {OptionKind::kText, 0, 0, {}}},
        {"extra", {OptionKind::kText, 0, 0, {}}},
        {"glyphindex", {OptionKind::kFlag, 0, 0, {}}},
        {"reversed", {OptionKind::kFlag, 0, 0, {}}},
        {"vertical", {OptionKind::kFlag, 0, 0, {}}},
        {"batch", {OptionKind::kInteger, 0, 65535, {}}},
        {"nopgp", {OptionKind::kFlag, 0, 0, {}}},
        {"codepage", {OptionKind::kInteger, 0, 65535, {}}}}},
      {"escape",
       {{"in", {OptionKind::kHex, 0, 0, {}}},
        {"out", {OptionKind::kInteger, 0, 65536, {}}},
        {"value", {OptionKind::kInteger, 0, 0xFFFFFFFF, {}}},
        {"tag", {OptionKind::kInteger, 0, 0xFFFFFFFF, {}}}}},
      {"expect",
       {{"value", {OptionKind::kInteger, -0x80000000LL, 0xFFFFFFFFLL, {}}},
        {"lasterror", {OptionKind::kInteger, 0, 0xFFFFFFFF, {}}},
        {"out", {OptionKind::kHex, 0, 0, {}}}}},
      {"fault",
       {{"after", {OptionKind::kInteger, 0, 0x7FFFFFFF, {}}},
        {"count", {OptionKind::kInteger, -1, 0x7FFFFFFF, {}}},
        {"short", {OptionKind::kInteger, 0, 0x7FFFFFFF, {}}},
        {"fail", {OptionKind::kFlag, 0, 0, {}}},
        {"page", {OptionKind::kInteger, 1, 0x7FFFFFFF, {}}}}},
  };
  return table;
}

// The statements that take positional operands only (checked by their own code).
const std::unordered_set<std::string>& PositionalVerbs() {
  static const std::unordered_set<std::string> verbs{"path",  "clip",    "brush",      "mix",
                                           "origin", "stroke", "fill",       "strokefill",
                                           "rect",  "paint",   "destroyfont"};
  return verbs;
}

// Whether two short names are equal, compared here (a library comparison costs a call each).
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) {
      return false;
    }
  }
  return true;
}

// A verb's options side by side in memory, looked up by a walk that mostly compares lengths.
struct OptionEntry {
  std::string_view name;
  const OptionSpec* spec;
};
using OptionList = std::vector<OptionEntry>;

const OptionSpec* FindOption(const OptionList& options, std::string_view key) {
  for (const OptionEntry& entry : options) {
    if (SameName(entry.name, key)) {
      return entry.spec;
    }
  }
  return nullptr;
}

// Every verb with its options (null for a verb of positional operands only), side by side in
// memory: a small standard hash table walks a list of nodes and compares every key in full.
struct VerbEntry {
  std::string_view name;
  const OptionList* options;
};

const VerbEntry* FindVerb(std::string_view verb) {
  // By length first: most verbs share no length with the one looked for.
  static const std::deque<OptionList> lists = [] {
    std::deque<OptionList> made;
    for (const auto& [name, table] : VerbOptions()) {
      OptionList& list = made.emplace_back();
      for (const auto& [key, spec] : table) {
        list.push_back({key, &spec});
      }
    }
    return made;
  }();
  static const auto by_length = [] {
    std::array<std::vector<VerbEntry>, 16> all;
    auto add = [&all](std::string_view name, const OptionList* options) {
      all[std::min<std::size_t>(name.size(), all.size() - 1)].push_back({name, options});
    };
    std::size_t k = 0;
    for (const auto& entry : VerbOptions()) {
      add(entry.first, &lists[k++]);
    }
    for (const std::string& name : PositionalVerbs()) {
      add(name, nullptr);
    }
    return all;
  }();
  for (const VerbEntry& entry : by_length[std::min(verb.size(), by_length.size() - 1)]) {
    if (SameName(entry.name, verb)) {
      return &entry;
    }
  }
  return nullptr;
}

// Splits tokens into positional operands and options; options are checked against `table`.
void TakeOptions(std::vector<Token>& tokens, const OptionList& table, Statement& statement,
                 std::vector<Token>& positional) {
  for (std::size_t i = 1; i < tokens.size(); ++i) {
    Token& token = tokens[i];
    const std::string_view key = token.has_key ? token.key : token.text;
    // Only words can be flags: a number or a colour is an operand without a look-up.
    const char first = key.empty() ? '\0' : static_cast<char>(key[0] | 0x20);
    bool word = token.has_key || (!token.quoted && first >= 'a' && first <= 'z');
    const OptionSpec* spec = word ? FindOption(table, key) : nullptr;
    if (spec == nullptr || (spec->kind == OptionKind::kFlag) == token.has_key) {
      if (token.has_key) {
        Fail(token.column, "unknown option '" + token.key + "'");
      }
      positional.push_back(std::move(token));
      continue;
    }
    if (statement.options.count(key) != 0) {
      Fail(token.column, "option '" + key + "' given twice");
    }
    Value value;
    value.column = token.column;
    value.text = token.text;
    const OptionSpec& s = *spec;
    switch (s.kind) {
      case OptionKind::kFlag: value.text.clear(); break;
      case OptionKind::kInteger:
        value.kind = Value::Kind::kNumber;
        value.number = Integer(token, s.low, s.high);
        break;
      case OptionKind::kLength:
        value.kind = Value::Kind::kLength;
        value.length = ParseLength(token);
        break;
      case OptionKind::kString:
        if (!token.quoted) {
          Fail(token.column, "option '" + key + "' takes a string in quotes");
        }
        value.kind = Value::Kind::kString;
        break;
      case OptionKind::kColour:
        value.kind = Value::Kind::kColor;
        value.color = ParseColour(token);
        break;
      case OptionKind::kHex:
        // An empty value would print as a bare flag and read back as an operand.
        if (token.text.empty()) {
          Fail(token.column, "option '" + key + "' takes hex bytes");
        }
        CheckHex(token);
        break;
      case OptionKind::kWord: {
        bool known = false;
        for (const std::string& word : s.words) {
          known = known || word == token.text;
        }
        if (!known) {
          Fail(token.column, "bad value '" + token.text + "' of option '" + key + "'");
        }
        break;
      }
      case OptionKind::kText: break;
      case OptionKind::kFile:
        if (token.text.empty()) {
          Fail(token.column, "option '" + key + "' takes a file name");
        }
        value.kind = Value::Kind::kString;
        break;
      case OptionKind::kReal: {
        value.kind = Value::Kind::kLength;
        value.length = ParseLength(token);
        if (value.length.unit != Unit::kPixels || value.length.value < 0) {
          Fail(token.column, "bad number '" + token.text + "'");
        }
        break;
      }
    }
    statement.options.emplace(std::string(key), std::move(value));
  }
}

// Reads `dpi=X[xY]` into numbers {X, Y}, spelt in decimal.
void CheckDpi(Statement& statement) {
  auto it = statement.options.find("dpi");
  if (it == statement.options.end()) {
    return;
  }
  Value& dpi = it->second;
  std::string text = dpi.text;
  std::size_t x = text.find('x', text.rfind("0x") == 0 ? 2 : 0);
  std::int64_t across = Integer(Token{text.substr(0, x), false, "", false, dpi.column}, 1, 32767);
  std::int64_t down = across;
  if (x != std::string::npos) {
    down = Integer(Token{text.substr(x + 1), false, "", false, dpi.column}, 1, 32767);
  }
  dpi.MutableNumbers() = {across, down};
  dpi.text = std::to_string(across) + (x == std::string::npos ? "" : "x" + std::to_string(down));
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) {
      return parts;
    }
    start = end + 1;
  }
}

// A list option of integers separated by commas: exactly `count` of them, each within
// [low, high].
void IntegerList(Value& value, const std::string& key, std::size_t count, std::int64_t low,
                 std::int64_t high) {
  std::vector<std::string> parts = Split(value.text, ',');
  if (parts.size() != count) {
    Fail(value.column, "option '" + key + "' takes " + std::to_string(count) +
                           " numbers separated by commas");
  }
  std::vector<std::int64_t>& numbers = value.MutableNumbers();
  numbers.clear();
  std::string text;
  for (const std::string& part : parts) {
    numbers.push_back(Integer(Token{part, false, "", false, value.column}, low, high));
    text += (text.empty() ? "" : ",") + std::to_string(numbers.back());
  }
  value.text = text;
}

// A list option of lengths: groups of `group` lengths separated by commas, the groups by
// semicolons (0 for a group of any size, at least one).
void LengthList(Value& value, const std::string& key, std::size_t group, bool several_groups) {
  std::string text;
  std::vector<std::string> groups =
      several_groups ? Split(value.text, ';') : std::vector<std::string>{value.text};
  for (const std::string& g : groups) {
    std::vector<std::string> parts = Split(g, ',');
    if ((group != 0 && parts.size() != group) || parts[0].empty()) {
      Fail(value.column, "option '" + key + "' takes " +
                             (group != 0 ? std::to_string(group) : std::string("one or more")) +
                             " lengths separated by commas");
    }
    text += text.empty() ? "" : ";";
    for (std::size_t k = 0; k < parts.size(); ++k) {
      value.MutableLengths().push_back(ParseLength(Token{parts[k], false, "", false, value.column}));
      text += (k == 0 ? "" : ",") + LengthText(value.Lengths().back());
    }
  }
  value.text = text;
}

// The names a job has defined, of one kind, and the one a statement used last.
struct Names : std::set<std::string, std::less<>> {
  std::string last;
};

class Reader {
 public:
  Reader(std::string file) { job_.file = std::move(file); }

  void Line(std::string_view line, int number) {
    line_ = number;
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    if (line.size() > kMaxLine) {
      Fail(1, "line longer than 64 KiB");
    }
    std::vector<Token>& tokens = tokens_;
    Tokenize(line, &end_column_, tokens, strings_);
    if (!seen_header_) {
      if (tokens.size() != 2 || tokens[0].text != "vjob" || tokens[0].quoted) {
        Fail(1, "the first line must be 'vjob 1'");
      }
      if (tokens[1].text != "1") {
        Fail(tokens[1].column, "unsupported job file version '" + tokens[1].text + "'");
      }
      seen_header_ = true;
      return;
    }
    if (tokens.empty()) {
      return;
    }
    const Token& verb = tokens[0];
    if (verb.quoted || verb.has_key) {
      Fail(verb.column, "expected a statement");
    }
    // Built in place; a failure throws and the whole job is dropped.
    const VerbEntry* entry = FindVerb(verb.text);
    if (entry == nullptr) {
      Fail(verb.column, "unknown statement '" + verb.text + "'");
    }
    Statement& statement = job_.statements.emplace_back(job_.pool.get());
    statement.line = number;
    // The table's spelling, which outlives the line.
    statement.verb = entry->name;
    std::vector<Token>& positional = positional_;
    positional.clear();
    if (entry->options != nullptr) {
      TakeOptions(tokens, *entry->options, statement, positional);
    } else {
      positional.assign(std::make_move_iterator(tokens.begin() + 1),
                        std::make_move_iterator(tokens.end()));
    }
    // Mostly one operand for each positional token.
    statement.operands.reserve(positional.size());
    Check(statement, positional, verb.column);
  }

  void Reserve(std::size_t lines, std::size_t bytes) {
    job_.statements.reserve(lines);
    // A job's operands and options take about twelve times its text (an 80-byte value for a few
    // characters); the pool grows past its first block, by half again at each new block. Blocks
    // of moderate size come from the heap, which the next job reuses; one huge block would be
    // mapped afresh for every job.
    const std::size_t first = std::min<std::size_t>(8 * bytes, std::size_t{1} << 24) + 4096;
    job_.pool = std::make_shared<std::pmr::monotonic_buffer_resource>(first);
  }

  Job Finish(int last_line) {
    line_ = last_line;
    if (!seen_header_) {
      Fail(1, "the first line must be 'vjob 1'");
    }
    return std::move(job_);
  }

 private:
  // End column of the statement, for "missing operand".
  int end_column_ = 1;
  // The resolved strings of the line's tokens.
  std::deque<std::string> strings_;

  void Want(const std::vector<Token>& positional, std::size_t count, const char* what) {
    if (positional.size() < count) {
      Fail(end_column_, std::string("missing operand: ") + what);
    }
    if (positional.size() > count) {
      Fail(positional[count].column, "unexpected operand '" + positional[count].text + "'");
    }
  }


  // The operand built in place at the end of the statement's operands.
  void AddLength(Statement& statement, const Token& token) {
    Value& value = statement.operands.emplace_back();
    value.kind = Value::Kind::kLength;
    value.column = token.column;
    value.length = ParseLength(token);
  }

  void AddWord(Statement& statement, const Token& token) {
    Value& value = statement.operands.emplace_back();
    value.column = token.column;
    value.text = token.text;
    if (token.quoted) {
      value.kind = Value::Kind::kString;
    }
  }

  Value WordValue(const Token& token) {
    Value value;
    value.column = token.column;
    value.text = token.text;
    if (token.quoted) {
      value.kind = Value::Kind::kString;
    }
    return value;
  }

  void UseName(const Token& token, Names& defined, const char* kind) {
    // A defined name passed the check of names when it was defined. Names are never undefined, so
    // the one found last is still there.
    if (!token.quoted && !defined.last.empty() && SameName(token.text, defined.last)) {
      return;
    }
    if (!token.quoted && defined.count(token.text) != 0) {
      defined.last = token.text;
      return;
    }
    if (!IsName(token.text) || token.quoted) {
      Fail(token.column, std::string("bad ") + kind + " name '" + token.text + "'");
    }
    if (defined.count(token.text) == 0) {
      Fail(token.column, std::string("unknown ") + kind + " '" + token.text + "'");
    }
  }

  void Place(bool ok, int column, std::string_view what) {
    if (!ok) {
      Fail(column, "'" + std::string(what) + "' out of place");
    }
  }

  void Lengths(const std::vector<Token>& positional, std::size_t first, std::size_t count,
               Statement& statement) {
    for (std::size_t i = first; i < first + count; ++i) {
      AddLength(statement, positional[i]);
    }
  }

  // Whether the verb is `word`: the length and the first letter rule out most verbs cheaply.
  template <std::size_t N>
  static bool Is(std::string_view verb, const char (&word)[N]) {
    return SameName(verb, std::string_view(word, N - 1));
  }

  void Check(Statement& statement, std::vector<Token>& positional, int verb_column) {
    // A view compares lengths before bytes, which keeps this chain of verbs cheap.
    const std::string_view v = statement.verb;
    bool calls = false;
    if (Is(v, "engine") || Is(v, "printer") || Is(v, "output")) {
      Place(!in_dc_, verb_column, v);
      if (Is(v, "printer")) {
        Want(positional, 1, "printer name");
        if (!positional[0].quoted) {
          Fail(positional[0].column, "the printer name is a string in quotes");
        }
        AddWord(statement, positional[0]);
      } else if (Is(v, "output")) {
        Want(positional, 1, "file");
        AddWord(statement, positional[0]);
      } else {
        Want(positional, 0, "");
        if (statement.Has("time")) {
          CheckTime(statement.options["time"]);
        }
      }
    } else if (Is(v, "dc") || Is(v, "reset")) {
      Want(positional, 0, "");
      CheckDpi(statement);
      if (Is(v, "dc")) {
        Place(!in_doc_, verb_column, v);
        in_dc_ = true;
      } else {
        Place(in_dc_ && !in_page_, verb_column, v);
      }
      calls = true;
    } else if (Is(v, "deletedc")) {
      Want(positional, 0, "");
      Place(in_dc_ && !in_doc_, verb_column, v);
      in_dc_ = false;
    } else if (Is(v, "doc")) {
      Place(in_dc_ && !in_doc_, verb_column, v);
      if (positional.size() > 1) {
        Fail(positional[1].column, "unexpected operand '" + positional[1].text + "'");
      }
      if (!positional.empty()) {
        if (!positional[0].quoted && positional[0].text != "none") {
          Fail(positional[0].column, "the title is a string in quotes or none");
        }
        AddWord(statement, positional[0]);
      }
      in_doc_ = true;
      calls = true;
    } else if (Is(v, "page")) {
      Want(positional, 0, "");
      Place(in_doc_ && !in_page_, verb_column, v);
      in_page_ = true;
      calls = true;
    } else if (Is(v, "endpage")) {
      Want(positional, 0, "");
      Place(in_page_, verb_column, v);
      in_page_ = false;
      calls = true;
    } else if (Is(v, "enddoc")) {
      Want(positional, 0, "");
      Place(in_doc_ && (!in_page_ || statement.Has("abort")), verb_column, v);
      in_doc_ = false;
      in_page_ = false;
      calls = true;
    } else if (Is(v, "path")) {
      CheckPath(statement, positional);
    } else if (Is(v, "font")) {
      Want(positional, 1, "font name");
      DefineName(positional[0], fonts_, "font");
      AddWord(statement, positional[0]);
      if (statement.Has("file") == statement.Has("raster")) {
        Fail(end_column_, "a font takes file=FILE or raster");
      }
      if (!statement.Has("size")) {
        Fail(end_column_, "missing operand: size=LEN");
      }
    } else if (Is(v, "clip")) {
      CheckClip(statement, positional, verb_column);
    } else if (Is(v, "brush")) {
      CheckBrush(statement, positional);
    } else if (Is(v, "pen")) {
      Want(positional, 0, "");
      if (!statement.Has("color")) {
        Fail(end_column_, "missing operand: color=#RRGGBB");
      }
      if (statement.Has("style")) {
        Value& style = statement.options["style"];
        LengthList(style, "style", 0, false);
        for (const Length& dash : style.Lengths()) {
          if (dash.value < 0) {
            Fail(style.column, "a style takes lengths of 0 or more");
          }
        }
      }
    } else if (Is(v, "mix")) {
      Want(positional, 1, "mix");
      Value value = WordValue(positional[0]);
      if (value.text != "none") {
        value.kind = Value::Kind::kNumber;
        value.number = Integer(positional[0], 0, 0xFFFF);
      }
      statement.operands.push_back(value);
    } else if (Is(v, "origin")) {
      Want(positional, 2, "X Y");
      Lengths(positional, 0, 2, statement);
    } else if (Is(v, "stroke") || Is(v, "fill") || Is(v, "strokefill")) {
      Place(in_page_, verb_column, v);
      if (positional.empty()) {
        Fail(end_column_, "missing operand: path name");
      }
      AddWord(statement, positional[0]);
      UseName(positional[0], paths_, "path");
      if (v != "stroke" && positional.size() > 1) {
        FillMode(positional[1]);
        AddWord(statement, positional[1]);
        positional.erase(positional.begin() + 1);
      }
      Want(positional, 1, "path name");
      calls = true;
    } else if (Is(v, "rect")) {
      Place(in_page_, verb_column, v);
      Want(positional, 5, "L T R B stroke|fill|strokefill");
      Lengths(positional, 0, 4, statement);
      const std::string_view op = positional[4].text;
      if (!Is(op, "stroke") && !Is(op, "fill") && !Is(op, "strokefill")) {
        Fail(positional[4].column, "expected stroke, fill or strokefill");
      }
      AddWord(statement, positional[4]);
      calls = true;
    } else if (Is(v, "paint")) {
      Place(in_page_, verb_column, v);
      Want(positional, 0, "");
      calls = true;
    } else if (Is(v, "bitblt")) {
      Place(in_page_, verb_column, v);
      Want(positional, 4, "L T R B");
      Lengths(positional, 0, 4, statement);
      if (statement.Has("src")) {
        const Value& src = *statement.Option("src");
        UseName(Token{src.text, false, "", false, src.column}, bitmaps_, "bitmap");
      }
      if (statement.Has("from")) {
        Value& from = statement.options["from"];
        if (!statement.Has("src")) {
          Fail(from.column, "from= goes with src=");
        }
        IntegerList(from, "from", 2, -32767, 32767);
      }
      if (statement.Has("mask") && !statement.Has("src")) {
        Fail(statement.Option("mask")->column, "mask goes with src=");
      }
      calls = true;
    } else if (Is(v, "stretchblt") || Is(v, "copybits")) {
      Place(in_page_, verb_column, v);
      Want(positional, 5, "BITMAP L T R B");
      UseName(positional[0], bitmaps_, "bitmap");
      AddWord(statement, positional[0]);
      Lengths(positional, 1, 4, statement);
      if (statement.Has("from")) {
        IntegerList(statement.options["from"], "from", Is(v, "copybits") ? 2 : 4, -32767, 32767);
      }
      calls = true;
    } else if (Is(v, "bitmap")) {
      CheckBitmap(statement, positional);
    } else if (Is(v, "text")) {
      Place(in_page_, verb_column, v);
      Want(positional, 4, "FONT X Y \"string\"");
      AddWord(statement, positional[0]);
      UseName(positional[0], fonts_, "font");
      Lengths(positional, 1, 2, statement);
      if (!positional[3].quoted) {
        Fail(positional[3].column, "the text is a string in quotes");
      }
      AddWord(statement, positional[3]);
      if (statement.Has("opaque")) {
        LengthList(statement.options["opaque"], "opaque", 4, false);
      }
      if (statement.Has("extra")) {
        LengthList(statement.options["extra"], "extra", 4, true);
      }
      calls = true;
    } else if (Is(v, "escape")) {
      CheckEscape(statement, positional, verb_column);
      calls = true;
    } else if (Is(v, "destroyfont")) {
      Place(in_dc_, verb_column, v);
      Want(positional, 1, "font name");
      UseName(positional[0], fonts_, "font");
      AddWord(statement, positional[0]);
      calls = true;
    } else if (Is(v, "expect")) {
      if (!last_was_call_) {
        Fail(verb_column, "'expect' must follow a call");
      }
      if (positional.size() > 1) {
        Fail(positional[1].column, "unexpected operand '" + positional[1].text + "'");
      }
      if (positional.empty() == !statement.Has("value")) {
        Fail(end_column_, "expect takes true, false, error or value=N");
      }
      if (!positional.empty()) {
        const std::string_view w = positional[0].text;
        if (w != "true" && w != "false" && w != "error") {
          Fail(positional[0].column, "expected true, false, error or value=N");
        }
        AddWord(statement, positional[0]);
      }
    } else if (Is(v, "fault")) {
      CheckFault(statement, positional);
    }
    last_was_call_ = calls;
  }

  void FillMode(const Token& token) {
    if (!Is(token.text, "winding") && !Is(token.text, "alternate")) {
      Fail(token.column, "expected winding or alternate");
    }
  }

  void DefineName(const Token& token, Names& names, const char* kind) {
    if (token.quoted || !IsName(token.text)) {
      Fail(token.column, std::string("bad ") + kind + " name '" + token.text + "'");
    }
    names.insert(std::string(token.text));
  }

  void CheckPath(Statement& statement, const std::vector<Token>& positional) {
    if (positional.size() < 2) {
      Fail(end_column_, "missing operand: NAME : M x y ...");
    }
    if (positional[1].text != ":") {
      Fail(positional[1].column, "expected ':'");
    }
    std::size_t i = 2;
    bool open = false;
    if (i >= positional.size()) {
      Fail(end_column_, "missing operand: M x y");
    }
    while (i < positional.size()) {
      const Token& op = positional[i];
      PathElement element;
      std::size_t points = 0;
      if (op.text == "M") {
        points = 1;
      } else if (op.text == "L") {
        points = 1;
      } else if (op.text == "C") {
        points = 3;
      } else if (op.text == "Z") {
        points = 0;
      } else {
        Fail(op.column, "expected M, L, C or Z");
      }
      if (op.text != "M" && !open) {
        Fail(op.column, "a figure starts with M");
      }
      element.op = op.text[0];
      ++i;
      // L and C take one or more groups of points.
      do {
        if (i + 2 * points > positional.size()) {
          Fail(end_column_, "missing operand: coordinates of " + op.text);
        }
        for (std::size_t k = 0; k < 2 * points; ++k) {
          element.coordinates.push_back(ParseLength(positional[i++]));
        }
      } while ((element.op == 'L' || element.op == 'C') && i < positional.size() &&
               !(positional[i].text == "M" || positional[i].text == "L" ||
                 positional[i].text == "C" || positional[i].text == "Z"));
      open = element.op != 'Z';
      statement.MutablePath().push_back(std::move(element));
    }
    DefineName(positional[0], paths_, "path");
    AddWord(statement, positional[0]);
  }

  void CheckClip(Statement& statement, const std::vector<Token>& positional, int verb_column) {
    (void)verb_column;
    if (positional.empty()) {
      Fail(end_column_, "missing operand: none, rect, rects or path");
    }
    const std::string_view kind = positional[0].text;
    AddWord(statement, positional[0]);
    if (kind == "none") {
      Want(positional, 1, "");
    } else if (kind == "rect") {
      Want(positional, 5, "L T R B");
      Lengths(positional, 1, 4, statement);
    } else if (kind == "rects") {
      std::size_t i = 1;
      while (true) {
        if (i + 4 > positional.size()) {
          Fail(end_column_, "missing operand: L T R B");
        }
        std::vector<Length> rect;
        for (std::size_t k = 0; k < 4; ++k) {
          if (positional[i + k].text == ",") {
            Fail(positional[i + k].column, "missing operand: L T R B");
          }
          rect.push_back(ParseLength(positional[i + k]));
        }
        statement.MutableRects().push_back(rect);
        i += 4;
        if (i == positional.size()) {
          break;
        }
        if (positional[i].text != ",") {
          Fail(positional[i].column, "expected ','");
        }
        ++i;
      }
    } else if (kind == "path") {
      Want(positional, 2, "path name");
      UseName(positional[1], paths_, "path");
      AddWord(statement, positional[1]);
    } else {
      Fail(positional[0].column, "expected none, rect, rects or path");
    }
  }

  void CheckBrush(Statement& statement, const std::vector<Token>& positional) {
    if (positional.empty()) {
      Fail(end_column_, "missing operand: none, solid, hatch or pattern");
    }
    const std::string_view kind = positional[0].text;
    AddWord(statement, positional[0]);
    auto colour = [&](const Token& token) {
      Value value;
      value.kind = Value::Kind::kColor;
      value.column = token.column;
      value.text = token.text;
      value.color = ParseColour(token);
      statement.operands.push_back(value);
    };
    if (kind == "none") {
      Want(positional, 1, "");
    } else if (kind == "solid") {
      Want(positional, 2, "#RRGGBB");
      colour(positional[1]);
    } else if (kind == "hatch") {
      Want(positional, 4, "style #fg #bg");
      static const std::set<std::string, std::less<>> styles{"horizontal", "vertical", "fdiagonal",
                                                "bdiagonal",  "cross",    "diagcross"};
      if (styles.count(positional[1].text) == 0) {
        Fail(positional[1].column, "unknown hatch style '" + positional[1].text + "'");
      }
      AddWord(statement, positional[1]);
      colour(positional[2]);
      colour(positional[3]);
    } else if (kind == "pattern") {
      if (positional.size() < 2) {
        Fail(end_column_, "missing operand: bitmap name");
      }
      UseName(positional[1], bitmaps_, "bitmap");
      AddWord(statement, positional[1]);
      if (positional.size() > 2 && positional[2].text == "bottomup") {
        AddWord(statement, positional[2]);
        Want(positional, 3, "");
      } else {
        Want(positional, 2, "bitmap name");
      }
    } else {
      Fail(positional[0].column, "expected none, solid, hatch or pattern");
    }
  }

  void CheckEscape(Statement& statement, const std::vector<Token>& positional, int verb_column) {
    Place(in_dc_, verb_column, "escape");
    if (positional.empty()) {
      Fail(end_column_, "missing operand: escape number");
    }
    const std::string_view form = positional[0].text;
    AddWord(statement, positional[0]);
    if (form == "query" || form == "copies") {
      Want(positional, 2, "N");
      Value value = WordValue(positional[1]);
      value.kind = Value::Kind::kNumber;
      value.number = Integer(positional[1], 0, form == "copies" ? 32767 : 0xFFFFFFFF);
      statement.operands.push_back(value);
    } else if (form == "rop") {
      Want(positional, 1, "");
      if (!statement.Has("value")) {
        Fail(end_column_, "missing operand: value=N");
      }
    } else if (form == "passthrough") {
      Want(positional, 2, "HEX");
      CheckHex(positional[1]);
      if (positional[1].text.size() / 2 > 0xFFFF) {
        Fail(positional[1].column, "number out of range: passthrough longer than 65535 bytes");
      }
      AddWord(statement, positional[1]);
    } else {
      Want(positional, 1, "escape number");
      statement.operands[0].kind = Value::Kind::kNumber;
      statement.operands[0].number = Integer(positional[0], 0, 0xFFFFFFFF);
    }
    for (const char* key : {"value", "tag"}) {
      if (form != "rop" && statement.Has(key)) {
        Fail(statement.Option(key)->column, std::string("option '") + key + "' goes with escape rop");
      }
    }
  }

  void CheckBitmap(Statement& statement, const std::vector<Token>& positional) {
    Want(positional, 1, "bitmap name");
    if (!statement.Has("format")) {
      Fail(end_column_, "missing operand: format=1|4|8|16|24|32|rle4|rle8");
    }
    if (!statement.Has("size")) {
      Fail(end_column_, "missing operand: size=W,H");
    }
    Value& size = statement.options["size"];
    IntegerList(size, "size", 2, 1, kMaxBitmapSide);
    ULONG format = FormatOfWord(statement.Option("format")->text);
    bool rle = format == BMF_4RLE || format == BMF_8RLE;
    std::uint64_t bytes = BitmapBytes(format, size.Numbers()[0], size.Numbers()[1]);
    if (bytes > kMaxBitmapBytes) {
      Fail(size.column, "bitmap larger than 256 MiB");
    }
    if (statement.Has("data") + statement.Has("file") + statement.Has("fill") != 1) {
      Fail(end_column_, "a bitmap takes one of data=, file= or fill=");
    }
    if (statement.Has("seed") && !statement.Has("fill")) {
      Fail(statement.Option("seed")->column, "seed= goes with fill=");
    }
    if (statement.Has("palette")) {
      Value& palette = statement.options["palette"];
      int bits = BitsPerPixel(format);
      std::vector<std::string> parts = Split(palette.text, ',');
      if (bits > 8) {
        Fail(palette.column, "a palette goes with a format of 1, 4 or 8 bits");
      }
      if (parts.size() > (std::size_t{1} << bits)) {
        Fail(palette.column, "a palette of " + std::to_string(parts.size()) +
                                 " colours for " + std::to_string(bits) + "-bit pixels");
      }
      std::string text;
      for (const std::string& part : parts) {
        Value colour;
        colour.kind = Value::Kind::kColor;
        colour.color = ParseColour(Token{part, false, "", false, palette.column});
        palette.MutableNumbers().push_back(colour.color);
        text += (text.empty() ? "" : ",") + ColourText(colour.color);
      }
      palette.text = text;
    }
    if (statement.Has("data")) {
      const Value& data = *statement.Option("data");
      std::uint64_t given = data.text.size() / 2;
      if (rle ? given == 0 : given != bytes) {
        Fail(data.column, "size mismatch: data= has " + std::to_string(given) +
                              " bytes, the bitmap takes " + (rle ? "some" : std::to_string(bytes)));
      }
    }
    DefineName(positional[0], bitmaps_, "bitmap");
    AddWord(statement, positional[0]);
  }

  // Reads `time=YYYY-MM-DDTHH:MM:SS.mmm` into numbers {year, month, day, hour, minute, second,
  // millisecond}.
  static void CheckTime(Value& time) {
    const std::string& t = time.text;
    static const char kShape[] = "dddd-dd-ddTdd:dd:dd.ddd";
    bool ok = t.size() == sizeof kShape - 1;
    for (std::size_t i = 0; ok && i < t.size(); ++i) {
      ok = kShape[i] == 'd' ? (t[i] >= '0' && t[i] <= '9') : t[i] == kShape[i];
    }
    if (!ok) {
      Fail(time.column, "bad time '" + t + "' (YYYY-MM-DDTHH:MM:SS.mmm)");
    }
    auto at = [&](std::size_t from, std::size_t count) {
      return static_cast<std::int64_t>(std::stoi(t.substr(from, count)));
    };
    time.MutableNumbers() = {at(0, 4), at(5, 2), at(8, 2), at(11, 2), at(14, 2), at(17, 2), at(20, 3)};
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const auto& n = time.Numbers();
    std::int64_t year = n[0];
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 1601 || n[1] < 1 || n[1] > 12 || n[2] < 1 || n[2] > kDays[n[1] - 1] ||
        (n[1] == 2 && n[2] == 29 && !leap) || n[3] > 23 || n[4] > 59 || n[5] > 59) {
      Fail(time.column, "time out of range: " + t);
    }
  }

  void CheckFault(Statement& statement, const std::vector<Token>& positional) {
    Want(positional, 1, "function name");
    const std::string_view name = positional[0].text;
    AddWord(statement, positional[0]);
    if (name == "write") {
      if (statement.Has("short") == statement.Has("fail")) {
        Fail(end_column_, "fault write takes short=N or fail");
      }
    } else if (name == "abort") {
      if (!statement.Has("page")) {
        Fail(end_column_, "missing operand: page=N");
      }
    } else if (!IsName(name) || statement.Has("short") || statement.Has("fail") ||
               statement.Has("page")) {
      Fail(positional[0].column, "bad fault '" + name + "'");
    }
  }

  Job job_;
  int line_ = 0;
  bool seen_header_ = false;
  bool in_dc_ = false;
  bool in_doc_ = false;
  bool in_page_ = false;
  bool last_was_call_ = false;
  Names paths_;
  Names fonts_;
  Names bitmaps_;
  // Reused from line to line.
  std::vector<Token> tokens_;
  std::vector<Token> positional_;
};

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      static const char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string ValueText(const Value& value) {
  switch (value.kind) {
    case Value::Kind::kNumber: return std::to_string(value.number);
    case Value::Kind::kLength: return LengthText(value.length);
    case Value::Kind::kString: return Quote(value.text);
    case Value::Kind::kColor: return ColourText(value.color);
    case Value::Kind::kWord: return value.text;
  }
  return value.text;
}

}  // namespace

const std::vector<std::int64_t>& Value::Numbers() const {
  static const std::vector<std::int64_t> kNone;
  return lists_.Get() != nullptr ? lists_.Get()->numbers : kNone;
}

const std::vector<Length>& Value::Lengths() const {
  static const std::vector<Length> kNone;
  return lists_.Get() != nullptr ? lists_.Get()->lengths : kNone;
}

Options::Options(const Options& other) {
  if (other.map_ != nullptr) {
    map_ = std::pmr::polymorphic_allocator<Map>(Memory()).new_object<Map>(*other.map_);
  }
}

Options& Options::operator=(const Options& other) {
  if (this != &other) {
    Drop();
    memory_ = nullptr;
    if (other.map_ != nullptr) {
      map_ = std::pmr::polymorphic_allocator<Map>(Memory()).new_object<Map>(*other.map_);
    }
  }
  return *this;
}

Options& Options::operator=(Options&& other) noexcept {
  if (this != &other) {
    Drop();
    map_ = std::exchange(other.map_, nullptr);
    memory_ = other.memory_;
  }
  return *this;
}

void Options::Drop() noexcept {
  if (map_ != nullptr) {
    std::pmr::polymorphic_allocator<Map>(Memory()).delete_object(map_);
    map_ = nullptr;
  }
}

Options::Map& Options::Make() {
  if (map_ == nullptr) {
    map_ = std::pmr::polymorphic_allocator<Map>(Memory()).new_object<Map>();
  }
  return *map_;
}

const Options::Map& Options::Read() const {
  static const Map kNone;
  return map_ != nullptr ? *map_ : kNone;
}

Options::iterator Options::find(std::string_view key) {
  return map_ != nullptr ? map_->find(key) : end();
}

Options::iterator Options::end() {
  // Without a map, the end of an empty map that nothing ever changes.
  static Map none;
  return map_ != nullptr ? map_->end() : none.end();
}

Value& Options::operator[](std::string_view key) {
  Map& map = Make();
  auto it = map.find(key);
  if (it == map.end()) {
    it = map.emplace(std::string(key), Value()).first;
  }
  return it->second;
}

const std::vector<PathElement>& Statement::Path() const {
  static const std::vector<PathElement> kNone;
  return shapes_.Get() != nullptr ? shapes_.Get()->path : kNone;
}

const std::vector<std::vector<Length>>& Statement::Rects() const {
  static const std::vector<std::vector<Length>> kNone;
  return shapes_.Get() != nullptr ? shapes_.Get()->rects : kNone;
}

std::optional<std::int32_t> ToPixels(const Length& length, std::uint32_t dpi) {
  double pixels = length.value;
  switch (length.unit) {
    case Unit::kPixels: break;
    case Unit::kInch: pixels = length.value * dpi; break;
    case Unit::kMm: pixels = length.value * dpi / 25.4; break;
    case Unit::kPoint: pixels = length.value * dpi / 72.0; break;
  }
  // Half away from zero; a tiny tolerance keeps 25.4mm at exactly one inch.
  double rounded = std::round(pixels * 1e6) / 1e6;
  rounded = std::round(rounded);
  if (!(std::fabs(rounded) <= kMaxCoordinate)) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(rounded);
}

std::optional<Job> ParseJob(const std::string& text, const std::string& file,
                            std::string* error) {
  Reader reader(file);
  // Lines counted by memchr, which scans many bytes at a step.
  std::size_t lines = 1;
  const char* const stop = text.data() + text.size();
  for (const char* at = text.data();
       (at = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(stop - at)))) !=
       nullptr;
       ++at) {
    ++lines;
  }
  reader.Reserve(lines, text.size());
  int number = 0;
  try {
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) {
        end = text.size();
      }
      ++number;
      if (end - start > kMaxLine + 1) {
        throw Failure{1, "line longer than 64 KiB"};
      }
      reader.Line(std::string_view(text).substr(start, end - start), number);
      start = end + 1;
    }
    return reader.Finish(number == 0 ? 1 : number);
  } catch (const Failure& failure) {
    if (error != nullptr) {
      *error = file + ":" + std::to_string(number == 0 ? 1 : number) + ":" + std::to_string(failure.column) + ": " + failure.message;
    }
    return std::nullopt;
  }
}

std::string CanonicalText(const Job& job) {
  std::string out = "vjob 1\n";
  for (const Statement& statement : job.statements) {
    std::string line(statement.verb);
    if (statement.verb == "path") {
      line += " " + statement.operands[0].text + " :";
      for (const PathElement& element : statement.Path()) {
        line += ' ';
        line += element.op;
        for (const Length& length : element.coordinates) {
          line += " " + LengthText(length);
        }
      }
    } else {
      for (const Value& value : statement.operands) {
        line += " " + ValueText(value);
      }
      for (std::size_t r = 0; r < statement.Rects().size(); ++r) {
        line += r == 0 ? "" : " ,";
        for (const Length& length : statement.Rects()[r]) {
          line += " " + LengthText(length);
        }
      }
    }
    for (const auto& [key, value] : statement.options) {
      line += " " + key;
      if (value.kind != Value::Kind::kWord || !value.text.empty()) {
        line += "=" + ValueText(value);
      }
    }
    out += line + "\n";
  }
  return out;
}

}  // namespace vel::velprint
