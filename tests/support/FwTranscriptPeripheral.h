// FwTranscriptPeripheral: the stage that ends every chain of the filter tests. It is the recording
// stage of the peripheral tests (FwTestPeripheral: calls, statuses, replacements) that also writes
// one transcript line (FwTranscript.h) for every command it handles, marker commands and graphics
// included, so that what a chain of filters sends on can be compared with a transcript written by
// hand.
//
// A line is the command's class name and key, for a shape graphic its bounds in parentheses, then
// its bundle after ':':
//   GNullCommand 0: 244 = { 103 = transform(rotation 0, translation 194,576, scale 0.6205882,...) }
//   GRectangleGraphic 0 (118, 118, 3287, 4982): 103 = transform(...); 177 = clip to page; ...
// Making one registers the transcript formats of the media and of the graphic-state attributes:
//   media(...) (FormatMedia), pen(width 2, rgb(0, 0, 0, 255)), no pen, brush(...), no brush,
//   clip to page, fill mode 0, rop 240 mode 0.
#pragma once

#include <string>
#include <vector>

#include "tests/support/FwTestPeripheral.h"

class FwTranscriptPeripheral : public FwTestPeripheral {
 public:
  FwTranscriptPeripheral();
  explicit FwTranscriptPeripheral(const RWCString& name);

  // Writes the command's line, then handles it as FwTestPeripheral does.
  GCommandRef HandleCommand(GCommandRef command) override;

  const std::vector<std::string>& Lines() const { return lines_; }
  // The lines, each ended by '\n'.
  std::string Text() const;
  void ClearLines() { lines_.clear(); }

  // The line of one command.
  static std::string Line(const GCommand& command);
  // The class name that the framework registers for `id`, or "<class id>".
  static std::string ClassNameOf(RWClassID id);

 private:
  std::vector<std::string> lines_;
};
