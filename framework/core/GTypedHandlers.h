// GTypedHandlers: the visitor side of the framework's double dispatch. Every command, graphic and
// attribute has an Accept that calls exactly the one handler below that belongs to its own class,
// with itself, and answers the handler's 16-bit status (0 is success). A stage of the output chain
// (the peripheral) derives from this interface and overrides the handlers it cares about; every
// default answers 0 and changes nothing. Eight handlers belong to drawings that no class of the
// framework dispatches (arcs, chords, pies, polygons, rounded rectangles and the three steps of a
// raster image): they take the graphic base and are called directly by the render side.
//
// The handlers keep this order; the argument classes are only declared here.
#pragma once

#include <cstdint>

class GBrush;
class GCap;
class GClipToPage;
class GClipToPath;
class GClipToRectangle;
class GClipToSingleRectangle;
class GDashedPen;
class GDocumentEnd;
class GDocumentStart;
class GEllipseGraphic;
class GEnumAttribute;
class GErrorCommand;
class GFillMode;
class GGraphic;
class GJobAbort;
class GJoint;
class GKestrix;
class GMedia;
class GMiterJoint;
class GNoBrush;
class GNoPen;
class GPJL;
class GPageEnd;
class GPageStart;
class GPassThroughCommand;
class GPathGraphic;
class GPen;
class GPolyBezierGraphic;
class GPolyBezierToGraphic;
class GPolyLineGraphic;
class GPolyLineToGraphic;
class GPostScript;
class GRangeAttribute;
class GRasterGraphic;
class GRasterOperation;
class GRectangleGraphic;
class GStringAttribute;
class GTextGraphic;
class GTextStringGraphic;
class GTransformAttribute;
class GTray;
class GValueAttribute;

class GTypedHandlers {
 public:
  GTypedHandlers() = default;
  GTypedHandlers(const GTypedHandlers&) = default;
  GTypedHandlers& operator=(const GTypedHandlers&) = default;
  virtual ~GTypedHandlers();

  // arc drawing (no class dispatches; the render side calls it)
  [[nodiscard]] virtual std::uint16_t HandleArc(GGraphic& object);
  // chord drawing
  [[nodiscard]] virtual std::uint16_t HandleChord(GGraphic& object);
  [[nodiscard]] virtual std::uint16_t HandleEllipseGraphic(GEllipseGraphic& object);
  // end of a raster image
  [[nodiscard]] virtual std::uint16_t HandleRasterEnd(GGraphic& object);
  [[nodiscard]] virtual std::uint16_t HandlePathGraphic(GPathGraphic& object);
  // pie drawing
  [[nodiscard]] virtual std::uint16_t HandlePie(GGraphic& object);
  [[nodiscard]] virtual std::uint16_t HandlePolyBezierGraphic(GPolyBezierGraphic& object);
  [[nodiscard]] virtual std::uint16_t HandlePolyBezierToGraphic(GPolyBezierToGraphic& object);
  [[nodiscard]] virtual std::uint16_t HandlePolyLineGraphic(GPolyLineGraphic& object);
  [[nodiscard]] virtual std::uint16_t HandlePolyLineToGraphic(GPolyLineToGraphic& object);
  // polygon drawing
  [[nodiscard]] virtual std::uint16_t HandlePolygon(GGraphic& object);
  [[nodiscard]] virtual std::uint16_t HandleRectangleGraphic(GRectangleGraphic& object);
  [[nodiscard]] virtual std::uint16_t HandleRasterGraphic(GRasterGraphic& object);
  // rounded rectangle drawing
  [[nodiscard]] virtual std::uint16_t HandleRoundRectangle(GGraphic& object);
  // one row of a raster image
  [[nodiscard]] virtual std::uint16_t HandleRasterRow(GGraphic& object);
  // start of a raster image
  [[nodiscard]] virtual std::uint16_t HandleRasterBegin(GGraphic& object);
  [[nodiscard]] virtual std::uint16_t HandleTextStringGraphic(GTextStringGraphic& object);
  [[nodiscard]] virtual std::uint16_t HandleDocumentStart(GDocumentStart& object);
  [[nodiscard]] virtual std::uint16_t HandleDocumentEnd(GDocumentEnd& object);
  [[nodiscard]] virtual std::uint16_t HandlePageStart(GPageStart& object);
  [[nodiscard]] virtual std::uint16_t HandlePageEnd(GPageEnd& object);
  [[nodiscard]] virtual std::uint16_t HandleJobAbort(GJobAbort& object);
  [[nodiscard]] virtual std::uint16_t HandleErrorCommand(GErrorCommand& object);
  [[nodiscard]] virtual std::uint16_t HandlePassThroughCommand(GPassThroughCommand& object);
  [[nodiscard]] virtual std::uint16_t HandleTextGraphic(GTextGraphic& object);
  [[nodiscard]] virtual std::uint16_t HandleBrush(GBrush& object);
  [[nodiscard]] virtual std::uint16_t HandleCap(GCap& object);
  [[nodiscard]] virtual std::uint16_t HandleClipToPage(GClipToPage& object);
  [[nodiscard]] virtual std::uint16_t HandleClipToPath(GClipToPath& object);
  [[nodiscard]] virtual std::uint16_t HandleClipToRectangle(GClipToRectangle& object);
  [[nodiscard]] virtual std::uint16_t HandleClipToSingleRectangle(GClipToSingleRectangle& object);
  [[nodiscard]] virtual std::uint16_t HandleDashedPen(GDashedPen& object);
  [[nodiscard]] virtual std::uint16_t HandleFillMode(GFillMode& object);
  [[nodiscard]] virtual std::uint16_t HandleJoint(GJoint& object);
  [[nodiscard]] virtual std::uint16_t HandleMiterJoint(GMiterJoint& object);
  [[nodiscard]] virtual std::uint16_t HandleNoBrush(GNoBrush& object);
  [[nodiscard]] virtual std::uint16_t HandleNoPen(GNoPen& object);
  [[nodiscard]] virtual std::uint16_t HandlePen(GPen& object);
  [[nodiscard]] virtual std::uint16_t HandleRasterOperation(GRasterOperation& object);
  [[nodiscard]] virtual std::uint16_t HandleValueAttribute(GValueAttribute& object);
  [[nodiscard]] virtual std::uint16_t HandleStringAttribute(GStringAttribute& object);
  // also the media pool and the tray pool
  [[nodiscard]] virtual std::uint16_t HandleEnumAttribute(GEnumAttribute& object);
  [[nodiscard]] virtual std::uint16_t HandleRangeAttribute(GRangeAttribute& object);
  // the PCL XL peripheral accepted as an attribute
  [[nodiscard]] virtual std::uint16_t HandleKestrix(GKestrix& object);
  [[nodiscard]] virtual std::uint16_t HandlePostScript(GPostScript& object);
  // no class dispatches; the printer copies a GPJL in its own handler
  [[nodiscard]] virtual std::uint16_t HandlePJL(GPJL& object);
  [[nodiscard]] virtual std::uint16_t HandleMedia(GMedia& object);
  [[nodiscard]] virtual std::uint16_t HandleTray(GTray& object);
  [[nodiscard]] virtual std::uint16_t HandleTransformAttribute(GTransformAttribute& object);
};
