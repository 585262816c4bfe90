// RWWString, the library's string of 16-bit characters (char16_t), and RWWStringSlice, its view of
// a run of characters. Built like RWCString (rw/RWCString.h): one pointer to the characters of a
// copy-on-write representation, a shared empty block, the same sizing rule (its own settings) and
// the same editing rules. Also links wide and narrow text (zero-extension, the C runtime's
// multibyte conversion, truncation to ASCII) and reads and writes wide text on byte streams.
//
// Conversions through the C runtime work in 16-bit units: a character that needs more than 16
// bits makes the conversion fail, and a failed conversion gives the empty string, never an error.
//
// Stored form, the same on every virtual stream:
//   the length through Put(unsigned int), then the characters through
//   Put(const unsigned short*, length). On the binary stream u"ab" is
//   02 00 00 00  61 00 62 00.
// Stored form on the binary file:
//   OFFSET  SIZE    DESCRIPTION
//   0       4       length L in characters, unsigned, least significant byte first
//   4       2 x L   the characters, each least significant byte first; no terminator
// On the standard runtime's byte streams (istream / ostream) every character is two bytes of the
// stream buffer, least significant first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>

#include "rw/RWCString.h"
#include "rw/RWDefs.h"
#include "rw/RWStringCore.h"

class RWWString;

// Whether a wide read skips white space before its first character.
enum class RWWhiteSpace : int { kKeep = 0, kSkip = 1 };

class RWWStringSlice {
 public:
  RWWStringSlice(const RWWStringSlice&) = default;

  bool IsNull() const { return start_ == RW_NPOS; }
  std::size_t Start() const { return start_; }
  std::size_t Length() const { return extent_; }
  const char16_t* Data() const;

  // Checked: an index that is RW_NPOS or not below the extent raises [INDEX] (index, extent).
  char16_t& operator[](std::size_t i);
  char16_t operator[](std::size_t i) const;
  // Unchecked; unshares the string.
  char16_t& operator()(std::size_t i);

  RWWStringSlice& operator=(const RWWString& text);
  RWWStringSlice& operator=(const RWWStringSlice& text);
  RWWStringSlice& operator=(const char16_t* text);

  void ToLower();
  void ToUpper();

  bool operator==(const char16_t* text) const;
  bool operator==(const RWWString& text) const;
  bool operator==(const RWWStringSlice& other) const;

 private:
  friend class RWWString;
  RWWStringSlice(RWWString& string, std::size_t start, std::size_t extent)
      : string_(&string), start_(start), extent_(extent) {}
  bool InRange() const;
  bool EqualsText(const char16_t* text, std::size_t n) const;
  RWWStringSlice& AssignText(const char16_t* text, std::size_t n);

  RWWString* string_;
  std::size_t start_;
  std::size_t extent_;
};

class RWWString {
 public:
  // Marks the constructors that convert multibyte text through the C runtime.
  enum MultiByte { kMultiByte };

  RWWString() = default;
  explicit RWWString(RWCapacity capacity);
  // The text up to its first 0 (a null pointer: empty); capacity = length.
  RWWString(const char16_t* text);  // NOLINT(google-explicit-constructor)
  RWWString(const char16_t* text, std::size_t n);
  explicit RWWString(char16_t c);
  RWWString(char16_t c, std::size_t count);
  RWWString(const RWWStringSlice& slice);  // NOLINT(google-explicit-constructor)

  // 8-bit text, every byte zero-extended (no code page involved); capacity = the byte count. One
  // byte gets the initial capacity.
  explicit RWWString(char c);
  explicit RWWString(const char* text);
  RWWString(const char* bytes, std::size_t n);

  // Multibyte text of the current locale converted by the C runtime, stopping at a NUL; capacity
  // and length are the converted count. Invalid text, or a character beyond 16 bits: empty.
  RWWString(const char* text, MultiByte);
  RWWString(const char* bytes, std::size_t n, MultiByte);
  RWWString(const RWCString& text, MultiByte);

  RWWString(const RWWString&) = default;
  RWWString(RWWString&&) noexcept = default;
  RWWString& operator=(const RWWString&) = default;
  RWWString& operator=(RWWString&&) noexcept = default;
  // An empty text on an unshared string keeps its block, with length 0 and the terminator.
  RWWString& operator=(const char16_t* text);

  RWWString Copy() const;

  // Sizing settings of all wide strings, in characters; each setter returns the old value.
  static std::size_t SetInitialCapacity(std::size_t capacity);
  static std::size_t SetResizeIncrement(std::size_t increment);  // 0 is taken as 1
  static std::size_t SetFreeBoard(std::size_t free_board);
  static std::size_t AdjustCapacity(std::size_t n);

  const char16_t* Data() const { return core_.Data(); }
  std::size_t Length() const { return core_.Length(); }
  std::size_t Capacity() const { return core_.Capacity(); }
  bool IsNull() const { return core_.IsNull(); }

  // Editing, as RWCString.
  RWWString& Append(char16_t c, std::size_t count = 1);
  RWWString& Append(const char16_t* text);
  RWWString& Append(const char16_t* text, std::size_t n);
  RWWString& Append(const RWWString& text);
  RWWString& Prepend(char16_t c, std::size_t count = 1);
  RWWString& Prepend(const char16_t* text);
  RWWString& Prepend(const char16_t* text, std::size_t n);
  RWWString& Prepend(const RWWString& text);
  RWWString& Insert(std::size_t pos, const char16_t* text);
  RWWString& Insert(std::size_t pos, const char16_t* text, std::size_t n);
  RWWString& Insert(std::size_t pos, const RWWString& text);
  RWWString& Remove(std::size_t pos);
  RWWString& Remove(std::size_t pos, std::size_t n);
  // With a NUL-terminated text pos is first clamped to the length; the other forms raise
  // [SUBSTRING] for a pos beyond it.
  RWWString& Replace(std::size_t pos, std::size_t removed, const char16_t* text);
  RWWString& Replace(std::size_t pos,
                     std::size_t removed,
                     const char16_t* text,
                     std::size_t inserted);
  RWWString& Replace(std::size_t pos, std::size_t removed, const RWWString& text);
  // Pads with the wide blank 0x0020 or cuts.
  void Resize(std::size_t n);
  std::size_t Capacity(std::size_t n);
  void Clobber(std::size_t n);
  // towlower / towupper of the C runtime.
  void ToLower();
  void ToUpper();
  RWWStringSlice Strip(RWStripType type = RWStripType::kTrailing, char16_t c = u' ');

  char16_t& operator[](std::size_t i);
  char16_t operator[](std::size_t i) const;

  std::size_t First(char16_t c, RWStopAt stop = RWStopAt::kLength) const;
  std::size_t Last(char16_t c, RWStopAt stop = RWStopAt::kLength) const;
  std::size_t FirstOf(const char16_t* set, std::size_t n) const;
  std::size_t FirstOf(const char16_t* set) const;
  std::size_t Index(const char16_t* pattern,
                    std::size_t n,
                    std::size_t start,
                    RWCaseCompare compare) const;
  std::size_t Index(const char16_t* pattern,
                    std::size_t start = 0,
                    RWCaseCompare compare = RWCaseCompare::kExact) const;
  std::size_t Index(const RWWString& pattern,
                    std::size_t start = 0,
                    RWCaseCompare compare = RWCaseCompare::kExact) const;
  bool Contains(const char16_t* text, RWCaseCompare compare = RWCaseCompare::kExact) const;
  bool Contains(const RWWString& text, RWCaseCompare compare = RWCaseCompare::kExact) const;
  RWWStringSlice SubString(const char16_t* pattern,
                           std::size_t start = 0,
                           RWCaseCompare compare = RWCaseCompare::kExact);
  RWWStringSlice operator()(std::size_t start, std::size_t extent);

  // -1, 0 or 1. Against a text, characters (or their towlower) compare as unsigned 16-bit
  // numbers. Against a string, an exact comparison orders the characters' bytes as they lie in
  // memory (least significant byte first); ignoring case compares towlower values. A prefix is
  // the smaller.
  int Compare(const char16_t* text, RWCaseCompare compare = RWCaseCompare::kExact) const;
  int Compare(const RWWString& other, RWCaseCompare compare = RWCaseCompare::kExact) const;
  // wcscoll of the texts up to their first 0.
  int Collate(const char16_t* text) const;

  // Exact: h = length, then h = rotl(h, 5) ^ w over the text's bytes in 4-byte groups w (two
  // characters, the first in the low half); an odd length adds two rounds with the last
  // character and then 0. Ignoring case: h = rotl(h, 5) ^ (towupper(c) & 0xFFFF) per character.
  std::uint32_t Hash(RWCaseCompare compare = RWCaseCompare::kExact) const;
  static std::uint32_t Hash(const RWWString& text) { return text.Hash(RWCaseCompare::kExact); }

  // No character above 127.
  bool IsAscii() const;
  // The low byte of every character, same length.
  RWCString ToAscii() const;
  // The text up to its first 0 in the current locale's multibyte form; empty when a character
  // cannot be represented.
  RWCString ToMultiByte() const;
  // wcsxfrm of the text, length = transformed length + 1; empty when the transform fails or
  // gives units beyond 16 bits.
  RWWString StrXForm() const;

  // Reading from a byte stream. Each empties the string first and appends characters until the
  // stream fails (a short transfer sets failbit and eofbit) or its end condition holds.
  // Everything: until the stream runs out.
  std::istream& ReadFile(std::istream& in);
  // Up to the delimiter, which is consumed and not stored.
  std::istream& ReadToDelim(std::istream& in,
                            char16_t delimiter = u'\n',
                            RWWhiteSpace white = RWWhiteSpace::kKeep);
  std::istream& ReadLine(std::istream& in, RWWhiteSpace white = RWWhiteSpace::kKeep);
  // Up to a 0 character.
  std::istream& ReadString(std::istream& in);
  // Skips white space, then reads up to the next white space (consumed, not stored) or the end;
  // stops when the length reaches a non-zero field width of the stream and resets the width.
  std::istream& ReadToken(std::istream& in);

  // Stored forms (see the top of this file); restores behave as RWCString's.
  void SaveOn(RWVirtualOutStream& stream) const;
  [[nodiscard]] bool SaveOn(RWBinaryFile& file) const;
  void RestoreFrom(RWVirtualInStream& stream);
  [[nodiscard]] bool RestoreFrom(RWBinaryFile& file);

  static constexpr std::size_t kMaxStoredLength = RWCString::kMaxStoredLength;

 private:
  friend class RWWStringSlice;
  friend RWWString operator+(const RWWString& a, const RWWString& b);
  friend RWWString operator+(const RWWString& a, const char16_t* b);
  friend RWWString operator+(const char16_t* a, const RWWString& b);
  friend RWWString Widen(const RWCString& text);

  explicit RWWString(vel::StringCore<char16_t>&& core) : core_(std::move(core)) {}
  // Makes room for one more character while reading: new capacity from the old one.
  bool GrowForRead(std::size_t capacity);

  vel::StringCore<char16_t> core_;
};

RWWString operator+(const RWWString& a, const RWWString& b);
RWWString operator+(const RWWString& a, const char16_t* b);
RWWString operator+(const char16_t* a, const RWWString& b);

bool operator==(const RWWString& a, const RWWString& b);
bool operator==(const RWWString& a, const char16_t* text);

RWWString ToLower(const RWWString& text);
RWWString ToUpper(const RWWString& text);

// Every byte of the narrow string zero-extended; same length.
RWWString Widen(const RWCString& text);

// ReadToken.
std::istream& operator>>(std::istream& in, RWWString& text);
// Pads to the stream's field width with its fill byte (sign-extended to 16 bits), before the
// text or, with the left-adjust flag, after it; resets the width.
std::ostream& operator<<(std::ostream& out, const RWWString& text);

RWVirtualOutStream& operator<<(RWVirtualOutStream& stream, const RWWString& text);
RWVirtualInStream& operator>>(RWVirtualInStream& stream, RWWString& text);
