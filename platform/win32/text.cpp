// Stand-in Win32 text services. Pure computations: they keep no state but the last error, and
// neither log nor take failure switches, as none of them can fail on the platform but by their
// arguments.
#include "platform/win32/text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "platform/WideText.h"

namespace {

thread_local DWORD last_error = 0;

// Unicode values of the bytes 0x80..0x9F of code page 1252; the five bytes that 1252 leaves
// undefined map to the C1 control of the same value, as the platform maps them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

char16_t AnsiToWide(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) {
    return kCp1252High[byte - 0x80];
  }
  return byte;
}

// The 1252 byte of a character, or -1 when the code page has none.
int WideToAnsi(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    return c;
  }
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == c) {
      return 0x80 + i;
    }
  }
  return -1;
}

bool IsAnsiCodePage(UINT code_page) {
  return code_page == CP_ACP || code_page == CP_THREAD_ACP || code_page == 1252;
}

// Upper case of the letters of code page 1252, for the comparisons of lstrcmpi.
char16_t UpperCase(char16_t c) {
  if (c >= u'a' && c <= u'z') {
    return static_cast<char16_t>(c - 0x20);
  }
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
    return static_cast<char16_t>(c - 0x20);
  }
  if (c == 0xFF) {
    return 0x178;
  }
  if (c == 0x161 || c == 0x153 || c == 0x17E) {  // the 1252 letters with capitals
    return static_cast<char16_t>(c - 1);
  }
  return c;
}

int CompareFolded(const char16_t* left, const char16_t* right) {
  if (left == nullptr || right == nullptr) {
    return left == right ? 0 : (left == nullptr ? -1 : 1);
  }
  for (;; ++left, ++right) {
    const char16_t a = UpperCase(*left);
    const char16_t b = UpperCase(*right);
    if (a != b) {
      return a < b ? -1 : 1;
    }
    if (a == 0) {
      return 0;
    }
  }
}

// Output of the formatted print: keeps at most capacity - 1 characters.
class Output {
 public:
  Output(LPWSTR buffer, int capacity) : buffer_(buffer), capacity_(capacity) {}
  void Put(char16_t c) {
    if (length_ + 1 < capacity_) {
      buffer_[length_++] = c;
    }
  }
  void Pad(int count, char16_t c) {
    for (int i = 0; i < count; ++i) {
      Put(c);
    }
  }
  int Finish() {
    if (capacity_ > 0) {
      buffer_[length_] = 0;
    }
    return length_;
  }

 private:
  LPWSTR buffer_;
  int capacity_;
  int length_ = 0;
};

void PutField(Output& out, std::u16string_view text, int width, bool left, char16_t pad) {
  const int fill =
      width > static_cast<int>(text.size()) ? width - static_cast<int>(text.size()) : 0;
  if (!left) {
    // Zero padding goes after a sign.
    if (pad == u'0' && !text.empty() && text[0] == u'-') {
      out.Put(u'-');
      text.remove_prefix(1);
    }
    out.Pad(fill, pad);
  }
  for (char16_t c : text) {
    out.Put(c);
  }
  if (left) {
    out.Pad(fill, u' ');
  }
}

std::u16string Digits(std::uint32_t value, unsigned base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string text;
  do {
    text.insert(text.begin(), static_cast<char16_t>(digits[value % base]));
    value /= base;
  } while (value != 0);
  return text;
}

}  // namespace

void SetLastError(DWORD error) {
  last_error = error;
}

DWORD GetLastError() {
  return last_error;
}

int lstrlenW(LPCWSTR text) {
  if (text == nullptr) {
    return 0;
  }
  int length = 0;
  while (text[length] != 0) {
    ++length;
  }
  return length;
}

LPWSTR lstrcpynW(LPWSTR destination, LPCWSTR source, int max_count) {
  if (destination == nullptr || max_count <= 0) {
    return destination;
  }
  int i = 0;
  if (source != nullptr) {
    for (; i < max_count - 1 && source[i] != 0; ++i) {
      destination[i] = source[i];
    }
  }
  destination[i] = 0;
  return destination;
}

int lstrcmpiW(LPCWSTR left, LPCWSTR right) {
  return CompareFolded(left, right);
}

int lstrcmpiA(LPCSTR left, LPCSTR right) {
  if (left == nullptr || right == nullptr) {
    return left == right ? 0 : (left == nullptr ? -1 : 1);
  }
  const std::u16string a = vel::platform::WidenAnsi(left);
  const std::u16string b = vel::platform::WidenAnsi(right);
  return CompareFolded(a.c_str(), b.c_str());
}

int wvnsprintfW(LPWSTR buffer, int count, LPCWSTR format, va_list arguments) {
  if (buffer == nullptr || count <= 0) {
    return -1;
  }
  Output out(buffer, count);
  if (format == nullptr) {
    return out.Finish();
  }
  for (const char16_t* p = format; *p != 0; ++p) {
    if (*p != u'%') {
      out.Put(*p);
      continue;
    }
    ++p;
    bool left = false;
    char16_t pad = u' ';
    for (;; ++p) {
      if (*p == u'-') {
        left = true;
      } else if (*p == u'0') {
        pad = u'0';
      } else {
        break;
      }
    }
    int width = 0;
    while (*p >= u'0' && *p <= u'9') {
      width = std::min(width * 10 + (*p - u'0'), 1024);
      ++p;
    }
    bool narrow = false;
    if (*p == u'l') {
      ++p;
    } else if (*p == u'h') {
      narrow = true;
      ++p;
    }
    switch (*p) {
      case 0:
        return out.Finish();
      case u'%':
        out.Put(u'%');
        break;
      case u'c': {
        const char16_t c = static_cast<char16_t>(va_arg(arguments, int));
        PutField(out, std::u16string_view(&c, 1), width, left, u' ');
        break;
      }
      case u's': {
        std::u16string text;
        if (narrow) {
          const char* s = va_arg(arguments, const char*);
          text = vel::platform::WidenAnsi(s != nullptr ? s : "(null)");
        } else {
          const char16_t* s = va_arg(arguments, const char16_t*);
          text = s != nullptr ? s : u"(null)";
        }
        PutField(out, text, width, left, u' ');
        break;
      }
      case u'd':
      case u'i': {
        const std::int32_t value = va_arg(arguments, std::int32_t);
        const std::uint32_t magnitude =
            value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
        std::u16string text = Digits(magnitude, 10, false);
        if (value < 0) {
          text.insert(text.begin(), u'-');
        }
        PutField(out, text, width, left, left ? u' ' : pad);
        break;
      }
      case u'u':
      case u'x':
      case u'X': {
        const std::uint32_t value = va_arg(arguments, std::uint32_t);
        PutField(out, Digits(value, *p == u'u' ? 10 : 16, *p == u'X'), width, left,
                 left ? u' ' : pad);
        break;
      }
      default:
        // An unknown conversion is copied as it stands.
        out.Put(*p);
        break;
    }
  }
  return out.Finish();
}

int wnsprintfW(LPWSTR buffer, int count, LPCWSTR format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int result = wvnsprintfW(buffer, count, format, arguments);
  va_end(arguments);
  return result;
}

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int result = wvnsprintfW(buffer, 1024, format, arguments);
  va_end(arguments);
  return result;
}

int MultiByteToWideChar(UINT code_page,
                        DWORD,
                        LPCSTR source,
                        int source_bytes,
                        LPWSTR destination,
                        int destination_count) {
  if (!IsAnsiCodePage(code_page) || source == nullptr || source_bytes < -1 ||
      destination_count < 0 || (destination_count > 0 && destination == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t length =
      source_bytes == -1 ? std::strlen(source) + 1 : static_cast<std::size_t>(source_bytes);
  if (length == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (destination_count == 0) {
    return static_cast<int>(length);
  }
  if (length > static_cast<std::size_t>(destination_count)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (std::size_t i = 0; i < length; ++i) {
    destination[i] = AnsiToWide(static_cast<unsigned char>(source[i]));
  }
  return static_cast<int>(length);
}

int WideCharToMultiByte(UINT code_page,
                        DWORD,
                        LPCWSTR source,
                        int source_count,
                        LPSTR destination,
                        int destination_bytes,
                        LPCSTR default_char,
                        BOOL* used_default_char) {
  if (!IsAnsiCodePage(code_page) || source == nullptr || source_count < -1 ||
      destination_bytes < 0 || (destination_bytes > 0 && destination == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t length = source_count == -1 ? static_cast<std::size_t>(lstrlenW(source)) + 1
                                                : static_cast<std::size_t>(source_count);
  if (length == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (destination_bytes != 0 && length > static_cast<std::size_t>(destination_bytes)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  bool used = false;
  const char replacement = default_char != nullptr ? *default_char : '?';
  for (std::size_t i = 0; i < length; ++i) {
    int byte = WideToAnsi(source[i]);
    if (byte < 0) {
      used = true;
      byte = static_cast<unsigned char>(replacement);
    }
    if (destination_bytes != 0) {
      destination[i] = static_cast<char>(byte);
    }
  }
  if (used_default_char != nullptr) {
    *used_default_char = used ? TRUE : FALSE;
  }
  return static_cast<int>(length);
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) {
    return -1;
  }
  const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
  const std::int64_t divisor = denominator;
  const bool negative = (product < 0) != (divisor < 0);
  const std::uint64_t p =
      product < 0 ? 0 - static_cast<std::uint64_t>(product) : static_cast<std::uint64_t>(product);
  const std::uint64_t d =
      divisor < 0 ? static_cast<std::uint64_t>(-divisor) : static_cast<std::uint64_t>(divisor);
  const std::uint64_t magnitude = (p + d / 2) / d;
  const std::uint64_t limit = negative
                                  ? std::uint64_t{1} << 31
                                  : static_cast<std::uint64_t>(std::numeric_limits<int>::max());
  if (magnitude > limit) {
    return -1;
  }
  return negative ? static_cast<int>(0 - static_cast<std::int64_t>(magnitude))
                  : static_cast<int>(magnitude);
}

namespace vel::platform {

std::u16string WidenAnsi(std::string_view text) {
  std::u16string wide;
  wide.reserve(text.size());
  for (char c : text) {
    wide.push_back(AnsiToWide(static_cast<unsigned char>(c)));
  }
  return wide;
}

std::string NarrowAnsi(std::u16string_view text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (char16_t c : text) {
    const int byte = WideToAnsi(c);
    narrow.push_back(byte < 0 ? '?' : static_cast<char>(byte));
  }
  return narrow;
}

std::string LogText(LPCWSTR text) {
  return text == nullptr ? "(null)" : ToUtf8(text);
}

}  // namespace vel::platform
