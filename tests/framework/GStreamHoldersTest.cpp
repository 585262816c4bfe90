// The stream holders over memory and files, in every format.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/core/GStreamHolders.h"
#include "rw/RWVirtualStream.h"
#include "tests/support/RwRecordingErrorHook.h"
#include "tests/support/TempDir.h"

namespace {

RWWString Wide(const std::string& text) {
  std::u16string wide(text.begin(), text.end());
  return RWWString(wide.data(), wide.size());
}

TEST(GStreamHoldersTest, MemoryReaderOfOneIntThenEndOfData) {
  const std::uint8_t bytes[4] = {0x78, 0x56, 0x34, 0x12};
  GStreamReader reader(bytes, 4, vel::kBinaryFormat);
  ASSERT_NE(reader.Stream(), nullptr);
  int value = 0;
  reader.Stream()->Get(value);
  EXPECT_EQ(value, 0x12345678);
  EXPECT_EQ(reader.Position(), 4);
  reader.Stream()->Get(value);
  EXPECT_NE(reader.Stream()->Eof(), 0);
  EXPECT_NE(reader.Stream()->Fail(), 0);
}

TEST(GStreamHoldersTest, MemoryWriterNeverGrowsItsBuffer) {
  std::uint8_t buffer[12];
  std::memset(buffer, 0xEE, sizeof buffer);
  GStreamWriter writer(buffer, 10, vel::kBinaryFormat);
  ASSERT_NE(writer.Stream(), nullptr);
  const unsigned char data[11] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  writer.Stream()->Put(data, 11);
  EXPECT_NE(writer.Stream()->Fail(), 0);
  EXPECT_EQ(writer.Position(), 10);
  EXPECT_EQ(buffer[9], 10);
  EXPECT_EQ(buffer[10], 0xEE);
}

TEST(GStreamHoldersTest, EdgeSizesAndFormats) {
  std::uint8_t byte = 0;
  {
    GStreamReader empty(&byte, 0, vel::kBinaryFormat);
    EXPECT_EQ(empty.Stream()->Get(), -1);
    GStreamWriter none(&byte, 0, vel::kBinaryFormat);
    none.Stream()->Put(static_cast<unsigned char>(1));
    EXPECT_NE(none.Stream()->Fail(), 0);
    EXPECT_EQ(none.Position(), 0);
  }
  for (const std::int32_t format : {3, -1}) {
    GStreamReader reader(&byte, 1, format);
    EXPECT_EQ(reader.Stream(), nullptr);
    GStreamWriter writer(&byte, 1, format);
    EXPECT_EQ(writer.Stream(), nullptr);
  }
  // Every format round-trips through memory.
  for (const std::int32_t format : {vel::kPortableFormat, vel::kBinaryFormat,
                                    vel::kByteOrderFormat}) {
    SCOPED_TRACE(format);
    std::uint8_t buffer[64] = {};
    GStreamWriter writer(buffer, sizeof buffer, format);
    writer.Stream()->Put(-77L);
    writer.Stream()->PutString("abc");
    writer.Stream()->Flush();
    ASSERT_NE(writer.Stream()->Good(), 0);
    const std::int64_t size = writer.Position();
    ASSERT_GT(size, 0);
    GStreamReader reader(buffer, static_cast<std::uint32_t>(size), format);
    long value = 0;
    char text[8] = {};
    reader.Stream()->Get(value);
    reader.Stream()->GetString(text, sizeof text);
    EXPECT_EQ(value, -77);
    EXPECT_STREQ(text, "abc");
    EXPECT_EQ(reader.Position(), size);
  }
}

TEST(GStreamHoldersTest, FileWriterEmptiesTheFileAndMissingFilesFailSoft) {
  vel::test::TempDir dir;
  const std::string path = (dir.Path() / "data.bin").string();
  {
    std::ofstream old(path, std::ios::binary);
    old << std::string(100, 'z');
  }
  {
    GStreamWriter writer(Wide(path), vel::kBinaryFormat);
    writer.Stream()->Put(static_cast<unsigned char>(7));
  }
  EXPECT_EQ(std::filesystem::file_size(path), 1u);
  {
    GStreamWriter writer(Wide(path), vel::kByteOrderFormat);
    writer.Stream()->Put(5);
  }
  {
    GStreamReader reader(Wide(path), vel::kByteOrderFormat);
    int value = 0;
    reader.Stream()->Get(value);
    EXPECT_EQ(value, 5);
  }
  // A file that is not there: failed streams, no error raised (a byte-order reader reads no
  // header), and the process carries on.
  vel::test::RecordingErrorHook hook;
  const RWWString missing = Wide((dir.Path() / "missing.bin").string());
  for (const std::int32_t format : {vel::kPortableFormat, vel::kBinaryFormat,
                                    vel::kByteOrderFormat}) {
    GStreamReader reader(missing, format);
    ASSERT_NE(reader.Stream(), nullptr);
    int value = 0;
    reader.Stream()->Get(value);
    EXPECT_NE(reader.Stream()->Fail(), 0);
    EXPECT_EQ(reader.Position(), -1);
  }
  EXPECT_EQ(hook.Count(), 0u);
  GStreamWriter writer(Wide((dir.Path() / "no" / "dir.bin").string()), vel::kBinaryFormat);
  writer.Stream()->Put(1);
  EXPECT_NE(writer.Stream()->Fail(), 0);
}

}  // namespace
