// The process-wide critical-error routine, and the two steps of the driver server that it and the
// out-of-memory handler reach.
//
// ReportDriverError formats one of two fixed texts (it shows them nowhere) and then, in the UI
// flavour, ends the process for severities 1 and 2 (severity 2 first switches the driver server's
// spare objects off and releases them); any other severity returns. The render flavour returns for
// every severity.
#pragma once

#include <cstdint>
#include <string>

#include "rw/RWCString.h"

class GSemaphore;

void ReportDriverError(std::int32_t severity, std::uint16_t id, RWCString unit, std::int32_t line,
                       RWCString detail);

namespace vel {

inline constexpr std::uint16_t kOutOfMemoryError = 101;

// The text ReportDriverError formats: severity 2 "There has been a critical error and the printer
// driver cannot continue.  Save your work, and exit the current application.  (Error id = <id>)",
// every other severity "Error id = <id>  (No error string table, yet...)". At most 255
// characters.
std::string DriverErrorText(std::int32_t severity, std::uint16_t id);

// What the critical-error routine and the out-of-memory step need of the driver server. The
// driver server implements it and registers itself when it is created (until then nothing is
// freed and no spares are released).
class GDriverServerSteps {
 public:
  virtual ~GDriverServerSteps() = default;
  // Switches the spare objects off and releases them.
  virtual void DisableSpares() = 0;
  // Frees what it can: 1 when something was freed, else 0.
  virtual std::int32_t FreeMemory() = 0;
};

// Registers the driver server's steps (null: none) and answers the previous registration.
GDriverServerSteps* SetDriverServerSteps(GDriverServerSteps* steps);
GDriverServerSteps* DriverServerSteps();

// The step that ends the process in the UI flavour: by default the runtime's abort. Tests replace
// it to see what happens before it. Answers the previous step.
using TerminateStep = void (*)();
TerminateStep SetTerminateStep(TerminateStep step);

// Sees every report before the flavour acts on it (tests record them). Null: none. Answers the
// previous observer.
using DriverErrorObserver = void (*)(std::int32_t severity, std::uint16_t id, const char* text);
DriverErrorObserver SetDriverErrorObserver(DriverErrorObserver observer);
// The same with the source unit and line of each report (tests check which unit reported).
using DriverErrorSourceObserver = void (*)(std::int32_t severity, std::uint16_t id,
                                           const char* unit, std::int32_t line);
DriverErrorSourceObserver SetDriverErrorSourceObserver(DriverErrorSourceObserver observer);

// Reports a lock failure of a process-wide table with severity 2: id 301 for a failed Acquire,
// 302 for a Release that answered -2. A null lock is skipped.
void AcquireOrReport(GSemaphore* lock, const char* unit, std::int32_t line);
void ReleaseOrReport(GSemaphore* lock, const char* unit, std::int32_t line);

}  // namespace vel
