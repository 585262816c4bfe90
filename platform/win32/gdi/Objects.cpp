// The object and DC tables, stock objects, and the calls that make, select and delete objects.
#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "platform/WideText.h"
#include "platform/win32/gdi/DibReader.h"
#include "platform/win32/gdi/GdiState.h"
#include "platform/win32/resources.h"
#include "platform/win32/user/ResourceAccess.h"
#include "platform/win32/user/Window.h"

namespace vel::platform::gdi {
namespace {

// Handles are small numbers in a range of their own; they are never dereferenced.
constexpr std::uintptr_t kHandleBase = 0x6D0000;
constexpr std::uintptr_t kStockBase = 0x6C0000;

std::uintptr_t Key(const void* handle) {
  return reinterpret_cast<std::uintptr_t>(handle);
}

const char* StockName(int index) {
  switch (index) {
    case WHITE_BRUSH:
      return "WHITE_BRUSH";
    case LTGRAY_BRUSH:
      return "LTGRAY_BRUSH";
    case GRAY_BRUSH:
      return "GRAY_BRUSH";
    case DKGRAY_BRUSH:
      return "DKGRAY_BRUSH";
    case BLACK_BRUSH:
      return "BLACK_BRUSH";
    case NULL_BRUSH:
      return "NULL_BRUSH";
    case WHITE_PEN:
      return "WHITE_PEN";
    case BLACK_PEN:
      return "BLACK_PEN";
    case NULL_PEN:
      return "NULL_PEN";
    case OEM_FIXED_FONT:
      return "OEM_FIXED_FONT";
    case ANSI_FIXED_FONT:
      return "ANSI_FIXED_FONT";
    case ANSI_VAR_FONT:
      return "ANSI_VAR_FONT";
    case SYSTEM_FONT:
      return "SYSTEM_FONT";
    case DEVICE_DEFAULT_FONT:
      return "DEVICE_DEFAULT_FONT";
    case DEFAULT_GUI_FONT:
      return "DEFAULT_GUI_FONT";
    default:
      return nullptr;
  }
}

// Stock indexes beyond the platform's: the memory DC's first bitmap and the system colour brushes.
constexpr int kStockBitmap = 100;
constexpr int kSysColorBrushBase = 200;

std::unique_ptr<Object> MakeStock(int index) {
  auto object = std::make_unique<Object>();
  object->stock = true;
  auto font = [&](const char16_t* face, LONG height) {
    object->kind = ObjectKind::kFont;
    object->font.lfHeight = height;
    object->font.lfWeight = FW_NORMAL;
    std::u16string_view name(face);
    std::copy(name.begin(), name.end(), object->font.lfFaceName);
  };
  if (index >= kSysColorBrushBase) {
    object->kind = ObjectKind::kBrush;
    object->color = GetSysColor(index - kSysColorBrushBase);
    object->name = "syscolor brush " + std::to_string(index - kSysColorBrushBase);
    return object;
  }
  if (index == kStockBitmap) {
    object->kind = ObjectKind::kBitmap;
    object->surface = std::make_shared<Surface>(1, 1, true, 0);
    object->name = "stock bitmap";
    return object;
  }
  const char* name = StockName(index);
  if (name == nullptr) {
    return nullptr;
  }
  object->name = std::string("stock ") + name;
  switch (index) {
    case WHITE_BRUSH:
    case LTGRAY_BRUSH:
    case GRAY_BRUSH:
    case DKGRAY_BRUSH:
    case BLACK_BRUSH: {
      static constexpr COLORREF kGreys[] = {RGB(255, 255, 255), RGB(192, 192, 192),
                                            RGB(128, 128, 128), RGB(64, 64, 64), RGB(0, 0, 0)};
      object->kind = ObjectKind::kBrush;
      object->color = kGreys[index];
      break;
    }
    case NULL_BRUSH:
      object->kind = ObjectKind::kBrush;
      object->null_brush = true;
      break;
    case WHITE_PEN:
    case BLACK_PEN:
    case NULL_PEN:
      object->kind = ObjectKind::kPen;
      object->pen_style = index == NULL_PEN ? PS_NULL : PS_SOLID;
      object->color = index == WHITE_PEN ? RGB(255, 255, 255) : 0;
      break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
      font(u"Courier New", -13);
      break;
    default:
      font(u"MS Sans Serif", -13);
      break;
  }
  return object;
}

// The selected objects of every DC, current and saved.
bool IsSelected(GdiTables& tables, HGDIOBJ handle, std::string* where) {
  auto holds = [&](const DcState& s) {
    return s.pen == handle || s.brush == handle || s.font == handle || s.bitmap == handle;
  };
  for (auto& [key, dc] : tables.dcs) {
    if (holds(dc->state)) {
      *where = dc->label;
      return true;
    }
    for (const DcState& saved : dc->saved) {
      if (holds(saved)) {
        *where = dc->label + " (a saved state)";
        return true;
      }
    }
  }
  return false;
}

HGDIOBJ NewObject(ObjectKind kind,
                  const char* kind_name,
                  const std::function<void(Object&)>& fill) {
  auto object = std::make_unique<Object>();
  object->kind = kind;
  fill(*object);
  return AddObject(std::move(object), kind_name);
}

std::string LogFontText(const LOGFONTW& f) {
  return FontText(f);
}

}  // namespace

GdiTables& Tables() {
  static GdiTables* tables = [] {
    auto* t = new GdiTables;
    t->page = std::make_shared<Surface>(kPageWidth, kPageHeight, false, GetSysColor(COLOR_BTNFACE));
    return t;
  }();
  return *tables;
}

Object* FindObject(HGDIOBJ handle) {
  GdiTables& t = Tables();
  auto it = t.objects.find(Key(handle));
  return it == t.objects.end() ? nullptr : it->second.get();
}

Dc* FindDc(HDC handle) {
  GdiTables& t = Tables();
  auto it = t.dcs.find(Key(handle));
  return it == t.dcs.end() ? nullptr : it->second.get();
}

HGDIOBJ AddObject(std::unique_ptr<Object> object, const char* kind) {
  GdiTables& t = Tables();
  if (object->name.empty()) {
    object->name = std::string(kind) + " " + std::to_string(++t.numbers[kind]);
  }
  const std::uintptr_t key = kHandleBase + 4 * t.next_handle++;
  t.objects[key] = std::move(object);
  return reinterpret_cast<HGDIOBJ>(key);
}

HDC AddDc(std::unique_ptr<Dc> dc) {
  GdiTables& t = Tables();
  const std::uintptr_t key = kHandleBase + 4 * t.next_handle++;
  t.dcs[key] = std::move(dc);
  return reinterpret_cast<HDC>(key);
}

HGDIOBJ Stock(int index) {
  GdiTables& t = Tables();
  const std::uintptr_t key = kStockBase + 4 * static_cast<std::uintptr_t>(index);
  if (t.objects.find(key) == t.objects.end()) {
    std::unique_ptr<Object> object = MakeStock(index);
    if (object == nullptr) {
      return nullptr;
    }
    t.objects[key] = std::move(object);
  }
  return reinterpret_cast<HGDIOBJ>(key);
}

DcState DefaultState(bool memory) {
  DcState state;
  state.pen = Stock(BLACK_PEN);
  state.brush = Stock(WHITE_BRUSH);
  state.font = Stock(SYSTEM_FONT);
  if (memory) {
    state.bitmap = Stock(kStockBitmap);
  }
  return state;
}

std::string NameOf(HGDIOBJ handle) {
  if (handle == nullptr) {
    return "null";
  }
  if (Object* object = FindObject(handle)) {
    return object->name;
  }
  if (Dc* dc = FindDc(handle)) {
    return dc->label;
  }
  return "unknown";
}

void Journal(std::string line) {
  Tables().journal.push_back(std::move(line));
}

void Fault(std::string line) {
  GdiTables& t = Tables();
  t.journal.push_back("fault: " + line);
  t.faults.push_back(std::move(line));
}

COLORREF ForSurface(const Surface& s, COLORREF c) {
  c = Plain(c);
  if (!s.mono) {
    return c;
  }
  return GetRValue(c) + GetGValue(c) + GetBValue(c) > 382 ? 0xFFFFFF : 0;
}

bool BrushColor(HBRUSH brush, COLORREF* color) {
  const auto value = Key(brush);
  if (value >= 1 && value <= 31) {
    *color = GetSysColor(static_cast<int>(value) - 1);
    return true;
  }
  Object* object = FindObject(brush);
  if (object == nullptr || object->kind != ObjectKind::kBrush || object->null_brush) {
    return false;
  }
  *color = Plain(object->color);
  return true;
}

}  // namespace vel::platform::gdi

using namespace vel::platform::gdi;

HPEN CreatePen(int style, int width, COLORREF color) {
  Lock lock(Tables().mutex);
  if (style != PS_SOLID && style != PS_DOT && style != PS_NULL) {
    Journal("CreatePen(" + std::to_string(style) + ", " + std::to_string(width) + ", " +
            ColorText(color) + ") -> null (unsupported style)");
    return nullptr;
  }
  HPEN pen = NewObject(ObjectKind::kPen, "pen", [&](Object& o) {
    o.pen_style = style;
    o.pen_width = width < 0 ? 0 : width;
    o.color = color;
  });
  static const char* kStyles[] = {"PS_SOLID", "", "PS_DOT", "", "", "PS_NULL"};
  Journal("CreatePen(" + std::string(kStyles[style]) + ", " + std::to_string(width) + ", " +
          ColorText(color) + ") -> " + NameOf(pen));
  return pen;
}

HBRUSH CreateSolidBrush(COLORREF color) {
  Lock lock(Tables().mutex);
  HBRUSH brush = NewObject(ObjectKind::kBrush, "brush", [&](Object& o) { o.color = color; });
  Journal("CreateSolidBrush(" + ColorText(color) + ") -> " + NameOf(brush));
  return brush;
}

HGDIOBJ GetStockObject(int index) {
  Lock lock(Tables().mutex);
  if (StockName(index) == nullptr) {
    return nullptr;
  }
  return Stock(index);
}

HBRUSH GetSysColorBrush(int index) {
  Lock lock(Tables().mutex);
  if (index < 0 || index > 30) {
    return nullptr;
  }
  return Stock(kSysColorBrushBase + index);
}

HFONT CreateFontIndirectW(const LOGFONTW* font) {
  if (font == nullptr) {
    return nullptr;
  }
  Lock lock(Tables().mutex);
  HFONT handle = NewObject(ObjectKind::kFont, "font", [&](Object& o) {
    o.font = *font;
    o.font.lfFaceName[LF_FACESIZE - 1] = 0;
  });
  Journal("CreateFontIndirectW(" + LogFontText(FindObject(handle)->font) + ") -> " +
          NameOf(handle));
  return handle;
}

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
                  LPCWSTR face) {
  LOGFONTW font{};
  font.lfHeight = height;
  font.lfWidth = width;
  font.lfEscapement = escapement;
  font.lfOrientation = orientation;
  font.lfWeight = weight;
  font.lfItalic = static_cast<BYTE>(italic);
  font.lfUnderline = static_cast<BYTE>(underline);
  font.lfStrikeOut = static_cast<BYTE>(strike_out);
  font.lfCharSet = static_cast<BYTE>(char_set);
  font.lfOutPrecision = static_cast<BYTE>(out_precision);
  font.lfClipPrecision = static_cast<BYTE>(clip_precision);
  font.lfQuality = static_cast<BYTE>(quality);
  font.lfPitchAndFamily = static_cast<BYTE>(pitch_and_family);
  for (int i = 0; face != nullptr && face[i] != 0 && i < LF_FACESIZE - 1; ++i) {
    font.lfFaceName[i] = face[i];
  }
  return CreateFontIndirectW(&font);
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  Lock lock(Tables().mutex);
  RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right),
         std::max(top, bottom)};
  HRGN region = NewObject(ObjectKind::kRegion, "region", [&](Object& o) { o.rect = r; });
  Journal("CreateRectRgn" + Rc(r) + " -> " + NameOf(region));
  return region;
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  if (rect == nullptr) {
    return nullptr;
  }
  return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits) {
  Lock lock(Tables().mutex);
  if (width <= 0 || height <= 0 || width > kMaxDibSide || height > kMaxDibSide ||
      std::int64_t{width} * height > kMaxDibPixels || planes != 1 ||
      (bits_per_pixel != 1 && bits_per_pixel != 24 && bits_per_pixel != 32)) {
    Journal("CreateBitmap(" + std::to_string(width) + ", " + std::to_string(height) + ", " +
            std::to_string(planes) + ", " + std::to_string(bits_per_pixel) + ") -> null");
    return nullptr;
  }
  const bool mono = bits_per_pixel == 1;
  auto surface = std::make_shared<Surface>(width, height, mono, 0);
  if (bits != nullptr) {
    const auto* bytes = static_cast<const std::uint8_t*>(bits);
    const std::size_t stride = ((static_cast<std::size_t>(width) * bits_per_pixel + 15) / 16) * 2;
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* line = bytes + stride * static_cast<std::size_t>(y);
      for (int x = 0; x < width; ++x) {
        if (mono) {
          surface->Put(x, y, ((line[x / 8] >> (7 - x % 8)) & 1) != 0 ? 0xFFFFFF : 0);
        } else {
          const std::size_t step = bits_per_pixel / 8;
          const std::uint8_t* p = line + static_cast<std::size_t>(x) * step;
          surface->Put(x, y, RGB(p[2], p[1], p[0]));
        }
      }
    }
  }
  HBITMAP bitmap =
      NewObject(ObjectKind::kBitmap, "bitmap", [&](Object& o) { o.surface = surface; });
  Journal("CreateBitmap(" + std::to_string(width) + ", " + std::to_string(height) + ", " +
          std::to_string(planes) + ", " + std::to_string(bits_per_pixel) + ") -> " +
          NameOf(bitmap));
  return bitmap;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  Lock lock(Tables().mutex);
  Dc* record = FindDc(dc);
  if (record == nullptr || width <= 0 || height <= 0 || width > kMaxDibSide ||
      height > kMaxDibSide || std::int64_t{width} * height > kMaxDibPixels) {
    Journal("CreateCompatibleBitmap(" + NameOf(dc) + ", " + std::to_string(width) + ", " +
            std::to_string(height) + ") -> null");
    return nullptr;
  }
  Surface* current = SurfaceOf(*record);
  const bool mono = record->kind == DcKind::kMemory && current != nullptr && current->mono;
  HBITMAP bitmap = NewObject(ObjectKind::kBitmap, "bitmap", [&](Object& o) {
    o.surface = std::make_shared<Surface>(width, height, mono, 0);
  });
  Journal("CreateCompatibleBitmap(" + record->label + ", " + std::to_string(width) + ", " +
          std::to_string(height) + ") -> " + NameOf(bitmap) + (mono ? " monochrome" : " colour"));
  return bitmap;
}

HBITMAP LoadBitmapW(HINSTANCE module, LPCWSTR name) {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  const std::string name_text = IS_INTRESOURCE(name)
                                    ? std::to_string(reinterpret_cast<std::uintptr_t>(name))
                                    : vel::platform::ToUtf8(vel::platform::user::TextOf(name));
  const bool found = vel::platform::user::FindModuleResource(module, 2, name, &data, &size);
  Lock lock(Tables().mutex);
  if (!found) {
    Journal("LoadBitmapW(" + name_text + ") -> null (no such bitmap)");
    return nullptr;
  }
  Surface surface;
  std::string why;
  if (!ReadDib(data, size, surface, why)) {
    Journal("LoadBitmapW(" + name_text + ") -> null (" + why + ")");
    return nullptr;
  }
  const bool mono = surface.mono;
  HBITMAP bitmap = NewObject(ObjectKind::kBitmap, "bitmap", [&](Object& o) {
    o.surface = std::make_shared<Surface>(std::move(surface));
  });
  Journal("LoadBitmapW(" + name_text + ") -> " + NameOf(bitmap) +
          (mono ? " monochrome" : " colour"));
  return bitmap;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  GdiTables& t = Tables();
  Lock lock(t.mutex);
  Dc* record = FindDc(dc);
  Object* selected = FindObject(object);
  if (record == nullptr || selected == nullptr) {
    Journal("SelectObject(" + NameOf(dc) + ", " + NameOf(object) + ") -> null");
    return nullptr;
  }
  HGDIOBJ previous = nullptr;
  DcState& s = record->state;
  switch (selected->kind) {
    case ObjectKind::kPen:
      previous = std::exchange(s.pen, object);
      break;
    case ObjectKind::kBrush:
      previous = std::exchange(s.brush, object);
      break;
    case ObjectKind::kFont:
      previous = std::exchange(s.font, object);
      break;
    case ObjectKind::kRegion: {
      Journal("SelectObject(" + record->label + ", " + selected->name + ")");
      return reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(SelectClipRgn(dc, object)));
    }
    case ObjectKind::kBitmap: {
      if (record->kind != DcKind::kMemory) {
        Journal("SelectObject(" + record->label + ", " + selected->name +
                ") -> null (not a memory DC)");
        return nullptr;
      }
      std::string where;
      if (object != s.bitmap && !selected->stock && IsSelected(t, object, &where)) {
        Fault("SelectObject(" + record->label + ", " + selected->name +
              "): the bitmap is already selected into " + where);
        return nullptr;
      }
      previous = std::exchange(s.bitmap, object);
      break;
    }
  }
  Journal("SelectObject(" + record->label + ", " + selected->name + ") -> " + NameOf(previous));
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  GdiTables& t = Tables();
  Lock lock(t.mutex);
  Object* record = FindObject(object);
  if (record == nullptr) {
    Fault("DeleteObject(" + NameOf(object) + "): no such object");
    return FALSE;
  }
  if (record->stock) {
    Journal("DeleteObject(" + record->name + ") ignored (stock object)");
    return TRUE;
  }
  std::string where;
  if (IsSelected(t, object, &where)) {
    Fault("DeleteObject(" + record->name + "): the object is selected into " + where);
    return FALSE;
  }
  Journal("DeleteObject(" + record->name + ")");
  t.objects.erase(reinterpret_cast<std::uintptr_t>(object));
  return TRUE;
}

int GetObjectW(HGDIOBJ object, int size, LPVOID buffer) {
  Lock lock(Tables().mutex);
  Object* record = FindObject(object);
  if (record == nullptr || record->kind != ObjectKind::kBitmap) {
    return 0;
  }
  if (buffer == nullptr) {
    return static_cast<int>(sizeof(BITMAP));
  }
  if (size < static_cast<int>(sizeof(BITMAP))) {
    return 0;
  }
  const Surface& s = *record->surface;
  BITMAP info{};
  info.bmWidth = s.width;
  info.bmHeight = s.height;
  info.bmPlanes = 1;
  info.bmBitsPixel = s.mono ? 1 : 32;
  info.bmWidthBytes = s.mono ? ((s.width + 15) / 16) * 2 : s.width * 4;
  std::memcpy(buffer, &info, sizeof(info));
  return static_cast<int>(sizeof(BITMAP));
}

namespace vel::platform {

std::vector<std::string> GdiJournal() {
  Lock lock(gdi::Tables().mutex);
  return gdi::Tables().journal;
}

void ClearGdiJournal() {
  Lock lock(gdi::Tables().mutex);
  gdi::Tables().journal.clear();
}

int LiveGdiObjects() {
  gdi::GdiTables& t = gdi::Tables();
  Lock lock(t.mutex);
  const auto objects = std::count_if(t.objects.begin(), t.objects.end(),
                                     [](const auto& entry) { return !entry.second->stock; });
  return static_cast<int>(objects) + static_cast<int>(t.dcs.size());
}

std::vector<std::string> GdiFaults() {
  Lock lock(gdi::Tables().mutex);
  return gdi::Tables().faults;
}

Image BitmapImage(HBITMAP bitmap) {
  Lock lock(gdi::Tables().mutex);
  gdi::Object* record = gdi::FindObject(bitmap);
  if (record == nullptr || record->kind != gdi::ObjectKind::kBitmap) {
    return {};
  }
  return Image{record->surface->width, record->surface->height, record->surface->pixels};
}

Image PageImage(RECT area) {
  gdi::GdiTables& t = gdi::Tables();
  Lock lock(t.mutex);
  const gdi::Surface& page = *t.page;
  area.left = std::clamp<LONG>(area.left, 0, page.width);
  area.right = std::clamp<LONG>(area.right, area.left, page.width);
  area.top = std::clamp<LONG>(area.top, 0, page.height);
  area.bottom = std::clamp<LONG>(area.bottom, area.top, page.height);
  Image image{area.right - area.left, area.bottom - area.top, {}};
  image.pixels.reserve(static_cast<std::size_t>(image.width) * image.height);
  for (LONG y = area.top; y < area.bottom; ++y) {
    for (LONG x = area.left; x < area.right; ++x) {
      image.pixels.push_back(page.Get(x, y));
    }
  }
  return image;
}

void ResetGdi() {
  gdi::GdiTables& t = gdi::Tables();
  Lock lock(t.mutex);
  t.dcs.clear();
  for (auto it = t.objects.begin(); it != t.objects.end();) {
    it = it->second->stock ? std::next(it) : t.objects.erase(it);
  }
  t.numbers.clear();
  t.journal.clear();
  t.faults.clear();
  t.escapes.clear();
  t.printers.clear();
  t.page = std::make_shared<gdi::Surface>(gdi::kPageWidth, gdi::kPageHeight, false,
                                          GetSysColor(COLOR_BTNFACE));
}

}  // namespace vel::platform
