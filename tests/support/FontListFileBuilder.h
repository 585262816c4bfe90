// Builds font-list files (the little-endian layout the installed-font list loader reads) from a
// description in code, for test fixtures and fuzz seeds: a 36-byte header, the offsets of records
// 2 to N, then each record followed by its two names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vel::test {

struct FontListRecord {
  std::string name;
  std::string second_name;
  std::uint16_t first_match = 0;
  std::uint16_t second_match = 0;
  std::uint8_t flags = 0;       // bit 0 the flag, bits 4-7 the style class
  std::uint8_t technology = 2;  // 2, 3 or 4
  std::uint16_t record_value = 0;
  std::vector<std::uint16_t> codes;
};

struct FontListFile {
  std::uint32_t stamp = 1;
  std::vector<FontListRecord> records;

  // The file's bytes.
  std::vector<std::uint8_t> Build() const;
  // Offsets of the header's fields and of each record in Build's bytes.
  static constexpr std::size_t kStampOffset = 8;
  static constexpr std::size_t kCountOffset = 28;
  static constexpr std::size_t kFirstRecordOffset = 32;
  std::vector<std::uint32_t> RecordOffsets() const;
};

// Stores a 32-bit little-endian value at `offset`.
void PutLittle32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);

}  // namespace vel::test
