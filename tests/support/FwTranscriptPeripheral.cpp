// FwTranscriptPeripheral: a transcript line per handled command.
#include "tests/support/FwTranscriptPeripheral.h"

#include <mutex>
#include <utility>

#include "framework/core/FrameworkClasses.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GColorPaint.h"
#include "framework/pipeline/GCommand.h"
#include "framework/pipeline/GFillMode.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterOperation.h"
#include "framework/pipeline/GShapeGraphic.h"
#include "tests/support/FwTranscript.h"

namespace {

using vel::test::FwTranscriptRecorder;

std::string PaintText(const GPaint* paint) {
  const auto* colour_paint = dynamic_cast<const GColorPaint*>(paint);
  const auto* rgb =
      colour_paint != nullptr ? dynamic_cast<const GRGBColor*>(colour_paint->GetColor()) : nullptr;
  if (rgb == nullptr) {
    return paint == nullptr ? "no paint" : "<class " + std::to_string(paint->IsA()) + ">";
  }
  return "rgb(" + std::to_string(rgb->GetRed()) + ", " + std::to_string(rgb->GetGreen()) + ", " +
         std::to_string(rgb->GetBlue()) + ", " + std::to_string(rgb->GetFourthByte()) + ")";
}

void RegisterFormats() {
  static std::once_flag once;
  std::call_once(once, [] {
    namespace id = vel::classid;
    FwTranscriptRecorder::SetAttributeFormat(id::kGMedia, [](const GBaseObject& object) {
      const auto& media = static_cast<const GMedia&>(object);
      return vel::test::FormatMedia(
          std::string(media.GetName().Data(), media.GetName().Length()), media.GetSize()[0],
          media.GetSize()[1], media.GetPrintableOrigin()[0], media.GetPrintableOrigin()[1],
          media.GetOrientation());
    });
    FwTranscriptRecorder::SetAttributeFormat(id::kGPen, [](const GBaseObject& object) {
      const auto& pen = static_cast<const GPen&>(object);
      return "pen(width " + std::to_string(pen.GetWidth()) + ", " + PaintText(pen.GetPaint()) +
             ")";
    });
    FwTranscriptRecorder::SetAttributeFormat(
        id::kGNoPen, [](const GBaseObject&) { return std::string("no pen"); });
    FwTranscriptRecorder::SetAttributeFormat(id::kGBrush, [](const GBaseObject& object) {
      return "brush(" + PaintText(static_cast<const GBrush&>(object).GetPaint()) + ")";
    });
    FwTranscriptRecorder::SetAttributeFormat(
        id::kGNoBrush, [](const GBaseObject&) { return std::string("no brush"); });
    FwTranscriptRecorder::SetAttributeFormat(
        id::kGClipToPage, [](const GBaseObject&) { return std::string("clip to page"); });
    FwTranscriptRecorder::SetAttributeFormat(id::kGFillMode, [](const GBaseObject& object) {
      return "fill mode " + std::to_string(static_cast<const GFillMode&>(object).GetFillMode());
    });
    FwTranscriptRecorder::SetAttributeFormat(id::kGRasterOperation, [](const GBaseObject& object) {
      const auto& rop = static_cast<const GRasterOperation&>(object);
      return "rop " + std::to_string(rop.GetRop()) + " mode " + std::to_string(rop.GetMode());
    });
  });
}

}  // namespace

FwTranscriptPeripheral::FwTranscriptPeripheral() {
  RegisterFormats();
}

FwTranscriptPeripheral::FwTranscriptPeripheral(const RWCString& name)
    : FwTestPeripheral(name, 0) {
  RegisterFormats();
}

GCommandRef FwTranscriptPeripheral::HandleCommand(GCommandRef command) {
  if (command) {
    lines_.push_back(Line(*command.Get()));
  }
  return FwTestPeripheral::HandleCommand(std::move(command));
}

std::string FwTranscriptPeripheral::Text() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += '\n';
  }
  return text;
}

std::string FwTranscriptPeripheral::ClassNameOf(RWClassID id) {
  std::size_t count = 0;
  const RWClassRegistration* classes = GFrameworkClasses(&count);
  for (std::size_t i = 0; i < count; ++i) {
    if (classes[i].id == id) {
      return classes[i].name;
    }
  }
  return "<class " + std::to_string(id) + ">";
}

std::string FwTranscriptPeripheral::Line(const GCommand& command) {
  std::string name = ClassNameOf(command.IsA());
  std::string line = FwTranscriptRecorder::Line(name.c_str(), command);
  if (const auto* shape = dynamic_cast<const GShapeGraphic*>(&command)) {
    const GRect& bounds = shape->GetBounds();
    const std::string head = name + " " + std::to_string(*command.Key());
    line.insert(head.size(), " (" + std::to_string(bounds.left) + ", " +
                                 std::to_string(bounds.top) + ", " + std::to_string(bounds.right) +
                                 ", " + std::to_string(bounds.bottom) + ")");
  }
  return line;
}
