// Mapping, DC state, lines, flood fills, bit-block transfers and the object count.
#include <gmock/gmock.h>

#include <algorithm>

#include "tests/platform_gdi/GdiTestSupport.h"

namespace vel::test {
namespace {

using platform::Image;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kOlive = RGB(128, 128, 0);

using DrawingTest = GdiTest;

TEST_F(DrawingTest, IsotropicMappingShrinksTheAxisWithTheLargerScale) {
  struct Case {
    SIZE window;
    SIZE viewport;
    SIZE expected_viewport;
    POINT logical;
    POINT device;
  };
  const Case cases[] = {
      // Wider than tall: x is shrunk to the height's scale.
      {{1000, 1000}, {200, 100}, {100, 100}, {500, 250}, {50, 25}},
      // Taller than wide: y is shrunk.
      {{1000, 1000}, {100, 200}, {100, 100}, {1000, 10}, {100, 1}},
      // Signs are kept: y grows upward.
      {{1000, 1000}, {200, -100}, {100, -100}, {400, 400}, {40, -40}},
      {{1000, -1000}, {300, 150}, {150, 150}, {200, 200}, {30, -30}},
      // Rounding to nearest: 333 * 150 / 1000 = 49.95.
      {{1000, 1000}, {150, 400}, {150, 150}, {333, 3}, {50, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "viewport " << c.viewport.cx << " x " << c.viewport.cy);
    Canvas canvas(4, 4, false);
    SetMapMode(canvas.dc(), MM_ISOTROPIC);
    SetWindowExtEx(canvas.dc(), c.window.cx, c.window.cy, nullptr);
    SetViewportExtEx(canvas.dc(), c.viewport.cx, c.viewport.cy, nullptr);
    SIZE viewport{};
    ASSERT_TRUE(GetViewportExtEx(canvas.dc(), &viewport));
    EXPECT_EQ(viewport.cx, c.expected_viewport.cx);
    EXPECT_EQ(viewport.cy, c.expected_viewport.cy);
    POINT p = c.logical;
    LPtoDP(canvas.dc(), &p, 1);
    EXPECT_EQ(p.x, c.device.x);
    EXPECT_EQ(p.y, c.device.y);
    // Device points survive the way to logical units and back (logical units are finer).
    for (POINT d : {POINT{0, 0}, POINT{7, 3}, POINT{-5, 99}, POINT{c.device.x, c.device.y}}) {
      POINT q = d;
      DPtoLP(canvas.dc(), &q, 1);
      LPtoDP(canvas.dc(), &q, 1);
      EXPECT_EQ(q.x, d.x);
      EXPECT_EQ(q.y, d.y);
    }
  }
}

TEST_F(DrawingTest, OriginsMoveLogicalPointsAndTextModeIgnoresExtents) {
  Canvas canvas(4, 4, false);
  SetWindowExtEx(canvas.dc(), 10, 10, nullptr);
  SetViewportExtEx(canvas.dc(), 20, 20, nullptr);
  SetWindowOrgEx(canvas.dc(), 5, 5, nullptr);
  SetViewportOrgEx(canvas.dc(), 1, 2, nullptr);
  POINT p{10, 10};
  LPtoDP(canvas.dc(), &p, 1);
  EXPECT_EQ(p.x, 6);
  EXPECT_EQ(p.y, 7);
  SetMapMode(canvas.dc(), MM_ISOTROPIC);
  SetWindowExtEx(canvas.dc(), 10, 10, nullptr);
  SetViewportExtEx(canvas.dc(), 20, 30, nullptr);
  p = {10, 10};
  LPtoDP(canvas.dc(), &p, 1);
  EXPECT_EQ(p.x, 11);  // (10 - 5) * 20 / 10 + 1
  EXPECT_EQ(p.y, 12);
}

TEST_F(DrawingTest, SaveAndRestoreBringBackEveryStateField) {
  Canvas canvas(8, 8, false);
  HDC dc = canvas.dc();
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  HBRUSH brush = CreateSolidBrush(kBlue);
  HFONT font = CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  HRGN region = CreateRectRgn(0, 0, 2, 2);
  SelectObject(dc, pen);
  SelectObject(dc, brush);
  SelectObject(dc, font);
  SetMapMode(dc, MM_ISOTROPIC);
  SetWindowExtEx(dc, 100, 100, nullptr);
  SetViewportExtEx(dc, 8, 8, nullptr);
  SetWindowOrgEx(dc, 1, 2, nullptr);
  SetViewportOrgEx(dc, 3, 4, nullptr);
  SetTextColor(dc, kRed);
  SetBkColor(dc, kBlue);
  SetBkMode(dc, TRANSPARENT);
  SetTextCharacterExtra(dc, 3);
  MoveToEx(dc, 5, 6, nullptr);
  SelectClipRgn(dc, region);
  HGDIOBJ first_bitmap = canvas.bitmap();

  ASSERT_EQ(SaveDC(dc), 1);
  HPEN other_pen = CreatePen(PS_DOT, 1, kGreen);
  HBRUSH other_brush = CreateSolidBrush(kGreen);
  HBITMAP other_bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
  HGDIOBJ old_pen = SelectObject(dc, other_pen);
  HGDIOBJ old_brush = SelectObject(dc, other_brush);
  HGDIOBJ old_font = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
  HGDIOBJ old_bitmap = SelectObject(dc, other_bitmap);
  SetMapMode(dc, MM_TEXT);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  SetTextColor(dc, kBlack);
  SetBkColor(dc, kWhite);
  SetBkMode(dc, OPAQUE);
  SetTextCharacterExtra(dc, 0);
  MoveToEx(dc, 0, 0, nullptr);
  SelectClipRgn(dc, nullptr);
  ASSERT_EQ(SaveDC(dc), 2);
  ASSERT_EQ(SaveDC(dc), 3);
  EXPECT_FALSE(RestoreDC(dc, 4));
  EXPECT_FALSE(RestoreDC(dc, -4));
  ASSERT_TRUE(RestoreDC(dc, -1));  // back to level 3's state (the same as level 2's)
  ASSERT_TRUE(RestoreDC(dc, 1));   // drops level 2 as well
  EXPECT_FALSE(RestoreDC(dc, -1));

  EXPECT_EQ(GetMapMode(dc), MM_ISOTROPIC);
  SIZE extent{};
  GetWindowExtEx(dc, &extent);
  EXPECT_EQ(extent.cx, 100);
  GetViewportExtEx(dc, &extent);
  EXPECT_EQ(extent.cy, 8);
  POINT origin{};
  SetWindowOrgEx(dc, 1, 2, &origin);
  EXPECT_EQ(origin.x, 1);
  EXPECT_EQ(origin.y, 2);
  SetViewportOrgEx(dc, 3, 4, &origin);
  EXPECT_EQ(origin.x, 3);
  EXPECT_EQ(origin.y, 4);
  EXPECT_EQ(GetTextColor(dc), kRed);
  EXPECT_EQ(GetBkColor(dc), kBlue);
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(GetTextCharacterExtra(dc), 3);
  POINT position{};
  MoveToEx(dc, 0, 0, &position);
  EXPECT_EQ(position.x, 5);
  EXPECT_EQ(position.y, 6);
  // The clip region is back: (2, 2) lies outside it, (1, 1) inside (device units).
  SetMapMode(dc, MM_TEXT);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  EXPECT_EQ(GetPixel(dc, 2, 2), CLR_INVALID);
  EXPECT_NE(GetPixel(dc, 1, 1), CLR_INVALID);
  EXPECT_EQ(SelectObject(dc, old_pen), pen);
  EXPECT_EQ(SelectObject(dc, old_brush), brush);
  EXPECT_EQ(SelectObject(dc, old_font), font);
  EXPECT_EQ(SelectObject(dc, old_bitmap), first_bitmap);
  // Put the first choices back so the canvas deletes cleanly.
  SelectObject(dc, first_bitmap);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  for (HGDIOBJ object : {pen, brush, font, region, other_pen, other_brush, other_bitmap}) {
    EXPECT_TRUE(DeleteObject(object));
  }
  EXPECT_TRUE(platform::GdiFaults().empty());
}

TEST_F(DrawingTest, DottedPenPatternAndExcludedEndPoint) {
  // Two pixels on, two off; the gaps take the background colour when it is opaque. The end point
  // of a line is not drawn.
  Canvas canvas(12, 2, false);
  HPEN dot = CreatePen(PS_DOT, 1, kBlack);
  HGDIOBJ old = SelectObject(canvas.dc(), dot);
  SetBkColor(canvas.dc(), kRed);
  MoveToEx(canvas.dc(), 0, 0, nullptr);
  LineTo(canvas.dc(), 10, 0);
  SetBkMode(canvas.dc(), TRANSPARENT);
  MoveToEx(canvas.dc(), 0, 1, nullptr);
  LineTo(canvas.dc(), 10, 1);
  SelectObject(canvas.dc(), old);
  DeleteObject(dot);
  EXPECT_EQ(Rows(canvas.Pixels(), {{kBlack, 'X'}, {kRed, 'r'}, {kWhite, '.'}}),
            (std::vector<std::string>{"XXrrXXrrXX..", "XX..XX..XX.."}));
}

TEST_F(DrawingTest, FocusRectangleIsADottedInversionThatUndoesItself) {
  Canvas canvas(6, 5, false);
  const RECT r{0, 0, 6, 5};
  DrawFocusRect(canvas.dc(), &r);
  EXPECT_EQ(Rows(canvas.Pixels(), {{kBlack, 'X'}, {kWhite, '.'}}),
            (std::vector<std::string>{"X.X.X.", ".....X", "X.....", ".....X", "X.X.X."}));
  DrawFocusRect(canvas.dc(), &r);
  EXPECT_EQ(Rows(canvas.Pixels(), {{kWhite, '.'}}), (std::vector<std::string>(5, "......")));
}

TEST_F(DrawingTest, RectangleAndFillRectExcludeRightAndBottom) {
  Canvas canvas(6, 6, false);
  RECT r{1, 1, 4, 3};
  HBRUSH red = CreateSolidBrush(kRed);
  FillRect(canvas.dc(), &r, red);
  HGDIOBJ old = SelectObject(canvas.dc(), red);
  SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
  Rectangle(canvas.dc(), 1, 4, 5, 6);  // with no pen: one pixel less at right and bottom
  SelectObject(canvas.dc(), old);
  SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
  DeleteObject(red);
  EXPECT_EQ(Rows(canvas.Pixels(), {{kRed, 'r'}, {kWhite, '.'}}),
            (std::vector<std::string>{"......", ".rrr..", ".rrr..", "......", ".rrr..", "......"}));
}

TEST_F(DrawingTest, FarCoordinatesAreCutToTheSurface) {
  Canvas canvas(8, 3, false);
  Canvas source(8, 3, false, kRed);
  MoveToEx(canvas.dc(), -2000000000, 0, nullptr);
  LineTo(canvas.dc(), 2000000000, 0);
  SetMapMode(canvas.dc(), MM_ISOTROPIC);
  SetWindowExtEx(canvas.dc(), 1, 1, nullptr);
  SetViewportExtEx(canvas.dc(), 1000, 1000, nullptr);
  MoveToEx(canvas.dc(), 0, 0, nullptr);
  LineTo(canvas.dc(), 0, 2000000000);  // scaled far beyond the range of device units
  SetMapMode(canvas.dc(), MM_TEXT);
  EXPECT_TRUE(BitBlt(canvas.dc(), 6, 1, 2000000000, 2000000000, source.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(Rows(canvas.Pixels(), {{kBlack, 'X'}, {kRed, 'r'}, {kWhite, '.'}}),
            (std::vector<std::string>{"XXXXXXXX", "X.....rr", "X.....rr"}));
}

TEST_F(DrawingTest, SurfaceFloodFillIsFourConnectedAndStopsAtOtherColours) {
  Canvas canvas(6, 5, false);
  // A red wall with a diagonal gap: 4-connected filling does not pass through the corner.
  for (POINT p : {POINT{2, 0}, POINT{2, 1}, POINT{3, 2}, POINT{3, 3}, POINT{3, 4}, POINT{0, 3}}) {
    SetPixel(canvas.dc(), p.x, p.y, kRed);
  }
  HBRUSH olive = CreateSolidBrush(kOlive);
  HGDIOBJ old = SelectObject(canvas.dc(), olive);
  EXPECT_TRUE(ExtFloodFill(canvas.dc(), 0, 0, kWhite, FLOODFILLSURFACE));
  EXPECT_FALSE(ExtFloodFill(canvas.dc(), 2, 0, kWhite, FLOODFILLSURFACE));  // not that colour
  SelectObject(canvas.dc(), old);
  DeleteObject(olive);
  EXPECT_EQ(Rows(canvas.Pixels(), {{kRed, 'R'}, {kWhite, '.'}, {kOlive, 'o'}}),
            (std::vector<std::string>{"ooR...", "ooR...", "oooR..", "RooR..", "oooR.."}));
}

TEST_F(DrawingTest, BorderFloodFillFillsUpToTheBorderColour) {
  Canvas canvas(5, 3, false);
  SetPixel(canvas.dc(), 2, 0, kRed);
  SetPixel(canvas.dc(), 2, 1, kRed);
  SetPixel(canvas.dc(), 2, 2, kRed);
  SetPixel(canvas.dc(), 0, 1, kBlue);  // not the border: filled over
  HBRUSH green = CreateSolidBrush(kGreen);
  HGDIOBJ old = SelectObject(canvas.dc(), green);
  EXPECT_TRUE(ExtFloodFill(canvas.dc(), 1, 1, kRed, FLOODFILLBORDER));
  SelectObject(canvas.dc(), old);
  DeleteObject(green);
  EXPECT_EQ(Rows(canvas.Pixels(), {{kRed, 'R'}, {kWhite, '.'}, {kGreen, 'g'}}),
            (std::vector<std::string>{"ggR..", "ggR..", "ggR.."}));
}

TEST_F(DrawingTest, BitBltConvertsBetweenColourAndMonochrome) {
  struct Case {
    const char* name;
    bool source_mono;
    bool target_mono;
    COLORREF source_pixel;
    COLORREF source_bk;
    COLORREF target_text;
    COLORREF target_bk;
    DWORD rop;
    COLORREF target_before;
    COLORREF expected;
  };
  const Case cases[] = {
      {"colour to mono, background colour", false, true, kOlive, kOlive, kBlack, kWhite, SRCCOPY,
       kBlack, kWhite},
      {"colour to mono, other colour", false, true, kRed, kOlive, kBlack, kWhite, SRCCOPY, kWhite,
       kBlack},
      {"colour to mono, white is not background", false, true, kWhite, kOlive, kBlack, kWhite,
       SRCCOPY, kWhite, kBlack},
      {"mono 0 to colour takes the text colour", true, false, kBlack, kWhite, kRed, kBlue, SRCCOPY,
       kWhite, kRed},
      {"mono 1 to colour takes the background colour", true, false, kWhite, kBlack, kRed, kBlue,
       SRCCOPY, kWhite, kBlue},
      {"mono to colour, SRCAND keeps under 1", true, false, kWhite, kBlack, kBlack, kWhite, SRCAND,
       kGreen, kGreen},
      {"mono to colour, SRCAND clears under 0", true, false, kBlack, kBlack, kBlack, kWhite, SRCAND,
       kGreen, kBlack},
      {"colour SRCINVERT", false, false, kRed, kWhite, kBlack, kWhite, SRCINVERT, kGreen,
       RGB(255, 255, 0)},
      {"colour SRCPAINT", false, false, kRed, kWhite, kBlack, kWhite, SRCPAINT, kBlue,
       RGB(255, 0, 255)},
      {"colour NOTSRCCOPY", false, false, kOlive, kWhite, kBlack, kWhite, NOTSRCCOPY, kBlack,
       RGB(127, 127, 255)},
      {"mono to mono copies", true, true, kWhite, kBlack, kRed, kBlue, SRCCOPY, kBlack, kWhite},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Canvas source(1, 1, c.source_mono, c.source_pixel);
    Canvas target(1, 1, c.target_mono, c.target_before);
    SetBkColor(source.dc(), c.source_bk);
    SetTextColor(target.dc(), c.target_text);
    SetBkColor(target.dc(), c.target_bk);
    ASSERT_TRUE(BitBlt(target.dc(), 0, 0, 1, 1, source.dc(), 0, 0, c.rop));
    EXPECT_EQ(GetPixel(target.dc(), 0, 0), c.expected);
  }
  Canvas target(1, 1, false);
  HBRUSH blue = CreateSolidBrush(kBlue);
  HGDIOBJ old = SelectObject(target.dc(), blue);
  EXPECT_TRUE(BitBlt(target.dc(), 0, 0, 1, 1, nullptr, 0, 0, PATCOPY));
  EXPECT_EQ(GetPixel(target.dc(), 0, 0), kBlue);
  SelectObject(target.dc(), old);
  DeleteObject(blue);
}

// The transparent overlay: the area of the overlay connected to its corner is flood-filled with
// an unusual colour, a mask takes that colour as its background, and SRCINVERT, SRCAND, SRCINVERT
// leave only the overlay's foreground on the picture.
TEST_F(DrawingTest, MaskCompositionShowsOnlyTheOverlayForeground) {
  // Overlay: blue background, a red ring around an enclosed blue pixel, a green spot.
  const std::vector<std::string> overlay_rows = {"bbbbbbbb", "bbrrrbbb", "bbrbrbbb", "bbrrrbbb",
                                                 "bbbbbbgb", "bbbbbbbb", "rbbbbbbb", "bbbbbbbb"};
  // Picture: white with a black diagonal.
  Canvas overlay(8, 8, false);
  Canvas picture(8, 8, false);
  for (int y = 0; y < 8; ++y) {
    SetPixel(picture.dc(), y, y, kBlack);
    for (int x = 0; x < 8; ++x) {
      const char c = overlay_rows[y][x];
      SetPixel(overlay.dc(), x, y, c == 'b' ? kBlue : c == 'r' ? kRed : kGreen);
    }
  }
  const Image before = picture.Pixels();

  Canvas work(8, 8, false);
  BitBlt(work.dc(), 0, 0, 8, 8, overlay.dc(), 0, 0, SRCCOPY);
  HBRUSH olive = CreateSolidBrush(kOlive);
  HGDIOBJ old = SelectObject(work.dc(), olive);
  ASSERT_TRUE(ExtFloodFill(work.dc(), 0, 0, GetPixel(work.dc(), 0, 0), FLOODFILLSURFACE));
  SelectObject(work.dc(), old);
  DeleteObject(olive);
  Canvas mask(8, 8, true);
  SetBkColor(work.dc(), kOlive);
  BitBlt(mask.dc(), 0, 0, 8, 8, work.dc(), 0, 0, SRCCOPY);
  BitBlt(picture.dc(), 0, 0, 8, 8, work.dc(), 0, 0, SRCINVERT);
  BitBlt(picture.dc(), 0, 0, 8, 8, mask.dc(), 0, 0, SRCAND);
  BitBlt(picture.dc(), 0, 0, 8, 8, work.dc(), 0, 0, SRCINVERT);

  EXPECT_EQ(Rows(mask.Pixels(), {{kWhite, '1'}, {kBlack, '0'}}),
            (std::vector<std::string>{"11111111", "11000111", "11000111", "11000111", "11111101",
                                      "11111111", "01111111", "11111111"}));
  const Image after = picture.Pixels();
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool foreground = mask.Pixels().At(x, y) == kBlack;
      const COLORREF overlay_pixel = GetPixel(overlay.dc(), x, y);
      EXPECT_EQ(after.At(x, y), foreground ? overlay_pixel : before.At(x, y))
          << "at (" << x << ", " << y << ")";
    }
  }
}

TEST_F(DrawingTest, ObjectsAreCountedAndDeletingASelectedObjectIsAFault) {
  ASSERT_EQ(platform::LiveGdiObjects(), 0);
  {
    Canvas canvas(4, 4, false);
    HPEN pen = CreatePen(PS_SOLID, 2, kRed);
    HGDIOBJ old = SelectObject(canvas.dc(), pen);
    EXPECT_EQ(platform::LiveGdiObjects(), 3);
    LineTo(canvas.dc(), 3, 3);
    EXPECT_FALSE(DeleteObject(pen));
    ASSERT_EQ(platform::GdiFaults().size(), 1u);
    EXPECT_EQ(platform::GdiFaults()[0],
              "DeleteObject(pen 1): the object is selected into memory 1");
    SelectObject(canvas.dc(), old);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));  // stock objects are kept
    EXPECT_NE(GetStockObject(BLACK_PEN), nullptr);
  }
  EXPECT_EQ(platform::LiveGdiObjects(), 0);
  EXPECT_TRUE(DeleteObject(CreateSolidBrush(kRed)));
  EXPECT_EQ(platform::LiveGdiObjects(), 0);
}

TEST_F(DrawingTest, CompatibleBitmapsFollowTheDcsSurface) {
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP from_memory = CreateCompatibleBitmap(memory, 2, 2);
  HDC screen = GetDC(nullptr);
  HBITMAP from_screen = CreateCompatibleBitmap(screen, 2, 2);
  BITMAP info{};
  ASSERT_EQ(GetObjectW(from_memory, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmBitsPixel, 1);  // the memory DC still holds its 1 x 1 monochrome bitmap
  ASSERT_EQ(GetObjectW(from_screen, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmBitsPixel, 32);
  EXPECT_EQ(info.bmWidth, 2);
  DeleteObject(from_memory);
  DeleteObject(from_screen);
  ReleaseDC(nullptr, screen);
  DeleteDC(memory);
  EXPECT_EQ(platform::LiveGdiObjects(), 0);
}

TEST_F(DrawingTest, PrinterEscapesAreLoggedAndHandled) {
  platform::PrinterDevice device;
  device.horzres = 4800;
  device.vertres = 6300;
  device.escape_answer = 7;
  platform::RegisterPrinterDevice(u"Vel Laser", device);
  std::vector<std::uint8_t> seen;
  device.escape_handler = [&](int escape, const std::vector<std::uint8_t>& input) {
    seen = input;
    return escape == 0x303EB8ED ? 252 : 0;
  };
  platform::RegisterPrinterDevice(u"Vel Laser Handled", device);
  EXPECT_EQ(CreateDCW(nullptr, u"No Such Printer", nullptr, nullptr), nullptr);

  HDC plain = CreateDCW(nullptr, u"Vel Laser", nullptr, nullptr);
  HDC handled = CreateDCW(nullptr, u"Vel Laser Handled", nullptr, nullptr);
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(handled, nullptr);
  EXPECT_EQ(GetDeviceCaps(plain, HORZRES), 4800);
  EXPECT_EQ(GetDeviceCaps(plain, VERTRES), 6300);
  EXPECT_EQ(GetDeviceCaps(plain, LOGPIXELSY), 600);
  const std::uint8_t input[] = {0x12, 0x47, 0xC1, 0xCF, 0xA8, 0, 0, 0};
  const auto* bytes = reinterpret_cast<const char*>(input);
  EXPECT_EQ(ExtEscape(plain, 0x303EB8ED, 8, bytes, 0, nullptr), 7);
  EXPECT_EQ(ExtEscape(handled, 0x303EB8ED, 8, bytes, 0, nullptr), 252);
  EXPECT_EQ(seen, std::vector<std::uint8_t>(input, input + 8));
  const auto calls = platform::EscapeCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].dc, "printer \"Vel Laser Handled\"");
  EXPECT_EQ(calls[1].input, std::vector<std::uint8_t>(input, input + 8));
  const auto journal = platform::GdiJournal();
  EXPECT_THAT(
      journal,
      testing::Contains("ExtEscape(printer \"Vel Laser\", 0x303EB8ED, 8 bytes 12 47 C1 CF A8 00 00 "
                        "00) -> 7"));
  DeleteDC(plain);
  DeleteDC(handled);
}

}  // namespace
}  // namespace vel::test
