// Copy-on-write representation, sizing rule and editing algorithms of the narrow and wide strings.
#include "rw/RWStringCore.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>

#include "rw/RWError.h"
#include "rw/RWMessage.h"

namespace vel {

namespace {

void RaiseNoMemory(std::size_t size) {
  RWThrow(RWNoMemoryError(static_cast<std::uint32_t>(std::min<std::size_t>(size, 0xFFFFFFFFu))));
}

// Copies that tolerate overlap and empty or null sources.
template <typename Char>
void MoveChars(Char* target, const Char* source, std::size_t n) {
  if (n != 0) {
    std::memmove(target, source, n * sizeof(Char));
  }
}

// True when p points into [first, first + n], compared as addresses so that unrelated pointers
// compare safely.
template <typename Char>
bool PointsInto(const Char* p, const Char* first, std::size_t n) {
  const auto address = reinterpret_cast<std::uintptr_t>(p);
  const auto begin = reinterpret_cast<std::uintptr_t>(first);
  return address >= begin && address <= begin + n * sizeof(Char);
}

}  // namespace

void RaiseSubStringError(std::size_t start, std::size_t extent, std::size_t length) {
  RWThrow(
      RWIndexError(RWCatalogMessage(RWTOOL_SUBSTRING(), static_cast<int>(start),
                                    static_cast<unsigned>(extent), static_cast<unsigned>(length))));
}

template <typename Char>
std::size_t StringCore<Char>::AdjustCapacity(std::size_t n) {
  const std::uint64_t initial = sizing_.initial_capacity.load(std::memory_order_relaxed);
  std::uint64_t increment = sizing_.resize_increment.load(std::memory_order_relaxed);
  if (increment == 0) {
    increment = 1;
  }
  std::uint64_t capacity = initial;
  if (n > initial) {
    capacity = initial + (n - initial + increment - 1) / increment * increment;
  }
  // Rounding up never goes past the longest string; a longer n is refused by Allocate.
  return static_cast<std::size_t>(
      std::min<std::uint64_t>(capacity, std::max<std::uint64_t>(n, kMaxLength)));
}

template <typename Char>
typename StringCore<Char>::Rep* StringCore<Char>::Allocate(std::size_t capacity,
                                                           std::size_t length) {
  if (capacity == 0) {
    return NullRep();
  }
  if (capacity > kMaxLength) {
    RaiseNoMemory(capacity);
    return nullptr;
  }
  const std::size_t bytes = sizeof(Rep) + (capacity + 1) * sizeof(Char);
  void* block = ::operator new(bytes, std::nothrow);
  if (block == nullptr) {
    RaiseNoMemory(bytes);
    return nullptr;
  }
  Rep* rep = new (block)
      Rep{{0}, static_cast<std::uint32_t>(capacity), static_cast<std::uint32_t>(length)};
  rep->Text()[length] = Char();
  return rep;
}

template <typename Char>
void StringCore<Char>::Free(Rep* rep) {
  if (rep != nullptr && rep != NullRep()) {
    rep->~Rep();
    ::operator delete(static_cast<void*>(rep));
  }
}

template <typename Char>
StringCore<Char>::StringCore(const Char* text, std::size_t n, std::size_t capacity)
    : text_(NullText()) {
  if (text == nullptr) {
    n = 0;
  }
  Rep* rep = Allocate(std::max(capacity, n), n);
  if (rep != nullptr) {
    MoveChars(rep->Text(), text, n);
    text_ = rep->Text();
  }
}

template <typename Char>
StringCore<Char>::StringCore(Char c, std::size_t n, std::size_t capacity) : text_(NullText()) {
  Rep* rep = Allocate(std::max(capacity, n), n);
  if (rep != nullptr) {
    std::fill_n(rep->Text(), n, c);
    text_ = rep->Text();
  }
}

template <typename Char>
bool StringCore<Char>::Unshare() {
  if (IsUnshared()) {
    return true;
  }
  const std::size_t length = Length();
  Rep* rep = Allocate(length, length);
  if (rep == nullptr) {
    return false;
  }
  MoveChars(rep->Text(), text_, length);
  Adopt(rep);
  return true;
}

template <typename Char>
Char& StringCore<Char>::At(std::size_t i) {
  if (!Unshare()) {
    static thread_local Char scratch;
    scratch = Char();
    return scratch;
  }
  return text_[i];
}

template <typename Char>
bool StringCore<Char>::Replace(std::size_t pos,
                               std::size_t removed,
                               const Char* text,
                               std::size_t inserted) {
  Rep* rep = GetRep();
  const std::size_t length = rep->length;
  if (pos > length) {
    RaiseSubStringError(pos, removed, length);
    return false;
  }
  removed = std::min(removed, length - pos);
  if (text == nullptr) {
    inserted = 0;
  }
  if (removed == 0 && inserted == 0) {
    return true;
  }
  const std::size_t kept = length - removed;
  if (inserted > kMaxLength - kept) {
    RaiseNoMemory(inserted);
    return false;
  }
  const std::size_t total = kept + inserted;
  const std::size_t tail = kept - pos;
  const std::size_t free_board = sizing_.free_board.load(std::memory_order_relaxed);
  const bool in_place = IsUnshared() && rep->capacity >= total &&
                        !(total < length && rep->capacity - total > free_board) &&
                        !PointsInto(text, text_, length);
  if (in_place) {
    MoveChars(text_ + pos + inserted, text_ + pos + removed, tail);
    MoveChars(text_ + pos, text, inserted);
    rep->length = static_cast<std::uint32_t>(total);
    text_[total] = Char();
    return true;
  }
  Rep* fresh = Allocate(AdjustCapacity(total), total);
  if (fresh == nullptr) {
    return false;
  }
  Char* out = fresh->Text();
  MoveChars(out, text_, pos);
  MoveChars(out + pos, text, inserted);
  MoveChars(out + pos + inserted, text_ + pos + removed, tail);
  Adopt(fresh);
  return true;
}

template <typename Char>
void StringCore<Char>::AssignText(const Char* text, std::size_t n) {
  if (text == nullptr || n == 0) {
    if (IsUnshared()) {
      GetRep()->length = 0;
      text_[0] = Char();
    } else {
      Adopt(NullRep());
    }
    return;
  }
  Replace(0, Length(), text, n);
}

template <typename Char>
void StringCore<Char>::AppendFill(Char c, std::size_t count) {
  if (count == 0) {
    return;
  }
  const std::size_t length = Length();
  if (count > kMaxLength - length) {
    RaiseNoMemory(count);
    return;
  }
  const std::size_t total = length + count;
  if (!IsUnshared() || Capacity() < total) {
    Rep* fresh = Allocate(total, length);
    if (fresh == nullptr) {
      return;
    }
    MoveChars(fresh->Text(), text_, length);
    Adopt(fresh);
  }
  std::fill_n(text_ + length, count, c);
  GetRep()->length = static_cast<std::uint32_t>(total);
  text_[total] = Char();
}

template <typename Char>
void StringCore<Char>::PrependFill(Char c, std::size_t count) {
  if (count == 0) {
    return;
  }
  const std::size_t length = Length();
  if (count > kMaxLength - length) {
    RaiseNoMemory(count);
    return;
  }
  const std::size_t total = length + count;
  if (IsUnshared() && Capacity() >= total) {
    MoveChars(text_ + count, text_, length);
    std::fill_n(text_, count, c);
    GetRep()->length = static_cast<std::uint32_t>(total);
    text_[total] = Char();
    return;
  }
  Rep* fresh = Allocate(AdjustCapacity(total), total);
  if (fresh == nullptr) {
    return;
  }
  std::fill_n(fresh->Text(), count, c);
  MoveChars(fresh->Text() + count, text_, length);
  Adopt(fresh);
}

template <typename Char>
void StringCore<Char>::Resize(std::size_t n, Char blank) {
  const std::size_t length = Length();
  if (n >= length) {
    AppendFill(blank, n - length);
  } else {
    Replace(n, length - n, nullptr, 0);
  }
}

template <typename Char>
std::size_t StringCore<Char>::SetCapacity(std::size_t n) {
  const std::size_t length = Length();
  if (n > length && n != Capacity()) {
    Rep* fresh = Allocate(n, length);
    if (fresh != nullptr) {
      MoveChars(fresh->Text(), text_, length);
      Adopt(fresh);
    }
  }
  return Capacity();
}

template <typename Char>
void StringCore<Char>::Clobber(std::size_t n) {
  if (IsUnshared() && Capacity() >= n) {
    GetRep()->length = 0;
    text_[0] = Char();
    return;
  }
  Rep* fresh = Allocate(n, 0);
  if (fresh != nullptr) {
    Adopt(fresh);
  }
}

template <typename Char>
void StringCore<Char>::Map(std::size_t start, std::size_t extent, Char (*fold)(Char)) {
  if (extent == 0 || !Unshare()) {
    return;
  }
  for (Char* p = text_ + start; p != text_ + start + extent; ++p) {
    *p = fold(*p);
  }
}

template <typename Char>
std::size_t StringCore<Char>::First(Char c) const {
  const Char* found = std::char_traits<Char>::find(text_, Length(), c);
  return found == nullptr ? RW_NPOS : static_cast<std::size_t>(found - text_);
}

template <typename Char>
std::size_t StringCore<Char>::Last(Char c) const {
  for (std::size_t i = Length(); i-- > 0;) {
    if (text_[i] == c) {
      return i;
    }
  }
  return RW_NPOS;
}

template <typename Char>
std::size_t StringCore<Char>::FirstOf(const Char* set, std::size_t n) const {
  if (set == nullptr) {
    return RW_NPOS;
  }
  const Char* begin = text_;
  const Char* end = begin + Length();
  const Char* found = std::find_first_of(begin, end, set, set + n);
  return found == end ? RW_NPOS : static_cast<std::size_t>(found - text_);
}

template <typename Char>
std::size_t StringCore<Char>::Index(const Char* pattern,
                                    std::size_t n,
                                    std::size_t start,
                                    Char (*fold)(Char)) const {
  const std::size_t length = Length();
  if (start > length || n > length - start) {
    return RW_NPOS;
  }
  if (n == 0) {
    return start;
  }
  if (fold == nullptr) {
    // Jump from one occurrence of the pattern's first character to the next.
    const Char* p = text_ + start;
    const Char* last = text_ + (length - n);
    while (p <= last) {
      p = std::char_traits<Char>::find(p, static_cast<std::size_t>(last - p) + 1, pattern[0]);
      if (p == nullptr) {
        return RW_NPOS;
      }
      if (std::memcmp(p + 1, pattern + 1, (n - 1) * sizeof(Char)) == 0) {
        return static_cast<std::size_t>(p - text_);
      }
      ++p;
    }
    return RW_NPOS;
  }
  for (std::size_t i = start; i <= length - n; ++i) {
    std::size_t j = 0;
    while (j < n && fold(text_[i + j]) == fold(pattern[j])) {
      ++j;
    }
    if (j == n) {
      return i;
    }
  }
  return RW_NPOS;
}

template <typename Char>
std::pair<std::size_t, std::size_t> StringCore<Char>::Strip(RWStripType type, Char c) const {
  const auto bits = static_cast<unsigned>(type);
  std::size_t begin = 0;
  std::size_t end = Length();
  if ((bits & 1u) != 0) {
    while (begin < end && text_[begin] == c) {
      ++begin;
    }
  }
  if ((bits & 2u) != 0) {
    while (end > begin && text_[end - 1] == c) {
      --end;
    }
  }
  if (begin == end) {
    return {RW_NPOS, 0};
  }
  return {begin, end - begin};
}

template <typename Char>
bool StringCore<Char>::Equals(const Char* text, std::size_t n) const {
  return Length() == n && (n == 0 || std::memcmp(text_, text, n * sizeof(Char)) == 0);
}

template <typename Char>
StringCore<Char> StringCore<Char>::Concatenate(const Char* a,
                                               std::size_t na,
                                               const Char* b,
                                               std::size_t nb) {
  StringCore result;
  if (nb > kMaxLength || na > kMaxLength - nb) {
    RaiseNoMemory(na + nb);
    return result;
  }
  const std::size_t total = na + nb;
  Rep* rep = Allocate(total == 0 ? 0 : AdjustCapacity(total), total);
  if (rep != nullptr) {
    MoveChars(rep->Text(), a, na);
    MoveChars(rep->Text() + na, b, nb);
    result.text_ = rep->Text();
  }
  return result;
}

template <typename Char>
typename StringCore<Char>::Rep* StringCore<Char>::ReadText(std::size_t length,
                                                           ReadFunction read,
                                                           void* context) {
  Rep* rep = Allocate(std::min(length, kReadChunk), 0);
  if (rep == nullptr) {
    return nullptr;
  }
  std::size_t done = 0;
  while (done < length) {
    const std::size_t n = std::min(kReadChunk, length - done);
    if (rep->capacity < done + n) {
      // Grow with the data: double, but never beyond the stored length.
      Rep* bigger =
          Allocate(std::min(length, std::max<std::size_t>(2 * rep->capacity, done + n)), done);
      if (bigger == nullptr) {
        Free(rep);
        return nullptr;
      }
      MoveChars(bigger->Text(), rep->Text(), done);
      Free(rep);
      rep = bigger;
    }
    if (!read(context, rep->Text() + done, n)) {
      Free(rep);
      return nullptr;
    }
    done += n;
  }
  if (rep != NullRep()) {
    rep->length = static_cast<std::uint32_t>(length);
    rep->Text()[length] = Char();
  }
  return rep;
}

template <typename Char>
void StringCore<Char>::AdoptRestored(Rep* rep) {
  const std::size_t length = rep->length;
  if (IsUnshared() && Capacity() >= length) {
    MoveChars(text_, rep->Text(), length);
    GetRep()->length = static_cast<std::uint32_t>(length);
    text_[length] = Char();
    Free(rep);
    return;
  }
  Adopt(rep);
}

template class StringCore<char>;
template class StringCore<char16_t>;

static_assert(sizeof(StringCore<char>) == sizeof(char*));

}  // namespace vel
