// FwRecordingHandlers: one recording body per handler.
#include "tests/support/FwRecordingHandlers.h"

namespace vel::test {

std::vector<std::string> FwRecordingHandlers::Names() const {
  std::vector<std::string> names;
  names.reserve(calls_.size());
  for (const Call& call : calls_) {
    names.push_back(call.handler);
  }
  return names;
}

std::uint16_t FwRecordingHandlers::Record(const char* handler, const void* object) {
  calls_.push_back(Call{handler, object});
  const auto found = statuses_.find(handler);
  return found != statuses_.end() ? found->second : 0;
}

std::uint16_t FwRecordingHandlers::HandleArc(GGraphic& object) {
  return Record("HandleArc", &object);
}

std::uint16_t FwRecordingHandlers::HandleChord(GGraphic& object) {
  return Record("HandleChord", &object);
}

std::uint16_t FwRecordingHandlers::HandleEllipseGraphic(GEllipseGraphic& object) {
  return Record("HandleEllipseGraphic", &object);
}

std::uint16_t FwRecordingHandlers::HandleRasterEnd(GGraphic& object) {
  return Record("HandleRasterEnd", &object);
}

std::uint16_t FwRecordingHandlers::HandlePathGraphic(GPathGraphic& object) {
  return Record("HandlePathGraphic", &object);
}

std::uint16_t FwRecordingHandlers::HandlePie(GGraphic& object) {
  return Record("HandlePie", &object);
}

std::uint16_t FwRecordingHandlers::HandlePolyBezierGraphic(GPolyBezierGraphic& object) {
  return Record("HandlePolyBezierGraphic", &object);
}

std::uint16_t FwRecordingHandlers::HandlePolyBezierToGraphic(GPolyBezierToGraphic& object) {
  return Record("HandlePolyBezierToGraphic", &object);
}

std::uint16_t FwRecordingHandlers::HandlePolyLineGraphic(GPolyLineGraphic& object) {
  return Record("HandlePolyLineGraphic", &object);
}

std::uint16_t FwRecordingHandlers::HandlePolyLineToGraphic(GPolyLineToGraphic& object) {
  return Record("HandlePolyLineToGraphic", &object);
}

std::uint16_t FwRecordingHandlers::HandlePolygon(GGraphic& object) {
  return Record("HandlePolygon", &object);
}

std::uint16_t FwRecordingHandlers::HandleRectangleGraphic(GRectangleGraphic& object) {
  return Record("HandleRectangleGraphic", &object);
}

std::uint16_t FwRecordingHandlers::HandleRasterGraphic(GRasterGraphic& object) {
  return Record("HandleRasterGraphic", &object);
}

std::uint16_t FwRecordingHandlers::HandleRoundRectangle(GGraphic& object) {
  return Record("HandleRoundRectangle", &object);
}

std::uint16_t FwRecordingHandlers::HandleRasterRow(GGraphic& object) {
  return Record("HandleRasterRow", &object);
}

std::uint16_t FwRecordingHandlers::HandleRasterBegin(GGraphic& object) {
  return Record("HandleRasterBegin", &object);
}

std::uint16_t FwRecordingHandlers::HandleTextStringGraphic(GTextStringGraphic& object) {
  return Record("HandleTextStringGraphic", &object);
}

std::uint16_t FwRecordingHandlers::HandleDocumentStart(GDocumentStart& object) {
  return Record("HandleDocumentStart", &object);
}

std::uint16_t FwRecordingHandlers::HandleDocumentEnd(GDocumentEnd& object) {
  return Record("HandleDocumentEnd", &object);
}

std::uint16_t FwRecordingHandlers::HandlePageStart(GPageStart& object) {
  return Record("HandlePageStart", &object);
}

std::uint16_t FwRecordingHandlers::HandlePageEnd(GPageEnd& object) {
  return Record("HandlePageEnd", &object);
}

std::uint16_t FwRecordingHandlers::HandleJobAbort(GJobAbort& object) {
  return Record("HandleJobAbort", &object);
}

std::uint16_t FwRecordingHandlers::HandleErrorCommand(GErrorCommand& object) {
  return Record("HandleErrorCommand", &object);
}

std::uint16_t FwRecordingHandlers::HandlePassThroughCommand(GPassThroughCommand& object) {
  return Record("HandlePassThroughCommand", &object);
}

std::uint16_t FwRecordingHandlers::HandleTextGraphic(GTextGraphic& object) {
  return Record("HandleTextGraphic", &object);
}

std::uint16_t FwRecordingHandlers::HandleBrush(GBrush& object) {
  return Record("HandleBrush", &object);
}

std::uint16_t FwRecordingHandlers::HandleCap(GCap& object) {
  return Record("HandleCap", &object);
}

std::uint16_t FwRecordingHandlers::HandleClipToPage(GClipToPage& object) {
  return Record("HandleClipToPage", &object);
}

std::uint16_t FwRecordingHandlers::HandleClipToPath(GClipToPath& object) {
  return Record("HandleClipToPath", &object);
}

std::uint16_t FwRecordingHandlers::HandleClipToRectangle(GClipToRectangle& object) {
  return Record("HandleClipToRectangle", &object);
}

std::uint16_t FwRecordingHandlers::HandleClipToSingleRectangle(GClipToSingleRectangle& object) {
  return Record("HandleClipToSingleRectangle", &object);
}

std::uint16_t FwRecordingHandlers::HandleDashedPen(GDashedPen& object) {
  return Record("HandleDashedPen", &object);
}

std::uint16_t FwRecordingHandlers::HandleFillMode(GFillMode& object) {
  return Record("HandleFillMode", &object);
}

std::uint16_t FwRecordingHandlers::HandleJoint(GJoint& object) {
  return Record("HandleJoint", &object);
}

std::uint16_t FwRecordingHandlers::HandleMiterJoint(GMiterJoint& object) {
  return Record("HandleMiterJoint", &object);
}

std::uint16_t FwRecordingHandlers::HandleNoBrush(GNoBrush& object) {
  return Record("HandleNoBrush", &object);
}

std::uint16_t FwRecordingHandlers::HandleNoPen(GNoPen& object) {
  return Record("HandleNoPen", &object);
}

std::uint16_t FwRecordingHandlers::HandlePen(GPen& object) {
  return Record("HandlePen", &object);
}

std::uint16_t FwRecordingHandlers::HandleRasterOperation(GRasterOperation& object) {
  return Record("HandleRasterOperation", &object);
}

std::uint16_t FwRecordingHandlers::HandleValueAttribute(GValueAttribute& object) {
  return Record("HandleValueAttribute", &object);
}

std::uint16_t FwRecordingHandlers::HandleStringAttribute(GStringAttribute& object) {
  return Record("HandleStringAttribute", &object);
}

std::uint16_t FwRecordingHandlers::HandleEnumAttribute(GEnumAttribute& object) {
  return Record("HandleEnumAttribute", &object);
}

std::uint16_t FwRecordingHandlers::HandleRangeAttribute(GRangeAttribute& object) {
  return Record("HandleRangeAttribute", &object);
}

std::uint16_t FwRecordingHandlers::HandleKestrix(GKestrix& object) {
  return Record("HandleKestrix", &object);
}

std::uint16_t FwRecordingHandlers::HandlePostScript(GPostScript& object) {
  return Record("HandlePostScript", &object);
}

std::uint16_t FwRecordingHandlers::HandlePJL(GPJL& object) {
  return Record("HandlePJL", &object);
}

std::uint16_t FwRecordingHandlers::HandleMedia(GMedia& object) {
  return Record("HandleMedia", &object);
}

std::uint16_t FwRecordingHandlers::HandleTray(GTray& object) {
  return Record("HandleTray", &object);
}

std::uint16_t FwRecordingHandlers::HandleTransformAttribute(GTransformAttribute& object) {
  return Record("HandleTransformAttribute", &object);
}

}  // namespace vel::test
