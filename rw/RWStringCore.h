// The copy-on-write representation shared by the narrow and the wide string: the counted block,
// the shared empty block, the sizing rule and the editing algorithms over one character type.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "rw/RWDefs.h"

// Whether a comparison or a search folds case.
enum class RWCaseCompare : int { kExact = 0, kIgnoreCase = 1 };

// Which ends `Strip` removes a run from.
enum class RWStripType : unsigned { kLeading = 1, kTrailing = 2, kBoth = 3 };

// Where a character search stops: at the length (embedded NULs are characters like any other), or
// at the first NUL as the C runtime's string functions do.
enum class RWStopAt : int { kLength = 0, kFirstNul = 1 };

// The representation block, one heap allocation (capacity + 13 bytes for narrow characters,
// 2 x capacity + 14 for wide ones):
//
//   OFFSET  SIZE            DESCRIPTION
//   0       4               references minus one (0: one holder, the block may change in place)
//   4       4               capacity in characters, not counting the terminator
//   8       4               length in characters
//   12      (capacity+1)*w  the characters (w = 1 or 2); the one at index length is always 0
//
// A string object holds only the address of the first character and reaches the header by
// stepping back 12 bytes. The count is atomic: copies and releases on several threads give the
// results of a count changed under a lock.
template <typename Char>
struct RWStringRep {
  std::atomic<std::uint32_t> references_minus_one;
  std::uint32_t capacity;
  std::uint32_t length;

  Char* Text() { return reinterpret_cast<Char*>(reinterpret_cast<unsigned char*>(this) + 12); }
  static RWStringRep* FromText(const Char* text) {
    return reinterpret_cast<RWStringRep*>(
        const_cast<unsigned char*>(reinterpret_cast<const unsigned char*>(text)) - 12);
  }
};
static_assert(sizeof(RWStringRep<char>) == 12);
static_assert(sizeof(RWStringRep<char16_t>) == 12);

using RWCStringRep = RWStringRep<char>;
using RWWStringRep = RWStringRep<char16_t>;

namespace vel {

// Raises [SUBSTRING] for the run (start, extent) of a string of `length` characters.
void RaiseSubStringError(std::size_t start, std::size_t extent, std::size_t length);

// The process-wide sizing settings of one character type, in characters.
struct StringSizing {
  std::atomic<std::uint32_t> initial_capacity{15};  // smallest capacity the sizing rule gives
  std::atomic<std::uint32_t> resize_increment{16};  // step of the sizing rule
  std::atomic<std::uint32_t> free_board{15};        // most unused characters after a shrink
};

// The mechanics common to RWCString and RWWString. Holds exactly one pointer, the first character
// of the representation. Every operation that changes the text gives a shared block a private copy
// first. Operations that must allocate and cannot report [NOMEM] through the error hook and leave
// the string unchanged.
template <typename Char>
class StringCore {
 public:
  using Rep = RWStringRep<Char>;

  // Longest string: its length plus the terminator must fit in 32 bits, and RW_NPOS is never a
  // position inside a string.
  static constexpr std::size_t kMaxLength = 0xFFFFFFFEu;

  StringCore() noexcept : text_(NullText()) {}
  StringCore(const StringCore& other) noexcept : text_(other.text_) { AddReference(GetRep()); }
  StringCore(StringCore&& other) noexcept : text_(std::exchange(other.text_, NullText())) {}
  ~StringCore() { Release(GetRep()); }

  StringCore& operator=(const StringCore& other) noexcept {
    if (text_ != other.text_) {
      AddReference(other.GetRep());
      Release(GetRep());
      text_ = other.text_;
    }
    return *this;
  }
  StringCore& operator=(StringCore&& other) noexcept {
    if (this != &other) {
      Release(GetRep());
      text_ = std::exchange(other.text_, NullText());
    }
    return *this;
  }

  // A string of capacity `capacity` holding the n characters of text (null text: none).
  StringCore(const Char* text, std::size_t n, std::size_t capacity);
  // A string of capacity `capacity` holding n copies of c.
  StringCore(Char c, std::size_t n, std::size_t capacity);

  const Char* Data() const { return text_; }
  std::size_t Length() const { return GetRep()->length; }
  std::size_t Capacity() const { return GetRep()->capacity; }
  bool IsNull() const { return GetRep()->length == 0; }
  // True when this string is the only holder of a block of its own (never the shared empty one).
  bool IsUnshared() const {
    const Rep* rep = GetRep();
    return rep != NullRep() &&
           const_cast<Rep*>(rep)->references_minus_one.load(std::memory_order_acquire) == 0;
  }

  static StringSizing& Sizing() { return sizing_; }
  // Initial capacity for n <= initial capacity, else initial capacity plus whole increments.
  static std::size_t AdjustCapacity(std::size_t n);

  // Gives a shared block a private copy of capacity = length; false when that was refused.
  bool Unshare();
  // The writable character at i (i < length is the caller's check); unshares first. When the
  // private copy was refused, a scratch character that belongs to no string.
  Char& At(std::size_t i);

  // Replaces `removed` characters at pos by `inserted` ones from text. pos beyond the length raises
  // [SUBSTRING] and changes nothing. Answers whether the text changed as asked.
  bool Replace(std::size_t pos, std::size_t removed, const Char* text, std::size_t inserted);
  // Assignment of a text of n characters: n = 0 empties (in place when unshared), else Replace.
  void AssignText(const Char* text, std::size_t n);
  void AppendFill(Char c, std::size_t count);
  void PrependFill(Char c, std::size_t count);
  void Resize(std::size_t n, Char blank);
  std::size_t SetCapacity(std::size_t n);
  void Clobber(std::size_t n);
  // A private copy of the text with capacity = length.
  StringCore Copy() const { return StringCore(text_, Length(), Length()); }
  // Applies fold to the characters [start, start + extent) (unsharing first).
  void Map(std::size_t start, std::size_t extent, Char (*fold)(Char));

  std::size_t First(Char c) const;
  std::size_t Last(Char c) const;
  std::size_t FirstOf(const Char* set, std::size_t n) const;
  // First position i >= start where the n characters of pattern match; fold (may be null) maps
  // both sides before comparing.
  std::size_t Index(const Char* pattern,
                    std::size_t n,
                    std::size_t start,
                    Char (*fold)(Char)) const;
  // Start and extent of what is left after removing runs of c; start is RW_NPOS when nothing is.
  std::pair<std::size_t, std::size_t> Strip(RWStripType type, Char c) const;
  bool Equals(const Char* text, std::size_t n) const;

  // a followed by b, in one block of AdjustCapacity (total).
  static StringCore Concatenate(const Char* a, std::size_t na, const Char* b, std::size_t nb);

  // Reads `length` characters through read (called with at most kReadChunk characters at a time;
  // answers false on a short read) into a new block that grows with what actually arrived, so a
  // corrupt length costs no more memory than the data behind it. Null when a read failed or
  // memory was refused; the block of an empty text is the shared empty one.
  static constexpr std::size_t kReadChunk = 4096;
  using ReadFunction = bool (*)(void* context, Char* target, std::size_t n);
  static Rep* ReadText(std::size_t length, ReadFunction read, void* context);
  // A new block of `capacity` with length `length` and its terminator; the shared empty block for
  // 0, 0; null (after raising [NOMEM]) when refused.
  static Rep* Allocate(std::size_t capacity, std::size_t length);
  static void Free(Rep* rep);
  // Takes over a block made by ReadText or Allocate with the text in place, as a Clobber of its
  // length followed by a copy would leave it: an unshared block that is big enough keeps its
  // capacity and receives the text.
  void AdoptRestored(Rep* rep);

 private:
  struct NullBlock {
    Rep rep;
    Char text[4];
  };

  static Rep* NullRep() { return &null_block_.rep; }
  static Char* NullText() {
    static_assert(offsetof(NullBlock, text) == sizeof(Rep), "the text follows the header");
    return null_block_.text;
  }
  Rep* GetRep() const { return Rep::FromText(text_); }

  static void AddReference(Rep* rep) {
    if (rep != NullRep()) {
      rep->references_minus_one.fetch_add(1, std::memory_order_relaxed);
    }
  }
  static void Release(Rep* rep) {
    if (rep == NullRep()) {
      return;
    }
    // A count of 0 means no other holder exists that could add or drop a reference meanwhile.
    if (rep->references_minus_one.load(std::memory_order_acquire) == 0 ||
        rep->references_minus_one.fetch_sub(1, std::memory_order_acq_rel) == 0) {
      Free(rep);
    }
  }
  void Adopt(Rep* rep) {
    Release(GetRep());
    text_ = rep->Text();
  }

  Char* text_;

  // The shared empty representation: never freed, never written, its count never changed.
  static inline constinit NullBlock null_block_{};
  static inline constinit StringSizing sizing_{};
};

extern template class StringCore<char>;
extern template class StringCore<char16_t>;

}  // namespace vel
