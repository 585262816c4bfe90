// Internal model of the drawing stand-in: surfaces, the object and DC tables, the DC state, the
// journal, and the helpers that the units share. One process-wide lock guards all of it; calls
// back into code outside the stand-in (font enumeration, WM_DRAWITEM) are made without it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/gdi/GdiFixture.h"
#include "platform/win32/gdi/wingdi.h"

namespace vel::platform::gdi {

// Pixels of a bitmap or of the page image; a monochrome surface holds only 0 and 0xFFFFFF.
struct Surface {
  int width = 0;
  int height = 0;
  bool mono = false;
  std::vector<COLORREF> pixels;

  Surface() = default;
  Surface(int w, int h, bool monochrome, COLORREF fill)
      : width(w),
        height(h),
        mono(monochrome),
        pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  COLORREF Get(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
  void Put(int x, int y, COLORREF c) {
    pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x)] = c;
  }
};

enum class ObjectKind : std::uint8_t { kPen, kBrush, kFont, kRegion, kBitmap };

struct Object {
  ObjectKind kind = ObjectKind::kPen;
  std::string name;  // how the journal names it: "pen 3", "stock BLACK_PEN"
  bool stock = false;
  // Pens.
  int pen_style = PS_SOLID;
  int pen_width = 0;
  // Pens and brushes; a null brush has no colour.
  COLORREF color = 0;
  bool null_brush = false;
  // Fonts.
  LOGFONTW font{};
  // Regions.
  RECT rect{};
  // Bitmaps.
  std::shared_ptr<Surface> surface;
};

enum class DcKind : std::uint8_t { kMemory, kWindow, kItem, kScreen, kPrinter };

struct DcState {
  int map_mode = MM_TEXT;
  POINT window_org{0, 0};
  POINT viewport_org{0, 0};
  SIZE window_ext{1, 1};
  SIZE viewport_ext{1, 1};
  HGDIOBJ pen = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ font = nullptr;
  HGDIOBJ bitmap = nullptr;  // memory DCs only
  std::optional<RECT> clip;  // device units of the DC
  COLORREF text_color = 0;
  COLORREF bk_color = 0xFFFFFF;
  int bk_mode = OPAQUE;
  int char_extra = 0;
  POINT position{0, 0};
};

struct Dc {
  DcKind kind = DcKind::kMemory;
  std::string label;
  HWND window = nullptr;
  // Where the DC's device point (0, 0) lies on its surface, and the DC's own area in its device
  // units (the window's or item's size; the whole surface for screen, printer and memory DCs).
  POINT origin{0, 0};
  std::optional<RECT> area;
  // Printer DCs.
  std::u16string printer;
  PrinterDevice device;
  std::shared_ptr<Surface> printer_surface;
  DcState state;
  std::vector<DcState> saved;
};

struct GdiTables {
  std::recursive_mutex mutex;
  std::map<std::uintptr_t, std::unique_ptr<Object>> objects;
  std::map<std::uintptr_t, std::unique_ptr<Dc>> dcs;
  std::uintptr_t next_handle = 1;
  int next_number = 1;  // numbers of journal names, per kind below
  std::map<std::string, int> numbers;
  std::vector<std::string> journal;
  std::vector<std::string> faults;
  std::vector<EscapeCall> escapes;
  std::map<std::u16string, PrinterDevice> printers;
  std::shared_ptr<Surface> page;  // the page image
};

// The tables, made on first use (the page image painted in the face colour).
GdiTables& Tables();
using Lock = std::lock_guard<std::recursive_mutex>;

// Size of the page image (the virtual screen of the windowing stand-in).
inline constexpr int kPageWidth = 1024;
inline constexpr int kPageHeight = 768;

// ---- Tables (the lock is held by the callers) ---------------------------------------------------
Object* FindObject(HGDIOBJ handle);
Dc* FindDc(HDC handle);
HGDIOBJ AddObject(std::unique_ptr<Object> object, const char* kind);
HDC AddDc(std::unique_ptr<Dc> dc);
// A stock object's handle (made on first use).
HGDIOBJ Stock(int index);
// The state of a new DC: black pen, white brush, system font, and for a memory DC the stock
// 1 x 1 monochrome bitmap.
DcState DefaultState(bool memory);
// A DC over a window's rectangle of the page image: kWindow (GetDC) or kItem (owner-drawn item).
HDC MakeWindowDc(HWND window, DcKind kind);
// The name of a handle for the journal ("null", "pen 2", "unknown").
std::string NameOf(HGDIOBJ handle);
void Journal(std::string line);
void Fault(std::string line);

// ---- DC helpers (the lock is held) --------------------------------------------------------------
// The surface a DC draws on (null for a printer without surface).
Surface* SurfaceOf(Dc& dc);
// The device rectangle of the DC on its surface where drawing lands: its area, its clip and the
// surface's bounds (empty when nothing may be drawn).
RECT DrawableArea(Dc& dc);
POINT ToDevice(const Dc& dc, POINT p);
POINT ToLogical(const Dc& dc, POINT p);
// A logical length along x or y in device units (absolute value, rounded to nearest).
int DeviceLengthX(const Dc& dc, int length);
int DeviceLengthY(const Dc& dc, int length);
int LogicalLengthX(const Dc& dc, int length);
int LogicalLengthY(const Dc& dc, int length);
std::string Pt(POINT p);
std::string Rc(const RECT& r);
std::string ColorText(COLORREF c);
// COLORREF without palette flags.
inline COLORREF Plain(COLORREF c) {
  return c & 0xFFFFFF;
}
// A colour as a surface holds it (black or white on a monochrome surface).
COLORREF ForSurface(const Surface& s, COLORREF c);
// The colour of a brush handle (a system colour index + 1 as FillRect allows); false for a null
// brush or a handle that is no brush.
bool BrushColor(HBRUSH brush, COLORREF* color);

// ---- Raster primitives (device units of the surface; clipped to `area`) ------------------------
void FillArea(Surface& s, const RECT& area, RECT r, COLORREF c);
// A line from a to b, b excluded, with a pen of the given device width and style; `phase` carries
// the dot pattern across the edges of one figure.
void DrawLine(Surface& s,
              const RECT& area,
              POINT a,
              POINT b,
              int width,
              int style,
              COLORREF c,
              std::optional<COLORREF> gap_color,
              int* phase);

// ---- Text (Text.cpp; the lock is held) ----------------------------------------------------------
struct TextBox {
  int width = 0;   // device pixels, unturned, character extra included
  int height = 0;  // the cell height
};
TextBox MeasureText(Dc& dc, std::u16string_view text, const INT* spacing);
void DrawText(Dc& dc, POINT device_ref, std::u16string_view text, const INT* spacing);
void FillTextMetrics(Dc& dc, TEXTMETRICW* metrics);
// The face names of the font map in enumeration order.
const std::vector<std::u16string>& FontFamilies();
// Logs a font's face for the journal.
std::string FontText(const LOGFONTW& font);

}  // namespace vel::platform::gdi
