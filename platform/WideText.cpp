// UTF-16 / UTF-8 conversion and case-insensitive name comparison for the stand-in platform.
#include "platform/WideText.h"

namespace vel::platform {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char16_t UpperAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? c - u'a' + u'A' : c; }

}  // namespace

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    auto byte = static_cast<unsigned char>(text[i]);
    int extra = byte < 0x80 ? 0 : (byte & 0xE0) == 0xC0 ? 1 : (byte & 0xF0) == 0xE0 ? 2
                : (byte & 0xF8) == 0xF0 ? 3 : -1;
    char32_t c = extra == 0 ? byte : extra == 1 ? (byte & 0x1F) : extra == 2 ? (byte & 0x0F)
                                                                             : (byte & 0x07);
    bool ok = extra >= 0 && i + extra < text.size();
    if (ok) {
      for (int k = 1; k <= extra; ++k) {
        auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
          ok = false;
          break;
        }
        c = (c << 6) | (next & 0x3F);
      }
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are malformed too.
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || c < kMinimum[extra < 0 ? 0 : extra] || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += extra + 1;
  }
  return out;
}

std::size_t WideLength(const char16_t* text) {
  if (text == nullptr) {
    return 0;
  }
  std::size_t n = 0;
  while (text[n] != 0) {
    ++n;
  }
  return n;
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) {
      return false;
    }
  }
  return true;
}

std::u16string FoldCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    c = UpperAscii(c);
  }
  return out;
}

}  // namespace vel::platform
