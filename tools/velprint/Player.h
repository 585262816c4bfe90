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
  std::string models;   // the folder of the default models (`printer data=@NAME`)
  std::string state;    // the spooler's state folder; empty: the store lives in memory only
  std::string record;   // where to write the job as it played; empty: no recording
  int parallel = 0;     // 0: play once; N: play on N threads at once, outputs OUT.1 ... OUT.N
  bool trace = false;   // the engine's log lines on `messages`, after the statement that made them
  bool check = false;   // a failed `expect` fails the job
  bool quiet = false;   // no warnings
  bool host_log = true; // the driver host's own log lines (skipped calls, punts)
};

// Exit statuses of a play.
inline constexpr int kPrinted = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;
inline constexpr int kNoDriver = 3;

// Plays the job; messages (warnings, failures, the trace) go to `messages`, each naming the job
// file and line. Answers one of the statuses above (the worst of the threads' when parallel).
// Uses the process's printer store and engine settings, so one job plays at a time.
//
// Played in parallel, the threads share the loaded module; each has its own DC, printer handle
// and output file. The engine's failure switches are process-wide, so a job with `fault` other
// than `fault abort` is refused (kUsage), and so is `trace` or `record` with `parallel`.
//
// A recording is the job as it played in canonical form: each default made explicit, and after
// each call an `expect` of what it answered (the job's own expects give way to them). It replays
// to the same calls and bytes, and holds under `check`.
int PlayJob(const Job& job, const PlayOptions& options, std::ostream& messages);

}  // namespace vel::velprint
