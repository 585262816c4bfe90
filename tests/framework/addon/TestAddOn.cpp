// The add-on library of the add-on proxy's tests: a module of the stand-in loader that exports
// the generic and the PJL pair of entries. Its create entry makes a recording test stage, its
// destroy entry deletes the stage it is given; each call writes one line to the platform's call
// log (which outlives the module between loads), with the argument words and the address made:
//   add-on create <kind> <word 0> <word 1> -> <address>
//   add-on destroy <kind> <word 0>
// The module carries no framework of its own: the stage's code is the test program's.
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/CallLog.h"
#include "platform/win32/ModuleDescriptor.h"
#include "tests/support/FwTestPeripheral.h"

namespace {

std::string Word(std::uintptr_t word) {
  char text[32];
  std::snprintf(text, sizeof text, "%#llx", static_cast<unsigned long long>(word));
  return text;
}

std::uintptr_t Create(const char* kind, const std::uintptr_t* words) {
  GPeripheral* stage = new FwTestPeripheral(kind, 0);
  const auto address = reinterpret_cast<std::uintptr_t>(stage);
  vel::platform::LogCall(std::string("add-on create ") + kind + " " + Word(words[0]) + " " +
                         Word(words[1]) + " -> " + Word(address));
  return address;
}

std::uintptr_t Destroy(const char* kind, const std::uintptr_t* words) {
  vel::platform::LogCall(std::string("add-on destroy ") + kind + " " + Word(words[0]));
  delete reinterpret_cast<GPeripheral*>(words[0]);
  return 0;
}

}  // namespace

VEL_MODULE_EXPORT std::uintptr_t _C_GENERIC_ADDON(const std::uintptr_t* words) {
  return Create("generic", words);
}

VEL_MODULE_EXPORT std::uintptr_t _D_GENERIC_ADDON(const std::uintptr_t* words) {
  return Destroy("generic", words);
}

VEL_MODULE_EXPORT std::uintptr_t _C_PJL_ADDON(const std::uintptr_t* words) {
  return Create("pjl", words);
}

VEL_MODULE_EXPORT std::uintptr_t _D_PJL_ADDON(const std::uintptr_t* words) {
  return Destroy("pjl", words);
}

VEL_MODULE_EXPORT const vel::platform::ModuleDescriptor* VelModuleDescriptor() {
  static const vel::platform::ModuleDescriptor descriptor{vel::platform::kModuleDescriptorVersion,
                                                          nullptr, nullptr, 0};
  return &descriptor;
}
