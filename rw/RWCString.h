// RWCString, the library's 8-bit copy-on-write string, and RWCStringSlice, a view of a run of its
// characters that reads or overwrites them in place.
//
// Copying a string only adds a reference to its representation (see rw/RWStringCore.h); the first
// change to a shared string gives it a private copy. All empty strings share one static block.
// Length, not the first NUL, ends the text: embedded NULs are kept, except where an operation says
// it stops at the first NUL. Positions and lengths are std::size_t; RW_NPOS (0xFFFFFFFF) is the
// answer of a search that found nothing. Bad positions are reported through the error hook
// (rw/RWError.h): index errors as [INDEXERR] / [NPOSINDEX], bad runs as [SUBSTRING]; when the hook
// returns, the operation changes nothing.
//
// Stored form, the same on every virtual stream (each format spells the values its own way):
//   the length through Put(unsigned int), then the characters as one counted string through
//   PutString(text, length) (a stream of version 0: through Put(const char*, length)).
//   On the binary stream "ab" is 02 00 00 00  02 00 00 00 61 62.
// Stored form on the binary file:
//   OFFSET  SIZE    DESCRIPTION
//   0       4       length L, unsigned, least significant byte first
//   4       L       the characters; no terminator, no padding
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWDefs.h"
#include "rw/RWStringCore.h"

class RWBinaryFile;
class RWCString;
class RWVirtualInStream;
class RWVirtualOutStream;

// The argument of the constructors that make an empty string with room for `value` characters.
struct RWCapacity {
  std::size_t value;
};

class RWCStringSlice {
 public:
  RWCStringSlice(const RWCStringSlice&) = default;

  // A null slice matched nothing: its start is RW_NPOS and its extent 0.
  bool IsNull() const { return start_ == RW_NPOS; }
  std::size_t Start() const { return start_; }
  std::size_t Length() const { return extent_; }
  // The first covered character inside the string; null for a null slice. Not terminated.
  const char* Data() const;

  // Checked against the extent ([INDEXERR] / [NPOSINDEX]); the writable form unshares the string.
  char& operator[](std::size_t i);
  char operator[](std::size_t i) const;
  // Unchecked: i < Length() is the caller's duty. Unshares the string.
  char& operator()(std::size_t i);

  // Replace the covered characters inside the string by the new text; the extent becomes the new
  // text's length. A null slice ignores assignment.
  RWCStringSlice& operator=(const RWCString& text);
  RWCStringSlice& operator=(const RWCStringSlice& text);
  RWCStringSlice& operator=(const char* text);

  // Case mapping of the covered characters only; a null slice does nothing.
  void ToLower();
  void ToUpper();

  // Two null slices are equal; a null slice equals only empty text.
  bool operator==(const char* text) const;
  bool operator==(const RWCString& text) const;
  bool operator==(const RWCStringSlice& other) const;

 private:
  friend class RWCString;
  RWCStringSlice(RWCString& string, std::size_t start, std::size_t extent)
      : string_(&string), start_(start), extent_(extent) {}
  // False, after raising [SUBSTRING], when the string has since become too short for the slice.
  bool InRange() const;
  bool EqualsText(const char* text, std::size_t n) const;
  RWCStringSlice& AssignText(const char* text, std::size_t n);

  RWCString* string_;
  std::size_t start_;
  std::size_t extent_;
};

class RWCString {
 public:
  // Empty: shares the static empty representation.
  RWCString() = default;
  // Empty, with a private block of capacity.value characters (the shared empty one for 0).
  explicit RWCString(RWCapacity capacity);
  // The text up to its first NUL (a null pointer: empty); capacity = length.
  RWCString(const char* text);  // NOLINT(google-explicit-constructor): strings convert from text
  // n bytes, embedded NULs kept; capacity = n.
  RWCString(const char* bytes, std::size_t n);
  // One character; capacity = the initial-capacity setting.
  explicit RWCString(char c);
  // count copies of c; capacity = count.
  RWCString(char c, std::size_t count);
  // The covered characters; capacity by the sizing rule. A null slice gives the empty string.
  RWCString(const RWCStringSlice& slice);  // NOLINT(google-explicit-constructor)

  RWCString(const RWCString&) = default;
  RWCString(RWCString&&) noexcept = default;
  RWCString& operator=(const RWCString&) = default;
  RWCString& operator=(RWCString&&) noexcept = default;
  // An empty text keeps an unshared block (length 0) and drops a shared one for the empty block.
  RWCString& operator=(const char* text);

  // A string with a private block holding the same text.
  RWCString Copy() const;

  // Sizing settings of all narrow strings; each setter stores its value and returns the old one.
  static std::size_t SetInitialCapacity(std::size_t capacity);
  static std::size_t SetResizeIncrement(std::size_t increment);  // 0 is taken as 1
  static std::size_t SetFreeBoard(std::size_t free_board);
  // The sizing rule: n <= initial capacity gives the initial capacity, otherwise initial capacity
  // plus n - initial capacity rounded up to whole increments (15, 31, 47, ... by default).
  static std::size_t AdjustCapacity(std::size_t n);

  const char* Data() const { return core_.Data(); }
  std::size_t Length() const { return core_.Length(); }
  std::size_t Capacity() const { return core_.Capacity(); }
  bool IsNull() const { return core_.IsNull(); }

  // Editing. Every form keeps the terminator. Positions beyond the length raise [SUBSTRING].
  // count copies of c; a shared or full block is first re-made with capacity = the new length.
  RWCString& Append(char c, std::size_t count = 1);
  RWCString& Append(const char* text);
  RWCString& Append(const char* text, std::size_t n);
  RWCString& Append(const RWCString& text);
  // count copies of c at the front: in place when unshared and big enough.
  RWCString& Prepend(char c, std::size_t count = 1);
  RWCString& Prepend(const char* text);
  RWCString& Prepend(const char* text, std::size_t n);
  RWCString& Prepend(const RWCString& text);
  RWCString& Insert(std::size_t pos, const char* text);
  RWCString& Insert(std::size_t pos, const char* text, std::size_t n);
  RWCString& Insert(std::size_t pos, const RWCString& text);
  // Everything from pos on, or at most n characters from pos.
  RWCString& Remove(std::size_t pos);
  RWCString& Remove(std::size_t pos, std::size_t n);
  // Replaces at most `removed` characters at pos by the inserted text. Done in place when the
  // string is unshared, big enough, would not keep more than the free board unused after
  // shrinking, and the text does not lie inside this string; else into a new block sized by the
  // sizing rule.
  RWCString& Replace(std::size_t pos, std::size_t removed, const char* text);
  RWCString& Replace(std::size_t pos, std::size_t removed, const char* text, std::size_t inserted);
  RWCString& Replace(std::size_t pos, std::size_t removed, const RWCString& text);
  // Pads with blanks (0x20) or cuts to n characters.
  void Resize(std::size_t n);
  // When n exceeds the length and differs from the capacity, re-makes the block with capacity n.
  // Answers the capacity.
  std::size_t Capacity(std::size_t n);
  // Empties the string with room for n: in place when unshared and big enough.
  void Clobber(std::size_t n);
  // Every character through the C runtime's tolower / toupper (current locale).
  void ToLower();
  void ToUpper();
  // What is left after removing runs of c at the chosen ends; a null slice when nothing is.
  RWCStringSlice Strip(RWStripType type = RWStripType::kTrailing, char c = ' ');

  // Access. Index i >= Length() raises [NPOSINDEX] (for RW_NPOS) or [INDEXERR]; the read form
  // then answers 0, the write form a scratch character that belongs to no string.
  char& operator[](std::size_t i);
  char operator[](std::size_t i) const;

  // Searches; RW_NPOS when nothing is found.
  std::size_t First(char c, RWStopAt stop = RWStopAt::kLength) const;
  std::size_t Last(char c, RWStopAt stop = RWStopAt::kLength) const;
  // The first position holding one of the n characters of set.
  std::size_t FirstOf(const char* set, std::size_t n) const;
  // The same with a NUL-terminated set, stopping at this string's first NUL (strpbrk).
  std::size_t FirstOf(const char* set) const;
  // The first position i >= start where the n characters of pattern match; start when n is 0;
  // RW_NPOS when start + n exceeds the length.
  std::size_t Index(const char* pattern,
                    std::size_t n,
                    std::size_t start,
                    RWCaseCompare compare) const;
  std::size_t Index(const char* pattern,
                    std::size_t start = 0,
                    RWCaseCompare compare = RWCaseCompare::kExact) const;
  std::size_t Index(const RWCString& pattern,
                    std::size_t start = 0,
                    RWCaseCompare compare = RWCaseCompare::kExact) const;
  // The slice of the first match of pattern at or after start, or a null slice.
  RWCStringSlice SubString(const char* pattern,
                           std::size_t start = 0,
                           RWCaseCompare compare = RWCaseCompare::kExact);
  // The slice [start, start + extent); a run beyond the length raises [SUBSTRING] and gives a null
  // slice.
  RWCStringSlice operator()(std::size_t start, std::size_t extent);

  // -1, 0 or 1. Against a NUL-terminated text (null: empty) characters compare as signed bytes,
  // so bytes from 0x80 up sort below ASCII. Against another string an exact comparison orders
  // unsigned bytes; ignoring case folds with tolower and compares signed bytes. A string that is
  // a prefix of the other is the smaller.
  int Compare(const char* text, RWCaseCompare compare = RWCaseCompare::kExact) const;
  int Compare(const RWCString& other, RWCaseCompare compare = RWCaseCompare::kExact) const;
  // strcoll of the text against the argument.
  int Collate(const char* text) const;

  // Exact: h = length, then h = rotl(h, 5) ^ w for every whole 4-byte group w (least significant
  // byte first), then for a remainder of r bytes the group c built by c = (c << 8) | b with each
  // byte b sign-extended. Ignoring case: h = length, then h = rotl(h, 5) ^ toupper(b) per byte.
  std::uint32_t Hash(RWCaseCompare compare = RWCaseCompare::kExact) const;
  static std::uint32_t Hash(const RWCString& text) { return text.Hash(RWCaseCompare::kExact); }

  // No byte above 127.
  bool IsAscii() const;
  // The number of multibyte characters before the first NUL in the current locale, or RW_NPOS
  // when the text is not valid multibyte text.
  std::size_t MbLength() const;
  // strxfrm of the text; the result's length is the transformed length plus 1 (its last
  // character is the NUL). A failing transform gives the empty string.
  RWCString StrXForm() const;

  // Stored forms (see the top of this file).
  void SaveOn(RWVirtualOutStream& stream) const;
  [[nodiscard]] bool SaveOn(RWBinaryFile& file) const;
  // Only a complete string is taken: a length that cannot be read or satisfied (above
  // kMaxStoredLength, or more characters than arrive) and a short or mismatched character read
  // leave this string unchanged and the stream failed.
  void RestoreFrom(RWVirtualInStream& stream);
  // Answers false, with this string unchanged, when the length or the characters could not be
  // read or the length is above kMaxStoredLength.
  [[nodiscard]] bool RestoreFrom(RWBinaryFile& file);

  // The longest string a restore accepts: far above any name, key or text of the system, and
  // small enough that a corrupt length cannot make a restore ask for gigabytes.
  static constexpr std::size_t kMaxStoredLength = 0x01000000;

 private:
  friend class RWCStringSlice;
  friend RWCString operator+(const RWCString& a, const RWCString& b);
  friend RWCString operator+(const RWCString& a, const char* b);
  friend RWCString operator+(const char* a, const RWCString& b);

  explicit RWCString(vel::StringCore<char>&& core) : core_(std::move(core)) {}

  vel::StringCore<char> core_;
};

// Concatenations: one new block sized by the sizing rule.
RWCString operator+(const RWCString& a, const RWCString& b);
RWCString operator+(const RWCString& a, const char* b);
RWCString operator+(const char* a, const RWCString& b);

// Same length and same bytes.
bool operator==(const RWCString& a, const RWCString& b);
// Same length and same bytes as the text up to its first NUL (a null text is empty).
bool operator==(const RWCString& a, const char* text);

// New strings holding the case-mapped text.
RWCString ToLower(const RWCString& text);
RWCString ToUpper(const RWCString& text);

RWVirtualOutStream& operator<<(RWVirtualOutStream& stream, const RWCString& text);
RWVirtualInStream& operator>>(RWVirtualInStream& stream, RWCString& text);
