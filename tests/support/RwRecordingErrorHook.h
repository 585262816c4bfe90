// A foundation-library error hook for tests: records every raised error and returns, as the render
// flavour's default does, so tests can check that the code after a raise stays safe.
#pragma once

#include <string>
#include <vector>

#include "rw/RWError.h"

namespace vel::test {

// Installs itself for its lifetime and restores the previous hook when destroyed. One at a time.
class RecordingErrorHook {
 public:
  RecordingErrorHook();
  ~RecordingErrorHook();
  RecordingErrorHook(const RecordingErrorHook&) = delete;
  RecordingErrorHook& operator=(const RecordingErrorHook&) = delete;

  // The texts of the errors raised so far, oldest first.
  std::vector<std::string> Texts() const;
  // The bracketed tags ("[INDEXERR]") of the errors raised so far.
  std::vector<std::string> Tags() const;
  std::size_t Count() const;
  void Clear();

 private:
  RWErrorHook previous_;
};

}  // namespace vel::test
