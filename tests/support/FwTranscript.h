// The pipeline's test kit: a transcript recorder that stands at the end of a chain of output
// stages and writes one text line per handled command, so that whole jobs can be compared with
// transcripts written by hand.
//
// A line is the command's class name and key, then, after ':', the attributes of its bundle in
// order, separated by "; ":
//   GPageStart 0: 257 = 1; 259 = media("Letter", 5100 x 6600, origin 100,100, orientation 0)
// An attribute is written as "key = value": a value or range attribute as its number, a string
// attribute in double quotes, a nested group as "{ ... }" with its own attributes, and every other
// class through the format registered for its class id (SetAttributeFormat), or as
// "<class N>" when none is. A transform is written through FormatTransform; the media class
// registers FormatMedia through its accessors. A command without a bundle has no ':' part; an empty
// bundle gives "GPageEnd 0:".
//
// Besides the lines it records every call as FwRecordingHandlers does (names, objects, statuses).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "rw/RWDefs.h"
#include "tests/support/FwRecordingHandlers.h"

class GBaseObject;
class GCommand;

namespace vel::test {

class FwTranscriptRecorder : public FwRecordingHandlers {
 public:
  // The text of one attribute's value (what follows "key = ").
  using AttributeFormat = std::function<std::string(const GBaseObject& attribute)>;

  const std::vector<std::string>& Lines() const { return lines_; }
  // The lines, each ended by '\n'.
  std::string Text() const;
  void ClearLines() { lines_.clear(); }

  // The format of the attributes of one class, for every recorder of the process; an empty
  // format removes the class's format.
  static void SetAttributeFormat(RWClassID id, AttributeFormat format);

  // The line of `command` under `class_name`.
  static std::string Line(const char* class_name, const GCommand& command);
  // The text of one attribute: "key = value".
  static std::string Attribute(const GBaseObject& attribute);

  std::uint16_t HandleDocumentStart(GDocumentStart& object) override;
  std::uint16_t HandleDocumentEnd(GDocumentEnd& object) override;
  std::uint16_t HandlePageStart(GPageStart& object) override;
  std::uint16_t HandlePageEnd(GPageEnd& object) override;
  std::uint16_t HandleJobAbort(GJobAbort& object) override;
  std::uint16_t HandleErrorCommand(GErrorCommand& object) override;
  std::uint16_t HandlePassThroughCommand(GPassThroughCommand& object) override;

 protected:
  // Records the line of `command` under `class_name`. Every handler of a command class writes
  // one (the graphic classes add their handlers here as they come).
  void Write(const char* class_name, const GCommand& command);

 private:
  std::vector<std::string> lines_;
};

// A real number with 7 significant digits ("%.7g").
std::string FormatReal(double value);
// media("name", width x height, origin x,y, orientation o)
std::string FormatMedia(const std::string& name,
                        int width,
                        int height,
                        int origin_x,
                        int origin_y,
                        int orientation);
// transform(rotation r, translation x,y, scale sx,sy), the scales through FormatReal.
std::string FormatTransform(int rotation,
                            int translate_x,
                            int translate_y,
                            double scale_x,
                            double scale_y);

}  // namespace vel::test
