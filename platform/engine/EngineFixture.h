// What hosts and tests control and inspect of the stand-in graphics engine: full logging, the
// memory, semaphore, module and file ledgers, the clock, the ANSI code page, the system image's
// names, and the binding of devices to printers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/engine/winddi.h"

namespace vel::platform::engine {

// Logs the per-item calls too (engine memory, semaphore acquire and release). Off by default.
void SetFullLogging(bool on);

// Whether EngDebugPrint also writes to standard error (on by default); it is logged either way.
void SetDebugPrintEcho(bool on);

// Live engine memory of one pool tag.
struct MemoryLedgerEntry {
  ULONG tag = 0;
  std::size_t blocks = 0;
  std::size_t bytes = 0;
};
// Every tag with live blocks, ordered by tag.
std::vector<MemoryLedgerEntry> MemoryLedger();
std::size_t LiveBlocks(ULONG tag);
std::size_t LiveBytes(ULONG tag);

// Counts of the per-item calls since the last ClearLedgers.
struct CallCounters {
  std::size_t allocations = 0;
  std::size_t frees = 0;
  std::size_t acquires = 0;
  std::size_t releases = 0;
};
CallCounters Counters();

// One line for each fault the ledgers hold: engine memory never freed (per tag), a free of a
// block the engine did not allocate, a semaphore deleted while held, a release by a thread that
// does not hold the semaphore, semaphores never deleted, modules and images never freed, native
// file handles never closed. Empty when all is well.
std::vector<std::string> LedgerProblems();
// Forgets the recorded faults and counters and starts the live counts afresh: what is alive now
// is no longer reported (it stays usable).
void ClearLedgers();

// The engine's clock.
void SetLocalTime(const ENG_TIME_FIELDS& time);
void ResetLocalTime();

// The system ANSI code page (code page 0 and the ...N conversions); 1252 by default. false for a
// code page the engine does not convert.
bool SetAnsiCodePage(UINT code_page);

// Leaves a name out of the system image, as if that image lacked it; an empty name puts every
// name back.
void OmitImageName(const std::string& name);

// Binds a device to the engine printer handle of its printer (done when a PDEV is enabled), so
// that EngGetPrinterDataFileName answers that printer's driver data file.
void BindDevice(HDEV hdev, HANDLE printer);
void UnbindDevice(HDEV hdev);

}  // namespace vel::platform::engine
