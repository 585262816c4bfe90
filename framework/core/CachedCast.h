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
  static constexpr std::size_t kEntries = 64;
  thread_local Entry entries[kEntries];

  const std::type_info* type = &typeid(*object);
  const auto whole = reinterpret_cast<std::uintptr_t>(dynamic_cast<const volatile void*>(object));
  const auto at = reinterpret_cast<std::uintptr_t>(object);
  const auto from_top = static_cast<std::ptrdiff_t>(at - whole);
  const auto slot = (reinterpret_cast<std::uintptr_t>(type) >> 4) ^
                    static_cast<std::uintptr_t>(from_top);
  Entry& entry = entries[slot % kEntries];
  if (entry.type == type && entry.from_top == from_top) {
    if (!entry.casts) {
      return nullptr;
    }
    return reinterpret_cast<To*>(at + static_cast<std::uintptr_t>(entry.adjustment));
  }
  To* cast = dynamic_cast<To*>(object);
  entry.type = type;
  entry.from_top = from_top;
  entry.casts = cast != nullptr;
  entry.adjustment =
      cast != nullptr ? static_cast<std::ptrdiff_t>(reinterpret_cast<std::uintptr_t>(cast) - at) : 0;
  return cast;
}

}  // namespace vel
