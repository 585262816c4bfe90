// Bitmap implementations: row layout, pixel splitting, rows read against Ghostscript's rendering,
// the stored form and restores of damaged records.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/GBitmapImp.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GRGBColor.h"
#include "tests/support/FwBitmapFixtures.h"
#include "tests/support/FwPersistHarness.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::Carrier;
using vel::test::HexBytes;

// An owned copy of `pixels` as a top-down (or bottom-up) image of the given size.
std::unique_ptr<GBitmapImp> Image(std::uint8_t bits, std::int16_t width, std::int16_t height,
                                  const Bytes& pixels, std::uint8_t alignment = 1,
                                  std::int32_t bottom_up = 0, GPaletteTable* palette = nullptr,
                                  std::int32_t has_masks = 0, std::uint32_t red = 0,
                                  std::uint32_t green = 0, std::uint32_t blue = 0) {
  auto* data = pixels.empty() ? nullptr : new std::uint8_t[pixels.size()];
  if (data != nullptr) {
    std::memcpy(data, pixels.data(), pixels.size());
  }
  return std::make_unique<GBitmapImp>(1, data, static_cast<std::uint32_t>(pixels.size()),
                                      alignment, GPoint{0, 0}, GPoint{width, height}, bits, 0, 0,
                                      palette, bottom_up, has_masks, red, green, blue, 0, 0, 0);
}

Bytes Row(const GBitmapImp& image, std::int32_t x0, std::int32_t x1, std::int32_t y,
          std::int32_t grey = 0) {
  Bytes row(3 * 40000, 0xEE);
  row.resize(image.GetRow(row.data(), x0, x1, y, grey));
  return row;
}

GBaseObject* TwoByTwo24() {
  return Image(24, 2, 2, HexBytes("01 02 03 04 05 06 00 00  07 08 09 0A 0B 0C 00 00"), 4, 1)
      .release();
}

FW_PERSIST_SAMPLES(
    vel::classid::kGBitmapImp,
    {{"bitmap imp default", [] { return new GBitmapImp; }},
     {"bitmap imp 2 x 2 24-bit", TwoByTwo24},
     {"bitmap imp 1-bit with palette",
      [] { return Image(1, 10, 2, HexBytes("B3 5C 00 00 FF 00 00 00"), 4, 0,
                        new GPaletteTable).release(); }},
     {"bitmap imp 16-bit masks",
      [] {
        return Image(16, 2, 1, HexBytes("FF 7F 00 F8"), 4, 0, nullptr, 1, 0xF800, 0x7E0, 0x1F)
            .release();
      }},
     {"bitmap imp 32-bit top-down", [] {
        return Image(32, 1, 2, HexBytes("01 02 03 04  05 06 07 08"), 4).release();
      }}});

TEST(GBitmapImpTest, RowBytesAndStrideFollowWidthDepthAndAlignment) {
  struct Case {
    std::uint8_t bits;
    std::int16_t width;
    std::uint8_t alignment;
    std::uint32_t row_bytes;
    std::uint32_t stride;
  };
  const Case cases[] = {{1, 10, 4, 2, 4},  {24, 10, 4, 30, 32}, {4, 3, 2, 2, 2},
                        {8, 5, 0, 5, 5},   {32, 1, 8, 4, 8},    {16, 3, 4, 6, 8},
                        {1, 0, 4, 0, 0}};
  for (const Case& c : cases) {
    GBitmapImp image(1, nullptr, 0, c.alignment, GPoint{0, 0}, GPoint{c.width, 1}, c.bits, 0, 0,
                     nullptr, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(image.GetRowBytes(), c.row_bytes) << int{c.bits} << " bits, width " << c.width;
    EXPECT_EQ(image.GetStride(), c.stride) << int{c.bits} << " bits, width " << c.width;
  }
  GBitmapImp deep(1, nullptr, 0, 4, GPoint{0, 0}, GPoint{10, 1}, 32, 0, 0, nullptr, 0, 0, 0, 0, 0,
                  0, 0, 0);
  EXPECT_EQ(deep.GetBitsPerPixel(), 24);
  EXPECT_EQ(deep.GetRowByteCount(0, 10), 30u);
}

TEST(GBitmapImpTest, SplitPixelScalesEachChannelToEightBits) {
  struct Case {
    std::uint8_t bits;
    std::int32_t has_masks;
    std::uint32_t red, green, blue;
    std::uint32_t pixel;
    std::uint8_t r, g, b;
  };
  const Case cases[] = {
      {16, 0, 0, 0, 0, 0x7FFF, 248, 248, 248},                         // default 5-5-5
      {16, 1, 0xF800, 0x7E0, 0x1F, 0x07E0, 0, 252, 0},                 // 6-bit green
      {32, 1, 0x3FF00000, 0xFFC00, 0x3FF, 0x3FFFFFFF, 255, 255, 255},  // 10 bits each
      {32, 1, 0x3FF00000, 0xFFC00, 0x3FF, 0x00100401, 0, 0, 0},        // 1 of 1023: 1 / 4
      {32, 0, 0, 0, 0, 0x00123456, 0x12, 0x34, 0x56},                  // default 8-8-8
      {16, 1, 0, 0x3E0, 0x1F, 0x7FFF, 0, 248, 248},                    // no red bits
      {16, 1, 0x10000, 0x3E0, 0x1F, 0xFFFF, 0, 248, 248},              // red outside the pixel
  };
  for (const Case& c : cases) {
    GBitmapImp image(1, nullptr, 0, 4, GPoint{0, 0}, GPoint{1, 1}, c.bits, 0, 0, nullptr, 0,
                     c.has_masks, c.red, c.green, c.blue, 0, 0, 0);
    std::uint8_t r = 1;
    std::uint8_t g = 1;
    std::uint8_t b = 1;
    image.SplitPixel(c.pixel, r, g, b);
    EXPECT_EQ(r, c.r) << std::hex << c.pixel;
    EXPECT_EQ(g, c.g) << std::hex << c.pixel;
    EXPECT_EQ(b, c.b) << std::hex << c.pixel;
  }
}

TEST(GBitmapImpTest, GetRowCasesAtEachDepth) {
  // Four stored rows of eight 8-bit pixels: 00..., 01..., 02..., 03...
  static constexpr char kFourRows[] =
      "00 00 00 00 00 00 00 00  01 01 01 01 01 01 01 01"
      "02 02 02 02 02 02 02 02  03 03 03 03 03 03 03 03";
  struct Case {
    const char* name;
    std::uint8_t bits;
    std::int16_t width;
    std::int16_t height;
    const char* pixels;
    std::int32_t bottom_up;
    std::int32_t x0, x1, y, grey;
    const char* expected;
  };
  const Case cases[] = {
      {"24-bit pixel", 24, 1, 1, "00 00 FF", 0, 0, 1, 0, 0, "FF 00 00"},
      {"24-bit grey", 24, 1, 1, "00 00 FF", 0, 0, 1, 0, 1, "4C"},
      {"bottom-up first row", 8, 8, 4, kFourRows, 1, 0, 8, 0, 0,
       "03 03 03 03 03 03 03 03"},
      {"bottom-up last row", 8, 8, 4, kFourRows, 1, 2, 4, 3, 0,
       "00 00"},
      {"1-bit unaligned", 1, 16, 1, "B3 5C", 0, 3, 11, 0, 0, "9A"},
      {"1-bit tail cleared", 1, 16, 1, "FF FF", 0, 1, 6, 0, 0, "F8"},
      {"1-bit last byte of the row", 1, 13, 1, "B3 5F", 0, 7, 13, 0, 0, "AC"},
      {"4-bit unaligned", 4, 6, 1, "12 34 56", 0, 1, 4, 0, 0, "23 40"},
      {"4-bit aligned", 4, 6, 1, "12 34 56", 0, 2, 6, 0, 0, "34 56"},
      {"16-bit", 16, 2, 1, "FF 7F 1F 00", 0, 0, 2, 0, 0, "F8 F8 F8  00 00 F8"},
      {"32-bit grey", 32, 1, 1, "00 00 FF 00", 0, 0, 1, 0, 1, "4C"},
      {"columns clamped", 8, 4, 1, "0A 0B 0C 0D", 0, -5, 99, 0, 0, "0A 0B 0C 0D"},
      {"columns reversed", 8, 4, 1, "0A 0B 0C 0D", 0, 3, 1, 0, 0, ""},
      {"row below the image", 8, 4, 1, "0A 0B 0C 0D", 0, 0, 4, 1, 0, ""},
      {"row above the image", 8, 4, 1, "0A 0B 0C 0D", 0, 0, 4, -1, 0, ""},
      {"row past the buffer", 8, 4, 2, "0A 0B 0C 0D", 0, 0, 4, 1, 0, ""},
      {"row partly past the buffer", 24, 2, 1, "01 02 03 04 05", 0, 0, 2, 0, 0, ""},
  };
  for (const Case& c : cases) {
    auto image = Image(c.bits, c.width, c.height, HexBytes(c.pixels), 1, c.bottom_up);
    EXPECT_TRUE(BytesEqual(HexBytes(c.expected), Row(*image, c.x0, c.x1, c.y, c.grey)))
        << c.name;
  }
}

// Rows long enough for the 32-, 16- and 8-byte steps and their leftovers, from every starting
// column up to 17 at 1 and 4 bits, against each pixel read on its own.
TEST(GBitmapImpTest, UnalignedRowsEqualEveryPixelReadOneByOne) {
  Bytes pixels(160);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    pixels[i] = static_cast<std::uint8_t>(i * 151 + 0x5B);
  }
  pixels[0] = 0xB3;
  for (const std::uint8_t bits : {std::uint8_t{1}, std::uint8_t{4}}) {
    const std::int32_t width = bits == 1 ? 451 : 115;
    auto image = Image(bits, static_cast<std::int16_t>(width), 1,
                       Bytes(pixels.begin(), pixels.begin() + (width * bits + 7) / 8));
    for (std::int32_t x0 = 0; x0 < 17; ++x0) {
      for (std::int32_t x1 = x0 + 1; x1 <= width; ++x1) {
        const Bytes row = Row(*image, x0, x1, 0);
        ASSERT_EQ(row.size(), static_cast<std::size_t>(((x1 - x0) * bits + 7) / 8));
        for (std::int32_t bit = 0; bit < static_cast<std::int32_t>(row.size()) * 8; ++bit) {
          const std::int32_t from = x0 * bits + bit;
          const int source = from < x1 * bits ? (pixels[from / 8] >> (7 - from % 8)) & 1 : 0;
          ASSERT_EQ((row[bit / 8] >> (7 - bit % 8)) & 1, source)
              << int{bits} << " bits, " << x0 << " to " << x1 << ", bit " << bit;
        }
      }
    }
  }
}

// 24-bit rows and direct-colour rows under every kind of mask give, pixel for pixel, what the
// stored bytes and SplitPixel give, in colour and in grey.
TEST(GBitmapImpTest, DirectColourRowsEqualEveryPixelSplitOnItsOwn) {
  struct Case {
    std::uint8_t bits;
    std::int32_t has_masks;
    std::uint32_t red, green, blue;
  };
  const Case cases[] = {
      {24, 0, 0, 0, 0},
      {16, 0, 0, 0, 0},                              // 5-5-5
      {16, 1, 0xF800, 0x7E0, 0x1F},                  // 5-6-5
      {16, 1, 0xA00F, 0x0F00, 0x40F0},               // gaps in the masks
      {16, 1, 0xFF80, 0x007F, 0},                    // 9 bits, 7 bits, none
      {16, 1, 0x30000, 0xFFFF, 0x8001},              // outside the pixel; 16 bits
      {32, 0, 0, 0, 0},                              // 8-8-8
      {32, 1, 0x3FF00000, 0xFFC00, 0x3FF},           // 10 bits each
      {32, 1, 0xFF000000, 0x00F0F000, 0x0000000F},   // top byte, a gap, 4 bits
      {32, 1, 0x80000001, 0x7F, 0xFFFFFFFF},         // 2 bits far apart; 7; 32
  };
  // Wide enough for every vector step (up to 64 pixels at a time) and a tail.
  constexpr std::int16_t kWidth = 114;
  for (const Case& c : cases) {
    const std::uint32_t bytes_per_pixel = c.bits / 8u;
    Bytes pixels(kWidth * bytes_per_pixel);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
      pixels[i] = static_cast<std::uint8_t>(i * 97 + 0x3D + (i >> 3));
    }
    auto image = Image(c.bits, kWidth, 1, pixels, 1, 0, nullptr, c.has_masks, c.red, c.green,
                       c.blue);
    for (const std::int32_t x0 : {0, 1, 3, 8, 33}) {
      for (std::int32_t grey = 0; grey < 2; ++grey) {
        Bytes expected;
        for (std::int32_t x = x0; x < kWidth; ++x) {
          const std::uint8_t* p = pixels.data() + bytes_per_pixel * x;
          std::uint8_t r = 0;
          std::uint8_t g = 0;
          std::uint8_t b = 0;
          if (c.bits == 24) {
            r = p[2];
            g = p[1];
            b = p[0];
          } else {
            std::uint32_t value = 0;
            for (std::uint32_t k = 0; k < bytes_per_pixel; ++k) {
              value |= std::uint32_t{p[k]} << (8 * k);
            }
            image->SplitPixel(value, r, g, b);
          }
          if (grey != 0) {
            expected.push_back(static_cast<std::uint8_t>((30 * r + 59 * g + 11 * b) / 100));
          } else {
            expected.insert(expected.end(), {r, g, b});
          }
        }
        ASSERT_TRUE(BytesEqual(expected, Row(*image, x0, kWidth, 0, grey)))
            << int{c.bits} << " bits, masks " << std::hex << c.red << " " << c.green << " "
            << c.blue << std::dec << ", from " << x0 << ", grey " << grey;
      }
    }
  }
}

// The BMPs that Ghostscript rendered, read row by row with the palette applied, give the rows
// of the PPM it rendered of the same page; their grey rows give its grey levels.
TEST(GBitmapImpTest, GhostscriptBitmapsReadBackAsTheirPpm) {
  struct Case {
    vel::test::FixtureBytes bmp;
    vel::test::FixtureBytes ppm;
    int bits;
  };
  const Case cases[] = {{vel::test::MonoBmp(), vel::test::MonoPpm(), 1},
                        {vel::test::ColourBmp(4), vel::test::ColourPpm(), 4},
                        {vel::test::ColourBmp(8), vel::test::ColourPpm(), 8},
                        {vel::test::ColourBmp(24), vel::test::ColourPpm(), 24}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    auto image = vel::test::LoadBmp(c.bmp);
    const auto ppm = vel::test::LoadPpm(c.ppm);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(ppm.width, 37);
    ASSERT_EQ(ppm.height, 5);
    GRect bounds;
    image->GetBounds(bounds);
    ASSERT_EQ(bounds, (GRect{0, 0, 37, 5}));
    for (std::int32_t y = 0; y < ppm.height; ++y) {
      const Bytes row = Row(*image, 0, 37, y);
      ASSERT_EQ(row.size(), image->GetRowByteCount(0, 37));
      Bytes rgb;
      for (std::int32_t x = 0; x < 37; ++x) {
        if (c.bits == 24) {
          rgb.insert(rgb.end(), row.begin() + 3 * x, row.begin() + 3 * x + 3);
          continue;
        }
        const std::uint32_t bit = static_cast<std::uint32_t>(x) * c.bits;
        const std::uint32_t index =
            (row[bit / 8] >> (8 - c.bits - bit % 8)) & ((1u << c.bits) - 1);
        const auto* color = dynamic_cast<const GRGBColor*>(image->GetPalette()->GetEntry(index));
        ASSERT_NE(color, nullptr);
        rgb.push_back(static_cast<std::uint8_t>(color->GetRed()));
        rgb.push_back(static_cast<std::uint8_t>(color->GetGreen()));
        rgb.push_back(static_cast<std::uint8_t>(color->GetBlue()));
      }
      ASSERT_TRUE(BytesEqual(Bytes(ppm.Row(y), ppm.Row(y) + 3 * 37), rgb)) << "row " << y;
      if (c.bits == 24) {
        Bytes grey;
        for (std::int32_t x = 0; x < 37; ++x) {
          const std::uint8_t* p = ppm.Row(y) + 3 * x;
          grey.push_back(static_cast<std::uint8_t>((30 * p[0] + 59 * p[1] + 11 * p[2]) / 100));
        }
        ASSERT_TRUE(BytesEqual(grey, Row(*image, 0, 37, y, 1))) << "grey row " << y;
      }
    }
  }
}

// 16- and 32-bit images made from the PPM: 5-5-5 pixels give (v >> 3) x 8, 8-8-8 ones v.
TEST(GBitmapImpTest, DirectColourImagesMadeFromThePpmReadBackScaled) {
  const auto ppm = vel::test::LoadPpm(vel::test::ColourPpm());
  ASSERT_EQ(ppm.width, 37);
  for (std::uint8_t bits : {std::uint8_t{16}, std::uint8_t{32}}) {
    const std::uint32_t stride = (37u * bits / 8 + 3) / 4 * 4;
    Bytes pixels(stride * ppm.height);
    for (std::int32_t y = 0; y < ppm.height; ++y) {
      for (std::int32_t x = 0; x < 37; ++x) {
        const std::uint8_t* p = ppm.Row(y) + 3 * x;
        std::uint8_t* q = pixels.data() + stride * y + x * bits / 8;
        if (bits == 16) {
          const std::uint32_t v = (p[0] >> 3) << 10 | (p[1] >> 3) << 5 | p[2] >> 3;
          q[0] = static_cast<std::uint8_t>(v);
          q[1] = static_cast<std::uint8_t>(v >> 8);
        } else {
          q[0] = p[2];
          q[1] = p[1];
          q[2] = p[0];
          q[3] = 0x77;
        }
      }
    }
    auto image = Image(bits, 37, static_cast<std::int16_t>(ppm.height), pixels, 4);
    for (std::int32_t y = 0; y < ppm.height; ++y) {
      Bytes expected(ppm.Row(y), ppm.Row(y) + 3 * 37);
      if (bits == 16) {
        for (auto& v : expected) {
          v = static_cast<std::uint8_t>((v >> 3) * 8);
        }
      }
      ASSERT_TRUE(BytesEqual(expected, Row(*image, 0, 37, y))) << int{bits} << " bits, row " << y;
    }
  }
}

TEST(GBitmapImpTest, TwoByTwoImageWritesItsFieldsPaletteAndPixels) {
  std::unique_ptr<GBaseObject> image(TwoByTwo24());
  image->SetSerialNumber(0x01020304);
  // Saved as a record: the file magic, class id 552, then 111 bytes of contents.
  const Bytes expected = HexBytes(
      "88 88 00 00  28 02"
      "01 00 00 00  00 00 00 00  04 03 02 01"        // root part
      "01 00 00 00  01 00 00 00  10 00 00 00"        // version, ownsData, dataSize 16
      "00 00 00 00 02 00 02 00  18  00"              // bounds, 24 bits, format byte
      "00 00 00 00  01 00 00 00  04"                 // doubleWorkingSize, bottomUp, alignment
      "00 00  00 00 00 00  00 00"                    // rowsPerSegment, segmentInfo, segmentStep
      "00 00 00 00  00 00 00 00"                     // workingSize, workingSizeKnown
      "08 00 00 00  06 00 00 00  00 00 00 00"        // stride, rowBytes, hasMasks
      "00 00 00 00 00 00  00 00 00 00 00 00  00 00 00 00 00 00"  // red, green, blue
      "FF FF 00 00 00 00"                            // no palette
      "01 02 03 04 05 06 00 00  07 08 09 0A 0B 0C 00 00");
  EXPECT_TRUE(BytesEqual(expected, vel::test::SaveGraph(Carrier::kFile, image.get())));
  EXPECT_EQ(expected.size(), 4u + 2 + 111);
  auto* imp = static_cast<GBitmapImp*>(image.get());
  EXPECT_EQ(imp->GetWorkingSize(), 16u);
}

TEST(GBitmapImpTest, MasklessSixteenBitImageStoresItsDefaultChannels) {
  auto image = Image(16, 1, 1, HexBytes("00 00"), 4);
  const Bytes bytes = vel::test::SaveContentsOf(Carrier::kFile, *image);
  // The channels follow the root part (12 bytes) and 59 bytes of fields.
  ASSERT_GE(bytes.size(), 89u);
  EXPECT_TRUE(BytesEqual(HexBytes("00 7C 00 00 0A 05  E0 03 00 00 05 05  1F 00 00 00 00 05"),
                         Bytes(bytes.begin() + 71, bytes.begin() + 89)));
}

TEST(GBitmapImpTest, DamagedRecordsFailTheCarrierAndKeepNoBuffer) {
  struct Patch {
    const char* name;
    std::size_t offset;  // into the contents: the root part is 12 bytes, the version word 4
    Bytes bytes;
  };
  const Patch patches[] = {
      {"huge dataSize", 20, HexBytes("FF FF FF 7F")},
      {"dataSize short of the last row", 20, HexBytes("0D 00 00 00")},
      {"bounds reversed", 28, HexBytes("FE FF")},
      {"depth 7", 32, HexBytes("07")},
      {"stride below row bytes", 59, HexBytes("04 00 00 00")},
      {"stride not aligned", 59, HexBytes("07 00 00 00")},
      {"rowBytes wrong", 63, HexBytes("05 00 00 00")},
      {"rows past the buffer", 30, HexBytes("03 00")},
      {"segments past the buffer", 43, HexBytes("01 00 00 00 00 00 01 00")},
      {"shift past the pixel", 75, HexBytes("40")},
      {"pixels cut short", 105, {}},
  };
  std::unique_ptr<GBaseObject> image(TwoByTwo24());
  const Bytes good = vel::test::SaveContentsOf(Carrier::kFile, *image);
  for (const Patch& patch : patches) {
    Bytes bytes = good;
    if (patch.bytes.empty()) {
      bytes.resize(patch.offset);
    } else {
      std::copy(patch.bytes.begin(), patch.bytes.end(), bytes.begin() + patch.offset);
    }
    GBitmapImp target;
    EXPECT_TRUE(vel::test::RestoreContentsOf(Carrier::kFile, bytes, target).failed) << patch.name;
    EXPECT_EQ(target.GetData(), nullptr) << patch.name;
    Bytes row(64);
    for (std::int32_t y = -1; y < 4; ++y) {
      EXPECT_EQ(target.GetRow(row.data(), 0, 2, y, 0), 0u) << patch.name;
    }
  }
}

TEST(GBitmapImpTest, RestoreReplacesTheOldBufferAndPalette) {
  auto target = Image(1, 10, 2, HexBytes("B3 5C 00 00 FF 00 00 00"), 4, 0, new GPaletteTable);
  std::unique_ptr<GBaseObject> image(TwoByTwo24());
  for (Carrier carrier : vel::test::kAllCarriers) {
    const Bytes bytes = vel::test::SaveContentsOf(carrier, *image);
    EXPECT_FALSE(vel::test::RestoreContentsOf(carrier, bytes, *target).failed);
    EXPECT_EQ(target->GetPalette(), nullptr);
    EXPECT_EQ(target->GetOwnsData(), 1);
    EXPECT_TRUE(target->IsSameKey(image.get()));
    EXPECT_TRUE(BytesEqual(HexBytes("09 08 07 0C 0B 0A"), Row(*target, 0, 2, 0)));
    EXPECT_TRUE(BytesEqual(HexBytes("03 02 01 06 05 04"), Row(*target, 0, 2, 1)));
  }
}

TEST(GBitmapImpTest, PaletteCopiesBuffersAndPatterns) {
  auto* palette = new GPaletteTable;
  auto image = Image(8, 2, 1, HexBytes("00 01"), 1, 0, palette);
  image->SetPalette(palette);  // the palette already held stays
  EXPECT_EQ(image->GetPalette(), palette);
  EXPECT_EQ(image->GetPalette()->GetCount(), 2u);

  GBitmapImp copy(*image);
  EXPECT_TRUE(copy.IsSameKey(image.get()));
  EXPECT_NE(copy.GetPalette(), palette);
  EXPECT_NE(copy.GetData(), image->GetData());
  GBitmapImp assigned;
  assigned = *image;
  EXPECT_TRUE(assigned.IsSameKey(image.get()));

  // An 8 x 8 pattern over the caller's bits: rows exactly `stride` bytes apart, not owned.
  std::uint8_t bits[8 * 4] = {};
  bits[4 * 7] = 0x80;
  GBitmapImp pattern(1, bits, 4, GPoint{8, 8});
  EXPECT_EQ(pattern.GetOwnsData(), 0);
  EXPECT_EQ(pattern.GetStride(), 4u);
  EXPECT_TRUE(BytesEqual(HexBytes("80"), Row(pattern, 0, 8, 7)));
  pattern.MakeOwnCopy();
  EXPECT_NE(pattern.GetData(), bits);
  EXPECT_TRUE(BytesEqual(HexBytes("80"), Row(pattern, 0, 8, 7)));
  for (std::uint32_t stride : {0u, 2u, 256u}) {
    GBitmapImp empty(24, bits, stride, GPoint{1, 8});
    GRect bounds;
    empty.GetBounds(bounds);
    EXPECT_EQ(bounds, GRect{}) << stride;
    EXPECT_EQ(empty.GetData(), nullptr) << stride;
  }
}

// Row i of a segmented buffer starts at (i / rowsPerSegment) x (segmentStep x 65536) +
// (i mod rowsPerSegment) x stride; a row past the buffer reads nothing.
TEST(GBitmapImpTest, SegmentedRowsStartAtTheirSegment) {
  const std::uint32_t size = 65536 + 4;
  auto* data = new std::uint8_t[size]();
  data[2] = 0x11;
  data[65536 + 2] = 0x33;
  GBitmapImp image(1, data, size, 1, GPoint{0, 0}, GPoint{2, 5}, 8, 0, 0, nullptr, 0, 0, 0, 0, 0,
                   1, 2, 77);
  EXPECT_TRUE(image.IsSegmented());
  EXPECT_EQ(image.GetSegmentInfo(), 77u);
  EXPECT_TRUE(BytesEqual(HexBytes("11 00"), Row(image, 0, 2, 1)));
  EXPECT_TRUE(BytesEqual(HexBytes("33 00"), Row(image, 0, 2, 3)));
  EXPECT_TRUE(Row(image, 0, 2, 4).empty());  // would start at 131072
  for (Carrier carrier : vel::test::kAllCarriers) {
    const Bytes bytes = vel::test::SaveContentsOf(carrier, image);
    GBitmapImp target;
    // Rows 4 lies past the buffer: the record is refused.
    EXPECT_TRUE(vel::test::RestoreContentsOf(carrier, bytes, target).failed);
  }
  GBitmapImp four(image);
  EXPECT_TRUE(BytesEqual(HexBytes("33 00"), Row(four, 0, 2, 3)));
}

TEST(GBitmapImpTest, WorkingSizeDoublesWhenAskedAndIsCached) {
  auto* data = new std::uint8_t[8]();
  GBitmapImp image(1, data, 8, 1, GPoint{0, 0}, GPoint{8, 1}, 8, 3, 1, nullptr, 0, 0, 0, 0, 0, 0,
                   0, 0);
  EXPECT_TRUE(image.HasDoubleWorkingSize());
  EXPECT_EQ(image.GetFormatByte(), 3);
  EXPECT_EQ(image.GetWorkingSize(), 16u);
  EXPECT_EQ(image.GetWorkingSize(), 16u);
  EXPECT_FALSE(image.IsSegmented());
}

}  // namespace
