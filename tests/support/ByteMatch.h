// Byte-sequence comparison with a hex diff, and annotated hex arrays for golden data.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace vel::test {

using Bytes = std::vector<std::uint8_t>;

// Parses hex bytes written for people: "02 00 00 00  61 62". Whitespace separates bytes; anything
// from '#' or "//" to the end of a line is a comment, so golden arrays can carry their annotations.
Bytes HexBytes(std::string_view text);

// Bytes of a string's characters, without a terminator.
Bytes AsBytes(std::string_view text);

// A hex dump, 16 bytes a line, with offsets.
std::string HexDump(const Bytes& bytes);

// Success when both are equal; otherwise the first differing offset, both lengths and a hex dump
// of both around it.
::testing::AssertionResult BytesEqual(const Bytes& expected, const Bytes& actual);

}  // namespace vel::test
