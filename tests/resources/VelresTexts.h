// Every text of velres that the driver's description quotes, with its string id, as the user
// interface must show it.
#pragma once

#include <cstdint>
#include <vector>

namespace vel::test {

struct QuotedText {
  std::uint16_t id;
  const char16_t* text;
};

const std::vector<QuotedText>& QuotedTexts();

}  // namespace vel::test
