// The critical-error routine (source unit osfactry's neighbour "errors").
#include "framework/core/DriverError.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "framework/core/GSemaphore.h"
#include "vel_flavour.h"

namespace {

std::atomic<vel::GDriverServerSteps*> g_steps{nullptr};
std::atomic<vel::DriverErrorObserver> g_observer{nullptr};
std::atomic<vel::DriverErrorSourceObserver> g_source_observer{nullptr};

void AbortProcess() {
  std::abort();
}

std::atomic<vel::TerminateStep> g_terminate{&AbortProcess};

constexpr std::size_t kMessageChars = 256;

}  // namespace

void ReportDriverError(std::int32_t severity, std::uint16_t id, RWCString unit,
                       std::int32_t line, RWCString /*detail*/) {
  const std::string text = vel::DriverErrorText(severity, id);
  if (vel::DriverErrorSourceObserver observer = g_source_observer.load()) {
    observer(severity, id, unit.Data(), line);
  }
  if (vel::DriverErrorObserver observer = g_observer.load()) {
    observer(severity, id, text.c_str());
  }
  if constexpr (vel::flavour::kIsRenderFlavour) {
    return;
  }
  if (severity == 2) {
    if (vel::GDriverServerSteps* steps = g_steps.load()) {
      steps->DisableSpares();
    }
  } else if (severity != 1) {
    return;
  }
  g_terminate.load()();
  // A terminate step that returns (tests) leaves the caller to carry on.
}

namespace vel {

std::string DriverErrorText(std::int32_t severity, std::uint16_t id) {
  char buffer[kMessageChars];
  const unsigned value = id;
  if (severity == 2) {
    std::snprintf(buffer, sizeof buffer,
                  "There has been a critical error and the printer driver cannot continue.  "
                  "Save your work, and exit the current application.  (Error id = %u)",
                  value);
  } else {
    std::snprintf(buffer, sizeof buffer, "Error id = %u  (No error string table, yet...)", value);
  }
  return buffer;
}

GDriverServerSteps* SetDriverServerSteps(GDriverServerSteps* steps) {
  return g_steps.exchange(steps);
}

GDriverServerSteps* DriverServerSteps() {
  return g_steps.load();
}

TerminateStep SetTerminateStep(TerminateStep step) {
  return g_terminate.exchange(step != nullptr ? step : &AbortProcess);
}

DriverErrorObserver SetDriverErrorObserver(DriverErrorObserver observer) {
  return g_observer.exchange(observer);
}

DriverErrorSourceObserver SetDriverErrorSourceObserver(DriverErrorSourceObserver observer) {
  return g_source_observer.exchange(observer);
}

void AcquireOrReport(GSemaphore* lock, const char* unit, std::int32_t line) {
  if (lock != nullptr && lock->Acquire() != 0) {
    ReportDriverError(2, kLockAcquireFailed, unit, line, "");
  }
}

void ReleaseOrReport(GSemaphore* lock, const char* unit, std::int32_t line) {
  if (lock != nullptr && lock->Release() == kReleaseFailed) {
    ReportDriverError(2, kLockReleaseFailed, unit, line, "");
  }
}

}  // namespace vel
