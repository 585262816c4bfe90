// FwTranscriptRecorder: one line per handled command.
#include "tests/support/FwTranscript.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <utility>

#include "framework/core/GAttributeComposite.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GCommand.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPassThroughCommand.h"
#include "framework/pipeline/GTransformAttribute.h"

namespace vel::test {

namespace {

struct Formats {
  std::mutex lock;
  std::map<RWClassID, FwTranscriptRecorder::AttributeFormat> by_id;
};

Formats& TheFormats() {
  static Formats* const formats = new Formats;
  return *formats;
}

std::string GroupText(const GAttributeComposite& group) {
  std::string text;
  const GCountedPtrArray& children = group.Children();
  for (std::uint32_t i = 0; i < children.Count(); ++i) {
    const GBaseObject* child = children.TargetAt(i);
    if (child == nullptr) {
      continue;
    }
    text += text.empty() ? "" : "; ";
    text += FwTranscriptRecorder::Attribute(*child);
  }
  return text;
}

std::string ValueText(const GBaseObject& attribute) {
  if (const auto* value = dynamic_cast<const GValueAttribute*>(&attribute)) {
    return std::to_string(value->GetValue());
  }
  if (const auto* range = dynamic_cast<const GRangeAttribute*>(&attribute)) {
    return std::to_string(range->GetValue());
  }
  if (const auto* text = dynamic_cast<const GStringAttribute*>(&attribute)) {
    return "\"" + std::string(text->GetValue().Data(), text->GetValue().Length()) + "\"";
  }
  if (const auto* transform = dynamic_cast<const GTransformAttribute*>(&attribute)) {
    return FormatTransform(transform->GetRotation(), transform->GetTranslation().x,
                           transform->GetTranslation().y, transform->GetScale().x,
                           transform->GetScale().y);
  }
  {
    Formats& formats = TheFormats();
    std::lock_guard<std::mutex> hold(formats.lock);
    const auto found = formats.by_id.find(attribute.IsA());
    if (found != formats.by_id.end()) {
      return found->second(attribute);
    }
  }
  if (const auto* group = dynamic_cast<const GAttributeComposite*>(&attribute)) {
    const std::string inner = GroupText(*group);
    return inner.empty() ? "{}" : "{ " + inner + " }";
  }
  return "<class " + std::to_string(attribute.IsA()) + ">";
}

}  // namespace

std::string FwTranscriptRecorder::Text() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += '\n';
  }
  return text;
}

void FwTranscriptRecorder::SetAttributeFormat(RWClassID id, AttributeFormat format) {
  Formats& formats = TheFormats();
  std::lock_guard<std::mutex> hold(formats.lock);
  if (format) {
    formats.by_id[id] = std::move(format);
  } else {
    formats.by_id.erase(id);
  }
}

std::string FwTranscriptRecorder::Attribute(const GBaseObject& attribute) {
  return std::to_string(*attribute.Key()) + " = " + ValueText(attribute);
}

std::string FwTranscriptRecorder::Line(const char* class_name, const GCommand& command) {
  std::string line = std::string(class_name) + " " + std::to_string(*command.Key());
  if (const GState* bundle = command.GetGraphicBundle()) {
    const std::string attributes = GroupText(*bundle);
    line += attributes.empty() ? ":" : ": " + attributes;
  }
  return line;
}

void FwTranscriptRecorder::Write(const char* class_name, const GCommand& command) {
  lines_.push_back(Line(class_name, command));
}

std::uint16_t FwTranscriptRecorder::HandleDocumentStart(GDocumentStart& object) {
  Write("GDocumentStart", object);
  return FwRecordingHandlers::HandleDocumentStart(object);
}

std::uint16_t FwTranscriptRecorder::HandleDocumentEnd(GDocumentEnd& object) {
  Write("GDocumentEnd", object);
  return FwRecordingHandlers::HandleDocumentEnd(object);
}

std::uint16_t FwTranscriptRecorder::HandlePageStart(GPageStart& object) {
  Write("GPageStart", object);
  return FwRecordingHandlers::HandlePageStart(object);
}

std::uint16_t FwTranscriptRecorder::HandlePageEnd(GPageEnd& object) {
  Write("GPageEnd", object);
  return FwRecordingHandlers::HandlePageEnd(object);
}

std::uint16_t FwTranscriptRecorder::HandleJobAbort(GJobAbort& object) {
  Write("GJobAbort", object);
  return FwRecordingHandlers::HandleJobAbort(object);
}

std::uint16_t FwTranscriptRecorder::HandleErrorCommand(GErrorCommand& object) {
  Write("GErrorCommand", object);
  return FwRecordingHandlers::HandleErrorCommand(object);
}

std::uint16_t FwTranscriptRecorder::HandlePassThroughCommand(GPassThroughCommand& object) {
  Write("GPassThroughCommand", object);
  return FwRecordingHandlers::HandlePassThroughCommand(object);
}

std::string FormatReal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", value);
  return text;
}

std::string FormatMedia(const std::string& name,
                        int width,
                        int height,
                        int origin_x,
                        int origin_y,
                        int orientation) {
  return "media(\"" + name + "\", " + std::to_string(width) + " x " + std::to_string(height) +
         ", origin " + std::to_string(origin_x) + "," + std::to_string(origin_y) +
         ", orientation " + std::to_string(orientation) + ")";
}

std::string FormatTransform(int rotation,
                            int translate_x,
                            int translate_y,
                            double scale_x,
                            double scale_y) {
  return "transform(rotation " + std::to_string(rotation) + ", translation " +
         std::to_string(translate_x) + "," + std::to_string(translate_y) + ", scale " +
         FormatReal(scale_x) + "," + FormatReal(scale_y) + ")";
}

}  // namespace vel::test
