// The test character translator over the engine's code-page calls.
#include "tests/support/FwCharTranslator.h"

#include "platform/engine/winddi.h"

namespace vel::test {

std::uint32_t CodePageForCharSet(std::uint32_t char_set) {
  switch (char_set) {
    case 4: return 1252;
    case 5: return 1250;
    case 6: return 1254;
    case 7: return 1253;
    case 8: return 1255;
    case 9: return 1256;
    case 12: return 1257;
    case 14: return 1251;
    case 15: return 874;
    case 17: return 932;
    case 18:
    case 19: return 936;
    case 20:
    case 21: return 949;
    case 22: return 1361;
    case 23: return 950;
    default: return 0;
  }
}

char16_t TestCharTranslator::ToWide(std::uint16_t code, std::uint32_t char_set) {
  char bytes[2];
  INT count = 1;
  if (code > 0xFF) {
    bytes[0] = static_cast<char>(code >> 8);
    bytes[1] = static_cast<char>(code & 0xFF);
    count = 2;
  } else {
    bytes[0] = static_cast<char>(code);
  }
  WCHAR wide[1] = {0};
  INT written = EngMultiByteToWideChar(CodePageForCharSet(char_set), wide, sizeof(wide), bytes,
                                       count);
  return written == 2 ? static_cast<char16_t>(wide[0]) : u'\0';
}

std::uint16_t TestCharTranslator::ToMultiByte(char16_t character, std::uint32_t char_set) {
  WCHAR wide[1] = {static_cast<WCHAR>(character)};
  char bytes[2] = {0, 0};
  INT written =
      EngWideCharToMultiByte(CodePageForCharSet(char_set), wide, sizeof(wide), bytes, 2);
  if (written == 1) {
    return static_cast<std::uint8_t>(bytes[0]);
  }
  if (written == 2) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[0]) << 8 |
                                      static_cast<std::uint8_t>(bytes[1]));
  }
  return 0;
}

}  // namespace vel::test
