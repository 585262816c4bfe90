// Wide strings: construction, conversions, editing, search, comparison, hashing, slices, byte
// stream reading and writing, and stored forms.
#include "rw/RWWString.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <istream>
#include <memory>
#include <new>
#include <ostream>
#include <string>

#include "rw/NextBufferSize.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWError.h"
#include "rw/RWMessage.h"
#include "rw/RWVirtualStream.h"

namespace {

using Core = vel::StringCore<char16_t>;
using Traits = std::char_traits<char16_t>;

char16_t FoldLower(char16_t c) {
  const std::wint_t folded = std::towlower(static_cast<std::wint_t>(c));
  return folded <= 0xFFFF ? static_cast<char16_t>(folded) : c;
}
char16_t FoldUpper(char16_t c) {
  const std::wint_t folded = std::towupper(static_cast<std::wint_t>(c));
  return folded <= 0xFFFF ? static_cast<char16_t>(folded) : c;
}
bool IsWhite(char16_t c) {
  return std::iswspace(static_cast<std::wint_t>(c)) != 0;
}

char16_t& Scratch() {
  static thread_local char16_t scratch;
  scratch = 0;
  return scratch;
}

std::uint32_t Clamp32(std::size_t value) {
  return static_cast<std::uint32_t>(std::min<std::size_t>(value, Core::kMaxLength));
}

std::size_t TextLength(const char16_t* text) {
  return text != nullptr ? Traits::length(text) : 0;
}

void MarkFailed(RWVirtualStreamBase& stream) {
  stream.SetStatus(stream.Status() | kRWStreamFail);
}

void RaiseSliceIndex(std::size_t i, std::size_t extent) {
  RWThrow(RWIndexError(
      RWCatalogMessage(RWTOOL_INDEX(), static_cast<unsigned>(i), static_cast<unsigned>(extent))));
}

Core FromSlice(const RWWStringSlice& slice) {
  const char16_t* data = slice.Data();
  if (data == nullptr) {
    return Core();
  }
  return Core(data, slice.Length(), Core::AdjustCapacity(slice.Length()));
}

Core ZeroExtend(const char* bytes, std::size_t n, std::size_t capacity) {
  if (bytes == nullptr) {
    n = 0;
  }
  Core result(char16_t{0}, n, std::max(n, capacity));
  if (result.Length() == n && n != 0) {
    char16_t* out = &result.At(0);
    for (std::size_t i = 0; i < n; ++i) {
      out[i] = static_cast<unsigned char>(bytes[i]);
    }
  }
  return result;
}

// The C runtime's multibyte conversion of at most n bytes, ending at a NUL. Never reads beyond
// the n bytes; a character cut off there, invalid text and characters beyond 16 bits fail.
Core FromMultiByte(const char* bytes, std::size_t n) {
  if (bytes == nullptr || n == 0) {
    return Core();
  }
  constexpr std::size_t kSmall = 64;
  char16_t small[kSmall];
  std::unique_ptr<char16_t[]> large;
  char16_t* scratch = small;
  if (n >= kSmall) {
    large.reset(new (std::nothrow) char16_t[n + 1]);
    if (large == nullptr) {
      return Core();
    }
    scratch = large.get();
  }
  std::mbstate_t state{};
  std::size_t count = 0;
  std::size_t pos = 0;
  while (pos < n) {
    wchar_t wide = 0;
    const std::size_t used = std::mbrtowc(&wide, bytes + pos, n - pos, &state);
    if (used == 0) {
      break;
    }
    if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2) ||
        static_cast<std::uint32_t>(wide) > 0xFFFF) {
      return Core();
    }
    scratch[count++] = static_cast<char16_t>(wide);
    pos += used;
  }
  return Core(scratch, count, count);
}

std::wstring ToWide(const char16_t* text) {
  std::wstring result;
  for (; *text != 0; ++text) {
    result.push_back(static_cast<wchar_t>(*text));
  }
  return result;
}

// Two bytes of the stream buffer, least significant first. A short transfer sets failbit and
// eofbit.
bool GetUnit(std::istream& in, char16_t& c) {
  char bytes[2];
  std::streambuf* buffer = in.rdbuf();
  if (buffer == nullptr || buffer->sgetn(bytes, 2) != 2) {
    in.setstate(std::ios::failbit | std::ios::eofbit);
    return false;
  }
  c = static_cast<char16_t>(static_cast<unsigned char>(bytes[0]) |
                            (static_cast<unsigned char>(bytes[1]) << 8));
  return true;
}

bool PutUnit(std::ostream& out, char16_t c) {
  const char bytes[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  std::streambuf* buffer = out.rdbuf();
  if (buffer == nullptr || buffer->sputn(bytes, 2) != 2) {
    out.setstate(std::ios::failbit);
    return false;
  }
  return true;
}

// Characters travel as unsigned shorts; they are copied through this buffer rather than
// reinterpreted in place.
constexpr std::size_t kUnitChunk = 256;

}  // namespace

// ---- RWWStringSlice ----

bool RWWStringSlice::InRange() const {
  const std::size_t length = string_->Length();
  if (start_ > length || extent_ > length - start_) {
    vel::RaiseSubStringError(start_, extent_, length);
    return false;
  }
  return true;
}

const char16_t* RWWStringSlice::Data() const {
  const std::size_t length = string_->Length();
  if (IsNull() || start_ > length || extent_ > length - start_) {
    return nullptr;
  }
  return string_->Data() + start_;
}

char16_t& RWWStringSlice::operator[](std::size_t i) {
  if (i == RW_NPOS || i >= extent_) {
    RaiseSliceIndex(i, extent_);
    return Scratch();
  }
  if (!InRange()) {
    return Scratch();
  }
  return string_->core_.At(start_ + i);
}

char16_t RWWStringSlice::operator[](std::size_t i) const {
  if (i == RW_NPOS || i >= extent_) {
    RaiseSliceIndex(i, extent_);
    return 0;
  }
  if (!InRange()) {
    return 0;
  }
  return string_->Data()[start_ + i];
}

char16_t& RWWStringSlice::operator()(std::size_t i) {
  return string_->core_.At(start_ + i);
}

RWWStringSlice& RWWStringSlice::AssignText(const char16_t* text, std::size_t n) {
  if (IsNull() || !InRange()) {
    return *this;
  }
  if (string_->core_.Replace(start_, extent_, text, n)) {
    extent_ = text != nullptr ? n : 0;
  }
  return *this;
}

RWWStringSlice& RWWStringSlice::operator=(const RWWString& text) {
  return AssignText(text.Data(), text.Length());
}

RWWStringSlice& RWWStringSlice::operator=(const RWWStringSlice& text) {
  const char16_t* data = text.Data();
  return AssignText(data != nullptr ? data : u"", text.Length());
}

RWWStringSlice& RWWStringSlice::operator=(const char16_t* text) {
  return AssignText(text != nullptr ? text : u"", TextLength(text));
}

void RWWStringSlice::ToLower() {
  if (!IsNull() && InRange()) {
    string_->core_.Map(start_, extent_, FoldLower);
  }
}

void RWWStringSlice::ToUpper() {
  if (!IsNull() && InRange()) {
    string_->core_.Map(start_, extent_, FoldUpper);
  }
}

bool RWWStringSlice::EqualsText(const char16_t* text, std::size_t n) const {
  if (IsNull()) {
    return n == 0;
  }
  if (!InRange() || extent_ != n) {
    return false;
  }
  return n == 0 || Traits::compare(string_->Data() + start_, text, n) == 0;
}

bool RWWStringSlice::operator==(const char16_t* text) const {
  return EqualsText(text, TextLength(text));
}

bool RWWStringSlice::operator==(const RWWString& text) const {
  return EqualsText(text.Data(), text.Length());
}

bool RWWStringSlice::operator==(const RWWStringSlice& other) const {
  if (other.IsNull()) {
    return IsNull() || extent_ == 0;
  }
  const char16_t* data = other.Data();
  if (data == nullptr) {
    return other.InRange();
  }
  return EqualsText(data, other.extent_);
}

// ---- RWWString: construction and settings ----

RWWString::RWWString(RWCapacity capacity) : core_(nullptr, 0, capacity.value) {}

RWWString::RWWString(const char16_t* text) : core_(text, TextLength(text), TextLength(text)) {}

RWWString::RWWString(const char16_t* text, std::size_t n) : core_(text, n, n) {}

RWWString::RWWString(char16_t c)
    : core_(c, 1, Core::Sizing().initial_capacity.load(std::memory_order_relaxed)) {}

RWWString::RWWString(char16_t c, std::size_t count) : core_(c, count, count) {}

RWWString::RWWString(const RWWStringSlice& slice) : core_(FromSlice(slice)) {}

RWWString::RWWString(char c)
    : core_(static_cast<char16_t>(static_cast<unsigned char>(c)),
            1,
            Core::Sizing().initial_capacity.load(std::memory_order_relaxed)) {}

RWWString::RWWString(const char* text)
    : core_(ZeroExtend(text, text != nullptr ? std::strlen(text) : 0, 0)) {}

RWWString::RWWString(const char* bytes, std::size_t n) : core_(ZeroExtend(bytes, n, 0)) {}

RWWString::RWWString(const char* text, MultiByte)
    : core_(FromMultiByte(text, text != nullptr ? std::strlen(text) : 0)) {}

RWWString::RWWString(const char* bytes, std::size_t n, MultiByte)
    : core_(FromMultiByte(bytes, n)) {}

RWWString::RWWString(const RWCString& text, MultiByte)
    : core_(FromMultiByte(text.Data(), text.Length())) {}

RWWString& RWWString::operator=(const char16_t* text) {
  core_.AssignText(text, TextLength(text));
  return *this;
}

RWWString RWWString::Copy() const {
  return RWWString(core_.Copy());
}

std::size_t RWWString::SetInitialCapacity(std::size_t capacity) {
  return Core::Sizing().initial_capacity.exchange(Clamp32(capacity));
}

std::size_t RWWString::SetResizeIncrement(std::size_t increment) {
  return Core::Sizing().resize_increment.exchange(std::max<std::uint32_t>(Clamp32(increment), 1));
}

std::size_t RWWString::SetFreeBoard(std::size_t free_board) {
  return Core::Sizing().free_board.exchange(Clamp32(free_board));
}

std::size_t RWWString::AdjustCapacity(std::size_t n) {
  return Core::AdjustCapacity(n);
}

// ---- Editing ----

RWWString& RWWString::Append(char16_t c, std::size_t count) {
  core_.AppendFill(c, count);
  return *this;
}
RWWString& RWWString::Append(const char16_t* text) {
  return Replace(Length(), 0, text, TextLength(text));
}
RWWString& RWWString::Append(const char16_t* text, std::size_t n) {
  return Replace(Length(), 0, text, n);
}
RWWString& RWWString::Append(const RWWString& text) {
  return Replace(Length(), 0, text.Data(), text.Length());
}

RWWString& RWWString::Prepend(char16_t c, std::size_t count) {
  core_.PrependFill(c, count);
  return *this;
}
RWWString& RWWString::Prepend(const char16_t* text) {
  return Replace(0, 0, text, TextLength(text));
}
RWWString& RWWString::Prepend(const char16_t* text, std::size_t n) {
  return Replace(0, 0, text, n);
}
RWWString& RWWString::Prepend(const RWWString& text) {
  return Replace(0, 0, text.Data(), text.Length());
}

RWWString& RWWString::Insert(std::size_t pos, const char16_t* text) {
  return Replace(pos, 0, text, TextLength(text));
}
RWWString& RWWString::Insert(std::size_t pos, const char16_t* text, std::size_t n) {
  return Replace(pos, 0, text, n);
}
RWWString& RWWString::Insert(std::size_t pos, const RWWString& text) {
  return Replace(pos, 0, text.Data(), text.Length());
}

RWWString& RWWString::Remove(std::size_t pos) {
  return Replace(pos, RW_NPOS, nullptr, 0);
}
RWWString& RWWString::Remove(std::size_t pos, std::size_t n) {
  return Replace(pos, n, nullptr, 0);
}

RWWString& RWWString::Replace(std::size_t pos, std::size_t removed, const char16_t* text) {
  return Replace(std::min(pos, Length()), removed, text, TextLength(text));
}
RWWString& RWWString::Replace(std::size_t pos,
                              std::size_t removed,
                              const char16_t* text,
                              std::size_t inserted) {
  core_.Replace(pos, removed, text, inserted);
  return *this;
}
RWWString& RWWString::Replace(std::size_t pos, std::size_t removed, const RWWString& text) {
  return Replace(pos, removed, text.Data(), text.Length());
}

void RWWString::Resize(std::size_t n) {
  core_.Resize(n, u' ');
}

std::size_t RWWString::Capacity(std::size_t n) {
  return core_.SetCapacity(n);
}

void RWWString::Clobber(std::size_t n) {
  core_.Clobber(n);
}

void RWWString::ToLower() {
  core_.Map(0, Length(), FoldLower);
}

void RWWString::ToUpper() {
  core_.Map(0, Length(), FoldUpper);
}

RWWStringSlice RWWString::Strip(RWStripType type, char16_t c) {
  const auto [start, extent] = core_.Strip(type, c);
  return RWWStringSlice(*this, start, extent);
}

// ---- Access and search ----

char16_t& RWWString::operator[](std::size_t i) {
  if (i >= Length()) {
    RWRaiseIndex(i, Length());
    return Scratch();
  }
  return core_.At(i);
}

char16_t RWWString::operator[](std::size_t i) const {
  if (i >= Length()) {
    RWRaiseIndex(i, Length());
    return 0;
  }
  return Data()[i];
}

std::size_t RWWString::First(char16_t c, RWStopAt stop) const {
  if (stop == RWStopAt::kLength) {
    return core_.First(c);
  }
  // As wcschr: searching for 0 finds the first 0.
  const std::size_t end = Traits::length(Data());
  const char16_t* found = Traits::find(Data(), end + 1, c);
  return found != nullptr ? static_cast<std::size_t>(found - Data()) : RW_NPOS;
}

std::size_t RWWString::Last(char16_t c, RWStopAt stop) const {
  if (stop == RWStopAt::kLength) {
    return core_.Last(c);
  }
  // As wcsrchr: the terminating 0 counts.
  const std::size_t end = Traits::length(Data());
  for (std::size_t i = end + 1; i-- > 0;) {
    if (Data()[i] == c) {
      return i;
    }
  }
  return RW_NPOS;
}

std::size_t RWWString::FirstOf(const char16_t* set, std::size_t n) const {
  return core_.FirstOf(set, n);
}

std::size_t RWWString::FirstOf(const char16_t* set) const {
  if (set == nullptr) {
    return RW_NPOS;
  }
  const std::size_t set_length = Traits::length(set);
  for (const char16_t* p = Data(); *p != 0; ++p) {
    if (Traits::find(set, set_length, *p) != nullptr) {
      return static_cast<std::size_t>(p - Data());
    }
  }
  return RW_NPOS;
}

std::size_t RWWString::Index(const char16_t* pattern,
                             std::size_t n,
                             std::size_t start,
                             RWCaseCompare compare) const {
  if (pattern == nullptr) {
    n = 0;
  }
  return core_.Index(pattern, n, start,
                     compare == RWCaseCompare::kIgnoreCase ? FoldLower : nullptr);
}

std::size_t RWWString::Index(const char16_t* pattern,
                             std::size_t start,
                             RWCaseCompare compare) const {
  return Index(pattern, TextLength(pattern), start, compare);
}

std::size_t RWWString::Index(const RWWString& pattern,
                             std::size_t start,
                             RWCaseCompare compare) const {
  return Index(pattern.Data(), pattern.Length(), start, compare);
}

bool RWWString::Contains(const char16_t* text, RWCaseCompare compare) const {
  return Index(text, 0, compare) != RW_NPOS;
}

bool RWWString::Contains(const RWWString& text, RWCaseCompare compare) const {
  return Index(text, 0, compare) != RW_NPOS;
}

RWWStringSlice RWWString::SubString(const char16_t* pattern,
                                    std::size_t start,
                                    RWCaseCompare compare) {
  const std::size_t n = TextLength(pattern);
  const std::size_t found = Index(pattern, n, start, compare);
  if (found == RW_NPOS) {
    return RWWStringSlice(*this, RW_NPOS, 0);
  }
  return RWWStringSlice(*this, found, n);
}

RWWStringSlice RWWString::operator()(std::size_t start, std::size_t extent) {
  const std::size_t length = Length();
  if (start > length || extent > length - start) {
    vel::RaiseSubStringError(start, extent, length);
    return RWWStringSlice(*this, RW_NPOS, 0);
  }
  return RWWStringSlice(*this, start, extent);
}

// ---- Comparison and hashing ----

int RWWString::Compare(const char16_t* text, RWCaseCompare compare) const {
  if (text == nullptr) {
    text = u"";
  }
  const char16_t* own = Data();
  const std::size_t length = Length();
  const bool fold = compare == RWCaseCompare::kIgnoreCase;
  for (std::size_t i = 0;; ++i) {
    if (text[i] == 0) {
      return i < length ? 1 : 0;
    }
    if (i == length) {
      return -1;
    }
    const char16_t a = fold ? FoldLower(own[i]) : own[i];
    const char16_t b = fold ? FoldLower(text[i]) : text[i];
    if (a != b) {
      return a < b ? -1 : 1;
    }
  }
}

int RWWString::Compare(const RWWString& other, RWCaseCompare compare) const {
  const std::size_t length = Length();
  const std::size_t other_length = other.Length();
  const std::size_t common = std::min(length, other_length);
  if (compare == RWCaseCompare::kExact) {
    // The bytes as they lie in memory, kept so that orders already relied on stay as they are.
    const int result =
        common == 0 ? 0 : std::memcmp(Data(), other.Data(), common * sizeof(char16_t));
    if (result != 0) {
      return result < 0 ? -1 : 1;
    }
  } else {
    for (std::size_t i = 0; i < common; ++i) {
      const char16_t a = FoldLower(Data()[i]);
      const char16_t b = FoldLower(other.Data()[i]);
      if (a != b) {
        return a < b ? -1 : 1;
      }
    }
  }
  if (length == other_length) {
    return 0;
  }
  return length < other_length ? -1 : 1;
}

int RWWString::Collate(const char16_t* text) const {
  return std::wcscoll(ToWide(Data()).c_str(), ToWide(text != nullptr ? text : u"").c_str());
}

std::uint32_t RWWString::Hash(RWCaseCompare compare) const {
  const char16_t* text = Data();
  const std::size_t length = Length();
  auto h = static_cast<std::uint32_t>(length);
  if (compare == RWCaseCompare::kIgnoreCase) {
    for (std::size_t i = 0; i < length; ++i) {
      h = std::rotl(h, 5) ^ (static_cast<std::uint32_t>(std::towupper(text[i])) & 0xFFFF);
    }
    return h;
  }
  const std::size_t whole = length / 2 * 2;
  for (std::size_t i = 0; i < whole; i += 2) {
    h = std::rotl(h, 5) ^ (text[i] | (static_cast<std::uint32_t>(text[i + 1]) << 16));
  }
  if (whole != length) {
    h = std::rotl(h, 5) ^ text[length - 1];
    h = std::rotl(h, 5) ^ 0u;
  }
  return h;
}

// ---- Conversions ----

bool RWWString::IsAscii() const {
  return std::all_of(Data(), Data() + Length(), [](char16_t c) { return c <= 127; });
}

RWCString RWWString::ToAscii() const {
  const std::size_t length = Length();
  RWCString result('\0', length);
  if (result.Length() != length || length == 0) {
    return result;
  }
  char* out = &result[0];
  for (std::size_t i = 0; i < length; ++i) {
    out[i] = static_cast<char>(Data()[i] & 0xFF);
  }
  return result;
}

RWCString RWWString::ToMultiByte() const {
  const std::size_t characters = Traits::length(Data());
  if (characters == 0) {
    return RWCString();
  }
  const std::size_t per_character = MB_CUR_MAX;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[characters * per_character + 1]);
  if (buffer == nullptr) {
    return RWCString();
  }
  std::mbstate_t state{};
  std::size_t size = 0;
  for (std::size_t i = 0; i < characters; ++i) {
    const std::size_t n =
        std::wcrtomb(buffer.get() + size, static_cast<wchar_t>(Data()[i]), &state);
    if (n == static_cast<std::size_t>(-1)) {
      return RWCString();
    }
    size += n;
  }
  return RWCString(buffer.get(), size);
}

RWWString RWWString::StrXForm() const {
  const std::wstring source = ToWide(Data());
  errno = 0;
  const std::size_t needed = std::wcsxfrm(nullptr, source.c_str(), 0);
  if (errno != 0 || needed >= Core::kMaxLength) {
    return RWWString();
  }
  std::wstring transformed(needed + 1, L'\0');
  const std::size_t written = std::wcsxfrm(transformed.data(), source.c_str(), needed + 1);
  if (errno != 0 || written > needed) {
    return RWWString();
  }
  Core result(char16_t{0}, written + 1, written + 1);
  if (result.Length() != written + 1) {
    return RWWString();
  }
  char16_t* out = &result.At(0);
  for (std::size_t i = 0; i < written; ++i) {
    if (static_cast<std::uint32_t>(transformed[i]) > 0xFFFF) {
      return RWWString();
    }
    out[i] = static_cast<char16_t>(transformed[i]);
  }
  return RWWString(std::move(result));
}

RWWString Widen(const RWCString& text) {
  return RWWString(ZeroExtend(text.Data(), text.Length(), 0));
}

// ---- Concatenation, equality, case copies ----

RWWString operator+(const RWWString& a, const RWWString& b) {
  return RWWString(Core::Concatenate(a.Data(), a.Length(), b.Data(), b.Length()));
}

RWWString operator+(const RWWString& a, const char16_t* b) {
  return RWWString(Core::Concatenate(a.Data(), a.Length(), b, TextLength(b)));
}

RWWString operator+(const char16_t* a, const RWWString& b) {
  return RWWString(Core::Concatenate(a, TextLength(a), b.Data(), b.Length()));
}

bool operator==(const RWWString& a, const RWWString& b) {
  return a.Length() == b.Length() &&
         (a.Data() == b.Data() || Traits::compare(a.Data(), b.Data(), a.Length()) == 0);
}

bool operator==(const RWWString& a, const char16_t* text) {
  const std::size_t n = TextLength(text);
  return a.Length() == n && (n == 0 || Traits::compare(a.Data(), text, n) == 0);
}

RWWString ToLower(const RWWString& text) {
  RWWString result = text.Copy();
  result.ToLower();
  return result;
}

RWWString ToUpper(const RWWString& text) {
  RWWString result = text.Copy();
  result.ToUpper();
  return result;
}

// ---- Byte streams ----

bool RWWString::GrowForRead(std::size_t capacity) {
  if (Length() < Capacity()) {
    return true;
  }
  // A growth rule that has nothing larger to give answers 0 (or no more than the length).
  return capacity > Length() && core_.SetCapacity(capacity) > Length();
}

namespace {

// The buffer growth rule for 16-bit characters.
std::size_t NextReadCapacity(std::size_t capacity) {
  return NextBufferSize(static_cast<std::uint32_t>(capacity), 2);
}

}  // namespace

std::istream& RWWString::ReadFile(std::istream& in) {
  Clobber(Core::Sizing().initial_capacity.load(std::memory_order_relaxed));
  if (!in.good()) {
    return in;
  }
  char16_t c = 0;
  while (GetUnit(in, c)) {
    if (!GrowForRead(NextReadCapacity(Capacity()))) {
      in.setstate(std::ios::failbit);
      break;
    }
    core_.AppendFill(c, 1);
  }
  return in;
}

std::istream& RWWString::ReadToDelim(std::istream& in, char16_t delimiter, RWWhiteSpace white) {
  Clobber(Core::Sizing().initial_capacity.load(std::memory_order_relaxed));
  if (!in.good()) {
    return in;
  }
  char16_t c = 0;
  if (!GetUnit(in, c)) {
    return in;
  }
  if (white == RWWhiteSpace::kSkip) {
    while (IsWhite(c)) {
      if (!GetUnit(in, c)) {
        return in;
      }
    }
  }
  while (c != delimiter) {
    if (!GrowForRead(NextReadCapacity(Capacity()))) {
      in.setstate(std::ios::failbit);
      break;
    }
    core_.AppendFill(c, 1);
    if (!GetUnit(in, c)) {
      break;
    }
  }
  return in;
}

std::istream& RWWString::ReadLine(std::istream& in, RWWhiteSpace white) {
  return ReadToDelim(in, u'\n', white);
}

std::istream& RWWString::ReadString(std::istream& in) {
  return ReadToDelim(in, 0, RWWhiteSpace::kKeep);
}

std::istream& RWWString::ReadToken(std::istream& in) {
  Clobber(Core::Sizing().initial_capacity.load(std::memory_order_relaxed));
  const std::streamsize width = in.width(0);
  if (!in.good()) {
    return in;
  }
  char16_t c = 0;
  do {
    if (!GetUnit(in, c)) {
      return in;
    }
  } while (IsWhite(c));
  const std::size_t increment = Core::Sizing().resize_increment.load(std::memory_order_relaxed);
  for (;;) {
    if (!GrowForRead(Length() + increment)) {
      in.setstate(std::ios::failbit);
      break;
    }
    core_.AppendFill(c, 1);
    if (width > 0 && Length() >= static_cast<std::size_t>(width)) {
      break;
    }
    if (!GetUnit(in, c) || IsWhite(c)) {
      break;
    }
  }
  return in;
}

std::istream& operator>>(std::istream& in, RWWString& text) {
  return text.ReadToken(in);
}

std::ostream& operator<<(std::ostream& out, const RWWString& text) {
  const std::ostream::sentry ready(out);
  if (!ready) {
    return out;
  }
  const std::streamsize width = out.width(0);
  const std::size_t length = text.Length();
  const std::size_t pad = width > 0 && static_cast<std::size_t>(width) > length
                              ? static_cast<std::size_t>(width) - length
                              : 0;
  const auto fill =
      static_cast<char16_t>(static_cast<std::int16_t>(static_cast<signed char>(out.fill())));
  const bool left = (out.flags() & std::ios::adjustfield) == std::ios::left;
  auto put_padding = [&] {
    for (std::size_t i = 0; i < pad && PutUnit(out, fill); ++i) {
    }
  };
  if (!left) {
    put_padding();
  }
  for (std::size_t i = 0; i < length && out.good() && PutUnit(out, text.Data()[i]); ++i) {
  }
  if (left && out.good()) {
    put_padding();
  }
  return out;
}

// ---- Stored forms ----

void RWWString::SaveOn(RWVirtualOutStream& stream) const {
  const std::size_t length = Length();
  stream.Put(static_cast<unsigned int>(length));
  unsigned short units[kUnitChunk];
  for (std::size_t done = 0; done < length;) {
    const std::size_t n = std::min(kUnitChunk, length - done);
    std::copy_n(Data() + done, n, units);
    stream.Put(units, n);
    done += n;
  }
}

void RWWString::RestoreFrom(RWVirtualInStream& stream) {
  unsigned int length = 0;
  stream.Get(length);
  if (!stream.Good()) {
    MarkFailed(stream);  // an end of data alone would not tell the caller that nothing came
    return;
  }
  if (length > kMaxStoredLength) {
    MarkFailed(stream);
    return;
  }
  Core::Rep* rep = Core::ReadText(
      length,
      [](void* context, char16_t* target, std::size_t n) {
        auto& in = *static_cast<RWVirtualInStream*>(context);
        unsigned short units[kUnitChunk];
        for (std::size_t done = 0; done < n;) {
          const std::size_t k = std::min(kUnitChunk, n - done);
          in.Get(units, k);
          if (!in.Good()) {
            return false;
          }
          std::copy_n(units, k, target + done);
          done += k;
        }
        return true;
      },
      &stream);
  if (rep == nullptr) {
    MarkFailed(stream);
    return;
  }
  core_.AdoptRestored(rep);
}

bool RWWString::SaveOn(RWBinaryFile& file) const {
  const std::size_t length = Length();
  if (!file.Write(static_cast<unsigned int>(length))) {
    return false;
  }
  unsigned short units[kUnitChunk];
  for (std::size_t done = 0; done < length;) {
    const std::size_t n = std::min(kUnitChunk, length - done);
    std::copy_n(Data() + done, n, units);
    if (!file.Write(units, n)) {
      return false;
    }
    done += n;
  }
  return true;
}

bool RWWString::RestoreFrom(RWBinaryFile& file) {
  unsigned int length = 0;
  if (!file.Read(length) || length > kMaxStoredLength) {
    return false;
  }
  Core::Rep* rep = Core::ReadText(
      length,
      [](void* context, char16_t* target, std::size_t n) {
        auto& in = *static_cast<RWBinaryFile*>(context);
        unsigned short units[kUnitChunk];
        for (std::size_t done = 0; done < n;) {
          const std::size_t k = std::min(kUnitChunk, n - done);
          if (!in.Read(units, k)) {
            return false;
          }
          std::copy_n(units, k, target + done);
          done += k;
        }
        return true;
      },
      &file);
  if (rep == nullptr) {
    return false;
  }
  core_.AdoptRestored(rep);
  return true;
}

RWVirtualOutStream& operator<<(RWVirtualOutStream& stream, const RWWString& text) {
  text.SaveOn(stream);
  return stream;
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, RWWString& text) {
  text.RestoreFrom(stream);
  return stream;
}
