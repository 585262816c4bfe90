// The pictures of velres: every bitmap's size and depth, the hand cursor, the icons in their three
// forms, and the files that the compiler's export mode writes, as `file` sees them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "tests/resources/VelresTestSupport.h"
#include "tests/support/ResourceDecoder.h"

namespace vel::test {
namespace {

std::uint32_t U16At(const std::uint8_t* p) {
  return p[0] | (p[1] << 8);
}
std::uint32_t U32At(const std::uint8_t* p) {
  return U16At(p) | (U16At(p + 2) << 16);
}

struct BitmapCase {
  std::uint16_t first, last;
  std::int32_t width, height;
  std::uint16_t bits;
};

TEST(VelresPictures, BitmapSizesAndDepths) {
  const BitmapCase cases[] = {
      {2100, 2117, 196, 178, 4},  {11201, 11201, 229, 22, 4}, {11203, 11203, 229, 22, 4},
      {11202, 11202, 229, 22, 1}, {11210, 11213, 24, 24, 4},  {11214, 11214, 24, 24, 1},
      {11230, 11233, 25, 19, 4},
  };
  for (const BitmapCase& c : cases) {
    for (std::uint16_t id = c.first; id <= c.last; ++id) {
      SCOPED_TRACE(id);
      ResourceBytes entry = VelresResource(2, id);
      ASSERT_NE(entry.data, nullptr);
      DecodedDibHeader header;
      std::string error;
      ASSERT_TRUE(DecodeDibHeader(entry.data, entry.size, header, error)) << error;
      EXPECT_EQ(header.width, c.width);
      EXPECT_EQ(header.height, c.height);
      EXPECT_EQ(header.bit_count, c.bits);
      EXPECT_NE(entry.data[0], 'B') << "no file header";
    }
  }
}

TEST(VelresPictures, HandCursorWithItsHotSpot) {
  ResourceBytes group = VelresResource(12, 11220);
  ASSERT_NE(group.data, nullptr);
  ASSERT_EQ(group.size, 20u);
  EXPECT_EQ(U16At(group.data + 2), 2u);
  EXPECT_EQ(U16At(group.data + 4), 1u);
  EXPECT_EQ(U16At(group.data + 6), 32u);
  EXPECT_EQ(U16At(group.data + 8), 64u);
  EXPECT_EQ(U16At(group.data + 12), 1u) << "monochrome";
  ResourceBytes image = VelresResource(1, U16At(group.data + 18));
  ASSERT_NE(image.data, nullptr);
  EXPECT_EQ(U16At(image.data), 5u);
  EXPECT_EQ(U16At(image.data + 2), 1u);
  DecodedDibHeader header;
  std::string error;
  ASSERT_TRUE(DecodeDibHeader(image.data + 4, image.size - 4, header, error, true)) << error;
  EXPECT_EQ(header.width, 32);
  EXPECT_EQ(header.height, 64);
  EXPECT_EQ(header.bit_count, 1);
}

TEST(VelresPictures, IconsInMonochromeEightAndSixteenColours) {
  for (std::uint16_t id : {11413, 11414, 11423, 11424}) {
    SCOPED_TRACE(id);
    ResourceBytes group = VelresResource(14, id);
    ASSERT_NE(group.data, nullptr);
    ASSERT_EQ(U16At(group.data + 4), 3u);
    const std::uint32_t kColours[3] = {2, 8, 16}, kBits[3] = {1, 4, 4};
    for (int i = 0; i < 3; ++i) {
      const std::uint8_t* e = group.data + 6 + 14 * i;
      EXPECT_EQ(e[0], 32);
      EXPECT_EQ(e[1], 32);
      ResourceBytes image = VelresResource(3, U16At(e + 12));
      ASSERT_NE(image.data, nullptr);
      EXPECT_EQ(U32At(e + 8), image.size);
      DecodedDibHeader header;
      std::string error;
      ASSERT_TRUE(DecodeDibHeader(image.data, image.size, header, error, true)) << error;
      EXPECT_EQ(header.bit_count, kBits[i]);
      EXPECT_EQ(header.colours, kColours[i]);
      EXPECT_EQ(header.height, 64) << "colour image and mask";
    }
  }
}

std::string FileSays(const std::filesystem::path& path) {
  std::string command = "file -b '" + path.string() + "'";
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr)
    return out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
    out += buffer;
  pclose(pipe);
  return out;
}

TEST(VelresPictures, ExportedFilesAreRecognised) {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("velres_export_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::string command = std::string(VELRC_PATH) + " -I " + VELRES_ARTWORK_DIR + " --export " +
                        folder.string() + " " + VELRES_SCRIPT;
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_NE(
      FileSays(folder / "bitmap_2100.bmp").find("PC bitmap, Windows 3.x format, 196 x 178 x 4"),
      std::string::npos)
      << FileSays(folder / "bitmap_2100.bmp");
  EXPECT_NE(FileSays(folder / "bitmap_11202.bmp").find("229 x 22 x 1"), std::string::npos);
  std::string cursor = FileSays(folder / "cursor_11220.cur");
  EXPECT_NE(cursor.find("cursor resource"), std::string::npos) << cursor;
  EXPECT_NE(cursor.find("32x32"), std::string::npos) << cursor;
  EXPECT_NE(cursor.find("hotspot @5x1"), std::string::npos) << cursor;
  for (const char* icon :
       {"icon_11413.ico", "icon_11414.ico", "icon_11423.ico", "icon_11424.ico"}) {
    std::string says = FileSays(folder / icon);
    EXPECT_NE(says.find("icon resource - 3 icons, 32x32"), std::string::npos)
        << icon << ": " << says;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vel::test
