// The PostScript emitter: buffer, numbers, hexadecimal data and the operators of a page.
#include "framework/output/postscript/GPSLibWriter.h"

#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "framework/output/postscript/GPSLibWriterInternal.h"
#include "framework/output/postscript/PSEncodingVectors.h"

namespace {

using vel::ps::FirstFailure;

constexpr char kRealError[] = "\r\n%% PSLIB error in converting GReal to asc\r\n";

// The two digits of each byte value, in text order.
struct HexPairs {
  char digits[256][2];
};

constexpr HexPairs MakeHexPairs() {
  constexpr char kDigits[] = "0123456789ABCDEF";
  HexPairs pairs{};
  for (int byte = 0; byte < 256; ++byte) {
    pairs.digits[byte][0] = kDigits[byte >> 4];
    pairs.digits[byte][1] = kDigits[byte & 0x0F];
  }
  return pairs;
}

constexpr HexPairs kHexPairs = MakeHexPairs();

// Two digits per byte into out. Where the vector unit is there, sixteen bytes at a time: each
// nibble n becomes '0' + n, plus 7 when it is above 9; the rest through the table.
void EncodeHex(const std::uint8_t* bytes, std::uint32_t count, char* out) {
  std::uint32_t i = 0;
#if defined(__SSE2__)
  const __m128i low_nibble = _mm_set1_epi8(0x0F);
  const __m128i nine = _mm_set1_epi8(9);
  const __m128i zero_digit = _mm_set1_epi8('0');
  const __m128i letter_gap = _mm_set1_epi8('A' - '0' - 10);
  auto digits = [&](__m128i nibbles) {
    const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(nibbles, nine), letter_gap);
    return _mm_add_epi8(_mm_add_epi8(nibbles, zero_digit), letters);
  };
  for (; i + 16 <= count; i += 16) {
    const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const __m128i high = _mm_and_si128(_mm_srli_epi16(in, 4), low_nibble);
    const __m128i low = _mm_and_si128(in, low_nibble);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), digits(_mm_unpacklo_epi8(high, low)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 16),
                     digits(_mm_unpackhi_epi8(high, low)));
  }
#endif
  for (; i < count; ++i) {
    std::memcpy(out + 2 * i, kHexPairs.digits[bytes[i]], 2);
  }
}

// Longest "%d " of a 32-bit value: sign, ten digits, blank.
constexpr std::size_t kIntText = 12;

// Decimal digits of value, right-aligned so that they end at end; returns the first digit.
char* DigitsBefore(char* end, std::uint32_t value) {
  do {
    *--end = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return end;
}

// "%d" into out; returns the length.
std::size_t FormatInt(char* out, std::int32_t value) {
  char digits[kIntText];
  char* end = digits + sizeof digits;
  const std::uint32_t magnitude =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  char* first = DigitsBefore(end, magnitude);
  std::size_t length = 0;
  if (value < 0) {
    out[length++] = '-';
  }
  const auto count = static_cast<std::size_t>(end - first);
  std::memcpy(out + length, first, count);
  return length + count;
}

// Four digits with leading zeros ("%04d" of 0 to 9999).
void FormatFourDigits(char* out, std::uint32_t value) {
  out[3] = static_cast<char>('0' + value % 10);
  out[2] = static_cast<char>('0' + value / 10 % 10);
  out[1] = static_cast<char>('0' + value / 100 % 10);
  out[0] = static_cast<char>('0' + value / 1000 % 10);
}

}  // namespace

GPSLibWriter::GPSLibWriter(GPSFlushCallback* flush_callback) : flush_callback_(flush_callback) {}

// ---- Buffer ------------------------------------------------------------------------------------

std::int32_t GPSLibWriter::Flush() {
  if (flush_callback_ == nullptr) {
    return kNoFlushCallback;
  }
  if (fill_ != 0) {
    static_cast<void>(flush_callback_->Flush(buffer_, fill_));
    fill_ = 0;
  }
  return kOk;
}

std::int32_t GPSLibWriter::Append(const char* bytes, std::uint32_t count) {
  if (flush_callback_ == nullptr) {
    return kNoFlushCallback;
  }
  while (count > kBufferSize - fill_) {
    const std::uint32_t part = kBufferSize - fill_;
    std::memcpy(buffer_ + fill_, bytes, part);
    fill_ = kBufferSize;
    static_cast<void>(Flush());
    bytes += part;
    count -= part;
  }
  if (count != 0) {
    std::memcpy(buffer_ + fill_, bytes, count);
    fill_ += count;
  }
  return kOk;
}

std::int32_t GPSLibWriter::Append(const char* text) {
  return Append(text, static_cast<std::uint32_t>(std::strlen(text)));
}

std::int32_t GPSLibWriter::WriteString(const char* text) {
  if (text == nullptr) {
    return flush_callback_ == nullptr ? kNoFlushCallback : kOk;
  }
  return Append(text);
}

std::int32_t GPSLibWriter::WriteByte(std::uint8_t byte) {
  const char c = static_cast<char>(byte);
  return Append(&c, 1);
}

// ---- Numbers -----------------------------------------------------------------------------------

std::int32_t GPSLibWriter::WriteInt(std::int32_t value) {
  char text[kIntText];
  std::size_t length = FormatInt(text, value);
  text[length++] = ' ';
  return Append(text, static_cast<std::uint32_t>(length));
}

std::int32_t GPSLibWriter::AppendInt(std::int32_t value) {
  char text[kIntText];
  return Append(text, static_cast<std::uint32_t>(FormatInt(text, value)));
}

std::int32_t GPSLibWriter::WriteShort(std::int16_t value) {
  return WriteInt(value);
}

std::int32_t GPSLibWriter::WriteUShort(std::uint16_t value) {
  return WriteInt(value);
}

std::int32_t GPSLibWriter::WritePoint(std::int16_t x, std::int16_t y) {
  char text[2 * kIntText];
  std::size_t length = FormatInt(text, x);
  text[length++] = ' ';
  length += FormatInt(text + length, y);
  text[length++] = ' ';
  return Append(text, static_cast<std::uint32_t>(length));
}

std::int32_t GPSLibWriter::WriteReal(float value) {
  // The integer part must fit "%d"; NaN fails this test too.
  if (!(std::fabs(value) < 2147483648.0f)) {
    const std::int32_t status = Append(kRealError);
    return status != kOk ? status : kFormatFailed;
  }
  // Single precision throughout: 0.12f x 10000 rounds to 1200 in float, where double would give
  // 1199.99997 and the text .1199.
  const auto whole = static_cast<std::int32_t>(value);
  const float remainder = std::fabs(value - static_cast<float>(whole));
  auto fraction = static_cast<std::uint32_t>(remainder * 10000.0f);
  if (fraction > 9999) {
    fraction = 9999;
  }
  char text[kIntText + 8];
  std::size_t length = 0;
  if (fraction == 0) {
    length = FormatInt(text, whole);
  } else {
    if (whole == 0) {
      if (value < 0.0f) {
        std::memcpy(text, "-0", 2);
        length = 2;
      }
    } else {
      length = FormatInt(text, whole);
    }
    text[length++] = '.';
    FormatFourDigits(text + length, fraction);
    length += 4;
  }
  text[length++] = ' ';
  return Append(text, static_cast<std::uint32_t>(length));
}

// ---- Hexadecimal data --------------------------------------------------------------------------

std::int32_t GPSLibWriter::WriteHexLines(const std::uint8_t* bytes, std::uint32_t count) {
  if (flush_callback_ == nullptr) {
    return kNoFlushCallback;
  }
  constexpr std::uint32_t kLineText = 2 * kHexBytesPerLine + 2;
  char line[kLineText];
  while (count != 0) {
    const std::uint32_t take = count < kHexBytesPerLine ? count : kHexBytesPerLine;
    const std::uint32_t text_length = 2 * take + 2;
    // Straight into the buffer when the line fits, else through the line buffer.
    char* out = kBufferSize - fill_ >= text_length ? buffer_ + fill_ : line;
    EncodeHex(bytes, take, out);
    out[2 * take] = '\r';
    out[2 * take + 1] = '\n';
    if (out == line) {
      static_cast<void>(Append(line, text_length));
    } else {
      fill_ += text_length;
    }
    bytes += take;
    count -= take;
  }
  return kOk;
}

std::int32_t GPSLibWriter::WriteHex(const std::uint8_t* bytes, std::uint32_t count) {
  if (bytes == nullptr) {
    count = 0;
  }
  return WriteHexLines(bytes, count);
}

std::int32_t GPSLibWriter::WriteHexString(const std::uint8_t* bytes, std::uint32_t count) {
  FirstFailure status;
  status += Append("<", 1);
  status += WriteHex(bytes, count);
  status += Append(">", 1);
  return status.Status();
}

// ---- Path and painting operators ---------------------------------------------------------------

std::int32_t GPSLibWriter::WriteArcOperator(std::int16_t x,
                                            std::int16_t y,
                                            float radius,
                                            float start_angle,
                                            float end_angle,
                                            const char* op) {
  FirstFailure status;
  status += WritePoint(x, y);
  status += WriteReal(radius);
  status += WriteReal(start_angle);
  status += WriteReal(end_angle);
  status += Append(op);
  return status.Status();
}

std::int32_t GPSLibWriter::Arc(std::int16_t x,
                               std::int16_t y,
                               float radius,
                               float start_angle,
                               float end_angle) {
  return WriteArcOperator(x, y, radius, start_angle, end_angle, "arc ");
}

std::int32_t GPSLibWriter::ArcN(std::int16_t x,
                                std::int16_t y,
                                float radius,
                                float start_angle,
                                float end_angle) {
  return WriteArcOperator(x, y, radius, start_angle, end_angle, "arcn ");
}

std::int32_t GPSLibWriter::ArcTo(std::int16_t x1,
                                 std::int16_t y1,
                                 std::int16_t x2,
                                 std::int16_t y2,
                                 float radius) {
  FirstFailure status;
  status += WritePoint(x1, y1);
  status += WritePoint(x2, y2);
  status += WriteReal(radius);
  status += Append("arct ");
  return status.Status();
}

std::int32_t GPSLibWriter::CurveTo(std::int16_t x1,
                                   std::int16_t y1,
                                   std::int16_t x2,
                                   std::int16_t y2,
                                   std::int16_t x3,
                                   std::int16_t y3) {
  FirstFailure status;
  status += WritePoint(x1, y1);
  status += WritePoint(x2, y2);
  status += WritePoint(x3, y3);
  status += Append("curveto ");
  return status.Status();
}

std::int32_t GPSLibWriter::MoveTo(std::int16_t x, std::int16_t y) {
  FirstFailure status;
  status += WritePoint(x, y);
  status += Append("moveto ");
  return status.Status();
}

std::int32_t GPSLibWriter::LineTo(std::int16_t x, std::int16_t y) {
  FirstFailure status;
  status += WritePoint(x, y);
  status += Append("lineto \r\n");
  return status.Status();
}

std::int32_t GPSLibWriter::NewPath() {
  return Append("newpath ");
}

std::int32_t GPSLibWriter::ClosePath() {
  return Append("closepath ");
}

std::int32_t GPSLibWriter::Clip() {
  return Append("clip ");
}

std::int32_t GPSLibWriter::EOClip() {
  return Append("eoclip ");
}

std::int32_t GPSLibWriter::InitClip() {
  return Append("initclip ");
}

std::int32_t GPSLibWriter::Fill() {
  return Append("fill ");
}

std::int32_t GPSLibWriter::EOFill() {
  return Append("eofill ");
}

std::int32_t GPSLibWriter::Stroke() {
  return Append("stroke ");
}

std::int32_t GPSLibWriter::GSave() {
  return Append("gsave\r\n");
}

std::int32_t GPSLibWriter::GRestore() {
  return Append("grestore\r\n");
}

std::int32_t GPSLibWriter::ShowPage() {
  return Append("showpage\r\n");
}

// ---- Coordinates -------------------------------------------------------------------------------

std::int32_t GPSLibWriter::Translate(std::int16_t x, std::int16_t y) {
  FirstFailure status;
  status += WritePoint(x, y);
  status += Append("translate \r\n");
  return status.Status();
}

std::int32_t GPSLibWriter::Scale(std::int32_t sx, std::int32_t sy) {
  FirstFailure status;
  status += WriteInt(sx);
  status += WriteInt(sy);
  status += Append("scale \r\n");
  return status.Status();
}

std::int32_t GPSLibWriter::Scale(float sx, float sy) {
  FirstFailure status;
  status += WriteReal(sx);
  status += WriteReal(sy);
  status += Append("scale \r\n");
  return status.Status();
}

// ---- Line and colour state ---------------------------------------------------------------------

std::int32_t GPSLibWriter::SetLineCap(std::int16_t cap) {
  FirstFailure status;
  status += WriteShort(cap);
  status += Append("setlinecap ");
  return status.Status();
}

std::int32_t GPSLibWriter::SetLineJoin(std::int16_t join) {
  FirstFailure status;
  status += WriteShort(join);
  status += Append("setlinejoin ");
  return status.Status();
}

std::int32_t GPSLibWriter::SetLineWidth(float width) {
  FirstFailure status;
  status += WriteReal(width);
  status += Append("setlinewidth ");
  return status.Status();
}

std::int32_t GPSLibWriter::SetMiterLimit(float limit) {
  FirstFailure status;
  status += WriteReal(limit < 1.0f ? 1.0f : limit);
  status += Append("setmiterlimit ");
  return status.Status();
}

std::int32_t GPSLibWriter::SetSolidLine() {
  return Append("[] 0 setdash ");
}

std::int32_t GPSLibWriter::SetDash(const std::uint16_t* lengths,
                                   std::uint32_t count,
                                   std::uint16_t offset) {
  // setdash refuses an array whose elements are all 0; such a pattern is a solid line.
  bool any_dash = false;
  for (std::uint32_t i = 0; lengths != nullptr && i < count; ++i) {
    any_dash = any_dash || lengths[i] != 0;
  }
  FirstFailure status;
  status += Append(" [");
  for (std::uint32_t i = 0; any_dash && i < count; ++i) {
    status += WriteInt(lengths[i]);
  }
  status += Append("] ");
  status += WriteInt(offset);
  status += Append("setdash\r\n");
  return status.Status();
}

std::int32_t GPSLibWriter::SetRGBColor(float red, float green, float blue) {
  FirstFailure status;
  status += WriteReal(red);
  status += WriteReal(green);
  status += WriteReal(blue);
  status += Append(" setrgbcolor\r\n");
  return status.Status();
}

// ---- Pen and brush procedures ------------------------------------------------------------------

std::int32_t GPSLibWriter::BeginBrush() {
  return Append("/brush { ");
}

std::int32_t GPSLibWriter::UseBrush() {
  return Append(" brush ");
}

std::int32_t GPSLibWriter::BeginPen() {
  return Append("/Pen { ");
}

std::int32_t GPSLibWriter::UsePen() {
  return Append("Pen ");
}

std::int32_t GPSLibWriter::EndDefinition() {
  return Append("} def ");
}

// ---- Colour spaces, images and patterns --------------------------------------------------------

std::int32_t GPSLibWriter::SetColorSpace(std::int32_t colour,
                                         std::int32_t bits_per_pixel,
                                         const std::uint8_t* palette) {
  const bool rgb = colour == 1;
  if (palette == nullptr || bits_per_pixel < 1 || bits_per_pixel > 8) {
    return Append(rgb ? "/DeviceRGB setcolorspace " : "/DeviceGray setcolorspace ");
  }
  const std::uint32_t entries = 1u << bits_per_pixel;
  FirstFailure status;
  status += Append("[/Indexed ");
  status += Append(rgb ? "/DeviceRGB " : "/DeviceGray ");
  status += Append(" ");
  status += WriteInt(static_cast<std::int32_t>(entries - 1));
  status += WriteHexString(palette, (rgb ? 3 : 1) * entries);
  status += Append("] setcolorspace \r\n");
  return status.Status();
}

std::int32_t GPSLibWriter::BeginImage(std::int32_t width,
                                      std::int32_t height,
                                      std::int32_t colour,
                                      std::int32_t bits_per_component,
                                      std::int32_t indexed) {
  FirstFailure status;
  status += Append("<< /ImageType 1 /Width ");
  status += WriteInt(width);
  status += Append("/Height ");
  status += WriteInt(height);
  status += Append("/BitsPerComponent ");
  status += WriteInt(bits_per_component);
  status += Append("\r\n");
  if (indexed != 0) {
    // The highest index, (1 << bits) - 1, as a byte: 255 from 8 bits on.
    std::int32_t highest = 0;
    if (bits_per_component >= 8) {
      highest = 255;
    } else if (bits_per_component > 0) {
      highest = (1 << bits_per_component) - 1;
    }
    status += Append("/Decode [0 ");
    status += AppendInt(highest);
    status += Append("] ");
  } else {
    status += Append(colour == 1 ? "/Decode [0 1 0 1 0 1] " : "/Decode [0 1] ");
  }
  status += Append("/ImageMatrix [");
  status += AppendInt(width);
  status += Append(" 0 0 ");
  status += AppendInt(-height);
  status += Append(" 0 ");
  status += AppendInt(height);
  status += Append("] /DataSource currentfile /ASCIIHexDecode filter >> image \r\n");
  return status.Status();
}

std::int32_t GPSLibWriter::EndImageData() {
  return Append("> \r\n");
}

std::int32_t GPSLibWriter::BeginPattern(std::int32_t width,
                                        std::int32_t height,
                                        std::int32_t bits_per_component) {
  FirstFailure status;
  status += Append("<</PatternType 1 /PaintType 1 /TilingType 2 /BBox [0 0 ");
  status += WriteInt(width);
  status += AppendInt(height);
  status += Append("] /XStep ");
  status += WriteInt(width);
  status += Append("/YStep ");
  status += WriteInt(height);
  status += Append("/PaintProc {   begin gsave   0 ");
  status += WriteInt(height);
  status += Append("translate   ");
  status += WriteInt(width);
  status += WriteInt(-height);
  status += Append("scale   ");
  status += WriteInt(width);
  status += WriteInt(height);
  status += AppendInt(bits_per_component);
  status += Append("  [");
  status += AppendInt(width);
  status += Append(" 0 0 ");
  status += AppendInt(-height);
  status += Append(" 0 ");
  status += AppendInt(height);
  status += Append("]   < ");
  return status.Status();
}

std::int32_t GPSLibWriter::EndPattern(std::int32_t colour, std::int32_t number) {
  FirstFailure status;
  status += Append("  >   false ");
  status += Append(colour == 1 ? "  3 " : "  1 ");
  status += Append("  colorimage   grestore end } >> matrix makepattern /Patt");
  status += WriteInt(number);
  status += Append("exch def ");
  return status.Status();
}

std::int32_t GPSLibWriter::SetPattern(std::int32_t number) {
  FirstFailure status;
  status += Append("Patt");
  status += WriteInt(number);
  status += Append("setpattern\r\n");
  return status.Status();
}

// ---- Text --------------------------------------------------------------------------------------

std::int32_t GPSLibWriter::WritePSString(const char* bytes, std::uint32_t count) {
  if (flush_callback_ == nullptr) {
    return kNoFlushCallback;
  }
  if (bytes == nullptr) {
    count = 0;
  }
  // Runs of plain bytes go out whole; each special byte goes out as its escape.
  static_cast<void>(Append("(", 1));
  std::uint32_t run = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto byte = static_cast<std::uint8_t>(bytes[i]);
    const bool octal = byte < 32 || byte == 127;
    if (!octal && byte != '(' && byte != ')' && byte != '\\') {
      continue;
    }
    static_cast<void>(Append(bytes + run, i - run));
    run = i + 1;
    char escape[4] = {'\\', static_cast<char>(byte), 0, 0};
    std::uint32_t length = 2;
    if (octal) {
      escape[1] = static_cast<char>('0' + (byte >> 6));
      escape[2] = static_cast<char>('0' + ((byte >> 3) & 7));
      escape[3] = static_cast<char>('0' + (byte & 7));
      length = 4;
    }
    static_cast<void>(Append(escape, length));
  }
  static_cast<void>(Append(bytes + run, count - run));
  return Append(")", 1);
}

std::int32_t GPSLibWriter::WriteShow(const char* text,
                                     std::uint32_t length,
                                     const std::int16_t* values,
                                     std::uint32_t count,
                                     const char* show) {
  if (text == nullptr) {
    length = 0;
  }
  if (values == nullptr) {
    count = 0;
  }
  FirstFailure status;
  status += WritePSString(text, length);
  status += Append("[");
  // The show refuses an array shorter than its text: missing advances are 0.
  const std::uint32_t entries = count > length ? count : length;
  for (std::uint32_t i = 0; i < entries; ++i) {
    status += WriteInt(i < count ? values[i] : 0);
  }
  status += Append("]");
  status += Append(show);
  return status.Status();
}

std::int32_t GPSLibWriter::XShow(const char* text,
                                 std::uint32_t length,
                                 const std::int16_t* widths,
                                 std::uint32_t count) {
  return WriteShow(text, length, widths, count, " xshow\r\n");
}

std::int32_t GPSLibWriter::YShow(const char* text,
                                 std::uint32_t length,
                                 const std::int16_t* heights,
                                 std::uint32_t count) {
  return WriteShow(text, length, heights, count, " yshow\r\n");
}

std::int32_t GPSLibWriter::XYShow(const char* text,
                                  std::uint32_t length,
                                  const std::int16_t* xs,
                                  std::uint32_t x_count,
                                  const std::int16_t* ys,
                                  std::uint32_t y_count) {
  if (text == nullptr) {
    length = 0;
  }
  if (xs == nullptr) {
    x_count = 0;
  }
  if (ys == nullptr) {
    y_count = 0;
  }
  FirstFailure status;
  status += WritePSString(text, length);
  status += Append("[");
  std::uint32_t pairs = x_count > y_count ? x_count : y_count;
  if (pairs < length) {
    pairs = length;
  }
  for (std::uint32_t i = 0; i < pairs; ++i) {
    status +=
        WritePoint(i < x_count ? xs[i] : std::int16_t{0}, i < y_count ? ys[i] : std::int16_t{0});
  }
  status += Append("]");
  status += Append(" xyshow\r\n");
  return status.Status();
}

std::int32_t GPSLibWriter::DefineEncoding(std::int16_t symbol_set) {
  const vel::ps::EncodingVector vector = vel::ps::EncodingVectorFor(symbol_set);
  FirstFailure status;
  status += Append("/SymbolEcoding");
  status += AppendInt(symbol_set);
  status += Append(vector.leading_zero ? "\r\n[0\r\n" : "\r\n[");
  // Sixteen names a line.
  for (int code = 0; code < 256; ++code) {
    status += Append("/", 1);
    status += Append(vector.names[code]);
    status += Append(code % 16 == 15 ? "\r\n" : " ");
  }
  status += Append("]def\r\n");
  return status.Status();
}

std::int32_t GPSLibWriter::SelectFont(const char* name,
                                      float size,
                                      float shear_a,
                                      float shear_b,
                                      float scale_x,
                                      float scale_y,
                                      float angle,
                                      std::int16_t symbol_set) {
  constexpr float kNonPositive = 0.000001f;
  // The smallest factor that four decimals print; below it the font matrix would be singular.
  constexpr float kSmallestFactor = 0.0001f;
  if (size <= 0.0f) {
    size = kNonPositive;
  }
  if (scale_x <= 0.0f) {
    scale_x = kNonPositive;
  }
  if (scale_y <= 0.0f) {
    scale_y = kNonPositive;
  }
  float sx = size * scale_x;
  float sy = size * scale_y;
  if (!(sx >= kSmallestFactor)) {
    sx = kSmallestFactor;
  }
  if (!(sy >= kSmallestFactor)) {
    sy = kSmallestFactor;
  }
  if (name == nullptr) {
    name = "";
  }
  FirstFailure status;
  status += Append("SymbolEcoding");
  status += WriteShort(symbol_set);
  status += Append(" /_");
  status += Append(name);
  status += Append(" /");
  status += Append(name);
  status += Append(" reencode\r\n[ ");
  status += WriteReal(sx);
  status += WriteReal(shear_b);
  status += WriteReal(shear_a);
  status += WriteReal(sy);
  status += Append(" neg 0 0 ] ");
  if (angle != 0.0f) {  // -0 compares equal to 0
    status += WriteReal(angle);
    status += Append(" neg [0 0 0 0 0 0] rotate  [0 0 0 0 0 0] concatmatrix ");
  }
  status += Append(" /_");
  status += Append(name);
  status += Append(" MF\r\n");
  return status.Status();
}
