// Call log and failure switches shared by every stand-in of the platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vel::platform {

// Appends one line to the process-wide log of stand-in calls. Tests read it to see what the
// system asked of the platform (a message box's caption and text, a debug print, ...).
void LogCall(std::string line);

// A copy of every line logged since the last ClearCallLog.
std::vector<std::string> CallLogSnapshot();

void ClearCallLog();

// Failure switches, keyed by the stand-in function's name ("TlsAlloc", "EngCreateSemaphore").
// FailCalls(name, skip, count) lets `skip` calls through and then fails the next `count` calls
// (count -1: every later call). ShouldFail is what a stand-in asks before doing its work.
// While no switch is set, ShouldFail answers without taking a lock.
void FailCalls(const std::string& function, int skip, int count);
void ClearFailures();
bool ShouldFail(std::string_view function);

}  // namespace vel::platform
