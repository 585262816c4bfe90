// Fuzz target: the job-file reader. Every input either parses or gives one positioned error;
// what parses must give the same job again from its canonical form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/velprint/JobFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  auto job = vel::velprint::ParseJob(text, "fuzz.vjob", &error);
  if (!job) {
    if (error.rfind("fuzz.vjob:", 0) != 0) {
      std::abort();
    }
    return 0;
  }
  std::string canonical = vel::velprint::CanonicalText(*job);
  auto again = vel::velprint::ParseJob(canonical, "fuzz.vjob", &error);
  if (!again || vel::velprint::CanonicalText(*again) != canonical) {
    std::abort();
  }
  return 0;
}
