// The job file of velprint: a text script of graphics-engine calls, read whole and checked before
// anything plays. The grammar is described in JobFile.cpp, where it is read.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vel::velprint {

enum class Unit { kPixels, kInch, kMm, kPoint };

// A length or coordinate as written; the player converts it to device pixels.
struct Length {
  double value = 0;
  Unit unit = Unit::kPixels;
};

// The largest coordinate or length, in device pixels, before and after unit conversion.
inline constexpr double kMaxCoordinate = 32767;

// Device pixels of a length at `dpi` pixels per inch, rounded half away from zero; nullopt when
// the result leaves +-32767.
std::optional<std::int32_t> ToPixels(const Length& length, std::uint32_t dpi);

// One checked operand of a statement.
struct Value {
  enum class Kind { kWord, kNumber, kLength, kString, kColor };
  Kind kind = Kind::kWord;
  std::string text;      // a word, or a string with its escapes resolved (UTF-8)
  std::int64_t number = 0;
  Length length;
  std::uint32_t color = 0;  // 0x00BBGGRR, the engine's order
  int column = 0;
  // A list option (size=W,H, from=, palette=, style=, opaque=, extra=): its numbers (colours
  // 0x00BBGGRR) or its lengths, in order; `text` then holds the list in canonical spelling.
  std::vector<std::int64_t> numbers;
  std::vector<Length> lengths;
};

// One path element: M (move), L (line), C (Bezier, three points), Z (close).
struct PathElement {
  char op = 'M';
  std::vector<Length> coordinates;  // x y pairs
};

struct Statement {
  int line = 0;
  std::string verb;
  std::vector<Value> operands;            // positional, in order
  std::map<std::string, Value, std::less<>> options;  // key=value and bare flags (kind kWord)
  std::vector<PathElement> path;          // `path` only
  std::vector<std::vector<Length>> rects; // `clip rects` only, four lengths each

  bool Has(std::string_view key) const { return options.find(key) != options.end(); }
  const Value* Option(std::string_view key) const {
    auto it = options.find(key);
    return it == options.end() ? nullptr : &it->second;
  }
};

struct Job {
  std::string file;  // the job file's path, for messages and relative names
  std::vector<Statement> statements;
};

// Reads a job from its text. On error answers nullopt and sets *error to
// "FILE:LINE:COLUMN: message". Named files are not opened.
std::optional<Job> ParseJob(const std::string& text, const std::string& file, std::string* error);

// The job in canonical form: one statement a line, operands in the order read, options sorted,
// numbers in decimal, strings with the escapes needed. Parsing it gives the same job.
std::string CanonicalText(const Job& job);

}  // namespace vel::velprint
