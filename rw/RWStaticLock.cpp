// Static locks of the library's source units.
#include "rw/RWStaticLock.h"

#include <cstdio>
#include <cstdlib>

void RWStaticLock::Acquire() {
  std::call_once(once_, [this] {
    if (!primitive_.Create()) {
      // Without its lock a unit cannot guard its shared data; nothing sound can follow.
      std::fputs("RWStaticLock: the platform could not create a lock\n", stderr);
      std::abort();
    }
    created_ = true;
  });
  primitive_.Acquire();
}

void RWStaticLock::Release() {
  primitive_.Release();
}
