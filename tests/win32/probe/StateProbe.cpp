// A second process for the persistence tests: `vel_win32_state_probe write <folder>` sets up a
// printer through the Win32 spooler calls in a store over <folder>; `... dump <folder>` prints
// what those calls read back from it.
#include "tests/win32/probe/StateProbe.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s write|dump <state folder>\n", argv[0]);
    return 2;
  }
  const auto report = vel::platform::spooler::OpenStore(argv[2]);
  if (!report.problems.empty()) {
    std::fprintf(stderr, "the state folder has damaged parts\n");
    return 1;
  }
  if (std::strcmp(argv[1], "write") == 0) {
    return vel::test::WriteProbeState() ? 0 : 1;
  }
  std::fputs(vel::test::DumpProbeState().c_str(), stdout);
  return 0;
}
