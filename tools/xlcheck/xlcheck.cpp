// xlcheck FILE [--dump]: checks a PJL-framed PCL XL job (a .prn file) and prints its findings
// (byte offset, operator index and name, message), or with --dump the decoded job as well.
// Exit code: 0 without errors, 1 with errors, 2 on a usage or read error.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/PclXlChecker.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: xlcheck FILE [--dump]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path;
  bool dump = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dump") {
      dump = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else if (path.empty()) {
      path = arg;
    } else {
      return Usage();
    }
  }
  if (path.empty()) {
    return Usage();
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "xlcheck: cannot read %s\n", path.c_str());
    return 2;
  }
  const vel::test::Bytes bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
  if (in.bad()) {
    std::fprintf(stderr, "xlcheck: cannot read %s\n", path.c_str());
    return 2;
  }
  const vel::test::XlCheckResult result = vel::test::PclXlChecker().Check(bytes);
  if (dump) {
    std::fputs(vel::test::DumpPclXlJob(result.job).c_str(), stdout);
  }
  std::fputs(result.Report().c_str(), stdout);
  std::printf("%s: %zu bytes, %zu errors, %zu warnings\n", path.c_str(), bytes.size(),
              result.ErrorCount(), result.WarningCount());
  return result.ErrorCount() == 0 ? 0 : 1;
}
