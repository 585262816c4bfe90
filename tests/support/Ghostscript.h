// Runs Ghostscript on a job's bytes for tests: exit code, the text it printed, and the rendered
// pages as pixel arrays. Ghostscript is an external PostScript interpreter that consumes what the
// PostScript back end writes; it is a test tool only.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ByteMatch.h"

namespace vel::test {

inline constexpr const char* kGhostscriptMissing =
    "ghostscript (gs) not found; scripts/setup installs it";

// Skips the current test when Ghostscript is not installed.
#define VEL_SKIP_WITHOUT_GHOSTSCRIPT()                  \
  do {                                                  \
    if (!::vel::test::GhostscriptAvailable()) {         \
      GTEST_SKIP() << ::vel::test::kGhostscriptMissing; \
    }                                                   \
  } while (false)

// True when a program named gs is found on PATH.
bool GhostscriptAvailable();

struct GsOptions {
  // "nullpage" interprets without rendering; "ppmraw" renders pages that the run reads back into
  // GsPage pixel arrays; "png16m" (or any other raster device) writes files for people to look
  // at, into output_dir.
  std::string device = "nullpage";
  int resolution = 72;  // dots per inch, both directions
  std::chrono::milliseconds time_limit{std::chrono::seconds(60)};
  // Where page files are written and kept; empty = a temporary folder removed after the run.
  std::filesystem::path output_dir;
  std::vector<std::string> extra_args;  // placed before the input file
};

// A rendered page, 8-bit RGB, rows top to bottom.
struct GsPage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width x height x 3 bytes

  // The colour at (x, y) as 0xRRGGBB; x and y must lie inside the page.
  std::uint32_t Pixel(int x, int y) const;
};

struct GsRun {
  int exit_code = -1;         // the program's exit code; -1 when it could not be run or was killed
  bool timed_out = false;     // killed at the time limit
  std::string output;         // everything written to standard output and standard error
  std::vector<GsPage> pages;  // ppmraw only
  std::vector<std::filesystem::path> page_files;  // files written, in page order (kept ones only)

  // Exit code 0, not timed out, and no "Error:" in the output.
  bool Succeeded() const;
};

// Writes `job` to a temporary file and runs
//   gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=<device> -r<resolution> [-sOutputFile=...] <file>
// with the time limit. Never throws for Ghostscript's own failures: they show in the result.
GsRun RunGhostscript(const Bytes& job, const GsOptions& options = {});
GsRun RunGhostscript(const std::string& job, const GsOptions& options = {});

// Parses one binary PPM (P6, maxval 255) file's bytes; false when the bytes are not one.
bool ParsePpm(const Bytes& bytes, GsPage* page);

}  // namespace vel::test
