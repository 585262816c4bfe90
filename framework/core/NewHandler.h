// The out-of-memory handler with its reserve block.
//
// Installed as the allocator's failure handler, it frees the reserve, lets the driver server free
// memory, makes a new reserve and lets the allocation try again. When no reserve is left or the
// driver server could free nothing, it reports (2, 101): the UI flavour ends the process there; the
// render flavour gives up, so the failed allocation answers null (a throwing allocation throws),
// and the handler stays installed for later allocations.
#pragma once

#include <cstdint>

// Installs the handler once (keeping the one it replaces) and makes a reserve of `reserve` bytes
// (0 keeps the recorded size). Needs the services instance for its lock: without one it does
// nothing.
void InstallNewHandler(std::uint32_t reserve);
// Puts the replaced handler back, frees the reserve and deletes the lock.
void RemoveNewHandler();
// The handler's work: 1 to try the allocation again; 0 when the render flavour gives up.
std::int32_t OutOfMemoryHandler();

namespace vel {
// The reserve block's size now (0 when there is none), for tests.
std::uint32_t NewHandlerReserveSize();
bool NewHandlerInstalled();
}  // namespace vel
