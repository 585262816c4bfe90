// FwTestPeripheral: a stage for tests that records every typed handler call (name and object, in
// order) and answers a status chosen per handler (0 unless set); it can also put a command of the
// test's making in place of each command it handled. The five handlers whose defaults
// move the document state still move it. It is a persistent class of its own (registered by
// RegisterFrameworkTestClasses), stored as the stage part and its class version word.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/GPeripheral.h"
#include "tests/support/FwRecordingHandlers.h"

// Every typed handler with the class it takes.
#define FW_TYPED_HANDLERS(X) \
  X(HandleArc, GGraphic) \
  X(HandleChord, GGraphic) \
  X(HandleEllipseGraphic, GEllipseGraphic) \
  X(HandleRasterEnd, GGraphic) \
  X(HandlePathGraphic, GPathGraphic) \
  X(HandlePie, GGraphic) \
  X(HandlePolyBezierGraphic, GPolyBezierGraphic) \
  X(HandlePolyBezierToGraphic, GPolyBezierToGraphic) \
  X(HandlePolyLineGraphic, GPolyLineGraphic) \
  X(HandlePolyLineToGraphic, GPolyLineToGraphic) \
  X(HandlePolygon, GGraphic) \
  X(HandleRectangleGraphic, GRectangleGraphic) \
  X(HandleRasterGraphic, GRasterGraphic) \
  X(HandleRoundRectangle, GGraphic) \
  X(HandleRasterRow, GGraphic) \
  X(HandleRasterBegin, GGraphic) \
  X(HandleTextStringGraphic, GTextStringGraphic) \
  X(HandleDocumentStart, GDocumentStart) \
  X(HandleDocumentEnd, GDocumentEnd) \
  X(HandlePageStart, GPageStart) \
  X(HandlePageEnd, GPageEnd) \
  X(HandleJobAbort, GJobAbort) \
  X(HandleErrorCommand, GErrorCommand) \
  X(HandlePassThroughCommand, GPassThroughCommand) \
  X(HandleTextGraphic, GTextGraphic) \
  X(HandleBrush, GBrush) \
  X(HandleCap, GCap) \
  X(HandleClipToPage, GClipToPage) \
  X(HandleClipToPath, GClipToPath) \
  X(HandleClipToRectangle, GClipToRectangle) \
  X(HandleClipToSingleRectangle, GClipToSingleRectangle) \
  X(HandleDashedPen, GDashedPen) \
  X(HandleFillMode, GFillMode) \
  X(HandleJoint, GJoint) \
  X(HandleMiterJoint, GMiterJoint) \
  X(HandleNoBrush, GNoBrush) \
  X(HandleNoPen, GNoPen) \
  X(HandlePen, GPen) \
  X(HandleRasterOperation, GRasterOperation) \
  X(HandleValueAttribute, GValueAttribute) \
  X(HandleStringAttribute, GStringAttribute) \
  X(HandleEnumAttribute, GEnumAttribute) \
  X(HandleRangeAttribute, GRangeAttribute) \
  X(HandleKestrix, GKestrix) \
  X(HandlePostScript, GPostScript) \
  X(HandlePJL, GPJL) \
  X(HandleMedia, GMedia) \
  X(HandleTray, GTray) \
  X(HandleTransformAttribute, GTransformAttribute)

class FwTestPeripheral : public GPeripheral {
 public:
  static constexpr RWClassID kClassId = 1990;

  FwTestPeripheral() = default;
  explicit FwTestPeripheral(std::uint32_t key) : GPeripheral(key) {}
  FwTestPeripheral(const RWCString& name, std::uint32_t key);
  // The stage copy; a new, empty record of calls.
  FwTestPeripheral(const FwTestPeripheral& other);

  RWCollectable* CreateInstance() const override { return Create(); }
  RWCollectable* Clone() const override;
  RWClassID IsA() const override { return kClassId; }
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The stage's HandleCommand; then, for a command handled with status 0, what the replacement
  // function answers (a new command, owned by the chain from then on), unless it answers null.
  GCommandRef HandleCommand(GCommandRef command) override;

#define FW_DECLARE_HANDLER(name, type) std::uint16_t name(type& object) override;
  FW_TYPED_HANDLERS(FW_DECLARE_HANDLER)
#undef FW_DECLARE_HANDLER

  vel::test::FwRecordingHandlers& Recorder() { return recorder_; }
  const std::vector<vel::test::FwRecordingHandlers::Call>& Calls() const {
    return recorder_.Calls();
  }
  std::vector<std::string> Names() const { return recorder_.Names(); }
  void ClearCalls() { recorder_.ClearCalls(); }
  void SetStatus(const std::string& handler, std::uint16_t status) {
    recorder_.SetStatus(handler, status);
  }

  void SetReplacement(std::function<GCommand*(GCommand& handled)> replace) {
    replace_ = std::move(replace);
  }

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "FwTestPeripheral"; }
  static RWCollectable* Create();

 private:
  vel::test::FwRecordingHandlers recorder_;
  std::function<GCommand*(GCommand& handled)> replace_;
};
