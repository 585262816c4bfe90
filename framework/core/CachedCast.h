// dynamic_cast with the answer kept per thread: for each dynamic type met (and the subobject the
// pointer names) the cast's adjustment, or that it fails, is remembered, so that casting the many
// objects of a few classes that a restore makes costs a look-up instead of a walk of each class
// tree. The answers are those of dynamic_cast<To*>(object).
//
// The key is the type's type_info object and the pointer's distance from the whole object: both
// hold for every object of one type for as long as the code that defines the type stays loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <typeinfo>

namespace vel {

template <typename To, typename From>
To* CachedCast(From* object) {
  if (object == nullptr) {
    return nullptr;
  }
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
  static constexpr unsigned kSetBits = 5;
  thread_local Entry entries[(std::size_t{1} << kSetBits) * 2];

  const std::type_info* type = &typeid(*object);
  const auto whole = reinterpret_cast<std::uintptr_t>(dynamic_cast<const volatile void*>(object));
  const auto at = reinterpret_cast<std::uintptr_t>(object);
  const auto from_top = static_cast<std::ptrdiff_t>(at - whole);
  const std::uint64_t key = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(type)) ^
                            static_cast<std::uint64_t>(from_top);
  Entry* const set = entries + ((key * 0x9E3779B97F4A7C15u) >> (64 - kSetBits)) * 2;
  for (int way = 0; way < 2; ++way) {
    const Entry& entry = set[way];
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
  Entry& entry = set[0];
  entry.type = type;
  entry.from_top = from_top;
  entry.casts = cast != nullptr;
  entry.adjustment =
      cast != nullptr ? static_cast<std::ptrdiff_t>(reinterpret_cast<std::uintptr_t>(cast) - at) : 0;
  return cast;
}

}  // namespace vel
