// The job file of velprint: a text script of graphics-engine calls, read whole and checked before
// anything plays. The grammar is described in JobFile.cpp, where it is read.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vel::velprint {

enum class Unit : std::uint8_t { kPixels, kInch, kMm, kPoint };

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

// An object made on first use and copied with its owner: the parts of a value or statement that
// few of them need, kept out of the many that do not.
template <typename T>
class Rare {
 public:
  Rare() = default;
  Rare(const Rare& other) : held_(other.held_ != nullptr ? std::make_unique<T>(*other.held_) : nullptr) {}
  Rare(Rare&& other) noexcept = default;
  Rare& operator=(const Rare& other) {
    if (this != &other) {
      held_ = other.held_ != nullptr ? std::make_unique<T>(*other.held_) : nullptr;
    }
    return *this;
  }
  Rare& operator=(Rare&& other) noexcept = default;
  ~Rare() = default;

  // Null until Make.
  const T* Get() const { return held_.get(); }
  T* Get() { return held_.get(); }
  T& Make() {
    if (held_ == nullptr) {
      held_ = std::make_unique<T>();
    }
    return *held_;
  }

 private:
  std::unique_ptr<T> held_;
};

// One checked operand of a statement. A job holds one for every operand it reads, so the value is
// kept small: the lists of the few list options live apart.
struct Value {
  enum class Kind : std::uint8_t { kWord, kNumber, kLength, kString, kColor };
  Kind kind = Kind::kWord;
  int column = 0;
  std::uint32_t color = 0;  // 0x00BBGGRR, the engine's order
  std::int64_t number = 0;
  Length length;
  std::string text;  // a word, or a string with its escapes resolved (UTF-8)

  // A list option (size=W,H, from=, palette=, style=, opaque=, extra=): its numbers (colours
  // 0x00BBGGRR) or its lengths, in order; `text` then holds the list in canonical spelling. Empty
  // for every other value.
  const std::vector<std::int64_t>& Numbers() const;
  const std::vector<Length>& Lengths() const;
  std::vector<std::int64_t>& MutableNumbers() { return lists_.Make().numbers; }
  std::vector<Length>& MutableLengths() { return lists_.Make().lengths; }

 private:
  struct Lists {
    std::vector<std::int64_t> numbers;
    std::vector<Length> lengths;
  };
  Rare<Lists> lists_;
};

// One path element: M (move), L (line), C (Bezier, three points), Z (close).
struct PathElement {
  char op = 'M';
  std::vector<Length> coordinates;  // x y pairs
};

// The options of a statement (key=value and bare flags, kind kWord) by name, with the map's
// operations. Most statements have none: the map is made at the first, in the memory the options
// were given (a job's pool for the statements a reader makes); a copy takes default memory.
class Options {
 public:
  using Map = std::map<std::string, Value, std::less<>,
                       std::pmr::polymorphic_allocator<std::pair<const std::string, Value>>>;
  using iterator = Map::iterator;
  using const_iterator = Map::const_iterator;

  Options() = default;
  explicit Options(std::pmr::memory_resource* memory) : memory_(memory) {}
  Options(const Options& other);
  Options(Options&& other) noexcept
      : map_(std::exchange(other.map_, nullptr)), memory_(other.memory_) {}
  Options& operator=(const Options& other);
  Options& operator=(Options&& other) noexcept;
  ~Options() { Drop(); }

  const_iterator begin() const { return Read().begin(); }
  const_iterator end() const { return Read().end(); }
  const_iterator find(std::string_view key) const { return Read().find(key); }
  iterator find(std::string_view key);
  iterator end();
  std::size_t count(std::string_view key) const { return Read().count(key); }
  bool empty() const { return map_ == nullptr || map_->empty(); }
  std::size_t size() const { return map_ == nullptr ? 0 : map_->size(); }
  template <typename... Args>
  std::pair<iterator, bool> emplace(Args&&... args) {
    return Make().emplace(std::forward<Args>(args)...);
  }
  Value& operator[](std::string_view key);

 private:
  const Map& Read() const;
  Map& Make();
  void Drop() noexcept;
  std::pmr::memory_resource* Memory() const {
    return memory_ != nullptr ? memory_ : std::pmr::get_default_resource();
  }

  Map* map_ = nullptr;
  std::pmr::memory_resource* memory_ = nullptr;  // of the map and its nodes; null: the default
};

struct Statement {
  Statement() = default;
  // Its operands and options in `pool` (a job's), which outlives it; a copy takes its own memory.
  explicit Statement(std::pmr::memory_resource* pool) : operands(pool), options(pool) {}

  int line = 0;
  std::string_view verb;             // the statement's name, as the reader's table of them spells it
  std::pmr::vector<Value> operands;  // positional, in order
  Options options;

  bool Has(std::string_view key) const {
    return !options.empty() && options.find(key) != options.end();
  }
  const Value* Option(std::string_view key) const {
    if (options.empty()) {
      return nullptr;
    }
    auto it = options.find(key);
    return it == options.end() ? nullptr : &it->second;
  }

  // `path` only: its elements. `clip rects` only: its rectangles, four lengths each.
  const std::vector<PathElement>& Path() const;
  const std::vector<std::vector<Length>>& Rects() const;
  std::vector<PathElement>& MutablePath() { return shapes_.Make().path; }
  std::vector<std::vector<Length>>& MutableRects() { return shapes_.Make().rects; }

 private:
  struct Shapes {
    std::vector<PathElement> path;
    std::vector<std::vector<Length>> rects;
  };
  Rare<Shapes> shapes_;
};

struct Job {
  std::string file;  // the job file's path, for messages and relative names
  // The memory of the operands and options of the statements read, freed with the last copy of
  // the job.
  std::shared_ptr<std::pmr::monotonic_buffer_resource> pool;
  std::vector<Statement> statements;
};

// Reads a job from its text. On error answers nullopt and sets *error to
// "FILE:LINE:COLUMN: message". Named files are not opened.
std::optional<Job> ParseJob(const std::string& text, const std::string& file, std::string* error);

// The job in canonical form: one statement a line, operands in the order read, options sorted,
// numbers in decimal, strings with the escapes needed. Parsing it gives the same job.
std::string CanonicalText(const Job& job);

}  // namespace vel::velprint
