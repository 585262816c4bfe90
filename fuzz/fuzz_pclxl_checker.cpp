// The PCL XL job checker on arbitrary bytes: it must finish without crashing, hanging or reading
// outside the input, whatever the bytes claim about lengths and counts. The dump of the model is
// made too, so every field the checker filled is read once.
#include <cstddef>
#include <cstdint>

#include "tests/support/PclXlChecker.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const vel::test::Bytes bytes(data, data + size);
  vel::test::XlCheckOptions options;
  options.resident_fonts = {"Courier"};
  const vel::test::XlCheckResult result = vel::test::PclXlChecker(options).Check(bytes);
  const std::string dump = vel::test::DumpPclXlJob(result.job) + result.Report();
  return dump.empty() ? 1 : 0;
}
