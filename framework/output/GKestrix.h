// GKestrix: the PCL XL back end, the language peripheral that turns the display-list commands into
// a PCL XL byte stream. It is the last stage of the chain (after the page filters and the PJL
// envelope). This part holds the object itself, the way from the XL stream to the output channel,
// the job and page handlers, the command order, the transform attribute and the statuses; the
// drawing, raster and text handlers build on it.
//
// Output: every byte goes through the back end's XL stream, an 8192-byte buffer that empties
// itself through Flush into the output channel when it fills, at the page end, before the bytes of
// a pass-through command and at the document end. So the document start's bytes wait in the buffer
// until the PJL envelope has written the job header.
//
// A job (operators after their attributes):
//   ") QZ-PCL XL;2;0;Comment Copyright QZ 1996-1998. Version 4.1.1.5" LF
//   UnitsPerMeasure Measure ErrorReport BeginSession
//   SourceType DataOrg OpenDataSource
//   per page: Orientation [MediaSource] [MediaType] [MediaSize | CustomMediaSize
//             CustomMediaSizeUnits] BeginPage, ClipMode SetClipMode, ... PageCopies EndPage
//   CloseDataSource EndSession
//
// Statuses: the first failing write of the channel is kept (pending status) and answered once, by
// the handler running when it happened or the next one; output is then dropped until the next
// document start, which starts every job afresh (output on, no pending status). An error of the
// XL stream itself (sticky in the stream) is answered as status 5 once, at the next page end or
// document end, and the stream is replaced at the next document start. Without a stream (it could
// not be allocated) the document start answers 5 and nothing is written.
//
// Command order: a page end and a document end reach the children first and then this stage, so
// the page's and the document's end are written after them; every other command reaches this stage
// first and, with status 0, the children after it.
//
// Stored form (after the language base's part):
//   u32  class version word, 1
//   i16  text mode
//   u16  pending status
//   i32  output-enabled flag
//   u16  resolution x
//   u16  resolution y
//   i32  colour mode
// A restore (version 1) makes a new stream and new font objects and loads the device font list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "framework/output/GLanguagePeripheral.h"
#include "framework/output/pclxl/XLStream.h"
#include "rw/RWCString.h"

class GBitmap;
class GClipAttribute;
class GDeviceFontDescription;
class GDeviceFontList;
class GDownloadedFont;
class GFont;
class GTextEscapements;
class GTextString;
class GTextStringGraphic;
class GTTFontSource;
class GDitherMatrix;
class GMedia;
class GPen;
struct GPoint;
struct GRect;

namespace vel {
enum class XLRunUnit;
}

class GKestrix : public GLanguagePeripheral, public GOutputFlushCallback {
 public:
  static constexpr std::int32_t kStreamBufferSize = 8192;
  // The status of a job whose output is incomplete because the XL stream failed, or because no
  // stream could be made: the status of a failed write.
  static constexpr std::uint16_t kStreamFailed = 5;

  // The font and character settings last written (the text handlers keep them).
  struct TextState {
    RWCString font_name;
    float char_size = 0.0f;
    std::uint16_t symbol_set = 0;
    float bold_value = 0.0f;
    float shear_x = 0.0f;
    float shear_y = 0.0f;
    float scale_x = 1.0f;
    float scale_y = 1.0f;
    float angle = 0.0f;
    std::uint8_t substitution_mode = 0;
    std::uint8_t writing_mode = 0;
  };

  // The initial values; a new stream; the font objects; the device font list loaded.
  GKestrix();
  GKestrix(const RWCString& name,
           GState* page_state,
           GConfiguration* configuration,
           std::uint32_t key,
           std::uint32_t add_on_list_key,
           std::int32_t add_on_kind,
           std::int32_t add_on_mode);
  // The settings (text mode, statuses, resolution, colour mode, pattern scaling, halftone flag,
  // compression, dither matrix, path position) with a new stream, new font objects, no current
  // media and empty media-type and font-name texts.
  GKestrix(const GKestrix& other);
  // The same values (no current media), a new stream and new font objects; an owned channel is
  // deleted.
  GKestrix& operator=(const GKestrix& other);
  // The font objects first (the downloader lets go of its fonts), then the stream.
  ~GKestrix() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The language base's + 20.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 767, 765, 770, 760, 753, 751.
  bool IsKindOf(RWClassID id) const override;
  // The language base, text mode, colour mode and path position.
  bool IsSameKey(const GBaseObject* other) const override;
  // Accepted as an attribute (a back end in a job state): the handlers' HandleKestrix.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  // The back ends' command order (HandleThenPassOn).
  GCommand* ProcessCommand(GCommand* command) override;
  // The composite's reset, then new font objects.
  void Reset() override;
  // Rebuilds the configuration and the shared states from its own and its children's, hands the
  // states to the children and tells the listeners.
  void Update(GPeripheral* changed) override;

  [[nodiscard]] std::uint16_t HandleDocumentStart(GDocumentStart& object) override;
  [[nodiscard]] std::uint16_t HandleDocumentEnd(GDocumentEnd& object) override;
  [[nodiscard]] std::uint16_t HandlePageStart(GPageStart& object) override;
  [[nodiscard]] std::uint16_t HandlePageEnd(GPageEnd& object) override;
  [[nodiscard]] std::uint16_t HandleJobAbort(GJobAbort& object) override;
  // For this class (767): the stream flushed and the bytes written straight to the channel; the
  // write's status (not kept as pending). Any other target: nothing, 0.
  [[nodiscard]] std::uint16_t HandlePassThroughCommand(GPassThroughCommand& object) override;
  // Inside a page: the page's default transform, then origin, rotation and scale; the attribute is
  // then disabled. Outside a page: nothing (it stays enabled).
  [[nodiscard]] std::uint16_t HandleTransformAttribute(GTransformAttribute& object) override;
  [[nodiscard]] std::uint16_t HandleValueAttribute(GValueAttribute& object) override;
  [[nodiscard]] std::uint16_t HandleStringAttribute(GStringAttribute& object) override;
  [[nodiscard]] std::uint16_t HandleEnumAttribute(GEnumAttribute& object) override;
  [[nodiscard]] std::uint16_t HandleRangeAttribute(GRangeAttribute& object) override;

  // Text. A text string is printed with the printer font of its GFont: the font's current
  // downloaded font (unless invalid), else the one the downloaded-font list holds for it, else
  // (text not of code 1) a matching resident device font, else a new downloaded font: TrueType
  // ("%dTT" + face name) when the font may go as outlines, bitmap ("%dBM" + face name) when it
  // may go as bitmaps; a font that allows neither prints nothing. A downloaded font's header is
  // written when it is made (and again after it was removed), its glyphs the first time a text
  // uses them, each printer memory need making room by evicting the least recently used
  // downloaded font. Then the character attributes that changed, SetFont when the font, size or
  // symbol set changed, SetCursor and Text with the escapements.
  // A text of a downloaded font whose header never reached the printer (a TrueType font without
  // the tables it needs) writes nothing and is counted as dropped: naming such a font would make
  // the printer answer with an error page.
  // The text of a text-string graphic: its font, codes, escapements and first position.
  [[nodiscard]] std::uint16_t PrintText(GFont& font, const GTextString& text,
                                        const GTextEscapements* escapements,
                                        std::int16_t x, std::int16_t y);
  // A text-string graphic: PrintText with its font, text, escapements and origin; a graphic
  // without a font or a text writes nothing.
  [[nodiscard]] std::uint16_t HandleTextStringGraphic(GTextStringGraphic& object) override;
  // Texts skipped because their font's header was never sent.
  std::uint32_t DroppedTextCount() const { return dropped_texts_; }
  // A downloaded font was dropped: RemoveFont, and the next text selects its font again when it
  // was the current one. A font without a name (never sent) writes nothing.
  void SelectNoFont(const RWCString& font_name) override;
  // How a font may go to the printer: 0x10 outlines allowed, 0x20 bitmaps allowed (else 0x04,
  // answered at once); 0x08 alone when a resident device font matches its face.
  std::uint32_t QueryFontCapabilities(const GFont& font) override;
  // The resident-font query of the render module: 0x08 when a resident device font matches the
  // face (with `table_out` the character table the matching list keeps for it: its first table by
  // the description's 16-bit value for mode 0, its second table by the description's flag word
  // for mode 1; null otherwise); else 0x20 for kind 0, 0x30 for kinds 1 and 2, 0x04 for others.
  std::uint32_t QueryResidentFont(const GFontFaceRecord& face, std::int32_t kind,
                                  std::int32_t lookup_mode,
                                  const std::uint16_t** table_out) override;

  // Drawing. Every shape opens a path (NewPath) and paints it (PaintPath) unless it is a member
  // of a path graphic, whose handler opens and paints the one path of all its members; a nested
  // path that is closed closes its figure (CloseSubPath). A path written as a clip is not painted.
  // Shapes write their bounding box as signed 16-bit values and leave the path position at its
  // top-left corner; poly-lines and Bezier curves send their points relative to it (XLPointRuns.h)
  // and leave it at their last point. The arcs, chords, pies, polygons and rounded rectangles
  // come as plain graphics and must be shapes (anything else writes nothing).
  //  - chord and pie: a clockwise one (arc direction 0) runs from its end point to its start;
  //  - arc: the path position becomes the point where the ray from the centre through the end
  //    point meets the ellipse;
  //  - poly-line, poly-Bezier: SetCursor to the start point, then the points;
  //  - polygon: SetCursor to the first point, every point (the first as 0, 0), CloseSubPath;
  //  - poly-Bezier(-to): whole segments only; one or two points after the last one are not sent.
  [[nodiscard]] std::uint16_t HandleArc(GGraphic& object) override;
  [[nodiscard]] std::uint16_t HandleChord(GGraphic& object) override;
  [[nodiscard]] std::uint16_t HandleEllipseGraphic(GEllipseGraphic& object) override;
  [[nodiscard]] std::uint16_t HandlePathGraphic(GPathGraphic& object) override;
  [[nodiscard]] std::uint16_t HandlePie(GGraphic& object) override;
  [[nodiscard]] std::uint16_t HandlePolyBezierGraphic(GPolyBezierGraphic& object) override;
  [[nodiscard]] std::uint16_t HandlePolyBezierToGraphic(GPolyBezierToGraphic& object) override;
  [[nodiscard]] std::uint16_t HandlePolyLineGraphic(GPolyLineGraphic& object) override;
  [[nodiscard]] std::uint16_t HandlePolyLineToGraphic(GPolyLineToGraphic& object) override;
  [[nodiscard]] std::uint16_t HandlePolygon(GGraphic& object) override;
  [[nodiscard]] std::uint16_t HandleRectangleGraphic(GRectangleGraphic& object) override;
  [[nodiscard]] std::uint16_t HandleRoundRectangle(GGraphic& object) override;

  // Graphic-state attributes: each writes its operators and is then disabled, so that it is sent
  // once until it is enabled again (every page start enables the graphic group again: a page
  // begins with the printer's default graphics state).
  //  - pen: solid line or the dash array with its offset (a dash array of no entries is a solid
  //    line), the pen width, then the pen's paint; brush: the brush's paint; no pen, no brush:
  //    the null source;
  //  - cap 0, 1, 2: LineCapStyle round, square, butt; joint 0 to 3: miter, round, bevel, none;
  //    miter joint: the limit truncated (held to 0..65535), then a miter join; fill mode 0, 1:
  //    even-odd, non-zero winding; other values write nothing;
  //  - raster operation: its code as ROP3;
  //  - clips: ClipMode from the fill rule (0 even-odd, 1 non-zero winding, others none) and
  //    ClipRegion from the region (1 exterior, anything else interior): the page; one rectangle
  //    as SetClipRectangle; several as a path of rectangles and SetClipReplace; a path as the
  //    path and SetClipReplace (written also when there is no path).
  [[nodiscard]] std::uint16_t HandleBrush(GBrush& object) override;
  [[nodiscard]] std::uint16_t HandleCap(GCap& object) override;
  [[nodiscard]] std::uint16_t HandleClipToPage(GClipToPage& object) override;
  [[nodiscard]] std::uint16_t HandleClipToPath(GClipToPath& object) override;
  [[nodiscard]] std::uint16_t HandleClipToRectangle(GClipToRectangle& object) override;
  [[nodiscard]] std::uint16_t HandleClipToSingleRectangle(GClipToSingleRectangle& object) override;
  [[nodiscard]] std::uint16_t HandleDashedPen(GDashedPen& object) override;
  [[nodiscard]] std::uint16_t HandleFillMode(GFillMode& object) override;
  [[nodiscard]] std::uint16_t HandleJoint(GJoint& object) override;
  [[nodiscard]] std::uint16_t HandleMiterJoint(GMiterJoint& object) override;
  [[nodiscard]] std::uint16_t HandleNoBrush(GNoBrush& object) override;
  [[nodiscard]] std::uint16_t HandleNoPen(GNoPen& object) override;
  [[nodiscard]] std::uint16_t HandlePen(GPen& object) override;
  [[nodiscard]] std::uint16_t HandleRasterOperation(GRasterOperation& object) override;

  // Paints: a colour as RGB (colour mode 1) or as a gray level (30 % red, 59 % green, 11 % blue)
  // after the matching SetColorSpace; a paint without a colour writes nothing. A raster paint's
  // bitmap is downloaded as pattern 1 and selected; when nothing could be downloaded the source
  // is the null source.
  std::uint16_t HandleRasterPenPaint(GRasterPaint& paint) override;
  std::uint16_t HandleColorPenPaint(GColorPaint& paint) override;
  std::uint16_t HandleRasterBrushPaint(GRasterPaint& paint) override;
  std::uint16_t HandleColorBrushPaint(GColorPaint& paint) override;

  // Images. A raster graphic is cut to the printable area of the page's media (divided by the
  // transform's scale) and to the clip of its graphic group, then sent with SendImage; nothing
  // when it is cut to nothing.
  [[nodiscard]] std::uint16_t HandleRasterGraphic(GRasterGraphic& object) override;
  // Scan lines: BeginScan at the raster begin and EndScan at its end; each raster row between
  // them is one ScanLineRel: point 0 holds the line's y, each later point one run (start x, end
  // x) of the line, sent as pairs (gap from the end of the run before, length). A row of fewer
  // than two points writes nothing.
  [[nodiscard]] std::uint16_t HandleRasterBegin(GGraphic& object) override;
  [[nodiscard]] std::uint16_t HandleRasterRow(GGraphic& object) override;
  [[nodiscard]] std::uint16_t HandleRasterEnd(GGraphic& object) override;

  // Writes the `source` pixels of `bitmap` as an image (pattern_id 0 unused) or as the temporary
  // raster pattern `pattern_id` (is_pattern), placed on `destination` and cut by `clip` (null:
  // none):
  //   SetColorSpace (gray, or RGB in colour mode; with a palette of 2^bits entries for indexed
  //   pixels), SetCursor (the destination's top-left), BeginImage | BeginRastPattern, ReadImage |
  //   ReadRastPattern blocks of rows with their data, EndImage | EndRastPattern.
  // Gray output dithers deep images to one bit (unless the halftone flag is set). Image rows are
  // run-length encoded with compression 3, else (and in patterns) padded to 4 bytes. A block holds
  // whole rows, at least one, and joins rows while its bytes and one more row stay below 16,384.
  // The row source and the buffers are allocated before the first operator: when that fails
  // nothing is written and the answer is kStreamFailed (the page lacks the image); else 0.
  virtual std::uint16_t SendImage(const GBitmap& bitmap,
                                  const GClipToSingleRectangle* clip,
                                  const GRect& source,
                                  const GRect& destination,
                                  bool is_pattern,
                                  std::int16_t pattern_id);
  // The bitmap as raster pattern `pattern_id`, keeping its aspect: w x h pixels on w x f by h x f
  // device pixels, f = resolution y / 150 for a bitmap of class 554 or with pattern scaling on,
  // else 1. Answers 1 when it was written, 0 for no bitmap, an empty one or a failed download.
  virtual std::int32_t DownloadPattern(const GBitmap& bitmap, std::int16_t pattern_id);

  // The stream's buffer, handed on: written to the channel while output is on (a failure keeps
  // its status and turns output off), the buffer marked empty in any case, and the channel polled
  // (once per 100,000 bytes once that many were written). Nothing for 0 bytes.
  std::int32_t Flush(XLStream* stream,
                     std::uintptr_t user_word,
                     const std::uint8_t* buffer,
                     std::int32_t byte_count) override;
  // The pending status, cleared.
  std::uint16_t TakeStatus();

  // Whether the printer's font memory module is installed (configuration attribute 317 non-zero).
  // Without it the module's device font list (422) is skipped by every search of the device font
  // lists; the configuration keeps the list.
  bool HasFontModule() const;

  // The stream the handlers write to (null when none could be made).
  XLStream* Stream() const { return stream_; }
  const GMedia* CurrentMedia() const { return current_media_; }
  const TextState& GetTextState() const { return text_; }
  TextState& MutableTextState() { return text_; }
  std::int16_t GetTextMode() const { return text_mode_; }
  void SetTextMode(std::int16_t mode) { text_mode_ = mode; }
  std::uint16_t GetPendingStatus() const { return pending_status_; }
  std::int32_t IsOutputEnabled() const { return output_enabled_; }
  std::uint16_t GetResolutionX() const { return resolution_x_; }
  std::uint16_t GetResolutionY() const { return resolution_y_; }
  std::int32_t GetColorMode() const { return color_mode_; }
  std::int32_t GetScalePatterns() const { return scale_patterns_; }
  std::int32_t GetHalftoneFlag() const { return halftone_flag_; }
  std::int16_t GetCompression() const { return compression_; }
  const GDitherMatrix* GetDitherMatrix() const { return dither_matrix_; }
  std::int16_t GetPathX() const { return path_x_; }
  std::int16_t GetPathY() const { return path_y_; }
  void SetPathPosition(std::int16_t x, std::int16_t y) {
    path_x_ = x;
    path_y_ = y;
  }

  static RWClassID ClassId();
  static const char* ClassName() { return "GKestrix"; }
  static RWCollectable* Create();

 private:
  // A new stream in place of the old one (closed unflushed); false when none could be made.
  bool ReplaceStream();
  void FlushStream();
  // The font objects, made anew (the old ones deleted first): a GXLFontDownloader and a
  // GXLGlyphCodeMap. The job end of the downloaded-font list: every font of the job released
  // (removed from the printer, its memory given back to the budget).
  void MakeFontObjects();
  void EndFontJob();
  void ResetTextState() { text_ = TextState(); }
  // Text helpers (GKestrixText.cpp).
  struct DeviceMatch {
    const GDeviceFontDescription* description = nullptr;
    const GDeviceFontList* list = nullptr;
  };
  DeviceMatch FindDeviceFont(const GFontFaceRecord& face) const;
  GDownloadedFont* FindPrinterFont(GFont& font, std::uint32_t text_code);
  GDownloadedFont* MatchResidentFont(GFont& font);
  GDownloadedFont* CreateDownloadedFont(GFont& font, std::uint32_t code_set,
                                        std::uint32_t text_code);
  void MakeRoom(std::uint32_t need);
  // TrueTypeSourceOf(font), by the class of the font's implementation: the answer of the cast is
  // the same for every object of a class, so the last class's is kept.
  GTTFontSource* SourceOf(const GFont& font);
  bool WriteTrueTypeHeader(GFont& font, GDownloadedFont& downloaded, std::uint32_t text_code);
  void WriteSpecialGlyphs(GFont& font, GDownloadedFont& downloaded, std::uint32_t text_code);
  // `count` characters of a text at `chars` and their printer codes at `codes`; `missing`, the
  // number of codes the font does not hold, or kUncounted.
  static constexpr std::uint32_t kUncounted = 0xFFFFFFFF;
  void DownloadTrueTypeGlyphs(GFont& font, GDownloadedFont& downloaded,
                              const std::uint16_t* chars, const std::uint16_t* codes,
                              std::uint32_t count, std::uint32_t text_code,
                              std::uint32_t missing);
  void WriteBitmapHeader(GFont& font, GDownloadedFont& downloaded);
  void DownloadBitmapGlyphs(GFont& font, GDownloadedFont& downloaded,
                            const std::uint16_t* chars, const std::uint16_t* codes,
                            std::uint32_t count);
  void SelectFont(const RWCString& name, float char_size, std::uint16_t symbol_set,
                  const TextState& attributes);
  void WriteText(const std::uint16_t* codes, std::uint32_t count, bool wide,
                 const GTextEscapements* escapements, std::int16_t x, std::int16_t y);
  // Drawing helpers: NewPath and PaintPath outside a path, the path position, relative runs.
  void BeginShape();
  void EndShape();
  void SetPathCorner(const GRect& bounds);
  void WriteRuns(vel::XLRunUnit unit, const GPoint* points, std::uint32_t count);
  [[nodiscard]] std::uint16_t WriteChordOrPie(GGraphic& object, bool pie);
  void WritePenWidthAndPaint(GPen& pen);
  void WriteColorSource(GColorPaint& paint, bool pen);
  void WriteRasterSource(GRasterPaint& paint, bool pen);
  void WriteClipMode(const GClipAttribute& clip);
  // The pending status; when it is 0 and the stream's error was not yet answered, 5 once.
  std::uint16_t TakeStatusWithStream();
  void ReadJobSettings();
  // The media attributes of BeginPage, from the page group.
  void WriteMedia(const GState* page);
  // The PCL XL media source of a tray (list 85) and the media size name of a paper id (list 192,
  // null when it has none), remembered for the job: a job asks for the same few again and again.
  // Forgotten at every document start (a configuration changes between jobs). Whether the
  // configuration has list 192 at all is remembered the same way.
  std::uint8_t MediaSourceOf(GBaseObject& tray);
  const RWCString* MediaSizeNameOf(std::int16_t paper_id);
  void ForgetLookups();
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  XLStream* stream_ = nullptr;
  std::int16_t text_mode_ = 1;
  const GMedia* current_media_ = nullptr;
  std::uint16_t pending_status_ = 0;
  std::int32_t output_enabled_ = 1;
  std::uint16_t resolution_x_ = 0;
  std::uint16_t resolution_y_ = 0;
  std::int32_t color_mode_ = 0;
  std::int32_t scale_patterns_ = 1;
  std::int32_t halftone_flag_ = 0;
  std::int16_t compression_ = 3;
  const GDitherMatrix* dither_matrix_ = nullptr;
  std::int16_t path_x_ = 0;
  std::int16_t path_y_ = 0;
  std::uint16_t last_media_source_ = 0;
  // The last MediaType written, kept as plain bytes: remembering it costs no count change of a
  // shared text.
  std::string last_media_type_;
  std::uint32_t last_flush_count_ = 0;
  TextState text_;
  bool stream_error_answered_ = false;
  std::uint32_t dropped_texts_ = 0;
  // Counts the font objects made: the printer codes a downloaded font keeps for converted texts
  // hold for one glyph-code map.
  std::uint32_t font_objects_made_ = 0;
  // The last implementation class SourceOf met and where its TrueType data lies in an object of
  // the class (kNoSource: it has none).
  static constexpr std::ptrdiff_t kNoSource = -1;
  const std::type_info* source_class_ = nullptr;
  std::ptrdiff_t source_offset_ = kNoSource;
  // A text's characters and printer codes (and 8-bit codes), kept between texts.
  std::vector<std::uint16_t> text_chars_;
  std::vector<std::uint16_t> text_codes_;
  std::vector<std::uint8_t> text_bytes_;
  struct SourceEntry {
    std::uint16_t tray;
    std::uint8_t source;
  };
  struct NameEntry {
    std::int16_t paper_id;
    bool found;
    RWCString name;
  };
  std::vector<SourceEntry> sources_;
  std::vector<NameEntry> names_;
  enum class Lookup : std::uint8_t { kUnknown, kAbsent, kPresent };
  Lookup paper_names_ = Lookup::kUnknown;
  // The (gap, length) pairs of the last scan line, kept for the next.
  std::unique_ptr<std::uint16_t[]> scan_pairs_;
  std::uint32_t scan_pair_capacity_ = 0;
};
