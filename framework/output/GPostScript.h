// GPostScript: the PostScript back end, the language peripheral that turns the display-list
// commands into a PostScript Level 2 job with DSC comments. It is the last stage of the chain
// (after the page filters and the PJL envelope). This file holds the object, the way from the
// emitter to the output channel, the job and page handlers, the command order and the statuses;
// GPostScriptDrawing.cpp holds the figures, the graphic-state attributes and the clips,
// GPostScriptRaster.cpp the images, patterns and scan-line rasters.
//
// Output: every text goes through the back end's GPSLibWriter, an 8192-byte buffer that empties
// itself into the output channel when it fills, at every page end, before the bytes of a
// pass-through command and at the document end. While a job abort runs nothing reaches the
// channel.
//
// A job:
//   header comments, prolog (NTPSProcs), setup with one setpagedevice feature block and the
//   default /brush and /Pen procedures
//   per page: page setup (setpagedevice, the transform to device pixels, origin top left),
//             the drawing, page trailer ending in showpage
//   document trailer
//
// Drawing: pens and brushes become the procedures /Pen and /brush, defined when the attribute
// arrives and called inside gsave ... grestore when a figure is painted. A figure is written as a
// path: "newpath", the figure, then painted (filled with the brush, stroked with the pen) unless
// it is part of a path or of a clip, whose handler paints or clips the whole.
//
// Statuses: the channel's first failing write is kept (pending status; a later failure replaces
// it) and answered by the handler that runs when it happens or by the next one. Without an emitter
// (it could not be allocated) the document start answers kNoWriter and nothing is written.
//
// Command order: a page end and a document end reach the children first and then this stage; every
// other command reaches this stage first and, with status 0, the children after it.
//
// Stored form (after the language base's part):
//   u32  class version word, 1
//   i16  option word
//   u16  pending status
//   i32  aborting flag
//   u16  x resolution
//   u16  y resolution
//   i32  colour output
#pragma once

#include <cstdint>
#include <memory>

#include "framework/output/GLanguagePeripheral.h"
#include "framework/output/postscript/GPSLibWriter.h"
#include "framework/pipeline/GPoint.h"
#include "framework/pipeline/GRect.h"
#include "rw/RWCString.h"

class GBitmap;
class GDownloadedFont;
class GFont;
class GMedia;
class GPSFontDownloader;
class GPaint;
class GPaletteTable;
class GShapeGraphic;
class GTextEscapements;
class GTextString;
class GTextStringGraphic;

class GPostScript : public GLanguagePeripheral {
 public:
  // The status of a document start when the emitter could not be made.
  static constexpr std::uint16_t kNoWriter = 5;
  // The pattern numbers of a brush's and a pen's bitmap: each keeps its own, so that a pattern
  // brush does not change the pattern of the pen, nor the other way round.
  static constexpr std::int32_t kBrushPattern = 1;
  static constexpr std::int32_t kPenPattern = 2;

  // The font, size and transform last selected for text.
  struct TextState {
    RWCString font_name;
    float size = 0.0f;
    std::int16_t symbol_set = 0;
    float emboldening = 0.0f;
    float shear_a = 0.0f;
    float shear_b = 0.0f;
    float scale_x = 1.0f;
    float scale_y = 1.0f;
    float angle = 0.0f;
    std::uint8_t flag1 = 0;
    std::uint8_t flag2 = 0;
  };

  // What the text handler did in the current job (cleared at every document start).
  struct TextDiagnostics {
    // Texts whose font matched no resident font, printed in Courier.
    std::uint32_t courier = 0;
    // Glyph-index texts turned back into codes through their font's character map.
    std::uint32_t glyph_index = 0;
    // Glyphs of those texts that no code of the font stands for (left out).
    std::uint32_t dropped_glyphs = 0;
    // Texts not printed: no font, or a glyph-index text whose font cannot map its codes.
    std::uint32_t skipped = 0;
  };

  // The resident font name that text prints in when its font matches none of the printer's.
  static constexpr const char* kFallbackFont = "Courier";

  GPostScript();
  GPostScript(const RWCString& name,
              GState* page_state,
              GConfiguration* configuration,
              std::uint32_t key,
              std::uint32_t add_on_list_key,
              std::int32_t add_on_kind,
              std::int32_t add_on_mode);
  // The option word, pending status, aborting flag, resolutions and colour output, with a new
  // emitter and new font objects.
  GPostScript(const GPostScript& other);
  // The same values after the base's assignment, a new emitter and new font objects; an owned
  // channel is deleted.
  GPostScript& operator=(const GPostScript& other);
  ~GPostScript() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The language base's + 20.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 768, 765, 770, 760, 753, 751.
  bool IsKindOf(RWClassID id) const override;
  // The language base, the option word and the colour output.
  bool IsSameKey(const GBaseObject* other) const override;
  // Accepted as an attribute (a back end in a job state): the handlers' HandlePostScript.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  // The back ends' command order (HandleThenPassOn).
  GCommand* ProcessCommand(GCommand* command) override;
  // The composite's reset, then new font objects.
  void Reset() override;
  // Rebuilds the configuration and the shared states from its own and its children's, hands the
  // states to the children and tells the listeners.
  void Update(GPeripheral* changed) override;

  // ---- Job and page (GPostScript.cpp) ---------------------------------------------------------

  [[nodiscard]] std::uint16_t HandleDocumentStart(GDocumentStart& object) override;
  [[nodiscard]] std::uint16_t HandleDocumentEnd(GDocumentEnd& object) override;
  [[nodiscard]] std::uint16_t HandlePageStart(GPageStart& object) override;
  [[nodiscard]] std::uint16_t HandlePageEnd(GPageEnd& object) override;
  // Writes no PostScript: the text waiting in the emitter is dropped.
  [[nodiscard]] std::uint16_t HandleJobAbort(GJobAbort& object) override;
  // For this class (768): the emitter flushed and the bytes written straight to the channel; the
  // write's status. Any other target: nothing, 0.
  [[nodiscard]] std::uint16_t HandlePassThroughCommand(GPassThroughCommand& object) override;
  // Outside a page: a copy goes into the page state's graphic bundle for the next page. Inside a
  // page: nothing.
  [[nodiscard]] std::uint16_t HandleTransformAttribute(GTransformAttribute& object) override;
  [[nodiscard]] std::uint16_t HandleStringAttribute(GStringAttribute& object) override;

  // ---- Figures (GPostScriptDrawing.cpp) -------------------------------------------------------

  // The render module's shapes arrive as GShapeGraphic objects: bounds, start and end points,
  // arc direction (1 counter-clockwise on the page), corner size and points.
  [[nodiscard]] std::uint16_t HandleArc(GGraphic& object) override;
  [[nodiscard]] std::uint16_t HandleChord(GGraphic& object) override;
  [[nodiscard]] std::uint16_t HandlePie(GGraphic& object) override;
  [[nodiscard]] std::uint16_t HandleEllipseGraphic(GEllipseGraphic& object) override;
  [[nodiscard]] std::uint16_t HandlePathGraphic(GPathGraphic& object) override;
  [[nodiscard]] std::uint16_t HandlePolyBezierGraphic(GPolyBezierGraphic& object) override;
  [[nodiscard]] std::uint16_t HandlePolyBezierToGraphic(GPolyBezierToGraphic& object) override;
  [[nodiscard]] std::uint16_t HandlePolyLineGraphic(GPolyLineGraphic& object) override;
  [[nodiscard]] std::uint16_t HandlePolyLineToGraphic(GPolyLineToGraphic& object) override;
  [[nodiscard]] std::uint16_t HandlePolygon(GGraphic& object) override;
  [[nodiscard]] std::uint16_t HandleRectangleGraphic(GRectangleGraphic& object) override;
  [[nodiscard]] std::uint16_t HandleRoundRectangle(GGraphic& object) override;

  // ---- Graphic state (GPostScriptDrawing.cpp) -------------------------------------------------

  [[nodiscard]] std::uint16_t HandleBrush(GBrush& object) override;
  [[nodiscard]] std::uint16_t HandleNoBrush(GNoBrush& object) override;
  [[nodiscard]] std::uint16_t HandlePen(GPen& object) override;
  [[nodiscard]] std::uint16_t HandleDashedPen(GDashedPen& object) override;
  [[nodiscard]] std::uint16_t HandleNoPen(GNoPen& object) override;
  [[nodiscard]] std::uint16_t HandleCap(GCap& object) override;
  [[nodiscard]] std::uint16_t HandleJoint(GJoint& object) override;
  [[nodiscard]] std::uint16_t HandleMiterJoint(GMiterJoint& object) override;
  [[nodiscard]] std::uint16_t HandleFillMode(GFillMode& object) override;
  [[nodiscard]] std::uint16_t HandleRasterOperation(GRasterOperation& object) override;
  [[nodiscard]] std::uint16_t HandleClipToPage(GClipToPage& object) override;
  [[nodiscard]] std::uint16_t HandleClipToPath(GClipToPath& object) override;
  [[nodiscard]] std::uint16_t HandleClipToRectangle(GClipToRectangle& object) override;
  [[nodiscard]] std::uint16_t HandleClipToSingleRectangle(GClipToSingleRectangle& object) override;

  // The paints, written inside the /Pen or /brush procedure being defined: a colour as
  // "r g b setrgbcolor", a bitmap as the selection of its pattern (defined before the procedure).
  std::uint16_t HandleRasterPenPaint(GRasterPaint& paint) override;
  std::uint16_t HandleColorPenPaint(GColorPaint& paint) override;
  std::uint16_t HandleRasterBrushPaint(GRasterPaint& paint) override;
  std::uint16_t HandleColorBrushPaint(GColorPaint& paint) override;
  // The current font name, when it is `font_name`, becomes "No Font", so that the next text
  // selects its font again.
  void SelectNoFont(const RWCString& font_name) override;

  // ---- Text (GPostScriptText.cpp) -------------------------------------------------------------

  // Text prints in a printer-resident font: the font registered for the text's font in this job,
  // or the first device font description that matches it (registered then), else Courier. The
  // font is re-encoded with the symbol-set vector of the code set the text is shown in (each
  // vector defined once a job) and selected when it differs from the last one; the text, turned
  // into that single-byte code set, is shown at its origin with the brush, inside gsave ...
  // grestore, with its advances (xshow, yshow or xyshow).
  //
  // Glyph-index text is first turned back into codes through its font's character map; glyphs
  // without a code are left out (their advance goes to the character before). It registers no
  // font; without a registered one it prints in Courier, and when the font cannot map its codes
  // it is skipped. The text diagnostics count each case.
  [[nodiscard]] std::uint16_t HandleTextStringGraphic(GTextStringGraphic& object) override;
  // The handler's work on the graphic's font, text, advances and origin.
  std::uint16_t WriteText(GFont* font, const GTextString* text,
                          const GTextEscapements* escapements, GPoint origin);
  const TextDiagnostics& GetTextDiagnostics() const { return text_diagnostics_; }
  GPSFontDownloader* PSFontDownloader() const;

  // ---- Rasters (GPostScriptRaster.cpp) --------------------------------------------------------

  // The image, cut to the printable area of the page's media and to the bundle's clip.
  [[nodiscard]] std::uint16_t HandleRasterGraphic(GRasterGraphic& object) override;
  // Scan-line rasters: the row graphic's point 0 carries the line's y, each later point one run
  // (x = start, y = end); the runs are filled with the brush at raster end.
  [[nodiscard]] std::uint16_t HandleRasterBegin(GGraphic& object) override;
  [[nodiscard]] std::uint16_t HandleRasterRow(GGraphic& object) override;
  [[nodiscard]] std::uint16_t HandleRasterEnd(GGraphic& object) override;

  // The pending status, cleared.
  std::uint16_t TakeStatus();

  GPSLibWriter* Writer() const { return writer_.get(); }
  const GMedia* CurrentMedia() const { return current_media_.get(); }
  const TextState& GetTextState() const { return text_; }
  std::int16_t GetOptionWord() const { return option_word_; }
  std::uint16_t GetPendingStatus() const { return pending_status_; }
  std::uint16_t GetResolutionX() const { return resolution_x_; }
  std::uint16_t GetResolutionY() const { return resolution_y_; }
  std::int32_t GetColourOutput() const { return colour_output_; }
  std::uint32_t HasNoPen() const { return no_pen_; }
  std::uint32_t HasNoBrush() const { return no_brush_; }
  std::uint32_t GetWindingFill() const { return winding_fill_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GPostScript"; }
  static RWCollectable* Create();

 private:
  // Hands the emitter's text to the output channel.
  class FlushSink : public GPSFlushCallback {
   public:
    explicit FlushSink(GPostScript* owner) : owner_(owner) {}
    std::int32_t Flush(const char* buffer, std::uint32_t count) override;

   private:
    GPostScript* owner_;
  };

  // A new emitter on the flush sink (none when memory is short).
  void MakeWriter();
  void FlushWriter();
  // The font objects made anew (the downloaded-font list starts empty).
  void MakeFontObjects();
  void ResetTextState() { text_ = TextState(); }
  // Registers the first device font description that matches `font` as a resident font of the
  // job, charging its memory, and gives `font` a handle on it; null when none matches.
  GDownloadedFont* RegisterResidentFont(GFont& font);
  // The fonts of the job are released (their memory goes back to the budget); the downloader
  // forgets the encoding vectors written.
  void EndFontJob();
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  // Drawing helpers (GPostScriptDrawing.cpp).
  // "newpath" at depth 0, `write` (the figure), and the paint at depth 0; the pending status.
  template <typename Write>
  std::uint16_t Figure(Write write);
  void FillAndStroke();
  // The rectangle as a closed subpath.
  void RectanglePath(std::int16_t left, std::int16_t top, std::int16_t right, std::int16_t bottom);
  // Arc (0), chord (1) and pie (2).
  std::uint16_t ArcFigure(GGraphic& object, int mode);
  // The page rectangle in device pixels and "eoclip" for an excluding clip; else the clip of the
  // fill rule. Nothing for a clip whose region is not set.
  void EndClip(std::int32_t region, std::int32_t fill_rule);
  // The paint of a pen or brush procedure.
  void WritePaint(GPaint* paint, bool brush);
  // The pen procedure of a solid pen, or of a dashed one when `dashes` is given (the same pen).
  std::uint16_t WritePen(GPen& object, const GDashedPen* dashes);

  // Raster helpers (GPostScriptRaster.cpp).
  // Writes `bitmap`'s `source` part as an image over `destination` (is_pattern false), or as the
  // pattern `number` (is_pattern true, destination from 0, 0); false when nothing was written.
  bool WriteBitmap(const GBitmap& bitmap, const GRect& source, const GRect& destination,
                   bool is_pattern, std::int32_t number);
  // Defines the pattern `number` from a raster paint's bitmap, inside gsave ... grestore; false
  // when the bitmap is empty.
  bool DefinePattern(GRasterPaint& paint, std::int32_t number);

  FlushSink sink_{this};
  std::unique_ptr<GPSLibWriter> writer_;
  std::uint32_t no_pen_ = 0;
  std::uint32_t no_brush_ = 1;
  std::uint32_t winding_fill_ = 0;
  std::int16_t option_word_ = 1;
  std::uint16_t pending_status_ = 0;
  std::uint32_t aborting_ = 0;
  std::uint16_t resolution_x_ = 600;
  std::uint16_t resolution_y_ = 600;
  std::int32_t colour_output_ = 0;
  std::uint32_t bits_per_component_ = 8;
  TextState text_;
  TextDiagnostics text_diagnostics_;
  std::unique_ptr<GMedia> current_media_;
  // Whether the brush's and the pen's patterns are defined (the paint handlers select them).
  bool brush_pattern_ = false;
  bool pen_pattern_ = false;
};
