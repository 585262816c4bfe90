// The growth rule of the library's buffers: how large a full buffer becomes.
#pragma once

#include <cstdint>

// The size a full buffer of `old_size` grows to, for buffers whose elements take `factor` bytes
// (or a factor chosen by the caller): 16 below 16; double the old size while factor x old size
// stays within 0x7FFFFFFF; then 0xFFFFFFFF / (2 x factor) + old size / 2 while factor x old size
// stays below 0xFFFFFFFD. Sizes are computed in 64 bits. When no size larger than the old one
// (and within 32 bits) follows, the rule raises [OVFLOW] ("Buffer may not resize larger than",
// limit 0xFFFFFFFF) and returns 0: callers treat 0 as failure and keep their buffer.
[[nodiscard]] std::uint32_t NextBufferSize(std::uint32_t old_size, std::uint32_t factor);
