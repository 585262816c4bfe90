// Basic constants of the foundation library.
#pragma once

#include <cstddef>
#include <cstdint>

// The no-position answer of searches; used as an index it is an error ([NPOSINDEX]).
inline constexpr std::size_t RW_NPOS = 0xFFFFFFFFu;

// The library's version number.
inline constexpr std::uint32_t RW_LIBRARY_VERSION = 0x700;

// Class ids are unsigned 16-bit numbers.
using RWClassID = std::uint16_t;
