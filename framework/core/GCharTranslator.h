// GCharTranslator: the process's code-page translator between 8-bit (or double-byte) character
// codes and 16-bit characters, made once through the services. The render module supplies it;
// the UI module has none, so there the getter answers null.
#pragma once

#include <cstdint>

class GCharTranslator {
 public:
  virtual ~GCharTranslator() = default;
  // A code above 0xFF stands for the two bytes lead = code >> 8, trail = code & 0xFF. The second
  // argument is the caller's character-set number, which a translator may ignore.
  virtual char16_t ToWide(std::uint16_t code, std::uint32_t char_set) = 0;
  // The byte, or lead byte * 256 + trail byte.
  virtual std::uint16_t ToMultiByte(char16_t character, std::uint32_t char_set) = 0;
};

// The process-wide translator, made on the first call through the services'
// CreateCharacterTranslator under the getter's lock; null when the services make none. Lock
// failures report (2, 301) and (2, 302).
GCharTranslator* GetCodePageTranslator();

namespace vel {
// Deletes the translator and the getter's lock (module unload, and between tests).
void ReleaseCodePageTranslator();
}  // namespace vel
