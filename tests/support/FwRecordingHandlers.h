// A GTypedHandlers for tests: records every handler call (its name and the object it was given) in
// order, and answers a status chosen per handler (0 unless set).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "framework/core/GTypedHandlers.h"

namespace vel::test {

class FwRecordingHandlers : public GTypedHandlers {
 public:
  struct Call {
    std::string handler;  // "HandleValueAttribute", ...
    const void* object;
  };

  const std::vector<Call>& Calls() const { return calls_; }
  // The handler names, in call order.
  std::vector<std::string> Names() const;
  void ClearCalls() { calls_.clear(); }
  // The status `handler` answers from now on.
  void SetStatus(const std::string& handler, std::uint16_t status) { statuses_[handler] = status; }

  std::uint16_t HandleArc(GGraphic& object) override;
  std::uint16_t HandleChord(GGraphic& object) override;
  std::uint16_t HandleEllipseGraphic(GEllipseGraphic& object) override;
  std::uint16_t HandleRasterEnd(GGraphic& object) override;
  std::uint16_t HandlePathGraphic(GPathGraphic& object) override;
  std::uint16_t HandlePie(GGraphic& object) override;
  std::uint16_t HandlePolyBezierGraphic(GPolyBezierGraphic& object) override;
  std::uint16_t HandlePolyBezierToGraphic(GPolyBezierToGraphic& object) override;
  std::uint16_t HandlePolyLineGraphic(GPolyLineGraphic& object) override;
  std::uint16_t HandlePolyLineToGraphic(GPolyLineToGraphic& object) override;
  std::uint16_t HandlePolygon(GGraphic& object) override;
  std::uint16_t HandleRectangleGraphic(GRectangleGraphic& object) override;
  std::uint16_t HandleRasterGraphic(GRasterGraphic& object) override;
  std::uint16_t HandleRoundRectangle(GGraphic& object) override;
  std::uint16_t HandleRasterRow(GGraphic& object) override;
  std::uint16_t HandleRasterBegin(GGraphic& object) override;
  std::uint16_t HandleTextStringGraphic(GTextStringGraphic& object) override;
  std::uint16_t HandleDocumentStart(GDocumentStart& object) override;
  std::uint16_t HandleDocumentEnd(GDocumentEnd& object) override;
  std::uint16_t HandlePageStart(GPageStart& object) override;
  std::uint16_t HandlePageEnd(GPageEnd& object) override;
  std::uint16_t HandleJobAbort(GJobAbort& object) override;
  std::uint16_t HandleErrorCommand(GErrorCommand& object) override;
  std::uint16_t HandlePassThroughCommand(GPassThroughCommand& object) override;
  std::uint16_t HandleTextGraphic(GTextGraphic& object) override;
  std::uint16_t HandleBrush(GBrush& object) override;
  std::uint16_t HandleCap(GCap& object) override;
  std::uint16_t HandleClipToPage(GClipToPage& object) override;
  std::uint16_t HandleClipToPath(GClipToPath& object) override;
  std::uint16_t HandleClipToRectangle(GClipToRectangle& object) override;
  std::uint16_t HandleClipToSingleRectangle(GClipToSingleRectangle& object) override;
  std::uint16_t HandleDashedPen(GDashedPen& object) override;
  std::uint16_t HandleFillMode(GFillMode& object) override;
  std::uint16_t HandleJoint(GJoint& object) override;
  std::uint16_t HandleMiterJoint(GMiterJoint& object) override;
  std::uint16_t HandleNoBrush(GNoBrush& object) override;
  std::uint16_t HandleNoPen(GNoPen& object) override;
  std::uint16_t HandlePen(GPen& object) override;
  std::uint16_t HandleRasterOperation(GRasterOperation& object) override;
  std::uint16_t HandleValueAttribute(GValueAttribute& object) override;
  std::uint16_t HandleStringAttribute(GStringAttribute& object) override;
  std::uint16_t HandleEnumAttribute(GEnumAttribute& object) override;
  std::uint16_t HandleRangeAttribute(GRangeAttribute& object) override;
  std::uint16_t HandleKestrix(GKestrix& object) override;
  std::uint16_t HandlePostScript(GPostScript& object) override;
  std::uint16_t HandlePJL(GPJL& object) override;
  std::uint16_t HandleMedia(GMedia& object) override;
  std::uint16_t HandleTray(GTray& object) override;
  std::uint16_t HandleTransformAttribute(GTransformAttribute& object) override;

 private:
  std::uint16_t Record(const char* handler, const void* object);

  std::vector<Call> calls_;
  std::map<std::string, std::uint16_t> statuses_;
};

}  // namespace vel::test
