// dynamic_cast with the answer kept per thread: for each dynamic type met (and the subobject the
// pointer names) the cast's adjustment, or that it fails, is remembered, so that casting the many
// objects of a few classes that a restore makes costs a look-up instead of a walk of each class
// tree. The answers are those of dynamic_cast<To*>(object).
//
// The key is the type's type_info object and the pointer's distance from the whole object: both
// hold for every object of one type for as long as the code that defines the type stays loaded.
// Once a library is unloaded, a type loaded later may be given the address of a type_info that went
// with it, so whoever unloads code calls ForgetCachedCasts: every thread drops its kept answers
// before its next cast.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <typeinfo>

namespace vel {

// Drops the kept answers of every thread (each thread clears its own at its next cast). Safe from
// any thread, at any time.
void ForgetCachedCasts();

namespace cached_cast {

struct Entry {
  const std::type_info* type = nullptr;
  std::ptrdiff_t from_top = 0;
  std::ptrdiff_t adjustment = 0;
  bool casts = false;
};

// 32 sets of two entries. The set is taken from the high bits of a multiplicative hash, so that
// type_info objects laid out at any distance from one another spread over the sets; two types
// that meet in one set both stay (a restore alternates between a few types: an object and the
// objects it holds).
inline constexpr unsigned kSetBits = 5;
inline constexpr std::size_t kEntries = (std::size_t{1} << kSetBits) * 2;

// One thread's answers for one pair of types, with the generation they were kept under.
struct Table {
  std::uint64_t generation = 0;
  Entry entries[kEntries];
};

// Bumped by ForgetCachedCasts. A table kept under another generation is cleared before it is used.
// A relaxed load is enough: an object of a type loaded after an unload reaches a thread only through
// some synchronisation that follows the unload's bump, and so does its later reading of this value.
extern std::atomic<std::uint64_t> generation;

// The calling thread's table for casts from From to To (tests reach it to plant entries).
template <typename To, typename From>
Table& ThreadTable() {
  thread_local Table table;
  return table;
}

inline Entry* SetFor(Entry* entries, const std::type_info* type, std::ptrdiff_t from_top) {
  const std::uint64_t key = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(type)) ^
                            static_cast<std::uint64_t>(from_top);
  return entries + ((key * 0x9E3779B97F4A7C15u) >> (64 - kSetBits)) * 2;
}

}  // namespace cached_cast

template <typename To, typename From>
To* CachedCast(From* object) {
  if (object == nullptr) {
    return nullptr;
  }
  cached_cast::Table& table = cached_cast::ThreadTable<To, From>();
  const std::uint64_t now = cached_cast::generation.load(std::memory_order_relaxed);
  if (table.generation != now) {
    for (cached_cast::Entry& stale : table.entries) {
      stale = cached_cast::Entry{};
    }
    table.generation = now;
  }

  const std::type_info* type = &typeid(*object);
  const auto whole = reinterpret_cast<std::uintptr_t>(dynamic_cast<const volatile void*>(object));
  const auto at = reinterpret_cast<std::uintptr_t>(object);
  const auto from_top = static_cast<std::ptrdiff_t>(at - whole);
  cached_cast::Entry* const set = cached_cast::SetFor(table.entries, type, from_top);
  for (int way = 0; way < 2; ++way) {
    const cached_cast::Entry& entry = set[way];
    if (entry.type == type && entry.from_top == from_top) {
      if (!entry.casts) {
        return nullptr;
      }
      return reinterpret_cast<To*>(at + static_cast<std::uintptr_t>(entry.adjustment));
    }
  }
  To* cast = dynamic_cast<To*>(object);
  // The newest answer goes first; the one it displaces takes the second place.
  set[1] = set[0];
  cached_cast::Entry& entry = set[0];
  entry.type = type;
  entry.from_top = from_top;
  entry.casts = cast != nullptr;
  entry.adjustment =
      cast != nullptr ? static_cast<std::ptrdiff_t>(reinterpret_cast<std::uintptr_t>(cast) - at) : 0;
  return cast;
}

}  // namespace vel
