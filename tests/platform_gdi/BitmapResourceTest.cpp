// Bitmap resources of a module: monochrome and colour DIBs, and malformed ones refused.
#include <gmock/gmock.h>

#include <cstring>

#include "platform/win32/loader.h"
#include "platform/win32/resources.h"
#include "tests/platform_gdi/GdiTestSupport.h"

namespace vel::test {
namespace {

using BitmapResourceTest = GdiTest;

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
}
void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A DIB: header, colour table (RGB triples), rows bottom row first.
std::vector<std::uint8_t> Dib(int width,
                              int height,
                              int bits,
                              const std::vector<COLORREF>& table,
                              const std::vector<std::vector<std::uint8_t>>& rows_bottom_up) {
  std::vector<std::uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<std::uint16_t>(bits));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(table.size()));
  Put32(out, 0);
  for (COLORREF c : table) {
    out.push_back(GetBValue(c));
    out.push_back(GetGValue(c));
    out.push_back(GetRValue(c));
    out.push_back(0);
  }
  for (const auto& row : rows_bottom_up) {
    std::vector<std::uint8_t> padded = row;
    padded.resize((row.size() + 3) / 4 * 4, 0);
    out.insert(out.end(), padded.begin(), padded.end());
  }
  return out;
}

TEST_F(BitmapResourceTest, OneBitStaysMonochromeAndFourBitsBecomeColour) {
  // 3 x 2, one bit: top row 1 0 1, bottom row 0 1 1; entry 0 black, entry 1 white.
  const auto mono = Dib(3, 2, 1, {RGB(0, 0, 0), RGB(255, 255, 255)}, {{0x60}, {0xA0}});
  // 3 x 2, four bits: top row entries 1 2 3, bottom row 0 1 0.
  const auto colour = Dib(3, 2, 4, {RGB(0, 0, 0), RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)},
                          {{0x01, 0x00}, {0x12, 0x30}});
  auto truncated = colour;
  truncated.resize(truncated.size() - 3);
  auto bad_entry = Dib(2, 1, 4, {RGB(0, 0, 0)}, {{0x05}});

  platform::VirtualModule module;
  module.path = u"C:\\test\\gdires.dll";
  auto add = [&](std::uint16_t id, std::vector<std::uint8_t> bytes) {
    platform::VirtualModule::Resource resource;
    resource.type = {platform::kRtBitmap, nullptr};
    resource.name = {id, nullptr};
    resource.bytes = std::move(bytes);
    module.resources.push_back(std::move(resource));
  };
  add(1, mono);
  add(2, colour);
  add(3, truncated);
  add(4, bad_entry);
  platform::RegisterVirtualModule(module);
  HMODULE resources = LoadLibraryW(u"gdires");
  ASSERT_NE(resources, nullptr);

  HBITMAP one = LoadBitmapW(resources, MAKEINTRESOURCEW(1));
  HBITMAP four = LoadBitmapW(resources, MAKEINTRESOURCEW(2));
  ASSERT_NE(one, nullptr);
  ASSERT_NE(four, nullptr);
  BITMAP info{};
  GetObjectW(one, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 1);
  EXPECT_EQ(info.bmWidth, 3);
  EXPECT_EQ(info.bmHeight, 2);
  GetObjectW(four, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 32);
  EXPECT_EQ(Rows(platform::BitmapImage(one), {{RGB(0, 0, 0), '0'}, {RGB(255, 255, 255), '1'}}),
            (std::vector<std::string>{"101", "011"}));
  EXPECT_EQ(Rows(platform::BitmapImage(four), {{RGB(0, 0, 0), 'k'},
                                               {RGB(255, 0, 0), 'r'},
                                               {RGB(0, 255, 0), 'g'},
                                               {RGB(0, 0, 255), 'b'}}),
            (std::vector<std::string>{"rgb", "krk"}));

  EXPECT_EQ(LoadBitmapW(resources, MAKEINTRESOURCEW(3)), nullptr);
  EXPECT_EQ(LoadBitmapW(resources, MAKEINTRESOURCEW(4)), nullptr);
  EXPECT_EQ(LoadBitmapW(resources, MAKEINTRESOURCEW(9)), nullptr);
  const auto journal = platform::GdiJournal();
  EXPECT_THAT(journal, testing::Contains("LoadBitmapW(3) -> null (rows end at byte 64 of 61)"));
  EXPECT_THAT(journal, testing::Contains(
                           "LoadBitmapW(4) -> null (pixel (1, 0) names colour-table entry 5)"));
  DeleteObject(one);
  DeleteObject(four);
  FreeLibrary(resources);
  platform::UnregisterVirtualModule(module.path);
}

}  // namespace
}  // namespace vel::test
