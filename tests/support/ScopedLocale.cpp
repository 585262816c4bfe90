// Scoped switch of the global locales.
#include "tests/support/ScopedLocale.h"

#include <clocale>
#include <stdexcept>

namespace vel::test {

ScopedLocale::ScopedLocale(std::initializer_list<const char*> names)
    : previous_c_(std::setlocale(LC_ALL, nullptr)), previous_cpp_(std::locale()) {
  for (const char* name : names) {
    try {
      std::locale wanted(name);
      if (std::setlocale(LC_ALL, name) == nullptr) {
        continue;
      }
      std::locale::global(wanted);
      active_ = true;
      name_ = name;
      return;
    } catch (const std::runtime_error&) {
      continue;
    }
  }
}

ScopedLocale::~ScopedLocale() {
  if (active_) {
    std::locale::global(previous_cpp_);
    std::setlocale(LC_ALL, previous_c_.c_str());
  }
}

ScopedLocale ScopedLocale::CommaDecimal() {
  return ScopedLocale({"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"});
}

}  // namespace vel::test
