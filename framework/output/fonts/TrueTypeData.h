// Reading the big-endian fields of TrueType tables safely, and the lookups that the font reader
// makes in them: the character map (formats 2 and 4), and the vertical substitutes of the 'mort'
// and 'GSUB' tables. Every offset and count comes from the font and is checked against the bytes
// at hand; a field outside them makes the lookup answer "unmapped" (0, or the glyph unchanged).
#pragma once

#include <cstdint>

namespace vel::truetype {

// A read-only view of table bytes.
class ByteView {
 public:
  ByteView() = default;
  ByteView(const std::uint8_t* data, std::uint32_t size) : data_(data), size_(size) {}

  const std::uint8_t* Data() const { return data_; }
  std::uint32_t Size() const { return size_; }
  // True when `count` bytes from `offset` lie inside the view (no overflow).
  bool Has(std::uint64_t offset, std::uint64_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }
  // Big-endian fields; false (and `value` unchanged) when the field is not inside the view.
  bool U16(std::uint64_t offset, std::uint16_t& value) const {
    if (!Has(offset, 2)) {
      return false;
    }
    value = static_cast<std::uint16_t>(data_[offset] << 8 | data_[offset + 1]);
    return true;
  }
  bool I16(std::uint64_t offset, std::int16_t& value) const {
    std::uint16_t raw = 0;
    if (!U16(offset, raw)) {
      return false;
    }
    value = static_cast<std::int16_t>(raw);
    return true;
  }
  bool U32(std::uint64_t offset, std::uint32_t& value) const {
    if (!Has(offset, 4)) {
      return false;
    }
    value = static_cast<std::uint32_t>(data_[offset]) << 24 |
            static_cast<std::uint32_t>(data_[offset + 1]) << 16 |
            static_cast<std::uint32_t>(data_[offset + 2]) << 8 | data_[offset + 3];
    return true;
  }

 private:
  const std::uint8_t* data_ = nullptr;
  std::uint32_t size_ = 0;
};

// The four-character tag as a big-endian number ('cmap' = 0x636D6170).
constexpr std::uint32_t Tag(const char (&text)[5]) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[0])) << 24 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[1])) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[2])) << 8 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[3]));
}

// The character-map subtable chosen for a character set.
struct CmapChoice {
  bool found = false;
  std::uint16_t format = 0;
  std::uint32_t offset = 0;  // from the start of 'cmap'
  std::uint16_t platform = 0;
  std::uint16_t encoding = 0;
};

// Walks the encoding records of 'cmap' and picks the subtable of platform 3 that the character
// set prefers. Records whose subtable lies outside the table are passed over.
CmapChoice ChooseCmapSubtable(ByteView cmap, std::uint32_t char_set);

// Where the four arrays of a format-4 subtable lie in 'cmap' (offsets from its start), found
// once per subtable. `valid` is false when the segment count is 0 or the arrays run outside the
// table.
struct Format4Layout {
  bool valid = false;
  std::uint32_t seg_count = 0;
  std::uint32_t end_codes = 0;
  std::uint32_t start_codes = 0;
  std::uint32_t deltas = 0;
  std::uint32_t range_offsets = 0;
};
Format4Layout ReadFormat4Layout(ByteView cmap, std::uint32_t offset);

// The glyph of `code` in the format-4 (segment mapping) or format-2 (high-byte mapping) subtable
// at `offset`; 0 when unmapped or when the subtable's data runs outside 'cmap'.
std::uint16_t LookupFormat4(ByteView cmap, std::uint32_t offset, std::uint16_t code);
// The same lookup through a layout read from this very view.
std::uint16_t LookupFormat4(ByteView cmap, const Format4Layout& layout, std::uint16_t code);
std::uint16_t LookupFormat2(ByteView cmap, std::uint32_t offset, std::uint16_t code);

// The vertical form of `glyph` by a 'mort' table of the one accepted shape (a chain with one
// noncontextual substitution through a format-6 lookup table), else the glyph itself.
std::uint16_t MortVerticalSubstitute(ByteView mort, std::uint16_t glyph);
// The vertical form of `glyph` by the first 'vert' feature of a 'GSUB' table (single
// substitutions, formats 1 and 2, coverage formats 1 and 2), else the glyph itself.
std::uint16_t GsubVerticalSubstitute(ByteView gsub, std::uint16_t glyph);

}  // namespace vel::truetype
