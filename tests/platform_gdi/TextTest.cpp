// Text: extents, the escapement, and the enumeration of font families.
#include <climits>

#include "tests/platform_gdi/GdiTestSupport.h"

namespace vel::test {
namespace {

using TextTest = GdiTest;

struct Ink {
  LONG left = INT_MAX;
  LONG top = INT_MAX;
  LONG right = INT_MIN;
  LONG bottom = INT_MIN;
};

Ink InkOf(const platform::Image& image, COLORREF background) {
  Ink ink;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.At(x, y) != background) {
        ink.left = std::min<LONG>(ink.left, x);
        ink.right = std::max<LONG>(ink.right, x);
        ink.top = std::min<LONG>(ink.top, y);
        ink.bottom = std::max<LONG>(ink.bottom, y);
      }
    }
  }
  return ink;
}

TEST_F(TextTest, EscapementTurnsTextUpwardWithUnturnedExtents) {
  Canvas flat(300, 300, false);
  Canvas turned(300, 300, false);
  HFONT flat_font = CreateFontW(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  HFONT turned_font = CreateFontW(-40, 0, 900, 900, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  HGDIOBJ old_flat = SelectObject(flat.dc(), flat_font);
  HGDIOBJ old_turned = SelectObject(turned.dc(), turned_font);
  SIZE flat_size{};
  SIZE turned_size{};
  ASSERT_TRUE(GetTextExtentPoint32W(flat.dc(), u"HHHH", 4, &flat_size));
  ASSERT_TRUE(GetTextExtentPoint32W(turned.dc(), u"HHHH", 4, &turned_size));
  EXPECT_EQ(turned_size.cx, flat_size.cx);
  EXPECT_EQ(turned_size.cy, flat_size.cy);
  EXPECT_GT(flat_size.cx, 80);

  SetBkMode(flat.dc(), TRANSPARENT);
  SetBkMode(turned.dc(), TRANSPARENT);
  TextOutW(flat.dc(), 100, 200, u"HHHH", 4);
  TextOutW(turned.dc(), 100, 200, u"HHHH", 4);
  const Ink a = InkOf(flat.Pixels(), RGB(255, 255, 255));
  const Ink b = InkOf(turned.Pixels(), RGB(255, 255, 255));
  // Unturned: right of and below the reference point, within the extent.
  EXPECT_GE(a.left, 100);
  EXPECT_GE(a.top, 200);
  EXPECT_LE(a.right, 100 + flat_size.cx);
  EXPECT_LE(a.bottom, 200 + flat_size.cy);
  // Turned by 90 degrees: the text runs upward from the reference point; its cell lies to the
  // right of it, and the ink spans about the extent's width.
  EXPECT_GE(b.left, 100);
  EXPECT_LE(b.right, 100 + flat_size.cy);
  EXPECT_LE(b.bottom, 200);
  EXPECT_GE(b.top, 200 - flat_size.cx);
  EXPECT_EQ(b.bottom - b.top, a.right - a.left);
  SelectObject(flat.dc(), old_flat);
  SelectObject(turned.dc(), old_turned);
  DeleteObject(flat_font);
  DeleteObject(turned_font);
}

TEST_F(TextTest, HeightsCharacterExtraAndMapping) {
  Canvas canvas(10, 10, false);
  HFONT em = CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  HFONT cell = CreateFontW(20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  HGDIOBJ old = SelectObject(canvas.dc(), em);
  TEXTMETRICW metrics{};
  ASSERT_TRUE(GetTextMetricsW(canvas.dc(), &metrics));
  EXPECT_GT(metrics.tmHeight, 20);  // the em plus the internal leading
  EXPECT_EQ(metrics.tmHeight, metrics.tmAscent + metrics.tmDescent);
  SIZE plain{};
  GetTextExtentPoint32W(canvas.dc(), u"abc", 3, &plain);
  SetTextCharacterExtra(canvas.dc(), 2);
  SIZE extra{};
  GetTextExtentPoint32W(canvas.dc(), u"abc", 3, &extra);
  EXPECT_EQ(extra.cx, plain.cx + 6);
  SetTextCharacterExtra(canvas.dc(), 0);
  SelectObject(canvas.dc(), cell);
  ASSERT_TRUE(GetTextMetricsW(canvas.dc(), &metrics));
  EXPECT_NEAR(metrics.tmHeight, 20, 1);
  // Through a mapping of 10 logical units per pixel, extents come back in logical units.
  SelectObject(canvas.dc(), em);
  SetMapMode(canvas.dc(), MM_ISOTROPIC);
  SetWindowExtEx(canvas.dc(), 100, 100, nullptr);
  SetViewportExtEx(canvas.dc(), 10, 10, nullptr);
  HFONT big = CreateFontW(-200, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  SelectObject(canvas.dc(), big);
  SIZE mapped{};
  GetTextExtentPoint32W(canvas.dc(), u"abc", 3, &mapped);
  EXPECT_EQ(mapped.cx, plain.cx * 10);
  SelectObject(canvas.dc(), old);
  DeleteObject(em);
  DeleteObject(cell);
  DeleteObject(big);
}

TEST_F(TextTest, UnderlineAndStrikeOutSpanTheTextsAdvance) {
  Canvas plain(120, 40, false);
  Canvas lined(120, 40, false);
  HFONT font = CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  HFONT under = CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 1, 1, 0, 0, 0, 0, 0, u"Arial");
  HGDIOBJ old_plain = SelectObject(plain.dc(), font);
  HGDIOBJ old_lined = SelectObject(lined.dc(), under);
  TextOutW(plain.dc(), 10, 5, u"ii", 2);
  TextOutW(lined.dc(), 10, 5, u"ii", 2);
  SIZE size{};
  GetTextExtentPoint32W(lined.dc(), u"ii", 2, &size);
  // Rows where every pixel of the advance is ink: the underline and the strike-out, which plain
  // text of narrow letters has none of.
  auto full_rows = [&](const platform::Image& image) {
    int rows = 0;
    for (int y = 0; y < image.height; ++y) {
      bool full = true;
      for (int x = 10; x < 10 + size.cx; ++x) {
        full = full && image.At(x, y) == RGB(0, 0, 0);
      }
      rows += full ? 1 : 0;
    }
    return rows;
  };
  EXPECT_EQ(full_rows(plain.Pixels()), 0);
  EXPECT_GE(full_rows(lined.Pixels()), 2);
  SelectObject(plain.dc(), old_plain);
  SelectObject(lined.dc(), old_lined);
  DeleteObject(font);
  DeleteObject(under);
}

TEST_F(TextTest, StockAndUnknownFacesAreDejaVuSansAtThirteenPixels) {
  Canvas canvas(10, 10, false);
  HFONT unknown = CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"No Such Face");
  HGDIOBJ old = SelectObject(canvas.dc(), GetStockObject(ANSI_VAR_FONT));
  SIZE stock{};
  GetTextExtentPoint32W(canvas.dc(), u"Paper Size", 10, &stock);
  SelectObject(canvas.dc(), unknown);
  SIZE fallback{};
  GetTextExtentPoint32W(canvas.dc(), u"Paper Size", 10, &fallback);
  EXPECT_EQ(stock.cx, fallback.cx);
  EXPECT_EQ(stock.cy, fallback.cy);
  EXPECT_GT(stock.cx, 40);
  SelectObject(canvas.dc(), old);
  DeleteObject(unknown);
}

TEST_F(TextTest, OpaqueAndClippedRectanglesOfExtTextOut) {
  Canvas canvas(60, 30, false);
  HFONT font = CreateFontW(-24, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  HGDIOBJ old = SelectObject(canvas.dc(), font);
  SetBkColor(canvas.dc(), RGB(0, 0, 255));
  SetBkMode(canvas.dc(), TRANSPARENT);
  const RECT box{0, 0, 12, 30};
  ExtTextOutW(canvas.dc(), 2, 2, ETO_OPAQUE | ETO_CLIPPED, &box, u"WWW", 3, nullptr);
  const platform::Image image = canvas.Pixels();
  bool ink_inside = false;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 60; ++x) {
      const COLORREF c = image.At(x, y);
      if (x >= 12) {
        EXPECT_EQ(c, RGB(255, 255, 255)) << "at (" << x << ", " << y << ")";
      } else {
        EXPECT_NE(c, RGB(255, 255, 255));
        ink_inside = ink_inside || c == RGB(0, 0, 0);
      }
    }
  }
  EXPECT_TRUE(ink_inside);
  SelectObject(canvas.dc(), old);
  DeleteObject(font);
}

int CALLBACK Collect(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM data) {
  auto* names = reinterpret_cast<std::vector<std::u16string>*>(data);
  EXPECT_EQ(type, TRUETYPE_FONTTYPE);
  names->push_back(font->lfFaceName);
  return names->size() < 2 || names->front() != u"stop" ? 1 : 0;
}

int CALLBACK StopAtSecond(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) {
  auto* names = reinterpret_cast<std::vector<std::u16string>*>(data);
  names->push_back(font->lfFaceName);
  return names->size() == 2 ? 0 : 1;
}

TEST_F(TextTest, FontFamiliesComeInAFixedOrderAndStopOnZero) {
  HDC screen = GetDC(nullptr);
  std::vector<std::u16string> names;
  EXPECT_EQ(EnumFontFamiliesW(screen, nullptr, Collect, reinterpret_cast<LPARAM>(&names)), 1);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Arial", u"Courier New", u"MS Sans Serif",
                                                u"Times New Roman"}));
  names.clear();
  EXPECT_EQ(EnumFontFamiliesW(screen, nullptr, StopAtSecond, reinterpret_cast<LPARAM>(&names)), 0);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Arial", u"Courier New"}));
  names.clear();
  EnumFontFamiliesW(screen, u"times new roman", Collect, reinterpret_cast<LPARAM>(&names));
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Times New Roman"}));
  ReleaseDC(nullptr, screen);
}

TEST_F(TextTest, TextIsJournalledWithDeviceCoordinatesAndFont) {
  Canvas canvas(40, 40, false);
  HFONT font = CreateFontW(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, OUT_TT_PRECIS, 0, 0, 0,
                           u"Arial");
  HGDIOBJ old = SelectObject(canvas.dc(), font);
  SetViewportOrgEx(canvas.dc(), 5, 6, nullptr);
  SetTextColor(canvas.dc(), RGB(255, 0, 0));
  SetBkMode(canvas.dc(), TRANSPARENT);
  platform::ClearGdiJournal();
  TextOutW(canvas.dc(), 1, 2, u"7", 1);
  EXPECT_EQ(platform::GdiJournal(),
            (std::vector<std::string>{"ExtTextOutW(memory 1, 1, 2, \"7\") -> (6, 8) font \"Arial\" "
                                      "height -12 weight 700 charset 1 color #0000FF "
                                      "transparent"}));
  SelectObject(canvas.dc(), old);
  DeleteObject(font);
}

}  // namespace
}  // namespace vel::test
