// Temporary folders for tests.
#include "tests/support/TempDir.h"

#include <atomic>
#include <random>
#include <stdexcept>
#include <system_error>

#include <unistd.h>

namespace vel::test {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("vel-test-" + std::to_string(::getpid()) + "-" +
                             std::to_string(counter.fetch_add(1)));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("TempDir: cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

}  // namespace vel::test
