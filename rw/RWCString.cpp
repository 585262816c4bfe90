// Narrow strings: construction, editing, search, comparison, hashing, slices and stored forms.
#include "rw/RWCString.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <cwchar>

#include "rw/RWBinaryFile.h"
#include "rw/RWError.h"
#include "rw/RWVirtualStream.h"

namespace {

using Core = vel::StringCore<char>;

char FoldLower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}
char FoldUpper(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

// What a failed element access hands out, so that a returning error hook leaves no string touched.
char& Scratch() {
  static thread_local char scratch;
  scratch = '\0';
  return scratch;
}

std::uint32_t Clamp32(std::size_t value) {
  return static_cast<std::uint32_t>(std::min<std::size_t>(value, Core::kMaxLength));
}

std::size_t TextLength(const char* text) {
  return text != nullptr ? std::strlen(text) : 0;
}

void MarkFailed(RWVirtualStreamBase& stream) {
  stream.SetStatus(stream.Status() | kRWStreamFail);
}

Core FromSlice(const RWCStringSlice& slice) {
  const char* data = slice.Data();
  if (data == nullptr) {
    return Core();
  }
  return Core(data, slice.Length(), Core::AdjustCapacity(slice.Length()));
}

}  // namespace

// ---- RWCStringSlice ----

bool RWCStringSlice::InRange() const {
  const std::size_t length = string_->Length();
  if (start_ > length || extent_ > length - start_) {
    vel::RaiseSubStringError(start_, extent_, length);
    return false;
  }
  return true;
}

const char* RWCStringSlice::Data() const {
  const std::size_t length = string_->Length();
  if (IsNull() || start_ > length || extent_ > length - start_) {
    return nullptr;
  }
  return string_->Data() + start_;
}

char& RWCStringSlice::operator[](std::size_t i) {
  if (i >= extent_) {
    RWRaiseIndex(i, extent_);
    return Scratch();
  }
  if (!InRange()) {
    return Scratch();
  }
  return string_->core_.At(start_ + i);
}

char RWCStringSlice::operator[](std::size_t i) const {
  if (i >= extent_) {
    RWRaiseIndex(i, extent_);
    return '\0';
  }
  if (!InRange()) {
    return '\0';
  }
  return string_->Data()[start_ + i];
}

char& RWCStringSlice::operator()(std::size_t i) {
  return string_->core_.At(start_ + i);
}

RWCStringSlice& RWCStringSlice::AssignText(const char* text, std::size_t n) {
  if (IsNull() || !InRange()) {
    return *this;
  }
  if (string_->core_.Replace(start_, extent_, text, n)) {
    extent_ = text != nullptr ? n : 0;
  }
  return *this;
}

RWCStringSlice& RWCStringSlice::operator=(const RWCString& text) {
  return AssignText(text.Data(), text.Length());
}

RWCStringSlice& RWCStringSlice::operator=(const RWCStringSlice& text) {
  const char* data = text.Data();
  return AssignText(data != nullptr ? data : "", text.Length());
}

RWCStringSlice& RWCStringSlice::operator=(const char* text) {
  return AssignText(text != nullptr ? text : "", TextLength(text));
}

void RWCStringSlice::ToLower() {
  if (!IsNull() && InRange()) {
    string_->core_.Map(start_, extent_, FoldLower);
  }
}

void RWCStringSlice::ToUpper() {
  if (!IsNull() && InRange()) {
    string_->core_.Map(start_, extent_, FoldUpper);
  }
}

bool RWCStringSlice::EqualsText(const char* text, std::size_t n) const {
  if (IsNull()) {
    return n == 0;
  }
  if (!InRange() || extent_ != n) {
    return false;
  }
  return n == 0 || std::memcmp(string_->Data() + start_, text, n) == 0;
}

bool RWCStringSlice::operator==(const char* text) const {
  return EqualsText(text, TextLength(text));
}

bool RWCStringSlice::operator==(const RWCString& text) const {
  return EqualsText(text.Data(), text.Length());
}

bool RWCStringSlice::operator==(const RWCStringSlice& other) const {
  if (other.IsNull()) {
    return IsNull() || extent_ == 0;
  }
  const char* data = other.Data();
  if (data == nullptr) {
    return other.InRange();  // raises for a slice whose string became too short
  }
  return EqualsText(data, other.extent_);
}

// ---- RWCString: construction and settings ----

RWCString::RWCString(RWCapacity capacity) : core_(nullptr, 0, capacity.value) {}

RWCString::RWCString(const char* text) : core_(text, TextLength(text), TextLength(text)) {}

RWCString::RWCString(const char* bytes, std::size_t n) : core_(bytes, n, n) {}

RWCString::RWCString(char c)
    : core_(c, 1, Core::Sizing().initial_capacity.load(std::memory_order_relaxed)) {}

RWCString::RWCString(char c, std::size_t count) : core_(c, count, count) {}

RWCString::RWCString(const RWCStringSlice& slice) : core_(FromSlice(slice)) {}

RWCString& RWCString::operator=(const char* text) {
  core_.AssignText(text, TextLength(text));
  return *this;
}

RWCString RWCString::Copy() const {
  return RWCString(core_.Copy());
}

std::size_t RWCString::SetInitialCapacity(std::size_t capacity) {
  return Core::Sizing().initial_capacity.exchange(Clamp32(capacity));
}

std::size_t RWCString::SetResizeIncrement(std::size_t increment) {
  return Core::Sizing().resize_increment.exchange(std::max<std::uint32_t>(Clamp32(increment), 1));
}

std::size_t RWCString::SetFreeBoard(std::size_t free_board) {
  return Core::Sizing().free_board.exchange(Clamp32(free_board));
}

std::size_t RWCString::AdjustCapacity(std::size_t n) {
  return Core::AdjustCapacity(n);
}

// ---- Editing ----

RWCString& RWCString::Append(char c, std::size_t count) {
  core_.AppendFill(c, count);
  return *this;
}
RWCString& RWCString::Append(const char* text) {
  return Replace(Length(), 0, text, TextLength(text));
}
RWCString& RWCString::Append(const char* text, std::size_t n) {
  return Replace(Length(), 0, text, n);
}
RWCString& RWCString::Append(const RWCString& text) {
  return Replace(Length(), 0, text.Data(), text.Length());
}

RWCString& RWCString::Prepend(char c, std::size_t count) {
  core_.PrependFill(c, count);
  return *this;
}
RWCString& RWCString::Prepend(const char* text) {
  return Replace(0, 0, text, TextLength(text));
}
RWCString& RWCString::Prepend(const char* text, std::size_t n) {
  return Replace(0, 0, text, n);
}
RWCString& RWCString::Prepend(const RWCString& text) {
  return Replace(0, 0, text.Data(), text.Length());
}

RWCString& RWCString::Insert(std::size_t pos, const char* text) {
  return Replace(pos, 0, text, TextLength(text));
}
RWCString& RWCString::Insert(std::size_t pos, const char* text, std::size_t n) {
  return Replace(pos, 0, text, n);
}
RWCString& RWCString::Insert(std::size_t pos, const RWCString& text) {
  return Replace(pos, 0, text.Data(), text.Length());
}

RWCString& RWCString::Remove(std::size_t pos) {
  return Replace(pos, RW_NPOS, nullptr, 0);
}
RWCString& RWCString::Remove(std::size_t pos, std::size_t n) {
  return Replace(pos, n, nullptr, 0);
}

RWCString& RWCString::Replace(std::size_t pos, std::size_t removed, const char* text) {
  return Replace(pos, removed, text, TextLength(text));
}
RWCString& RWCString::Replace(std::size_t pos,
                              std::size_t removed,
                              const char* text,
                              std::size_t inserted) {
  core_.Replace(pos, removed, text, inserted);
  return *this;
}
RWCString& RWCString::Replace(std::size_t pos, std::size_t removed, const RWCString& text) {
  return Replace(pos, removed, text.Data(), text.Length());
}

void RWCString::Resize(std::size_t n) {
  core_.Resize(n, ' ');
}

std::size_t RWCString::Capacity(std::size_t n) {
  return core_.SetCapacity(n);
}

void RWCString::Clobber(std::size_t n) {
  core_.Clobber(n);
}

void RWCString::ToLower() {
  core_.Map(0, Length(), FoldLower);
}

void RWCString::ToUpper() {
  core_.Map(0, Length(), FoldUpper);
}

RWCStringSlice RWCString::Strip(RWStripType type, char c) {
  const auto [start, extent] = core_.Strip(type, c);
  return RWCStringSlice(*this, start, extent);
}

// ---- Access and search ----

char& RWCString::operator[](std::size_t i) {
  if (i >= Length()) {
    RWRaiseIndex(i, Length());
    return Scratch();
  }
  return core_.At(i);
}

char RWCString::operator[](std::size_t i) const {
  if (i >= Length()) {
    RWRaiseIndex(i, Length());
    return '\0';
  }
  return Data()[i];
}

std::size_t RWCString::First(char c, RWStopAt stop) const {
  if (stop == RWStopAt::kLength) {
    return core_.First(c);
  }
  const char* found = std::strchr(Data(), c);
  return found != nullptr ? static_cast<std::size_t>(found - Data()) : RW_NPOS;
}

std::size_t RWCString::Last(char c, RWStopAt stop) const {
  if (stop == RWStopAt::kLength) {
    return core_.Last(c);
  }
  const char* found = std::strrchr(Data(), c);
  return found != nullptr ? static_cast<std::size_t>(found - Data()) : RW_NPOS;
}

std::size_t RWCString::FirstOf(const char* set, std::size_t n) const {
  return core_.FirstOf(set, n);
}

std::size_t RWCString::FirstOf(const char* set) const {
  if (set == nullptr) {
    return RW_NPOS;
  }
  const char* found = std::strpbrk(Data(), set);
  return found != nullptr ? static_cast<std::size_t>(found - Data()) : RW_NPOS;
}

std::size_t RWCString::Index(const char* pattern,
                             std::size_t n,
                             std::size_t start,
                             RWCaseCompare compare) const {
  if (pattern == nullptr) {
    n = 0;
  }
  return core_.Index(pattern, n, start,
                     compare == RWCaseCompare::kIgnoreCase ? FoldLower : nullptr);
}

std::size_t RWCString::Index(const char* pattern, std::size_t start, RWCaseCompare compare) const {
  return Index(pattern, TextLength(pattern), start, compare);
}

std::size_t RWCString::Index(const RWCString& pattern,
                             std::size_t start,
                             RWCaseCompare compare) const {
  return Index(pattern.Data(), pattern.Length(), start, compare);
}

RWCStringSlice RWCString::SubString(const char* pattern, std::size_t start, RWCaseCompare compare) {
  const std::size_t n = TextLength(pattern);
  const std::size_t found = Index(pattern, n, start, compare);
  if (found == RW_NPOS) {
    return RWCStringSlice(*this, RW_NPOS, 0);
  }
  return RWCStringSlice(*this, found, n);
}

RWCStringSlice RWCString::operator()(std::size_t start, std::size_t extent) {
  const std::size_t length = Length();
  if (start > length || extent > length - start) {
    vel::RaiseSubStringError(start, extent, length);
    return RWCStringSlice(*this, RW_NPOS, 0);
  }
  return RWCStringSlice(*this, start, extent);
}

// ---- Comparison and hashing ----

int RWCString::Compare(const char* text, RWCaseCompare compare) const {
  if (text == nullptr) {
    text = "";
  }
  const char* own = Data();
  const std::size_t length = Length();
  const bool fold = compare == RWCaseCompare::kIgnoreCase;
  for (std::size_t i = 0;; ++i) {
    if (text[i] == '\0') {
      return i < length ? 1 : 0;
    }
    if (i == length) {
      return -1;
    }
    // Signed bytes: 0x80 and up sort below ASCII.
    auto a = static_cast<signed char>(fold ? FoldLower(own[i]) : own[i]);
    auto b = static_cast<signed char>(fold ? FoldLower(text[i]) : text[i]);
    if (a != b) {
      return a < b ? -1 : 1;
    }
  }
}

int RWCString::Compare(const RWCString& other, RWCaseCompare compare) const {
  const std::size_t length = Length();
  const std::size_t other_length = other.Length();
  const std::size_t common = std::min(length, other_length);
  if (compare == RWCaseCompare::kExact) {
    const int result = common == 0 ? 0 : std::memcmp(Data(), other.Data(), common);
    if (result != 0) {
      return result < 0 ? -1 : 1;
    }
  } else {
    for (std::size_t i = 0; i < common; ++i) {
      auto a = static_cast<signed char>(FoldLower(Data()[i]));
      auto b = static_cast<signed char>(FoldLower(other.Data()[i]));
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

int RWCString::Collate(const char* text) const {
  return std::strcoll(Data(), text != nullptr ? text : "");
}

std::uint32_t RWCString::Hash(RWCaseCompare compare) const {
  const auto* bytes = reinterpret_cast<const unsigned char*>(Data());
  const std::size_t length = Length();
  auto h = static_cast<std::uint32_t>(length);
  if (compare == RWCaseCompare::kIgnoreCase) {
    for (std::size_t i = 0; i < length; ++i) {
      h = std::rotl(h, 5) ^ static_cast<std::uint32_t>(std::toupper(bytes[i]));
    }
    return h;
  }
  const std::size_t whole = length / 4 * 4;
  for (std::size_t i = 0; i < whole; i += 4) {
    std::uint32_t word;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(&word, bytes + i, 4);
    } else {
      word = bytes[i] | (bytes[i + 1] << 8) | (bytes[i + 2] << 16) |
             (static_cast<std::uint32_t>(bytes[i + 3]) << 24);
    }
    h = std::rotl(h, 5) ^ word;
  }
  if (whole != length) {
    std::uint32_t c = 0;
    for (std::size_t i = whole; i < length; ++i) {
      const auto sign_extended =
          static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(bytes[i])));
      c = (c << 8) | sign_extended;
    }
    h = std::rotl(h, 5) ^ c;
  }
  return h;
}

// ---- Character questions and transforms ----

bool RWCString::IsAscii() const {
  const auto* bytes = reinterpret_cast<const unsigned char*>(Data());
  return std::all_of(bytes, bytes + Length(), [](unsigned char b) { return b <= 127; });
}

std::size_t RWCString::MbLength() const {
  const char* text = Data();
  const std::size_t length = Length();
  std::mbstate_t state{};
  std::size_t count = 0;
  std::size_t pos = 0;
  while (pos < length && text[pos] != '\0') {
    // Never looks past the length: a character cut off there is invalid.
    const std::size_t n = std::mbrlen(text + pos, length - pos, &state);
    if (n == 0 || n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) {
      return RW_NPOS;
    }
    pos += n;
    ++count;
  }
  return count;
}

RWCString RWCString::StrXForm() const {
  errno = 0;
  const std::size_t needed = std::strxfrm(nullptr, Data(), 0);
  if (errno != 0 || needed >= Core::kMaxLength) {
    return RWCString();
  }
  Core result('\0', needed + 1, needed + 1);
  if (result.Length() != needed + 1) {
    return RWCString();  // memory refused
  }
  const std::size_t written = std::strxfrm(&result.At(0), Data(), needed + 1);
  if (errno != 0 || written > needed) {
    return RWCString();
  }
  result.Resize(written + 1, '\0');
  return RWCString(std::move(result));
}

// ---- Concatenation, equality, case copies ----

RWCString operator+(const RWCString& a, const RWCString& b) {
  return RWCString(Core::Concatenate(a.Data(), a.Length(), b.Data(), b.Length()));
}

RWCString operator+(const RWCString& a, const char* b) {
  return RWCString(Core::Concatenate(a.Data(), a.Length(), b, TextLength(b)));
}

RWCString operator+(const char* a, const RWCString& b) {
  return RWCString(Core::Concatenate(a, TextLength(a), b.Data(), b.Length()));
}

bool operator==(const RWCString& a, const RWCString& b) {
  return a.Length() == b.Length() &&
         (a.Data() == b.Data() || std::memcmp(a.Data(), b.Data(), a.Length()) == 0);
}

bool operator==(const RWCString& a, const char* text) {
  const std::size_t n = TextLength(text);
  return a.Length() == n && (n == 0 || std::memcmp(a.Data(), text, n) == 0);
}

RWCString ToLower(const RWCString& text) {
  RWCString result = text.Copy();
  result.ToLower();
  return result;
}

RWCString ToUpper(const RWCString& text) {
  RWCString result = text.Copy();
  result.ToUpper();
  return result;
}

// ---- Stored forms ----

void RWCString::SaveOn(RWVirtualOutStream& stream) const {
  const auto length = static_cast<unsigned int>(Length());
  stream.Put(length);
  if (stream.Version() != 0) {
    stream.PutString(Data(), length);
  } else {
    stream.Put(Data(), length);
  }
}

void RWCString::RestoreFrom(RWVirtualInStream& stream) {
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
  Core::Rep* rep = nullptr;
  if (stream.Version() != 0) {
    // The counted string carries a length of its own. GetString ends what it read with a NUL, so
    // a NUL at index `length`, where a non-zero probe stood, proves that exactly `length`
    // characters arrived; a shorter inner string leaves the probe in place.
    rep = Core::Allocate(std::max<std::size_t>(length, 1), length);
    if (rep == nullptr) {
      MarkFailed(stream);
      return;
    }
    char* text = rep->Text();
    text[length] = 1;
    stream.GetString(text, std::size_t{length} + 1);
    if (!stream.Good() || text[length] != '\0') {
      Core::Free(rep);
      MarkFailed(stream);
      return;
    }
    if (length == 0) {
      Core::Free(rep);
      rep = Core::Allocate(0, 0);
    }
  } else {
    rep = Core::ReadText(
        length,
        [](void* context, char* target, std::size_t n) {
          auto& in = *static_cast<RWVirtualInStream*>(context);
          in.Get(target, n);
          return in.Good() != 0;
        },
        &stream);
    if (rep == nullptr) {
      MarkFailed(stream);
      return;
    }
  }
  core_.AdoptRestored(rep);
}

bool RWCString::SaveOn(RWBinaryFile& file) const {
  const auto length = static_cast<unsigned int>(Length());
  return file.Write(length) && file.Write(Data(), length);
}

bool RWCString::RestoreFrom(RWBinaryFile& file) {
  unsigned int length = 0;
  if (!file.Read(length) || length > kMaxStoredLength) {
    return false;
  }
  Core::Rep* rep = Core::ReadText(
      length,
      [](void* context, char* target, std::size_t n) {
        return static_cast<RWBinaryFile*>(context)->Read(target, n);
      },
      &file);
  if (rep == nullptr) {
    return false;
  }
  core_.AdoptRestored(rep);
  return true;
}

RWVirtualOutStream& operator<<(RWVirtualOutStream& stream, const RWCString& text) {
  text.SaveOn(stream);
  return stream;
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, RWCString& text) {
  text.RestoreFrom(stream);
  return stream;
}
