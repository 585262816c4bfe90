// Portable stream reader and writer: numbers in the classic decimal form, characters escaped into
// the printable range.
#include "rw/RWPortableStream.h"

#include <array>
#include <charconv>
#include <cstring>
#include <istream>
#include <limits>
#include <ostream>
#include <streambuf>
#include <system_error>
#include <type_traits>

#include "rw/RWByteCodec.h"
#include "rw/RWError.h"
#include "rw/RWMessage.h"

namespace {

constexpr int kEndOfData = std::char_traits<char>::eof();
// Column after which the writer breaks the line before the next character unit.
constexpr std::int32_t kLineWidth = 80;
// Longest real number text a reader takes (the writer's longest is 24 characters).
constexpr std::size_t kMaxRealText = 128;

struct Escape {
  char text[4];
  std::uint8_t length;
};

constexpr char kHexDigits[] = "0123456789abcdef";

// Bytes written as a backslash and a letter, and that letter.
constexpr char kNamedEscapes[][2] = {{'\x08', 'b'}, {'\x09', 't'}, {'\x0A', 'n'},
                                     {'\x0C', 'f'}, {'\x0D', 'r'}, {'"', '"'},
                                     {'\\', '\\'},  {'{', '['},    {'}', ']'}};

constexpr std::array<Escape, 256> MakeEscapes() {
  std::array<Escape, 256> table{};
  for (int byte = 0; byte < 256; ++byte) {
    if (byte >= 0x21 && byte <= 0x7E) {
      table[byte] = {{static_cast<char>(byte), 0, 0, 0}, 1};
    } else {
      table[byte] = {{'\\', 'x', kHexDigits[byte >> 4], kHexDigits[byte & 0xF]}, 4};
    }
  }
  for (const auto& named : kNamedEscapes) {
    table[static_cast<unsigned char>(named[0])] = {{'\\', named[1], 0, 0}, 2};
  }
  return table;
}

constexpr std::array<Escape, 256> kEscapes = MakeEscapes();

// The quote that opens and closes a string, padded to a unit's four characters.
constexpr char kQuoteUnit[4] = {'"', 0, 0, 0};

bool IsWhiteSpace(int c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(int c) {
  return c >= '0' && c <= '9';
}

bool IsLetter(int c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int HexValue(int c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// The integer type a value of T is written as: longs carry 32 bits, bytes their numeric form.
template <typename T>
using WrittenInteger =
    std::conditional_t<std::is_same_v<T, char> || std::is_same_v<T, signed char>,
                       int,
                       std::conditional_t<std::is_same_v<T, unsigned char>,
                                          unsigned int,
                                          std::conditional_t<std::is_signed_v<T>,
                                                             std::make_signed_t<vel::StoredBits<T>>,
                                                             vel::StoredBits<T>>>>;

// Numbers and their 0A into `out` (at least 32 bytes); answers the length.
template <typename T>
std::size_t FormatNumber(T value, char* out) {
  std::to_chars_result result;
  if constexpr (std::is_floating_point_v<T>) {
    result =
        std::to_chars(out, out + 31, static_cast<double>(value), std::chars_format::scientific, 16);
  } else if constexpr (std::is_same_v<T, char>) {
    result = std::to_chars(out, out + 31, static_cast<int>(static_cast<signed char>(value)));
  } else {
    result = std::to_chars(out, out + 31, static_cast<WrittenInteger<T>>(value));
  }
  *result.ptr = '\n';
  return static_cast<std::size_t>(result.ptr - out) + 1;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Writer

// Text gathered on the stack and handed to the buffer in pieces, so a value costs no call into
// the buffer of its own.
class RWPortableOutStream::Text {
 public:
  explicit Text(RWPortableOutStream& stream) : stream_(stream) {}
  ~Text() { Hand(); }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;

  // Room for `count` more characters.
  char* Reserve(std::size_t count) {
    if (size_ + count > sizeof text_) {
      Hand();
    }
    return text_ + size_;
  }
  void Commit(std::size_t count) { size_ += count; }

  // One unit of a character or string operation (1, 2 or 4 characters), after the line break
  // that the column counter asks for.
  void Unit(const char* unit, std::uint8_t length) {
    char* out = Reserve(1 + 4);
    stream_.column_ += length;
    if (stream_.column_ > kLineWidth) {
      *out++ = '\n';
      ++size_;
      stream_.column_ = length;
    }
    std::memcpy(out, unit, 4);
    size_ += length;
  }
  void Escaped(unsigned char byte) { Unit(kEscapes[byte].text, kEscapes[byte].length); }
  void Quote() { Unit(kQuoteUnit, 1); }

  void Hand() {
    if (size_ > 0) {
      stream_.WriteText(text_, size_);
      size_ = 0;
    }
  }

 private:
  RWPortableOutStream& stream_;
  std::size_t size_ = 0;
  char text_[1024];
};

RWPortableOutStream::RWPortableOutStream(std::ostream& stream)
    : RWPortableOutStream(stream.rdbuf()) {}

RWPortableOutStream::RWPortableOutStream(std::streambuf* buffer) : buffer_(buffer) {
  if (buffer_ == nullptr) {
    AddStatus(kRWStreamBad);
  }
}

void RWPortableOutStream::WriteText(const char* text, std::size_t count) {
  if (buffer_ == nullptr || buffer_->sputn(text, static_cast<std::streamsize>(count)) !=
                                static_cast<std::streamsize>(count)) {
    AddStatus(kRWStreamFail | kRWStreamBad);
  }
}

template <typename T>
RWVirtualOutStream& RWPortableOutStream::PutNumbers(const T* values, std::size_t count) {
  Text text(*this);
  for (std::size_t i = 0; i < count; ++i) {
    text.Commit(FormatNumber(values[i], text.Reserve(32)));
  }
  return *this;
}

RWVirtualOutStream& RWPortableOutStream::PutString(const char* text, std::size_t n) {
  if (text == nullptr) {
    n = 0;
  }
  Text out(*this);
  out.Quote();
  for (std::size_t i = 0; i < n; ++i) {
    out.Escaped(static_cast<unsigned char>(text[i]));
  }
  out.Quote();
  return *this;
}

RWVirtualOutStream& RWPortableOutStream::PutString(const char* text) {
  return PutString(text, text != nullptr ? std::strlen(text) : 0);
}

RWVirtualOutStream& RWPortableOutStream::Put(unsigned short value) {
  return PutNumbers(&value, 1);
}
RWVirtualOutStream& RWPortableOutStream::Put(short value) {
  return PutNumbers(&value, 1);
}
RWVirtualOutStream& RWPortableOutStream::Put(unsigned long value) {
  return PutNumbers(&value, 1);
}
RWVirtualOutStream& RWPortableOutStream::Put(long value) {
  return PutNumbers(&value, 1);
}
RWVirtualOutStream& RWPortableOutStream::Put(unsigned int value) {
  return PutNumbers(&value, 1);
}
RWVirtualOutStream& RWPortableOutStream::Put(int value) {
  return PutNumbers(&value, 1);
}
RWVirtualOutStream& RWPortableOutStream::Put(float value) {
  return PutNumbers(&value, 1);
}
RWVirtualOutStream& RWPortableOutStream::Put(double value) {
  return PutNumbers(&value, 1);
}

RWVirtualOutStream& RWPortableOutStream::Put(unsigned char value) {
  Text(*this).Escaped(value);
  return *this;
}

RWVirtualOutStream& RWPortableOutStream::Put(char value) {
  Text(*this).Escaped(static_cast<unsigned char>(value));
  return *this;
}

RWVirtualOutStream& RWPortableOutStream::Flush() {
  if (buffer_ == nullptr || buffer_->pubsync() == -1) {
    AddStatus(kRWStreamFail | kRWStreamBad);
  }
  return *this;
}

RWVirtualOutStream& RWPortableOutStream::Put(const double* values, std::size_t count) {
  return PutNumbers(values, count);
}
RWVirtualOutStream& RWPortableOutStream::Put(const float* values, std::size_t count) {
  return PutNumbers(values, count);
}
RWVirtualOutStream& RWPortableOutStream::Put(const unsigned long* values, std::size_t count) {
  return PutNumbers(values, count);
}
RWVirtualOutStream& RWPortableOutStream::Put(const long* values, std::size_t count) {
  return PutNumbers(values, count);
}
RWVirtualOutStream& RWPortableOutStream::Put(const unsigned int* values, std::size_t count) {
  return PutNumbers(values, count);
}
RWVirtualOutStream& RWPortableOutStream::Put(const int* values, std::size_t count) {
  return PutNumbers(values, count);
}
RWVirtualOutStream& RWPortableOutStream::Put(const unsigned short* values, std::size_t count) {
  return PutNumbers(values, count);
}
RWVirtualOutStream& RWPortableOutStream::Put(const short* values, std::size_t count) {
  return PutNumbers(values, count);
}
RWVirtualOutStream& RWPortableOutStream::Put(const unsigned char* values, std::size_t count) {
  return PutNumbers(values, count);
}
RWVirtualOutStream& RWPortableOutStream::PutByte(unsigned char value) {
  return PutNumbers(&value, 1);
}
RWVirtualOutStream& RWPortableOutStream::Put(const char* values, std::size_t count) {
  return PutNumbers(values, count);
}
RWVirtualOutStream& RWPortableOutStream::PutByte(char value) {
  return PutNumbers(&value, 1);
}

// ---------------------------------------------------------------------------------------------
// Reader

RWPortableInStream::RWPortableInStream(std::istream& stream) : RWPortableInStream(stream.rdbuf()) {}

RWPortableInStream::RWPortableInStream(std::streambuf* buffer) : buffer_(buffer) {
  if (buffer_ == nullptr) {
    AddStatus(kRWStreamBad);
  }
}

inline int RWPortableInStream::Peek() {
  return buffer_->sgetc();
}

inline int RWPortableInStream::Next() {
  return buffer_->sbumpc();
}

bool RWPortableInStream::Begin() {
  if (!IsGood()) {
    AddStatus(kRWStreamFail);
    return false;
  }
  return true;
}

bool RWPortableInStream::SkipWhiteSpace() {
  for (;;) {
    const int c = Peek();
    if (c == kEndOfData) {
      AddStatus(kRWStreamEof | kRWStreamFail);
      return false;
    }
    if (!IsWhiteSpace(c)) {
      return true;
    }
    Next();
  }
}

// An optionally signed decimal integer in the range of T's written form; out of range sets fail
// and leaves the nearest limit, no digits set fail and leave 0.
template <typename T>
RWPortableInStream::Parse RWPortableInStream::ReadInteger(T& value) {
  using Limits = std::numeric_limits<T>;
  if (!Begin() || !SkipWhiteSpace()) {
    return Parse::kNothing;
  }
  bool negative = false;
  int c = Peek();
  if (c == '+' || c == '-') {
    negative = c == '-';
    Next();
  }
  // Magnitudes beyond 2^40 are out of every range here; stop accumulating there.
  constexpr std::uint64_t kSaturated = std::uint64_t{1} << 40;
  std::uint64_t magnitude = 0;
  bool any_digit = false;
  for (;;) {
    c = Peek();
    if (c == kEndOfData) {
      AddStatus(kRWStreamEof);
      break;
    }
    if (!IsDigit(c)) {
      break;
    }
    Next();
    any_digit = true;
    if (magnitude < kSaturated) {
      magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    }
  }
  if (!any_digit) {
    value = 0;
    AddStatus(kRWStreamFail);
    return Parse::kBad;
  }
  if constexpr (Limits::is_signed) {
    const auto max = static_cast<std::uint64_t>(Limits::max());
    if (magnitude > max + (negative ? 1 : 0)) {
      value = negative ? Limits::min() : Limits::max();
      AddStatus(kRWStreamFail);
      return Parse::kBad;
    }
    value = negative ? static_cast<T>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<T>(magnitude);
  } else {
    const auto max = static_cast<std::uint64_t>(Limits::max());
    if (magnitude > max) {
      value = Limits::max();
      AddStatus(kRWStreamFail);
      return Parse::kBad;
    }
    value = static_cast<T>(negative ? (0 - magnitude) & max : magnitude);
  }
  return Parse::kValue;
}

// A real in decimal or scientific form, or inf, infinity, nan; anything else (or a value out of
// the type's range) sets fail and leaves 0.
template <typename T>
RWPortableInStream::Parse RWPortableInStream::ReadReal(T& value) {
  if (!Begin() || !SkipWhiteSpace()) {
    return Parse::kNothing;
  }
  char text[kMaxRealText];
  std::size_t length = 0;
  bool too_long = false;
  bool negative = false;
  auto take = [&](int c) {
    if (length < sizeof text) {
      text[length++] = static_cast<char>(c);
    } else {
      too_long = true;
    }
    Next();
  };
  auto peek = [&] {
    const int c = Peek();
    if (c == kEndOfData) {
      AddStatus(kRWStreamEof);
    }
    return c;
  };
  auto take_digits = [&] {
    int c;
    while (IsDigit(c = peek())) {
      take(c);
    }
    return c;
  };
  int c = peek();
  if (c == '+' || c == '-') {
    negative = c == '-';
    Next();
    c = peek();
  }
  if (IsLetter(c)) {
    while (IsLetter(c)) {
      take(c);
      c = peek();
    }
  } else {
    c = take_digits();
    if (c == '.') {
      take(c);
      c = take_digits();
    }
    if (c == 'e' || c == 'E') {
      take(c);
      c = peek();
      if (c == '+' || c == '-') {
        take(c);
      }
      take_digits();
    }
  }
  T parsed{};
  const std::from_chars_result result = std::from_chars(text, text + length, parsed);
  if (too_long || length == 0 || result.ec != std::errc() || result.ptr != text + length) {
    value = 0;
    AddStatus(kRWStreamFail);
    return Parse::kBad;
  }
  value = negative ? -parsed : parsed;
  return Parse::kValue;
}

template <typename T>
RWVirtualInStream& RWPortableInStream::GetNumbers(T* values, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    Parse parse;
    if constexpr (std::is_floating_point_v<T>) {
      parse = ReadReal(values[i]);
    } else {
      WrittenInteger<T> parsed{};
      parse = ReadInteger(parsed);
      if (parse != Parse::kNothing) {
        values[i] = static_cast<T>(parsed);
      }
    }
    if (parse != Parse::kValue) {
      break;
    }
  }
  return *this;
}

// Bytes in numeric form: each a number of type Parsed, keeping its low byte.
template <typename T, typename Parsed>
RWVirtualInStream& RWPortableInStream::GetLowBytes(T* values, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    Parsed parsed{};
    const Parse parse = ReadInteger(parsed);
    if (parse != Parse::kNothing) {
      values[i] = static_cast<T>(static_cast<unsigned char>(parsed));
    }
    if (parse != Parse::kValue) {
      break;
    }
  }
  return *this;
}

int RWPortableInStream::ReadEscaped() {
  int c;
  do {
    c = Next();
  } while (c == '\n');
  if (c == kEndOfData) {
    AddStatus(kRWStreamEof | kRWStreamFail);
    return -1;
  }
  if (c != '\\') {
    return static_cast<unsigned char>(c);
  }
  const int d = Next();
  switch (d) {
    case kEndOfData:
      AddStatus(kRWStreamEof | kRWStreamFail);
      return -1;
    case '"':
      return 0x22;
    case '[':
      return 0x7B;
    case '\\':
      return 0x5C;
    case ']':
      return 0x7D;
    case 'b':
      return 0x08;
    case 'f':
      return 0x0C;
    case 'n':
      return 0x0A;
    case 'r':
      return 0x0D;
    case 't':
      return 0x09;
    case 'x': {
      // At most two hexadecimal digits; none gives 0.
      int byte = 0;
      for (int digits = 0; digits < 2; ++digits) {
        const int h = HexValue(Peek());
        if (h < 0) {
          break;
        }
        Next();
        byte = byte * 16 + h;
      }
      return byte;
    }
    default:
      return static_cast<unsigned char>(d);
  }
}

void RWPortableInStream::SkipStringRest() {
  for (;;) {
    const int c = Next();
    if (c == kEndOfData) {
      AddStatus(kRWStreamEof | kRWStreamFail);
      return;
    }
    if (c == '"') {
      return;
    }
    if (c == '\\' && Next() == kEndOfData) {
      AddStatus(kRWStreamEof | kRWStreamFail);
      return;
    }
  }
}

RWVirtualInStream& RWPortableInStream::GetString(char* buffer, std::size_t size) {
  const bool has_room = buffer != nullptr && size > 0;
  if (has_room) {
    buffer[0] = '\0';
  }
  if (!Begin() || !SkipWhiteSpace()) {
    return *this;
  }
  const int first = Peek();
  if (first != '"') {
    const char got[2] = {static_cast<char>(first), '\0'};
    AddStatus(kRWStreamFail);
    // The text is data from outside the process: reported, never fatal.
    RWSoftErrorScope outside_data;
    RWRaiseGeneric(RWCORE_SYNSTREAM(), "\"", got);
    return *this;
  }
  Next();
  if (!has_room) {
    SkipStringRest();
    AddStatus(kRWStreamFail);
    return *this;
  }
  std::size_t length = 0;
  for (;;) {
    const int c = Peek();
    if (c == kEndOfData) {
      AddStatus(kRWStreamEof | kRWStreamFail);
      break;
    }
    if (c == '\n') {
      Next();
      continue;
    }
    if (c == '"') {
      Next();
      break;
    }
    if (length + 1 == size) {
      SkipStringRest();
      AddStatus(kRWStreamFail);
      break;
    }
    const int byte = ReadEscaped();
    if (byte < 0) {
      break;
    }
    buffer[length++] = static_cast<char>(byte);
  }
  buffer[length] = '\0';
  return *this;
}

RWVirtualInStream& RWPortableInStream::Get(unsigned long* values, std::size_t count) {
  return GetNumbers(values, count);
}
RWVirtualInStream& RWPortableInStream::Get(unsigned int* values, std::size_t count) {
  return GetNumbers(values, count);
}
RWVirtualInStream& RWPortableInStream::Get(unsigned short* values, std::size_t count) {
  return GetNumbers(values, count);
}
RWVirtualInStream& RWPortableInStream::Get(unsigned char* values, std::size_t count) {
  return GetLowBytes<unsigned char, unsigned int>(values, count);
}
RWVirtualInStream& RWPortableInStream::Get(short* values, std::size_t count) {
  return GetNumbers(values, count);
}
RWVirtualInStream& RWPortableInStream::Get(long* values, std::size_t count) {
  return GetNumbers(values, count);
}
RWVirtualInStream& RWPortableInStream::Get(int* values, std::size_t count) {
  return GetNumbers(values, count);
}
RWVirtualInStream& RWPortableInStream::Get(float* values, std::size_t count) {
  return GetNumbers(values, count);
}
RWVirtualInStream& RWPortableInStream::Get(double* values, std::size_t count) {
  return GetNumbers(values, count);
}
RWVirtualInStream& RWPortableInStream::Get(char* values, std::size_t count) {
  return GetLowBytes<char, int>(values, count);
}
RWVirtualInStream& RWPortableInStream::GetByte(unsigned char& value) {
  return GetLowBytes<unsigned char, unsigned int>(&value, 1);
}
RWVirtualInStream& RWPortableInStream::GetByte(char& value) {
  return GetLowBytes<char, int>(&value, 1);
}

int RWPortableInStream::Get() {
  int value = -1;
  if (ReadInteger(value) != Parse::kValue || Eof() != 0) {
    return -1;
  }
  return value;
}

RWVirtualInStream& RWPortableInStream::Get(unsigned long& value) {
  return GetNumbers(&value, 1);
}
RWVirtualInStream& RWPortableInStream::Get(unsigned int& value) {
  return GetNumbers(&value, 1);
}
RWVirtualInStream& RWPortableInStream::Get(unsigned short& value) {
  return GetNumbers(&value, 1);
}
RWVirtualInStream& RWPortableInStream::Get(short& value) {
  return GetNumbers(&value, 1);
}
RWVirtualInStream& RWPortableInStream::Get(long& value) {
  return GetNumbers(&value, 1);
}
RWVirtualInStream& RWPortableInStream::Get(int& value) {
  return GetNumbers(&value, 1);
}
RWVirtualInStream& RWPortableInStream::Get(float& value) {
  return GetNumbers(&value, 1);
}
RWVirtualInStream& RWPortableInStream::Get(double& value) {
  return GetNumbers(&value, 1);
}

RWVirtualInStream& RWPortableInStream::Get(unsigned char& value) {
  if (Begin() && SkipWhiteSpace()) {
    if (const int byte = ReadEscaped(); byte >= 0) {
      value = static_cast<unsigned char>(byte);
    }
  }
  return *this;
}

RWVirtualInStream& RWPortableInStream::Get(char& value) {
  unsigned char byte = static_cast<unsigned char>(value);
  Get(byte);
  value = static_cast<char>(byte);
  return *this;
}
