// The platform's built-in forms, in paper-code order.
#pragma once

#include <cstdint>

namespace vel::platform::spooler {

struct BuiltinForm {
  const char16_t* name;
  std::int32_t width;   // micrometres
  std::int32_t height;  // micrometres
};

// Entry i (from 0) is paper code i + 1; kBuiltinFormCount entries.
const BuiltinForm* BuiltinForms();

}  // namespace vel::platform::spooler
