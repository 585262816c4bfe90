// The PostScript emitter: a text buffer that empties itself through a flush callback, and one
// operation per PostScript operator or document fragment of a Level 2 job with DSC comments.
//
// The emitter belongs to one back end and is used by one thread at a time. It knows nothing of
// pages or graphic state beyond the four page and device values of the document operations: the
// caller decides what to write, the emitter how it is spelled. Every text is spelled with the
// classic "C" rules, whatever the global locale; lines end with CR LF.
//
// Statuses (32-bit, 0 for success):
//   kNoFlushCallback (5)  the emitter has no flush callback: nothing is written
//   kFormatFailed (6)     a real could not be formatted (NaN, an infinity, a magnitude of 2^31 or
//                         more): the comment "\r\n%% PSLIB error in converting GReal to asc\r\n"
//                         stands where the number would, and the operation writes the rest of
//                         its text
// An operation that writes several pieces returns the first failure among them.
#pragma once

#include <cstdint>

// Receives the emitter's text when its buffer is full and on Flush.
class GPSFlushCallback {
 public:
  // Hands on count bytes starting at buffer (count is never 0). The result is the callback's own
  // business (a back end keeps a failed write as its pending status); the emitter does not look at
  // it. The callback must not write to the emitter that is flushing.
  virtual std::int32_t Flush(const char* buffer, std::uint32_t count) = 0;

 protected:
  ~GPSFlushCallback() = default;
};

class GPSLibWriter {
 public:
  static constexpr std::int32_t kOk = 0;
  static constexpr std::int32_t kNoFlushCallback = 5;
  static constexpr std::int32_t kFormatFailed = 6;

  // Texts accumulate here and reach the callback in runs of exactly this many bytes, the last run
  // on Flush.
  static constexpr std::uint32_t kBufferSize = 8192;

  // Hex data goes out in lines of this many bytes (twice as many digits), each ended by CR LF.
  static constexpr std::uint32_t kHexBytesPerLine = 128;

  // The callback may be null; every write then answers kNoFlushCallback.
  explicit GPSLibWriter(GPSFlushCallback* flush_callback);
  GPSLibWriter(const GPSLibWriter&) = delete;
  GPSLibWriter& operator=(const GPSLibWriter&) = delete;

  // ---- Buffer ----------------------------------------------------------------------------------

  // Hands the waiting bytes (if any) to the callback and empties the buffer. Without a callback
  // returns kNoFlushCallback and keeps them.
  [[nodiscard]] std::int32_t Flush();
  // Bytes waiting in the buffer.
  std::uint32_t BufferedBytes() const { return fill_; }

  // A zero-ended text, as it stands (null writes nothing).
  [[nodiscard]] std::int32_t WriteString(const char* text);
  [[nodiscard]] std::int32_t WriteByte(std::uint8_t byte);

  // ---- Numbers: each followed by one blank -----------------------------------------------------

  [[nodiscard]] std::int32_t WriteInt(std::int32_t value);
  [[nodiscard]] std::int32_t WriteShort(std::int16_t value);
  [[nodiscard]] std::int32_t WriteUShort(std::uint16_t value);
  // x, then y.
  [[nodiscard]] std::int32_t WritePoint(std::int16_t x, std::int16_t y);
  // Integer part and four truncated decimals, computed in single precision: 3 -> "3 ",
  // 0.05 -> ".0500 ", -0.12 -> "-0.1200 ", -1.5 -> "-1.5000 ". A value whose four decimals are 0
  // is written as its integer part alone.
  [[nodiscard]] std::int32_t WriteReal(float value);

  // ---- Hexadecimal data ------------------------------------------------------------------------

  // Two upper-case digits per byte; CR LF after every kHexBytesPerLine bytes and after the last
  // partial line.
  [[nodiscard]] std::int32_t WriteHex(const std::uint8_t* bytes, std::uint32_t count);
  // "<", the lines of WriteHex, ">".
  [[nodiscard]] std::int32_t WriteHexString(const std::uint8_t* bytes, std::uint32_t count);

  // ---- Path and painting operators -------------------------------------------------------------

  [[nodiscard]] std::int32_t Arc(std::int16_t x,
                                 std::int16_t y,
                                 float radius,
                                 float start_angle,
                                 float end_angle);
  [[nodiscard]] std::int32_t ArcN(std::int16_t x,
                                  std::int16_t y,
                                  float radius,
                                  float start_angle,
                                  float end_angle);
  [[nodiscard]] std::int32_t ArcTo(std::int16_t x1,
                                   std::int16_t y1,
                                   std::int16_t x2,
                                   std::int16_t y2,
                                   float radius);
  [[nodiscard]] std::int32_t CurveTo(std::int16_t x1,
                                     std::int16_t y1,
                                     std::int16_t x2,
                                     std::int16_t y2,
                                     std::int16_t x3,
                                     std::int16_t y3);
  [[nodiscard]] std::int32_t MoveTo(std::int16_t x, std::int16_t y);
  [[nodiscard]] std::int32_t LineTo(std::int16_t x, std::int16_t y);
  [[nodiscard]] std::int32_t NewPath();
  [[nodiscard]] std::int32_t ClosePath();
  [[nodiscard]] std::int32_t Clip();
  [[nodiscard]] std::int32_t EOClip();
  [[nodiscard]] std::int32_t InitClip();
  [[nodiscard]] std::int32_t Fill();
  [[nodiscard]] std::int32_t EOFill();
  [[nodiscard]] std::int32_t Stroke();
  [[nodiscard]] std::int32_t GSave();
  [[nodiscard]] std::int32_t GRestore();
  [[nodiscard]] std::int32_t ShowPage();

  // ---- Coordinates -----------------------------------------------------------------------------

  [[nodiscard]] std::int32_t Translate(std::int16_t x, std::int16_t y);
  // Integer factors (written as "%d"); 16-bit arguments promote to this overload.
  [[nodiscard]] std::int32_t Scale(std::int32_t sx, std::int32_t sy);
  [[nodiscard]] std::int32_t Scale(float sx, float sy);

  // ---- Line and colour state -------------------------------------------------------------------

  [[nodiscard]] std::int32_t SetLineCap(std::int16_t cap);
  [[nodiscard]] std::int32_t SetLineJoin(std::int16_t join);
  [[nodiscard]] std::int32_t SetLineWidth(float width);
  // A limit below 1 is written as 1, the smallest that PostScript accepts.
  [[nodiscard]] std::int32_t SetMiterLimit(float limit);
  [[nodiscard]] std::int32_t SetSolidLine();
  // " [", each length, "] ", the offset, "setdash\r\n". A pattern whose lengths are all 0 (which
  // PostScript refuses) is written as the solid pattern " [] ".
  [[nodiscard]] std::int32_t SetDash(const std::uint16_t* lengths,
                                     std::uint32_t count,
                                     std::uint16_t offset);
  [[nodiscard]] std::int32_t SetRGBColor(float red, float green, float blue);

  // ---- Pen and brush procedures ----------------------------------------------------------------

  // "/brush { " ... "} def " defines the procedure that sets the fill colour; " brush " calls it.
  [[nodiscard]] std::int32_t BeginBrush();
  [[nodiscard]] std::int32_t UseBrush();
  // "/Pen { " ... "} def " defines the procedure that sets the stroke; "Pen " calls it.
  [[nodiscard]] std::int32_t BeginPen();
  [[nodiscard]] std::int32_t UsePen();
  [[nodiscard]] std::int32_t EndDefinition();

  // ---- Colour spaces, images and patterns ------------------------------------------------------

  // colour 1 is RGB, anything else grey. With a palette: an indexed space over it, whose palette
  // holds (3 for RGB, else 1) x 2^bits_per_pixel bytes; bits 1 to 8 (with other values the palette
  // is not used and the plain space is set).
  [[nodiscard]] std::int32_t SetColorSpace(std::int32_t colour,
                                           std::int32_t bits_per_pixel,
                                           const std::uint8_t* palette);
  // The image dictionary of an image whose rows follow as hexadecimal data (WriteHex), ended by
  // EndImageData. The image matrix maps the unit square onto width x height samples, top row
  // first.
  [[nodiscard]] std::int32_t BeginImage(std::int32_t width,
                                        std::int32_t height,
                                        std::int32_t colour,
                                        std::int32_t bits_per_component,
                                        std::int32_t indexed);
  [[nodiscard]] std::int32_t EndImageData();
  // A coloured tiling pattern whose paint procedure draws its samples (WriteHex between the two
  // calls) with colorimage; EndPattern defines it as /Patt<number>, SetPattern selects it.
  [[nodiscard]] std::int32_t BeginPattern(std::int32_t width,
                                          std::int32_t height,
                                          std::int32_t bits_per_component);
  [[nodiscard]] std::int32_t EndPattern(std::int32_t colour, std::int32_t number);
  [[nodiscard]] std::int32_t SetPattern(std::int32_t number);

  // ---- Text ------------------------------------------------------------------------------------

  // The show operators: the text as a PostScript string, exactly length bytes ("(", ")" and "\"
  // escaped with a backslash, bytes below 32 and 127 as \ooo), then the advances, one per byte at
  // least: an advance beyond the array's count is written as 0 (the shows refuse a short array).
  [[nodiscard]] std::int32_t XShow(const char* text,
                                   std::uint32_t length,
                                   const std::int16_t* widths,
                                   std::uint32_t count);
  [[nodiscard]] std::int32_t YShow(const char* text,
                                   std::uint32_t length,
                                   const std::int16_t* heights,
                                   std::uint32_t count);
  // One x and one y value for each index below x_count, y_count or length.
  [[nodiscard]] std::int32_t XYShow(const char* text,
                                    std::uint32_t length,
                                    const std::int16_t* xs,
                                    std::uint32_t x_count,
                                    const std::int16_t* ys,
                                    std::uint32_t y_count);
  // "/SymbolEcoding<set>" and its 256-entry glyph-name array.
  [[nodiscard]] std::int32_t DefineEncoding(std::int16_t symbol_set);
  // Re-encodes the resident font name with the vector SymbolEcoding<set> as /_<name> and selects
  // it with the matrix [sx shear_b shear_a -sy 0 0] (sx = size x scale_x, sy = size x scale_y),
  // rotated by minus the angle in degrees. A size or scale of 0 or less counts as 0.000001, and
  // sx or sy below 0.0001 is written as .0001, the smallest factor that the format prints.
  [[nodiscard]] std::int32_t SelectFont(const char* name,
                                        float size,
                                        float shear_a,
                                        float shear_b,
                                        float scale_x,
                                        float scale_y,
                                        float angle,
                                        std::int16_t symbol_set);

  // ---- Document structure ----------------------------------------------------------------------

  // The header comments, the prolog with the procedure set NTPSProcs, and the setup with one
  // feature block of setpagedevice keys, ending inside "NTPSProcs begin". Keeps the resolutions
  // for the page operations.
  [[nodiscard]] std::int32_t DocumentSetup(std::int16_t x_resolution,
                                           std::int16_t y_resolution,
                                           std::int16_t tonersave,
                                           std::int16_t collate,
                                           std::int16_t duplex,
                                           std::int16_t output_bin,
                                           std::int16_t bin_flag,
                                           std::int16_t post_rendering_enhance);
  // The page's setpagedevice and the transform to device pixels, origin top left, y downwards.
  // media_type may be null (as empty). media_value is not used. Only the low byte of
  // media_position counts; 255 writes no manual-feed and position keys.
  [[nodiscard]] std::int32_t PageSetup(std::uint16_t width,
                                       std::uint16_t height,
                                       std::int32_t media_value,
                                       const char* media_type,
                                       std::int32_t manual_feed,
                                       std::int32_t media_position);
  // Undoes the page transform and ends the page with showpage.
  [[nodiscard]] std::int32_t PageTrailer();
  // The trailer comments, closing the "NTPSProcs begin" of the setup.
  [[nodiscard]] std::int32_t DocumentTrailer();

  std::uint16_t PageWidth() const { return page_width_; }
  std::uint16_t PageHeight() const { return page_height_; }
  std::int16_t XResolution() const { return x_resolution_; }
  std::int16_t YResolution() const { return y_resolution_; }

 private:
  // Appends bytes, handing the buffer to the callback each time it fills up.
  std::int32_t Append(const char* bytes, std::uint32_t count);
  std::int32_t Append(const char* text);  // zero-ended
  // "%d" without the blank that WriteInt adds.
  std::int32_t AppendInt(std::int32_t value);
  // A PostScript string literal of exactly count bytes, escaped.
  std::int32_t WritePSString(const char* bytes, std::uint32_t count);
  // The string, "[", each value as "%d ", "]", then the show's own text.
  std::int32_t WriteShow(const char* text,
                         std::uint32_t length,
                         const std::int16_t* values,
                         std::uint32_t count,
                         const char* show);
  std::int32_t WriteHexLines(const std::uint8_t* bytes, std::uint32_t count);
  std::int32_t WriteArcOperator(std::int16_t x,
                                std::int16_t y,
                                float radius,
                                float start_angle,
                                float end_angle,
                                const char* op);
  std::int32_t WriteFeatures(std::int16_t x_resolution,
                             std::int16_t y_resolution,
                             std::int16_t tonersave,
                             std::int16_t collate,
                             std::int16_t duplex,
                             std::int16_t output_bin,
                             std::int16_t bin_flag,
                             std::int16_t post_rendering_enhance);

  std::uint16_t page_width_ = 0;
  std::uint16_t page_height_ = 0;
  std::int16_t x_resolution_ = 0;
  std::int16_t y_resolution_ = 0;
  std::uint32_t fill_ = 0;
  GPSFlushCallback* flush_callback_;
  char buffer_[kBufferSize];
};
