// What tests and hosts read and set on the drawing stand-in beside the platform's own calls: the
// drawing journal, the live-object count and the faults, printers that CreateDCW can open, the
// pixels of the page image and of bitmaps, PNG pictures, the painter of window trees and the
// paint step of the scripted user.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/gdi/wingdi.h"

namespace vel::platform {

// Every drawing call since the last ResetGdi, one line each: the call, the DC's label (memory 1,
// screen, window item 1021, item 2021, printer "Name"), the arguments in logical units and, for
// calls with coordinates, " -> " and the same in device units of the DC. Objects are named by kind
// and number (pen 3, brush 1, stock BLACK_PEN) and never by address.
std::vector<std::string> GdiJournal();
void ClearGdiJournal();

// GDI objects (pens, brushes, fonts, regions, bitmaps) and DCs alive now, stock objects left out.
int LiveGdiObjects();

// Misuse that the platform would answer with a leak or a refusal: deleting a selected object or
// a DC's object in use, deleting twice. Kept until ResetGdi.
std::vector<std::string> GdiFaults();

// A printer that CreateDCW opens by its device name: capabilities, an optional surface of
// HORZRES x VERTRES pixels, and a handler of ExtEscape (input bytes; answers the escape's result).
// Without a handler ExtEscape answers `escape_answer`.
struct PrinterDevice {
  int horzres = 4858;
  int vertres = 6400;
  int logpixelsx = 600;
  int logpixelsy = 600;
  bool surface = false;
  int escape_answer = 0;
  std::function<int(int escape, const std::vector<std::uint8_t>& input)> escape_handler;
};
void RegisterPrinterDevice(const std::u16string& name, PrinterDevice device);

// One call of ExtEscape on a printer DC, with its input bytes.
struct EscapeCall {
  std::string dc;
  int escape = 0;
  std::vector<std::uint8_t> input;
  int result = 0;
};
std::vector<EscapeCall> EscapeCalls();

// Pixels of a picture, top row first, each a COLORREF.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;
  COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
// A copy of a bitmap's pixels (empty for a handle that is no bitmap).
Image BitmapImage(HBITMAP bitmap);
// A copy of a part of the page image (cut to the image).
Image PageImage(RECT area);
// The surface of a printer DC (empty without one).
Image PrinterImage(HDC dc);

// The picture as an 8-bit RGB PNG without time chunk: identical pictures give identical bytes.
std::vector<std::uint8_t> EncodePng(const Image& image);
bool WritePng(const Image& image, const std::string& path);

// Paints a window and its visible children into the page image as the platform would show them:
// the face colour, plain standard controls, owner-drawn buttons through WM_DRAWITEM to their
// parent. A property sheet's frame gets a tab strip with one tab per page title. Answers the
// window's part of the page image.
Image PaintWindowTree(HWND window);

// Sends WM_DRAWITEM (ODA_DRAWENTIRE) to each owner-drawn button that InvalidateRect marked, as a
// repaint would; other marks are cleared. Answers the number of buttons drawn.
int PaintMarkedWindows();
// Makes the scripted user run PaintMarkedWindows after each of its actions.
void InstallPaintStep();

// Deletes every DC and object, clears the journal, the faults, the escape calls and the printers,
// and paints the page image in the face colour.
void ResetGdi();

}  // namespace vel::platform
