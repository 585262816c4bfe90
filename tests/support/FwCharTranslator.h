// A character translator for tests: the render module's code-page translator over the stand-in
// engine's two code-page calls, with the framework's character-set numbers mapped to code pages.
#pragma once

#include <cstdint>

#include "framework/core/GCharTranslator.h"

namespace vel::test {

// The code page of a framework character-set number; 0 (the engine's ANSI code page) for a set
// that has none of its own.
std::uint32_t CodePageForCharSet(std::uint32_t char_set);

class TestCharTranslator : public GCharTranslator {
 public:
  // A code above 0xFF converts as the two bytes code >> 8 (lead) and code & 0xFF (trail). 0 when
  // the engine converts nothing.
  char16_t ToWide(std::uint16_t code, std::uint32_t char_set) override;
  // One byte, or lead * 256 + trail for a two-byte result; 0 for any other result.
  std::uint16_t ToMultiByte(char16_t character, std::uint32_t char_set) override;
};

}  // namespace vel::test
