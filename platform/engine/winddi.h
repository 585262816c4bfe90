// Stand-in for the graphics engine services that the kernel-mode module calls. This unit holds
// the engine's semaphores and debug output; the rest of the engine joins it as the module grows.
#pragma once

#include <cstdarg>

#include "platform/PlatformTypes.h"

// An engine semaphore is a recursive lock: the owning thread may acquire it again.
struct HSEMAPHORE__;
using HSEMAPHORE = HSEMAPHORE__*;

HSEMAPHORE EngCreateSemaphore();
void EngAcquireSemaphore(HSEMAPHORE semaphore);
void EngReleaseSemaphore(HSEMAPHORE semaphore);
void EngDeleteSemaphore(HSEMAPHORE semaphore);

// Writes prefix and the formatted text to the kernel debugger output: standard error and the call
// log ("EngDebugPrint(<prefix><text>)").
void EngDebugPrint(const char* prefix, const char* format, va_list arguments);

// Breaks into the kernel debugger. The stand-in logs "EngDebugBreak" and returns.
void EngDebugBreak();
