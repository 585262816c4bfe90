// The table of the Win32 stand-in's kernel-object handles (semaphores, files), so that every call
// can tell a live handle of the right kind from anything else.
#pragma once

#include "platform/PlatformTypes.h"

namespace vel::platform::detail {

struct KernelObject {
  virtual ~KernelObject() = default;
};

// Files the object under a new handle; the table owns it from then on.
HANDLE AddObject(KernelObject* object);
// The live object of a handle when it is of type T, else null. The object stays alive while the
// caller uses it only if no other thread closes the handle meanwhile, as on the platform.
KernelObject* FindObject(HANDLE handle);
template <typename T>
T* FindObjectOf(HANDLE handle) {
  return dynamic_cast<T*>(FindObject(handle));
}
// Removes and deletes the object; false for a handle that is not live.
bool CloseObject(HANDLE handle);

}  // namespace vel::platform::detail
