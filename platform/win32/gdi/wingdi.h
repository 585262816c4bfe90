// Stand-in for the drawing calls of the platform: device contexts (memory, window, owner-drawn
// item, screen and printer), the mapping of logical to device units, pens, brushes, fonts, regions
// and bitmaps, line and area drawing, bit-block transfers with the platform's colour and
// monochrome conversions, flood fills, text through FreeType and printer escapes.
//
// Every call is written to the drawing journal (platform/win32/gdi/GdiFixture.h) with its
// arguments in logical and in device units. Surfaces are true-colour: pixels are COLORREF values
// (0x00BBGGRR); monochrome bitmaps hold only black and white. Window, item and screen DCs draw on
// the page image (the virtual screen, 1024 x 768 pixels) at the window's place.
//
// Fixed choices, so that the same calls give the same pixels everywhere:
// - PS_DOT draws 2 pixels on and 2 off along the line, the pattern running on across the edges of
//   one figure; the gaps take the background colour when the background mode is OPAQUE.
// - A colour drawn on a monochrome surface becomes white when r + g + b > 382, else black.
// - Fonts: "Arial" is Liberation Sans (else DejaVu Sans), "Times New Roman" Liberation Serif (else
//   DejaVu Serif), "Courier New" Liberation Mono (else DejaVu Sans Mono); "MS Sans Serif", "MS
//   Shell Dlg" and the stock fonts are DejaVu Sans at 13 pixels; any other face is DejaVu Sans.
//   Glyphs are rendered without anti-aliasing.
// - Stock objects and system colour brushes have the colours of GetSysColor.
#pragma once

#include "platform/win32/user/winuser.h"

using HGDIOBJ = void*;
using HPEN = void*;
using HFONT = void*;
using HBITMAP = void*;
using HRGN = void*;

struct SIZE {
  LONG cx;
  LONG cy;
};
using LPSIZE = SIZE*;
using LPPOINT = POINT*;
using LPRECT = RECT*;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
         (static_cast<COLORREF>(b) << 16);
}
// A palette-relative colour; on the true-colour surfaces it counts as the plain colour.
constexpr COLORREF PALETTERGB(BYTE r, BYTE g, BYTE b) {
  return 0x02000000 | RGB(r, g, b);
}
constexpr BYTE GetRValue(COLORREF c) {
  return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
  return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
  return static_cast<BYTE>((c >> 16) & 0xFF);
}
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Mapping modes.
inline constexpr int MM_TEXT = 1;
inline constexpr int MM_ISOTROPIC = 7;
inline constexpr int MM_ANISOTROPIC = 8;

// Pens.
inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DOT = 2;
inline constexpr int PS_NULL = 5;

// Stock objects.
inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int DKGRAY_BRUSH = 3;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int HOLLOW_BRUSH = NULL_BRUSH;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;
inline constexpr int OEM_FIXED_FONT = 10;
inline constexpr int ANSI_FIXED_FONT = 11;
inline constexpr int ANSI_VAR_FONT = 12;
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int DEVICE_DEFAULT_FONT = 14;
inline constexpr int DEFAULT_GUI_FONT = 17;

// Background modes.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Flood fills.
inline constexpr UINT FLOODFILLBORDER = 0;
inline constexpr UINT FLOODFILLSURFACE = 1;

// Raster operations of BitBlt.
inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD SRCPAINT = 0x00EE0086;
inline constexpr DWORD SRCAND = 0x008800C6;
inline constexpr DWORD SRCINVERT = 0x00660046;
inline constexpr DWORD NOTSRCCOPY = 0x00330008;
inline constexpr DWORD PATCOPY = 0x00F00021;

// Device capabilities.
inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int PLANES = 14;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;

// Text.
inline constexpr UINT ETO_OPAQUE = 0x2;
inline constexpr UINT ETO_CLIPPED = 0x4;
inline constexpr LONG FW_DONTCARE = 0;
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_SEMIBOLD = 600;
inline constexpr LONG FW_BOLD = 700;
inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE OUT_DEFAULT_PRECIS = 0;
inline constexpr BYTE OUT_TT_PRECIS = 4;
inline constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
inline constexpr BYTE DEFAULT_QUALITY = 0;
inline constexpr BYTE DEFAULT_PITCH = 0;
inline constexpr DWORD TRUETYPE_FONTTYPE = 0x4;

// Regions.
inline constexpr int ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;

struct TEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};

// The description of a device-dependent bitmap that GetObjectW answers.
struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

// The header of a device-independent bitmap as a bitmap resource holds it (40 bytes,
// little-endian): the colour table (RGBQUAD: blue, green, red, reserved) and the rows follow, rows
// padded to 4 bytes, bottom row first for a positive height.
//   OFFSET SIZE DESCRIPTION
//        0    4 biSize (40 or more: the colour table starts this many bytes in)
//        4    4 biWidth
//        8    4 biHeight (negative: top row first)
//       12    2 biPlanes (1)
//       14    2 biBitCount (1, 4, 8 or 24)
//       16    4 biCompression (0, uncompressed)
//       20    4 biSizeImage
//       24    8 biXPelsPerMeter, biYPelsPerMeter
//       32    4 biClrUsed (0: 2 ^ biBitCount entries for 1, 4 and 8 bits)
//       36    4 biClrImportant
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);
inline constexpr DWORD BI_RGB = 0;

using FONTENUMPROCW = int(CALLBACK*)(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM);

// ---- Device contexts ----------------------------------------------------------------------------
// A memory DC draws on the bitmap selected into it (at first a stock 1 x 1 monochrome bitmap).
HDC CreateCompatibleDC(HDC dc);
// GetDC(null) is the screen (the whole page image); GetDC(window) covers the window's rectangle.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// A DC of a printer that a host or test registered (GdiFixture.h); null for any other device.
HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW* devmode);
BOOL DeleteDC(HDC dc);
// Saves the DC's state; answers the new level (1 for the first), 0 on failure.
int SaveDC(HDC dc);
// Restores a saved level (a positive level, or counted back: -1 the last) and drops the later
// ones.
BOOL RestoreDC(HDC dc, int saved);
int GetDeviceCaps(HDC dc, int index);
// Printer DCs only: the input is passed to the printer's escape handler; answers its result.
int ExtEscape(HDC dc, int escape, int input_size, LPCSTR input, int output_size, LPSTR output);

// ---- Mapping ------------------------------------------------------------------------------------
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);
BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* previous);
BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* previous);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL GetWindowExtEx(HDC dc, SIZE* extent);
BOOL GetViewportExtEx(HDC dc, SIZE* extent);
BOOL LPtoDP(HDC dc, POINT* points, int count);
BOOL DPtoLP(HDC dc, POINT* points, int count);

// ---- Objects ------------------------------------------------------------------------------------
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HGDIOBJ GetStockObject(int index);
HBRUSH GetSysColorBrush(int index);
HFONT CreateFontIndirectW(const LOGFONTW* font);
HFONT CreateFontW(int height,
                  int width,
                  int escapement,
                  int orientation,
                  int weight,
                  DWORD italic,
                  DWORD underline,
                  DWORD strike_out,
                  DWORD char_set,
                  DWORD out_precision,
                  DWORD clip_precision,
                  DWORD quality,
                  DWORD pitch_and_family,
                  LPCWSTR face);
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
// A bitmap of 1 bit (monochrome) or of more bits (colour); bits, when given, are rows of
// the given depth padded to 2 bytes, top row first (1 bit: 1 is white).
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits);
// A bitmap in the format of the DC's surface: monochrome for a memory DC that holds a monochrome
// bitmap (its stock bitmap too), else colour.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A bitmap resource (a DIB) of a module: 1 bit stays monochrome, more bits become colour.
HBITMAP LoadBitmapW(HINSTANCE module, LPCWSTR name);
// Selects a pen, brush, font or bitmap and answers the previous one of that kind; a region is
// copied as the clip region (SelectClipRgn) and answers the region type.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Stock objects are kept; an object selected into a DC is refused and reported as a fault.
BOOL DeleteObject(HGDIOBJ object);
int GetObjectW(HGDIOBJ object, int size, LPVOID buffer);

// ---- Drawing ------------------------------------------------------------------------------------
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL LineTo(HDC dc, int x, int y);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
// The brush may also be a system colour index plus 1.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL Polygon(HDC dc, const POINT* points, int count);
BOOL DrawFocusRect(HDC dc, const RECT* rect);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC dc, int x, int y);
// The clip rectangle in device units; null removes it.
int SelectClipRgn(HDC dc, HRGN region);
BOOL ExtFloodFill(HDC dc, int x, int y, COLORREF color, UINT type);
BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int src_x, int src_y, DWORD rop);
BOOL IntersectRect(RECT* result, const RECT* a, const RECT* b);
BOOL InflateRect(RECT* rect, int dx, int dy);
BOOL OffsetRect(RECT* rect, int dx, int dy);

// ---- Text ---------------------------------------------------------------------------------------
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetTextCharacterExtra(HDC dc, int extra);
int GetTextCharacterExtra(HDC dc);
// The reference point is the top left of the text's cell; escapement turns the text about it.
BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count);
BOOL ExtTextOutW(HDC dc,
                 int x,
                 int y,
                 UINT options,
                 const RECT* rect,
                 LPCWSTR text,
                 UINT count,
                 const INT* spacing);
// The extent of the unturned text, character extra included, in logical units.
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
// Calls back for each family of the font map ("Arial", "Courier New", "MS Sans Serif",
// "Times New Roman"; with a family name, that one only) until the callback answers 0.
int EnumFontFamiliesW(HDC dc, LPCWSTR family, FONTENUMPROCW procedure, LPARAM data);
