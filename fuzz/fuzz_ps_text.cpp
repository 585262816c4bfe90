// Job text through the PostScript emitter: arbitrary bytes as a show's text and as the page's
// media type, and their first four bytes as a real. A PostScript reader must get back exactly the
// bytes given (the literal closes where it should, whatever the text holds), and a real comes out
// as a number or as the formatting-failure comment.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/output/postscript/GPSLibWriter.h"

namespace {

class Sink : public GPSFlushCallback {
 public:
  std::int32_t Flush(const char* buffer, std::uint32_t count) override {
    text.append(buffer, count);
    return 0;
  }
  std::string text;
};

// Reads the PostScript string literal that starts at text[at] == '(' as an interpreter does;
// returns its bytes and sets end past the closing parenthesis. Aborts on a malformed literal.
std::string ReadLiteral(const std::string& text, std::size_t at, std::size_t* end) {
  if (at >= text.size() || text[at] != '(') {
    std::abort();
  }
  std::string bytes;
  int depth = 1;
  std::size_t i = at + 1;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\') {
      if (++i >= text.size()) {
        std::abort();
      }
      const char e = text[i];
      if (e >= '0' && e <= '7') {
        int value = 0;
        int digits = 0;
        for (; digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++digits) {
          value = value * 8 + (text[i++] - '0');
        }
        --i;
        bytes += static_cast<char>(value);
      } else if (e == '(' || e == ')' || e == '\\') {
        bytes += e;
      } else {
        std::abort();  // the emitter uses no other escape
      }
      continue;
    }
    if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth == 0) {
      break;
    }
    bytes += c;
  }
  if (depth != 0) {
    std::abort();
  }
  *end = i + 1;
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::int16_t advances[] = {1, 2, 3};

  Sink sink;
  GPSLibWriter writer(&sink);
  if (writer.XShow(input.data(), static_cast<std::uint32_t>(size), advances, 3) != 0 ||
      writer.Flush() != 0) {
    std::abort();
  }
  std::size_t end = 0;
  if (ReadLiteral(sink.text, 0, &end) != input || sink.text[end] != '[') {
    std::abort();
  }

  // The media type is a zero-ended text: up to the first NUL.
  const std::string media(input.c_str());
  sink.text.clear();
  static_cast<void>(writer.DocumentSetup(600, 600, 0, 0, 0, 1, 0, 0));
  static_cast<void>(writer.Flush());
  sink.text.clear();
  if (writer.PageSetup(612, 792, 0, media.c_str(), 0, 1) != 0 || writer.Flush() != 0) {
    std::abort();
  }
  if (!media.empty()) {
    const std::size_t at = sink.text.find(" /MediaType (");
    if (at == std::string::npos || ReadLiteral(sink.text, at + 12, &end) != media ||
        sink.text.compare(end, 12, " /ManualFeed") != 0) {
      std::abort();
    }
  }

  if (size >= 4) {
    float value;
    std::memcpy(&value, data, 4);
    sink.text.clear();
    const std::int32_t status = writer.WriteReal(value);
    static_cast<void>(writer.Flush());
    if (status == GPSLibWriter::kFormatFailed) {
      if (sink.text != "\r\n%% PSLIB error in converting GReal to asc\r\n") {
        std::abort();
      }
    } else if (status != 0 || sink.text.empty() || sink.text.back() != ' ' ||
               sink.text.find_first_not_of("-.0123456789 ") != std::string::npos) {
      std::abort();
    }
  }
  return 0;
}
