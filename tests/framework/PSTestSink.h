// A flush callback for tests of the PostScript emitter: keeps every byte and the size of each run.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/output/postscript/GPSLibWriter.h"

namespace vel::test {

class PSTestSink : public GPSFlushCallback {
 public:
  std::int32_t Flush(const char* buffer, std::uint32_t count) override {
    text.append(buffer, count);
    runs.push_back(count);
    return 0;
  }

  std::string text;
  std::vector<std::uint32_t> runs;  // byte count of each call, in order
};

// The text that `write` makes a fresh emitter write, flushed. `write` returns a status, which
// must be `status` (success by default).
template <typename Write>
std::string EmitPS(Write write, std::int32_t status = GPSLibWriter::kOk) {
  PSTestSink sink;
  GPSLibWriter writer(&sink);
  EXPECT_EQ(status, write(writer));
  EXPECT_EQ(GPSLibWriter::kOk, writer.Flush());
  return sink.text;
}

// Lines joined, each ended by CR LF: golden texts are written one line per entry.
inline std::string CrLfLines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace vel::test
