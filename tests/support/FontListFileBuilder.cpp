// The font-list file builder.
#include "tests/support/FontListFileBuilder.h"

namespace vel::test {
namespace {

void Put16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
  bytes[offset] = static_cast<std::uint8_t>(value);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

// A record's bytes: the 28-byte fixed part with the first code, the other codes, then the names.
std::size_t RecordSize(const FontListRecord& record) {
  const std::size_t codes = record.codes.empty() ? 1 : record.codes.size();
  return 26 + 2 * codes + record.name.size() + record.second_name.size();
}

}  // namespace

void PutLittle32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

std::vector<std::uint32_t> FontListFile::RecordOffsets() const {
  std::vector<std::uint32_t> offsets;
  std::size_t at = 36 + 4 * (records.empty() ? 0 : records.size() - 1);
  for (const FontListRecord& record : records) {
    offsets.push_back(static_cast<std::uint32_t>(at));
    at += RecordSize(record);
  }
  return offsets;
}

std::vector<std::uint8_t> FontListFile::Build() const {
  const std::vector<std::uint32_t> offsets = RecordOffsets();
  std::size_t total = 36 + 4 * (records.empty() ? 0 : records.size() - 1);
  for (const FontListRecord& record : records) {
    total += RecordSize(record);
  }
  std::vector<std::uint8_t> bytes(total, 0);
  PutLittle32(bytes, kStampOffset, stamp);
  PutLittle32(bytes, kCountOffset, static_cast<std::uint32_t>(records.size()));
  PutLittle32(bytes, kFirstRecordOffset, offsets.empty() ? 0 : offsets[0]);
  for (std::size_t i = 1; i < offsets.size(); ++i) {
    PutLittle32(bytes, 36 + 4 * (i - 1), offsets[i]);
  }
  for (std::size_t i = 0; i < records.size(); ++i) {
    const FontListRecord& record = records[i];
    const std::size_t at = offsets[i];
    const std::size_t codes = record.codes.empty() ? 1 : record.codes.size();
    const std::size_t name_at = 26 + 2 * codes;
    Put16(bytes, at + 4, static_cast<std::uint16_t>(record.name.size()));
    PutLittle32(bytes, at + 6, static_cast<std::uint32_t>(name_at));
    Put16(bytes, at + 10, static_cast<std::uint16_t>(record.second_name.size()));
    PutLittle32(bytes, at + 12, static_cast<std::uint32_t>(name_at + record.name.size()));
    Put16(bytes, at + 16, record.first_match);
    Put16(bytes, at + 18, record.second_match);
    bytes[at + 20] = record.flags;
    bytes[at + 21] = record.technology;
    Put16(bytes, at + 22, record.record_value);
    Put16(bytes, at + 24, static_cast<std::uint16_t>(record.codes.size()));
    for (std::size_t c = 0; c < record.codes.size(); ++c) {
      Put16(bytes, at + 26 + 2 * c, record.codes[c]);
    }
    for (std::size_t c = 0; c < record.name.size(); ++c) {
      bytes[at + name_at + c] = static_cast<std::uint8_t>(record.name[c]);
    }
    for (std::size_t c = 0; c < record.second_name.size(); ++c) {
      bytes[at + name_at + record.name.size() + c] = static_cast<std::uint8_t>(record.second_name[c]);
    }
  }
  return bytes;
}

}  // namespace vel::test
