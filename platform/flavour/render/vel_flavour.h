// Configuration of the kernel-mode (render) flavour of the shared code. The UI flavour has a header
// of the same name; each flavoured library sees exactly one of them.
#pragma once

#include "platform/engine/winddi.h"
#include "platform/flavour/render/GReal.h"
#include "platform/flavour/GRealPoint.h"
#include "platform/flavour/render/FileSeam.h"
#include "platform/flavour/render/ModuleSeam.h"

namespace vel::flavour {

inline constexpr bool kIsRenderFlavour = true;
inline constexpr const char kName[] = "render";

// The primitive under each source unit's static lock: an engine semaphore (recursive).
class LockPrimitive {
 public:
  // Returns false when the engine could not make the semaphore.
  bool Create() {
    semaphore_ = EngCreateSemaphore();
    return semaphore_ != nullptr;
  }
  void Acquire() { EngAcquireSemaphore(semaphore_); }
  void Release() { EngReleaseSemaphore(semaphore_); }

 private:
  HSEMAPHORE semaphore_ = nullptr;
};

// What the foundation library's default error hook does with an error's text: writes
// "(<thread id>) RW!FtlErr: <text>" to the kernel debugger output, breaks into the debugger and
// returns to the caller.
void DefaultFatalError(const char* text);

}  // namespace vel::flavour
