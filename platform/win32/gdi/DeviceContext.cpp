// Device contexts: making and deleting them, their state with SaveDC and RestoreDC, the mapping of
// logical to device units, device capabilities and printer escapes.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "platform/WideText.h"
#include "platform/win32/gdi/GdiState.h"
#include "platform/win32/user/UserFixture.h"
#include "platform/win32/user/Window.h"

namespace vel::platform::gdi {
namespace {

// n / d rounded to nearest, halves away from zero.
std::int64_t RoundDiv(std::int64_t n, std::int64_t d) {
  if (d < 0) {
    n = -n;
    d = -d;
  }
  return n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
}

int Sign(int v) {
  return v < 0 ? -1 : 1;
}

// In MM_ISOTROPIC the axis with the larger scale is shrunk so both scales are equal.
void MakeIsotropic(DcState& s) {
  if (s.map_mode != MM_ISOTROPIC) {
    return;
  }
  const std::int64_t wx = std::abs(s.window_ext.cx);
  const std::int64_t wy = std::abs(s.window_ext.cy);
  const std::int64_t vx = std::abs(s.viewport_ext.cx);
  const std::int64_t vy = std::abs(s.viewport_ext.cy);
  if (vx * wy > vy * wx) {
    s.viewport_ext.cx = Sign(s.viewport_ext.cx) * static_cast<LONG>(RoundDiv(wx * vy, wy));
  } else if (vy * wx > vx * wy) {
    s.viewport_ext.cy = Sign(s.viewport_ext.cy) * static_cast<LONG>(RoundDiv(wy * vx, wx));
  }
}

bool Scaled(const DcState& s) {
  return s.map_mode == MM_ISOTROPIC || s.map_mode == MM_ANISOTROPIC;
}

std::string ModeName(int mode) {
  switch (mode) {
    case MM_TEXT:
      return "MM_TEXT";
    case MM_ISOTROPIC:
      return "MM_ISOTROPIC";
    case MM_ANISOTROPIC:
      return "MM_ANISOTROPIC";
    default:
      return std::to_string(mode);
  }
}

std::string Hex8(std::uint32_t v) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", v);
  return buffer;
}

}  // namespace

std::string Pt(POINT p) {
  return "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
}

std::string Rc(const RECT& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
         std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

std::string ColorText(COLORREF c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "#%06X", c);
  return buffer;
}

namespace {

// Device coordinates are kept within this range, so that sums with a DC's origin and the steps of
// a line cannot overflow; nothing that far out is ever drawn.
constexpr std::int64_t kDeviceLimit = std::int64_t{1} << 28;

LONG Saturate(std::int64_t v) {
  return static_cast<LONG>(std::clamp(v, -kDeviceLimit, kDeviceLimit));
}

}  // namespace

POINT ToDevice(const Dc& dc, POINT p) {
  const DcState& s = dc.state;
  const std::int64_t x = std::int64_t{p.x} - s.window_org.x;
  const std::int64_t y = std::int64_t{p.y} - s.window_org.y;
  if (!Scaled(s)) {
    return {Saturate(x + s.viewport_org.x), Saturate(y + s.viewport_org.y)};
  }
  return {Saturate(RoundDiv(x * s.viewport_ext.cx, s.window_ext.cx) + s.viewport_org.x),
          Saturate(RoundDiv(y * s.viewport_ext.cy, s.window_ext.cy) + s.viewport_org.y)};
}

POINT ToLogical(const Dc& dc, POINT p) {
  const DcState& s = dc.state;
  const std::int64_t x = std::int64_t{p.x} - s.viewport_org.x;
  const std::int64_t y = std::int64_t{p.y} - s.viewport_org.y;
  if (!Scaled(s)) {
    return {Saturate(x + s.window_org.x), Saturate(y + s.window_org.y)};
  }
  return {Saturate(RoundDiv(x * s.window_ext.cx, s.viewport_ext.cx) + s.window_org.x),
          Saturate(RoundDiv(y * s.window_ext.cy, s.viewport_ext.cy) + s.window_org.y)};
}

int DeviceLengthX(const Dc& dc, int length) {
  const DcState& s = dc.state;
  const std::int64_t v =
      Scaled(s) ? RoundDiv(std::int64_t{length} * s.viewport_ext.cx, s.window_ext.cx) : length;
  return Saturate(v < 0 ? -v : v);
}

int DeviceLengthY(const Dc& dc, int length) {
  const DcState& s = dc.state;
  const std::int64_t v =
      Scaled(s) ? RoundDiv(std::int64_t{length} * s.viewport_ext.cy, s.window_ext.cy) : length;
  return Saturate(v < 0 ? -v : v);
}

int LogicalLengthX(const Dc& dc, int length) {
  const DcState& s = dc.state;
  const std::int64_t v =
      Scaled(s) ? RoundDiv(std::int64_t{length} * s.window_ext.cx, s.viewport_ext.cx) : length;
  return Saturate(v < 0 ? -v : v);
}

int LogicalLengthY(const Dc& dc, int length) {
  const DcState& s = dc.state;
  const std::int64_t v =
      Scaled(s) ? RoundDiv(std::int64_t{length} * s.window_ext.cy, s.viewport_ext.cy) : length;
  return Saturate(v < 0 ? -v : v);
}

Surface* SurfaceOf(Dc& dc) {
  switch (dc.kind) {
    case DcKind::kMemory: {
      Object* bitmap = FindObject(dc.state.bitmap);
      return bitmap == nullptr ? nullptr : bitmap->surface.get();
    }
    case DcKind::kPrinter:
      return dc.printer_surface.get();
    default:
      return Tables().page.get();
  }
}

RECT DrawableArea(Dc& dc) {
  Surface* surface = SurfaceOf(dc);
  if (surface == nullptr) {
    return {0, 0, 0, 0};
  }
  RECT r{0, 0, surface->width, surface->height};
  auto cut = [&](RECT other) {
    other.left += dc.origin.x;
    other.right += dc.origin.x;
    other.top += dc.origin.y;
    other.bottom += dc.origin.y;
    r.left = std::max(r.left, other.left);
    r.top = std::max(r.top, other.top);
    r.right = std::min(r.right, other.right);
    r.bottom = std::min(r.bottom, other.bottom);
  };
  if (dc.area) {
    cut(*dc.area);
  }
  if (dc.state.clip) {
    cut(*dc.state.clip);
  }
  if (r.right < r.left) {
    r.right = r.left;
  }
  if (r.bottom < r.top) {
    r.bottom = r.top;
  }
  return r;
}

HDC MakeWindowDc(HWND window, DcKind kind) {
  user::Window* record = user::Find(window);
  if (record == nullptr) {
    return nullptr;
  }
  auto dc = std::make_unique<Dc>();
  dc->kind = kind;
  dc->window = window;
  const std::string label = vel::platform::WindowLabel(window);
  dc->label = kind == DcKind::kItem ? label : "window " + label;
  dc->origin = user::ClientOrigin(*record);
  dc->area =
      RECT{0, 0, record->rect.right - record->rect.left, record->rect.bottom - record->rect.top};
  dc->state = DefaultState(false);
  return AddDc(std::move(dc));
}

}  // namespace vel::platform::gdi

using namespace vel::platform::gdi;

HDC CreateCompatibleDC(HDC dc) {
  GdiTables& t = Tables();
  Lock lock(t.mutex);
  auto record = std::make_unique<Dc>();
  record->kind = DcKind::kMemory;
  record->label = "memory " + std::to_string(++t.numbers["memory"]);
  record->state = DefaultState(true);
  const std::string label = record->label;
  HDC handle = AddDc(std::move(record));
  Journal("CreateCompatibleDC(" + NameOf(dc) + ") -> " + label);
  return handle;
}

HDC GetDC(HWND window) {
  Lock lock(Tables().mutex);
  if (window == nullptr) {
    auto record = std::make_unique<Dc>();
    record->kind = DcKind::kScreen;
    record->label = "screen";
    record->state = DefaultState(false);
    HDC handle = AddDc(std::move(record));
    Journal("GetDC(null) -> screen");
    return handle;
  }
  HDC handle = MakeWindowDc(window, DcKind::kWindow);
  Journal("GetDC(" + vel::platform::WindowLabel(window) + ") -> " + NameOf(handle));
  return handle;
}

int ReleaseDC(HWND window, HDC dc) {
  GdiTables& t = Tables();
  Lock lock(t.mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr || (record->kind != DcKind::kWindow && record->kind != DcKind::kScreen) ||
      record->window != window) {
    Fault("ReleaseDC(" + NameOf(dc) + "): not a DC of GetDC for that window");
    return 0;
  }
  Journal("ReleaseDC(" + record->label + ")");
  t.dcs.erase(reinterpret_cast<std::uintptr_t>(dc));
  return 1;
}

HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW* devmode) {
  (void)port;
  (void)devmode;
  GdiTables& t = Tables();
  Lock lock(t.mutex);
  const std::u16string name = vel::platform::user::TextOf(device != nullptr ? device : driver);
  auto it = t.printers.find(name);
  if (it == t.printers.end()) {
    Journal("CreateDCW(" + vel::platform::user::Quote(name) + ") -> null (no such printer)");
    return nullptr;
  }
  auto record = std::make_unique<Dc>();
  record->kind = DcKind::kPrinter;
  record->label = "printer " + vel::platform::user::Quote(name);
  record->printer = name;
  record->device = it->second;
  record->area = RECT{0, 0, it->second.horzres, it->second.vertres};
  if (it->second.surface) {
    record->printer_surface =
        std::make_shared<Surface>(it->second.horzres, it->second.vertres, false, 0xFFFFFF);
  }
  record->state = DefaultState(false);
  const std::string label = record->label;
  HDC handle = AddDc(std::move(record));
  Journal("CreateDCW(" + vel::platform::user::Quote(name) + ") -> " + label);
  return handle;
}

BOOL DeleteDC(HDC dc) {
  GdiTables& t = Tables();
  Lock lock(t.mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr) {
    Fault("DeleteDC(" + NameOf(dc) + "): no such DC");
    return FALSE;
  }
  if (record->kind != DcKind::kMemory && record->kind != DcKind::kPrinter) {
    Fault("DeleteDC(" + record->label + "): a DC of GetDC or of an owner-drawn item");
    return FALSE;
  }
  Journal("DeleteDC(" + record->label + ")");
  t.dcs.erase(reinterpret_cast<std::uintptr_t>(dc));
  return TRUE;
}

int SaveDC(HDC dc) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr) {
    return 0;
  }
  record->saved.push_back(record->state);
  const int level = static_cast<int>(record->saved.size());
  Journal("SaveDC(" + record->label + ") -> " + std::to_string(level));
  return level;
}

BOOL RestoreDC(HDC dc, int saved) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr) {
    return FALSE;
  }
  const int levels = static_cast<int>(record->saved.size());
  // A negative level counts back from the last saved state (-1 the last).
  const int level = saved < 0 ? levels + 1 + saved : saved;
  if (level < 1 || level > levels) {
    Journal("RestoreDC(" + record->label + ", " + std::to_string(saved) + ") -> FALSE");
    return FALSE;
  }
  record->state = record->saved[static_cast<std::size_t>(level - 1)];
  record->saved.resize(static_cast<std::size_t>(level - 1));
  Journal("RestoreDC(" + record->label + ", " + std::to_string(saved) + ")");
  return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr) {
    return 0;
  }
  const bool printer = record->kind == DcKind::kPrinter;
  Surface* surface = SurfaceOf(*record);
  switch (index) {
    case HORZRES:
      return printer ? record->device.horzres : kPageWidth;
    case VERTRES:
      return printer ? record->device.vertres : kPageHeight;
    case LOGPIXELSX:
      return printer ? record->device.logpixelsx : 96;
    case LOGPIXELSY:
      return printer ? record->device.logpixelsy : 96;
    case BITSPIXEL:
      return surface != nullptr && surface->mono ? 1 : 24;
    case PLANES:
      return 1;
    default:
      return 0;
  }
}

int ExtEscape(HDC dc, int escape, int input_size, LPCSTR input, int output_size, LPSTR output) {
  (void)output_size;
  (void)output;
  GdiTables& t = Tables();
  std::unique_lock<std::recursive_mutex> lock(t.mutex);
  Dc* record = FindDc(dc);
  std::vector<std::uint8_t> bytes;
  if (input != nullptr && input_size > 0) {
    bytes.assign(reinterpret_cast<const std::uint8_t*>(input),
                 reinterpret_cast<const std::uint8_t*>(input) + input_size);
  }
  std::string hex;
  for (std::uint8_t b : bytes) {
    char buffer[4];
    std::snprintf(buffer, sizeof buffer, " %02X", b);
    hex += buffer;
  }
  const std::string call = "ExtEscape(" + NameOf(dc) + ", " +
                           Hex8(static_cast<std::uint32_t>(escape)) + ", " +
                           std::to_string(bytes.size()) + " bytes" + hex + ")";
  if (record == nullptr || record->kind != DcKind::kPrinter) {
    Journal(call + " -> 0 (not a printer)");
    return 0;
  }
  const std::string label = record->label;
  auto handler = record->device.escape_handler;
  int result = record->device.escape_answer;
  lock.unlock();
  if (handler) {
    result = handler(escape, bytes);
  }
  lock.lock();
  Journal(call + " -> " + std::to_string(result));
  t.escapes.push_back(vel::platform::EscapeCall{label, escape, bytes, result});
  return result;
}

int SetMapMode(HDC dc, int mode) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr || (mode != MM_TEXT && mode != MM_ISOTROPIC && mode != MM_ANISOTROPIC)) {
    return 0;
  }
  DcState& s = record->state;
  const int previous = s.map_mode;
  if (mode != previous) {
    s.map_mode = mode;
    s.window_ext = {1, 1};
    s.viewport_ext = {1, 1};
  }
  Journal("SetMapMode(" + record->label + ", " + ModeName(mode) + ")");
  return previous;
}

int GetMapMode(HDC dc) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  return record == nullptr ? 0 : record->state.map_mode;
}

namespace {

BOOL SetExtent(HDC dc, int x, int y, SIZE* previous, bool window) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr) {
    return FALSE;
  }
  DcState& s = record->state;
  SIZE& extent = window ? s.window_ext : s.viewport_ext;
  if (previous != nullptr) {
    *previous = extent;
  }
  const std::string call = std::string(window ? "SetWindowExtEx(" : "SetViewportExtEx(") +
                           record->label + ", " + std::to_string(x) + ", " + std::to_string(y) +
                           ")";
  if (!Scaled(s)) {
    Journal(call + " ignored (" + ModeName(s.map_mode) + ")");
    return TRUE;
  }
  if (x == 0 || y == 0) {
    Journal(call + " -> FALSE");
    return FALSE;
  }
  extent = {x, y};
  MakeIsotropic(s);
  Journal(call + " -> viewport (" + std::to_string(s.viewport_ext.cx) + ", " +
          std::to_string(s.viewport_ext.cy) + ")");
  return TRUE;
}

BOOL SetOrigin(HDC dc, int x, int y, POINT* previous, bool window) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr) {
    return FALSE;
  }
  POINT& origin = window ? record->state.window_org : record->state.viewport_org;
  if (previous != nullptr) {
    *previous = origin;
  }
  origin = {x, y};
  Journal(std::string(window ? "SetWindowOrgEx(" : "SetViewportOrgEx(") + record->label + ", " +
          std::to_string(x) + ", " + std::to_string(y) + ")");
  return TRUE;
}

}  // namespace

BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* previous) {
  return SetExtent(dc, x, y, previous, true);
}

BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* previous) {
  return SetExtent(dc, x, y, previous, false);
}

BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous) {
  return SetOrigin(dc, x, y, previous, true);
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous) {
  return SetOrigin(dc, x, y, previous, false);
}

BOOL GetWindowExtEx(HDC dc, SIZE* extent) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr || extent == nullptr) {
    return FALSE;
  }
  *extent = record->state.window_ext;
  return TRUE;
}

BOOL GetViewportExtEx(HDC dc, SIZE* extent) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr || extent == nullptr) {
    return FALSE;
  }
  *extent = record->state.viewport_ext;
  return TRUE;
}

BOOL LPtoDP(HDC dc, POINT* points, int count) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr || (points == nullptr && count > 0)) {
    return FALSE;
  }
  for (int i = 0; i < count; ++i) {
    points[i] = ToDevice(*record, points[i]);
  }
  return TRUE;
}

BOOL DPtoLP(HDC dc, POINT* points, int count) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr || (points == nullptr && count > 0)) {
    return FALSE;
  }
  for (int i = 0; i < count; ++i) {
    points[i] = ToLogical(*record, points[i]);
  }
  return TRUE;
}

namespace {

// Sets one field of a DC's state and answers the previous value (`failure` without a DC).
template <typename T>
T SetField(HDC dc,
           T DcState::*field,
           T value,
           T failure,
           const char* call,
           const std::string& shown) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr) {
    return failure;
  }
  Journal(std::string(call) + "(" + record->label + ", " + shown + ")");
  return std::exchange(record->state.*field, value);
}

template <typename T>
T GetField(HDC dc, T DcState::*field, T failure) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  return record == nullptr ? failure : record->state.*field;
}

}  // namespace

COLORREF SetTextColor(HDC dc, COLORREF color) {
  return SetField(dc, &DcState::text_color, color, CLR_INVALID, "SetTextColor", ColorText(color));
}

COLORREF GetTextColor(HDC dc) {
  return GetField(dc, &DcState::text_color, CLR_INVALID);
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  return SetField(dc, &DcState::bk_color, color, CLR_INVALID, "SetBkColor", ColorText(color));
}

COLORREF GetBkColor(HDC dc) {
  return GetField(dc, &DcState::bk_color, CLR_INVALID);
}

int SetBkMode(HDC dc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) {
    return 0;
  }
  return SetField(dc, &DcState::bk_mode, mode, 0, "SetBkMode",
                  mode == TRANSPARENT ? "TRANSPARENT" : "OPAQUE");
}

int GetBkMode(HDC dc) {
  return GetField(dc, &DcState::bk_mode, 0);
}

int SetTextCharacterExtra(HDC dc, int extra) {
  return SetField(dc, &DcState::char_extra, extra, static_cast<int>(0x80000000),
                  "SetTextCharacterExtra", std::to_string(extra));
}

int GetTextCharacterExtra(HDC dc) {
  return GetField(dc, &DcState::char_extra, static_cast<int>(0x80000000));
}

int SelectClipRgn(HDC dc, HRGN region) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr) {
    return ERROR;
  }
  if (region == nullptr) {
    record->state.clip.reset();
    Journal("SelectClipRgn(" + record->label + ", null)");
    return SIMPLEREGION;
  }
  Object* object = FindObject(region);
  if (object == nullptr || object->kind != ObjectKind::kRegion) {
    Journal("SelectClipRgn(" + record->label + ", " + NameOf(region) + ") -> ERROR");
    return ERROR;
  }
  record->state.clip = object->rect;
  Journal("SelectClipRgn(" + record->label + ", " + object->name + ") device " + Rc(object->rect));
  const RECT& r = object->rect;
  return r.left < r.right && r.top < r.bottom ? SIMPLEREGION : NULLREGION;
}

namespace vel::platform {

void RegisterPrinterDevice(const std::u16string& name, PrinterDevice device) {
  Lock lock(gdi::Tables().mutex);
  gdi::Tables().printers[name] = std::move(device);
}

std::vector<EscapeCall> EscapeCalls() {
  Lock lock(gdi::Tables().mutex);
  return gdi::Tables().escapes;
}

Image PrinterImage(HDC dc) {
  Lock lock(gdi::Tables().mutex);
  gdi::Dc* record = gdi::FindDc(dc);
  if (record == nullptr || !record->printer_surface) {
    return {};
  }
  return Image{record->printer_surface->width, record->printer_surface->height,
               record->printer_surface->pixels};
}

}  // namespace vel::platform
