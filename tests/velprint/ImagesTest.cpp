// velprint's pictures: the PBM/PGM/PPM reader, its refusals, and the bits made for each format.
#include "tools/velprint/Images.h"

#include <gtest/gtest.h>

namespace vel::velprint {
namespace {

using platform::engine::BitmapSpec;

std::vector<std::uint8_t> Rgb(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) {
    out.push_back(static_cast<std::uint8_t>(v));
  }
  return out;
}

TEST(ImagesTest, EveryPnmKindReadsToTheSamePicture) {
  // A 3 x 1 picture: black, mid grey, white (as grey maps), or black, white, black (bitmaps).
  struct Case {
    std::string file;
    std::vector<std::uint8_t> rgb;
  } cases[] = {
      {"P1\n3 1\n1 0 1\n", Rgb({0, 0, 0, 255, 255, 255, 0, 0, 0})},
      {"P1 3 1 101", Rgb({0, 0, 0, 255, 255, 255, 0, 0, 0})},
      {std::string("P4\n3 1\n\xA0", 8), Rgb({0, 0, 0, 255, 255, 255, 0, 0, 0})},
      {"P2\n# comment\n3 1\n4\n0 2 4\n", Rgb({0, 0, 0, 128, 128, 128, 255, 255, 255})},
      {std::string("P5 3 1 255\n\x00\x80\xFF", 14), Rgb({0, 0, 0, 128, 128, 128, 255, 255, 255})},
      {std::string("P5 3 1 65535\n\x00\x00\x80\x00\xFF\xFF", 19),
       Rgb({0, 0, 0, 128, 128, 128, 255, 255, 255})},
      {"P3 3 1 255 1 2 3 4 5 6 7 8 9", Rgb({1, 2, 3, 4, 5, 6, 7, 8, 9})},
      {std::string("P6 3 1 255\n\x01\x02\x03\x04\x05\x06\x07\x08\x09", 20),
       Rgb({1, 2, 3, 4, 5, 6, 7, 8, 9})},
  };
  for (const Case& c : cases) {
    std::string error;
    auto image = ReadPnm(c.file, &error);
    ASSERT_TRUE(image) << c.file << ": " << error;
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 1);
    EXPECT_EQ(image->rgb, c.rgb) << c.file;
  }
}

TEST(ImagesTest, DamagedOrOversizedFilesAreRefused) {
  struct Case {
    std::string file;
    std::string error;
  } cases[] = {
      {"", "not a PBM, PGM or PPM file"},
      {"P7 1 1 255\n", "not a PBM, PGM or PPM file"},
      {"P2 3", "bad header"},
      {"P2 3x 1 255 0 0 0", "bad header"},
      {"P2 0 1 255\n", "the picture is 0 x 1; a side is 1 to 32767 pixels"},
      {"P2 40000 1 255\n", "the picture is 40000 x 1; a side is 1 to 32767 pixels"},
      {"P2 1 1 0\n0", "bad largest sample value"},
      {"P2 1 1 70000\n0", "bad largest sample value"},
      {"P5 2 1 255", "bad header"},
      {"P6 2 2 255\nabc", "the file ends inside the picture"},
      {"P5 32767 32767 255\nxx", "the picture is larger than 256 MiB"},
      {"P2 2 1 9 1 10", "a sample is above the largest sample value"},
      {"P2 2 1 9 1 x", "bad sample"},
      {"P1 2 1 1 2", "bad pixel"},
      {"P2 1 1 9 1234567890", "bad sample"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ReadPnm(c.file, &error)) << c.file;
    EXPECT_EQ(error, c.error) << c.file;
  }
}

// Red, green, blue, white across one row.
const RgbImage kRow{4, 1, Rgb({255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255})};

TEST(ImagesTest, DirectFormatsKeepTheColourInTheirLayout) {
  BitmapSpec b24 = MakeBitmap(BMF_24BPP, 4, 1, false, {}, true, ImageRows(kRow));
  EXPECT_EQ(b24.bits, Rgb({0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}))
      << "pixels B, G, R; 12 bytes need no padding";
  BitmapSpec b32 = MakeBitmap(BMF_32BPP, 4, 1, false, {}, true, ImageRows(kRow));
  EXPECT_EQ(b32.bits, Rgb({0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0}));
  BitmapSpec b16 = MakeBitmap(BMF_16BPP, 4, 1, false, {}, true, ImageRows(kRow));
  EXPECT_EQ(b16.bits, Rgb({0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF})) << "5-6-5";
  // A 1-pixel 24-bit row is padded to 4 bytes; rows go bottom first unless top-down.
  RgbImage column{1, 2, Rgb({1, 2, 3, 4, 5, 6})};
  EXPECT_EQ(MakeBitmap(BMF_24BPP, 1, 2, false, {}, true, ImageRows(column)).bits,
            Rgb({6, 5, 4, 0, 3, 2, 1, 0}));
  EXPECT_EQ(MakeBitmap(BMF_24BPP, 1, 2, true, {}, true, ImageRows(column)).bits,
            Rgb({3, 2, 1, 0, 6, 5, 4, 0}));
}

TEST(ImagesTest, IndexedFormatsTakeTheNearestColourOrTheLuminance) {
  // A palette of blue, red, green (0x00BBGGRR): red -> 1, green -> 2, blue -> 0, white -> nearest.
  std::vector<ULONG> palette{0xFF0000, 0x0000FF, 0x00FF00};
  BitmapSpec b8 = MakeBitmap(BMF_8BPP, 4, 1, false, palette, false, ImageRows(kRow));
  EXPECT_EQ(b8.bits, Rgb({1, 2, 0, 0}));
  BitmapSpec b4 = MakeBitmap(BMF_4BPP, 4, 1, false, palette, false, ImageRows(kRow));
  EXPECT_EQ(b4.bits, Rgb({0x12, 0x00, 0, 0}));
  // The grey ramp: luminance of red 76, green 150, blue 29, white 255.
  EXPECT_EQ(MakeBitmap(BMF_8BPP, 4, 1, false, DefaultPalette(BMF_8BPP), true, ImageRows(kRow)).bits,
            Rgb({76, 150, 29, 255}));
  EXPECT_EQ(MakeBitmap(BMF_1BPP, 4, 1, false, DefaultPalette(BMF_1BPP), true, ImageRows(kRow)).bits,
            Rgb({0x50, 0, 0, 0}))
      << "green and white are light";
}

TEST(ImagesTest, RunLengthFormatsEncodeRunsOfOneIndexPerRow) {
  RgbImage rows{5, 2, Rgb({0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255,  // top
                           255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0})};
  BitmapSpec b8 = MakeBitmap(BMF_8RLE, 5, 2, false, DefaultPalette(BMF_8RLE), true, ImageRows(rows));
  EXPECT_EQ(b8.bits, Rgb({4, 255, 1, 0, 0, 0,  // the bottom row first
                          3, 0, 2, 255, 0, 0,  // then the top row
                          0, 1}));
  BitmapSpec b4 = MakeBitmap(BMF_4RLE, 5, 2, true, DefaultPalette(BMF_4RLE), true, ImageRows(rows));
  EXPECT_EQ(b4.bits, Rgb({3, 0x00, 2, 0xFF, 0, 0, 4, 0xFF, 1, 0x00, 0, 0, 0, 1}));
}

TEST(ImagesTest, AMaskIsSetWhereThePixelIsNotZero) {
  // Red, black, blue, black across; rows keep their order.
  RgbImage row{4, 1, Rgb({255, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0})};
  for (ULONG format : {BMF_24BPP, BMF_32BPP, BMF_16BPP}) {
    auto mask = MaskOf(MakeBitmap(format, 4, 1, true, {}, true, ImageRows(row)));
    ASSERT_TRUE(mask) << format;
    EXPECT_EQ(mask->format, BMF_1BPP);
    EXPECT_TRUE(mask->top_down);
    EXPECT_EQ(mask->bits, Rgb({0xA0, 0, 0, 0})) << format;
  }
  std::vector<ULONG> palette{0x000000, 0x0000FF, 0xFF0000};
  EXPECT_EQ(MaskOf(MakeBitmap(BMF_4BPP, 4, 1, false, palette, false, ImageRows(row)))->bits,
            Rgb({0xA0, 0, 0, 0}));
  EXPECT_FALSE(MaskOf(MakeBitmap(BMF_8RLE, 4, 1, false, palette, false, ImageRows(row))));
}

TEST(ImagesTest, FillsAreDeterministicAndTheSeedMatters) {
  auto row = [](const RowSource& rows, std::int32_t y) {
    std::vector<std::uint8_t> out(3 * 16);
    rows(y, out.data());
    return out;
  };
  EXPECT_EQ(row(FillRows("noise", 16, 4, 7), 2), row(FillRows("noise", 16, 4, 7), 2));
  EXPECT_NE(row(FillRows("noise", 16, 4, 7), 2), row(FillRows("noise", 16, 4, 8), 2));
  EXPECT_NE(row(FillRows("noise", 16, 4, 7), 1), row(FillRows("noise", 16, 4, 7), 2));
  std::vector<std::uint8_t> gradient = row(FillRows("gradient", 16, 4, 0), 3);
  EXPECT_EQ(gradient[0], 0);
  EXPECT_EQ(gradient[45], 255) << "red reaches 255 at the right edge";
  EXPECT_EQ(gradient[1], 255) << "green reaches 255 at the bottom";
  std::vector<std::uint8_t> checker = row(FillRows("checker", 16, 4, 0), 0);
  EXPECT_EQ(checker[0], 255);
  EXPECT_EQ(checker[3 * 8], 0);
}

}  // namespace
}  // namespace vel::velprint
