// A decoder of PCL XL byte streams (binary little-endian binding) for tests: it turns bytes into
// typed values, attribute ids, operators and embedded data, so that tests can compare what a
// writer produced with what the format says, independently of the writer's own tables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/ByteMatch.h"

namespace vel::test {

enum class XlItemKind {
  kValue,      // a typed value, pair, box or array
  kAttribute,  // F8 and an attribute id
  kOperator,   // an operator byte
  kData,       // embedded data (after FA or FB), or the raw data of a vendor operator
};

struct XlItem {
  XlItemKind kind;
  // kValue: the data type tag (C0-C5, C8-CD, D0-D5, E0-E5); kAttribute: the id; kOperator: the
  // code; kData: FA or FB, or 0 for the raw data that follows a vendor operator (0x46) whose
  // attribute list carries a data length (0x92).
  std::uint8_t code = 0;
  std::vector<double> values;  // kValue: the numbers in order (an array's count is not included)
  Bytes data;                  // kData: the bytes
  std::size_t offset = 0;      // where the item starts in the decoded bytes
};

struct XlDecoded {
  std::string header;  // the stream header line without its line feed, when the bytes open with one
  std::vector<XlItem> items;
  std::string error;             // empty when every byte was decoded
  std::size_t error_offset = 0;  // where the item that failed starts
};

// Decodes a whole stream. A stream that opens with a binding selector (the bytes ' ( or )) is
// taken to start with a header line ending in a line feed.
XlDecoded DecodePclXl(const Bytes& bytes);

// Name of a data type tag: "ubyte", "sint16_xy", "real32_array", "uint32_box", ...
std::string XlTypeName(std::uint8_t tag);

// The items as one line of tokens: a value as its type name, an attribute as "@" and two hex
// digits, an operator as "op" and two hex digits, data as "data" and its length in brackets:
//   "sint16_box @42 sint16_xy @4F ubyte @41 op91 data[8]"
std::string XlSignature(const std::vector<XlItem>& items);

// The numbers of all value items, in order.
std::vector<double> XlValues(const std::vector<XlItem>& items);

}  // namespace vel::test
