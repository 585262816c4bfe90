// Switches the global C and C++ locales for one scope, to prove output does not depend on them.
#pragma once

#include <locale>
#include <string>

namespace vel::test {

class ScopedLocale {
 public:
  // Tries each name in turn; Active() tells whether one could be set.
  explicit ScopedLocale(std::initializer_list<const char*> names);
  ~ScopedLocale();
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

  bool Active() const { return active_; }
  const std::string& Name() const { return name_; }

  // A locale whose decimal separator is a comma (German, French, ...).
  static ScopedLocale CommaDecimal();

 private:
  bool active_ = false;
  std::string name_;
  std::string previous_c_;
  std::locale previous_cpp_;
};

}  // namespace vel::test
