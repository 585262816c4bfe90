// Byte-sequence comparison for tests.
#include "tests/support/ByteMatch.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace vel::test {

Bytes HexBytes(std::string_view text) {
  Bytes bytes;
  std::size_t i = 0;
  auto hex_value = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  while (i < text.size()) {
    char c = text[i];
    if (c == '#' || (c == '/' && i + 1 < text.size() && text[i + 1] == '/')) {
      while (i < text.size() && text[i] != '\n') ++i;
      continue;
    }
    if (std::isspace(static_cast<unsigned char>(c)) || c == ',') {
      ++i;
      continue;
    }
    int high = hex_value(c);
    int low = i + 1 < text.size() ? hex_value(text[i + 1]) : -1;
    if (high < 0 || low < 0) {
      throw std::invalid_argument("HexBytes: not a hex byte at offset " + std::to_string(i));
    }
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    i += 2;
  }
  return bytes;
}

Bytes AsBytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

namespace {

std::string DumpRange(const Bytes& bytes, std::size_t from, std::size_t to) {
  std::string out;
  char cell[16];
  for (std::size_t line = from - from % 16; line < to && line < bytes.size(); line += 16) {
    std::snprintf(cell, sizeof cell, "%08zx ", line);
    out += cell;
    for (std::size_t i = line; i < line + 16; ++i) {
      if (i < bytes.size()) {
        std::snprintf(cell, sizeof cell, " %02x", bytes[i]);
        out += cell;
      } else {
        out += "   ";
      }
    }
    out += "  |";
    for (std::size_t i = line; i < line + 16 && i < bytes.size(); ++i) {
      out += std::isprint(bytes[i]) ? static_cast<char>(bytes[i]) : '.';
    }
    out += "|\n";
  }
  return out;
}

}  // namespace

std::string HexDump(const Bytes& bytes) {
  return DumpRange(bytes, 0, bytes.size());
}

::testing::AssertionResult BytesEqual(const Bytes& expected, const Bytes& actual) {
  if (expected == actual) {
    return ::testing::AssertionSuccess();
  }
  std::size_t first = 0;
  while (first < expected.size() && first < actual.size() && expected[first] == actual[first]) {
    ++first;
  }
  const std::size_t from = first > 32 ? first - 32 : 0;
  const std::size_t to = first + 48;
  return ::testing::AssertionFailure()
         << "bytes differ at offset " << first << " (0x" << std::hex << first << std::dec
         << "); expected " << expected.size() << " bytes, actual " << actual.size()
         << "\nexpected:\n"
         << DumpRange(expected, from, to) << "actual:\n"
         << DumpRange(actual, from, to);
}

}  // namespace vel::test
