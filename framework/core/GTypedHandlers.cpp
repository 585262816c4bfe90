// GTypedHandlers: the default handlers, each answering success.
#include "framework/core/GTypedHandlers.h"

GTypedHandlers::~GTypedHandlers() = default;

std::uint16_t GTypedHandlers::HandleArc(GGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleChord(GGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleEllipseGraphic(GEllipseGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleRasterEnd(GGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandlePathGraphic(GPathGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandlePie(GGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandlePolyBezierGraphic(GPolyBezierGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandlePolyBezierToGraphic(GPolyBezierToGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandlePolyLineGraphic(GPolyLineGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandlePolyLineToGraphic(GPolyLineToGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandlePolygon(GGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleRectangleGraphic(GRectangleGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleRasterGraphic(GRasterGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleRoundRectangle(GGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleRasterRow(GGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleRasterBegin(GGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleTextStringGraphic(GTextStringGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleDocumentStart(GDocumentStart& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleDocumentEnd(GDocumentEnd& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandlePageStart(GPageStart& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandlePageEnd(GPageEnd& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleJobAbort(GJobAbort& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleErrorCommand(GErrorCommand& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandlePassThroughCommand(GPassThroughCommand& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleTextGraphic(GTextGraphic& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleBrush(GBrush& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleCap(GCap& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleClipToPage(GClipToPage& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleClipToPath(GClipToPath& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleClipToRectangle(GClipToRectangle& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleClipToSingleRectangle(GClipToSingleRectangle& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleDashedPen(GDashedPen& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleFillMode(GFillMode& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleJoint(GJoint& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleMiterJoint(GMiterJoint& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleNoBrush(GNoBrush& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleNoPen(GNoPen& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandlePen(GPen& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleRasterOperation(GRasterOperation& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleValueAttribute(GValueAttribute& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleStringAttribute(GStringAttribute& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleEnumAttribute(GEnumAttribute& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleRangeAttribute(GRangeAttribute& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleKestrix(GKestrix& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandlePostScript(GPostScript& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandlePJL(GPJL& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleMedia(GMedia& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleTray(GTray& /*object*/) {
  return 0;
}

std::uint16_t GTypedHandlers::HandleTransformAttribute(GTransformAttribute& /*object*/) {
  return 0;
}
