// The string hot paths (copy, append, find, compare, hash) of RWCString and RWWString beside
// std::string and std::u16string, for short (8) and long (1,000 character) strings.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <functional>
#include <string>

#include "rw/RWCString.h"
#include "rw/RWWString.h"

namespace {

// A text of n characters that ends in the searched pattern "xyz!".
template <typename Char>
std::basic_string<Char> Sample(std::size_t n) {
  std::basic_string<Char> text;
  for (std::size_t i = 0; text.size() + 4 < n; ++i) {
    text.push_back(static_cast<Char>('a' + i % 23));
  }
  for (char c : {'x', 'y', 'z', '!'}) {
    text.push_back(static_cast<Char>(c));
  }
  return text.substr(text.size() - n);
}

// Adapters so one benchmark body serves all four string types.
struct RWC {
  using String = RWCString;
  using Char = char;
  static String Make(const std::string& s) { return RWCString(s.data(), s.size()); }
  static void Append(String& s, const Char* p, std::size_t n) { s.Append(p, n); }
  static std::size_t Find(const String& s, const Char* p, std::size_t n) {
    return s.Index(p, n, 0, RWCaseCompare::kExact);
  }
  static int Compare(const String& a, const String& b) { return a.Compare(b); }
  static std::uint32_t Hash(const String& s) { return s.Hash(); }
};
struct RWW {
  using String = RWWString;
  using Char = char16_t;
  static String Make(const std::u16string& s) { return RWWString(s.data(), s.size()); }
  static void Append(String& s, const Char* p, std::size_t n) { s.Append(p, n); }
  static std::size_t Find(const String& s, const Char* p, std::size_t n) {
    return s.Index(p, n, 0, RWCaseCompare::kExact);
  }
  static int Compare(const String& a, const String& b) { return a.Compare(b); }
  static std::uint32_t Hash(const String& s) { return s.Hash(); }
};
template <typename Char>
struct Std {
  using String = std::basic_string<Char>;
  static String Make(const String& s) { return s; }
  static void Append(String& s, const Char* p, std::size_t n) { s.append(p, n); }
  static std::size_t Find(const String& s, const Char* p, std::size_t n) { return s.find(p, 0, n); }
  static int Compare(const String& a, const String& b) { return a.compare(b); }
  static std::size_t Hash(const String& s) { return std::hash<String>()(s); }
};
using StdC = Std<char>;
using StdW = Std<char16_t>;

template <typename S>
using CharOf =
    std::conditional_t<std::is_same_v<S, RWW> || std::is_same_v<S, StdW>, char16_t, char>;

template <typename S>
void BM_Copy(benchmark::State& state) {
  const auto source = S::Make(Sample<CharOf<S>>(state.range(0)));
  for (auto _ : state) {
    auto copy = source;
    benchmark::DoNotOptimize(copy);
  }
}

// Builds a string of n characters from pieces of 8.
template <typename S>
void BM_Append(benchmark::State& state) {
  const auto piece = Sample<CharOf<S>>(8);
  const auto n = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    typename S::String built;
    for (std::size_t length = 0; length < n; length += 8) {
      S::Append(built, piece.data(), piece.size());
    }
    benchmark::DoNotOptimize(built);
  }
}

template <typename S>
void BM_Find(benchmark::State& state) {
  const auto text = S::Make(Sample<CharOf<S>>(state.range(0)));
  const auto pattern = Sample<CharOf<S>>(4);
  for (auto _ : state) {
    benchmark::DoNotOptimize(S::Find(text, pattern.data(), pattern.size()));
  }
}

// Two equal texts in different blocks: the whole length is compared.
template <typename S>
void BM_Compare(benchmark::State& state) {
  const auto a = S::Make(Sample<CharOf<S>>(state.range(0)));
  const auto b = S::Make(Sample<CharOf<S>>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(S::Compare(a, b));
  }
}

template <typename S>
void BM_Hash(benchmark::State& state) {
  const auto text = S::Make(Sample<CharOf<S>>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(S::Hash(text));
  }
}

#define VEL_STRING_BENCHMARKS(S)                        \
  BENCHMARK_TEMPLATE(BM_Copy, S)->Arg(8)->Arg(1000);    \
  BENCHMARK_TEMPLATE(BM_Append, S)->Arg(8)->Arg(1000);  \
  BENCHMARK_TEMPLATE(BM_Find, S)->Arg(8)->Arg(1000);    \
  BENCHMARK_TEMPLATE(BM_Compare, S)->Arg(8)->Arg(1000); \
  BENCHMARK_TEMPLATE(BM_Hash, S)->Arg(8)->Arg(1000)

VEL_STRING_BENCHMARKS(RWC);
VEL_STRING_BENCHMARKS(StdC);
VEL_STRING_BENCHMARKS(RWW);
VEL_STRING_BENCHMARKS(StdW);

}  // namespace
