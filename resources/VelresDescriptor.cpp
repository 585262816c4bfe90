// The descriptor through which the loader of this host finds the entry of velres and its resource
// table. The table stands in for the platform's resource section; it is no interface of the module.
#include "platform/win32/ModuleDescriptor.h"
#include "resources/ResourceTable.h"
#include "resources/VelresModule.h"

VEL_MODULE_EXPORT const vel::platform::ModuleDescriptor* VelModuleDescriptor() {
  static const vel::platform::ModuleDescriptor descriptor{vel::platform::kModuleDescriptorVersion,
                                                          &DllInitialize, vel::velres::kResources,
                                                          vel::velres::kResourcesCount};
  return &descriptor;
}
