// The job player: plays a checked job through the engine's driver host, from DrvEnableDriver to
// DrvDisableDriver, with the printer's output going to a file.
#pragma once

#include <ostream>
#include <string>

#include "tools/velprint/JobFile.h"

namespace vel::velprint {

struct PlayOptions {
  std::string driver;   // the render module
  std::string output;   // the output file; empty: the job's `output`, else the job's name + .prn
  bool trace = false;   // the engine's log lines on `messages`, after the statement that made them
  bool check = false;   // a failed `expect` fails the job
  bool quiet = false;   // no warnings
};

// Exit statuses of a play.
inline constexpr int kPrinted = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;
inline constexpr int kNoDriver = 3;

// Plays the job; messages (warnings, failures, the trace) go to `messages`, each naming the job
// file and line. Answers one of the statuses above. Uses the process's printer store and engine
// settings, so one job plays at a time.
int PlayJob(const Job& job, const PlayOptions& options, std::ostream& messages);

}  // namespace vel::velprint
