// TrueType table fields and lookups, bounds-checked throughout.
#include "framework/output/fonts/TrueTypeData.h"

#include <cstddef>
#include <cstring>

namespace vel::truetype {

namespace {

// The cmap encodings a character set prefers on platform 3, best first.
struct Preference {
  std::uint16_t encodings[2];
  std::size_t count;
};

Preference PreferenceFor(std::uint32_t char_set) {
  switch (char_set) {
    case 3:
      return {{0, 0}, 1};
    case 17:
      return {{2, 1}, 2};
    case 18:
    case 19:
      return {{3, 1}, 2};
    case 20:
    case 21:
      return {{5, 1}, 2};
    case 22:
      return {{6, 1}, 2};
    case 23:
      return {{4, 1}, 2};
    default:
      return {{1, 0}, 1};
  }
}

// The place of an encoding in the preference list; past the end when it is not listed.
std::size_t Rank(const Preference& preference, std::uint16_t encoding) {
  for (std::size_t i = 0; i < preference.count; ++i) {
    if (preference.encodings[i] == encoding) {
      return i;
    }
  }
  return preference.count;
}

constexpr std::uint16_t kWindowsPlatform = 3;

}  // namespace

CmapChoice ChooseCmapSubtable(ByteView cmap, std::uint32_t char_set) {
  CmapChoice choice;
  std::uint16_t tables = 0;
  if (!cmap.U16(2, tables)) {
    return choice;
  }
  const Preference preference = PreferenceFor(char_set);
  for (std::uint32_t i = 0; i < tables; ++i) {
    const std::uint64_t record = 4 + 8ull * i;
    std::uint16_t platform = 0;
    std::uint16_t encoding = 0;
    std::uint32_t offset = 0;
    if (!cmap.U16(record, platform) || !cmap.U16(record + 2, encoding) ||
        !cmap.U32(record + 4, offset)) {
      break;  // the records run past the table
    }
    if (platform != kWindowsPlatform) {
      continue;
    }
    if (choice.found && Rank(preference, encoding) >= Rank(preference, choice.encoding)) {
      continue;
    }
    std::uint16_t format = 0;
    if (!cmap.U16(offset, format)) {
      continue;  // the subtable lies outside the table
    }
    choice = CmapChoice{true, format, offset, platform, encoding};
    if (Rank(preference, encoding) == 0) {
      break;
    }
  }
  return choice;
}

Format4Layout ReadFormat4Layout(ByteView cmap, std::uint32_t offset) {
  // OFFSET SIZE DESCRIPTION (from the subtable's start)
  // 0      2    format (4)
  // 2      2    length
  // 4      2    language
  // 6      2    segCountX2
  // 8      6    searchRange, entrySelector, rangeShift (not trusted)
  // 14     2n   endCode[segCount]
  // 14+2n  2    reservedPad
  // 16+2n  2n   startCode, then idDelta, then idRangeOffset, each 2n bytes
  Format4Layout layout;
  std::uint16_t seg_count_x2 = 0;
  if (!cmap.U16(std::uint64_t{offset} + 6, seg_count_x2)) {
    return layout;
  }
  const std::uint32_t seg_count = seg_count_x2 / 2u;
  const std::uint64_t step = 2ull * seg_count;
  const std::uint64_t end_codes = std::uint64_t{offset} + 14;
  if (seg_count == 0 || !cmap.Has(end_codes, 4 * step + 2)) {
    return layout;
  }
  // Every array lies inside the view, whose size fits 32 bits: so do the offsets.
  layout.valid = true;
  layout.seg_count = seg_count;
  layout.end_codes = static_cast<std::uint32_t>(end_codes);
  layout.start_codes = static_cast<std::uint32_t>(end_codes + step + 2);
  layout.deltas = static_cast<std::uint32_t>(end_codes + 2 * step + 2);
  layout.range_offsets = static_cast<std::uint32_t>(end_codes + 3 * step + 2);
  return layout;
}

std::uint16_t LookupFormat4(ByteView cmap, std::uint32_t offset, std::uint16_t code) {
  return LookupFormat4(cmap, ReadFormat4Layout(cmap, offset), code);
}

std::uint16_t LookupFormat4(ByteView cmap, const Format4Layout& layout, std::uint16_t code) {
  if (!layout.valid) {
    return 0;
  }
  const std::uint32_t seg_count = layout.seg_count;
  auto end_code = [&](std::uint32_t i) {
    std::uint16_t value = 0;
    (void)cmap.U16(layout.end_codes + 2ull * i, value);
    return value;
  };
  // The first segment whose end is not below the code.
  std::uint32_t segment = 0;
  if (seg_count >= 8) {
    std::uint32_t low = 0;
    std::uint32_t high = seg_count;
    while (low < high) {
      const std::uint32_t middle = low + (high - low) / 2;
      if (end_code(middle) < code) {
        low = middle + 1;
      } else {
        high = middle;
      }
    }
    segment = low;
  }
  while (segment < seg_count && end_code(segment) < code) {
    ++segment;
  }
  if (segment >= seg_count) {
    return 0;
  }
  std::uint16_t start = 0;
  std::uint16_t delta = 0;
  std::uint16_t range_offset = 0;
  (void)cmap.U16(layout.start_codes + 2ull * segment, start);
  (void)cmap.U16(layout.deltas + 2ull * segment, delta);
  (void)cmap.U16(layout.range_offsets + 2ull * segment, range_offset);
  if (start > code) {
    return 0;
  }
  if (range_offset == 0) {
    return static_cast<std::uint16_t>(code + delta);
  }
  const std::uint64_t at =
      layout.range_offsets + 2ull * segment + range_offset + 2ull * (code - start);
  std::uint16_t glyph = 0;
  if (!cmap.U16(at, glyph) || glyph == 0) {
    return 0;
  }
  return static_cast<std::uint16_t>(glyph + delta);
}

std::uint16_t LookupFormat2(ByteView cmap, std::uint32_t offset, std::uint16_t code) {
  // OFFSET SIZE DESCRIPTION (from the subtable's start)
  // 0      2    format (2)
  // 2      2    length
  // 4      2    language
  // 6      512  subHeaderKeys[256]: byte offsets into the subheaders (8 times the index)
  // 518    8n   subheaders: firstCode, entryCount, idDelta, idRangeOffset
  const std::uint64_t keys = std::uint64_t{offset} + 6;
  std::uint16_t key = 0;
  if (!cmap.U16(keys + 2ull * (code >> 8), key)) {
    return 0;
  }
  const std::uint16_t byte =
      (key == 0 && code > 0xFF) ? static_cast<std::uint16_t>(code >> 8) : (code & 0xFF);
  const std::uint64_t subheader = keys + 512 + key;
  std::uint16_t first_code = 0;
  std::uint16_t entry_count = 0;
  std::uint16_t delta = 0;
  std::uint16_t range_offset = 0;
  if (!cmap.U16(subheader, first_code) || !cmap.U16(subheader + 2, entry_count) ||
      !cmap.U16(subheader + 4, delta) || !cmap.U16(subheader + 6, range_offset)) {
    return 0;
  }
  if (byte < first_code || static_cast<std::uint32_t>(byte - first_code) >= entry_count) {
    return 0;
  }
  const std::uint64_t at = subheader + 6 + range_offset + 2ull * (byte - first_code);
  std::uint16_t glyph = 0;
  if (!cmap.U16(at, glyph) || glyph == 0) {
    return 0;
  }
  return static_cast<std::uint16_t>(glyph + delta);
}

namespace {

// Bytes 0-67 of the one 'mort' shape that is read: one chain holding one noncontextual glyph
// substitution subtable with a format-6 (single table) lookup. Bytes 12-15 (the chain's flags)
// and 56-57 (the subtable's length) may hold anything.
constexpr std::uint8_t kMortPattern[68] = {
    0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01,  // 0-11
    0x00, 0x00, 0x00, 0x00,                                                  // 12-15 free
    0x00, 0x03, 0x00, 0x01, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,  // 16-27
    0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,  // 28-39
    0xFF, 0xFF, 0xFF, 0xFE, 0x00, 0x08,                                      // 40-45
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,              // 46-55
    0x00, 0x00,                                                              // 56-57 free
    0x80, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x06, 0x00, 0x04,              // 58-67
};

bool IsFreeMortByte(std::size_t i) {
  return (i >= 12 && i <= 15) || i == 56 || i == 57;
}

}  // namespace

std::uint16_t MortVerticalSubstitute(ByteView mort, std::uint16_t glyph) {
  if (mort.Size() < 77) {
    return glyph;
  }
  for (std::size_t i = 0; i < sizeof kMortPattern; ++i) {
    if (!IsFreeMortByte(i) && mort.Data()[i] != kMortPattern[i]) {
      return glyph;
    }
  }
  std::uint16_t units = 0;
  (void)mort.U16(68, units);
  if (units == 0 || !mort.Has(76, 4ull * units)) {
    return glyph;
  }
  for (std::uint32_t i = 0; i < units; ++i) {
    std::uint16_t from = 0;
    std::uint16_t to = 0;
    (void)mort.U16(76 + 4ull * i, from);
    (void)mort.U16(78 + 4ull * i, to);
    if (from == glyph) {
      return to;
    }
  }
  return glyph;
}

namespace {

// The coverage index of `glyph` in the coverage table at `at`, or -1.
std::int64_t CoverageIndex(ByteView gsub, std::uint64_t at, std::uint16_t glyph) {
  std::uint16_t format = 0;
  std::uint16_t count = 0;
  if (!gsub.U16(at, format) || !gsub.U16(at + 2, count)) {
    return -1;
  }
  if (format == 1) {
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint16_t covered = 0;
      if (!gsub.U16(at + 4 + 2ull * i, covered)) {
        return -1;
      }
      if (covered == glyph) {
        return i;
      }
    }
    return -1;
  }
  if (format == 2) {
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint64_t record = at + 4 + 6ull * i;
      std::uint16_t start = 0;
      std::uint16_t end = 0;
      std::uint16_t start_index = 0;
      if (!gsub.U16(record, start) || !gsub.U16(record + 2, end) ||
          !gsub.U16(record + 4, start_index)) {
        return -1;
      }
      if (glyph >= start && glyph <= end) {
        return static_cast<std::int64_t>(start_index) + (glyph - start);
      }
    }
  }
  return -1;
}

}  // namespace

std::uint16_t GsubVerticalSubstitute(ByteView gsub, std::uint16_t glyph) {
  std::uint32_t version = 0;
  std::uint16_t feature_list = 0;
  std::uint16_t lookup_list = 0;
  if (gsub.Size() < 10 || !gsub.U32(0, version) ||
      (version != 0x00010000 && version != 0x00001000) || !gsub.U16(6, feature_list) ||
      !gsub.U16(8, lookup_list)) {
    return glyph;
  }
  std::uint16_t feature_count = 0;
  if (!gsub.U16(feature_list, feature_count)) {
    return glyph;
  }
  constexpr std::uint32_t kVert = 0x76657274;  // 'vert'
  std::uint64_t feature = 0;
  bool found = false;
  for (std::uint32_t i = 0; i < feature_count && !found; ++i) {
    const std::uint64_t record = std::uint64_t{feature_list} + 2 + 6ull * i;
    std::uint32_t tag = 0;
    std::uint16_t offset = 0;
    if (!gsub.U32(record, tag) || !gsub.U16(record + 4, offset)) {
      return glyph;
    }
    if (tag == kVert) {
      feature = std::uint64_t{feature_list} + offset;
      found = true;
    }
  }
  std::uint16_t lookup_count = 0;
  std::uint16_t lookups = 0;
  if (!found || !gsub.U16(feature + 2, lookup_count) || !gsub.U16(lookup_list, lookups)) {
    return glyph;
  }
  for (std::uint32_t i = 0; i < lookup_count; ++i) {
    std::uint16_t lookup_index = 0;
    if (!gsub.U16(feature + 4 + 2ull * i, lookup_index) || lookup_index >= lookups) {
      return glyph;
    }
    std::uint16_t lookup_offset = 0;
    if (!gsub.U16(std::uint64_t{lookup_list} + 2 + 2ull * lookup_index, lookup_offset)) {
      return glyph;
    }
    const std::uint64_t lookup = std::uint64_t{lookup_list} + lookup_offset;
    std::uint16_t type = 0;
    std::uint16_t subtables = 0;
    if (!gsub.U16(lookup, type) || type != 1 || !gsub.U16(lookup + 4, subtables)) {
      return glyph;
    }
    for (std::uint32_t s = 0; s < subtables; ++s) {
      std::uint16_t subtable_offset = 0;
      if (!gsub.U16(lookup + 6 + 2ull * s, subtable_offset)) {
        return glyph;
      }
      const std::uint64_t subtable = lookup + subtable_offset;
      std::uint16_t format = 0;
      std::uint16_t coverage = 0;
      if (!gsub.U16(subtable, format) || (format != 1 && format != 2) ||
          !gsub.U16(subtable + 2, coverage)) {
        return glyph;
      }
      const std::int64_t index = CoverageIndex(gsub, subtable + coverage, glyph);
      if (index < 0) {
        continue;
      }
      if (format == 1) {
        std::uint16_t delta = 0;
        if (!gsub.U16(subtable + 4, delta)) {
          return glyph;
        }
        return static_cast<std::uint16_t>(glyph + delta);
      }
      std::uint16_t count = 0;
      std::uint16_t substitute = 0;
      if (!gsub.U16(subtable + 4, count) || index >= count ||
          !gsub.U16(subtable + 6 + 2ull * static_cast<std::uint64_t>(index), substitute)) {
        return glyph;
      }
      return substitute;
    }
  }
  return glyph;
}

}  // namespace vel::truetype
